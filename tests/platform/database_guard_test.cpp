// The guards of the database engine: the functions a read may call on the
// embedded database, the refusals in the program's words on both engines,
// the tables of a text found for their schema, and TO_DATE on the embedded
// database.
#include <gtest/gtest.h>

#include <iostream>
#include <sqlite3.h>

#include "platform/database.h"
#include "postgres_server.h"

namespace {

std::string QueryError(TDatabase& db, const std::string& sql)
{
    TQuery q(db);
    q.SQL = sql;
    try {
        q.Open();
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return {};
}

// A function an extension could have registered on every connection: it
// would read any file.
void ReadFileFunction(sqlite3_context* context, int, sqlite3_value**)
{
    sqlite3_result_text(context, "secret", -1, SQLITE_STATIC);
}

int RegisterReadFile(sqlite3* db, char**, const sqlite3_api_routines*)
{
    return sqlite3_create_function_v2(db, "readfile", 1, SQLITE_UTF8, nullptr, ReadFileFunction, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(DatabaseGuardTest, SqliteReadsCallOnlyTheFunctionsOfARead)
{
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(RegisterReadFile));
    TDatabase db;
    db.AliasName = kSqliteAlias;
    db.Params = {"DATABASE NAME=carotix.db"};
    db.BaseFolder = CAROTIX_TEST_DATA_DIR;
    db.Open();
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(RegisterReadFile));
    for (const char* sql : {"SELECT fts3_tokenizer('simple')", "SELECT load_extension('libx.so')",
                            "SELECT readfile('/etc/passwd')", "SELECT zeroblob(1000000000)",
                            "SELECT printf('%*d', 999999999, 1)", "SELECT sqlite_compileoption_get(0)",
                            "SELECT LITHO FROM NIVEAU WHERE fts3_tokenizer('simple') IS NULL",
                            "SELECT * FROM pragma_table_info('OUVRAGE')", "SELECT * FROM pragma_user_version"})
        EXPECT_EQ(QueryError(db, sql), kReadOnlyText) << sql;
    // What the program's texts and sql.ini use still runs.
    TQuery q(db);
    q.SQL = "SELECT UPPER(LITHO), LOWER(TRIM(LITHO)), LTRIM(RTRIM(LITHO)), SUBSTR(LITHO, 1, 3), LENGTH(LITHO), "
            "REPLACE(LITHO, ' ', '_'), COALESCE(CODE_LITHO, 'x'), NULLIF(1, 2), ROUND(PROF_FIN - PROF_DEB, 1), "
            "TRUNC(PROF_FIN), ABS(-PROF_DEB), TO_CHAR('2011-03-05', 'yyyy'), TO_DATE('05/03/2011', 'dd/mm/yyyy') "
            "FROM NIVEAU WHERE INDICE = ? AND LITHO LIKE 'T%' ORDER BY PROF_DEB";
    q.Values = {"0385-2X-0041"};
    ASSERT_NO_THROW(q.Open());
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.Field(0).text, "TERRE V\xC3\x89G\xC3\x89TALE BRUNE");  // accents change case too
    EXPECT_EQ(q.Field(12).text, "2011-03-05");
    q.SQL = "SELECT COUNT(*), MAX(PROF), SUM(PROF), AVG(PROF) FROM OUVRAGE WHERE DATE(DATE_EAU) IS NULL "
            "OR STRFTIME('%Y', DATE_EAU) > '1900' OR DATE_EAU > TO_DATE('01/01/2000', 'dd/mm/yyyy')";
    q.Values.clear();
    EXPECT_NO_THROW(q.Open());
}

TEST(DatabaseGuardTest, ToDateReadsTheFormat)
{
    std::string r;
    ASSERT_TRUE(SqliteToDate("05/03/2011", "dd/mm/yyyy", r));
    EXPECT_EQ(r, "2011-03-05");
    ASSERT_TRUE(SqliteToDate("2011.03.05 14:07", "YYYY.MM.DD HH24:MI", r));
    EXPECT_EQ(r, "2011-03-05");
    ASSERT_TRUE(SqliteToDate("29/02/00", "dd/mm/yy", r));
    EXPECT_EQ(r, "2000-02-29");
    for (const char* bad : {"31/04/2011", "29/02/2011", "5/3/2011", "05/03/2011 ", "05-03-2011", ""})
        EXPECT_FALSE(SqliteToDate(bad, "dd/mm/yyyy", r)) << bad;
}

TEST(DatabaseGuardTest, TablesOfATextAreQualified)
{
    const auto qualify = [](const std::string& name) { return "<" + name + ">"; };
    const std::pair<std::string, std::string> cases[] = {
        {"SELECT A FROM NIVEAU WHERE INDICE = ?;", "SELECT A FROM <NIVEAU> WHERE INDICE = ?;"},
        {"select x from s.t, \"Q\"\"r\" r where 'from y' = ?", "select x from <s.t>, <\"Q\"\"r\"> r where 'from y' = ?"},
        {"SELECT A FROM NIVEAU N JOIN OUVRAGE O USING (INDICE, DESIGNATION) LEFT OUTER JOIN public . D ON D.X IN (1, 2) "
         "WHERE EXTRACT(YEAR FROM DATE_OBS) > 1",
         "SELECT A FROM <NIVEAU> N JOIN <OUVRAGE> O USING (INDICE, DESIGNATION) LEFT OUTER JOIN <public . D> ON D.X IN (1, 2) "
         "WHERE EXTRACT(YEAR FROM DATE_OBS) > 1"},
        {"SELECT (SELECT 1 FROM x) FROM generate_series(1, 3) g, (SELECT 2 FROM y) s, ONLY z",
         "SELECT (SELECT 1 FROM <x>) FROM generate_series(1, 3) g, (SELECT 2 FROM <y>) s, ONLY <z>"},
        {"WITH RECURSIVE c(x) AS (SELECT 1 FROM w) SELECT * FROM c, d UNION SELECT 1 FROM e -- FROM f\n;",
         "WITH RECURSIVE c(x) AS (SELECT 1 FROM <w>) SELECT * FROM c, <d> UNION SELECT 1 FROM <e> -- FROM f\n;"},
        // Relations at any depth; what only looks like one is left alone.
        {"SELECT 1 FROM a WHERE x IN (SELECT y FROM s.b JOIN (c JOIN d ON 1=1) ON 1=1) AND x IS DISTINCT FROM y "
         "AND SUBSTRING(x FROM 2) = E'\\' FROM e' /* /* */ FROM f */ UNION (TABLE g)",
         "SELECT 1 FROM <a> WHERE x IN (SELECT y FROM <s.b> JOIN (<c> JOIN <d> ON 1=1) ON 1=1) AND x IS DISTINCT FROM y "
         "AND SUBSTRING(x FROM 2) = E'\\' FROM e' /* /* */ FROM f */ UNION (TABLE <g>)"},
        {"SELECT $$ FROM a $$, 'it''s' FROM b ORDER BY 1", "SELECT $$ FROM a $$, 'it''s' FROM <b> ORDER BY 1"},
        {"SELECT 1", "SELECT 1"},
    };
    for (const auto& [sql, expected] : cases) EXPECT_EQ(QualifySqlTables(sql, qualify), expected) << sql;
}

TEST(DatabaseGuardTest, ServerRefusalsAreInTheProgramsWords)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    TDatabase db;
    db.AliasName = kPostgresAlias;
    db.Params = server.Params();
    db.Open();
    EXPECT_EQ(QueryError(db, "SELECT 1; SELECT 2"), kOneStatementText);
    EXPECT_EQ(QueryError(db, "SELECT 1; DELETE FROM OUVRAGE"), kOneStatementText);
    EXPECT_EQ(QueryError(db, "DELETE FROM OUVRAGE"), kReadOnlyText);
    // The session reads standard strings and sees only the server's own
    // functions; the tables are found all the same.
    TQuery q(db);
    q.SQL = "SELECT current_setting('standard_conforming_strings'), current_setting('search_path'), COUNT(*) FROM OUVRAGE";
    q.Open();
    EXPECT_EQ(q.Field(0).text, "on");
    EXPECT_EQ(q.Field(1).text, "pg_catalog, pg_temp");
    EXPECT_EQ(q.Field(2).text, "7");
    // A server that keeps standard strings off whatever the session asks:
    // a text with a backslash is not sent, the others are.
    const ParameterStatusReader previous = SetParameterStatusReader([](const pg_conn*, const char* name) -> const char* {
        return std::string(name) == "standard_conforming_strings" ? "off" : nullptr;
    });
    db.Open();
    SetParameterStatusReader(previous);
    EXPECT_EQ(QueryError(db, "SELECT 'a\\' FROM OUVRAGE"), kBackslashText);
    EXPECT_EQ(QueryError(db, "SELECT 'a' FROM OUVRAGE"), "");
}

// A dotted name is a column of a table the query reads, on both engines: the
// server reads a.f as the call f(a).
TEST(DatabaseGuardTest, DottedNamesAreColumnsOfTheQuerysTables)
{
    PostgresServer server;
    const bool withServer = server.Start();
    const auto refused = [](const std::string& name) {
        return "La requ\xC3\xAAte nomme \xC2\xAB " + name +
               " \xC2\xBB, qui n'est pas une colonne d'une table qu'elle lit : elle n'est pas envoy\xC3\xA9" "e.";
    };
    const std::pair<std::string, std::string> cases[] = {
        {"SELECT LITHO FROM NIVEAU WHERE NIVEAU.pg_typeof IS NOT NULL", refused("NIVEAU.pg_typeof")},
        {"SELECT N.row_to_json FROM NIVEAU N", refused("N.row_to_json")},
        {"SELECT 1 FROM NIVEAU N JOIN OUVRAGE O ON O.INDICE = N.INDICE WHERE O.to_jsonb IS NULL", refused("O.to_jsonb")},
        {"SELECT 1 FROM NIVEAU WHERE NIVEAU.num_nonnulls > 0", refused("NIVEAU.num_nonnulls")},
        {"SELECT 1 FROM NIVEAU WHERE public.NIVEAU.pg_typeof IS NULL", refused("public.NIVEAU.pg_typeof")},
        {"SELECT public.trace(1) FROM NIVEAU", refused("public.trace")},
        {"SELECT (NIVEAU).pg_typeof FROM NIVEAU", refused(".pg_typeof")},
        {"SELECT OUVRAGE.LITHO FROM NIVEAU", refused("OUVRAGE.LITHO")},
        {"SELECT 1 FROM NIVEAU WHERE (ARRAY[NIVEAU.LITHO])[1].pg_typeof IS NOT NULL", refused(".pg_typeof")},
        {"SELECT 1 FROM NIVEAU WHERE 1 OPERATOR(public.=) 1", refused("public.=")},
        {"SELECT * FROM NIVEAU, public.generate_series(1, 2)", refused("public.generate_series")},
        {"SELECT g FROM pg_catalog.generate_series(1, 2) g WHERE g OPERATOR(pg_catalog.=) 1", ""},
        // Columns, as tables, aliases or schemas name them; pg_catalog's own.
        {"SELECT N.LITHO, NIVEAU.LITHO, O.* FROM NIVEAU JOIN OUVRAGE O ON O.INDICE = NIVEAU.INDICE "
         "JOIN NIVEAU N ON N.INDICE = O.INDICE WHERE pg_catalog.upper(O.NATURE) = 'X'",
         ""},
    };
    for (const bool onServer : {false, true}) {
        if (onServer && !withServer) GTEST_SKIP() << "PostgreSQL part skipped: " << server.Problem();
        TDatabase db;
        db.AliasName = onServer ? kPostgresAlias : kSqliteAlias;
        db.Params = onServer ? server.Params() : std::vector<std::string>{"DATABASE NAME=carotix.db"};
        db.BaseFolder = CAROTIX_DATA_DIR;
        db.Open();
        for (const auto& [sql, expected] : cases) {
            if (!onServer && expected.empty()) continue;  // pg_catalog is the server's
            EXPECT_EQ(QueryError(db, sql), expected) << sql << (onServer ? " (PostgreSQL)" : " (SQLite)");
        }
    }
}
