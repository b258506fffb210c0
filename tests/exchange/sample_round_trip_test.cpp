// The shipped sample collection survives its own exports: written to CSV
// files (every table the export window ticks) or to fixed-width files (every
// main filter of each shipped filter file that the export window ticks), then
// read back into a new collection, it lists the same ouvrages, each with its
// own levels, open hole, casing and fill. And the shipped sample database
// holds the same ouvrages: downloading one into the sample gives back its log.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "drawing/log_drawing.h"
#include "drawing/primitives.h"
#include "exchange/csv_exchange.h"
#include "exchange/database_download.h"
#include "exchange/filter_file.h"
#include "exchange/fixed_width_export.h"
#include "exchange/fixed_width_import.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/fake_ui_services.h"
#include "platform/recording_canvas.h"
#include "postgres_server.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kDesign = "D\xC3\xA9sign";

// The columns compared in each table: those that every exchange carries.
const std::map<std::string, std::vector<std::string>> kColumns = {
    {"Ouvrage", {"X", "Y", "Z", "Prof", "DiamTube"}},
    {"Niveau", {"Deb", "Fin", "CodeNiv", "Litho"}},
    {"Trou-nu", {"Deb", "Fin", "Diam"}},
    {"Tubage", {"Deb", "Fin", "Diam", "Type", "Nature"}},
    {"Annulaire", {"Deb", "Fin", "Type", "Nature"}},
};

// The listed ouvrages of a collection: each row of each borehole's "Ouvrage".
std::vector<std::string> Ouvrages(const TDirBlock& root)
{
    std::vector<std::string> out;
    for (const auto& child : root.Items()) {
        if (!child->IsDir()) continue;
        const TDirBlock* ouvrage = static_cast<const TDirBlock&>(*child).FindDir("Ouvrage");
        for (int r = 0; ouvrage && r < ouvrage->RowCount(); ++r)
            out.push_back(child->Name + "/" + ouvrage->GetPathString(kDesign, r));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The rows of `table` that belong to the ouvrage (a table without "Désign"
// belongs to every ouvrage of its index), each as the texts of the compared
// columns; with `tubes`, casing rows also name their tube as stored (a row
// without a name is the single tube, and must not come back with one).
std::vector<std::string> OwnRows(const TDirBlock& root, const std::string& indice, const std::string& design,
                                 const std::string& table, bool tubes)
{
    std::vector<std::string> out;
    const TDirBlock* dir = root.FindDir(indice + "\\" + table);
    if (!dir) return out;
    const bool named = dir->IndexOfName(kDesign) >= 0;
    for (int r = 0; r < dir->RowCount(); ++r) {
        if (named && dir->GetPathString(kDesign, r) != design) continue;
        std::string line;
        for (const std::string& column : kColumns.at(table)) line += dir->GetPathString(column, r) + "|";
        if (tubes && table == "Tubage") line += dir->GetPathString("NomTube", r);
        out.push_back(line);
    }
    return out;
}

class SampleRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        sample_.LoadFromFile((fs::path(CAROTIX_DATA_DIR) / "Exemples" / "exemple.crx").string());
        for (const std::string& o : Ouvrages(sample_)) {
            const std::size_t slash = o.find('/');
            listed_.push_back({o.substr(0, slash), o.substr(slash + 1)});
        }
        ASSERT_EQ(listed_.size(), 4u);
    }
    void TearDown() override { OptionsRelease(); }
    void DownloadEachOuvrage(FakeUiServices& fake, TDatabase& db);

    // The collection read back lists the same ouvrages as the sample, each
    // with its own rows; `carried` names the tables the exchange carries and
    // `withDesign` those it carries with their designation (the others come
    // back as tables of the whole index); `tubes` whether it carries the tube
    // names of the casing; `dossier` the columns of "Dossier" it carries.
    void ExpectSameOuvrages(const TDirBlock& back, const std::vector<std::string>& carried,
                            const std::vector<std::string>& withDesign, bool tubes,
                            const std::vector<std::string>& dossier)
    {
        EXPECT_EQ(Ouvrages(back), Ouvrages(sample_));
        for (const CsvExportRow& o : listed_) {
            for (const std::string& table : carried) {
                SCOPED_TRACE(o.Indice + "/" + o.Design + " " + table);
                const std::vector<std::string> mine = OwnRows(sample_, o.Indice, o.Design, table, tubes);
                // Every ouvrage has rows in each table, but no casing is left
                // in the sealed F2.
                EXPECT_EQ(mine.empty(), table == "Tubage" && o.Design == "F2");
                if (std::count(withDesign.begin(), withDesign.end(), table)) {
                    EXPECT_EQ(OwnRows(back, o.Indice, o.Design, table, tubes), mine);
                    continue;
                }
                // Without designation, the rows of every ouvrage of the index
                // come back together.
                std::vector<std::string> all;
                for (const CsvExportRow& other : listed_)
                    if (other.Indice == o.Indice) {
                        const std::vector<std::string> rows = OwnRows(sample_, other.Indice, other.Design, table, tubes);
                        all.insert(all.end(), rows.begin(), rows.end());
                    }
                std::vector<std::string> got = OwnRows(back, o.Indice, o.Design, table, tubes);
                std::sort(all.begin(), all.end());
                std::sort(got.begin(), got.end());
                EXPECT_EQ(got, all);
            }
        }
        // The dossier of each index keeps its values.
        for (const std::string& column : dossier)
            for (const CsvExportRow& o : listed_)
                EXPECT_EQ(back.GetPathString(o.Indice + "\\Dossier\\" + column, 0),
                          sample_.GetPathString(o.Indice + "\\Dossier\\" + column, 0))
                    << o.Indice << " " << column;
    }

    ScopedDecimalSeparator comma_{','};
    TempProgramDir program_;
    TempDir out_;
    TDirBlock sample_{"Carotix"};
    std::vector<CsvExportRow> listed_;
};

// The rows of each table of each borehole, every column of `columns` as text
// (a column the table lacks reads empty); with `learn`, the columns of each
// table are first added to `columns`.
std::map<std::string, std::vector<std::string>> TableRows(const TDirBlock& root,
                                                          std::map<std::string, std::set<std::string>>& columns,
                                                          bool learn)
{
    std::map<std::string, std::vector<std::string>> out;
    for (const auto& b : root.Items()) {
        if (!b->IsDir()) continue;
        for (const auto& t : static_cast<const TDirBlock&>(*b).Items()) {
            if (!t->IsDir()) continue;
            const TDirBlock& table = static_cast<const TDirBlock&>(*t);
            const std::string key = b->Name + "\\" + t->Name;
            if (learn)
                for (const auto& c : table.Items()) columns[key].insert(c->Name);
            std::vector<std::string>& rows = out[key];
            for (int r = 0; r < table.RowCount(); ++r) {
                std::string line;
                for (const std::string& c : columns[key]) line += c + "=" + table.GetPathString(c, r) + "|";
                rows.push_back(line);
            }
        }
    }
    return out;
}

TEST_F(SampleRoundTrip, ThroughTheCsvFilesOfEveryTickedTable)
{
    std::vector<std::string> written;
    std::set<std::string> carried;
    for (const std::string& table : CsvTableNames(*IniCsv)) {
        if (!CsvTableHasRows(*IniCsv, table, sample_, listed_)) continue;
        CsvReport report;
        ExportCsvFile((out_ / (table + ".csv")).string(), table, sample_, listed_, report);
        EXPECT_FALSE(report.HasRemarks()) << report.Summary(table);
        carried.insert(report.Carried.begin(), report.Carried.end());
        written.push_back(table);
    }
    // The files carry every value of the sample; what csv.ini leaves out is named.
    EXPECT_EQ(UncarriedSummary(sample_, carried, "de csv.ini"), "");
    TDirBlock more("Carotix");
    more.SetPathString("P1\\Tubage\\NomTube", 0, btString, "T1");
    more.SetPathString("P1\\Tubage\\Remarque", 0, btString, "x");
    more.SetPathString("P1\\Essai\\Duree", 0, btString, "3");
    more.SetPathString("P2\\Tubage\\Remarque", 0, btString, "y");
    EXPECT_EQ(UncarriedSummary(more, carried, "de csv.ini"),
              "Non export\xC3\xA9 (absent de csv.ini) : Tubage\\Remarque, Essai (toutes les colonnes)");
    EXPECT_EQ(written, (std::vector<std::string>{"Ouvrages", "Dossiers", "Niveaux", "TrousNus", "Tubages", "Annulaires",
                                                 "AnnulairesInternes"}));
    TDirBlock back("Carotix");
    for (const std::string& table : written) {
        CsvReport report;
        ImportCsvFile((out_ / (table + ".csv")).string(), back, report);
    }
    ExpectSameOuvrages(back, {"Ouvrage", "Niveau", "Trou-nu", "Tubage", "Annulaire"},
                       {"Ouvrage", "Niveau", "Trou-nu", "Tubage", "Annulaire"}, true, {"Nature", "Commune", "Lieu-Dit"});
    // Cell for cell: every table and column of the sample, each row as it
    // was. (A column the sample lacks comes back where csv.ini has it, empty,
    // or as the code of the lexicon's NULL label, which an empty cell means.)
    std::map<std::string, std::set<std::string>> columns;
    const auto sent = TableRows(sample_, columns, true);
    const auto got = TableRows(back, columns, false);
    for (auto [table, rows] : sent) {
        std::vector<std::string> mine = got.count(table) ? got.at(table) : std::vector<std::string>();
        EXPECT_EQ(mine, rows) << table;
    }
    EXPECT_EQ(got.size(), sent.size());
}

// The sample's files, read back and written again, are the same files, with
// either decimal separator; the tables read back hold their rows in order.
TEST_F(SampleRoundTrip, ThroughTheCsvTwiceGivesTheSameFiles)
{
    for (const char separator : {',', '.'}) {
        SCOPED_TRACE(separator);
        ScopedDecimalSeparator decimal{separator};
        std::map<std::string, std::string> first;
        TDirBlock back("Carotix");
        for (const std::string& table : CsvTableNames(*IniCsv)) {
            if (!CsvTableHasRows(*IniCsv, table, sample_, listed_)) continue;
            CsvReport report;
            first[table] = ExportCsvData(sample_, listed_, FindCsvSection(*IniCsv, table), report);
            ImportCsvData(Cp1252ToUtf8(first[table]), FindCsvSection(*IniCsv, table), back, table + ".csv", report);
            EXPECT_FALSE(report.HasRemarks()) << report.Summary(table);
        }
        for (const auto& [table, bytes] : first) {
            CsvReport report;
            EXPECT_EQ(ExportCsvData(back, listed_, FindCsvSection(*IniCsv, table), report), bytes) << table;
        }
        std::map<std::string, std::set<std::string>> columns;
        const auto sent = TableRows(sample_, columns, true);
        const auto got = TableRows(back, columns, false);
        for (const auto& [table, rows] : sent)
            EXPECT_EQ(got.count(table) ? got.at(table) : std::vector<std::string>(), rows) << table;
    }
}

// Each shipped filter file carries what its filters list, every table with its
// designation (the site sheets carry no open hole), and writes no value the
// sample does not hold.
TEST_F(SampleRoundTrip, ThroughTheFixedWidthFilesOfEachShippedFilter)
{
    struct Case {
        const char* filter;
        std::vector<std::string> carried, withDesign, dossier;
        std::string uncarried;  // the remark of the export as a whole
    };
    for (const Case& k : {Case{"filtre_bss.txt",
                               {"Ouvrage", "Niveau", "Trou-nu", "Tubage", "Annulaire"},
                               {"Ouvrage", "Niveau", "Trou-nu", "Tubage", "Annulaire"},
                               {"Nature", "Commune", "Lieu-Dit"},
                               "Non exporté (absent du filtre) : Ouvrage\\Zone, Ouvrage\\Nature, Ouvrage\\Usage, "
                               "Ouvrage\\Etat, Dossier\\NomDep, Dossier\\Dep, Niveau\\Aquifere, Annulaire\\GranDe, "
                               "Annulaire\\GranA, AnnulaireInterne (toutes les colonnes)"},
                          Case{"filtre_chantier.txt",
                               {"Ouvrage", "Niveau", "Tubage", "Annulaire"},
                               {"Ouvrage", "Niveau", "Tubage", "Annulaire"},
                               {"Commune"},
                               "Non exporté (absent du filtre) : Ouvrage\\ProfEau, Ouvrage\\Zone, Ouvrage\\Nature, "
                               "Ouvrage\\Usage, Ouvrage\\Etat, Dossier\\Nature, Dossier\\Lieu-Dit, Dossier\\NomDep, "
                               "Dossier\\Dep, Niveau\\Strati, Niveau\\Aquifere, Trou-nu (toutes les colonnes), ... (3 de "
                               "plus)"}}) {
        SCOPED_TRACE(k.filter);
        const std::string filter = (program_ / k.filter).string();
        std::vector<std::string> headers;
        LoadFilterNames(filter, headers);
        std::vector<ExportCheckItem> items;
        UpdateExportCheckItems(items, OracleExportItems(headers));
        CheckOracleTables(items, headers, sample_);
        const fs::path folder = out_ / fs::path(k.filter).stem().string();
        fs::create_directories(folder);
        std::vector<std::string> ticked;
        std::set<std::string> carried;
        for (const ExportCheckItem& item : items) {
            if (!item.Checked) continue;
            OracleExportReport report;
            ExportOracleFile((folder / item.Text).string(), sample_, filter, report);
            EXPECT_FALSE(report.HasRemarks()) << report.Summary();
            ticked.push_back(item.Text);
            carried.insert(report.Carried.begin(), report.Carried.end());
        }
        EXPECT_EQ(ticked.size(), items.size());
        EXPECT_EQ(UncarriedSummary(sample_, carried), k.uncarried);
        TDirBlock back("Carotix");
        for (const std::string& file : ticked) {
            OracleImportReport report;
            ImportOracleFile((folder / file).string(), &back, filter, report);
            EXPECT_FALSE(report.HasRemarks()) << report.Summary();
        }
        ExpectSameOuvrages(back, k.carried, k.withDesign, true, k.dossier);
    }
}

// The collection window as the download sees it, on the sample.
struct SampleHost : DownloadHost {
    explicit SampleHost(TDirBlock& r) : root(r) {}
    TDirBlock& root;
    int dialogs = 0;
    TDirBlock& Root() override { return root; }
    bool HasOuvrage(const std::string& i, const std::string& d) override
    {
        return root.IndexOfPathString(i + "\\Ouvrage\\" + kDesign, d) >= 0;
    }
    void RefreshList() override {}
    void FillView(const std::string&, const std::string&) override {}
    void RedrawLog() override {}
    MsgResult ChooseDesignation(const std::string&, const std::vector<std::string>&, int&) override
    {
        ++dialogs;
        return MsgResult::Cancel;
    }
};

// The log as drawn: every call the drawing makes on a canvas, with its
// points, texts, rectangles, pens, brushes and fonts, one line each.
std::vector<std::string> DrawLog(const TDirBlock& root, const std::string& indice, const std::string& design,
                                 const std::string& tube)
{
    RecordingCanvas canvas;
    EXPECT_TRUE(DessinerCoupe(root, indice, design, tube, canvas, 0, 0, 999, 1413, MissingFloat, MissingFloat, true));
    SetDrawCanvas(nullptr);
    std::vector<std::string> lines;
    for (const CanvasRecord& r : canvas.Records) {
        std::string line = std::to_string(static_cast<int>(r.Op)) + " " + r.Text + " rect " +
                           std::to_string(r.Rect.Left) + "," + std::to_string(r.Rect.Top) + "," +
                           std::to_string(r.Rect.Right) + "," + std::to_string(r.Rect.Bottom) + " pen " +
                           std::to_string(r.Pen.Color) + "/" + std::to_string(r.Pen.Width) + " brush " +
                           std::to_string(r.Brush.Color) + " font " + r.Font.Name + "/" + std::to_string(r.Font.Height) +
                           " colour " + std::to_string(r.Colour) + " points";
        for (const TPoint& p : r.Points) line += " " + std::to_string(p.X) + "," + std::to_string(p.Y);
        for (std::int32_t n : r.Counts) line += " #" + std::to_string(n);
        lines.push_back(std::move(line));
    }
    return lines;
}

// "Télécharger de la base de données" on each ouvrage of the sample, from the
// shipped data/carotix.db through the shipped sql.ini, and from a PostgreSQL
// server loaded with scripts/sample_db.sql: no designation dialog, no
// message, every value of the ouvrage's tables as it was, and the log drawn
// call for call as before (every tube of the piezometer).
TEST_F(SampleRoundTrip, ThroughTheSampleDatabase)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi ui(fake);
    PostgresServer server;
    for (const bool postgres : {false, true}) {
        SCOPED_TRACE(postgres ? "PostgreSQL" : "SQLite");
        TDatabase db;
        if (postgres) {
            if (!server.Start()) GTEST_SKIP() << "PostgreSQL part skipped: " << server.Problem();
            std::ifstream f(fs::path(CAROTIX_SOURCE_DIR) / "scripts" / "sample_db.sql", std::ios::binary);
            const std::string sql{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
            ASSERT_TRUE(server.RunSql("DROP SCHEMA public CASCADE; CREATE SCHEMA public;\n" + sql));
            db.AliasName = kPostgresAlias;
            db.Params = server.Params();
        } else {
            db.AliasName = kSqliteAlias;
            db.Params = {"DATABASE NAME=carotix.db"};
            db.BaseFolder = program_.path();
        }
        DownloadEachOuvrage(fake, db);
    }
}

void SampleRoundTrip::DownloadEachOuvrage(FakeUiServices& fake, TDatabase& db)
{
    struct Case {
        std::string indice, design, tube;
    };
    for (const Case& k : {Case{"PUITS-1", "PUITS-1", ""}, Case{"F-VAL-01", "F1", ""}, Case{"F-VAL-01", "F2", ""},
                          Case{"PZ-MULTI", "PZ-MULTI", "PMT1"}, Case{"PZ-MULTI", "PZ-MULTI", "PMT2"},
                          Case{"PZ-MULTI", "PZ-MULTI", "PMT3"}}) {
        SCOPED_TRACE(k.indice + "/" + k.design + " " + k.tube);
        TDirBlock sample("Carotix");
        sample.LoadFromFile((fs::path(CAROTIX_DATA_DIR) / "Exemples" / "exemple.crx").string());
        const std::unique_ptr<TDirBlock> before = sample.FindDir(k.indice)->CloneDir();
        const std::vector<std::string> drawn = DrawLog(sample, k.indice, k.design, k.tube);
        ASSERT_GT(drawn.size(), 20u);

        SampleHost host(sample);
        EnsureConnected(db);
        ASSERT_TRUE(DownloadOuvrage(host, db, k.indice, k.design));
        EXPECT_EQ(host.dialogs, 0);
        EXPECT_TRUE(fake.Prompts().empty());

        const TDirBlock* after = sample.FindDir(k.indice);
        ASSERT_NE(after, nullptr);
        for (const auto& table : before->Items()) {
            const TDirBlock& old = static_cast<const TDirBlock&>(*table);
            for (const auto& column : old.Items())
                for (int r = 0; r < old.RowCount(); ++r)
                    EXPECT_EQ(after->GetPathString(table->Name + "\\" + column->Name, r),
                              old.GetPathString(column->Name, r))
                        << table->Name << "\\" << column->Name << " row " << r;
        }
        EXPECT_EQ(DrawLog(sample, k.indice, k.design, k.tube), drawn) << "the log changed";
    }
}

}  // namespace
