// Import of fixed-width data files: records, keys, short lines, separators,
// sub-filters, and the report of what could not be imported as it stood. The
// imported trees are compared whole (tree_text.h).
#include "exchange/fixed_width_import.h"

#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "temp_dir.h"
#include "tree_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

struct Imported {
    std::unique_ptr<TDirBlock> root = std::make_unique<TDirBlock>("Carotix");
    OracleImportReport report;
    std::string Tree() const { return TreeText(*root); }
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

std::string Data(const char* folder, const std::string& name)
{
    return (std::filesystem::path(folder) / name).string();
}

class FixedWidthImport : public ::testing::Test {
protected:
    ScopedDecimalSeparator comma_{','};
};

} // namespace

TEST_F(FixedWidthImport, RecordsShortLinesBlankLinesAndSpans)
{
    struct Case {
        const char* filter;
        const char* data;
        const char* tree;
        int records, blankLines;
        // The ouvrages given twice with different values, named in the remarks.
        std::vector<std::string> repeated = {};
    } cases[] = {
        // Records of one key become rows in file order.
        {"*Indice:A4,Niveau\\Prof:F6\r\n", "P1    1,5\r\nP2     7\r\nP1   2.5\r\n",
         "P1\\Niveau\\Prof=1,5|2,5\nP2\\Niveau\\Prof=7\n", 3, 0},
        // Short lines fill with missing values; extra characters are ignored.
        {"*Indice:A4,Code:A4,Nb:I3,Prof:F5\r\n", "P1  AB\r\nP2  ABCD 12  3,5 et la suite\r\nP3\r\n",
         "P1\\Code=AB\nP1\\Nb=\nP1\\Prof=\nP2\\Code=ABCD\nP2\\Nb=12\nP2\\Prof=3,5\nP3\\Code=\nP3\\Nb=\nP3\\Prof=\n", 3, 0},
        // Blank lines, no final line end; the end-of-file mark of old DOS tools is no borehole.
        {"*Indice:A4,Litho:A20\r\n", "\r\n\r\nP1  Sable\r\n\r\nP2  Argile", "P1\\Litho=Sable\nP2\\Litho=Argile\n", 2, 3},
        {"*Indice:A4,Litho:A20\r\n", "P1  Sable\r\n\x1a", "P1\\Litho=Sable\n", 1, 0},
        // A record over two lines.
        {"*Indice:A4,Ouvrage\\Prof:F5\r\nOuvrage\\X:F8,Ouvrage\\Y:F8\r\n",
         "P1   45,2\r\n 842,315 6519,87\r\nP2      \r\n     1,5       2\r\n",
         "P1\\Ouvrage\\Prof=45,2\nP1\\Ouvrage\\X=842,315\nP1\\Ouvrage\\Y=6519,87\n"
         "P2\\Ouvrage\\Prof=\nP2\\Ouvrage\\X=1,5\nP2\\Ouvrage\\Y=2\n", 2, 0},
        // A non-ASCII separator and text are Windows-1252.
        {"*Indice:A2\xC2\xA7Nature:A5\r\n", "P1\xa7" "B\xe9ton\r\n", "P1\\Nature=B\xC3\xA9ton\n", 1, 0},
        // A second field of the same name in a record is refused.
        {"*Indice:A2,V:A1,V:A1,V\\W:A1\r\n", "P1ABC\r\n", "P1\\V=A\n", 1, 0},
        // An ouvrage given again writes into its row; given with another
        // value, the last record's is kept and the ouvrage named. Alike, or
        // with blanks, or filling what was blank, it loses nothing.
        {"*Indice:A2,Ouvrage\\D\xC3\xA9sign:A2,Ouvrage\\X:F3\r\n", "P1A   1\r\nP1B   3\r\nP1A   2\r\n",
         "P1\\Ouvrage\\D\xC3\xA9sign=A|B\nP1\\Ouvrage\\X=2|3\n", 3, 0, {"P1 (d\xC3\xA9signation A)"}},
        {"*Indice:A2,Ouvrage\\D\xC3\xA9sign:A2,Ouvrage\\X:F3\r\n", "P1    1\r\nP1    2\r\nP2    1\r\n",
         "P1\\Ouvrage\\D\xC3\xA9sign=\nP1\\Ouvrage\\X=2\nP2\\Ouvrage\\D\xC3\xA9sign=\nP2\\Ouvrage\\X=1\n", 3, 0,
         {"P1 (sans d\xC3\xA9signation)"}},
        {"*Indice:A2,Ouvrage\\D\xC3\xA9sign:A2,Ouvrage\\X:F3\r\n", "P1A   1\r\nP1A 1,0\r\nP1A    \r\nP1B    \r\nP1B   4\r\n",
         "P1\\Ouvrage\\D\xC3\xA9sign=A|B\nP1\\Ouvrage\\X=1|4\n", 5, 0},
        // A borehole's own table, given twice: the borehole is named.
        {"*Indice:A2,Dossier\\Commune:A6\r\n", "P1RENNES\r\nP1BREST\r\nP1BREST\r\n", "P1\\Dossier\\Commune=BREST\n", 3,
         0, {"P1"}},
    };
    for (const Case& c : cases) {
        const Imported r = Import(c.filter, c.data);
        EXPECT_EQ(r.Tree(), c.tree) << c.data;
        EXPECT_EQ(r.report.Records, c.records) << c.data;
        EXPECT_EQ(r.report.BlankLines, c.blankLines) << c.data;
        EXPECT_EQ(r.report.UnreadableNumbers, 0) << c.data;
        EXPECT_EQ(r.report.RepeatedNames, c.repeated) << c.data;
        EXPECT_EQ(r.report.HasRemarks(), !c.repeated.empty()) << c.data;
        if (!c.repeated.empty())
            EXPECT_NE(r.report.Summary().find(
                          "1 ouvrage(s) donn\xC3\xA9(s) plusieurs fois avec des valeurs diff\xC3\xA9rentes, la "
                          "derni\xC3\xA8re ligne gard\xC3\xA9" "e :\n  " + c.repeated[0] + "\n"),
                      std::string::npos) << r.report.Summary();
        // Merged through record directories, the same ouvrages are named.
        Imported plain;
        ImportOracleDataThroughRecords(c.data, "a.ora", plain.root.get(), std::string("Filtres\r\n->a.ora\r\n") + c.filter,
                                       plain.report);
        EXPECT_EQ(plain.report.RepeatedNames, c.repeated) << c.data;
        // Another file giving the ouvrage's first values again is a later
        // import: no remark.
        const std::string first(c.data, std::string(c.data).find('\n') + 1);
        OracleImportReport again;
        ImportOracleData(first, "a.ora", r.root.get(), std::string("Filtres\r\n->a.ora\r\n") + c.filter, again);
        EXPECT_EQ(again.Repeated, 0) << first;
    }
    const Imported r = Import(cases[0].filter, cases[0].data);
    EXPECT_EQ(r.report.Merged, 3);
    EXPECT_EQ(r.report.NewBoreholes, 2);
    EXPECT_FALSE(r.report.HasRemarks());
}

TEST_F(FixedWidthImport, RecordsWithoutKeyOrValueAreDropped)
{
    // Blank key; a record of keys, fillers and the selector only.
    Imported r = Import("*Indice:A4,.:A2,Prof:F4\r\n", "    xx 1,5\r\nP1  xx 2,5\r\n");
    EXPECT_EQ(r.Tree(), "P1\\Prof=2,5\n");
    EXPECT_EQ(r.report.DroppedNoKey, 1);
    EXPECT_EQ(r.report.Notes, (std::vector<std::string>{"Enregistrement 1 (ligne 1) sans clé : ignoré"}));
    Imported s = Import("*Indice:A4,.:A2,%,b:A1\r\n", "P1  xx \r\n", "<-b\r\nV:A1\r\n");
    EXPECT_EQ(s.root->ItemCount(), 0);
    EXPECT_EQ(s.report.DroppedNoValue, 1);
}

TEST_F(FixedWidthImport, SeparatorsAndLengthErrors)
{
    const std::string filter = "*Indice:A4;Code:A4;\r\nProf:F4\r\n";
    // A line end in place of the second ";" ends the record; so does the end of the file.
    EXPECT_EQ(Import(filter, "P1  ;ABCD;12,5\r\nP2  ;EFGH\r\nP3  ;IJKL;   1\r\n").Tree(),
              "P1\\Code=ABCD\nP1\\Prof=12,5\nP2\\Code=EFGH\nP2\\Prof=\nP3\\Code=IJKL\nP3\\Prof=1\n");
    EXPECT_EQ(Import(filter, "P1  ;ABCD").Tree(), "P1\\Code=ABCD\nP1\\Prof=\n");
    const std::string head = "Filre: erreur de longueur de champ (";
    EXPECT_EQ(ErrorOf(filter, "P1  ;ABCDx12,5\r\n"),
              head + "Code)\nChamp trouvé : \"ABCD\"\nCaractère attendu : \";\"\nCaractère trouvé : \"x\"");
    EXPECT_EQ(ErrorOf("*Indice:A4,,Code:A4\r\n", "P1  \tABCD\r\n"),
              head + "Indice)\nChamp trouvé : \"P1  \"\nCaractère attendu : \",\"\nCaractère trouvé : #9");
    EXPECT_EQ(ErrorOf("*Indice:A2|V:A1\r\n", "P1\xe9z\r\n"),
              head + "Indice)\nChamp trouvé : \"P1\"\nCaractère attendu : \"|\"\nCaractère trouvé : \"é\"");
    EXPECT_EQ(ErrorOf("*Indice:A2,%t:A1,\r\n", "P1tAB+\r\n", "<-t\r\nType:A2;V:A1\r\n"),
              "Sous-filtre: erreur de longueur de champ (Type)\nChamp trouvé : \"AB\"\n"
              "Caractère attendu : \";\"\nCaractère trouvé : \"+\"");

    // An error leaves the earlier records and says where it is.
    auto root = std::make_unique<TDirBlock>("Carotix");
    OracleImportReport report;
    try {
        ImportOracleData("P1  ;A\r\nP2  ;B\r\nP3  xC\r\n", "a.ora", root.get(), "T\n->a.ora\n*Indice:A4;V:A1\n", report);
        FAIL() << "no error";
    } catch (const EOracleImportError& e) {
        EXPECT_EQ(e.Line(), 3);
        EXPECT_EQ(e.Record(), 3);
    }
    EXPECT_EQ(TreeText(*root), "P1\\V=A\nP2\\V=B\n");
    EXPECT_EQ(report.Merged, 2);
}

TEST_F(FixedWidthImport, NumbersThatDoNotReadAreMissingAndCounted)
{
    Imported r = Import("*Indice:A2,N:I4,F:F5\r\n", "P1 12a  1.5\r\nP1    1,5\r\nP1 $1Fabc\r\nP1  -7 1e3\r\n");
    EXPECT_EQ(r.Tree(), "P1\\N=||31|-7\nP1\\F=1,5|1,5||1000\n");
    EXPECT_EQ(r.report.UnreadableNumbers, 2);
    EXPECT_NE(r.report.Summary().find("Nombres illisibles, importés comme valeurs manquantes : 2"), std::string::npos);
    // With "." as the decimal separator a decimal comma does not read.
    ScopedDecimalSeparator dot('.');
    Imported d = Import("*Indice:A2,F:F5\r\n", "P1  1,5\r\nP2  1.5\r\n");
    EXPECT_EQ(d.Tree(), "P1\\F=\nP2\\F=1.5\n");
    EXPECT_EQ(d.report.UnreadableNumbers, 1);
}

TEST_F(FixedWidthImport, SelectorsChooseTheSubFilterRecordByRecord)
{
    const std::string subs = "<-niveau\r\nLitho:A10\r\n<-tubage\r\nTubage\\Diam:I4,Tubage\\Type:A8\r\n";
    Imported r = Import("*Indice:A4,%niveau,tubage:A6,Deb:F4,Fin:F4,\r\n",
                        "P1  tubage   0  10 180CREPINE\r\nP1  niveau   0   2Sable\r\nP1  tubage  10  20  52\r\n", subs);
    // The main fields go under the selected name, the sub-filter's own fields under their own.
    EXPECT_EQ(r.Tree(), "P1\\Tubage\\Deb=0|10\nP1\\Tubage\\Fin=10|20\nP1\\Tubage\\Diam=180|52\n"
                        "P1\\Tubage\\Type=CREPINE|\nP1\\Niveau\\Deb=0\nP1\\Niveau\\Fin=2\nP1\\Litho=Sable\n");
    // A list written with spaces accepts trimmed values.
    EXPECT_EQ(Import("*Indice:A2,%niveau, tubage :A6,\r\n", "P1tubageABCD\r\n", "<-tubage\r\nType:A4\r\n").Tree(),
              "P1\\Type=ABCD\n");
    // An empty name in the list accepts blanks: no sub-filter, no prefix.
    const std::string small = "<-niveau\r\nLitho:A4\r\n<-tubage\r\nType:A4\r\n";
    EXPECT_EQ(Import("*Indice:A2,%,niveau:A6,Prof:F3,\r\n", "P1       12\r\nP1niveau  3ABCD\r\n", small).Tree(),
              "P1\\Prof=12\nP1\\Niveau\\Prof=3\nP1\\Litho=ABCD\n");
    // Values must be listed; a line that stops before the selector leaves it
    // empty (the same error, not the previous record's sub-filter reading on).
    auto refused = [](const std::string& value) {
        return "Nom de sous-filtre incorrect (" + value + ")\nLes sous-filtres acceptés ici sont :\nniveau,tubage";
    };
    const std::string main = "*Indice:A2,%niveau,tubage:A6,\r\n";
    EXPECT_EQ(ErrorOf(main, "P1forage ABCD\r\n", small), refused("forage"));
    EXPECT_EQ(ErrorOf(main, "P1      ABCD\r\n", small), refused(""));
    EXPECT_EQ(ErrorOf(main, "P1niveauSABL\r\nP2\r\nP3niveauARGI\r\n", small), refused(""));
}

TEST_F(FixedWidthImport, KeysShortSubKeysAndMissingSubFilters)
{
    // The key is in the sub-filter, after a value; a short line never carries the previous one over.
    Imported r = Import("%a:A1,\r\n", "aXXwP1 \r\naY\r\naZZwP2 \r\n", "<-a\r\nV:A2,W:A1,*K:A3\r\n");
    EXPECT_EQ(r.Tree(), "P1\\V=XX\nP1\\W=w\nP2\\V=ZZ\nP2\\W=w\n");
    EXPECT_EQ(r.report.DroppedNoKey, 1);

    // Keys holding the path separator are renamed and reported; "/" is kept.
    // A key written with "_" that then lands in the renamed one's borehole is
    // named too, whichever comes first.
    Imported k = Import("*Indice:A12,V:A1\r\n",
                        "06987X0123/FA\r\nA\\B         B\r\n06987X0123/FC\r\nA_B         D\r\nA_B         E\r\n");
    EXPECT_EQ(k.Tree(), "06987X0123/F\\V=A|C\nA_B\\V=B|D|E\n");
    EXPECT_EQ(k.report.RenamedKeys, 1);
    EXPECT_EQ(k.report.MergedKeys, 1);
    ASSERT_EQ(k.report.Notes.size(), 2u);
    EXPECT_EQ(k.report.Notes[0], "Clé \"A\\B\" (ligne 2) enregistrée sous le nom \"A_B\"");
    EXPECT_EQ(k.report.Notes[1], "Indice \"A_B\" fusionné avec l'indice \"A\\B\", enregistré \"A_B\"");
    EXPECT_NE(k.report.Summary().find("Indices fusionnés avec un autre indice : 1\n" + k.report.Notes[0] + "\n"
                                      + k.report.Notes[1]),
              std::string::npos);

    // A missing sub-filter is reported once; the records keep the main filter's values.
    Imported m = Import("*Indice:A2,%x,y:A1,V:A1,\r\n", "P1xA\r\nP1yBw\r\nP1xC\r\nP2xD\r\n", "<-y\r\nW:A1\r\n");
    EXPECT_EQ(m.report.MissingSubFilters, (std::vector<std::string>{"x"}));
    EXPECT_EQ(m.report.Notes, (std::vector<std::string>{"Pas de filtre \"x\" (sous-filtre)"}));
    EXPECT_EQ(m.Tree(), "P1\\X\\V=A|C\nP1\\Y\\V=B\nP1\\W=w\nP2\\X\\V=D\n");
}

TEST_F(FixedWidthImport, EmptyMissingOrIdleFiltersImportNothing)
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
    // A filter that reads nothing stops instead of looping; a field of width
    // 0 reads nothing, but its separator is still checked.
    EXPECT_EQ(ErrorOf("*Indice:A,V:S,\r\n", "P1AB\r\n"),
              "Le filtre \"a.ora\" ne lit aucun caractère de l'enregistrement 1.\nL'importation est arrêtée.");
    EXPECT_EQ(Import("*Indice:A2,.:A;V:A1\r\n", "P1;X\r\n").Tree(), "P1\\V=X\n");
}

TEST_F(FixedWidthImport, IntoACollectionThatHoldsTheBoreholeAndValuesThatCannotJoin)
{
    Imported r;
    r.root->SetPathFloat("P1\\Niveau\\Deb", 0, btFloat, 0.0);
    r.root->SetPathString("P1\\Ouvrage\\Prof", 0, btString, "profond");
    r.root->AddChild(std::make_unique<TStrBlock>("UnitéXY", "km"), false);
    ImportOracleData("P1      12   5\r\nP2       9\r\nUnit\xe9XY  3\r\n", "a.ora", r.root.get(),
                     "T\n->a.ora\n*Indice:A7,Ouvrage\\Prof:F3,Niveau\\Deb:F4\n", r.report);
    EXPECT_EQ(r.Tree(), "P1\\Niveau\\Deb=0|5\nP1\\Ouvrage\\Prof=profond\nUnitéXY=km\nP2\\Ouvrage\\Prof=9\nP2\\Niveau\\Deb=\n");
    EXPECT_EQ(r.report.NewBoreholes, 1);
    EXPECT_EQ(r.report.LostValues, 1);
    EXPECT_EQ(r.report.NotMerged, 1);
}

// The designation columns an import makes: one of blanks only is dropped (the
// file gives none), one made where rows stood already follows its rows, and
// rows left without a designation among designated ones are named. Columns
// the collection held and other boreholes are left as they are, also when a
// record fails.
TEST_F(FixedWidthImport, DesignationColumnsTheImportMakes)
{
    using Prepare = void (*)(TDirBlock&);
    const Prepare none = [](TDirBlock&) {};
    const Prepare twoLevels = [](TDirBlock& r) { r.SetPathFloat("P1\\Niveau\\Deb", 1, btFloat, 1); };
    const Prepare designated = [](TDirBlock& r) {
        r.SetPathString("P1\\Niveau\\Désign", 0, btString, "F2");
        r.SetPathFloat("P1\\Niveau\\Deb", 0, btFloat, 2);
    };
    const Prepare blankOuvrage = [](TDirBlock& r) {
        r.SetPathString("P1\\Ouvrage\\Désign", 1, btString, "F2");
        r.SetPathString("P1\\Niveau\\Désign", 0, btString, "F2");
        r.SetPathFloat("P1\\Niveau\\Deb", 0, btFloat, 2);
        r.SetPathString("Q\\Tubage\\Désign", 0, btString, "");
    };
    struct Case {
        Prepare prepare;
        const char* data;
        const char* tree;
        std::int64_t undesignated;
    } cases[] = {
        {none, "P1;  0;\r\nP1;  1;  \r\n", "P1\\Niveau\\Deb=0|1\n", 0},
        {twoLevels, "P1;  2;F2\r\n", "P1\\Niveau\\Deb=|1|2\nP1\\Niveau\\Désign=||F2\n", 2},
        {designated, "P1;  3;  \r\nP1;  4;F2\r\n", "P1\\Niveau\\Désign=F2||F2\nP1\\Niveau\\Deb=2|3|4\n", 1},
        {blankOuvrage, "P1;  3;  \r\n",
         "P1\\Ouvrage\\Désign=|F2\nP1\\Niveau\\Désign=F2|\nP1\\Niveau\\Deb=2|3\nQ\\Tubage\\Désign=\n", 0},
        {none, "P1;  0;\r\nP1;  1x", "P1\\Niveau\\Deb=0\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        Imported r;
        c.prepare(*r.root);
        try {
            ImportOracleData(c.data, "a.ora", r.root.get(), "T\r\n->a.ora\r\n*Indice:A2;Niveau\\Deb:F3;Niveau\\Désign:A2\r\n",
                             r.report);
        } catch (const EOracleImportError&) {
        }
        EXPECT_EQ(r.Tree(), c.tree);
        EXPECT_EQ(r.report.UndesignatedRows, c.undesignated);
    }
    // A record that carries a dossier alone makes no ouvrage.
    EXPECT_EQ(Import("*Indice:A2;Ouvrage\\Désign:A2;Ouvrage\\Z:F3;Dossier\\Commune:A4\r\n", "P1;  ;   ;Lyon\r\n").Tree(),
              "P1\\Dossier\\Commune=Lyon\n");
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
    // A path starting with "\" gives a directory named "".
    ExpectTreeLines(*direct, {"P1\\N\\U=1|3", "P1\\A=a|Q|x|g", "P1\\\\z=z|z|", "P1\\S\\A=a", "P2\\S\\C\\=0,5"});
    EXPECT_EQ(TreeText(*direct).find("A\\x"), std::string::npos);
}

// The shipped filters with the sample files of a borehole database export
// and of drillers' site sheets.
TEST_F(FixedWidthImport, ShippedFiltersOnSampleFiles)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    const std::string filters = Data(CAROTIX_DATA_DIR, "filtre_bss.txt");
    OracleImportReport ouvrage, niveau, equipement;
    ImportOracleFile(Data(CAROTIX_TEST_DATA_DIR, "ouvrage.ora"), root.get(), filters, ouvrage);
    ImportOracleFile(Data(CAROTIX_TEST_DATA_DIR, "niveau.ora"), root.get(), filters, niveau);
    ImportOracleFile(Data(CAROTIX_TEST_DATA_DIR, "equipement.ora"), root.get(), filters, equipement);
    EXPECT_EQ(ouvrage.RenamedKeys, 0);
    EXPECT_EQ(ouvrage.Records, 3);
    EXPECT_EQ(equipement.UnreadableNumbers, 0);
    EXPECT_TRUE(equipement.MissingSubFilters.empty());
    const std::string f1 = "06987X0123/F\\", f2 = "06987X0145\\", f3 = "07218X0009\\";
    ExpectTreeLines(*root,
                {f1 + "Ouvrage\\Désign=F1 LES GRANGES", f1 + "Ouvrage\\X=842,315", f1 + "Ouvrage\\ProfEau=12,35",
                 f1 + "Ouvrage\\DiamTube=180", f1 + "Dossier\\DateDossier=12/05/2001", f2 + "Ouvrage\\DiamTube=",
                 f3 + "Ouvrage\\ProfEau=", f1 + "Niveau\\Fin=0,8|12,4|45",
                 f1 + "Niveau\\Strati=Quaternaire|Quaternaire|Miocène",
                 f1 + "Niveau\\Litho=Terre végétale limoneuse brune|Graviers et galets dans une matrice sableuse grise, "
                      "quelques blocs|Molasse gréseuse jaune à ocre, passées marneuses",
                 f3 + "Niveau\\Litho=Sables et graviers œuvrés", f3 + "Niveau\\CodeNiv=", f1 + "Tubage\\Deb=-0,5|30",
                 f1 + "Tubage\\Type=TUBE PLEIN|CREPINE", f1 + "Tubage\\NbCentr=4|2",
                 f1 + "Tubage\\Désign=F1 LES GRANGES|F1 LES GRANGES",
                 f1 + "Annulaire\\Nature=Coulis ciment|Argile gonflante|Gravier calibré 2-4", f1 + "Trou-nu\\Diam=311",
                 f1 + "Trou-nu\\Méthode=Rotary", f2 + "Tubage\\NomTube=", f2 + "Tubage\\NbCentr="});

    auto site = std::make_unique<TDirBlock>("Carotix");
    OracleImportReport report;
    for (const char* name : {"forages.ora", "coupes.ora", "cuvelage.ora", "massif.ora"})
        ImportOracleFile(Data(CAROTIX_TEST_DATA_DIR, name), site.get(), Data(CAROTIX_DATA_DIR, "filtre_chantier.txt"),
                         report);
    EXPECT_EQ(report.DroppedNoKey + report.DroppedNoValue + report.UnreadableNumbers, 0);
    const std::string s1 = "0690012345\\";
    ExpectTreeLines(*site,
                {s1 + "Dossier\\Entrepreneur=Forages du Rhône", s1 + "Ouvrage\\Z=198,4", s1 + "Dossier\\DateDossier=20190415",
                 "0380000077\\Ouvrage\\X=", s1 + "Niveau\\Litho=Terre végétale|Graviers sableux roux|Molasse sableuse",
                 "0690012346\\Tubage\\LargFente=0,5", s1 + "Tubage\\NbCentr=4|2",
                 s1 + "Annulaire\\Nature=Laitier de ciment|Argile|Gravier roulé 3-5"});
    // Sheets written before the filter carried the designations of levels,
    // casing and fill: their rows stay the whole borehole's.
    for (const char* table : {"Niveau", "Tubage", "Annulaire"})
        EXPECT_EQ(site->FindBlock(s1 + table + "\\Désign"), nullptr) << table;
    EXPECT_EQ(site->GetPathString(s1 + "Ouvrage\\Désign", 0), "F1 STADE");
}

TEST_F(FixedWidthImport, FileNamesAndProgress)
{
    TempDir dir;
    WriteFileBytes(dir / "filtre.txt", "T\r\n->niveau.ora\r\n*Indice:A2,Prof:F3\r\n->absent.ora\r\nV:A1\r\n");
    WriteFileBytes(dir / "NIVEAU.ORA", "P1  1\r\nP2  2\r\n");
    struct Observer : OracleImportObserver {
        std::uint64_t last = 0, size = 0;
        void Progress(std::uint64_t done, std::uint64_t total) override { last = done, size = total; }
    } observer;
    auto root = std::make_unique<TDirBlock>("Carotix");
    OracleImportReport report;
    // The data file's name is lower-cased to find its filter.
    ImportOracleFile((dir / "NIVEAU.ORA").string(), root.get(), (dir / "filtre.txt").string(), report, &observer);
    EXPECT_EQ(report.FilterName, "niveau.ora");
    EXPECT_EQ(root->ItemCount(), 2);
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
