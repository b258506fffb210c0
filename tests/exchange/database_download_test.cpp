// The database link and download: the SQL texts built from sql.ini, the
// download of an ouvrage into a collection (designation check, sheets and
// tables, lexicons of edition.ini), the lexicon and stratigraphy imports, and
// the same download against a PostgreSQL server.
#include "exchange/database_download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "exchange/database_link.h"
#include <sqlite3.h>
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "child_process.h"
#include "postgres_server.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"
#include "tree_text.h"

namespace {

const std::string kDesign = "D\xC3\xA9sign";

struct FakeHost : DownloadHost {
    TDirBlock root{"Carotix"};
    MsgResult answer = MsgResult::Yes;
    int choice = 0;
    std::vector<std::string> lines;
    int dialogs = 0, redraws = 0, refreshes = 0;
    std::string shown;

    void Add(const std::string& indice, const std::string& design)
    {
        const int row = root.FindDir(indice + "\\Ouvrage") ? root.FindDir(indice + "\\Ouvrage")->RowCount() : 0;
        root.SetPathString(indice + "\\Ouvrage\\" + kDesign, row, btString, design);
    }
    TDirBlock& Root() override { return root; }
    bool HasOuvrage(const std::string& i, const std::string& d) override
    {
        return root.IndexOfPathString(i + "\\Ouvrage\\" + kDesign, d) >= 0;
    }
    void RefreshList() override
    {
        ++refreshes;
        if (failAt == "liste") failure();
    }
    // Fails after the named sheet or table was filled ("liste": the list's refresh).
    std::string failAt;
    std::function<void()> failure;
    void SheetFromDatabase(TDatabase& d, const std::string& i, const std::string& g, const std::string& t) override
    {
        DownloadHost::SheetFromDatabase(d, i, g, t);
        if (t == failAt) failure();
    }
    void TableFromDatabase(TDatabase& d, const std::string& i, const std::string& g, const std::string& t) override
    {
        DownloadHost::TableFromDatabase(d, i, g, t);
        if (t == failAt) failure();
    }
    void FillView(const std::string& i, const std::string& d) override { shown = i + "/" + d; }
    void RedrawLog() override { ++redraws; }
    MsgResult ChooseDesignation(const std::string&, const std::vector<std::string>& l, int& chosen) override
    {
        ++dialogs;
        lines = l;
        chosen = choice;
        return answer;
    }
};

struct FakeProgress : ImportProgress {
    int maximum = -1, position = 0;
    bool finished = false;
    void Start(const std::string&, int, int max) override { maximum = max; }
    void Step(int p) override { position = p; }
    void Finish() override { finished = true; }
};

class DatabaseDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        // The tests' own database, not the shipped sample's.
        std::filesystem::copy_file(std::filesystem::path(CAROTIX_TEST_DATA_DIR) / "carotix.db", program_ / "carotix.db",
                                   std::filesystem::copy_options::overwrite_existing);
        fake_.SetAutoOk(true);
        db_.AliasName = kSqliteAlias;
        db_.Params = {"DATABASE NAME=carotix.db"};
        db_.BaseFolder = program_.path();
    }
    void TearDown() override
    {
        EXPECT_EQ(fake_.BusyDepth(), 0);
        OptionsRelease();
    }
    void WriteSqlIni(const std::string& text) { WriteFileBytes(program_ / "sql.ini", text); }

    TempProgramDir program_;
    FakeUiServices fake_{[](const std::string& m) { ADD_FAILURE() << m; }};
    ScopedUi ui_{fake_};
    ScopedDecimalSeparator comma_{','};
    TDatabase db_;
};

TFieldDef Def(const std::string& path, char kind, int width)
{
    TFieldDef d;
    d.Name = d.Path = path;
    d.Kind = kind;
    d.Width = width;
    return d;
}

// Downloads the ouvrage with the embedded database or the given one.
void CheckDownloadedBorehole(FakeHost& host)
{
    // Every level record, sorted by depth; database words become the codes of
    // the edition.ini lexicons; dates as stored.
    const std::string b = "0385-2X-0041\\";
    ExpectTreeLines(host.root,
                    {b + "Ouvrage\\Nature=FORAGE", b + "Ouvrage\\Zone=6", b + "Ouvrage\\X=352980,5",
                     b + "Ouvrage\\DateEau=20040617", b + "Dossier\\Commune=GUICHEN",
                     b + "Dossier\\Entrepreneur=Forages de l'Ouest", b + "Dossier\\DateDossier=20040210",
                     b + "Niveau\\" + kDesign + "=F|F|F|F|F|F",
                     b + "Niveau\\Litho=Terre v\xC3\xA9g\xC3\xA9tale brune|Limon argileux ocre|Sable moyen jaune \xC3\xA0 "
                         "graviers|Schiste alt\xC3\xA9r\xC3\xA9 gris-vert|Schiste sain gris bleu, fissur\xC3\xA9|Terrain meuble",
                     b + "Trou-nu\\M\xC3\xA9thode=1|2", b + "Tubage\\Type=10|1|2|5", b + "Tubage\\TypeCrep=||3|",
                     b + "Annulaire\\Texture=||2", b + "Pompage\\DateDeb=01/06/2004|07/06/2004",
                     b + "Pompage\\Debit=45,5|60"});
    const TDirBlock& r = host.root;
    // Tables that nothing fills are not left behind.
    EXPECT_EQ(r.FindDir(b + "Doc"), nullptr);
    EXPECT_EQ(r.FindDir(b + "Exec"), nullptr);
    EXPECT_EQ(host.shown, "0385-2X-0041/F");
    EXPECT_EQ(host.redraws, 1);
}

}  // namespace

TEST_F(DatabaseDownloadTest, QueriesFollowSqlIni)
{
    WriteSqlIni("[OUV_NIV=Niveau]\r\nDESIGNATION=\r\nPROF_DEB=Deb\r\nDATE_OBS=DateObs\r\nINCONNU=Rien\r\n"
                "[Niveau]\r\nfrom=NIV N\r\nwhere=N.TYPE = 'COUPE'\r\nD8=Court\r\nE4=Jour\r\n"
                "[FICHE=Ouvrage]\r\nDESIGNATION=\r\nFROM=FICHE F JOIN X ON 1=1\r\nPROF=Prof\r\n"
                "[VIDE=Niveau]\r\nINCONNU=Rien\r\n");
    const TStructTable defs = {Def("Deb", 'F', 8), Def("DateObs", 'D', 10), Def("Court", 'D', 8), Def("Jour", 'E', 4)};
    EXPECT_EQ(SqlSectionsForTable("Niveau"), (std::vector<std::string>{"OUV_NIV=Niveau", "Niveau", "VIDE=Niveau"}));
    EXPECT_EQ(BuildSpreadsheetQuery("OUV_NIV=Niveau", defs, "B12", "F").text.Display(),
              "SELECT PROF_DEB, TO_CHAR(DATE_OBS,'dd/mm/yyyy') FROM OUV_NIV WHERE INDICE = 'B12' AND DESIGNATION = 'F';");
    const SectionQuery q = BuildSpreadsheetQuery("Niveau", defs, "L'ILE", "F");
    EXPECT_EQ(q.text.sql, "SELECT TO_CHAR(D8,'dd/mm/yy'), TO_CHAR(E4,'dd/mm/') FROM NIV N WHERE INDICE = ? AND (N.TYPE = 'COUPE');");
    EXPECT_EQ(q.text.Display(), "SELECT TO_CHAR(D8,'dd/mm/yy'), TO_CHAR(E4,'dd/mm/') FROM NIV N WHERE INDICE = 'L''ILE' AND (N.TYPE = 'COUPE');");
    EXPECT_EQ(q.defs, (std::vector<int>{2, 3}));
    EXPECT_TRUE(BuildSpreadsheetQuery("VIDE=Niveau", defs, "B12", "F").Empty());
    const TStructTable sheet = {Def("B12\\Ouvrage\\Prof", 'F', 8)};
    EXPECT_EQ(BuildRecordSheetQuery("FICHE=Ouvrage", sheet, "B12", "F", "Ouvrage").text.Display(),
              "SELECT PROF FROM FICHE F JOIN X ON 1=1 WHERE FICHE.INDICE = 'B12' AND FICHE.DESIGNATION = 'F';");
    EXPECT_EQ(BuildLookupQuery("DOSSIER.DEPARTEMENT=Dossier\\NomDep", {{"NUM_DEP", "35"}, {"NATURE", "L'EAU"}}).Display(),
              "select DEPARTEMENT from DOSSIER where NUM_DEP = '35' and NATURE = 'L''EAU';");
    EXPECT_TRUE(BuildLookupQuery("DOSSIER=Dossier", {{"NUM_DEP", "35"}}).sql.empty());
    EXPECT_THROW(CheckSqlName("OUVRAGE;DROP", false), EDatabaseError);
    EXPECT_THROW(CheckSqlName("2A", false), EDatabaseError);
    EXPECT_THROW(CheckSqlName("S.T", false), EDatabaseError);
    EXPECT_NO_THROW(CheckSqlName("SCHEMA.STRATI_2", true));
    // sql.ini columns: names, qualified names, TO_CHAR of one, expressions.
    for (const char* key : {"PROF_DEB", "N.PROF", "S.N.PROF ", "TO_CHAR(DATE_OBS,'dd/mm/yyyy')", "to_char ( N.D , 'yy' )",
                            "A.B.C.D", "PROF+1", "LOWER(LITHO)", "TO_CHAR(D,'a''b')"})
        EXPECT_TRUE(IsSqlIniColumn(key)) << key;
    for (const char* key : {"", "lo_from_bytea(0,'x')", "TO_CHAR(set_config('a','b',false),'x')", "PROF -- x",
                            "(SELECT 1)", "N..PROF", "2A", "PROF, 1"})
        EXPECT_FALSE(IsSqlIniColumn(key)) << key;
    EXPECT_EQ(QueryFieldText(DbValue{DbValue::Kind::Number, 12.5, {}}), "12,5");
}

TEST_F(DatabaseDownloadTest, DownloadFillsSheetsAndTables)
{
    FakeHost host;
    host.Add("0385-2X-0041", "F");
    // Something typed before the download: the ouvrage's rows are replaced,
    // another ouvrage's rows stay.
    host.root.SetPathString("0385-2X-0041\\Niveau\\" + kDesign, 0, btString, "F");
    host.root.SetPathString("0385-2X-0041\\Niveau\\Litho", 0, btString, "ancien");
    host.root.SetPathString("0385-2X-0041\\Niveau\\" + kDesign, 1, btString, "AUTRE");
    host.root.SetPathString("0385-2X-0041\\Niveau\\Litho", 1, btString, "autre ouvrage");
    EnsureConnected(db_);
    ASSERT_TRUE(DownloadOuvrage(host, db_, "0385-2X-0041", "F"));
    EXPECT_EQ(host.dialogs, 0);
    EXPECT_TRUE(fake_.Prompts().empty()) << fake_.Prompts().front().text;
    EXPECT_EQ(host.root.GetPathString("0385-2X-0041\\Niveau\\Litho", 1), "autre ouvrage");
    host.root.FindDir("0385-2X-0041\\Niveau")->DeleteRow(1);
    CheckDownloadedBorehole(host);
    // Downloading again gives the same rows.
    host.redraws = 0;
    ASSERT_TRUE(DownloadOuvrage(host, db_, "0385-2X-0041", "F"));
    CheckDownloadedBorehole(host);
    EXPECT_EQ(host.root.FindDir("0385-2X-0041\\Tubage")->RowCount(), 4);
}

TEST_F(DatabaseDownloadTest, DesignationDialogRenamesOrStops)
{
    FakeHost host;
    host.Add("PUITS-1", "PUITS-1");
    EnsureConnected(db_);
    host.answer = MsgResult::Cancel;
    EXPECT_FALSE(DownloadOuvrage(host, db_, "PUITS-1", "PUITS-1"));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"PUITS-1 P"}));
    EXPECT_EQ(host.root.FindDir("PUITS-1\\Niveau"), nullptr);

    // An ouvrage of the new name is replaced only after Ok.
    host.Add("PUITS-1", "P");
    host.root.SetPathString("PUITS-1\\Niveau\\" + kDesign, 0, btString, "P");
    host.answer = MsgResult::Yes;
    fake_.AnswerMessage(MsgResult::Cancel, kOuvrageExistsTitle);
    EXPECT_FALSE(DownloadOuvrage(host, db_, "PUITS-1", "PUITS-1"));
    EXPECT_EQ(host.root.IndexOfPathString("PUITS-1\\Ouvrage\\" + kDesign, "PUITS-1"), 0);
    fake_.AnswerMessage(MsgResult::Ok, kOuvrageExistsTitle);
    EXPECT_TRUE(DownloadOuvrage(host, db_, "PUITS-1", "PUITS-1"));
    EXPECT_EQ(host.root.FindDir("PUITS-1\\Ouvrage")->RowCount(), 1);
    EXPECT_EQ(host.root.GetPathString("PUITS-1\\Ouvrage\\" + kDesign, 0), "P");
    EXPECT_EQ(host.root.GetPathString("PUITS-1\\Ouvrage\\Usage", 0), "DOMESTIQUE");
    EXPECT_EQ(host.root.FindDir("PUITS-1\\Niveau")->RowCount(), 2);
    EXPECT_EQ(host.shown, "PUITS-1/P");

    // "No" keeps the designation: nothing of the database matches it. The
    // borehole's dossier, read by the Indice alone, does not make the ouvrage
    // known: the collection stays as it was (the sheet's own button fetches it).
    host.answer = MsgResult::No;
    host.Add("0385-2X-0057", "PZ");
    EXPECT_TRUE(DownloadOuvrage(host, db_, "0385-2X-0057", "PZ"));
    EXPECT_EQ(host.root.FindDir("0385-2X-0057\\Niveau"), nullptr);
    EXPECT_EQ(host.root.GetPathString("0385-2X-0057\\Dossier\\Commune", 0), "");
    // An Indice the database does not know: no dialog, nothing fetched.
    host.dialogs = 0;
    host.Add("INCONNU", "F");
    EXPECT_TRUE(DownloadOuvrage(host, db_, "INCONNU", "F"));
    EXPECT_EQ(host.dialogs, 0);
    EXPECT_EQ(host.root.FindDir("INCONNU")->ItemCount(), 1);
}

TEST_F(DatabaseDownloadTest, MissingSectionsAreToldAndTheDownloadGoesOn)
{
    WriteSqlIni("[NIVEAU=Niveau]\r\nDESIGNATION=\r\nPROF_DEB=Deb\r\nLITHO=Litho\r\n[OUVRAGE=Ouvrage]\r\nRIEN=Rien\r\n");
    FakeHost host;
    host.Add("F-VAL-01", "F1");
    EnsureConnected(db_);
    ASSERT_TRUE(DownloadOuvrage(host, db_, "F-VAL-01", "F1"));
    std::vector<std::string> texts;
    for (const PromptRecord& p : fake_.Prompts()) {
        EXPECT_EQ(p.title, kNoInformationTitle);
        texts.push_back(p.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{kTableNotInSqlIniText, kNoValidFieldText, kTableNotInSqlIniText,
                                               kTableNotInSqlIniText, kTableNotInSqlIniText, kTableNotInSqlIniText}));
    EXPECT_EQ(host.root.FindDir("F-VAL-01\\Niveau")->RowCount(), 2);

    // A sql.ini that cannot be read ends the download naming the file, instead
    // of telling each table missing from it.
    WriteSqlIni(std::string("[NIVEAU=Niveau]\r\nPROF_DEB=Deb\0\r\n", 32));
    fake_.Reset();
    try {
        DownloadOuvrage(host, db_, "F-VAL-01", "F1");
        ADD_FAILURE() << "no refusal";
    } catch (const EDatabaseError& e) {
        const std::string m = e.what();
        EXPECT_EQ(m.substr(0, m.find('\n')), UnreadableEncodingMessage(program_ / "sql.ini"));
    }
    EXPECT_TRUE(fake_.Prompts().empty());
    fake_.SetAutoOk(true);

    // A download that stops after some tables were read leaves the borehole
    // byte for byte as it was, and says so; the log is redrawn.
    const std::string dossier = "[DOSSIER=Dossier]\r\nCOMMUNE=Commune\r\n";
    const std::string niveau = "[NIVEAU=Niveau]\r\nDESIGNATION=\r\nPROF_DEB=Deb\r\n";
    const struct {
        std::string sqlIni, message;
    } stops[] = {
        {dossier + "[OUVRAGE=Ouvrage]\r\nCOLONNE_ABSENTE=Nature\r\n",
         std::string(kUnknownColumnText) + "\nD\xC3\xA9tail : no such column: COLONNE_ABSENTE"},
        {dossier + "[NIVEAU=Niveau]\r\nPROF_DEB=Deb\r\nCOLONNE_ABSENTE=Litho\r\n",
         std::string(kUnknownColumnText) + "\nD\xC3\xA9tail : no such column: COLONNE_ABSENTE"},
        {dossier + "[NIVEAU=Niveau]\r\nFROM=NIVEAU, STRATIGRAPHIE A, STRATIGRAPHIE B, STRATIGRAPHIE C, STRATIGRAPHIE D, "
                   "LEX_LITHO E\r\nPROF_DEB=Deb\r\n",
         TooManyRecordsText("SELECT PROF_DEB FROM NIVEAU, STRATIGRAPHIE A, STRATIGRAPHIE B, STRATIGRAPHIE C, "
                            "STRATIGRAPHIE D, LEX_LITHO E WHERE INDICE = ?;")},
        {dossier + niveau + "[TUBAGE=Tubage]\r\nFROM=TUBAGE; DELETE FROM TUBAGE\r\nPROF_DEB=Deb\r\n", ""},
    };
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.sqlIni);
        WriteSqlIni(stop.sqlIni);
        fake_.Reset();
        fake_.SetAutoOk(true);
        FakeHost other;
        other.Add("F-VAL-01", "F1");
        other.Add("F-VAL-01", "F2");
        other.root.SetPathString("F-VAL-01\\Dossier\\Commune", 0, btString, "saisie");
        other.root.SetPathString("F-VAL-01\\Niveau\\" + kDesign, 0, btString, "F1");
        other.root.SetPathInt("F-VAL-01\\Niveau\\Deb", 0, btInt, 7);
        other.root.SaveToFile((program_ / "avant.crx").string());
        std::string message;
        try {
            DownloadOuvrage(other, db_, "F-VAL-01", "F1");
        } catch (const EDatabaseError& e) {
            message = e.what();
        }
        other.root.SaveToFile((program_ / "apres.crx").string());
        EXPECT_EQ(ReadFileBytes(program_ / "apres.crx"), ReadFileBytes(program_ / "avant.crx"));
        const std::string undone = "\nLe t\xC3\xA9l\xC3\xA9" "chargement n'est pas all\xC3\xA9 jusqu'au bout : le forage "
                                   "\xC2\xAB F-VAL-01 \xC2\xBB est rest\xC3\xA9 tel qu'il \xC3\xA9tait avant.";
        ASSERT_GT(message.size(), undone.size());
        EXPECT_EQ(message.substr(message.size() - undone.size()), undone);
        if (!stop.message.empty()) EXPECT_EQ(message, stop.message + undone);
        EXPECT_EQ(other.shown, "F-VAL-01/F1");
        EXPECT_EQ(other.redraws, 1);
    }
}

TEST_F(DatabaseDownloadTest, AnyStopUndoesTheRenameAndTheReplacedOuvrage)
{
    const std::string undone = "\nLe t\xC3\xA9l\xC3\xA9" "chargement n'est pas all\xC3\xA9 jusqu'au bout : le forage "
                               "\xC2\xAB PUITS-1 \xC2\xBB est rest\xC3\xA9 tel qu'il \xC3\xA9tait avant.";
    const struct {
        std::string failAt;
        std::function<void()> failure;
        std::string message;
    } stops[] = {
        {"Pompage", [] { throw EDatabaseError("serveur"); }, "serveur"},
        {"Dossier", [] { throw std::bad_alloc(); }, "M\xC3\xA9moire insuffisante"},
        {"liste", [] { throw std::runtime_error("liste"); }, "liste"},
        {"Niveau", [] { throw 7; }, "Erreur inconnue"},
    };
    EnsureConnected(db_);
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.failAt);
        // "P" is renamed onto the database's designation after Ok replaced the
        // ouvrage of that name; another borehole stands beside.
        FakeHost host;
        host.Add("AUTRE", "A");
        host.Add("PUITS-1", "PUITS-1");
        host.Add("PUITS-1", "P");
        host.root.SetPathString("PUITS-1\\Niveau\\" + kDesign, 0, btString, "P");
        host.root.SetPathString("PUITS-1\\Niveau\\Litho", 0, btString, "saisie");
        host.root.SaveToFile((program_ / "avant.crx").string());
        host.failAt = stop.failAt;
        host.failure = stop.failure;
        fake_.Reset();
        fake_.AnswerMessage(MsgResult::Ok, kOuvrageExistsTitle);
        std::string message = "aucune";
        try {
            DownloadOuvrage(host, db_, "PUITS-1", "PUITS-1");
        } catch (...) {
            message = CurrentExceptionMessage();
        }
        host.root.SaveToFile((program_ / "apres.crx").string());
        EXPECT_EQ(ReadFileBytes(program_ / "apres.crx"), ReadFileBytes(program_ / "avant.crx"));
        EXPECT_EQ(message, stop.message + undone);
    }
}

namespace {

// A borehole typed by hand: levels, open hole, casing and fill of one ouvrage.
void TypeBorehole(FakeHost& host, const std::string& indice, const std::string& design)
{
    host.Add(indice, design);
    TDirBlock& r = host.root;
    const std::string b = indice + "\\";
    for (int row = 0; row < 2; ++row) {
        r.SetPathString(b + "Niveau\\" + kDesign, row, btString, design);
        r.SetPathFloat(b + "Niveau\\Deb", row, btFloat, row * 4.0);
        r.SetPathFloat(b + "Niveau\\Fin", row, btFloat, row * 4.0 + 4);
        r.SetPathString(b + "Niveau\\Litho", row, btString, row ? "Argile grise" : "Terre v\xC3\xA9g\xC3\xA9tale");
    }
    for (const char* table : {"Trou-nu", "Tubage", "Annulaire"}) {
        r.SetPathString(b + table + "\\" + kDesign, 0, btString, design);
        r.SetPathFloat(b + table + "\\Deb", 0, btFloat, 0);
        r.SetPathFloat(b + table + "\\Fin", 0, btFloat, 8);
    }
    r.SetPathString(b + "Tubage\\Nature", 0, btString, "PVC");
}

}  // namespace

// A download that reads not one record for the ouvrage, in any sheet or table,
// leaves the collection byte for byte as it was (a renaming and the ouvrage it
// replaced included) and says so; one that reads any record replaces the
// ouvrage's tables. On the embedded database and on PostgreSQL.
TEST_F(DatabaseDownloadTest, ADownloadThatFindsNothingChangesNothing)
{
    // Every section reads nothing; the other tables are missing from sql.ini.
    const std::string nothing = "[OUVRAGE=Ouvrage]\r\nDESIGNATION=\r\nX=X\r\nWHERE=1 = 0\r\n"
                                "[DOSSIER=Dossier]\r\nCOMMUNE=Commune\r\nWHERE=1 = 0\r\n"
                                "[NIVEAU=Niveau]\r\nDESIGNATION=\r\nPROF_DEB=Deb\r\nWHERE=1 = 0\r\n";
    const std::string niveauOnly = "[NIVEAU=Niveau]\r\nDESIGNATION=\r\nPROF_DEB=Deb\r\nLITHO=Litho\r\n";
    const struct Case {
        std::string name, sqlIni, indice, design;
        bool rename;    // the designation dialog renames onto the database's one (over an ouvrage of that name)
        bool changed;   // the database knows the ouvrage
        int notInSqlIni;  // tables with fields (not Doc, Exec) that sql.ini does not name
    } cases[] = {
        {"Indice inconnu", "", "BSS-TEST-01", "F1", false, false, 0},
        {"Indice connu, autre d\xC3\xA9signation gard\xC3\xA9" "e", niveauOnly, "F-VAL-01", "F9", false, false, 6},
        {"Indice connu, autre d\xC3\xA9signation gard\xC3\xA9" "e, dossier lu", "", "F-VAL-01", "F9", false, false, 0},
        {"Indice connu, ouvrage sans d\xC3\xA9signation", "", "F-VAL-01", "", false, false, 0},
        {"aucune section", "[AUTRE]\r\nX=Y\r\n", "F-VAL-01", "F1", false, false, 7},
        {"connu par la liste des ouvrages seulement", nothing, "PUITS-1", "PUITS-1", true, false, 4},
        {"connu", "", "F-VAL-01", "F1", false, true, 0},
        {"connu par une seule table", niveauOnly, "F-VAL-01", "F1", false, true, 6},
    };
    const std::string shipped = ReadFileBytes(program_ / "sql.ini");
    PostgresServer server;
    for (const bool postgres : {false, true}) {
        SCOPED_TRACE(postgres ? "PostgreSQL" : "SQLite");
        if (postgres) {
            if (!server.Start()) GTEST_SKIP() << "PostgreSQL part skipped: " << server.Problem();
            db_.AliasName = kPostgresAlias;
            db_.Params = server.Params();
        }
        db_.Open();
        for (const Case& k : cases) {
            SCOPED_TRACE(k.name);
            WriteSqlIni(k.sqlIni.empty() ? shipped : k.sqlIni);
            fake_.Reset();
            fake_.SetAutoOk(true);
            FakeHost host;
            host.Add("AUTRE", "A");
            TypeBorehole(host, k.indice, k.design);
            if (k.rename) TypeBorehole(host, k.indice, "P");
            host.answer = k.rename ? MsgResult::Yes : MsgResult::No;
            if (k.rename) fake_.AnswerMessage(MsgResult::Ok, kOuvrageExistsTitle);
            host.root.SaveToFile((program_ / "avant.crx").string());
            ASSERT_TRUE(DownloadOuvrage(host, db_, k.indice, k.design));
            host.root.SaveToFile((program_ / "apres.crx").string());
            const bool same = ReadFileBytes(program_ / "apres.crx") == ReadFileBytes(program_ / "avant.crx");
            EXPECT_EQ(same, !k.changed);
            EXPECT_EQ(host.redraws, 1);
            // The tables missing from sql.ini are told, then whether anything came.
            std::vector<std::string> told;
            for (const PromptRecord& p : fake_.Prompts())
                if (p.title == kNoInformationTitle) told.push_back(p.text);
            EXPECT_EQ(std::count(told.begin(), told.end(), kTableNotInSqlIniText), k.notInSqlIni);
            const std::string nothingFound = NothingToDownloadText(k.indice, k.rename ? "P" : k.design);
            EXPECT_EQ(!told.empty() && told.back() == nothingFound, !k.changed);
            EXPECT_EQ(told.size(), static_cast<std::size_t>(k.notInSqlIni) + (k.changed ? 0 : 1));
            if (!k.changed) EXPECT_EQ(host.shown, k.indice + "/" + k.design);
            if (k.changed) {
                // The typed levels were replaced by the database's.
                EXPECT_EQ(host.root.FindDir(k.indice + "\\Niveau")->RowCount(), 2);
                EXPECT_NE(host.root.GetPathString(k.indice + "\\Niveau\\Litho", 0), "Terre v\xC3\xA9g\xC3\xA9tale");
            }
        }
    }
    EXPECT_EQ(NothingToDownloadText("BSS-TEST-01", "F1"),
              "La base de donn\xC3\xA9" "es ne contient rien pour l'ouvrage \xC2\xAB\xC2\xA0" "BSS-TEST-01\xC2\xA0/\xC2\xA0" "F1\xC2\xA0\xC2\xBB : la "
              "collection n'a pas \xC3\xA9t\xC3\xA9 modifi\xC3\xA9" "e.");
}

TEST_F(DatabaseDownloadTest, LexiconAndStratigraphyImports)
{
    FakeProgress progress;
    fake_.AnswerText("LEX_LITHO.CODE", "Importer lexique").AnswerText("Niveau\\Litho", "Importer lexique");
    ASSERT_TRUE(ImportLexicon(db_, progress));
    EXPECT_EQ(fake_.Prompts()[1].proposal, "Code");
    EXPECT_EQ(fake_.Prompts().back().text, "Lexique import\xC3\xA9");
    EXPECT_TRUE(progress.finished);
    EXPECT_EQ(progress.maximum, 10);
    std::vector<std::string> lines = IniEdition->ReadSectionValues("Niveau\\Litho");
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "GRES=GRES"), lines.end());
    // Importing again replaces the section; a repeated value gives one line.
    fake_.Reset();
    fake_.SetAutoOk(true);
    fake_.AnswerText("NIVEAU.AQUIFERE").AnswerText("").AnswerText("Niveau\\Litho");
    ASSERT_TRUE(ImportLexicon(db_, progress));
    lines = IniEdition->ReadSectionValues("Niveau\\Litho");
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"NON=NON", "OUI=OUI", "SEMI=SEMI"}));
    fake_.Reset();
    fake_.AnswerText("LEX_LITHO.CODE FROM LEX_LITHO; --");
    EXPECT_THROW(ImportLexicon(db_, progress), EDatabaseError);
    fake_.Reset();
    fake_.AnswerText("sans point");
    EXPECT_FALSE(ImportLexicon(db_, progress));

    fake_.Reset();
    fake_.SetAutoOk(true);
    for (const char* a : {"STRATIGRAPHIE", "DEBUT", "FIN", "NOM"}) fake_.AnswerText(a, "Importer stratigraphie");
    ASSERT_TRUE(ImportStratigraphy(db_, progress));
    EXPECT_EQ(progress.maximum, 34);
    EXPECT_EQ(progress.position, 34);
    StratiScaleLoad();
    ASSERT_EQ(StratiScale.size(), 17u);
    EXPECT_EQ(StratiScale[6].UnitName, "Cr\xC3\xA9tac\xC3\xA9");
    EXPECT_EQ(StratiScale[6].StartValue, 66);
    EXPECT_EQ(StratiScale[16].StartValue, 0);  // a null start
    EXPECT_EQ(StratiScale[16].EndValue, 2500);
    EXPECT_EQ(fake_.Prompts().back().text, "Stratigraphie import\xC3\xA9" "e");
}

// Database texts that cannot be keys of an .ini line are not written as such:
// they would cut the line or break the file.
TEST_F(DatabaseDownloadTest, ImportsKeepTheSettingsFilesWhole)
{
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open((program_ / "bizarre.db").string().c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h,
                           "CREATE TABLE LEX (V TEXT); INSERT INTO LEX VALUES ('OK'), ('A=B'), (' ESPACE'), ('ok'), "
                           "(NULL), ('[X'), ('FIN');"
                           "CREATE TABLE ECHELLE (D, F, N); INSERT INTO ECHELLE VALUES (1.6, '2', 'Haut=Bas');"
                           "CREATE TABLE TROP (D, F, N); INSERT INTO TROP VALUES (3e10, 1, 'X');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(h);
    db_.Params = {"DATABASE NAME=bizarre.db"};
    FakeProgress progress;
    fake_.AnswerText("LEX.V").AnswerText("Niveau\\Essai");
    ASSERT_TRUE(ImportLexicon(db_, progress));
    EXPECT_EQ(IniEdition->ReadSectionValues("Niveau\\Essai"), (std::vector<std::string>{"OK=OK", "FIN=FIN"}));

    for (const char* a : {"ECHELLE", "D", "F", "N"}) fake_.AnswerText(a);
    ASSERT_TRUE(ImportStratigraphy(db_, progress));
    StratiScaleLoad();
    ASSERT_EQ(StratiScale.size(), 1u);
    EXPECT_EQ(StratiScale[0].UnitName, "Haut-Bas");
    EXPECT_EQ(StratiScale[0].StartValue, 2);
    EXPECT_EQ(StratiScale[0].EndValue, 2);
    for (const char* a : {"TROP", "D", "F", "N"}) fake_.AnswerText(a);
    EXPECT_THROW(ImportStratigraphy(db_, progress), EConvertError);
    StratiScaleLoad();
    EXPECT_EQ(StratiScale.size(), 1u);  // the scale stays as it was
}

TEST_F(DatabaseDownloadTest, DownloadFromPostgres)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    db_.AliasName = kPostgresAlias;
    db_.Params = server.Params();
    FakeHost host;
    host.Add("0385-2X-0041", "F");
    EnsureConnected(db_);
    ASSERT_TRUE(DownloadOuvrage(host, db_, "0385-2X-0041", "F"));
    EXPECT_TRUE(fake_.Prompts().empty());
    CheckDownloadedBorehole(host);
}

namespace {

// The first column of the first record, or the engine's refusal.
std::string Ask(TDatabase& db, const std::string& sql, const std::vector<std::string>& values = {})
{
    TQuery q(db);
    q.SQL = sql;
    q.Values = values;
    try {
        q.Open();
    } catch (const EDatabaseError& e) {
        return std::string("refus: ") + e.what();
    }
    return q.Eof() ? std::string() : QueryFieldText(q.Field(0));
}

}  // namespace

TEST_F(DatabaseDownloadTest, NoTextCanWriteThroughTheServerLink)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    db_.AliasName = kPostgresAlias;
    db_.Params = server.Params();
    EnsureConnected(db_);
    const std::vector<std::string> tables = {"OUVRAGE", "DOSSIER", "NIVEAU", "TROU_NU", "TUBAGE", "ANNULAIRE",
                                             "POMPAGE", "LEX_LITHO", "STRATIGRAPHIE"};
    auto counts = [&] {
        std::vector<std::string> c;
        for (const std::string& t : tables) c.push_back(Ask(db_, "SELECT COUNT(*) FROM " + t));
        c.push_back(Ask(db_, "SELECT COUNT(*) FROM pg_largeobject_metadata"));
        return c;
    };
    const std::vector<std::string> before = counts();
    ASSERT_EQ(before.front(), "7");
    ASSERT_EQ(before.back(), "0");

    // As query texts: a function switching the guard off or writing a large
    // object runs at most inside a transaction that is rolled back; writes,
    // second statements and dollar-quoted second statements are refused.
    Ask(db_, "SELECT set_config('default_transaction_read_only','off',false)");
    EXPECT_EQ(Ask(db_, "SELECT current_setting('default_transaction_read_only')"), "on");
    Ask(db_, "SELECT lo_from_bytea(0,'x')");
    for (const std::string& sql :
         {std::string("DELETE FROM NIVEAU"), std::string("WITH d AS (DELETE FROM NIVEAU RETURNING *) SELECT COUNT(*) FROM d"),
          std::string("SELECT 1; DELETE FROM NIVEAU"),
          std::string("SELECT $$'$$; COMMIT; SET default_transaction_read_only = off; COMMIT; DELETE FROM NIVEAU; --'"),
          std::string("SELECT set_config('default_transaction_read_only','off',false); DELETE FROM NIVEAU")})
        EXPECT_EQ(Ask(db_, sql).rfind("refus: ", 0), 0u) << sql;
    // A value bound to "?" stays a value.
    EXPECT_EQ(Ask(db_, "SELECT COUNT(*) FROM OUVRAGE WHERE INDICE = ?", {"x'; DELETE FROM NIVEAU; --"}), "0");

    // Through sql.ini: a column that is not a name is refused naming its key;
    // FROM and WHERE texts meet the same server guards.
    WriteSqlIni("[A=Niveau]\r\nset_config('default_transaction_read_only','off',false)=Litho\r\n"
                "[B=Niveau]\r\nlo_from_bytea(0,'x')=Litho\r\n"
                "[C=Niveau]\r\nFROM=(WITH d AS (DELETE FROM NIVEAU RETURNING *) SELECT * FROM d) N\r\nLITHO=Litho\r\n"
                "[D=Niveau]\r\nFROM=NIVEAU\r\nWHERE=1=1; DELETE FROM NIVEAU\r\nLITHO=Litho\r\n"
                "[E=Niveau]\r\nFROM=NIVEAU\r\nWHERE=$$'$$ = ''; COMMIT; DELETE FROM NIVEAU; --'\r\nLITHO=Litho\r\n"
                "[F=Niveau]\r\nTO_CHAR(DATE_OBS, 'dd/mm/yyyy')=Litho\r\nNIVEAU.LITHO=Litho\r\n");
    const TStructTable defs = {Def("Litho", 'S', 80)};
    for (const char* section : {"A=Niveau", "B=Niveau", "C=Niveau", "D=Niveau", "E=Niveau"}) {
        std::string refusal;
        try {
            const SectionQuery q = BuildSpreadsheetQuery(section, defs, "0385-2X-0041", "F");
            TQuery query(db_);
            query.SQL = q.text.sql;
            query.Values = q.text.values;
            query.Open();
        } catch (const EDatabaseError& e) {
            refusal = e.what();
        }
        EXPECT_FALSE(refusal.empty()) << section;
        if (section[0] == 'A')
            EXPECT_EQ(refusal, "sql.ini, section [A=Niveau] : la cl\xC3\xA9 \xC2\xAB set_config('default_transaction_read_only',"
                               "'off',false) \xC2\xBB n'est ni une colonne ni une expression permise (fonction \xC2\xAB "
                               "set_config \xC2\xBB interdite) ; la requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e.");
    }
    EXPECT_EQ(BuildSpreadsheetQuery("F=Niveau", defs, "B", "F").text.sql,
              "SELECT TO_CHAR(DATE_OBS, 'dd/mm/yyyy'), NIVEAU.LITHO FROM F WHERE INDICE = ?;");
    EXPECT_THROW(BuildLookupQuery("DOSSIER.lo_from_bytea(0,'x')=Dossier\\NomDep", {{"NUM_DEP", "35"}}), EDatabaseError);
    EXPECT_THROW(BuildLookupQuery("DOSSIER.COMMUNE=Dossier\\NomDep", {{"set_config('a','b',false)", "35"}}),
                 EDatabaseError);

    EXPECT_EQ(counts(), before);
    EXPECT_EQ(Ask(db_, "SELECT current_setting('default_transaction_read_only')"), "on");
}

// sql.ini's FROM and WHERE values are checked before anything is sent: with a
// superuser login none of them writes a file, ends a session, keeps a lock or
// changes a setting, and each refusal names its section and key.
TEST_F(DatabaseDownloadTest, SqlIniValuesCallNoServerFunction)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    db_.AliasName = kPostgresAlias;
    db_.Params = server.Params();
    EnsureConnected(db_);
    TDatabase other;
    other.AliasName = kPostgresAlias;
    other.Params = server.Params();
    other.Open();
    const std::string pid = Ask(other, "SELECT pg_backend_pid()");
    ASSERT_EQ(Ask(db_, "SELECT rolsuper FROM pg_roles WHERE rolname = session_user"), "true");
    // The server's own folder, where its user may write.
    const std::string folder = server.Params().front().substr(std::string("SERVER NAME=").size());
    const std::string written = folder + "/ecrit.txt";

    const std::string q = "\xC2\xAB ", e = " \xC2\xBB";
    const std::string function = "n'est pas une condition permise (fonction " + q;
    struct Case {
        std::string line;  // the FROM or WHERE line of the section
        std::string refusal;
    };
    const Case cases[] = {
        {"WHERE=lo_export(lo_from_bytea(0,'x'), '" + written + "') > 0",
         "WHERE" + e + " " + function + "lo_export" + e + " interdite)"},
        {"WHERE=pg_read_file('/etc/hostname') <> ''", "WHERE" + e + " " + function + "pg_read_file" + e + " interdite)"},
        {"where=pg_terminate_backend(" + pid + ")", "WHERE" + e + " " + function + "pg_terminate_backend" + e + " interdite)"},
        {"FROM=NIVEAU, pg_advisory_lock(42) L",
         "FROM" + e + " n'est pas une liste de tables (fonction " + q + "pg_advisory_lock" + e + " interdite)"},
        {"WHERE=set_config('work_mem','1234kB',false) <> ''",
         "WHERE" + e + " " + function + "set_config" + e + " interdite)"},
        {"WHERE=PROF_DEB >= 0 AND pg_sleep(0.2) IS NULL", "WHERE" + e + " " + function + "pg_sleep" + e + " interdite)"},
        {"FROM=(SELECT * FROM NIVEAU) NIVEAU",
         "FROM" + e + " n'est pas une liste de tables (sous-requ\xC3\xAAte interdite)"},
        {"WHERE=INDICE IN (SELECT INDICE FROM OUVRAGE)",
         "WHERE" + e + " n'est pas une condition permise (sous-requ\xC3\xAAte interdite)"},
        {"WHERE=1=1 -- x", "WHERE" + e + " n'est pas une condition permise (commentaire interdit)"},
        {"WHERE=/* x */ 1=1", "WHERE" + e + " n'est pas une condition permise (commentaire interdit)"},
        {"WHERE=1=1; SELECT lo_from_bytea(0,'x')",
         "WHERE" + e + " n'est pas une condition permise (une seule instruction : " + q + ";" + e + " interdit)"},
    };
    for (const Case& c : cases) {
        WriteSqlIni("[NIVEAU=Niveau]\r\nDESIGNATION=\r\nPROF_DEB=Deb\r\nLITHO=Litho\r\n" + c.line + "\r\n");
        FakeHost host;
        host.Add("0385-2X-0041", "F");
        std::string refusal;
        try {
            FillTableFromDatabase(db_, host.root, "0385-2X-0041", "F", "Niveau");
        } catch (const EDatabaseError& error) {
            refusal = error.what();
        }
        EXPECT_EQ(refusal, "sql.ini, section [NIVEAU=Niveau] : la valeur de la cl\xC3\xA9 " + q + c.refusal +
                               " ; la requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e.")
            << c.line;
    }
    EXPECT_FALSE(std::filesystem::exists(written));
    EXPECT_EQ(Ask(other, "SELECT COUNT(*) FROM OUVRAGE"), "7");  // still alive
    EXPECT_EQ(Ask(other, "SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory'"), "0");
    EXPECT_EQ(Ask(db_, "SELECT current_setting('work_mem')"), "4MB");
    EXPECT_EQ(Ask(db_, "SELECT COUNT(*) FROM pg_largeobject_metadata"), "0");

    // A query text itself (never built from sql.ini) leaves nothing behind
    // in the session either: the lock dies with the query.
    EXPECT_EQ(Ask(db_, "SELECT COUNT(*) FROM OUVRAGE, pg_advisory_lock(7) L"), "7");
    EXPECT_EQ(Ask(other, "SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory'"), "0");
}

// Names typed for the imports are plain names: "#" is an operator of the
// server ("DEBUT#65535" would be read as an exclusive or).
TEST_F(DatabaseDownloadTest, TypedNamesHoldNoOperator)
{
    for (const char* name : {"DEBUT#65535", "#DEBUT", "D#", "$1", "A-B", "A B", "A(1)"})
        EXPECT_THROW(CheckSqlName(name, false), EDatabaseError) << name;
    for (const char* name : {"DEBUT_65535", "D$", "_x"})
        EXPECT_NO_THROW(CheckSqlName(name, false)) << name;

    StratiScaleLoad();
    const std::size_t before = StratiScale.size();
    FakeProgress progress;
    for (const char* a : {"STRATIGRAPHIE", "DEBUT#65535", "FIN", "NOM"}) fake_.AnswerText(a, "Importer stratigraphie");
    try {
        ImportStratigraphy(db_, progress);
        ADD_FAILURE() << "imported";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(std::string(error.what()), "Nom de table ou de champ invalide : DEBUT#65535");
    }
    StratiScaleLoad();
    EXPECT_EQ(StratiScale.size(), before);
    fake_.Reset();
    fake_.AnswerText("LEX_LITHO.CODE#1", "Importer lexique");
    EXPECT_THROW(ImportLexicon(db_, progress), EDatabaseError);
}

// Expressions of sql.ini, in keys and in WHERE, reach the server as written
// and fill the fields with what they compute.
TEST_F(DatabaseDownloadTest, SqlIniExpressionsFillTheFields)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    db_.AliasName = kPostgresAlias;
    db_.Params = server.Params();
    EnsureConnected(db_);
    WriteSqlIni("[NIVEAU=Niveau]\r\nDESIGNATION=\r\nPROF_DEB=Deb\r\nPROF_FIN - PROF_DEB=Fin\r\n"
                "upper(SUBSTR(LITHO, 1, 5)) || '-' || COALESCE(NULLIF(AQUIFERE, 'NON'), '?')=Litho\r\n"
                "WHERE=PROF_FIN - PROF_DEB > 0.5 AND TYPE_NIVEAU = 'COUPE'\r\n"
                "[POMPAGE=Pompage]\r\nDESIGNATION=\r\nDATE_DEBUT=DateDeb\r\n-ROUND(DEBIT / 2, 1) + LENGTH(TYPE_ESSAI)=Duree\r\n"
                "WHERE=DATE_DEBUT > TO_DATE('03/06/2004', 'dd/mm/yyyy')\r\n");
    FakeHost host;
    host.Add("0385-2X-0041", "F");
    FillTableFromDatabase(db_, host.root, "0385-2X-0041", "F", "Niveau");
    FillTableFromDatabase(db_, host.root, "0385-2X-0041", "F", "Pompage");
    EXPECT_TRUE(fake_.Prompts().empty());
    const std::string b = "0385-2X-0041\\";
    ExpectTreeLines(host.root, {b + "Niveau\\Deb=0,4|3,5|14|38", b + "Niveau\\Fin=3,1|10,5|24|58",
                                b + "Niveau\\Litho=LIMON-?|SABLE-OUI|SCHIS-SEMI|SCHIS-OUI",
                                b + "Pompage\\DateDeb=07/06/2004", b + "Pompage\\Duree=-18"});
}

// One long value (250 MB, under the byte limit) on its way from the server
// into the collection, through the spreadsheet's fill (a table's rows) and
// the record sheet's (a sheet's fields): the peak memory of the whole way,
// measured in a child process (see MeasureInChild). The record is held once
// by the client library, and the cell or field takes the value's text moved.
// What stays: libpq keeps its input buffer (256 MiB after such a record) for
// the connection's life; the block tree copies a value it is given (it may
// point into the tree) and keeps its own; the record sheet's fields trim a
// copy of their value. The bound guards against more copies coming back
// (about 1.5 GiB and 1.7 GiB measured with the address sanitizer, 1.2 and
// 1.45 without its quarantine).
TEST_F(DatabaseDownloadTest, ALongValueIsDownloadedWithFewCopies)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    ASSERT_TRUE(server.RunSql("ALTER TABLE NIVEAU ALTER COLUMN LITHO TYPE text; "
                              "ALTER TABLE DOSSIER ALTER COLUMN OBSERVATIONS TYPE text; "
                              "UPDATE NIVEAU SET LITHO = repeat('x', 250000000) WHERE ctid = (SELECT ctid FROM NIVEAU WHERE INDICE = '0385-2X-0041' AND DESIGNATION = 'F' ORDER BY PROF_DEB LIMIT 1); "
                              "UPDATE DOSSIER SET OBSERVATIONS = repeat('y', 250000000) WHERE INDICE = '0385-2X-0041'"));
    db_.AliasName = kPostgresAlias;
    db_.Params = server.Params();
    struct Case {
        const char* table;
        bool sheet;
        const char* path;
    };
    constexpr long kBoundKiB = 2000L * 1024;
    const Case cases[] = {{"Niveau", false, "0385-2X-0041\\Niveau\\Litho"}, {"Dossier", true, "0385-2X-0041\\Dossier\\Observations"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        const Measured m = MeasureInChild(kBoundKiB, [&] {
            FakeHost host;
            host.Add("0385-2X-0041", "F");
            EnsureConnected(db_);
            if (c.sheet) FillSheetFromDatabase(db_, host.root, "0385-2X-0041", "F", c.table);
            else FillTableFromDatabase(db_, host.root, "0385-2X-0041", "F", c.table);
            std::size_t longest = 0;
            const TDirBlock* dir = host.root.FindDir(std::string(c.path).substr(0, std::string(c.path).rfind('\\')));
            for (int r = 0; dir && r < dir->RowCount(); ++r)
                longest = std::max(longest, host.root.GetPathString(c.path, r).size());
            return std::to_string(longest);
        });
        std::printf("peak memory of a 250 MB value downloaded into %s: %ld MiB\n", c.table, m.grewKiB / 1024);
        EXPECT_EQ(m.text, "250000000");
        EXPECT_LT(m.grewKiB, kBoundKiB);
    }
}
