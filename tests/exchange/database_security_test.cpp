// The database link read as the checks read it: functions and operators
// planted in a schema of the search path never run, nor the code of another
// role's relations (views, rules, row-security policies), a server whose role
// reads backslashes as escapes reads the texts as the checks did, and
// sql.ini's WHERE only narrows the ouvrage's rows.
#include <gtest/gtest.h>

#include <libpq-fe.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "exchange/database_download.h"
#include "exchange/database_link.h"
#include "platform/fake_ui_services.h"
#include "postgres_server.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const char* const kIndice = "0385-2X-0041";

// The refusals' texts: `what` (a kind of object and its name) of `role`,
// then why it is refused.
std::string Refusal(const std::string& what, const std::string& name, const std::string& why,
                    const std::string& role = "planteur")
{
    return what + " \xC2\xAB " + name + " \xC2\xBB (r\xC3\xB4le \xC2\xAB " + role + " \xC2\xBB)" + why;
}
const std::string kNotSent = " ; la requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e.";
const std::string kTrustedOwners = "de l'utilisateur connect\xC3\xA9 (ou d'un r\xC3\xB4le dont il est membre), d'un "
                                   "superutilisateur ou du propri\xC3\xA9taire de la base" + kNotSent;
const std::string kNotRead = " n'est pas lue : seules le sont les vues et tables externes " + kTrustedOwners;
const std::string kNotCalled = " n'est pas appel\xC3\xA9" "e : seules le sont les fonctions du serveur, " + kTrustedOwners;
const std::string kPolicyUnread = " a une s\xC3\xA9" "curit\xC3\xA9 par ligne qui s'appliquerait \xC3\xA0 la lecture, "
                                  "faite sans les droits de superutilisateur" + kNotSent;

// The test server's folder, where its socket and files lie.
std::string ServerFolder(const PostgresServer& server)
{
    return server.Params().front().substr(std::string("SERVER NAME=").size());
}

// A connection of the tests' own, as `user`, to the server's database.
PGconn* ConnectAs(const PostgresServer& server, const std::string& user)
{
    const std::string info = "host='" + ServerFolder(server) + "' port=5432 dbname=postgres user=" + user;
    return PQconnectdb(info.c_str());
}

// The hostile role and an ordinary login, for the races.
const char* const kRoles = "CREATE ROLE planteur LOGIN; GRANT CREATE ON SCHEMA public TO planteur; CREATE ROLE lecteur LOGIN;\n";

class DatabaseSecurityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        // The tests' own database, not the shipped sample's.
        std::filesystem::copy_file(std::filesystem::path(CAROTIX_TEST_DATA_DIR) / "carotix.db", program_ / "carotix.db",
                                   std::filesystem::copy_options::overwrite_existing);
        fake_.SetAutoOk(true);
    }
    void TearDown() override { OptionsRelease(); }

    void UseSample()
    {
        db_.AliasName = kSqliteAlias;
        db_.Params = {"DATABASE NAME=carotix.db"};
        db_.BaseFolder = program_.path();
    }
    void UseServer(const PostgresServer& server)
    {
        db_.AliasName = kPostgresAlias;
        db_.Params = server.Params();
    }
    void OpenAs(const PostgresServer& server, const std::string& login)
    {
        UseServer(server);
        db_.Params.back() = "USER NAME=" + login;
        db_.Open();
    }
    // The first field of each row `sql` reads, or its failure's message.
    std::string Read(const std::string& sql)
    {
        TQuery query(db_);
        query.SQL = sql;
        std::string got;
        try {
            for (query.Open(); !query.Eof(); query.Next()) got += (got.empty() ? "" : " ") + std::string(query.Field(0).text);
        } catch (const EDatabaseError& error) {
            got = error.what();
        }
        return got;
    }
    // The rows the ouvrage F of the borehole has in the levels table.
    int OwnLevels()
    {
        TQuery q(db_);
        q.SQL = "SELECT COUNT(*) FROM NIVEAU WHERE INDICE = ? AND DESIGNATION = ?";
        q.Values = {kIndice, "F"};
        q.Open();
        return std::stoi(std::string(q.Field(0).text));
    }
    // The levels the download brings for the ouvrage F.
    int DownloadedLevels() { return std::stoi(Downloaded("Niveau")); }
    // The rows the download brings for the ouvrage F into `table`, or its
    // failure's message.
    std::string Downloaded(const std::string& table)
    {
        TDirBlock root("Carotix");
        try {
            FillTableFromDatabase(db_, root, kIndice, "F", table);
        } catch (const EDatabaseError& e) {
            return e.what();
        }
        const TDirBlock* rows = root.FindDir(std::string(kIndice) + "\\" + table);
        return std::to_string(rows ? rows->RowCount() : 0);
    }

    TempProgramDir program_;
    FakeUiServices fake_{[](const std::string& m) { ADD_FAILURE() << m; }};
    ScopedUi ui_{fake_};
    TDatabase db_;
};

}  // namespace

TEST_F(DatabaseSecurityTest, WhereOfSqlIniOnlyNarrowsTheOuvragesRows)
{
    IniSql->WriteString("NIVEAU=Niveau", "WHERE", "TYPE_NIVEAU = 'FORAGE' OR TYPE_NIVEAU = 'COUPE'");
    PostgresServer server;
    const bool withServer = server.Start();
    for (const bool onServer : {false, true}) {
        if (onServer && !withServer) GTEST_SKIP() << "PostgreSQL part skipped: " << server.Problem();
        if (onServer) UseServer(server);
        else UseSample();
        db_.Open();
        const int own = OwnLevels();
        EXPECT_GT(own, 1);
        EXPECT_EQ(DownloadedLevels(), own) << (onServer ? "PostgreSQL" : "SQLite");
        db_.Close();
    }
}

TEST_F(DatabaseSecurityTest, PlantedFunctionsAndOperatorsNeverRun)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    // Another role that may create objects in public plants functions and an
    // operator whose argument types match the program's calls exactly.
    ASSERT_TRUE(server.RunSql(
        "CREATE ROLE planteur LOGIN; GRANT CREATE ON SCHEMA public TO planteur; SET ROLE planteur;\n"
        "CREATE FUNCTION public.to_char(date, text) RETURNS text LANGUAGE plpgsql AS "
        "$$BEGIN RAISE EXCEPTION 'planted to_char'; END$$;\n"
        "CREATE FUNCTION public.upper(varchar) RETURNS text LANGUAGE plpgsql AS "
        "$$BEGIN RAISE EXCEPTION 'planted upper'; END$$;\n"
        "CREATE FUNCTION public.planted_eq(varchar, text) RETURNS boolean LANGUAGE plpgsql AS "
        "$$BEGIN RAISE EXCEPTION 'planted ='; END$$;\n"
        "CREATE OPERATOR public.= (LEFTARG = varchar, RIGHTARG = text, FUNCTION = public.planted_eq);\n"
        "RESET ROLE;\n"
        // Tables found through the role's own search path stay found.
        "CREATE SCHEMA terrain; CREATE TABLE terrain.forage AS SELECT INDICE FROM public.OUVRAGE;\n"
        "ALTER ROLE postgres SET search_path = \"$user\", terrain, public;"));
    // With the ordinary search path, each plant is reached.
    EXPECT_FALSE(server.RunSql("SELECT to_char(DATE_EAU, 'dd/mm/yyyy') FROM OUVRAGE;"));
    EXPECT_FALSE(server.RunSql("SELECT upper(NATURE) FROM OUVRAGE;"));
    EXPECT_FALSE(server.RunSql("SELECT 1 FROM OUVRAGE WHERE INDICE = 'x'::text;"));

    UseServer(server);
    db_.Open();
    // The shipped sql.ini, with conditions calling UPPER and "=".
    IniSql->WriteString("NIVEAU=Niveau", "WHERE", "UPPER(TYPE_NIVEAU) IN ('COUPE', 'FORAGE') OR LITHO = 'x'");
    IniSql->WriteString("OUVRAGE=Ouvrage", "WHERE", "UPPER(NATURE) = 'FORAGE'");
    EXPECT_EQ(DownloadedLevels(), OwnLevels());
    TDirBlock root("Carotix");
    FillSheetFromDatabase(db_, root, kIndice, "F", "Ouvrage");
    EXPECT_EQ(root.GetPathString(std::string(kIndice) + "\\Ouvrage\\DateEau", 0), "20040617");
    EXPECT_EQ(root.GetPathString(std::string(kIndice) + "\\Ouvrage\\Nature", 0), "FORAGE");
    TQuery q(db_);
    q.SQL = "SELECT TO_CHAR(DATE_EAU, 'dd/mm/yyyy'), UPPER(NATURE), COUNT(F.INDICE) FROM OUVRAGE O "
            "JOIN forage F ON F.INDICE = O.INDICE WHERE O.INDICE = CAST(? AS text) AND NATURE = ? "
            "GROUP BY DATE_EAU, NATURE";
    q.Values = {kIndice, "FORAGE"};
    ASSERT_NO_THROW(q.Open());
    EXPECT_EQ(q.Field(0).text, "17/06/2004");
    EXPECT_EQ(q.Field(1).text, "FORAGE");
    EXPECT_EQ(q.Field(2).text, "1");
}

TEST_F(DatabaseSecurityTest, BackslashesReadAsTheChecksReadThem)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    ASSERT_TRUE(server.RunSql("ALTER ROLE postgres SET standard_conforming_strings = off; SELECT lo_from_bytea(4242, 'x');"));
    ASSERT_TRUE(server.RunSql("DO $$BEGIN IF current_setting('standard_conforming_strings') <> 'off' THEN "
                              "RAISE EXCEPTION 'on'; END IF; END$$;"));
    const std::string folder = server.Params().front().substr(std::string("SERVER NAME=").size());
    UseServer(server);
    db_.Open();
    // Read with escapes, the text after "a\" would run lo_export as code and
    // write a file on the server.
    for (const char* end : {" = 1 --'", " = 1) --'"}) {
        const std::string file = folder + "/ecrit" + std::to_string(end[4] == ')' ? 2 : 1);
        IniSql->WriteString("NIVEAU=Niveau", "WHERE",
                            "LITHO = 'a\\' OR LITHO = ' OR lo_export(4242, $$" + file + "$$)" + end);
        EXPECT_EQ(DownloadedLevels(), 0) << end;
        EXPECT_FALSE(std::filesystem::exists(file)) << end;
    }
    // A backslash is itself.
    TQuery q(db_);
    q.SQL = "SELECT 'a\\', current_setting('standard_conforming_strings')";
    q.Open();
    EXPECT_EQ(q.Field(0).text, "a\\");
    EXPECT_EQ(q.Field(1).text, "on");
}

// A hostile role squats a schema named like each login, owns a view in a
// schema of the path, turns a table it owns into a view by a rule and puts a
// row-security policy on another, gives a column of a table it owns a type
// whose cast is its function: with the shipped sql.ini, none of its code
// runs (its function leaves a line in the server's log), as the superuser or
// as an ordinary login, while a table it owns without policy still downloads.
TEST_F(DatabaseSecurityTest, AnotherRolesCodeNeverRuns)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    ASSERT_TRUE(server.RunSql(
        "CREATE ROLE planteur LOGIN; GRANT CREATE ON DATABASE postgres TO planteur;\n"
        "CREATE FOREIGN DATA WRAPPER vide; GRANT USAGE ON FOREIGN DATA WRAPPER vide TO planteur;\n"
        "GRANT CREATE ON SCHEMA public TO planteur; GRANT SELECT ON ALL TABLES IN SCHEMA public TO planteur;\n"
        "CREATE ROLE lecteur LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA public TO lecteur;\n"
        // A login with a schema of its own, which it finds first.
        "CREATE ROLE geologue LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA public TO geologue;\n"
        "CREATE SCHEMA geologue AUTHORIZATION geologue; CREATE TABLE geologue.niveau AS SELECT * FROM NIVEAU "
        "WHERE INDICE = '0385-2X-0041' AND DESIGNATION = 'F' LIMIT 2; ALTER TABLE geologue.niveau OWNER TO geologue;\n"
        "ALTER TABLE NIVEAU OWNER TO planteur; ALTER TABLE TROU_NU OWNER TO planteur;\n"
        "ALTER TABLE POMPAGE OWNER TO planteur; ALTER TABLE ANNULAIRE OWNER TO planteur;\n"
        "SET ROLE planteur;\n"
        "CREATE FUNCTION public.trace(tag text) RETURNS boolean LANGUAGE plpgsql AS "
        "$$BEGIN RAISE LOG 'carotix-planted %', tag; RETURN true; END$$;\n"
        "CREATE SCHEMA postgres; CREATE SCHEMA lecteur; CREATE SCHEMA terrain;\n"
        "GRANT USAGE ON SCHEMA postgres, lecteur, terrain TO PUBLIC;\n"
        // A type of its own whose cast to text is its function.
        "CREATE TYPE terrain.repere AS ENUM ('F', 'P1');\n"
        "CREATE FUNCTION terrain.texte(terrain.repere) RETURNS text LANGUAGE plpgsql AS "
        "$$BEGIN PERFORM public.trace('annulaire'); RETURN 'F'; END$$;\n"
        "CREATE CAST (terrain.repere AS text) WITH FUNCTION terrain.texte(terrain.repere) AS IMPLICIT;\n"
        "ALTER TABLE ANNULAIRE ALTER COLUMN DESIGNATION TYPE terrain.repere USING DESIGNATION::text::terrain.repere;\n"
        // Its own tables, one inherited and one partitioned by a foreign table.
        "CREATE SERVER ailleurs FOREIGN DATA WRAPPER vide; CREATE TABLE terrain.mesure (x int);\n"
        "CREATE FOREIGN TABLE terrain.mesure_distante () INHERITS (terrain.mesure) SERVER ailleurs;\n"
        "CREATE TABLE terrain.releve (x int) PARTITION BY RANGE (x);\n"
        "CREATE FOREIGN TABLE terrain.releve_distant PARTITION OF terrain.releve FOR VALUES FROM (0) TO (9) SERVER ailleurs;\n"
        "GRANT SELECT ON terrain.mesure, terrain.releve TO PUBLIC;\n"
        "CREATE VIEW postgres.niveau AS SELECT * FROM public.niveau WHERE public.trace('niveau');\n"
        "CREATE VIEW postgres.ouvrage AS SELECT INDICE, DESIGNATION, 'FAUX'::varchar AS NATURE, USAGE_EAU, "
        "ZONE_LAMBERT, X, Y, Z, PROF, PROF_EAU, DATE_EAU, DIAM_TUBE, ETAT FROM public.ouvrage WHERE public.trace('ouvrage');\n"
        "CREATE VIEW lecteur.niveau AS SELECT * FROM public.niveau WHERE public.trace('niveau');\n"
        "CREATE VIEW terrain.tubage AS SELECT * FROM public.tubage WHERE public.trace('tubage');\n"
        "GRANT SELECT ON ALL TABLES IN SCHEMA postgres, lecteur, terrain TO PUBLIC;\n"
        "CREATE TABLE public.trou_nu_copie AS SELECT * FROM public.trou_nu; DELETE FROM public.trou_nu;\n"
        "CREATE RULE \"_RETURN\" AS ON SELECT TO public.trou_nu DO INSTEAD "
        "SELECT * FROM public.trou_nu_copie WHERE public.trace('trou_nu');\n"
        "ALTER TABLE POMPAGE ENABLE ROW LEVEL SECURITY; CREATE POLICY tous ON POMPAGE USING (public.trace('pompage'));\n"
        // A table the database owner's view reads, made a view afterwards; a
        // domain named like an alias's column; a two-level partition.
        "CREATE TABLE terrain.source (x int); INSERT INTO terrain.source VALUES (1); GRANT SELECT ON terrain.source TO PUBLIC;\n"
        "CREATE SCHEMA h; GRANT USAGE ON SCHEMA h TO PUBLIC; CREATE TABLE h.data (indice text, val text);\n"
        "INSERT INTO h.data VALUES ('a', 'b'); GRANT SELECT ON h.data TO PUBLIC;\n"
        "CREATE DOMAIN h.val AS text CHECK (public.trace('val'));\n"
        "CREATE TABLE terrain.etage (x int) PARTITION BY RANGE (x);\n"
        "CREATE TABLE terrain.etage_a PARTITION OF terrain.etage FOR VALUES FROM (0) TO (9) PARTITION BY RANGE (x);\n"
        "CREATE FOREIGN TABLE terrain.etage_b PARTITION OF terrain.etage_a FOR VALUES FROM (0) TO (5) SERVER ailleurs;\n"
        "GRANT SELECT ON terrain.etage, terrain.mesure_distante TO PUBLIC;\n"
        // Its plain tables whose index, partial index, partition key,
        // statistics or inherited CHECK holds its function: the planner
        // folds a call with constant arguments as it plans the read (the
        // trace is left only by a reader, not as the tables are made).
        "CREATE FUNCTION h.un(tag text) RETURNS int LANGUAGE plpgsql IMMUTABLE AS "
        "$$BEGIN IF current_user <> 'planteur' THEN PERFORM public.trace(tag); END IF; RETURN 1; END$$;\n"
        "CREATE TABLE h.indexee (x int); CREATE INDEX ON h.indexee ((x + h.un('index')));\n"
        "CREATE TABLE h.partielle (x int); CREATE INDEX ON h.partielle (x) WHERE h.un('partielle') > 0;\n"
        "CREATE TABLE h.cle (x int) PARTITION BY RANGE ((x + h.un('cle')));\n"
        "CREATE TABLE h.cle_a PARTITION OF h.cle FOR VALUES FROM (0) TO (9);\n"
        "CREATE TABLE h.stats (x int); CREATE STATISTICS h.stats_x ON (x + h.un('stats')), x FROM h.stats;\n"
        "CREATE TABLE h.parent (x int); CREATE TABLE h.enfant (CHECK (h.un('check') > 0)) INHERITS (h.parent);\n"
        "CREATE INDEX ON h.data (indice); GRANT SELECT ON ALL TABLES IN SCHEMA h TO PUBLIC;\n"
        "RESET ROLE;\n"
        "CREATE TABLE public.propre (x int); INSERT INTO public.propre VALUES (3); CREATE INDEX ON public.propre ((abs(x)));\n"
        "GRANT SELECT ON public.propre TO PUBLIC;\n"
        "CREATE VIEW public.vue_sure AS SELECT x FROM terrain.source; GRANT SELECT ON public.vue_sure TO PUBLIC;\n"
        "CREATE VIEW public.vue_fonction AS SELECT public.trace('fonction') AS t; GRANT SELECT ON public.vue_fonction TO PUBLIC;\n"
        "SET ROLE planteur; CREATE TABLE terrain.source_copie AS SELECT * FROM terrain.source; DELETE FROM terrain.source;\n"
        "CREATE RULE \"_RETURN\" AS ON SELECT TO terrain.source DO INSTEAD "
        "SELECT * FROM terrain.source_copie WHERE public.trace('source'); RESET ROLE;\n"
        // A table of a group the ordinary login belongs to, with row security.
        "CREATE ROLE equipe; GRANT equipe TO lecteur; CREATE TABLE public.releve_equipe (x int);\n"
        "INSERT INTO public.releve_equipe VALUES (7); ALTER TABLE public.releve_equipe OWNER TO equipe;\n"
        "ALTER TABLE public.releve_equipe ENABLE ROW LEVEL SECURITY; GRANT SELECT ON public.releve_equipe TO lecteur;\n"
        "CREATE POLICY tous ON public.releve_equipe USING (public.trace('equipe'));\n"
        "ALTER ROLE postgres SET search_path = \"$user\", terrain, public;\n"
        "ALTER ROLE lecteur SET search_path = \"$user\", terrain, public;"));
    const std::string q = "\xC2\xAB ", e = " \xC2\xBB";
    const std::string notSent = " ; la requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e.";
    const std::string notRead = " n'est pas lue : seules le sont les vues et tables externes de l'utilisateur "
                                "connect\xC3\xA9 (ou d'un r\xC3\xB4le dont il est membre), d'un superutilisateur ou du "
                                "propri\xC3\xA9taire de la base" + notSent;
    struct Case {
        const char* login;
        const char* table;
        std::string expected;  // rows, or the message
    };
    const Case cases[] = {
        {"postgres", "Niveau", "6"},  // in public, not in the squatted schema
        {"postgres", "Tubage", "La vue " + q + "terrain.tubage" + e + " (r\xC3\xB4le " + q + "planteur" + e + ")" + notRead},
        {"postgres", "Trou-nu", "La vue " + q + "public.trou_nu" + e + " (r\xC3\xB4le " + q + "planteur" + e + ")" + notRead},
        // A superuser reads as pg_read_all_data, which policies apply to.
        {"postgres", "Pompage", Refusal("La table", "public.pompage", kPolicyUnread)},
        {"postgres", "Annulaire", "La table " + q + "public.annulaire" + e + " (r\xC3\xB4le " + q + "planteur" + e +
                                      ") a une colonne du type " + q + "terrain.repere" + e +
                                      ", qu'une fonction du r\xC3\xB4le " + q + "planteur" + e + " convertit" + notSent},
        {"lecteur", "Niveau", "6"},    // another role's table, without policy
        {"geologue", "Niveau", "2"},   // in the schema the login owns
        {"lecteur", "Tubage", "La vue " + q + "terrain.tubage" + e + " (r\xC3\xB4le " + q + "planteur" + e + ")" + notRead},
        {"lecteur", "Pompage", "La table " + q + "public.pompage" + e + " (r\xC3\xB4le " + q + "planteur" + e +
                                   ") a une s\xC3\xA9" "curit\xC3\xA9 par ligne qui s'appliquerait \xC3\xA0 "
                                   "l'utilisateur connect\xC3\xA9" + notSent},
    };
    for (const Case& c : cases) {
        UseServer(server);
        db_.Params.back() = std::string("USER NAME=") + c.login;
        db_.Open();
        EXPECT_EQ(Downloaded(c.table), c.expected) << c.login << " " << c.table;
        TDirBlock root("Carotix");
        FillSheetFromDatabase(db_, root, kIndice, "F", "Ouvrage");
        EXPECT_EQ(root.GetPathString(std::string(kIndice) + "\\Ouvrage\\Nature", 0), "FORAGE") << c.login;
        db_.Close();
    }
    // Everything a query reaches, at any depth, as each login.
    const std::string typeRefused = " \xC2\xBB, qui n'est pas un type du serveur : elle n'est pas envoy\xC3\xA9" "e.";
    const Case reached[] = {
        {"postgres", "SELECT x FROM public.vue_sure", Refusal("La vue", "terrain.source", kNotRead)},
        {"lecteur", "SELECT x FROM public.vue_sure", Refusal("La vue", "terrain.source", kNotRead)},
        {"lecteur", "SELECT t FROM public.vue_fonction", Refusal("La fonction", "public.trace", kNotCalled)},
        {"lecteur", "SELECT h.indice, 'x'::h.val FROM h.data h", "La requ\xC3\xAAte convertit en " + q + "h.val" + typeRefused},
        {"postgres", "SELECT h.indice, CAST('x' AS h.val) FROM h.data h",
         "La requ\xC3\xAAte convertit en " + q + "h.val" + typeRefused},
        {"postgres", "SELECT h.indice, 'x'::pg_catalog.text FROM h.data h", "a"},
        {"lecteur", "SELECT x FROM terrain.mesure_distante", Refusal("La table externe", "terrain.mesure_distante", kNotRead)},
        {"lecteur", "SELECT x FROM terrain.etage", Refusal("La table externe", "terrain.etage_b", kNotRead)},
        {"lecteur", "SELECT x FROM public.releve_equipe", "7"},
        {"postgres", "SELECT x FROM public.releve_equipe", Refusal("La table", "public.releve_equipe", kPolicyUnread, "equipe")},
        {"lecteur", "SELECT x FROM h.indexee", Refusal("La fonction", "h.un", kNotCalled)},
        {"lecteur", "SELECT x FROM h.partielle WHERE x = 1", Refusal("La fonction", "h.un", kNotCalled)},
        {"postgres", "SELECT x FROM h.cle", Refusal("La fonction", "h.un", kNotCalled)},
        {"lecteur", "SELECT x FROM h.stats", Refusal("La fonction", "h.un", kNotCalled)},
        {"lecteur", "SELECT x FROM h.parent", Refusal("La fonction", "h.un", kNotCalled)},
        {"postgres", "SELECT indice FROM h.data WHERE indice = 'a'", "a"},  // a plain index of another role
        {"lecteur", "SELECT x FROM public.propre WHERE pg_catalog.abs(x) = 3", "3"},
    };
    for (const Case& c : reached) {
        OpenAs(server, c.login);
        EXPECT_EQ(Read(c.table), c.expected) << c.login << " " << c.table;
        db_.Close();
    }
    UseServer(server);
    db_.Open();
    for (const char* table : {"mesure", "releve"}) {
        TQuery query(db_);
        query.SQL = std::string("SELECT * FROM terrain.") + table;
        std::string message;
        try {
            query.Open();
        } catch (const EDatabaseError& error) {
            message = error.what();
        }
        EXPECT_EQ(message, "La table externe " + q + "terrain." + table + (table[0] == 'm' ? "_distante" : "_distant") +
                               e + " (r\xC3\xB4le " + q + "planteur" + e + ")" + notRead);
    }
    db_.Close();
    EXPECT_EQ(server.Log().find("carotix-planted"), std::string::npos) << server.Log();
    // The trace is seen when the function does run.
    EXPECT_TRUE(server.RunSql("SELECT COUNT(*) FROM TROU_NU;"));
    EXPECT_NE(server.Log().find("carotix-planted trou_nu"), std::string::npos);
}

// A table of another role that downloads once and is then made a view by its
// owner is looked at again by the next query on the same connection.
TEST_F(DatabaseSecurityTest, ARelationChangedAfterItsCheckIsCheckedAgain)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    ASSERT_TRUE(server.RunSql("CREATE ROLE planteur LOGIN; GRANT CREATE ON SCHEMA public TO planteur;\n"
                              "ALTER TABLE TROU_NU OWNER TO planteur;"));
    UseServer(server);
    db_.Open();
    EXPECT_EQ(Downloaded("Trou-nu"), "2");
    ASSERT_TRUE(server.RunSql(
        "SET ROLE planteur; CREATE TABLE public.trou_nu_copie AS SELECT * FROM public.trou_nu;\n"
        "CREATE FUNCTION public.trace(tag text) RETURNS boolean LANGUAGE plpgsql AS "
        "$$BEGIN RAISE LOG 'carotix-planted %', tag; RETURN true; END$$;\n"
        "DELETE FROM public.trou_nu; CREATE RULE \"_RETURN\" AS ON SELECT TO public.trou_nu DO INSTEAD "
        "SELECT * FROM public.trou_nu_copie WHERE public.trace('trou_nu');"));
    EXPECT_NE(Downloaded("Trou-nu"), "2");
    db_.Close();
    EXPECT_EQ(server.Log().find("carotix-planted"), std::string::npos) << server.Log();
}

// A role that owns a table swaps a view of its own onto the table's name, in
// a loop on its own connection, while the program reads that name again and
// again, as an ordinary and as a superuser login: whatever the name means at
// each moment, the read reads the table or is refused in French, and the
// view's function never runs (checked and read are one step).
TEST_F(DatabaseSecurityTest, AViewSwappedOntoATablesNameNeverRuns)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    ASSERT_TRUE(server.RunSql(
        std::string(kRoles) + "SET ROLE planteur;\n"
        "CREATE FUNCTION public.trace(tag text) RETURNS boolean LANGUAGE plpgsql AS "
        "$$BEGIN RAISE LOG 'carotix-planted %', tag; RETURN true; END$$;\n"
        "CREATE TABLE public.jeu (x int); INSERT INTO public.jeu VALUES (1);\n"
        "CREATE VIEW public.jeu_vue AS SELECT 2 AS x WHERE public.trace('jeu');\n"
        "GRANT SELECT ON public.jeu, public.jeu_vue TO PUBLIC;"));
    PGconn* swapper = ConnectAs(server, "planteur");
    ASSERT_EQ(PQstatus(swapper), CONNECTION_OK) << PQerrorMessage(swapper);
    std::atomic<bool> stop{false};
    std::atomic<int> swaps{0}, failures{0};
    std::thread swapping([&] {
        const char* const swap[] = {
            "BEGIN; ALTER TABLE public.jeu RENAME TO jeu_table; ALTER VIEW public.jeu_vue RENAME TO jeu; COMMIT;",
            "BEGIN; ALTER VIEW public.jeu RENAME TO jeu_vue; ALTER TABLE public.jeu_table RENAME TO jeu; COMMIT;"};
        for (int i = 0; !stop; ++i) {
            PGresult* r = PQexec(swapper, swap[i % 2]);
            ++(PQresultStatus(r) == PGRES_COMMAND_OK ? swaps : failures);
            PQclear(r);
        }
    });
    const std::string refused = Refusal("La vue", "public.jeu", kNotRead);
    for (const char* login : {"lecteur", "postgres"}) {
        OpenAs(server, login);
        int read = 0, refusals = 0;
        std::map<std::string, int> other;
        for (int i = 0; i < 1000; ++i) {
            const std::string got = Read("SELECT x FROM public.jeu");
            ++(got == "1" ? read : got == refused ? refusals : other[got]);
        }
        db_.Close();
        EXPECT_TRUE(other.empty()) << login << ": " << other.size() << " other outcomes, first " << other.begin()->first;
        EXPECT_GT(read, 0) << login;
        EXPECT_GT(refusals, 0) << login;  // the view did stand under the name
    }
    stop = true;
    swapping.join();
    PQfinish(swapper);
    EXPECT_GT(swaps, 0);
    EXPECT_EQ(failures, 0);
    const std::string log = server.Log();
    EXPECT_EQ(log.find("carotix-planted"), std::string::npos) << log.substr(log.find("carotix-planted"), 300);
}

// With a superuser login, a read runs without the superuser's powers: a
// function of the database's owner, in the owner's view (both trusted), that
// tries to run a program on the server and to write a file there fails to,
// while the read and a plain table's read go on.
TEST_F(DatabaseSecurityTest, ASuperusersReadCannotRunProgramsOnTheServer)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    const std::string ran = ServerFolder(server) + "/programme_lance", written = ServerFolder(server) + "/fichier_ecrit";
    ASSERT_TRUE(server.RunSql(
        "CREATE FUNCTION public.essai() RETURNS text LANGUAGE plpgsql AS $$DECLARE done text := ''; BEGIN\n"
        "BEGIN EXECUTE 'COPY (SELECT 1) TO PROGRAM ''touch " + ran + "'''; done := done || 'programme '; "
        "EXCEPTION WHEN OTHERS THEN NULL; END;\n"
        "BEGIN EXECUTE 'COPY (SELECT 1) TO ''" + written + "'''; done := done || 'fichier '; "
        "EXCEPTION WHEN OTHERS THEN NULL; END;\n"
        "RETURN done || current_user; END$$;\n"
        "CREATE VIEW public.vue_essai AS SELECT public.essai() AS fait;"));
    // The function does both when a superuser runs it.
    ASSERT_TRUE(server.RunSql("SELECT * FROM public.vue_essai;"));
    for (const std::string& file : {ran, written}) ASSERT_TRUE(std::filesystem::remove(file)) << file;

    OpenAs(server, "postgres");
    EXPECT_EQ(Read("SELECT fait FROM public.vue_essai"), "pg_read_all_data");
    EXPECT_FALSE(std::filesystem::exists(ran));
    EXPECT_FALSE(std::filesystem::exists(written));
    EXPECT_EQ(DownloadedLevels(), OwnLevels());
    db_.Close();
}

// Inheriting tables are locked only as a read is planned: a role that makes
// its foreign table a child of its own table while a read waits for that
// table's lock (past the checks) adds a child the checks did not see. The
// read looks again before it hands back a record, so the child's rows (a
// file's, here) are never returned.
TEST_F(DatabaseSecurityTest, AChildAddedDuringAReadIsNeverReturned)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    const std::string forged = ServerFolder(server) + "/faux.csv";
    WriteFileBytes(forged, "99\n");
    std::filesystem::permissions(forged, std::filesystem::perms::all);
    if (!server.RunSql("CREATE EXTENSION file_fdw;")) GTEST_SKIP() << "PostgreSQL test skipped: no file_fdw";
    ASSERT_TRUE(server.RunSql(
        std::string(kRoles) +
        "CREATE SERVER fichiers FOREIGN DATA WRAPPER file_fdw; GRANT USAGE ON FOREIGN SERVER fichiers TO planteur;\n"
        "CREATE FOREIGN TABLE public.faux (x int) SERVER fichiers OPTIONS (filename '" + forged + "', format 'csv');\n"
        "ALTER FOREIGN TABLE public.faux OWNER TO planteur;\n"
        "SET ROLE planteur; CREATE TABLE public.base (x int); INSERT INTO public.base VALUES (1);\n"
        "CREATE TABLE public.enfant () INHERITS (public.base); INSERT INTO public.enfant VALUES (2);\n"
        "GRANT SELECT ON public.base, public.enfant, public.faux TO PUBLIC;"));
    PGconn* hostile = ConnectAs(server, "planteur");
    ASSERT_EQ(PQstatus(hostile), CONNECTION_OK) << PQerrorMessage(hostile);
    bool added = false;
    std::thread adding([&] {
        PQclear(PQexec(hostile, "BEGIN; LOCK TABLE public.enfant IN ACCESS EXCLUSIVE MODE; "
                                "ALTER FOREIGN TABLE public.faux INHERIT public.enfant;"));
        // Once the read waits for the child's lock, the new child is committed.
        for (int i = 0; i < 1000 && !added; ++i) {
            PGresult* r = PQexec(hostile, "SELECT 1 FROM pg_locks WHERE NOT granted AND relation = 'public.enfant'::regclass");
            added = PQntuples(r) == 1;
            PQclear(r);
            if (!added) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        PQclear(PQexec(hostile, "COMMIT;"));
    });
    for (const char* login : {"lecteur", "postgres"}) {
        OpenAs(server, login);
        EXPECT_EQ(Read("SELECT x FROM public.base ORDER BY x"), Refusal("La table externe", "public.faux", kNotRead)) << login;
        db_.Close();
        if (adding.joinable()) {
            adding.join();
            EXPECT_TRUE(added);  // the read did wait past its checks
        }
    }
    PQfinish(hostile);
}
