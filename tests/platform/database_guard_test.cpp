// The guards of the database engine: the functions a read may call on the
// embedded database, the refusals in the program's words on both engines,
// the tables of a text found for their schema, and TO_DATE on the embedded
// database.
#include <gtest/gtest.h>

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
    EXPECT_EQ(q.Field(0).text, "TERRE V\xC3\xA9G\xC3\xA9TALE BRUNE");
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
         "SELECT (SELECT 1 FROM x) FROM generate_series(1, 3) g, (SELECT 2 FROM y) s, ONLY <z>"},
        {"WITH RECURSIVE c(x) AS (SELECT 1 FROM w) SELECT * FROM c, d UNION SELECT 1 FROM e -- FROM f\n;",
         "WITH RECURSIVE c(x) AS (SELECT 1 FROM w) SELECT * FROM c, <d> UNION SELECT 1 FROM <e> -- FROM f\n;"},
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
}
