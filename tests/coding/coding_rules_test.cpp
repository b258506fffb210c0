// The coding rules and word lists: their files read and written exactly as
// the coding library reads them, the checks of typed cells, the sorts, the
// printing plan, the rules editor's row rules, and the library coding with a
// changed rule file once it has read its files again.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "coding/codage_binding.h"
#include "coding/coding_rules.h"
#include "platform/base/text_codec.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Row(const StringGrid& g, int r)
{
    std::vector<std::string> v;
    for (int c = g.FixedCols(); c < g.ColCount(); ++c) v.push_back(g.Cell(c, r));
    return v;
}

// The program's coding library bound on a temporary program folder, put back after.
class LibraryScope {
public:
    explicit LibraryScope(const fs::path& folder)
        : previous_(CodageDLL().Replace(BindCodingLibrary(folder.string())))
    {
    }
    ~LibraryScope() { CodageDLL().Replace(std::move(previous_)); }

private:
    std::unique_ptr<CodingLibrary> previous_;
};

}  // namespace

TEST(CodingRuleFiles, ShippedFilesComeBackByteForByteAndCodeAlike)
{
    TempProgramDir dir(true, true);
    const char* files[] = {kDescriptionsFile, kNomsFile, kAdjectifsFile, kInhibiteursFile, kActivateursFile};
    TextGrid grids[] = {MakeRulesGrid(), MakeNounsGrid(), MakeAdjectivesGrid(), MakeInvariableGrid(),
                        MakeInvariableGrid()};
    LibraryScope library(dir.path());
    ASSERT_TRUE(CodageDLL().MakeCodeBound());
    const std::vector<std::string> samples = {"SABLE FIN", "ARGILE SABLEUSE", "SABLE ARGILE 35 %", "CALCAIRE MARNEUX",
                                              "TERRE VEGETALE", "SABLE SANS ARGILE"};
    std::vector<std::string> before;
    for (const auto& s : samples) before.push_back(CodageDLL().MakeCode(s));
    for (int i = 0; i < 5; ++i) {
        const std::string original = ReadFileBytes(dir / files[i]);
        LoadGridFromCsv(grids[i], dir / files[i]);
        EXPECT_TRUE(GridRowIsEmpty(grids[i], grids[i].RowCount() - 1));
        EXPECT_EQ(SaveGridToCsv(grids[i], dir / files[i]), 0u);
        EXPECT_EQ(ReadFileBytes(dir / files[i]), original) << files[i];
    }
    EXPECT_EQ(grids[0].Cell(kRuleColDescription, 3), "SABLE FIN");
    EXPECT_EQ(grids[0].Cell(kRuleColCode, 3), "SAB2124");
    CodageDLL().LoadData();
    for (std::size_t i = 0; i < samples.size(); ++i) EXPECT_EQ(CodageDLL().MakeCode(samples[i]), before[i]) << samples[i];
    EXPECT_EQ(before[0], "SAB2124");
}

TEST(CodingRuleFiles, SavingUpperCasesQuotesAndSkipsBlankRows)
{
    TempDir dir;
    TextGrid g = MakeRulesGrid();
    g.SetRowCount(5);
    g.SetCell(kRuleColDescription, 1, "argile sableuse");
    g.SetCell(kRuleColCode, 1, "arg3211");
    g.SetCell(kRuleColDescription, 3, "say \"no\";x,y");
    g.SetCell(kRuleColDescription, 4, "\xC3\xA9" "boulis");  // "éboulis"
    // A new file is Windows-1252 with CR LF; the middle blank row is not saved.
    EXPECT_EQ(SaveGridToCsv(g, dir / "Descriptions.csv"), 0u);
    EXPECT_EQ(ReadFileBytes(dir / "Descriptions.csv"),
              "\"ARGILE SABLEUSE\";ARG3211;\r\n\"SAY \"\"NO\"\";X,Y\";;\r\n\xC9" "BOULIS;;\r\n");
    // Read back, the quoted ";" and "," stay in their field.
    TextGrid back = MakeRulesGrid();
    LoadGridFromCsv(back, dir / "Descriptions.csv");
    ASSERT_EQ(back.RowCount(), 5);
    EXPECT_EQ(Row(back, 2), (std::vector<std::string>{"SAY \"NO\";X,Y", "", ""}));
    EXPECT_EQ(Row(back, 3)[0], "\xC3\x89" "BOULIS");
    // A UTF-8 file stays UTF-8; a character without a byte in Windows-1252 is counted.
    WriteFileBytes(dir / "Noms.csv", "\xC3\x89" "BOULIS;\xC3\x89" "BOULIS\r\n");
    TextGrid nouns = MakeNounsGrid();
    LoadGridFromCsv(nouns, dir / "Noms.csv");
    SaveGridToCsv(nouns, dir / "Noms.csv");
    EXPECT_EQ(ReadFileBytes(dir / "Noms.csv"), "\xC3\x89" "BOULIS;\xC3\x89" "BOULIS\r\n");
    g.SetCell(kRuleColDescription, 4, "\xE2\x84\xA2");  // ™ exists in Windows-1252
    g.SetCell(kRuleColCode, 4, "\xE2\x88\x9A");         // √ does not
    EXPECT_EQ(SaveGridToCsv(g, dir / "Descriptions.csv"), 1u);
}

TEST(CodingRuleFiles, ByteOrderMarksReadAndWriteBack)
{
    // A mark over bytes that are not UTF-8: repaired as every text file is,
    // so what the grid holds is what a save writes and reads back.
    for (const std::string bytes : {std::string("\xEF\xBB\xBF\xFF"), std::string("\xEF\xBB\xBF" "AB\xC3;X\xFFZ\r\n")}) {
        TextGrid g = MakeRulesGrid();
        LoadGridFromBytes(g, bytes);
        EXPECT_EQ(g.Cell(kRuleColDescription, 1), DecodeTextFile(bytes.substr(0, bytes.find(';'))));
        EXPECT_TRUE(IsValidUtf8(g.Cell(kRuleColDescription, 1)));
        TextGrid back = MakeRulesGrid();
        LoadGridFromBytes(back, GridCsvText(g));
        EXPECT_EQ(Row(back, 1), Row(g, 1));
    }
    // A first cell starting with U+FEFF keeps that character through a UTF-8 save.
    TempDir dir;
    WriteFileBytes(dir / "Noms.csv", "\xC3\x89" "BOULIS;X\r\n");
    TextGrid g = MakeNounsGrid();
    LoadGridFromCsv(g, dir / "Noms.csv");
    g.SetCell(0, 1, "\xEF\xBB\xBF" "ZUT");
    SaveGridToCsv(g, dir / "Noms.csv");
    TextGrid back = MakeNounsGrid();
    LoadGridFromCsv(back, dir / "Noms.csv");
    EXPECT_EQ(back.Cell(0, 1), "\xEF\xBB\xBF" "ZUT");
    EXPECT_EQ(back.Cell(1, 1), "X");
}

TEST(CodingRuleFiles, MissingUnreadableAndOversizedFiles)
{
    TempDir dir;
    TextGrid g = MakeRulesGrid();
    g.SetRowCount(4);
    g.SetCell(kRuleColDescription, 2, "OLD");
    LoadGridFromCsv(g, dir / "Descriptions.csv");  // missing: one blank row, no failure
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_TRUE(GridRowIsEmpty(g, 1));
    // Blank lines and fields beyond the columns are dropped.
    LoadGridFromBytes(g, "A;B;C;D;E\r\n\r\n  \r\nX\n");
    ASSERT_EQ(g.RowCount(), 4);
    EXPECT_EQ(Row(g, 1), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(Row(g, 2), (std::vector<std::string>{"X", "", ""}));

    // A rule file that cannot be read is reported and never written over.
    const std::string big(static_cast<std::size_t>(kMaxCodingFileSize) + 1, 'A');
    WriteFileBytes(dir / kDescriptionsFile, big);
    CodingRulesEditor editor;
    EXPECT_THROW(editor.Load(dir.path()), CodingFileError);
    EXPECT_EQ(editor.Grid.RowCount(), 2);
    editor.Edit1Change("SABLE");
    EXPECT_THROW(editor.Save(dir.path()), CodingFileError);
    EXPECT_EQ(fs::file_size(dir / kDescriptionsFile), big.size());

    // A read-only word list stops the save with a message and stays as it was.
    WordListsEditor words;
    WriteFileBytes(dir / kNomsFile, "SABLE;SABLES\r\n");
    words.Load(dir.path());
    ::chmod((dir / kNomsFile).c_str(), 0444);
    if (::access((dir / kNomsFile).c_str(), W_OK) != 0) {
        words.Noms.SetCell(0, 1, "GRAVE");
        EXPECT_THROW(words.Save(dir.path()), CodingFileError);
        EXPECT_EQ(ReadFileBytes(dir / kNomsFile), "SABLE;SABLES\r\n");
    }
    ::chmod((dir / kNomsFile).c_str(), 0644);
}

TEST(CodingRuleChecks, MessagesAndAllowedCharacters)
{
    EXPECT_EQ(CheckCellText("SABLE >= 30 %", true), "");
    EXPECT_EQ(CheckCellText("SAB1107", true), "");
    EXPECT_EQ(CheckCellText("SABLE \xC3\xA9", true),
              "Le texte doit \xC3\xAAtre compos\xC3\xA9 de majuscules sans accents,\nde nombres entiers positifs, "
              "d'espaces et des signes \">\", \"=\", \"<\", \"%\".");
    EXPECT_NE(CheckCellText("12,5", true), "");
    EXPECT_NE(CheckCellText("sable", true), "");
    EXPECT_EQ(CheckCellText("SABLE", false), "");
    EXPECT_EQ(CheckCellText("TERRE VEGETALE", false), "Le texte doit \xC3\xAAtre compos\xC3\xA9 de majuscules sans accents");
    EXPECT_NE(CheckCellText("ARGILE2", false), "");
    // The typed text stays, and typing into the last row appends a blank one.
    TextGrid words = MakeNounsGrid();
    EXPECT_NE(WordListsEditor::SetEditText(words, 0, 1, "\xC3\xA9"), "");
    EXPECT_EQ(words.Cell(0, 1), "\xC3\xA9");
    EXPECT_EQ(words.RowCount(), 3);
}

TEST(CodingRuleGrids, SortsLookupsAndPrintPlan)
{
    TextGrid g = MakeRulesGrid();
    LoadGridFromBytes(g, "B;X2\r\n\xC9" "A;X1\r\na;X3\r\nB;X0\r\nA;X4\r\n");
    SortGridRows(g, kRuleColDescription, -1, -1);
    std::vector<std::string> order;
    for (int r = 1; r < g.RowCount() - 1; ++r) order.push_back(g.Cell(kRuleColCode, r));
    // Windows-1252 byte order ("É" 0xC9 after "a"), equal texts in their order.
    EXPECT_EQ(order, (std::vector<std::string>{"X4", "X2", "X0", "X3", "X1"}));
    EXPECT_TRUE(GridRowIsEmpty(g, g.RowCount() - 1));
    // Rows move below the title row only.
    g.MoveRow(0, 2);
    g.MoveRow(3, 0);
    g.MoveRow(1, 3);
    order.clear();
    for (int r = 0; r < g.RowCount() - 1; ++r) order.push_back(g.Cell(kRuleColCode, r));
    EXPECT_EQ(order, (std::vector<std::string>{"Code", "X2", "X0", "X4", "X3", "X1"}));

    EXPECT_EQ(LeadingCapitals("SAB1107"), "SAB");
    EXPECT_EQ(LeadingCapitals("sab"), "");
    TextGrid rules = MakeRulesGrid();
    LoadGridFromBytes(rules, "SABLE;SAB1107;\r\nARGILE;ARG8815;\r\n");
    EXPECT_TRUE(CodeHasRule(rules, "SAB"));
    EXPECT_TRUE(CodeHasRule(rules, "SAB2124"));
    EXPECT_FALSE(CodeHasRule(rules, "CAL"));
    EXPECT_FALSE(CodeHasRule(rules, "SA"));
    EXPECT_TRUE(CodeHasRule(rules, ""));
    EXPECT_EQ(RuleRows(rules)[1], (std::pair<std::string, std::string>{"ARG8815", "ARGILE"}));

    // A4: 42 lines of 2 columns; up to 2 rules per column more stay on the last page.
    EXPECT_EQ(PlanRulePrint(21, 29.7, 84).Pages, 1);
    const RulePrintPlan squeezed = PlanRulePrint(21, 29.7, 88);
    EXPECT_EQ(squeezed.Pages, 1);
    EXPECT_EQ(squeezed.RulesOnPage(0), 88);
    EXPECT_EQ(squeezed.LinesOnPage(0), 44);
    const RulePrintPlan two = PlanRulePrint(21, 29.7, 89);
    EXPECT_EQ(two.Pages, 2);
    EXPECT_EQ(two.RulesOnPage(1), 5);
    EXPECT_EQ(two.LinesOnPage(1), 42);
    EXPECT_EQ(PlanRulePrint(21, 29.7, 0).Pages, 0);
    EXPECT_EQ(PlanRulePrint(5, 29.7, 10).Columns, 0);  // too narrow: no page at all
    EXPECT_EQ(PlanRulePrint(0, 0, 10).Pages, 0);
    TextGrid printed = MakeRulesGrid();
    LoadGridFromBytes(printed, "A;1\r\n;2\r\nB;3\r\n;4\r\n");
    EXPECT_EQ(PrintableRuleCount(printed), 3);
}

TEST(CodingRulesEditorRows, EditsKeepOneTrailingBlankRowAndDropEmptiedRowsWhenLeft)
{
    CodingRulesEditor e;
    e.SelectRow(1);
    e.Edit1Change("  SABLE  ");
    EXPECT_EQ(e.Grid.Cell(kRuleColDescription, 1), "SABLE");
    EXPECT_EQ(e.Grid.RowCount(), 3);
    e.Edit2Change("SAB1107");
    EXPECT_FALSE(e.GoToRow(2));
    e.Edit1Change("ARGILE");
    ASSERT_EQ(e.Grid.RowCount(), 4);
    // Clearing a rule to type it again keeps the row and the edits on it.
    e.GoToRow(1);
    e.Edit2Change("");
    e.Edit1Change("");
    EXPECT_EQ(e.Grid.RowCount(), 4);
    EXPECT_EQ(e.CurrentRow, 1);
    e.Edit1Change("G");
    EXPECT_EQ(Row(e.Grid, 1), (std::vector<std::string>{"G", "", ""}));
    EXPECT_EQ(Row(e.Grid, 2), (std::vector<std::string>{"ARGILE", "", ""}));
    // Left empty, it goes when the user leaves it; the row clicked stays the one shown.
    e.Edit1Change("");
    EXPECT_TRUE(e.GoToRow(2));
    EXPECT_EQ(e.Grid.RowCount(), 3);
    EXPECT_EQ(e.CurrentRow, 1);
    EXPECT_EQ(e.Edit1Text, "ARGILE");
    // Typing into the blank row adds another; emptying it and leaving deletes it.
    e.GoToRow(2);
    e.Edit1Change("X");
    EXPECT_EQ(e.Grid.RowCount(), 4);
    e.Edit1Change("");
    EXPECT_EQ(e.Grid.RowCount(), 4);
    EXPECT_TRUE(e.DropEmptyRows());
    EXPECT_EQ(e.Grid.RowCount(), 3);
    // The trailing blank row itself is never deleted.
    e.GoToRow(2);
    e.Edit2Change("");
    EXPECT_FALSE(e.GoToRow(1));
    EXPECT_EQ(e.Grid.RowCount(), 3);
    // Cut and paste move rules through the clipboard text.
    const std::string text = e.Cut(1, 1);
    EXPECT_EQ(text, "ARGILE\t\t\r\n");
    EXPECT_EQ(e.Grid.RowCount(), 2);
    e.Paste(kRuleColDescription, 1, "SABLE\tSAB1107\r\nARGILE\tARG8815\r\n");
    EXPECT_EQ(e.Grid.RowCount(), 4);
    EXPECT_EQ(e.SelectAllRows(), (std::pair<int, int>{1, 2}));
    // A selection that reaches the blank row never sorts it in.
    e.SortBy(kRuleColCode, 1, 3);
    EXPECT_EQ(e.Grid.Cell(kRuleColCode, 1), "ARG8815");
    EXPECT_TRUE(GridRowIsEmpty(e.Grid, 3));
}

TEST(CodingRulesEditorRows, ChangedRulesGiveNewCodesOnceTheLibraryReloads)
{
    TempProgramDir dir(true, true);
    LibraryScope library(dir.path());
    ASSERT_TRUE(CodageDLL().LoadDataBound());
    EXPECT_EQ(CodageDLL().MakeCode("SABLE"), "SAB1107");
    CodingRulesEditor e;
    e.Load(dir.path());
    e.SelectRow(1);
    ASSERT_EQ(e.Edit1Text, "SABLE");
    e.Edit2Change("XYZ9999");
    e.Save(dir.path());
    EXPECT_EQ(CodageDLL().MakeCode("SABLE"), "XYZ9999");
    // A new noun in the word lists makes its rule work.
    WordListsEditor words;
    words.Load(dir.path());
    EXPECT_EQ(words.Noms.Cell(0, 1), "ALIOS");  // sorted by the first column
    e.SelectRow(e.Grid.RowCount() - 1);
    e.Edit1Change("ZORGLITE");
    e.Edit2Change("ZOR1234");
    e.Save(dir.path());
    EXPECT_EQ(CodageDLL().MakeCode("ZORGLITE"), "");
    const int last = words.Noms.RowCount() - 1;
    WordListsEditor::SetEditText(words.Noms, 0, last, "ZORGLITE");
    WordListsEditor::SetEditText(words.Noms, 1, last, "ZORGLITES");
    words.Save(dir.path());
    EXPECT_EQ(CodageDLL().MakeCode("ZORGLITES"), "ZOR1234");
}
