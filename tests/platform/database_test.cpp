// The database engine: connection by alias and parameters, reading records,
// TO_CHAR on the embedded database, bound values, read-only sessions, and the
// shipped sample database being the one its script builds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/database.h"
#include "postgres_server.h"
#include "temp_dir.h"

namespace {

void OpenSample(TDatabase& db)
{
    db.AliasName = kSqliteAlias;
    db.Params = {"DATABASE NAME=carotix.db"};
    db.BaseFolder = CAROTIX_DATA_DIR;
    db.Open();
}

std::string OpenError(TDatabase& db)
{
    try {
        db.Open();
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return {};
}

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

}  // namespace

TEST(DatabaseTest, ShippedSampleIsWhatItsScriptBuilds)
{
    const std::string command = "python3 \"" CAROTIX_SOURCE_DIR "/scripts/make_sample_db.py\" --check";
    EXPECT_EQ(std::system(command.c_str()), 0) << "run scripts/make_sample_db.py";
}

TEST(DatabaseTest, ToCharFormatsDatesLikeTheServer)
{
    std::string r;
    ASSERT_TRUE(SqliteToChar("2001-03-05", "dd/mm/yyyy", r));
    EXPECT_EQ(r, "05/03/2001");
    ASSERT_TRUE(SqliteToChar("2001-03-05", "dd/mm/yy", r));
    EXPECT_EQ(r, "05/03/01");
    ASSERT_TRUE(SqliteToChar("2001-03-05", "dd/mm/", r));
    EXPECT_EQ(r, "05/03/");
    ASSERT_TRUE(SqliteToChar("2001-03-05 14:07:09", "DD.MM.YYYY HH24:MI:SS", r));
    EXPECT_EQ(r, "05.03.2001 14:07:09");
    EXPECT_FALSE(SqliteToChar("05/03/2001", "dd/mm/yyyy", r));
    EXPECT_FALSE(SqliteToChar("2001-13-05", "dd/mm/yyyy", r));

    TDatabase db;
    OpenSample(db);
    TQuery q(db);
    q.SQL = "SELECT TO_CHAR(DATE_EAU,'dd/mm/yyyy'), TO_CHAR(DATE_EAU,'dd/mm/yy') FROM OUVRAGE WHERE INDICE = ? "
            "AND DESIGNATION = ?;";
    q.Values = {"F-VAL-01", "F2"};
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_TRUE(q.Field(0).IsNull());  // TO_CHAR of a null is null
    q.Values = {"0385-2X-0057", "P1"};
    q.Open();
    EXPECT_EQ(q.Field(0).text, "05/03/2011");
    EXPECT_EQ(q.Field(1).text, "05/03/11");
    EXPECT_FALSE(QueryError(db, "SELECT TO_CHAR(LITHO,'dd/mm/yyyy') FROM NIVEAU").empty());
}

TEST(DatabaseTest, RecordsAreReadAsNullNumberOrText)
{
    TDatabase db;
    OpenSample(db);
    TQuery q(db);
    q.SQL = "SELECT PROF_DEB, LITHO, CODE_LITHO, ZONE_LAMBERT FROM NIVEAU JOIN OUVRAGE USING (INDICE, DESIGNATION) "
            "WHERE INDICE = ? ORDER BY PROF_DEB, PROF_FIN";
    q.Values = {"0385-2X-0041"};
    q.Open();
    ASSERT_EQ(q.RecordCount(), 6);
    ASSERT_EQ(q.FieldCount(), 4);
    EXPECT_FALSE(q.Eof());
    q.Next();  // the second record: 0 to 14, "Terrain meuble", no code
    EXPECT_EQ(q.Field(1).text, "Terrain meuble");
    EXPECT_TRUE(q.Field(2).IsNull());
    EXPECT_EQ(q.Field(3).kind, DbValue::Kind::Text);  // integers keep their digits
    EXPECT_EQ(q.Field(3).text, "6");
    q.Next();
    EXPECT_EQ(q.Field(0).kind, DbValue::Kind::Number);
    EXPECT_DOUBLE_EQ(q.Field(0).number, 0.4);
    for (int i = 0; i < 10; ++i) q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_TRUE(q.Field(0).IsNull());

    // A value holding a quote reaches the database whole.
    q.SQL = "SELECT COMMUNE FROM DOSSIER WHERE INDICE = ?";
    q.Values = {"L'ABBAYE"};
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.Field(0).text, "PAIMPONT");
}

TEST(DatabaseTest, SessionsOnlyRead)
{
    TempDir dir;
    std::filesystem::copy_file(std::filesystem::path(CAROTIX_DATA_DIR) / "carotix.db", dir / "copie.db");
    TDatabase db;
    db.AliasName = "sqlite";  // aliases compare without regard to case
    db.Params = {"database name = copie.db", ""};
    db.BaseFolder = dir.path();
    db.Open();
    EXPECT_FALSE(QueryError(db, "DELETE FROM OUVRAGE").empty());
    EXPECT_FALSE(QueryError(db, "SELECT 1; DELETE FROM OUVRAGE").empty());
    EXPECT_EQ(QueryError(db, "SELECT COUNT(*) FROM OUVRAGE;"), "");
    TQuery q(db);
    q.SQL = "SELECT COUNT(*) FROM OUVRAGE";
    q.Open();
    EXPECT_EQ(q.Field(0).text, "7");
}

TEST(DatabaseTest, ConnectionFailuresSayWhy)
{
    TDatabase db;
    EXPECT_NE(OpenError(db).find("Aucun alias"), std::string::npos);
    db.AliasName = "Oracle";
    EXPECT_EQ(OpenError(db), "Alias de base de donn\xC3\xA9" "es inconnu : Oracle");
    db.AliasName = kSqliteAlias;
    db.Params = {"DATABASE NAME=absente.db"};
    db.BaseFolder = CAROTIX_DATA_DIR;
    EXPECT_NE(OpenError(db).find("introuvable"), std::string::npos);
    db.Params = {"DATABASE NAME=carotix.db", "USERNAME=scott"};
    EXPECT_EQ(OpenError(db), "Param\xC3\xA8tre de connexion inconnu : USERNAME");
    EXPECT_FALSE(db.Connected());
    TQuery q(db);
    q.SQL = "SELECT 1";
    EXPECT_THROW(q.Open(), EDatabaseError);
}

TEST(DatabaseTest, PostgresSessionsOnlyRead)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    TDatabase db;
    db.AliasName = kPostgresAlias;
    db.Params = server.Params();
    db.Open();
    TQuery q(db);
    q.SQL = "SELECT TO_CHAR(DATE_EAU,'dd/mm/yyyy'), PROF FROM OUVRAGE WHERE INDICE = ? AND DESIGNATION = ?;";
    q.Values = {"0385-2X-0057", "P1"};
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.Field(0).text, "05/03/2011");
    EXPECT_EQ(q.Field(1).kind, DbValue::Kind::Number);
    EXPECT_DOUBLE_EQ(q.Field(1).number, 30.0);
    EXPECT_FALSE(QueryError(db, "DELETE FROM OUVRAGE").empty());
    EXPECT_FALSE(QueryError(db, "SELECT 1; DELETE FROM OUVRAGE").empty());
    EXPECT_FALSE(QueryError(db, "SELECT 1; SET default_transaction_read_only = off; COMMIT; DELETE FROM OUVRAGE").empty());
    EXPECT_EQ(QueryError(db, "SELECT ';' -- fin; de ligne\n ;"), "");
    q.SQL = "SELECT COUNT(*) FROM OUVRAGE";
    q.Values.clear();
    q.Open();
    EXPECT_EQ(q.Field(0).text, "7");
}
