// A borehole imported again, by every importer: the borehole's own tables
// (without "Désign", as "Dossier") keep what a later import leaves empty and
// keep their one row; an ouvrage imported again replaces its own rows; an
// index keeps its "/", and one renamed into a borehole already there is named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_dump.h"
#include "exchange/csv_exchange.h"
#include "exchange/dravel_import.h"
#include "exchange/fixed_width_export.h"
#include "exchange/fixed_width_import.h"
#include "exchange/import_rows.h"
#include "exchange/vexto_import.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"
#include "tree_text.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

// The whole tree, kinds included (a single value and a one-element array differ).
std::string Dump(const TDirBlock& dir)
{
    std::string out = DumpColumns(dir);
    for (const auto& child : dir.Items())
        if (child->IsDir()) out += "\n" + child->Name + ": " + Dump(static_cast<const TDirBlock&>(*child));
    return out;
}

class ImportAgain : public ::testing::Test {
protected:
    void SetUp() override { OptionsInitialize(program_.path()); }
    void TearDown() override { OptionsRelease(); }

    void Dravel(TDirBlock& root, const std::string& name, const std::string& text)
    {
        WriteFileBytes(program_ / name, text);
        ImportDravel((program_ / name).string(), root, dravel_);
    }
    void Csv(TDirBlock& root, const std::string& name, const std::string& text, CsvReport& report)
    {
        ImportCsvData(text, FindCsvSection(*IniCsv, name), root, name + ".csv", report);
    }

    ScopedDecimalSeparator comma_{','};
    TempProgramDir program_;
    DravelReport dravel_;
};

const char* const kOuvF1 =
    "[OUVRAGE]\nINDICE=0123-4X-0056\nDESIGNATION=F1\nNATURE=FORAGE\n"
    "[LOCALISATION]\nX=2,35\nLIEUDIT=Les Pr\xC3\xA9s\nCOMMUNE=RENNES\nINSEE=238\n"
    "DEPARTEMENT=Ille-et-Vilaine\nNUMDEP=35\n"
    "[DOSSIER]\nDATE=20010305\nDATEFIN=20010415\nMAITREOEUVRE=Commune\nENTREPRISE=Forages de l'Ouest\n"
    "OBSERVATIONS=RAS\n"
    "[Niveau1]\nDE=0\nA=1,5\n[Niveau2]\nDE=1,5\nA=12\n";
const char* const kOuvF2 = "[OUVRAGE]\nINDICE=0123-4X-0056\nDESIGNATION=F2\n[Niveau1]\nDE=0\nA=3\n";

TEST_F(ImportAgain, ASecondDravelOuvrageKeepsTheDossierAndAFileImportedTwiceChangesNothing)
{
    TDirBlock root("Carotix");
    Dravel(root, "ouv_f1.ini", kOuvF1);
    const std::string dossier = DumpColumns(*root.FindDir("0123-4X-0056\\Dossier"));
    EXPECT_EQ(dossier, "Lieu-Dit:s=Les Pr\xC3\xA9s Commune:s=RENNES Comm:i=238 NomDep:s=Ille-et-Vilaine Dep:i=35 "
                       "DateDossier:s=20010305 DateFin:s=20010415 Oeuvre:s=Commune "
                       "Entrepreneur:s=Forages de l'Ouest Observations:s=RAS");
    Dravel(root, "ouv_f2.ini", kOuvF2);
    // The second ouvrage gives no dossier: the first one's ten values stay.
    EXPECT_EQ(DumpColumns(*root.FindDir("0123-4X-0056\\Dossier")), dossier);
    const std::string both = Dump(root);
    EXPECT_EQ(root.GetPathString("0123-4X-0056\\Niveau\\" + kD, 2), "F2");

    // Each file again: the same collection, F1's rows where they stood.
    Dravel(root, "ouv_f1.ini", kOuvF1);
    EXPECT_EQ(Dump(root), both);
    Dravel(root, "ouv_f2.ini", kOuvF2);
    EXPECT_EQ(Dump(root), both);

    TDirBlock once("Carotix"), twice("Carotix");
    Dravel(once, "ouv_f1.ini", kOuvF1);
    Dravel(twice, "ouv_f1.ini", kOuvF1);
    Dravel(twice, "ouv_f1.ini", kOuvF1);
    EXPECT_EQ(Dump(twice), Dump(once));
    EXPECT_EQ(TreeText(twice), TreeText(once));
}

std::string VextoRecord(const std::string& identification, const std::string& place, const std::string& litho)
{
    return "--  IDENTIFICATION  --\n" + identification + "\n,,,,,15/04/2001\n,,Commune,,Forages de l'Ouest\n"
           "--  LOCALISATION  --\n" + place + "\n\n35,238\n6,351000,6789000,45\n"
           "--  TROU NU  --\n311,12,1,2\n--  TUBAGES  --\n1,168,0,12\n--  ANNULAIRES  --\n12,1,2\n"
           "--  LITHOLOGIE  --\n" + litho + "--  POMPAGE D'ESSAI  --\n,,,20/06/2001\n\n\n\n1.5,-3,2,-4\n";
}

TEST_F(ImportAgain, ASecondVextoRecordKeepsTheDossierAndARecordReadTwiceChangesNothing)
{
    const std::string f1 =
        VextoRecord("X1,F1,05/03/2001,12/06/2002,,,,jj/mm/aaaa", "Ille-et-Vilaine,Rennes,Les Pres",
                    "1,terre,\n12,craie,\n");
    // The second ouvrage of X1 leaves every identification and place field empty.
    std::string f2 = VextoRecord("X1,F2,,,,,,jj/mm/aaaa", ",,", "3,sable,\n");
    f2.replace(f2.find(",,Commune,,Forages de l'Ouest"), 29, ",,,,");
    f2.replace(f2.find("35,238"), 6, ",");
    f2.replace(f2.find(",,,,,15/04/2001"), 15, ",,,,,");
    TDirBlock root("Carotix");
    DravelReport report;
    ImportVextoBytes(f1, root, {}, report);
    const std::string dossier = DumpColumns(*root.FindDir("X1\\Dossier"));
    EXPECT_EQ(dossier, "DateDossier:s=20010305 DateMAJ:s=20020612 DateFin:s=20010415 Oeuvre:s=Commune "
                       "Entrepreneur:s=Forages de l'Ouest NomDep:s=Ille-et-Vilaine NomComm:s=Rennes "
                       "Lieu-Dit:s=Les Pres Dep:i=35 Comm:i=238");
    ImportVextoBytes(f2, root, {}, report);
    EXPECT_EQ(DumpColumns(*root.FindDir("X1\\Dossier")), dossier);
    EXPECT_EQ(root.GetPathString("X1\\Ouvrage\\" + kD, 1), "F2");
    const std::string both = Dump(root);

    // F1 again, alone and with F2 in one file: nothing doubles, F2 stays.
    ImportVextoBytes(f1, root, {}, report);
    EXPECT_EQ(Dump(root), both);
    ImportVextoBytes(f1 + f2, root, {}, report);
    EXPECT_EQ(Dump(root), both);
    TDirBlock once("Carotix"), twice("Carotix");
    ImportVextoBytes(f1, once, {}, report);
    ImportVextoBytes(f1 + f1, twice, {}, report);
    EXPECT_EQ(Dump(twice), Dump(once));
}

// A borehole with three ouvrages and its one Dossier row.
void ThreeOuvrages(TDirBlock& root, const std::string& indice)
{
    const char* const designs[] = {"F1", "F2", "F3"};
    for (int r = 0; r < 3; ++r) {
        root.SetPathString(indice + "\\Ouvrage\\" + kD, r, btString, designs[r]);
        root.SetPathFloat(indice + "\\Ouvrage\\Prof", r, btFloat, 10.5 * (r + 1));
        root.SetPathString(indice + "\\Niveau\\" + kD, r, btString, designs[r]);
        root.SetPathFloat(indice + "\\Niveau\\Fin", r, btFloat, 2.5 + r);
    }
    root.SetPathString(indice + "\\Dossier\\Commune", 0, btString, "PL\xC3\x89LAN-LE-GRAND");
    root.SetPathString(indice + "\\Dossier\\Lieu-Dit", 0, btString, "La Lande");
    root.SetPathInt(indice + "\\Dossier\\Dep", 0, btInt, 35);
}

TEST_F(ImportAgain, CsvWritesTheDossierOnceAndALaterLineKeepsWhatItLeavesEmpty)
{
    TDirBlock root("Carotix");
    ThreeOuvrages(root, "0123-4X-0056/F");
    const std::string p = "0123-4X-0056/F";
    const std::vector<CsvExportRow> rows = {{p, "F1"}, {p, "F2"}, {p, "F3"}};
    CsvReport out;
    const std::string dossiers = ExportCsvData(root, rows, FindCsvSection(*IniCsv, "Dossiers"), out);
    EXPECT_EQ(dossiers.substr(dossiers.find("\r\n") + 2),
              "0123-4X-0056/F;;\"La Lande\";PL\xC9LAN-LE-GRAND;;;35;;;;;;;\r\n");

    TDirBlock back("Carotix");
    CsvReport in;
    for (const char* table : {"Ouvrages", "Niveaux", "Dossiers"}) {
        CsvReport report;
        const std::string bytes = ExportCsvData(root, rows, FindCsvSection(*IniCsv, table), report);
        Csv(back, table, Cp1252ToUtf8(bytes), in);
    }
    // The index keeps its "/", the borehole its one Dossier row.
    EXPECT_EQ(in.RenamedKeys, 0);
    ASSERT_NE(back.FindDir("0123-4X-0056/F\\Dossier"), nullptr);
    const TDirBlock& dossier = *back.FindDir("0123-4X-0056/F\\Dossier");
    EXPECT_EQ(dossier.RowCount(), 1);
    EXPECT_EQ(dossier.GetPathString("Lieu-Dit", 0), "La Lande");
    EXPECT_EQ(dossier.GetPathString("Commune", 0), "PL\xC3\x89LAN-LE-GRAND");
    EXPECT_EQ(dossier.GetPathInt("Dep", 0), 35);
    EXPECT_EQ(back.FindDir("0123-4X-0056/F\\Ouvrage")->RowCount(), 3);
    EXPECT_EQ(back.FindDir("0123-4X-0056/F\\Niveau")->RowCount(), 3);

    // A later file of the same borehole writes the values it gives, in the one row.
    Csv(back, "Dossiers", "INDICE;LIEU_DIT;COMMUNE;NUM_DEPARTEMENT;RAPPORT\r\n0123-4X-0056/F;;;;R-12\r\n", in);
    Csv(back, "Dossiers", "INDICE;LIEU_DIT;COMMUNE\r\n0123-4X-0056/F;\"Le Bourg\"; \r\n", in);
    EXPECT_EQ(dossier.RowCount(), 1);
    EXPECT_EQ(dossier.GetPathString("Lieu-Dit", 0), "Le Bourg");
    EXPECT_EQ(dossier.GetPathString("Commune", 0), "PL\xC3\x89LAN-LE-GRAND");
    EXPECT_EQ(dossier.GetPathInt("Dep", 0), 35);
    EXPECT_EQ(dossier.GetPathString("Rapport", 0), "R-12");
}

const char* const kFilters = "Filtres\r\n"
                             "->ouvrage.ora(Ouvrage,Dossier)\r\n"
                             "*Indice:A16;Ouvrage\\D\xC3\xA9sign:A4;Ouvrage\\Prof:F6;Dossier\\Commune:A20;"
                             "Dossier\\Lieu-Dit:A12;Dossier\\Dep:I3\r\n";

TEST_F(ImportAgain, FixedWidthKeepsTheDossierInItsOneRowAndTheSlashOfAnIndex)
{
    TDirBlock root("Carotix");
    ThreeOuvrages(root, "0123-4X-0056/F");
    OracleExportReport exported;
    const std::string data = ExportOracleData(root, "ouvrage.ora", kFilters, exported);
    // The Dossier values go with the first ouvrage's record.
    EXPECT_EQ(data.substr(0, data.find("\r\n")),
              "0123-4X-0056/F  ;F1  ;  10,5;PL\xC9LAN-LE-GRAND     ;La Lande    ; 35");

    auto imported = [&](const std::string& bytes, bool throughRecords) {
        auto back = std::make_unique<TDirBlock>("Carotix");
        OracleImportReport report;
        if (throughRecords)
            ImportOracleDataThroughRecords(bytes, "ouvrage.ora", back.get(), kFilters, report);
        else
            ImportOracleData(bytes, "ouvrage.ora", back.get(), kFilters, report);
        EXPECT_EQ(report.RenamedKeys, 0);
        return back;
    };
    for (bool throughRecords : {false, true}) {
        // A later record that leaves a Dossier field empty keeps its value.
        auto back = imported(data + "0123-4X-0056/F  ;F4  ;  50,5;" + std::string(20, ' ') + ";Le Bourg    ;   \r\n",
                             throughRecords);
        ASSERT_NE(back->FindDir("0123-4X-0056/F\\Dossier"), nullptr);
        EXPECT_EQ(DumpColumns(*back->FindDir("0123-4X-0056/F\\Dossier")),
                  "Commune:s=PL\xC3\x89LAN-LE-GRAND Lieu-Dit:s=Le Bourg Dep:i=35")
            << throughRecords;
        EXPECT_EQ(back->FindDir("0123-4X-0056/F\\Ouvrage")->RowCount(), 4);
        EXPECT_EQ(back->GetPathString("0123-4X-0056/F\\Ouvrage\\" + kD, 3), "F4");
    }
    EXPECT_EQ(Dump(*imported(data, false)), Dump(*imported(data, true)));
}

TEST_F(ImportAgain, AnIndexRenamedIntoABoreholeAlreadyThereIsNamed)
{
    // CSV: "ANC\ST-2" lands in the "ANC_ST-2" of an earlier line; the same
    // renamed index in a later file of the command is not a merge.
    TDirBlock root("Carotix");
    ImportedBoreholeNames names;
    CsvReport first;
    first.Names = &names;
    Csv(root, "Ouvrages",
        "INDICE;DESIGNATION\r\nANC_ST-2;F1\r\nANC\\ST-2;F2\r\nANC\\ST-2;F3\r\nN\\1;F1\r\nN_1;F2\r\nN_1;F3\r\n", first);
    EXPECT_EQ(first.RenamedKeys, 2);
    EXPECT_EQ(first.MergedKeys,
              (std::vector<std::string>{
                  "Indice \"ANC\\ST-2\" fusionn\xC3\xA9 avec l'indice existant \"ANC_ST-2\"",
                  "Indice \"N_1\" fusionn\xC3\xA9 avec l'indice \"N\\1\", enregistr\xC3\xA9 \"N_1\""}));
    EXPECT_EQ(first.Summary("Ouvrages.csv"),
              "Ouvrages.csv :\n- 2 indice(s) contenant \\, enregistr\xC3\xA9(s) avec _\n"
              "- Indice \"ANC\\ST-2\" fusionn\xC3\xA9 avec l'indice existant \"ANC_ST-2\"\n"
              "- Indice \"N_1\" fusionn\xC3\xA9 avec l'indice \"N\\1\", enregistr\xC3\xA9 \"N_1\"");
    CsvReport second;
    second.Names = &names;
    Csv(root, "Niveaux", "INDICE;DESIGNATION;DE\r\nN\\1;F1;0\r\n", second);
    EXPECT_TRUE(second.MergedKeys.empty());
    EXPECT_EQ(second.RenamedKeys, 0);
    EXPECT_EQ(root.FindDir("ANC_ST-2\\Ouvrage")->RowCount(), 3);

    // Fixed width and Dravel say it too.
    auto fixed = std::make_unique<TDirBlock>("Carotix");
    fixed->ForceDir("ANC_ST-2");
    OracleImportReport report;
    ImportOracleData("ANC\\ST-2        ;F1  ;    12\r\n", "ouvrage.ora", fixed.get(), kFilters, report);
    EXPECT_EQ(report.Notes, (std::vector<std::string>{
                                "Cl\xC3\xA9 \"ANC\\ST-2\" (ligne 1) enregistr\xC3\xA9" "e sous le nom \"ANC_ST-2\"",
                                "Indice \"ANC\\ST-2\" fusionn\xC3\xA9 avec l'indice existant \"ANC_ST-2\""}));
    Dravel(*fixed, "ouv1.ini", "[OUVRAGE]\nINDICE=ANC\\ST-2\nDESIGNATION=F2\n");
    EXPECT_EQ(dravel_.MergedKeys, (std::vector<std::string>{
                                      "Indice \"ANC\\ST-2\" fusionn\xC3\xA9 avec l'indice existant \"ANC_ST-2\""}));
}

// Each importer, a second file or record of an ouvrage already there: its
// record-sheet row ("Ouvrage") keeps what the second leaves empty and takes
// what it sets, in the ouvrage's row among the others.
struct Again {
    const char* importer;
    std::vector<std::string> inputs;
    const char* ouvrage;  // the borehole's Ouvrage table afterwards
};

const char* const kOuvA =
    "[OUVRAGE]\nINDICE=P1\nDESIGNATION=F1\nNATURE=FORAGE\nUSAGE=AEP\nPROFONDEUR=42,5\nETAT=EXPLOITE\n"
    "[LOCALISATION]\nZONE=LAMBERT-93\nX=351000\nY=6789000\nZ=45\n[NIVEAU_EAU]\nPROFONDEUR=12,5\nDATE=20010305\n"
    "[Niveau1]\nDE=0\nA=1,5\n[Niveau2]\nDE=1,5\nA=7\n[Niveau3]\nDE=7\nA=12\n";
const char* const kOuvG = "[OUVRAGE]\nINDICE=P1\nDESIGNATION=F1\nNATURE=\nUSAGE=IRRIGATION\nPROFONDEUR=\nETAT=\n"
                          "[LOCALISATION]\nZONE=\nX=\nY=\nZ=46\n";
const std::string kOra1 = "P1              ;F2  ;   3,5;RENNES              ;La Lande    ; 35\r\n"
                          "P1              ;F1  ;  10,5;                    ;            ;   \r\n";
const std::string kOra2 = "P1              ;F1  ;      ;                    ;            ;   \r\n"
                          "P1              ;F2  ;     4;                    ;            ;   \r\n";

std::string VextoP1(const std::string& place)
{
    std::string s = VextoRecord("P1,F1,05/03/2001,12/06/2002,,,,jj/mm/aaaa", "Ille-et-Vilaine,Rennes,Les Pres",
                                "1,terre,\n");
    return s.replace(s.find("6,351000,6789000,45"), 19, place);
}

TEST_F(ImportAgain, AnOuvrageImportedAgainKeepsInItsSheetRowWhatTheFileLeavesEmpty)
{
    const Again cases[] = {
        {"dravel", {"[OUVRAGE]\nINDICE=P1\nDESIGNATION=F2\nPROFONDEUR=8\n", kOuvA, kOuvG},
         "D\xC3\xA9sign:S=F2|F1 Nature:S=|FORAGE Usage:S=|IRRIGATION Prof:F=8|42.5 Etat:S=|EXPLOITE Zone:I=|6 "
         "X:F=|351000 Y:F=|6789000 Z:F=|46 ProfEau:F=|12.5 DateEau:S=|20010305"},
        {"vexto", {VextoP1("6,351000,6789000,45"), VextoP1(",351500,,")},
         "D\xC3\xA9sign:s=F1 Zone:i=6 X:f=351500 Y:f=6789000 Z:f=45"},
        {"csv", {"INDICE;DESIGNATION;NATURE;X;Z\r\nP1;F2;PUITS;1;2\r\nP1;F1;FORAGE;351000;45\r\n",
                 "INDICE;DESIGNATION;NATURE;X;Z\r\nP1;F1;;;46\r\n"},
         "D\xC3\xA9sign:S=F2|F1 Nature:S=PUITS|FORAGE X:F=1|351000 Z:F=2|46"},
        {"csv", {"INDICE;DESIGNATION;NATURE;X;Z\r\nP1;;FORAGE;351000;45\r\n",
                 "INDICE;DESIGNATION;NATURE;X;Z\r\nP1;;;;46\r\n"},
         "D\xC3\xA9sign:s= Nature:s=FORAGE X:f=351000 Z:f=46"},
        {"csv", {"INDICE;NATURE;X;Z\r\nP1;FORAGE;351000;45\r\n",
                 "INDICE;NATURE;X;Z\r\nP1;;;46\r\n"},
         "Nature:s=FORAGE X:f=351000 Z:f=46"},
        // Blanks around an index or a designation make no other borehole or ouvrage.
        {"csv", {"INDICE;DESIGNATION;NATURE;X;Z\r\nP1;F1;FORAGE;351000;45\r\n",
                 "INDICE;DESIGNATION;NATURE;X;Z\r\nP1 ; F1 ;;;46\r\n"},
         "D\xC3\xA9sign:s=F1 Nature:s=FORAGE X:f=351000 Z:f=46"},
        {"ora", {kOra1, kOra2}, "D\xC3\xA9sign:S=F2|F1 Prof:F=4|10.5"},
        {"ora-records", {kOra1, kOra2}, "D\xC3\xA9sign:S=F2|F1 Prof:F=4|10.5"},
        {"ora", {"P1              ;    ;  10,5;                    ;            ;   \r\n",
                 "P1              ;    ;     4;                    ;            ;   \r\n"}, "D\xC3\xA9sign:s= Prof:f=4"},
        {"ora-records", {"P1              ;    ;  10,5;                    ;            ;   \r\n",
                 "P1              ;    ;     4;                    ;            ;   \r\n"}, "D\xC3\xA9sign:s= Prof:f=4"},
    };
    for (const Again& c : cases) {
        TDirBlock root("Carotix");
        for (const std::string& input : c.inputs) {
            const std::string kind = c.importer;
            CsvReport csv;
            OracleImportReport ora;
            if (kind == "dravel") Dravel(root, "ouv.ini", input);
            if (kind == "vexto") ImportVextoBytes(input, root, {}, dravel_);
            if (kind == "csv") Csv(root, "Ouvrages", input, csv);
            if (kind == "ora") ImportOracleData(input, "ouvrage.ora", &root, kFilters, ora);
            if (kind == "ora-records") ImportOracleDataThroughRecords(input, "ouvrage.ora", &root, kFilters, ora);
        }
        ASSERT_NE(root.FindDir("P1\\Ouvrage"), nullptr) << c.importer;
        EXPECT_EQ(DumpColumns(*root.FindDir("P1\\Ouvrage")), c.ouvrage) << c.importer;
    }
}

// A second file or record of an ouvrage that fails on a value leaves the
// collection and the remarks as they were, and says where in French.
TEST_F(ImportAgain, AFileThatFailsLeavesTheCollectionAsItWas)
{
    const std::string ouvB = std::string(kOuvA).replace(std::string(kOuvA).find("DE=1,5"), 6, "DE=abc");
    const struct {
        const char* importer;
        std::string good, bad;
        std::string message;  // after the file's name
    } cases[] = {
        {"dravel", kOuvA, ouvB,
         ", section [Niveau2], cl\xC3\xA9 DE, champ Niveau\\Deb : la valeur \"abc\" n'est pas un nombre (le "
         "s\xC3\xA9parateur d\xC3\xA9" "cimal est \",\").\nLe fichier n'a pas \xC3\xA9t\xC3\xA9 import\xC3\xA9 ; "
         "l'importation s'arr\xC3\xAAte l\xC3\xA0."},
        {"dravel", kOuvA, "[OUVRAGE]\nINDICE=N\\9\nDESIGNATION=F1\n[LOCALISATION]\nZONE=Nord\n",
         ", section [LOCALISATION], cl\xC3\xA9 ZONE, champ Ouvrage\\Zone : la valeur \"Nord\" n'est pas un nombre "
         "entier.\nLe fichier n'a pas \xC3\xA9t\xC3\xA9 import\xC3\xA9 ; l'importation s'arr\xC3\xAAte l\xC3\xA0."},
        {"vexto", VextoP1("6,351000,6789000,45"), VextoP1("6,351000,6789000,abc"),
         ", ligne 9 (indice P1), champ Ouvrage\\Z : la valeur \"abc\" n'est pas un nombre (le s\xC3\xA9parateur "
         "d\xC3\xA9" "cimal est \",\").\nCet enregistrement et les suivants n'ont pas \xC3\xA9t\xC3\xA9 "
         "import\xC3\xA9s."},
        // A record whose index needs renaming: its renaming is not said either.
        {"vexto", VextoP1("6,351000,6789000,45"),
         [] {
             std::string s = VextoP1("6,351000,6789000,abc");
             return s.replace(s.find("P1,F1"), 2, "P\\1");
         }(),
         ", ligne 9 (indice P\\1), champ Ouvrage\\Z : la valeur \"abc\" n'est pas un nombre (le s\xC3\xA9parateur "
         "d\xC3\xA9" "cimal est \",\").\nCet enregistrement et les suivants n'ont pas \xC3\xA9t\xC3\xA9 "
         "import\xC3\xA9s."},
    };
    for (const auto& c : cases) {
        TDirBlock root("Carotix");
        const bool dravel = std::string(c.importer) == "dravel";
        const std::string name = dravel ? "ouv_b.ini" : "b.lst";
        if (dravel)
            Dravel(root, "ouv_a.ini", c.good);
        else
            ImportVextoBytes(c.good, root, {}, dravel_);
        const std::string before = Dump(root);
        const std::int64_t renamed = dravel_.RenamedKeys;
        WriteFileBytes(program_ / name, c.bad);
        try {
            if (dravel)
                ImportDravel((program_ / name).string(), root, dravel_);
            else
                ImportVexto((program_ / name).string(), root, dravel_);
            ADD_FAILURE() << c.importer << ": no failure";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), "Erreur dans le fichier \xC2\xAB " + (program_ / name).string() + " \xC2\xBB" + c.message);
        }
        EXPECT_EQ(Dump(root), before) << c.importer;
        EXPECT_EQ(dravel_.RenamedKeys, renamed) << c.importer;
    }
}

// Any table that carotix.ini opens as a record sheet is one row per ouvrage
// too; without the sheet the table is one of many rows, replaced.
TEST_F(ImportAgain, ATableOpenedAsARecordSheetKeepsItsValuesToo)
{
    const IniDocument mapping = IniDocument::Parse("[CAPTAGE]\nDEBIT=Captage\\Debit\nNAPPE=Captage\\Nappe\n");
    const IniDocument edition =
        IniDocument::Parse("[Captage]\nD\xC3\xA9sign=D\xC3\xA9sign:U10\nD\xC3\xA9" "bit=Debit:F8\nNappe=Nappe:S20\n");
    auto twice = [&] {
        TDirBlock root("Carotix");
        for (const char* file : {"[OUVRAGE]\nINDICE=P1\nDESIGNATION=F1\n[CAPTAGE]\nDEBIT=12,5\nNAPPE=Craie\n",
                                 "[OUVRAGE]\nINDICE=P1\nDESIGNATION=F1\n[CAPTAGE]\nDEBIT=\nNAPPE=Sables\n"})
            ImportDravelDocument(IniDocument::Parse(file), mapping, edition, root, {}, dravel_);
        return DumpColumns(*root.FindDir("P1\\Captage"));
    };
    EXPECT_EQ(twice(), "D\xC3\xA9sign:s=F1 Debit:f= Nappe:s=Sables");
    IniCarotix->WriteString("Tables", "Captage", "Fiche(Captage)");
    EXPECT_EQ(twice(), "D\xC3\xA9sign:s=F1 Debit:f=12.5 Nappe:s=Sables");
}

}  // namespace
