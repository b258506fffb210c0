// Import of fixed-width data files: records, keys, short lines, separators,
// sub-filters, and the report of what could not be imported as it stood.
#include "exchange/fixed_width_import.h"

#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

struct Imported {
    std::unique_ptr<TDirBlock> root = std::make_unique<TDirBlock>("Carotix");
    OracleImportReport report;
};

// Imports `data` through the main filter "a.ora" whose body is `filterBody`
// (followed by `more`, for sub-filters).
Imported Import(const std::string& filterBody, const std::string& data, const std::string& more = "")
{
    Imported r;
    ImportOracleData(data, "a.ora", r.root.get(), "Filtres\r\n->a.ora\r\n" + filterBody + more, r.report);
    return r;
}

std::string ErrorOf(const std::string& filterBody, const std::string& data, const std::string& more = "")
{
    try {
        Import(filterBody, data, more);
    } catch (const EOracleImportError& e) {
        return e.what();
    }
    return "(no error)";
}

int CountAt(const TDirBlock& root, const std::string& path)
{
    const TBlock* b = root.FindBlock(path);
    return b ? b->Count() : -1;
}

std::string TestData(const std::string& name)
{
    return (std::filesystem::path(CAROTIX_TEST_DATA_DIR) / name).string();
}

std::string ShippedFilter(const std::string& name)
{
    return (std::filesystem::path(CAROTIX_DATA_DIR) / name).string();
}

class FixedWidthImport : public ::testing::Test {
protected:
    ScopedDecimalSeparator comma_{','};
};

} // namespace

TEST_F(FixedWidthImport, RecordsOfOneKeyBecomeRowsInFileOrder)
{
    Imported r = Import("*Indice:A4,Niveau\\Prof:F6\r\n", "P1    1,5\r\nP2     7\r\nP1   2.5\r\n");
    ASSERT_EQ(r.root->ItemCount(), 2);
    EXPECT_EQ(r.root->Child(0)->Name, "P1");
    EXPECT_EQ(CountAt(*r.root, "P1\\Niveau\\Prof"), 2);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Niveau\\Prof", 0), 1.5);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Niveau\\Prof", 1), 2.5);
    EXPECT_EQ(r.root->GetPathFloat("P2\\Niveau\\Prof", 0), 7.0);
    EXPECT_EQ(r.report.Records, 3);
    EXPECT_EQ(r.report.Merged, 3);
    EXPECT_EQ(r.report.NewBoreholes, 2);
    EXPECT_FALSE(r.report.HasRemarks());
}

TEST_F(FixedWidthImport, RecordsWithoutKeyOrValueAreDropped)
{
    // Blank key; a record of keys, fillers and the selector only.
    Imported r = Import("*Indice:A4,.:A2,Prof:F4\r\n", "    xx 1,5\r\nP1  xx 2,5\r\n");
    EXPECT_EQ(r.root->ItemCount(), 1);
    EXPECT_EQ(r.report.DroppedNoKey, 1);
    ASSERT_FALSE(r.report.Notes.empty());
    EXPECT_EQ(r.report.Notes[0], "Enregistrement 1 (ligne 1) sans clé : ignoré");

    Imported s = Import("*Indice:A4,.:A2,%,b:A1\r\n", "P1  xx \r\n", "<-b\r\nV:A1\r\n");
    EXPECT_EQ(s.root->ItemCount(), 0);
    EXPECT_EQ(s.report.DroppedNoValue, 1);
}

TEST_F(FixedWidthImport, ShortLinesFillWithMissingValuesAndExtraCharactersAreIgnored)
{
    Imported r = Import("*Indice:A4,Code:A4,Nb:I3,Prof:F5\r\n", "P1  AB\r\nP2  ABCD 12  3,5 et la suite\r\nP3\r\n");
    EXPECT_EQ(r.root->GetPathString("P1\\Code", 0), "AB");
    EXPECT_NE(r.root->FindBlock("P1\\Nb"), nullptr);
    EXPECT_EQ(r.root->GetPathInt("P1\\Nb", 0), MissingInt);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Prof", 0), MissingFloat);
    EXPECT_EQ(r.root->GetPathInt("P2\\Nb", 0), 12);
    EXPECT_EQ(r.root->GetPathFloat("P2\\Prof", 0), 3.5);
    EXPECT_EQ(r.root->GetPathString("P3\\Code", 0), "");
    EXPECT_EQ(r.report.Records, 3);
    EXPECT_EQ(r.report.UnreadableNumbers, 0);
}

TEST_F(FixedWidthImport, BlankLinesAndAMissingFinalLineEnd)
{
    Imported r = Import("*Indice:A4,Litho:A20\r\n", "\r\n\r\nP1  Sable\r\n\r\nP2  Argile");
    ASSERT_EQ(r.root->ItemCount(), 2);
    EXPECT_EQ(r.root->GetPathString("P2\\Litho", 0), "Argile");
    EXPECT_EQ(r.report.BlankLines, 3);
    EXPECT_EQ(r.report.DroppedNoKey, 0);
    // The end-of-file mark of old DOS tools is no borehole.
    Imported z = Import("*Indice:A4,Litho:A20\r\n", "P1  Sable\r\n\x1a");
    EXPECT_EQ(z.root->ItemCount(), 1);
    EXPECT_EQ(z.report.Records, 1);
}

TEST_F(FixedWidthImport, SeparatorCharacterIsRequiredButALineEndMayStandForIt)
{
    const std::string filter = "*Indice:A4;Code:A4;\r\nProf:F4\r\n";
    // Both fields on one line with their separators; then a line end in place
    // of the second ";", the rest of the record on the next line is then a new record.
    Imported r = Import(filter, "P1  ;ABCD;12,5\r\nP2  ;EFGH\r\nP3  ;IJKL;   1\r\n");
    EXPECT_EQ(r.root->GetPathFloat("P1\\Prof", 0), 12.5);
    EXPECT_EQ(r.root->GetPathString("P2\\Code", 0), "EFGH");
    EXPECT_EQ(r.root->GetPathFloat("P2\\Prof", 0), MissingFloat);
    EXPECT_EQ(r.root->GetPathFloat("P3\\Prof", 0), 1.0);
    EXPECT_EQ(r.root->ItemCount(), 3);
    // The end of the file in place of the separator ends the record.
    Imported e = Import(filter, "P1  ;ABCD");
    EXPECT_EQ(e.root->GetPathString("P1\\Code", 0), "ABCD");

    EXPECT_EQ(ErrorOf(filter, "P1  ;ABCDx12,5\r\n"), "Filre: erreur de longueur de champ (Code)\n"
                                                     "Champ trouvé : \"ABCD\"\n"
                                                     "Caractère attendu : \";\"\n"
                                                     "Caractère trouvé : \"x\"");
    EXPECT_EQ(ErrorOf("*Indice:A4,,Code:A4\r\n", "P1  \tABCD\r\n"), "Filre: erreur de longueur de champ (Indice)\n"
                                                                   "Champ trouvé : \"P1  \"\n"
                                                                   "Caractère attendu : \",\"\n"
                                                                   "Caractère trouvé : #9");
    EXPECT_EQ(ErrorOf("*Indice:A2|V:A1\r\n", "P1\xe9z\r\n"), "Filre: erreur de longueur de champ (Indice)\n"
                                                            "Champ trouvé : \"P1\"\n"
                                                            "Caractère attendu : \"|\"\n"
                                                            "Caractère trouvé : \"é\"");
}

TEST_F(FixedWidthImport, ErrorsLeaveEarlierRecordsAndSayWhere)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    OracleImportReport report;
    try {
        ImportOracleData("P1  ;A\r\nP2  ;B\r\nP3  xC\r\n", "a.ora", root.get(), "T\n->a.ora\n*Indice:A4;V:A1\n", report);
        FAIL() << "no error";
    } catch (const EOracleImportError& e) {
        EXPECT_EQ(e.Line(), 3);
        EXPECT_EQ(e.Record(), 3);
    }
    EXPECT_EQ(root->ItemCount(), 2);
    EXPECT_EQ(report.Merged, 2);
}

TEST_F(FixedWidthImport, NonAsciiSeparatorAndTextAreWindows1252)
{
    Imported r = Import("*Indice:A2§Nature:A5\r\n", "P1\xa7" "B\xe9ton\r\n");
    EXPECT_EQ(r.root->GetPathString("P1\\Nature", 0), "Béton");
}

TEST_F(FixedWidthImport, RecordSpanningTwoLines)
{
    Imported r = Import("*Indice:A4,Ouvrage\\Prof:F5\r\nOuvrage\\X:F8,Ouvrage\\Y:F8\r\n",
                        "P1   45,2\r\n 842,315 6519,87\r\nP2      \r\n     1,5       2\r\n");
    EXPECT_EQ(r.root->GetPathFloat("P1\\Ouvrage\\Prof", 0), 45.2);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Ouvrage\\X", 0), 842.315);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Ouvrage\\Y", 0), 6519.87);
    EXPECT_EQ(r.root->GetPathFloat("P2\\Ouvrage\\X", 0), 1.5);
    EXPECT_EQ(r.root->GetPathFloat("P2\\Ouvrage\\Y", 0), 2.0);
    EXPECT_EQ(r.report.Records, 2);
}

TEST_F(FixedWidthImport, NumbersThatDoNotReadAreMissingAndCounted)
{
    Imported r = Import("*Indice:A2,N:I4,F:F5\r\n", "P1 12a  1.5\r\nP1    1,5\r\nP1 $1Fabc\r\nP1  -7 1e3\r\n");
    EXPECT_EQ(r.root->GetPathInt("P1\\N", 0), MissingInt);
    EXPECT_EQ(r.root->GetPathFloat("P1\\F", 0), 1.5);
    EXPECT_EQ(r.root->GetPathInt("P1\\N", 1), MissingInt);  // blanks: simply missing
    EXPECT_EQ(r.root->GetPathFloat("P1\\F", 1), 1.5);
    EXPECT_EQ(r.root->GetPathInt("P1\\N", 2), 31);
    EXPECT_EQ(r.root->GetPathFloat("P1\\F", 2), MissingFloat);
    EXPECT_EQ(r.root->GetPathInt("P1\\N", 3), -7);
    EXPECT_EQ(r.root->GetPathFloat("P1\\F", 3), 1000.0);
    EXPECT_EQ(r.report.UnreadableNumbers, 2);
    EXPECT_NE(r.report.Summary().find("Nombres illisibles, importés comme valeurs manquantes : 2"), std::string::npos);

    // With "." as the decimal separator a decimal comma does not read.
    ScopedDecimalSeparator dot('.');
    Imported d = Import("*Indice:A2,F:F5\r\n", "P1  1,5\r\nP2  1.5\r\n");
    EXPECT_EQ(d.root->GetPathFloat("P1\\F", 0), MissingFloat);
    EXPECT_EQ(d.root->GetPathFloat("P2\\F", 0), 1.5);
    EXPECT_EQ(d.report.UnreadableNumbers, 1);
}

TEST_F(FixedWidthImport, SelectorChoosesTheSubFilterRecordByRecord)
{
    const std::string main = "*Indice:A4,%niveau,tubage:A6,Deb:F4,Fin:F4,\r\n";
    const std::string subs = "<-niveau\r\nLitho:A10\r\n<-tubage\r\nTubage\\Diam:I4,Tubage\\Type:A8\r\n";
    Imported r = Import(main, "P1  tubage   0  10 180CREPINE\r\n"
                              "P1  niveau   0   2Sable\r\n"
                              "P1  tubage  10  20  52\r\n",
                        subs);
    EXPECT_EQ(CountAt(*r.root, "P1\\Tubage\\Deb"), 2);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Tubage\\Fin", 1), 20.0);
    EXPECT_EQ(r.root->GetPathInt("P1\\Tubage\\Diam", 0), 180);
    EXPECT_EQ(r.root->GetPathInt("P1\\Tubage\\Diam", 1), 52);
    EXPECT_EQ(r.root->GetPathString("P1\\Tubage\\Type", 0), "CREPINE");
    EXPECT_EQ(r.root->GetPathFloat("P1\\Niveau\\Fin", 0), 2.0);
    // The sub-filter's own fields take their own names.
    EXPECT_EQ(r.root->GetPathString("P1\\Litho", 0), "Sable");
    EXPECT_EQ(r.root->FindBlock("P1\\Deb"), nullptr);
}

TEST_F(FixedWidthImport, SelectorValuesMustBeListed)
{
    const std::string subs = "<-niveau\r\nLitho:A4\r\n<-tubage\r\nType:A4\r\n";
    EXPECT_EQ(ErrorOf("*Indice:A2,%niveau,tubage:A6,\r\n", "P1forage ABCD\r\n", subs),
              "Nom de sous-filtre incorrect (forage)\nLes sous-filtres acceptés ici sont :\nniveau,tubage");
    EXPECT_EQ(ErrorOf("*Indice:A2,%niveau,tubage:A6,\r\n", "P1      ABCD\r\n", subs),
              "Nom de sous-filtre incorrect ()\nLes sous-filtres acceptés ici sont :\nniveau,tubage");
    // A line that stops before the selector leaves it empty: the same error,
    // not the previous record's sub-filter reading the next line.
    EXPECT_EQ(ErrorOf("*Indice:A2,%niveau,tubage:A6,\r\n", "P1niveauSABL\r\nP2\r\nP3niveauARGI\r\n", subs),
              "Nom de sous-filtre incorrect ()\nLes sous-filtres acceptés ici sont :\nniveau,tubage");
    // An empty name in the list accepts blanks: no sub-filter, no prefix.
    Imported r = Import("*Indice:A2,%,niveau:A6,Prof:F3,\r\n", "P1       12\r\nP1niveau  3ABCD\r\n", subs);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Prof", 0), 12.0);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Niveau\\Prof", 0), 3.0);
    EXPECT_EQ(r.root->GetPathString("P1\\Litho", 0), "ABCD");
}

TEST_F(FixedWidthImport, SelectorListWrittenWithSpacesAcceptsTrimmedValues)
{
    Imported r = Import("*Indice:A2,%niveau, tubage :A6,\r\n", "P1tubageABCD\r\n", "<-tubage\r\nType:A4\r\n");
    EXPECT_EQ(r.root->GetPathString("P1\\Type", 0), "ABCD");
}

TEST_F(FixedWidthImport, SubFilterLengthErrorNamesTheSubFilter)
{
    EXPECT_EQ(ErrorOf("*Indice:A2,%t:A1,\r\n", "P1tAB+\r\n", "<-t\r\nType:A2;V:A1\r\n"),
              "Sous-filtre: erreur de longueur de champ (Type)\n"
              "Champ trouvé : \"AB\"\n"
              "Caractère attendu : \";\"\n"
              "Caractère trouvé : \"+\"");
}

TEST_F(FixedWidthImport, ShortLineNeverCarriesThePreviousSubKeyOver)
{
    // The key is in the sub-filter, after a value; the second line stops before it.
    Imported r = Import("%a:A1,\r\n", "aXXwP1 \r\naY\r\naZZwP2 \r\n", "<-a\r\nV:A2,W:A1,*K:A3\r\n");
    EXPECT_EQ(CountAt(*r.root, "P1\\V"), 1);
    EXPECT_EQ(r.root->GetPathString("P2\\V", 0), "ZZ");
    EXPECT_EQ(r.report.DroppedNoKey, 1);
}

TEST_F(FixedWidthImport, KeysHoldingPathCharactersAreRenamedAndReported)
{
    Imported r = Import("*Indice:A12,V:A1\r\n", "06987X0123/FA\r\nA\\B         B\r\n06987X0123/FC\r\n");
    ASSERT_EQ(r.root->ItemCount(), 2);
    EXPECT_EQ(r.root->Child(0)->Name, "06987X0123_F");
    EXPECT_EQ(CountAt(*r.root, "06987X0123_F\\V"), 2);
    EXPECT_EQ(r.root->Child(1)->Name, "A_B");
    EXPECT_EQ(r.report.RenamedKeys, 2);
    ASSERT_EQ(r.report.Notes.size(), 2u);
    EXPECT_EQ(r.report.Notes[0], "Clé \"06987X0123/F\" (ligne 1) enregistrée sous le nom \"06987X0123_F\"");
    EXPECT_EQ(r.report.Notes[1], "Clé \"A\\B\" (ligne 2) enregistrée sous le nom \"A_B\"");
}

TEST_F(FixedWidthImport, MissingSubFilterIsReportedOnce)
{
    Imported r = Import("*Indice:A2,%x,y:A1,V:A1,\r\n", "P1xA\r\nP1yBw\r\nP1xC\r\nP2xD\r\n", "<-y\r\nW:A1\r\n");
    EXPECT_EQ(r.report.MissingSubFilters, (std::vector<std::string>{"x"}));
    EXPECT_EQ(r.report.Notes, (std::vector<std::string>{"Pas de filtre \"x\" (sous-filtre)"}));
    // The records still carry the main filter's values, under the selected name.
    EXPECT_EQ(CountAt(*r.root, "P1\\X\\V"), 2);
    EXPECT_EQ(r.root->GetPathString("P1\\Y\\V", 0), "B");
    EXPECT_EQ(r.root->GetPathString("P1\\W", 0), "w");
}

TEST_F(FixedWidthImport, EmptyOrMissingMainFilterImportsNothing)
{
    Imported missing;
    ImportOracleData("P1\r\n", "b.ora", missing.root.get(), "T\r\n->a.ora\r\nV:A1\r\n", missing.report);
    EXPECT_TRUE(missing.report.FilterMissing);
    EXPECT_EQ(missing.root->ItemCount(), 0);
    EXPECT_EQ(missing.report.Summary().rfind("Pas de filtre \"b.ora\"", 0), 0u);

    for (const std::string& body : {std::string(""), std::string(":V:A1\r\n"), std::string("\r\n->b.ora\r\nV:A1")}) {
        Imported r = Import(body, "P1AB\r\nP2CD\r\n");
        EXPECT_TRUE(r.report.FilterEmpty);
        EXPECT_FALSE(r.report.FilterMissing);
        EXPECT_EQ(r.report.Records, 0);
        EXPECT_EQ(r.root->ItemCount(), 0);
        EXPECT_TRUE(r.report.HasRemarks());
    }
}

TEST_F(FixedWidthImport, FilterThatReadsNothingStopsInsteadOfLooping)
{
    EXPECT_EQ(ErrorOf("*Indice:A,V:S,\r\n", "P1AB\r\n"),
              "Le filtre \"a.ora\" ne lit aucun caractère de l'enregistrement 1.\nL'importation est arrêtée.");
    // A field of width 0 reads nothing, but its separator is still checked.
    Imported r = Import("*Indice:A2,.:A;V:A1\r\n", "P1;X\r\n");
    EXPECT_EQ(r.root->GetPathString("P1\\V", 0), "X");
}

TEST_F(FixedWidthImport, ValuesThatCannotJoinTheirColumnAreCounted)
{
    Imported r;
    r.root->SetPathString("P1\\Ouvrage\\Prof", 0, btString, "profond");
    r.root->AddChild(std::make_unique<TStrBlock>("UnitéXY", "km"), false);
    ImportOracleData("P1      12\r\nUnit\xe9XY  3\r\n", "a.ora", r.root.get(), "T\n->a.ora\n*Indice:A7,Ouvrage\\Prof:F3\n",
                     r.report);
    EXPECT_EQ(r.report.LostValues, 1);
    EXPECT_EQ(r.report.NotMerged, 1);
    EXPECT_EQ(r.root->GetPathString("P1\\Ouvrage\\Prof", 0), "profond");
    EXPECT_EQ(r.root->GetPathString("UnitéXY", 0), "km");
}

TEST_F(FixedWidthImport, SecondFieldOfTheSameNameInARecordIsRefused)
{
    Imported r = Import("*Indice:A2,V:A1,V:A1,V\\W:A1\r\n", "P1ABC\r\n");
    EXPECT_EQ(CountAt(*r.root, "P1\\V"), 1);
    EXPECT_EQ(r.root->GetPathString("P1\\V", 0), "A");
    EXPECT_EQ(r.root->ChildDir(0)->ItemCount(), 1);
}

TEST_F(FixedWidthImport, ImportsIntoACollectionThatAlreadyHoldsTheBorehole)
{
    Imported r;
    r.root->SetPathFloat("P1\\Niveau\\Deb", 0, btFloat, 0.0);
    ImportOracleData("P1   5\r\nP2   9\r\n", "a.ora", r.root.get(), "T\n->a.ora\n*Indice:A2,Niveau\\Deb:F4\n", r.report);
    EXPECT_EQ(CountAt(*r.root, "P1\\Niveau\\Deb"), 2);
    EXPECT_EQ(r.root->GetPathFloat("P1\\Niveau\\Deb", 1), 5.0);
    EXPECT_EQ(r.report.NewBoreholes, 1);
}

// Records are appended straight into their borehole's columns; the
// result must be the tree that merging each record's directory gives.
TEST_F(FixedWidthImport, DirectMergeMatchesMergingRecordDirectories)
{
    const std::string filter = "T\r\n->a.ora\r\n*Indice:A2,%,s:A1,A:A1,A\\x:A1,B\\y:I2,B\\y:I2,\\z:A1,C\\:F3,"
                               "N\\T:A2,\r\n<-s\r\nN\\T:A2,N\\U:I2,A:A1\r\n";
    // With the sub-filter s, the main fields go under "S\"; "A\x" collides
    // with "A" and the second "B\y" with the first: both are refused.
    const std::string data = "P1 ab12 7z1,5TT\r\nP1sab12 7z2,5TTUU 3Q\r\nP2 ab12 7z1,5TT\r\n"
                             "P1 xy34 8z9,5\r\nP2sde56 9z0,5TTVV 4R\r\nP3\r\nP1 g\r\n";
    auto prepare = [] {
        auto root = std::make_unique<TDirBlock>("Carotix");
        root->SetPathInt("P1\\N\\U", 0, btInt, 1);
        root->SetPathString("P1\\B", 0, btString, "valeur");  // B\y cannot go under a value
        root->SetPathFloat("P2\\C\\", 0, btFloat, 2.0);
        root->SetPathInt("P2\\A", 0, btInt, 5);              // a text cannot join integers
        root->SetPathString("UnitéXY", 0, btString, "km");
        return root;
    };
    auto direct = prepare(), plain = prepare();
    OracleImportReport a, b;
    ImportOracleData(data, "a.ora", direct.get(), filter, a);
    ImportOracleDataThroughRecords(data, "a.ora", plain.get(), filter, b);
    EXPECT_TRUE(SameBlock(direct.get(), plain.get()));
    EXPECT_EQ(a.Merged, b.Merged);
    EXPECT_EQ(a.LostValues, b.LostValues);
    EXPECT_EQ(a.DroppedNoValue, b.DroppedNoValue);
    EXPECT_GT(a.LostValues, 0);
    EXPECT_EQ(CountAt(*direct, "P1\\N\\U"), 2);
    EXPECT_EQ(direct->GetPathInt("P1\\N\\U", 1), 3);
    EXPECT_EQ(CountAt(*direct, "P1\\A"), 4);
    EXPECT_EQ(direct->GetPathString("P1\\A", 3), "g");
    EXPECT_EQ(CountAt(*direct, "P1\\\\z"), 3);  // a path starting with "\" gives a directory named ""
    EXPECT_EQ(CountAt(*direct, "P1\\S\\A"), 1);
    EXPECT_EQ(direct->FindBlock("P1\\A\\x"), nullptr);
    ASSERT_NE(direct->FindDir("P2\\S\\C"), nullptr);
    EXPECT_EQ(direct->FindDir("P2\\S\\C")->Child(0)->Name, "");
}

// The shipped filters with the sample files of a borehole database export.
TEST_F(FixedWidthImport, BoreholeDatabaseExport)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    const std::string filters = ShippedFilter("filtre_bss.txt");
    OracleImportReport ouvrage, niveau, equipement;
    ImportOracleFile(TestData("ouvrage.ora"), root.get(), filters, ouvrage);
    ImportOracleFile(TestData("niveau.ora"), root.get(), filters, niveau);
    ImportOracleFile(TestData("equipement.ora"), root.get(), filters, equipement);

    ASSERT_EQ(root->ItemCount(), 3);
    EXPECT_EQ(root->Child(0)->Name, "06987X0123_F");
    EXPECT_EQ(ouvrage.RenamedKeys, 1);
    EXPECT_EQ(ouvrage.Records, 3);
    const TDirBlock& f1 = *root->ChildDir(0);
    EXPECT_EQ(f1.GetPathString("Ouvrage\\Désign", 0), "F1 LES GRANGES");
    EXPECT_EQ(f1.GetPathFloat("Ouvrage\\X", 0), 842.315);
    EXPECT_EQ(f1.GetPathFloat("Ouvrage\\ProfEau", 0), 12.35);
    EXPECT_EQ(f1.GetPathInt("Ouvrage\\DiamTube", 0), 180);
    EXPECT_EQ(f1.GetPathString("Dossier\\DateDossier", 0), "12/05/2001");
    EXPECT_EQ(root->GetPathInt("06987X0145\\Ouvrage\\DiamTube", 0), MissingInt);
    EXPECT_EQ(root->GetPathFloat("07218X0009\\Ouvrage\\ProfEau", 0), MissingFloat);

    EXPECT_EQ(f1.FindDir("Niveau")->RowCount(), 3);
    EXPECT_EQ(f1.GetPathFloat("Niveau\\Fin", 1), 12.4);
    EXPECT_EQ(f1.GetPathString("Niveau\\Strati", 2), "Miocène");
    EXPECT_EQ(f1.GetPathString("Niveau\\Litho", 2), "Molasse gréseuse jaune à ocre, passées marneuses");
    EXPECT_EQ(root->GetPathString("07218X0009\\Niveau\\Litho", 0), "Sables et graviers œuvrés");
    EXPECT_EQ(root->GetPathString("07218X0009\\Niveau\\CodeNiv", 0), "");

    EXPECT_EQ(f1.FindDir("Tubage")->RowCount(), 2);
    EXPECT_EQ(f1.GetPathFloat("Tubage\\Deb", 0), -0.5);
    EXPECT_EQ(f1.GetPathString("Tubage\\Type", 1), "CREPINE");
    EXPECT_EQ(f1.GetPathInt("Tubage\\NbCentr", 0), 4);
    EXPECT_EQ(f1.GetPathString("Tubage\\Désign", 1), "F1 LES GRANGES");
    EXPECT_EQ(f1.FindDir("Annulaire")->RowCount(), 3);
    EXPECT_EQ(f1.GetPathString("Annulaire\\Nature", 2), "Gravier calibré 2-4");
    EXPECT_EQ(f1.GetPathFloat("Trou-nu\\Diam", 0), 311.0);
    EXPECT_EQ(f1.GetPathString("Trou-nu\\Méthode", 0), "Rotary");
    EXPECT_EQ(root->GetPathString("06987X0145\\Tubage\\NomTube", 0), "");
    EXPECT_EQ(root->GetPathInt("06987X0145\\Tubage\\NbCentr", 0), MissingInt);
    EXPECT_EQ(equipement.UnreadableNumbers, 0);
    EXPECT_TRUE(equipement.MissingSubFilters.empty());
}

TEST_F(FixedWidthImport, DrillersSiteSheets)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    const std::string filters = ShippedFilter("filtre_chantier.txt");
    OracleImportReport report;
    for (const char* name : {"forages.ora", "coupes.ora", "cuvelage.ora", "massif.ora"})
        ImportOracleFile(TestData(name), root.get(), filters, report);
    ASSERT_EQ(root->ItemCount(), 3);
    EXPECT_EQ(root->Child(0)->Name, "0690012345");
    EXPECT_EQ(root->GetPathString("0690012345\\Dossier\\Entrepreneur", 0), "Forages du Rhône");
    EXPECT_EQ(root->GetPathFloat("0690012345\\Ouvrage\\Z", 0), 198.4);
    EXPECT_EQ(root->GetPathString("0690012345\\Dossier\\DateDossier", 0), "20190415");
    EXPECT_EQ(root->GetPathFloat("0380000077\\Ouvrage\\X", 0), MissingFloat);
    EXPECT_EQ(root->FindDir("0690012345\\Niveau")->RowCount(), 3);
    EXPECT_EQ(root->GetPathString("0690012345\\Niveau\\Litho", 1), "Graviers sableux roux");
    EXPECT_EQ(root->GetPathFloat("0690012346\\Tubage\\LargFente", 0), 0.5);
    EXPECT_EQ(root->GetPathInt("0690012345\\Tubage\\NbCentr", 1), 2);
    EXPECT_EQ(root->GetPathString("0690012345\\Annulaire\\Nature", 2), "Gravier roulé 3-5");
    EXPECT_EQ(report.DroppedNoKey + report.DroppedNoValue + report.UnreadableNumbers, 0);
}

TEST_F(FixedWidthImport, FileNamesAndProgress)
{
    TempDir dir;
    WriteFileBytes(dir / "filtre.txt", "T\r\n->niveau.ora\r\n*Indice:A2,Prof:F3\r\n->absent.ora\r\nV:A1\r\n");
    WriteFileBytes(dir / "NIVEAU.ORA", "P1  1\r\nP2  2\r\n");
    struct Observer : OracleImportObserver {
        std::uint64_t last = 0, size = 0;
        int calls = 0;
        void Progress(std::uint64_t done, std::uint64_t total) override
        {
            last = done;
            size = total;
            ++calls;
        }
    } observer;
    auto root = std::make_unique<TDirBlock>("Carotix");
    OracleImportReport report;
    // The data file's name is lower-cased to find its filter.
    ImportOracleFile((dir / "NIVEAU.ORA").string(), root.get(), (dir / "filtre.txt").string(), report, &observer);
    EXPECT_EQ(report.FilterName, "niveau.ora");
    EXPECT_EQ(root->ItemCount(), 2);
    EXPECT_GE(observer.calls, 1);
    EXPECT_EQ(observer.last, 14u);
    EXPECT_EQ(observer.size, 14u);
    EXPECT_EQ(OracleFilterNameOf("/data/Exports/Équipement.ORA"), "équipement.ora");

    try {
        ImportOracleFile((dir / "absent.ora").string(), root.get(), (dir / "filtre.txt").string(), report);
        FAIL() << "no error";
    } catch (const EOracleImportError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Impossible d'ouvrir le fichier de données '" + (dir / "absent.ora").string() + "'");
    }
    EXPECT_THROW(ImportOracleFile((dir / "NIVEAU.ORA").string(), root.get(), (dir / "none.txt").string(), report),
                 EFilterError);
}
