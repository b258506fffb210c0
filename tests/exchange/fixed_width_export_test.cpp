// Export of fixed-width data files: field writing, keys, rows, sub-filters,
// the lists of the export dialog, and round trips through the importer with
// the shipped filter files.
#include "exchange/fixed_width_export.h"

#include "exchange/fixed_width_import.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Export(const TDirBlock& root, const std::string& filterBody, OracleExportReport* report = nullptr,
                   const std::string& more = "")
{
    OracleExportReport local;
    return ExportOracleData(root, "a.ora", "Filtres\r\n->a.ora\r\n" + filterBody + more, report ? *report : local);
}

std::string ShippedFilter(const std::string& name)
{
    return (fs::path(CAROTIX_DATA_DIR) / name).string();
}

// Every value block of a tree as "path type: values", sorted: the trees that
// a file gives are compared whatever the order their tables were met in.
void Dump(const TBlock& b, const std::string& path, std::vector<std::string>& out)
{
    if (b.IsDir()) {
        for (const auto& c : static_cast<const TDirBlock&>(b).Items()) Dump(*c, path + "\\" + c->Name, out);
        return;
    }
    std::string line = path + " " + IntToStr(b.BlockType()) + ":";
    for (int i = 0; i < b.Count(); ++i) line += "|" + b.GetString(i);
    out.push_back(line);
}

std::vector<std::string> Dump(const TDirBlock& root)
{
    std::vector<std::string> out;
    Dump(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

class FixedWidthExport : public ::testing::Test {
protected:
    ScopedDecimalSeparator comma_{','};
    TDirBlock root_{"Carotix"};
};

TEST_F(FixedWidthExport, WritesKeysTextsNumbersAndFillersInTheirWidths)
{
    root_.SetPathString("P1\\Ouvrage\\Nom", 0, btString, "Puits");
    root_.SetPathInt("P1\\Ouvrage\\N", 0, btInt, 42);
    root_.SetPathFloat("P1\\Ouvrage\\Z", 0, btFloat, 1.5);
    EXPECT_EQ(Export(root_, "*Indice:A6,Ouvrage\\Nom:A8;Ouvrage\\N:I5,.:A3=\"XYZ\",.:A2,Ouvrage\\Z:F6,Ouvrage\\Vide:F8|"
                            "Ouvrage\\Absent:A4=\"DEF\"\r\n"),
              "P1    Puits   ;   42XYZ     1,5        |DEF \r\n");

    // A key cut by two key fields gives its two halves, as the import joins them.
    TDirBlock two("Carotix");
    two.SetPathString("ABCDEFGH\\T\\V", 0, btString, "x");
    EXPECT_EQ(Export(two, "*A:A4,*B:A4,T\\V:A1\r\n"), "ABCDEFGHx\r\n");

    // A number as wide as its field fills it.
    TDirBlock full("Carotix");
    full.SetPathInt("P\\T\\N", 0, btInt, -1234);
    EXPECT_EQ(Export(full, "*I:A1,T\\N:I5\r\n"), "P-1234\r\n");
}

TEST_F(FixedWidthExport, WritesOneRecordPerRowThatHoldsAValue)
{
    root_.SetPathString("P1\\N\\Code", 0, btString, "AR");
    root_.SetPathString("P1\\N\\Code", 1, btString, "  ");
    root_.SetPathString("P1\\N\\Code", 2, btString, "SA");
    root_.SetPathString("P1\\N\\Date", 1, btString, "01/02/2003");  // dates alone do not count
    root_.SetPathInt("P2\\N\\Num", 0, btInt, MissingInt);
    EXPECT_EQ(Export(root_, "*I:A2,N\\Code:A2,N\\Date:D10\r\n"), "P1AR          \r\nP1SA          \r\n");
}

TEST_F(FixedWidthExport, KeepsEveryRecordReadableWhereAValueDoesNotFit)
{
    root_.SetPathString("LONGNAME\\T\\Txt", 0, btString, "abcdef\r\nzé€");
    root_.SetPathInt("LONGNAME\\T\\N", 0, btInt, 123456);
    root_.SetPathFloat("LONGNAME\\T\\F", 0, btFloat, 123456.0);
    root_.SetPathString("LONGNAME\\T\\U", 0, btString, "\xE2\x82\xAC\xE2\x86\x92");  // € and an arrow
    OracleExportReport report;
    const std::string bytes = Export(root_, "*I:A4,T\\Txt:A5,T\\N:I3,T\\F:F2,T\\U:A2\r\n", &report);
    EXPECT_EQ(bytes, "LONGabcde     \x80?\r\n");
    EXPECT_EQ(report.CutTexts, 1);
    EXPECT_EQ(report.WideNumbers, 2);
    EXPECT_EQ(report.LineBreaks, 1);
    EXPECT_EQ(report.CutKeys, 1);
    EXPECT_EQ(report.Unmapped, 1u);
    ASSERT_EQ(report.Notes.size(), 1u);
    EXPECT_EQ(report.Notes[0], "LONGNAME");
    EXPECT_TRUE(report.HasRemarks());
    EXPECT_NE(report.Summary().find("coupé"), std::string::npos);
}

TEST_F(FixedWidthExport, WritesEachSubFilterWithItsPrefixAndRowsAndReportsMissingOnes)
{
    root_.SetPathFloat("P1\\Niveau\\Deb", 0, btFloat, 0);
    root_.SetPathFloat("P1\\Niveau\\Deb", 1, btFloat, 2);
    root_.SetPathString("P1\\Niveau\\Code", 1, btString, "SA");
    root_.SetPathString("P1\\Tubage\\NomTube", 0, btString, "T1");
    const std::string more = "<-niveau\r\nNiveau\\Code:A2\r\n<-tubage\r\nTubage\\NomTube:A3\r\n";
    OracleExportReport report;
    EXPECT_EQ(Export(root_, "*I:A2,%niveau, tubage, trou-nu:A7,Deb:F3,\r\n", &report, more),
              "P1niveau   0  \r\nP1niveau   2SA\r\nP1tubage    T1 \r\n");
    ASSERT_EQ(report.MissingSubFilters.size(), 1u);
    EXPECT_EQ(report.MissingSubFilters[0], "trou-nu");
    EXPECT_EQ(report.Records, 3);

    // What it carries holds every value: nothing is named, nor a blank cell;
    // values outside it are, a table none of whose columns it carries whole.
    EXPECT_EQ(report.Carried, (std::vector<std::string>{"I", "Niveau\\Deb", "Niveau\\Code", "Tubage\\Deb",
                                                         "Tubage\\NomTube", "Trou-nu\\Deb"}));
    const std::set<std::string> carried(report.Carried.begin(), report.Carried.end());
    root_.SetPathString("P1\\Niveau\\Vide", 0, btString, " ");
    root_.SetPathFloat("P2\\Annexe\\V", 0, btFloat, MissingFloat);
    EXPECT_EQ(UncarriedSummary(root_, carried), "");
    root_.SetPathInt("P2\\Annexe\\N", 1, btInt, 3);
    root_.SetPathString("P2\\Niveau\\Aquifere", 0, btString, "A1");
    EXPECT_EQ(UncarriedSummary(root_, carried),
              "Non exporté (absent du filtre) : Annexe (toutes les colonnes), Niveau\\Aquifere");
}

TEST_F(FixedWidthExport, RefusesAMissingMainFilterWithoutWritingTheFile)
{
    TempDir dir;
    const std::string filter = (dir / "filtre.txt").string();
    WriteFileBytes(filter, "F\r\n->Autre.ora\r\n*I:A2\r\n");
    const std::string target = (dir / "autre.ora").string();
    WriteFileBytes(target, "old");
    try {
        ExportOracleFile(target, root_, filter);
        FAIL() << "no error";
    } catch (const EFilterError& e) {
        EXPECT_EQ(std::string(e.what()), MissingFilterMessage("autre.ora"));
    }
    EXPECT_EQ(ReadFileBytes(target), "old");
    // An unwritable folder leaves no file and says which one.
    EXPECT_THROW(ExportOracleFile((dir / "nope" / "a.ora").string(), root_, filter), EFilterError);
    WriteFileBytes(filter, "F\r\n->a.ora\r\n*I:A2\r\n");
    EXPECT_THROW(ExportOracleFile((dir / "nope" / "a.ora").string(), root_, filter), EExportFileError);
}

TEST_F(FixedWidthExport, ListsAndTicksTheFiltersOfTheTablesPresent)
{
    const std::vector<std::string> headers = {"ouvrage.ora(Ouvrage, Dossier)", "niveau.ora (Niveau)", "x\\y.ora(Niveau)",
                                              "../evil.ora(Niveau)", "tubage.ora(Tubage)", "sans.ora"};
    std::vector<ExportCheckItem> items{{"gone.ora", true}, {"tubage.ora", true}};
    UpdateExportCheckItems(items, OracleExportItems(headers));
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].Text, "tubage.ora");
    EXPECT_TRUE(items[0].Checked);
    EXPECT_EQ(items[1].Text, "ouvrage.ora");
    EXPECT_EQ(items[2].Text, "niveau.ora ");
    EXPECT_EQ(items[3].Text, "sans.ora");

    root_.SetPathString("P1\\Dossier\\Commune", 0, btString, "Lyon");
    root_.SetPathString("P2\\Niveau\\Litho", 0, btString, "Argile");
    CheckOracleTables(items, headers, root_);
    EXPECT_FALSE(items[0].Checked);
    EXPECT_TRUE(items[1].Checked);
    EXPECT_TRUE(items[2].Checked);
    EXPECT_FALSE(items[3].Checked);

    TempDir dir;
    WriteFileBytes(dir / "ouvrage.ora", "x");
    WriteFileBytes(dir / "niveau.ora ", "x");
    EXPECT_EQ(ExistingExportFiles(WithTrailingSlash(dir.path().string()), items, ""), "ouvrage.ora, niveau.ora ");
}

// Each sample data file read through its shipped filter, written back and read
// again gives the same tree, and writing that tree gives the same bytes.
TEST_F(FixedWidthExport, SampleFilesRoundTripThroughTheShippedFilters)
{
    const std::pair<const char*, const char*> files[] = {
        {"ouvrage.ora", "filtre_bss.txt"},  {"niveau.ora", "filtre_bss.txt"},   {"equipement.ora", "filtre_bss.txt"},
        {"forages.ora", "filtre_chantier.txt"}, {"coupes.ora", "filtre_chantier.txt"},
        {"cuvelage.ora", "filtre_chantier.txt"}, {"massif.ora", "filtre_chantier.txt"}};
    TempDir dir;
    for (const auto& [file, filter] : files) {
        SCOPED_TRACE(file);
        const std::string filterText = ReadFilterFileText(ShippedFilter(filter));
        TDirBlock first("Carotix");
        OracleImportReport in1;
        ImportOracleData(ReadFileBytes(fs::path(CAROTIX_TEST_DATA_DIR) / file), file, &first, filterText, in1);
        ASSERT_GT(first.ItemCount(), 0);

        const std::string target = (dir / file).string();
        OracleExportReport out1;
        ExportOracleFile(target, first, ShippedFilter(filter), out1);
        EXPECT_FALSE(out1.HasRemarks()) << out1.Summary();

        TDirBlock second("Carotix");
        OracleImportReport in2;
        ImportOracleFile(target, &second, ShippedFilter(filter), in2);
        // A tube without a name comes back without one: the filters write no
        // value in its place.
        EXPECT_EQ(Dump(first), Dump(second));
        OracleExportReport out2;
        EXPECT_EQ(ExportOracleData(second, file, filterText, out2), ReadFileBytes(target));
    }
}

} // namespace
