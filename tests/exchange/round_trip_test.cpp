// Round trips of collections through the CSV files of the shipped csv.ini
// and the fixed-width files of each shipped filter file: every value a
// format can hold comes back, and what it cannot hold is said in the export's
// remarks. Also what users bring: a spreadsheet cell holding a line break, a
// line with a value that does not convert, and the levels export.
#include "exchange/csv_exchange.h"
#include "exchange/filter_file.h"
#include "exchange/fixed_width_export.h"
#include "exchange/fixed_width_import.h"
#include "exchange/levels_export.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kD = "D\xC3\xA9sign";

std::string Shipped(const std::string& name) { return (fs::path(CAROTIX_DATA_DIR) / name).string(); }

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override { OptionsInitialize(program_.path()); }
    void TearDown() override { OptionsRelease(); }

    // Writes the file as the user brings it and imports it; "" or the message.
    std::string ImportCsv(const std::string& file, const std::string& bytes, TDirBlock& into)
    {
        WriteFileBytes(out_ / file, bytes);
        CsvReport report;
        try {
            ImportCsvFile((out_ / file).string(), into, report);
        } catch (const ECsvError& e) {
            return e.what();
        }
        return {};
    }
    std::string PathOf(const std::string& file) const { return (out_ / file).string(); }

    ScopedDecimalSeparator comma_{','};
    TempProgramDir program_;
    TempDir out_;
    TDirBlock root_{"Carotix"};
};

// ---- the generated collection ----------------------------------------------

struct Generated {
    TDirBlock root{"Carotix"};
    std::vector<CsvExportRow> rows;  // one per ouvrage, as the collection window lists them
    std::string longLitho;           // where the values that no format holds whole lie
    std::string brokenLitho;
    std::string preciseX;
};

const char* const kLitho[] = {"Argile \"grise\"; sableuse", "Sable d'\xC5\x93uvre \xC3\xA0 galets",
                              "Marne;calcaire", "Gr\xC3\xA8s 'fin' \xE2\x80\x93 ocre"};
const char* const kCode[] = {"AR;G", "S\xC3\x89\"1", "GR'S"};
const char* const kType[] = {"COUPE", "\xC3\x89;'"};
const char* const kStrati[] = {"Quaternaire", "Cr\xC3\xA9tac\xC3\xA9 sup."};
const char* const kDesigns[] = {"F1 \"Nord\"", "PZ-\xC3\x89;2", "L'Aube"};

void MakeCollection(Generated& g)
{
    struct Spec {
        std::string indice;
        int ouvrages;
    };
    std::vector<Spec> specs = {{"069-\xC3\x89" "1 \"q\"", 3}, {"BSS;0056", 1}, {"P'3 \xC3\x98", 2}};
    specs.push_back({"04X/0056", 2});
    int n = 0;  // ouvrages so far, to vary the values
    for (const Spec& s : specs) {
        const std::string b = s.indice + "\\";
        int level = 0;
        for (int o = 0; o < s.ouvrages; ++o, ++n) {
            const std::string design = kDesigns[o];
            g.rows.push_back({s.indice, design});
            const std::string ov = b + "Ouvrage\\";
            g.root.SetPathString(ov + kD, o, btString, design);
            g.root.SetPathString(ov + "Nature", o, btString, n % 2 ? "PUITS" : "FORAGE-GEO");
            g.root.SetPathInt(ov + "Zone", o, btInt, n % 2 ? 6 : 2);
            g.root.SetPathFloat(ov + "X", o, btFloat, n == 1 ? 842315.1234 : 842315.12 + n);
            g.root.SetPathFloat(ov + "Y", o, btFloat, 6519870.5 - 10 * n);
            g.root.SetPathFloat(ov + "Z", o, btFloat, -12.5 + 0.25 * n);  // below the sea
            g.root.SetPathFloat(ov + "Prof", o, btFloat, 45.5 + n);
            g.root.SetPathFloat(ov + "ProfEau", o, btFloat, 12.35);
            g.root.SetPathFloat(ov + "DiamTube", o, btFloat, n % 2 ? 244.5 : 152.4);
            g.root.SetPathString(ov + "DateEau", o, btString, "20010512");
            if (n == 1) g.preciseX = s.indice + "\\Ouvrage\\X[" + IntToStr(o) + "]";

            for (int k = 0; k < 3; ++k, ++level) {
                const std::string nv = b + "Niveau\\";
                std::string litho = kLitho[(n + k) % 4];
                if (n == 2 && k == 1) {
                    litho = "Calcaire \xC3\xA0 silex, tr\xC3\xA8s fractur\xC3\xA9, avec passages "
                            "marneux gris et \"karst\"";  // 70 characters
                    g.longLitho = s.indice + "\\Niveau\\Litho[" + IntToStr(level) + "]";
                }
                if (n == 3 && k == 2) {
                    litho = "Argile brune\r\nvers 3 m";
                    g.brokenLitho = s.indice + "\\Niveau\\Litho[" + IntToStr(level) + "]";
                }
                g.root.SetPathString(nv + kD, level, btString, design);
                g.root.SetPathFloat(nv + "Deb", level, btFloat, -0.5 + 4.25 * k);
                g.root.SetPathFloat(nv + "Fin", level, btFloat, 3.75 + 4.25 * k);
                g.root.SetPathString(nv + "Litho", level, btString, litho);
                g.root.SetPathString(nv + "CodeNiv", level, btString, kCode[(n + k) % 3]);
                g.root.SetPathString(nv + "Type", level, btString, kType[k % 2]);
                g.root.SetPathString(nv + "Strati", level, btString, kStrati[n % 2]);
            }

            const std::string tb = b + "Tubage\\";
            g.root.SetPathString(tb + kD, o, btString, design);
            g.root.SetPathFloat(tb + "Deb", o, btFloat, -0.5);
            g.root.SetPathFloat(tb + "Fin", o, btFloat, 12.5 + n);
            g.root.SetPathFloat(tb + "Diam", o, btFloat, n % 2 ? 152.4 : 244.5);
            if (n != 5) {  // a casing with neither tube name, type nor material
                g.root.SetPathString(tb + "NomTube", o, btString, o ? "TUBE \"2\"" : "CUVELAGE");
                g.root.SetPathInt(tb + "Type", o, btInt, 1);
                g.root.SetPathInt(tb + "Nature", o, btInt, 4);
            }
            g.root.SetPathFloat(tb + "LargFente", o, btFloat, 0.5);
            g.root.SetPathInt(tb + "NbCentr", o, btInt, 3 + n);

            const std::string an = b + "Annulaire\\";
            if (s.ouvrages > 1) g.root.SetPathString(an + kD, o, btString, design);  // else the borehole's fill
            g.root.SetPathFloat(an + "Deb", o, btFloat, 0);
            g.root.SetPathFloat(an + "Fin", o, btFloat, 10.25);
            g.root.SetPathInt(an + "Type", o, btInt, 1);
            g.root.SetPathInt(an + "Nature", o, btInt, 2);

            const std::string tn = b + "Trou-nu\\";
            g.root.SetPathString(tn + kD, o, btString, design);
            g.root.SetPathFloat(tn + "Deb", o, btFloat, 0);
            g.root.SetPathFloat(tn + "Fin", o, btFloat, 45.5 + n);
            g.root.SetPathFloat(tn + "Diam", o, btFloat, 311.15);
            g.root.SetPathInt(tn + "M\xC3\xA9thode", o, btInt, 1);
            g.root.SetPathInt(tn + "Fluide", o, btInt, 3);
        }
        {
            const std::string ds = b + "Dossier\\";
            g.root.SetPathString(ds + "Nature", 0, btString, "FORAGE");
            g.root.SetPathString(ds + "Commune", 0, btString, "Saint-\xC3\x89tienne; Loire");
            g.root.SetPathString(ds + "Lieu-Dit", 0, btString, "L'Or\xC3\xA9" "e \"du\" bois");
            g.root.SetPathString(ds + "Entrepreneur", 0, btString, "Forages du Rh\xC3\xB4ne");
            g.root.SetPathString(ds + "DateDossier", 0, btString, "20190415");
            g.root.SetPathInt(ds + "Comm", 0, btInt, 218);
            g.root.SetPathString(ds + "Observations", 0, btString, "Note; \"voir\" l'annexe");
        }
    }
}

// Where `back` differs from `sent`, as "Indice\Table\Column[row]", over the
// columns of `sent` (only the paths of `carried` when given). Rows `back`
// holds beyond those of `sent` must be empty.
std::set<std::string> Differences(const TDirBlock& sent, const TDirBlock& back,
                                  const std::set<std::string>* carried = nullptr)
{
    std::set<std::string> out;
    for (const auto& bh : sent.Items()) {
        const TDirBlock* from = static_cast<const TDirBlock*>(bh.get());
        const int at = back.IndexOfName(bh->Name);
        const TDirBlock* to = at >= 0 ? back.ChildDir(at) : nullptr;
        if (!to) {
            out.insert(bh->Name + " absent");
            continue;
        }
        for (const auto& table : from->Items()) {
            for (const auto& column : static_cast<const TDirBlock&>(*table).Items()) {
                const std::string path = table->Name + "\\" + column->Name;
                if (carried && !carried->count(path)) continue;
                const TBlock* got = to->FindBlock(path);
                const int sentRows = column->Count(), gotRows = got ? got->Count() : 0;
                for (int i = 0; i < std::max(sentRows, gotRows); ++i) {
                    const std::string a = i < sentRows ? column->GetString(i) : std::string();
                    const std::string b = got && i < gotRows ? got->GetString(i) : std::string();
                    if (a != b) out.insert(bh->Name + "\\" + path + "[" + IntToStr(i) + "]");
                }
            }
        }
    }
    return out;
}

// The value paths the main filters of a filter file read and write.
std::set<std::string> CarriedPaths(const std::string& filterText)
{
    std::set<std::string> paths;
    std::vector<std::string> names;
    ParseFilterNames(filterText, names);
    for (const std::string& header : names) {
        TFiltre main;
        ParseFilter(filterText, main, header.substr(0, header.find('(')), false, FilterSingleTubeName());
        std::vector<std::string> subs;
        for (const TFilterField& f : main)
            if (f.IsSelector) subs = SelectorNames(f);
        auto data = [](const TFilterField& f) { return !f.IsKey && !f.IsSelector && f.FieldName != "."; };
        for (const TFilterField& f : main)
            if (data(f) && subs.empty()) paths.insert(f.FieldName);
        for (const std::string& sub : subs) {
            std::string prefix = sub;
            prefix[0] = static_cast<char>(prefix[0] - 'a' + 'A');
            for (const TFilterField& f : main)
                if (data(f)) paths.insert(prefix + "\\" + f.FieldName);
            TFiltre fields;
            ParseFilter(filterText, fields, sub, true, FilterSingleTubeName());
            for (const TFilterField& f : fields)
                if (data(f)) paths.insert(f.FieldName);
        }
    }
    return paths;
}

// Exports every main filter of a shipped filter file and imports the files
// back into `back`; answers the export's remarks, all files together.
OracleExportReport ThroughFilterFile(const TDirBlock& root, const std::string& filterFile, const fs::path& folder,
                                     TDirBlock& back)
{
    OracleExportReport all;
    std::vector<std::string> names;
    ParseFilterNames(ReadFilterFileText(Shipped(filterFile)), names);
    for (const std::string& file : OracleExportItems(names)) {
        OracleExportReport report;
        const std::string data = (folder / file).string();
        ExportOracleFile(data, root, Shipped(filterFile), report);
        all.CutTexts += report.CutTexts;
        all.WideNumbers += report.WideNumbers;
        all.LineBreaks += report.LineBreaks;
        all.CutKeys += report.CutKeys;
        all.RoundedNumbers += report.RoundedNumbers;
        all.Defaults += report.Defaults;
        all.SharedRows += report.SharedRows;
        for (const std::string& f : report.RoundedFields) all.RoundedFields.push_back(f);
        if (report.HasRemarks()) all.Notes.push_back(report.Summary());
        OracleImportReport in;
        ImportOracleFile(data, &back, Shipped(filterFile), in);
        EXPECT_FALSE(in.HasRemarks()) << in.Summary();
    }
    return all;
}

TEST_F(RoundTrip, GeneratedCollectionThroughCsv)
{
    Generated g;
    MakeCollection(g);
    CsvReport out;
    std::vector<std::string> tables;
    for (const std::string& table : CsvTableNames(*IniCsv)) {
        if (!CsvTableHasRows(*IniCsv, table, g.root, g.rows)) continue;
        ExportCsvFile(PathOf(table + ".csv"), table, g.root, g.rows, out);
        tables.push_back(table);
    }
    EXPECT_EQ(tables, (std::vector<std::string>{"Ouvrages", "Dossiers", "Niveaux", "TrousNus", "Tubages",
                                                "Annulaires"}));
    TDirBlock back("Carotix");
    for (const std::string& table : tables) {
        CsvReport in;
        ImportCsvFile(PathOf(table + ".csv"), back, in);
        EXPECT_FALSE(in.HasRemarks()) << in.Summary(table);
    }
    // The CSV holds every value but a line break, written as a space and said.
    // The shipped csv.ini carries no tube name.
    std::set<std::string> lost = Differences(g.root, back);
    std::erase_if(lost, [](const std::string& d) { return d.find("\\Tubage\\NomTube[") != std::string::npos; });
    // A casing without type or material is written with the lexicon's label
    // of NULL, which reads back as its code 0 ("Non précisé").
    lost.erase("P'3 \xC3\x98\\Tubage\\Type[1]");
    lost.erase("P'3 \xC3\x98\\Tubage\\Nature[1]");
    EXPECT_EQ(lost, (std::set<std::string>{g.brokenLitho}));
    EXPECT_EQ(out.LineBreaks, 1);
    EXPECT_EQ(back.ItemCount(), g.root.ItemCount());
}

TEST_F(RoundTrip, GeneratedCollectionThroughEachShippedFilterFile)
{
    Generated g;
    MakeCollection(g);
    struct Case {
        const char* filterFile;
        std::set<std::string> lost;  // values the format cannot hold whole
        std::int64_t cutTexts;
    };
    const Case cases[] = {{"filtre_bss.txt", {g.brokenLitho, g.preciseX}, 0},
                          {"filtre_chantier.txt", {g.brokenLitho, g.preciseX, g.longLitho}, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filterFile);
        const fs::path folder = out_ / c.filterFile;
        fs::create_directories(folder);
        TDirBlock back("Carotix");
        const OracleExportReport report = ThroughFilterFile(g.root, c.filterFile, folder, back);
        const std::set<std::string> carried = CarriedPaths(ReadFilterFileText(Shipped(c.filterFile)));
        EXPECT_TRUE(carried.count("Ouvrage\\DiamTube"));
        EXPECT_EQ(Differences(g.root, back, &carried), c.lost);
        // What did not come back whole is in the remarks: the number by its field.
        EXPECT_EQ(report.LineBreaks, 1);
        EXPECT_EQ(report.CutTexts, c.cutTexts);
        EXPECT_EQ(report.RoundedFields, std::vector<std::string>{"Ouvrage\\X"});
        EXPECT_EQ(report.WideNumbers + report.CutKeys, 0);
        // Each ouvrage keeps its own rows (the designations are compared
        // above), the fill of the whole borehole stays so, and no value is
        // written where the collection holds none.
        EXPECT_TRUE(carried.count("Niveau\\" + kD) && carried.count("Tubage\\" + kD)
                    && carried.count("Annulaire\\" + kD));
        EXPECT_EQ(report.Defaults + report.SharedRows, 0);
        EXPECT_EQ(back.FindBlock("BSS;0056\\Annulaire\\" + kD), nullptr);
        EXPECT_EQ(back.GetPathString("P'3 \xC3\x98\\Tubage\\NomTube", 1), "");
    }

    // A filter that cannot hold the levels' designations, or writes a default
    // for a material the casing lacks, says so.
    const std::string filter = "T\r\n->coupes.ora\r\n*Indice:A12,Niveau\\Deb:F6\r\n->cuvelage.ora\r\n"
                               "*Indice:A12,Tubage\\" + kD + ":A16,Tubage\\Nature:A10=\"PVC\"\r\n";
    OracleExportReport levels, casing;
    levels.DataFile = "coupes.ora";
    ExportOracleData(g.root, "coupes.ora", filter, levels);
    EXPECT_EQ(levels.Summary(), "coupes.ora :\n- 3 indice(s) \xC3\xA0 plusieurs ouvrages dont les lignes (Niveau) sont "
                                "\xC3\xA9" "crites sans leur d\xC3\xA9signation : relues, elles seront communes \xC3\xA0 "
                                "tous les ouvrages de l'indice");
    casing.DataFile = "cuvelage.ora";
    ExportOracleData(g.root, "cuvelage.ora", filter, casing);
    EXPECT_EQ(casing.Summary(), "cuvelage.ora :\n- 1 valeur(s) vide(s) \xC3\xA9" "crite(s) avec la valeur par "
                                "d\xC3\xA9" "faut du filtre (Tubage\\Nature)");

    // The casing of an ouvrage listed without designation, next to one that
    // has a designation, is written with blanks only: read back, it would be
    // the casing of both, and each shipped filter says so. So are two
    // designations that a filter writes alike, cut to its width.
    TDirBlock blank("Carotix");
    blank.SetPathString("P1\\Ouvrage\\" + kD, 1, btString, "F2");
    blank.SetPathString("P1\\Tubage\\" + kD, 0, btString, "");
    blank.SetPathFloat("P1\\Tubage\\Fin", 0, btFloat, 5);
    blank.SetPathString("P2\\Ouvrage\\" + kD, 0, btString, "PIEZOMETRE AMONT 1");
    blank.SetPathString("P2\\Ouvrage\\" + kD, 1, btString, "PIEZOMETRE AMONT 2");
    struct Shared {
        const char *filterFile, *casing, *ouvrages;
        std::int64_t joined;
    };
    for (const Shared& c : {Shared{"filtre_bss.txt", "equipement.ora", "ouvrage.ora", 0},
                            Shared{"filtre_chantier.txt", "cuvelage.ora", "forages.ora", 1}}) {
        OracleExportReport casing, ouvrages;
        ExportOracleData(blank, c.casing, ReadFilterFileText(Shipped(c.filterFile)), casing);
        EXPECT_EQ(casing.SharedTables, std::vector<std::string>{"Tubage"}) << c.filterFile;
        ExportOracleData(blank, c.ouvrages, ReadFilterFileText(Shipped(c.filterFile)), ouvrages);
        EXPECT_EQ(ouvrages.JoinedDesigns, c.joined) << c.filterFile;
    }

    // Two indices cut alike by the key fields come back as one borehole, and
    // the remark says so, as it says it of designations; one cut to a key of
    // its own, or two through a wide enough key, come back apart.
    struct Keys {
        const char *filterFile, *file;
        std::vector<std::string> indices;
        std::string joined;  // "" or the remark's line
    };
    const std::string joinedWords = "\n- 1 indice(s) diff\xC3\xA9rent(s), coup\xC3\xA9(s) \xC3\xA0 la largeur des "
                                    "champs cl\xC3\xA9s, s'\xC3\xA9" "crivent comme un autre : relus, leurs forages "
                                    "n'en feront qu'un :\n  ";
    for (const Keys& c : {Keys{"filtre_chantier.txt", "forages.ora", {"FORAGE-0001A", "FORAGE-0001B"},
                               joinedWords + "FORAGE-0001B (comme FORAGE-0001A)"},
                          Keys{"filtre_chantier.txt", "forages.ora", {"FORAGE-1A", "FORAGE-0001B"}, ""},
                          Keys{"filtre_bss.txt", "ouvrage.ora", {"FORAGE-0001A", "FORAGE-0001B"}, ""}}) {
        SCOPED_TRACE(std::string(c.filterFile) + " " + c.indices[0] + " " + c.indices[1]);
        TDirBlock two("Carotix");
        for (std::size_t i = 0; i < c.indices.size(); ++i) {
            two.SetPathString(c.indices[i] + "\\Ouvrage\\" + kD, 0, btString, "F1");
            two.SetPathFloat(c.indices[i] + "\\Ouvrage\\X", 0, btFloat, 100.0 + static_cast<double>(i));
        }
        OracleExportReport report;
        const std::string bytes = ExportOracleData(two, c.file, ReadFilterFileText(Shipped(c.filterFile)), report);
        EXPECT_EQ(report.JoinedKeys, c.joined.empty() ? 0 : 1);
        const std::string summary = report.Summary();
        EXPECT_EQ(summary.find(joinedWords) == std::string::npos ? std::string() : summary.substr(summary.find(joinedWords)),
                  c.joined);
        TDirBlock back("Carotix");
        WriteFileBytes(out_ / c.file, bytes);
        OracleImportReport in;
        ImportOracleFile((out_ / c.file).string(), &back, Shipped(c.filterFile), in);
        EXPECT_EQ(back.ItemCount(), c.joined.empty() ? 2 : 1);
    }
}

// A casing of 152.4 mm comes back as 152.4 through every shipped filter, and a
// filter that reads the diameter as an integer says it drops the decimals.
TEST_F(RoundTrip, DecimalDiametersThroughEachShippedFilter)
{
    root_.SetPathString("P1\\Ouvrage\\" + kD, 0, btString, "F1");
    root_.SetPathFloat("P1\\Ouvrage\\DiamTube", 0, btFloat, 152.4);
    root_.SetPathString("P1\\Tubage\\" + kD, 0, btString, "F1");
    root_.SetPathString("P1\\Tubage\\NomTube", 0, btString, "CUVELAGE");
    root_.SetPathFloat("P1\\Tubage\\Deb", 0, btFloat, 0);
    root_.SetPathFloat("P1\\Tubage\\Fin", 0, btFloat, 12);
    root_.SetPathFloat("P1\\Tubage\\Diam", 0, btFloat, 244.5);
    for (const char* filterFile : {"filtre_bss.txt", "filtre_chantier.txt"}) {
        SCOPED_TRACE(filterFile);
        const fs::path folder = out_ / filterFile;
        fs::create_directories(folder);
        TDirBlock back("Carotix");
        const OracleExportReport report = ThroughFilterFile(root_, filterFile, folder, back);
        EXPECT_FALSE(report.HasRemarks()) << report.Summary();
        EXPECT_EQ(back.GetPathFloat("P1\\Ouvrage\\DiamTube", 0), 152.4);
        EXPECT_EQ(back.GetPathFloat("P1\\Tubage\\Diam", 0), 244.5);
    }

    const std::string filter = "T\r\n->o.ora\r\n*Indice:A4;Ouvrage\\DiamTube:I4;Tubage\\Diam:F4;Tubage\\Fin:I3\r\n";
    OracleExportReport report;
    report.DataFile = "o.ora";
    EXPECT_EQ(ExportOracleData(root_, "o.ora", filter, report), "P1  ; 152; 245; 12\r\n");
    EXPECT_EQ(report.RoundedNumbers, 2);
    EXPECT_EQ(report.Summary(), "o.ora :\n- 2 nombre(s) \xC3\xA9" "crit(s) sans toutes leurs d\xC3\xA9" "cimales, "
                                "faute de place ou dans un champ entier (Ouvrage\\DiamTube, Tubage\\Diam)");
}

// Quotes as people write them: a cell typed over two lines in a spreadsheet
// is one cell, whatever the line ends; a quote inside a cell is an ordinary
// character, and so is text after a quoted cell closed on its own line; a
// quote that never closes, or that closes lines later before more text, is an
// error at the line where it opened, and nothing of its record is written.
TEST_F(RoundTrip, QuotesAsPeopleWriteThem)
{
    const std::string unclosed = " : le guillemet qui ouvre la valeur n'est jamais ferm\xC3\xA9.";
    const std::string followed = " : le guillemet qui ferme la valeur (ligne ";
    const std::string neither = ") n'est suivi ni d'un \";\" ni d'une fin de ligne.";
    struct Case {
        std::string body;                  // after the header INDICE;DESCRIPTION;CODE
        std::vector<std::string> litho, code;  // P1's levels
        std::string error;                 // "" or ", ligne L, colonne C" + the reason
    };
    const Case cases[] = {
        {"P1;\"Terre\r\nv\xE9g\xE9tale\";TV\r\n", {"Terre\r\nv\xC3\xA9g\xC3\xA9tale"}, {"TV"}, ""},
        {"P1;\"Terre\nv\xE9g\xE9tale\";TV\n", {"Terre\nv\xC3\xA9g\xC3\xA9tale"}, {"TV"}, ""},
        {"P1;Tube 8\" PVC;TV\r\nP1;x\"y\"z;\"\"\r\nP1;\"a \"\"b\"\"\";\"8\"\"\"\r\n",
         {"Tube 8\" PVC", "x\"y\"z", "a \"b\""}, {"TV", "", "8\""}, ""},
        {"P1;\"Terre\r\nvegetale;TV\r\n", {}, {}, ", ligne 2, colonne DESCRIPTION" + unclosed},
        {"P1;ok;A\r\nP1;\"8 pouces;X\r\nP2;Sable;SA\r\n", {"ok"}, {"A"}, ", ligne 3, colonne DESCRIPTION" + unclosed},
        {"P1;\"a\r\nb\r\nc\";1\r\nP1;d;\"e\r\n", {"a\r\nb\r\nc"}, {"1"}, ", ligne 5, colonne CODE" + unclosed},
        // A quote left open that a later cell's quote would close.
        {"P1;ok;A\r\nP1;\"8 pouces;X\r\nP2;Sable;SA\r\nP3;\"Argile\";AR\r\n", {"ok"}, {"A"},
         ", ligne 3, colonne DESCRIPTION" + followed + "5" + neither},
        {"P1;\"8\r\npouces\" PVC;X\r\n", {}, {}, ", ligne 2, colonne DESCRIPTION" + followed + "3" + neither},
        // Closed on its own line and followed by text: kept as typed.
        {"P1;\"8\" PVC;X\r\nP1;\"a;b\" c ;\"\"\"\" d\r\n", {"\"8\" PVC", "\"a;b\" c "}, {"X", "\"\"\"\" d"}, ""},
        {"P1;\"8\"\"\" \t;X\r\n", {"8\""}, {"X"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        TDirBlock root("Carotix");
        const std::string message = ImportCsv("Niveaux.csv", "INDICE;DESCRIPTION;CODE\r\n" + c.body, root);
        const std::string stop = "\nCette ligne et les suivantes n'ont pas \xC3\xA9t\xC3\xA9 import\xC3\xA9" "es.";
        EXPECT_EQ(message, c.error.empty() ? std::string()
                                           : "Erreur dans le fichier " + PathOf("Niveaux.csv") + c.error + stop);
        // No borehole other than P1, and P1 only with what came before.
        EXPECT_EQ(root.ItemCount(), c.litho.empty() ? 0 : 1);
        auto column = [&](const std::string& path) {
            std::vector<std::string> values;
            const TBlock* b = root.FindBlock("P1\\Niveau\\" + path);
            for (int r = 0; b && r < b->Count(); ++r) values.push_back(b->GetString(r));
            return values;
        };
        const std::vector<std::string> litho = column("Litho"), code = column("CodeNiv");
        EXPECT_EQ(litho, c.litho);
        EXPECT_EQ(code, c.code);
    }
    // The line a conversion failure names is the file's, counting the lines inside cells.
    TDirBlock root("Carotix");
    const std::string message =
        ImportCsv("Niveaux.csv", "INDICE;DESCRIPTION;DE\r\nP1;\"a\r\nb\r\nc\";1\r\nP1;d;x\r\n", root);
    EXPECT_NE(message.find(", ligne 5, colonne DE :"), std::string::npos) << message;
}

// A value that does not convert stops the import at its line, and nothing of
// that line is kept: neither the cells before it, nor a new borehole, nor a
// column turned to another kind.
TEST_F(RoundTrip, ALineThatFailsLeavesNothing)
{
    struct Case {
        char separator;
        const char* file;
        std::string bytes;
        const char* column;
        const char* value;
        std::string why;
    };
    const std::string number = "n'est pas un nombre (le s\xC3\xA9parateur d\xC3\xA9" "cimal est \"";
    const Case cases[] = {
        {',', "Niveaux.csv", "INDICE;DE;A;DESCRIPTION\r\nP1;2;abc;Sable\r\nP1;5;6;Marne\r\n", "A", "abc",
         number + ",\")"},
        {'.', "Niveaux.csv", "INDICE;DE;A;DESCRIPTION\r\nP1;2;0,05;Sable\r\n", "A", "0,05", number + ".\")"},
        {',', "Niveaux.csv", "INDICE;DESCRIPTION;TYPE\r\nP1;Sable;COUPE\r\n", "TYPE", "COUPE",
         "n'est pas un nombre entier"},
        {',', "Ouvrages.csv", "INDICE;DESIGNATION;X;ZONE\r\nP2;F1;601234,5;Lambert 93\r\n", "ZONE", "Lambert 93",
         "n'est pas un nombre entier"},
        {',', "Ouvrages.csv", "INDICE;DESIGNATION;DATE_MESURE\r\nP3;F1;15/3/2024\r\n", "DATE_MESURE", "15/3/2024",
         "n'est pas une date JJ/MM/AAAA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        ScopedDecimalSeparator separator(c.separator);
        TDirBlock root("Carotix");
        // P1 holds a level already, and a column of integers where the file
        // brings text: a failing line must not grow nor convert them.
        root.SetPathFloat("P1\\Niveau\\Deb", 0, btFloat, 0);
        root.SetPathFloat("P1\\Niveau\\Fin", 0, btFloat, 2);
        root.SetPathString("P1\\Niveau\\Litho", 0, btString, "Argile");
        root.SetPathInt("P1\\Niveau\\Type", 0, btInt, 1);
        const std::unique_ptr<TBlock> copy = root.Clone();
        const TDirBlock& before = static_cast<const TDirBlock&>(*copy);
        const std::string message = ImportCsv(c.file, std::string(c.bytes), root);
        EXPECT_EQ(message, "Erreur dans le fichier " + PathOf(c.file) + ", ligne 2, colonne " + c.column
                               + " : la valeur \"" + c.value + "\" " + c.why
                               + ".\nCette ligne et les suivantes n'ont pas \xC3\xA9t\xC3\xA9 import\xC3\xA9" "es.");
        EXPECT_EQ(Differences(root, before), std::set<std::string>{});
        EXPECT_EQ(Differences(before, root), std::set<std::string>{});
        EXPECT_EQ(root.FindBlock("P1\\Niveau\\Type")->BlockType(), btInt);
    }
}

// The fixed-width import keeps nothing of a record that fails either, and
// names each number it could not read.
TEST_F(RoundTrip, FixedWidthRecordThatFailsLeavesNothing)
{
    const std::string filter = "T\r\n->a.ora\r\n*Indice:A4;Ouvrage\\Prof:F5;Ouvrage\\Diam:F5;\r\n";
    TDirBlock root("Carotix");
    OracleImportReport report;
    EXPECT_THROW(ImportOracleData("P1  ;   45;152,4;\r\nP1  ;   50;152,45;\r\n", "a.ora", &root, filter, report),
                 EOracleImportError);
    EXPECT_EQ(root.FindBlock("P1\\Ouvrage\\Prof")->Count(), 1);
    EXPECT_EQ(root.FindBlock("P1\\Ouvrage\\Diam")->Count(), 1);

    OracleImportReport numbers;
    ImportOracleData("P2  ;   45;  244;\r\nP2  ;  abc;  1x2;\r\n", "a.ora", &root, filter, numbers);
    EXPECT_EQ(numbers.UnreadableNumbers, 2);
    EXPECT_EQ(numbers.Notes,
              (std::vector<std::string>{
                  "Ligne 2, champ Ouvrage\\Prof : \"abc\" n'est pas un nombre, import\xC3\xA9 comme valeur manquante",
                  "Ligne 2, champ Ouvrage\\Diam : \"1x2\" n'est pas un nombre, import\xC3\xA9 comme valeur manquante"}));
}

// A level's description typed over two lines keeps its record on one line
// of the levels export, as the CSV export does, and the export says so.
TEST_F(RoundTrip, LevelsExportKeepsEachLevelOnOneLine)
{
    root_.SetPathString("P1\\Niveau\\Litho", 0, btString, "Terre\r\nv\xC3\xA9g\xC3\xA9tale");
    root_.SetPathInt("P1\\Niveau\\S\xC3\xA9lection", 0, btInt, 1);
    root_.SetPathString("P1\\Niveau\\Litho", 1, btString, "Sable");
    root_.SetPathInt("P1\\Niveau\\S\xC3\xA9lection", 1, btInt, 1);
    LevelsExportReport report;
    const std::string text = BuildLevelsExport(root_, {}, &report);
    EXPECT_EQ(text, "Indice;Litho\r\nP1;\"Terre v\xC3\xA9g\xC3\xA9tale\"\r\nP1;Sable\r\n");
    EXPECT_EQ(report.LineBreaks, 1);
    // Carotix's own CSV reader reads it back as two records.
    IniCsv->WriteSection("Niv=Niveau", {"LITHO=Litho"});
    TDirBlock back("Carotix");
    EXPECT_EQ(ImportCsv("Niv.csv", "INDICE;LITHO" + text.substr(text.find("\r\n")), back), "");
    EXPECT_EQ(back.FindBlock("P1\\Niveau\\Litho")->Count(), 2);
}

// A CSV file a little over 256 MiB reads whole: its last line is imported.
// The file is sparse (its lines of NUL bytes, blank to the reader, cost no
// disk), and an ASCII file is read once, not copied into a decoded text.
TEST_F(RoundTrip, ACsvFileOver256MiBReadsToItsLastLine)
{
    const fs::path file = out_ / "Ouvrages.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << "INDICE;X\r\n";
        const std::uint64_t size = (std::uint64_t{256} << 20) + (std::uint64_t{1} << 20);
        for (std::uint64_t at = std::uint64_t{1} << 20; at < size; at += std::uint64_t{1} << 20) {
            out.seekp(static_cast<std::streamoff>(at));
            out << "\r\n";
        }
        out << "P1;5\r\n";
    }
    ASSERT_GT(fs::file_size(file), std::uintmax_t{256} << 20);
    TDirBlock back("Carotix");
    CsvReport report;
    ImportCsvFile(file.string(), back, report);
    EXPECT_EQ(back.GetPathString("P1\\Ouvrage\\X", 0), "5");
    EXPECT_EQ(back.ItemCount(), 1);
}

// An ouvrage (or a borehole's dossier) that one file gives twice with
// different values keeps the last line's, and the remarks name it; given
// twice alike, or the second time with empty cells, it is no remark.
TEST_F(RoundTrip, AnOuvrageGivenTwiceDifferentlyIsNamed)
{
    const std::string words = "\n- 1 ouvrage(s) donn\xC3\xA9(s) plusieurs fois avec des valeurs diff\xC3\xA9rentes, "
                              "la derni\xC3\xA8re ligne gard\xC3\xA9" "e :\n  ";
    const struct {
        std::string table, body, named, x;
    } cases[] = {
        {"Ouvrages", "INDICE;DESIGNATION;X\r\nP1;A;1\r\nP1;B;3\r\nP1;A;2\r\n", "P1 (d\xC3\xA9signation A)", "2"},
        {"Ouvrages", "INDICE;DESIGNATION;X\r\nP1;;1\r\nP1;;2\r\n", "P1 (sans d\xC3\xA9signation)", "2"},
        {"Ouvrages", "INDICE;X\r\nP1;1\r\nP1;2\r\n", "P1 (sans d\xC3\xA9signation)", "2"},
        {"Ouvrages", "INDICE;DESIGNATION;X\r\nP1;A;1\r\nP1;A;1,0\r\nP1;A;\r\n", "", "1"},
        {"Ouvrages", "INDICE;DESIGNATION;X\r\nP1;A;1\r\nP1;B;2\r\n", "", "1"},
        {"Ouvrages", "INDICE;DESIGNATION;X;Y\r\nP1;A;;5\r\nP1;A;1;\r\n", "", "1"},
        {"Dossiers", "INDICE;COMMUNE\r\nP1;RENNES\r\nP1;BREST\r\n", "P1", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        TDirBlock root("Carotix");
        CsvReport report;
        ImportCsvData(c.body, FindCsvSection(*IniCsv, c.table), root, "f.csv", report);
        EXPECT_EQ(report.Summary("f.csv"), c.named.empty() ? "" : "f.csv :" + words + c.named);
        if (!c.x.empty()) { EXPECT_EQ(root.GetPathString("P1\\Ouvrage\\X", 0), c.x); }
        // A second file of the same ouvrage is a later import, no remark.
        CsvReport again;
        ImportCsvData(c.body.substr(0, c.body.find("\r\n") + 2) + c.body.substr(c.body.rfind("\r\n", c.body.size() - 3) + 2),
                      FindCsvSection(*IniCsv, c.table), root, "g.csv", again);
        EXPECT_FALSE(again.HasRemarks()) << again.Summary("g.csv");
    }
}

} // namespace
