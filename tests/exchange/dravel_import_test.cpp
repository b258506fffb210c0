// The Dravel import: numbered sections to rows, kinds and lexicons from the
// field definitions, the designation, the coder, and the shipped mapping over
// the sample files.
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "exchange/dravel_import.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

const char* const kEdition =
    "[Niveau]\nD\xC3\xA9sign=D\xC3\xA9sign:U10\nDe=Deb:F8\nA=Fin:F8\nLitho=Litho:S80\nType=Type:U8\nAq=Aquifere:U\n"
    "[Niveau\\Type]\nCOUPE=COUPE=Coupe\n"
    "[Niveau\\Aquifere*]\nArgile=AR=Argile\n"
    "[Dossier]\nDate=DateDossier:D10\nN=Dep:I3\n";

const char* const kMapping =
    "[OUVRAGE]\nNOM=Dossier\\Nom\n[DOSSIER]\nDATE=Dossier\\DateDossier\nDEP=Dossier\\Dep\n"
    "[Niveau*]\nDE=Niveau\\Deb\nA=Niveau\\Fin\nLITHO=Niveau\\Litho\nTYPE=Niveau\\Type\nAQ=Niveau\\Aquifere\n";

struct Imported {
    TDirBlock root{"Carotix"};
    DravelReport report;
};

void Import(Imported& into, const std::string& file, const DravelCoder& coder = {})
{
    ImportDravelDocument(IniDocument::Parse(file), IniDocument::Parse(kMapping), IniDocument::Parse(kEdition),
                         into.root, coder, into.report);
}

TEST(DravelImport, NumberedSectionsGiveRowsUntilTheFirstGap)
{
    Imported a;
    Import(a, "[OUVRAGE]\nINDICE=I1\nDESIGNATION=P2\n[Niveau1]\nDE=0\n[Niveau2]\nDE=1.5\n[Niveau3]\nDE=3\n");
    const TDirBlock* bh = a.root.FindDir("I1");
    ASSERT_NE(bh, nullptr);
    EXPECT_EQ(bh->FindDir("Niveau")->RowCount(), 3);
    EXPECT_DOUBLE_EQ(bh->GetPathFloat("Niveau\\Deb", 1), 1.5);
    // Every row of a table defining "Désign" carries the designation.
    EXPECT_EQ(bh->GetPathString("Niveau\\" + kD, 2), "P2");

    Imported gap;
    Import(gap, "[OUVRAGE]\nNUMINT=N7\n[Niveau1]\nDE=0\n[Niveau3]\nDE=3\n");
    ASSERT_NE(gap.root.FindDir("N7"), nullptr);  // NUMINT stands in for an empty INDICE
    EXPECT_EQ(gap.root.FindDir("N7")->FindDir("Niveau")->RowCount(), 1);
    EXPECT_EQ(gap.root.GetPathString("N7\\Niveau\\" + kD, 0), "F");  // no designation gives "F"
}

TEST(DravelImport, KindsLexiconsAndTheEmptyType)
{
    Imported a;
    Import(a, "[OUVRAGE]\nINDICE=I1\n[DOSSIER]\nDATE=20010305\nDEP=10\n"
              "[Niveau1]\nTYPE=\nAQ=Argile\nLITHO=argile\n[Niveau2]\nTYPE=forage\nAQ=argile\n");
    EXPECT_EQ(a.root.GetPathString("I1\\Dossier\\DateDossier", 0), "05/03/2001");
    EXPECT_EQ(a.root.GetPathInt("I1\\Dossier\\Dep", 0), 10);
    // A date already written with its separators is kept as written.
    for (const std::string date : {"05/03/1985", "05/03/85"}) {
        Imported typed;
        Import(typed, "[OUVRAGE]\nINDICE=I1\n[DOSSIER]\nDATE=" + date + "\n");
        EXPECT_EQ(typed.root.GetPathString("I1\\Dossier\\DateDossier", 0), date);
    }
    EXPECT_EQ(a.root.GetPathString("I1\\Niveau\\Type", 0), "COUPE");
    EXPECT_EQ(a.root.GetPathString("I1\\Niveau\\Type", 1), "FORAGE");    // U: upper case
    EXPECT_EQ(a.root.GetPathString("I1\\Niveau\\Aquifere", 0), "AR");    // from the starred lexicon
    EXPECT_EQ(a.root.GetPathString("I1\\Niveau\\Aquifere", 1), "ARGILE");  // labels compare exactly
    // A target without definition is plain text.
    EXPECT_EQ(a.root.GetPathString("I1\\Niveau\\Litho", 0), "argile");
    // Without the coder no code column.
    EXPECT_EQ(a.root.FindBlock("I1\\Niveau\\CodeNiv"), nullptr);
}

TEST(DravelImport, TheCoderCodesUpperCasedDescriptions)
{
    Imported a;
    std::string seen;
    Import(a, "[OUVRAGE]\nINDICE=I1\n[Niveau1]\nLITHO=argile grise\n", [&](std::string_view d) {
        seen = std::string(d);
        return std::string("AR");
    });
    EXPECT_EQ(seen, "ARGILE GRISE");
    EXPECT_EQ(a.root.GetPathString("I1\\Niveau\\CodeNiv", 0), "AR");
}

TEST(DravelImport, BadInputStopsWithAMessageOrIsMadeSafe)
{
    Imported a;
    // A second file of the same index adds to the borehole; a number column
    // refuses text through the block store's message.
    Import(a, "[OUVRAGE]\nINDICE=I1\n[Niveau1]\nDE=1\n");
    EXPECT_ANY_THROW(Import(a, "[OUVRAGE]\nINDICE=I1\n[Niveau1]\nDE=abc\n"));
    EXPECT_EQ(a.root.ItemCount(), 1);
    // An index that would split paths is stored with "_" and counted; "/" stays.
    Import(a, "[OUVRAGE]\nINDICE=A\\B/C\n");
    EXPECT_NE(a.root.FindDir("A_B/C"), nullptr);
    EXPECT_EQ(a.report.RenamedKeys, 1);
    EXPECT_EQ(DravelLexiconCode({"Argile=AR=x", "Sable=SA"}, "Sable"), "SA");
    EXPECT_EQ(DravelLexiconCode({"Argile=AR=x"}, "Grès"), "Grès");
}

TEST(DravelImport, ASecondOuvrageOfABoreholeAddsRowsAndReplacesItsDossier)
{
    Imported a;
    Import(a, "[OUVRAGE]\nINDICE=I1\nDESIGNATION=P1\n[DOSSIER]\nDATE=20010305\nDEP=10\n"
              "[Niveau1]\nDE=0\nLITHO=argile\n[Niveau2]\nDE=2\nLITHO=sable\n");
    Import(a, "[OUVRAGE]\nINDICE=I1\nDESIGNATION=P2\n[DOSSIER]\nDATE=20020101\nDEP=20\n[Niveau1]\nDE=5\nLITHO=craie\n");
    const TDirBlock* bh = a.root.FindDir("I1");
    ASSERT_NE(bh, nullptr);
    EXPECT_EQ(a.root.ItemCount(), 1);
    ASSERT_EQ(bh->FindDir("Niveau")->RowCount(), 3);
    const std::vector<std::tuple<std::string, double, std::string>> levels = {
        {"P1", 0, "argile"}, {"P1", 2, "sable"}, {"P2", 5, "craie"}};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(bh->GetPathString("Niveau\\" + kD, r), std::get<0>(levels[r])) << r;
        EXPECT_DOUBLE_EQ(bh->GetPathFloat("Niveau\\Deb", r), std::get<1>(levels[r])) << r;
        EXPECT_EQ(bh->GetPathString("Niveau\\Litho", r), std::get<2>(levels[r])) << r;
    }
    // One "Dossier" row for the borehole: the later file's values replace
    // the earlier ones in the columns it sets.
    ASSERT_EQ(bh->FindDir("Dossier")->RowCount(), 1);
    EXPECT_EQ(bh->GetPathString("Dossier\\DateDossier", 0), "01/01/2002");
    EXPECT_EQ(bh->GetPathInt("Dossier\\Dep", 0), 20);
}

TEST(DravelImport, AFileNamingNoBoreholeIsRefused)
{
    Imported a;
    EXPECT_THROW(Import(a, "[DOSSIER]\nDATE=20010305\n[Niveau1]\nDE=0\n"), DravelRefusal);
    EXPECT_THROW(Import(a, "[OUVRAGE]\nINDICE=\nNUMINT= \nDESIGNATION=P1\n[Niveau1]\nDE=0\n"), DravelRefusal);
    EXPECT_EQ(a.root.ItemCount(), 0);
    // Through the menu's reader the message names the file.
    TempProgramDir dir;
    OptionsInitialize(dir.path());
    const std::string file = (dir.path() / "ouv9.ini").string();
    WriteFileBytes(dir.path() / "ouv9.ini", "[Niveau1]\nDE=0\n");
    try {
        ImportDravel(file, a.root, a.report);
        ADD_FAILURE() << "imported";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Le fichier \xC2\xAB " + file +
                                             " \xC2\xBB n'a pas de section [OUVRAGE] : il n'est pas import\xC3\xA9.");
    }
    OptionsRelease();
    EXPECT_EQ(a.root.ItemCount(), 0);
}

TEST(DravelImport, ShippedMappingOverTheSampleFiles)
{
    ScopedDecimalSeparator decimalSeparator(',');
    TempProgramDir dir;
    OptionsInitialize(dir.path());
    TDirBlock root("Carotix");
    DravelReport report;
    ImportDravel(std::string(CAROTIX_TEST_DATA_DIR) + "/ouv0001.ini", root, report);
    ImportDravel(std::string(CAROTIX_TEST_DATA_DIR) + "/ouv0002.ini", root, report);
    OptionsRelease();

    const TDirBlock* f = root.FindDir("0123-4X-0056");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetPathString("Ouvrage\\Zone", 0), "9");
    EXPECT_DOUBLE_EQ(f->GetPathFloat("Ouvrage\\X", 0), 2.35);
    EXPECT_EQ(f->GetPathString("Dossier\\Lieu-Dit", 0), "Les Pr\xC3\xA9s Hauts");
    EXPECT_EQ(f->GetPathString("Dossier\\DateDossier", 0), "20010305");
    EXPECT_EQ(f->FindDir("Niveau")->RowCount(), 3);
    EXPECT_EQ(f->GetPathString("Niveau\\Type", 0), "COUPE");
    EXPECT_EQ(f->GetPathString("Niveau\\" + kD, 0), "F1");
    EXPECT_EQ(f->GetPathInt("Trou-nu\\Fluide", 0), 3);  // "BOUE" through its lexicon
    const TDirBlock* pz = root.FindDir("PZ12");
    ASSERT_NE(pz, nullptr);
    EXPECT_EQ(pz->FindDir("Niveau")->RowCount(), 1);
}

}  // namespace
