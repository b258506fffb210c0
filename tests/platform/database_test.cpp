// The database engine: connection by alias and parameters, reading records,
// TO_CHAR on the embedded database, bound values, read-only sessions, and the
// shipped sample database being the one its script builds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/database.h"
#include "postgres_server.h"
#include "temp_dir.h"

namespace {

void OpenSample(TDatabase& db)
{
    db.AliasName = kSqliteAlias;
    db.Params = {"DATABASE NAME=carotix.db"};
    db.BaseFolder = CAROTIX_TEST_DATA_DIR;
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

TEST(DatabaseTest, NumbersAndCaseAreWrittenLikeTheServer)
{
    // Each row on SQLite, then on the server with the value as a double
    // precision (a bigint when integer) and the text in a UTF-8 collation.
    const struct {
        const char* sql;
        const char* server;  // nullptr: as on SQLite
        const char* expected;
    } rows[] = {
        {"TO_CHAR(0.4,'999.99')", "TO_CHAR(0.4::float8,'999.99')", "    .40"},
        {"TO_CHAR(12.5,'FM999.00')", "TO_CHAR(12.5::float8,'FM999.00')", "12.50"},
        {"TO_CHAR(1234.5,'9G999D9')", "TO_CHAR(1234.5::float8,'9G999D9')", " 1,234.5"},
        {"TO_CHAR(-1234.5,'FM9,999.00')", "TO_CHAR(-1234.5::float8,'FM9,999.00')", "-1,234.50"},
        {"TO_CHAR(0.4,'0.00')", "TO_CHAR(0.4::float8,'0.00')", " 0.40"},
        {"TO_CHAR(0.4,'FM9.99')", "TO_CHAR(0.4::float8,'FM9.99')", ".4"},
        {"TO_CHAR(0.0,'FM9.99')", "TO_CHAR(0::float8,'FM9.99')", "0."},
        {"TO_CHAR(-0.4,'9.9')", "TO_CHAR(-0.4::float8,'9.9')", " -.4"},
        {"TO_CHAR(0.4,'999')", "TO_CHAR(0.4::float8,'999')", "   0"},
        {"TO_CHAR(2.5,'9')", "TO_CHAR(2.5::float8,'9')", " 2"},
        {"TO_CHAR(1e10,'999')", "TO_CHAR(1e10::float8,'999')", " ###"},
        {"TO_CHAR(12.3,'FM999.9 m\xC2\xB2')", "TO_CHAR(12.3::float8,'FM999.9 m\xC2\xB2')", "12.3 m\xC2\xB2"},
        {"TO_CHAR(123.456789012345678,'999.999999999999999')",
         "TO_CHAR(123.456789012345678::float8,'999.999999999999999')", " 123.456789012346"},
        {"TO_CHAR(-3,'999')", "TO_CHAR(-3::int8,'999')", "  -3"},
        {"TO_CHAR(12,'0099')", "TO_CHAR(12::int8,'0099')", " 0012"},
        {"TO_CHAR(-5,'FM0000')", "TO_CHAR(-5::int8,'FM0000')", "-0005"},
        {"TO_CHAR(12,'9,999')", "TO_CHAR(12::int8,'9,999')", "    12"},
        {"TO_CHAR(12345,'99.9')", "TO_CHAR(12345::int8,'99.9')", " ##.#"},
        {"TO_CHAR(7,'9.9')", "TO_CHAR(7::int8,'9.9')", " 7.0"},
        {"UPPER('Calcaire tr\xC3\xA8s fractur\xC3\xA9, \xC5\x93il \xC3\xBF \xC3\x9F')",
         "UPPER('Calcaire tr\xC3\xA8s fractur\xC3\xA9, \xC5\x93il \xC3\xBF \xC3\x9F' COLLATE \"C.utf8\")",
         "CALCAIRE TR\xC3\x88S FRACTUR\xC3\x89, \xC5\x92IL \xC5\xB8 \xC3\x9F"},
        {"LOWER('\xC3\x89" "COLE \xC5\x92IL \xC5\xB8 \xC3\x80')",
         "LOWER('\xC3\x89" "COLE \xC5\x92IL \xC5\xB8 \xC3\x80' COLLATE \"C.utf8\")",
         "\xC3\xA9" "cole \xC5\x93il \xC3\xBF \xC3\xA0"},
        // Beyond the French letters: the micro sign (a Windows-1252 letter),
        // Greek with its final sigma and accents, Cyrillic, title-case and
        // ligature letters, the long s; ß has no one-letter upper case.
        {"UPPER('5 \xC2\xB5m \xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1 \xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82 "
         "\xD0\xB3\xD0\xBB\xD0\xB8\xD0\xBD\xD0\xB0 \xC7\x85 \xC4\xB3 \xC5\xBF \xC3\x9F \xC4\xB1')",
         "UPPER('5 \xC2\xB5m \xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1 \xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82 "
         "\xD0\xB3\xD0\xBB\xD0\xB8\xD0\xBD\xD0\xB0 \xC7\x85 \xC4\xB3 \xC5\xBF \xC3\x9F \xC4\xB1' COLLATE \"C.utf8\")",
         "5 \xCE\x9CM \xCE\xA3\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91 \xCE\x9B\xCE\x8C\xCE\x93\xCE\x9F\xCE\xA3 "
         "\xD0\x93\xD0\x9B\xD0\x98\xD0\x9D\xD0\x90 \xC7\x84 \xC4\xB2 S \xC3\x9F I"},
        {"LOWER('\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3 \xCE\x86 \xD0\x9F\xD0\x95\xD0\xA1\xD0\x9E\xD0\x9A \xC7\x85 \xC4\xB2 "
         "\xE1\xBA\x9E \xC4\xB0 \xE2\x84\xAA')",
         "LOWER('\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3 \xCE\x86 \xD0\x9F\xD0\x95\xD0\xA1\xD0\x9E\xD0\x9A \xC7\x85 \xC4\xB2 "
         "\xE1\xBA\x9E \xC4\xB0 \xE2\x84\xAA' COLLATE \"C.utf8\")",
         "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x83 \xCE\xAC \xD0\xBF\xD0\xB5\xD1\x81\xD0\xBE\xD0\xBA \xC7\x86 \xC4\xB3 "
         "\xC3\x9F i k"},
        // A double of 15 integer digits or more keeps no decimal: overflowed,
        // the server writes no # after the point.
        {"TO_CHAR(1234567890123456.5,'999.9')", "TO_CHAR(1234567890123456.5::float8,'999.9')", " ###."},
    };
    PostgresServer server;
    const bool withServer = server.Start();
    TDatabase sqlite, postgres;
    OpenSample(sqlite);
    if (withServer) {
        postgres.AliasName = kPostgresAlias;
        postgres.Params = server.Params();
        postgres.Open();
    } else {
        ADD_FAILURE() << "PostgreSQL server: " << server.Problem();
    }
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sql);
        for (TDatabase* db : {&sqlite, &postgres}) {
            if (db == &postgres && !withServer) continue;
            TQuery q(*db);
            q.SQL = std::string("SELECT ") + (db == &postgres && row.server ? row.server : row.sql);
            q.Open();
            EXPECT_EQ(q.Field(0).text, row.expected) << (db == &postgres ? "server" : "SQLite");
        }
    }
    // A format the embedded engine does not write for a number is refused in
    // French, never read as a date.
    for (const char* format : {"dd/mm/yyyy", "S99", "9.9.9", "9.", "", "9V9"}) {
        const std::string message = QueryError(sqlite, std::string("SELECT TO_CHAR(0.4,'") + format + "')");
        EXPECT_EQ(message.rfind(std::string("TO_CHAR : le format \xC2\xAB ") + format + " \xC2\xBB ", 0), 0u) << message;
    }
    // A null stays null; a text that is not UTF-8 is read as Windows-1252,
    // as its records are (µm in a description).
    TQuery q(sqlite);
    q.SQL = "SELECT UPPER(CAST(X'35B56D' AS TEXT)), LOWER(NULL)";
    q.Open();
    EXPECT_EQ(q.Field(0).text, "5\xCE\x9CM");
    EXPECT_TRUE(q.Field(1).IsNull());
}

// Every code point whose case changes, on both engines: the server (in a
// C.UTF-8 collation) and SQLite list the same letters and the same answers.
TEST(DatabaseTest, EveryLetterChangesCaseAsOnTheServer)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    const auto read = [](TDatabase& db, const std::string& sql) {
        TQuery q(db);
        q.SQL = sql;
        q.Open();
        std::map<std::string, std::string> changed;
        for (; !q.Eof(); q.Next()) changed[std::string(q.Field(0).text)] = std::string(q.Field(1).text) + " " + std::string(q.Field(2).text);
        return changed;
    };
    TDatabase sqlite, postgres;
    OpenSample(sqlite);
    postgres.AliasName = kPostgresAlias;
    postgres.Params = server.Params();
    postgres.Open();
    const auto onServer = read(postgres,
                               "SELECT i, ascii(upper(c)), ascii(lower(c)) FROM (SELECT i, chr(i) COLLATE \"C.utf8\" AS c "
                               "FROM pg_catalog.generate_series(1, 1114111) AS g(i) WHERE i NOT BETWEEN 55296 AND 57343) "
                               "AS s WHERE upper(c) <> c OR lower(c) <> c");
    const auto onSqlite = read(sqlite,
                               "WITH RECURSIVE g(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM g WHERE i < 1114111) "
                               "SELECT i, unicode(UPPER(char(i))), unicode(LOWER(char(i))) FROM g "
                               "WHERE i NOT BETWEEN 55296 AND 57343 AND (UPPER(char(i)) <> char(i) OR LOWER(char(i)) <> char(i))");
    EXPECT_GT(onServer.size(), 2500u);  // every cased letter, not a few
    std::string differences;
    for (const auto& [cp, server] : onServer) {
        const auto it = onSqlite.find(cp);
        const std::string mine = it == onSqlite.end() ? "unchanged" : it->second;
        if (mine != server) differences += cp + ": server " + server + ", SQLite " + mine + "\n";
    }
    for (const auto& [cp, mine] : onSqlite)
        if (!onServer.count(cp)) differences += cp + ": server unchanged, SQLite " + mine + "\n";
    EXPECT_EQ(differences, "");
}

// TO_CHAR of large doubles and bigints (13 to 20 integer digits, negative,
// with decimals) in every format the program's sql.ini texts use: the same
// text on both engines.
TEST(DatabaseTest, LargeNumbersAreWrittenLikeTheServer)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    const char* const formats[] = {
        "999.99", "FM999.00", "9G999D9", "FM9,999.00", "0.00", "FM9.99", "9.9", "999", "9", "FM999.9 m\xC2\xB2",
        "999.999999999999999", "0099", "FM0000", "9,999", "99.9", "99999999999999999999.99",
        "FM99999999999999999999.99", "9999999999999999999999", "99G999G999G999G999G999G999D999",
        "FM0000000000000000000000.00", "000000000000000.9", "9999999999999.99999", "FM999999999999999.0"};
    std::vector<std::string> numbers;
    const std::string digits = "12345678901234567890";
    for (std::size_t n = 13; n <= 20; ++n)
        for (const std::string& sign : {"", "-"}) {
            numbers.push_back(sign + digits.substr(0, n) + ".75");   // a double
            numbers.push_back(sign + std::string(n, '9') + ".5");    // rounds up a digit
            if (n <= 18) numbers.push_back(sign + digits.substr(0, n));  // a bigint
        }
    TDatabase sqlite, postgres;
    OpenSample(sqlite);
    postgres.AliasName = kPostgresAlias;
    postgres.Params = server.Params();
    postgres.Open();
    for (const std::string& number : numbers) {
        SCOPED_TRACE(number);
        const std::string typed = number + (number.find('.') == std::string::npos ? "::int8" : "::float8");
        std::string onSqlite = "SELECT ", onServer = "SELECT ";
        for (const char* format : formats) {
            const std::string sep = onSqlite.size() > 7 ? ", " : "";
            onSqlite += sep + "TO_CHAR(" + number + ", '" + format + "')";
            onServer += sep + "TO_CHAR((" + typed + "), '" + format + "')";
        }
        TQuery a(sqlite), b(postgres);
        a.SQL = onSqlite;
        b.SQL = onServer;
        a.Open();
        b.Open();
        for (int i = 0; i < b.FieldCount(); ++i)
            EXPECT_EQ(a.Field(i).text, b.Field(i).text) << formats[i];
    }
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

// A server that accepts connections and never says a word: a socket named
// like the server's in a folder. It lets go of its connections after 30 s, so
// that a client without a time-out fails instead of hanging for ever.
class SilentServer {
public:
    explicit SilentServer(const std::filesystem::path& folder)
    {
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = (folder / ".s.PGSQL.5432").string();
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        ok_ = listener_ >= 0 && bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
              listen(listener_, 8) == 0;
        thread_ = std::thread([this] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!stop_ && std::chrono::steady_clock::now() < end) {
                pollfd p{listener_, POLLIN, 0};
                if (poll(&p, 1, 50) == 1) accepted_.push_back(accept(listener_, nullptr, nullptr));
            }
            for (int fd : accepted_) close(fd);
            accepted_.clear();
        });
    }
    ~SilentServer()
    {
        stop_ = true;
        thread_.join();
        close(listener_);
    }
    bool Ok() const { return ok_; }

private:
    int listener_ = -1;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::vector<int> accepted_;
    std::thread thread_;
};

TEST(DatabaseTest, SessionsOnlyRead)
{
    TempDir dir;
    std::filesystem::copy_file(std::filesystem::path(CAROTIX_TEST_DATA_DIR) / "carotix.db", dir / "copie.db");
    TDatabase db;
    db.AliasName = "sqlite";  // aliases compare without regard to case
    db.Params = {"database name = copie.db", ""};
    db.BaseFolder = dir.path();
    db.Open();
    // Everything that is not one read is refused before it runs: nothing is
    // written, no file is made.
    const std::string copy = (dir / "vide.db").string();
    const std::pair<std::string, std::string> refused[] = {
        {"DELETE FROM OUVRAGE", kReadOnlyText},
        {"SELECT 1; DELETE FROM OUVRAGE", kOneStatementText},
        {"SELECT 1; SELECT 2", kOneStatementText},
        {"VACUUM INTO '" + copy + "'", kReadOnlyText},
        {"VACUUM", kReadOnlyText},
        {"ATTACH '" + copy + "' AS autre", kReadOnlyText},
        {"PRAGMA user_version = 5", kReadOnlyText},
        {"PRAGMA journal_mode = WAL", kReadOnlyText},
        {"BEGIN", kReadOnlyText},
        {"-- rien", "La requ\xC3\xAAte ne lit aucune donn\xC3\xA9" "e"},
    };
    for (const auto& [sql, message] : refused) EXPECT_EQ(QueryError(db, sql), message) << sql;
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_EQ(QueryError(db, "SELECT COUNT(*) FROM OUVRAGE; -- fin"), "");
    TQuery q(db);
    q.SQL = "SELECT COUNT(*) FROM OUVRAGE";
    q.Open();
    EXPECT_EQ(q.Field(0).text, "7");
    q.SQL = "PRAGMA user_version";
    EXPECT_THROW(q.Open(), EDatabaseError);

    // A query that runs too long is stopped, naming what it read.
    db.StatementTimeout = 100;
    EXPECT_EQ(QueryError(db, "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000000) "
                             "SELECT COUNT(*) FROM c"),
              "La requ\xC3\xAAte sur \xC2\xAB c \xC2\xBB a \xC3\xA9t\xC3\xA9 interrompue : elle a d\xC3\xA9pass\xC3\xA9 le "
              "d\xC3\xA9lai de 100 ms.");
    q.SQL = "SELECT COUNT(*) FROM OUVRAGE";
    q.Open();
    EXPECT_EQ(q.Field(0).text, "7");
}

TEST(DatabaseTest, QueriedTableIsTheFromClause)
{
    EXPECT_EQ(QueriedTable("SELECT A, TO_CHAR(D,'from x') FROM NIVEAU N WHERE INDICE = ?;"), "NIVEAU N");
    EXPECT_EQ(QueriedTable("select c from t;"), "t");
    EXPECT_EQ(QueriedTable("SELECT (SELECT 1 FROM x) FROM OUVRAGE O JOIN N ON 1=1 ORDER BY 1"), "OUVRAGE O JOIN N ON 1=1");
    EXPECT_EQ(QueriedTable("SELECT 1"), "");
}

// A server that accepts the connection and never answers does not hold the
// program: the connection gives up, naming the server.
TEST(DatabaseTest, SilentServerIsGivenUp)
{
    TempDir dir;
    SilentServer server(dir.path());
    ASSERT_TRUE(server.Ok());
    TDatabase db;
    db.AliasName = kPostgresAlias;
    db.Params = {"SERVER NAME=" + dir.path().string(), "PORT=5432", "DATABASE NAME=postgres", "USER NAME=postgres"};
    EXPECT_EQ(db.ConnectTimeout, 15);
    EXPECT_EQ(db.StatementTimeout, 60000);
    db.ConnectTimeout = 1;  // the client library waits 2 s at least
    EXPECT_EQ(OpenError(db), "Le serveur \xC2\xAB " + dir.path().string() +
                                 " (port 5432) \xC2\xBB ne r\xC3\xA9pond pas : la connexion est abandonn\xC3\xA9" "e apr\xC3\xA8s 2 s.");
    EXPECT_FALSE(db.Connected());
}

TEST(DatabaseTest, ConnectionFailuresSayWhy)
{
    TDatabase db;
    EXPECT_NE(OpenError(db).find("Aucun alias"), std::string::npos);
    db.AliasName = "Oracle";
    EXPECT_EQ(OpenError(db), "Alias de base de donn\xC3\xA9" "es inconnu : Oracle");
    db.AliasName = kSqliteAlias;
    db.Params = {"DATABASE NAME=absente.db"};
    db.BaseFolder = CAROTIX_TEST_DATA_DIR;
    EXPECT_NE(OpenError(db).find("introuvable"), std::string::npos);
    db.Params = {"DATABASE NAME=carotix.db", "USERNAME=scott"};
    EXPECT_EQ(OpenError(db), "Param\xC3\xA8tre de connexion inconnu : USERNAME\nParam\xC3\xA8tres accept\xC3\xA9s (un par "
                             "ligne, NOM=valeur) : " + std::string(kConnectionParametersText));
    db.AliasName = kPostgresAlias;
    db.Params = {"HOST=localhost"};
    EXPECT_EQ(OpenError(db).substr(0, OpenError(db).find('\n')), "Param\xC3\xA8tre de connexion inconnu : HOST");
    db.AliasName = kSqliteAlias;
    EXPECT_FALSE(db.Connected());
    TQuery q(db);
    q.SQL = "SELECT 1";
    EXPECT_THROW(q.Open(), EDatabaseError);
}

// The engines' failures are told in French, each engine's own text after
// it as the detail, without the server's "ERROR:" nor its excerpt of the text.
TEST(DatabaseTest, EngineFailuresAreToldInFrench)
{
    PostgresServer server;
    const bool withServer = server.Start();
    std::string deep, deeper, nested;
    for (int i = 0; i < 1100; ++i) deep += "1+";
    for (int i = 0; i < 100000; ++i) deeper += "1+";
    for (int i = 0; i < 20000; ++i) nested += "(";
    nested += "1";
    for (int i = 0; i < 20000; ++i) nested += ")";
    const struct {
        const char* alias;
        std::string sql;
        const char* sentence;
    } failures[] = {
        {kSqliteAlias, "SELECT pas_de_fonction(1) FROM OUVRAGE", kUnknownFunctionText},
        {kSqliteAlias, "SELECT upper(NATURE, 2) FROM OUVRAGE", kWrongArgumentsText},
        {kSqliteAlias, "SELECT abs(-9223372036854775807 - 1)", kNumericOverflowText},
        {kSqliteAlias, "SELECT sum(x) FROM (SELECT 9223372036854775807 AS x UNION ALL SELECT 1)", kNumericOverflowText},
        {kSqliteAlias, "SELECT " + deep + "1", kTooComplexText},
        {kSqliteAlias, "SELECT COLONNE FROM ABSENTE", kUnknownTableText},
        {kSqliteAlias, "SELECT COLONNE FROM OUVRAGE", kUnknownColumnText},
        {kSqliteAlias, "SELEC 1", kSyntaxErrorText},
        {kSqliteAlias, "SELECT " + nested, kTooComplexText},
        {kPostgresAlias, "SELECT 9223372036854775807::int8 + 1", kNumericOverflowText},
        {kPostgresAlias, "SELECT lpad('x', 2147483647)", kTooBigText},
        {kPostgresAlias, "SELECT pas_de_fonction(1)", kFunctionArgumentsText},
        {kPostgresAlias, "SELECT upper('a', 2)", kFunctionArgumentsText},
        {kPostgresAlias, "SELECT 2147483647::int4 + 1", kNumericOverflowText},
        {kPostgresAlias, "SELECT 1e308::float8 * 10", kNumericOverflowText},
        {kPostgresAlias, "SELECT repeat('x', 1073741824)", kTooBigText},
        {kPostgresAlias, "SELECT " + nested, kTooComplexText},
        {kPostgresAlias, "SELECT " + deeper + "1", kTooComplexText},
        {kPostgresAlias, "SELECT 1 / 0", kDivisionByZeroText},
        {kPostgresAlias, "SELECT COLONNE FROM OUVRAGE", kUnknownColumnText},
    };
    TDatabase sqlite, postgres;
    OpenSample(sqlite);
    if (withServer) {
        postgres.AliasName = kPostgresAlias;
        postgres.Params = server.Params();
        postgres.Open();
    }
    for (const auto& f : failures) {
        SCOPED_TRACE(f.sql.substr(0, 60));
        const bool onServer = std::string(f.alias) == kPostgresAlias;
        if (onServer && !withServer) {
            ADD_FAILURE() << "PostgreSQL server: " << server.Problem();
            break;
        }
        const std::string message = QueryError(onServer ? postgres : sqlite, f.sql);
        const std::size_t line = message.find('\n');
        EXPECT_EQ(message.substr(0, line), f.sentence) << message;
        ASSERT_NE(line, std::string::npos);
        EXPECT_EQ(message.substr(line, 11), "\nD\xC3\xA9tail : ");
        EXPECT_EQ(message.find("ERROR"), std::string::npos) << message;
        EXPECT_EQ(message.find("LINE"), std::string::npos) << message;
        EXPECT_EQ(message.find('\n', line + 1), std::string::npos) << message;
    }
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

    // A slow query is stopped by the server, naming its table; the session
    // goes on and keeps neither the time limit nor a lock.
    db.StatementTimeout = 200;
    EXPECT_EQ(QueryError(db, "SELECT PROF_DEB FROM NIVEAU WHERE (SELECT TRUE FROM pg_sleep(5))"),
              "La requ\xC3\xAAte sur \xC2\xAB NIVEAU \xC2\xBB a \xC3\xA9t\xC3\xA9 interrompue : elle a d\xC3\xA9pass\xC3\xA9 le "
              "d\xC3\xA9lai de 200 ms.");
    db.StatementTimeout = TDatabase::kDefaultStatementTimeout;
    EXPECT_EQ(QueryError(db, "SELECT pg_advisory_lock(9), set_config('work_mem', '1234kB', false)"), "");
    q.SQL = "SELECT current_setting('work_mem'), (SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory')";
    q.Open();
    EXPECT_EQ(q.Field(0).text, "4MB");
    EXPECT_EQ(q.Field(1).text, "0");
}
