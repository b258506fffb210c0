// The spreadsheet's rules on a grid in memory: loading the rows of one
// ouvrage or tube, storing them back by kind, row bookkeeping, the sort by
// depth, the change test, default texts, clipboard text, lexicons, coding and
// the fill from the database.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/spreadsheet_logic.h"
#include "coding/codage_binding.h"
#include "exchange/database_link.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";
const std::string kSel = "S\xC3\xA9lection";

class FirstWordCoder final : public CodingLibrary {
public:
    bool HasMakeCode() const override { return true; }
    bool HasTokenize() const override { return false; }
    bool HasLoadData() const override { return false; }
    bool HasListeNoms() const override { return false; }
    bool HasListeAdjs() const override { return false; }
    std::string MakeCode(std::string_view d) override { return std::string(d.substr(0, d.find(' '))); }
    TArrayOfToken Tokenize(std::string_view) override { return {}; }
    void LoadData() override {}
    std::vector<TNomEntry> ListeNoms() override { return {}; }
    std::vector<TAdjEntry> ListeAdjs() override { return {}; }
};

class SpreadsheetLogicTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        IniEdition->WriteSection("Niveau", {kD + "=" + kD + ":U10", "De=Deb:F8", "A=Fin:F8", "Litho=Litho:S80",
                                            "Code=CodeNiv:U20", "Type=Type:U8", "Utile=Utile:F6"});
        IniEdition->WriteSection("Tubage", {kD + "=" + kD + ":U10", "De=Deb:F8", "A=Fin:F8", "Type=Type:I3"});
        IniEdition->WriteSection("Pompage", {kD + "=" + kD + ":U10", "Debut=DateDeb:D10", "Jour=Jour:E8",
                                             "Rabat=Rabat:M8", "N=N:I3"});
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    // Levels of two ouvrages of borehole B: F1 rows 0 and 2, F2 row 1.
    void FillLevels()
    {
        const char* design[] = {"F1", "F2", "F1"};
        const double deb[] = {0, 0, 2};
        const double fin[] = {2, 5, 4};
        const char* litho[] = {"argile", "sable", "marne"};
        for (int i = 0; i < 3; ++i) {
            root.SetPathString("B\\Niveau\\" + kD, i, btString, design[i]);
            root.SetPathFloat("B\\Niveau\\Deb", i, btFloat, deb[i]);
            root.SetPathFloat("B\\Niveau\\Fin", i, btFloat, fin[i]);
            root.SetPathString("B\\Niveau\\Litho", i, btString, litho[i]);
        }
    }
    // Opens the table as the editor does.
    bool Open(const std::string& table, const std::string& design, const std::string& tube = {})
    {
        sheet.TableName = table;
        sheet.Indice = "B";
        sheet.TubeName = tube;
        const bool had = sheet.PrepareDefinitions();
        sheet.TableDir = root.ForceDir("B\\" + table);
        sheet.Designation = had ? design : std::string();
        return sheet.LoadGrid();
    }
    std::vector<std::string> Column(const std::string& path)
    {
        std::vector<std::string> v;
        const TBlock* b = root.FindBlock("B\\Niveau\\" + path);
        for (int i = 0; b && i < b->Count(); ++i) v.push_back(b->GetString(i));
        return v;
    }
    int Col(const std::string& path) const { return sheet.ColumnOf(path); }

    TempProgramDir dir;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
    TDirBlock root{"Carotix"};
    MemoryTableurGrid grid;
    TableurSheet sheet{grid};
};

using Strings = std::vector<std::string>;

TEST_F(SpreadsheetLogicTest, LoadsTheRowsOfOneOuvrageWithTheTrailingEmptyRowRule)
{
    FillLevels();
    root.SetPathInt("B\\Niveau\\Extra", 0, btInt, 7);
    ASSERT_TRUE(Open("Niveau", "F1"));
    EXPECT_EQ(sheet.Caption(true), "B F1 - Niveau");
    // Several rows: no empty row; the extra column follows the definitions; "Motif" last.
    ASSERT_EQ(sheet.RowMap.size(), 2u);
    EXPECT_EQ(sheet.RowMap[1].TableRow, 2);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(Col("Litho"), 2), "marne");
    EXPECT_EQ(sheet.Defs.back().Path, "Extra");
    EXPECT_EQ(sheet.Defs.back().Kind, 'I');
    EXPECT_EQ(grid.Cell(grid.ColCount() - 1, 0), "Motif");
    EXPECT_EQ(grid.ColWidth(grid.ColCount() - 1), 70);
    EXPECT_TRUE(sheet.SelLigneVisible);
    EXPECT_FALSE(sheet.HasChanges());

    // One row: an empty row follows it. No row: one empty row.
    ASSERT_TRUE(Open("Niveau", "F2"));
    EXPECT_EQ(sheet.RowMap.size(), 2u);
    EXPECT_TRUE(sheet.RowIsEmpty(2));
    EXPECT_EQ(sheet.RowMap[1].TableRow, 3);
    ASSERT_TRUE(Open("Niveau", "F9"));
    EXPECT_EQ(sheet.RowMap.size(), 1u);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_FALSE(sheet.HasChanges());
    sheet.SaveGrid();   // nothing typed: nothing added
    EXPECT_EQ(root.FindDir("B\\Niveau")->RowCount(), 3);

    // A table without definitions nor columns cannot be loaded.
    EXPECT_FALSE(Open("Inconnue", ""));
}

TEST_F(SpreadsheetLogicTest, SavingRewritesShownRowsAndKeepsOtherOuvrages)
{
    FillLevels();
    ASSERT_TRUE(Open("Niveau", "F1"));
    // Delete "argile" (table row 0), then insert a row above "marne": it
    // reuses no index below row 0, so it shares row 2 until stored.
    sheet.DeleteRowAt(1);
    EXPECT_EQ(sheet.DeletedRows, (std::vector<std::int32_t>{0}));
    EXPECT_TRUE(sheet.HasChanges());
    sheet.InsertRowAt(1);
    EXPECT_EQ(sheet.RowMap[0].TableRow, 0);   // the deleted index lies between -1 and 2: reused
    EXPECT_TRUE(sheet.DeletedRows.empty());
    grid.SetCell(Col("Deb"), 1, "0");
    grid.SetCell(Col("Fin"), 1, "1,5");
    grid.SetCell(Col("Litho"), 1, "limon");
    grid.SetCell(Col("CodeNiv"), 1, "lim");
    sheet.SaveGrid();
    EXPECT_EQ(Column(kD), (Strings{"F1", "F2", "F1"}));
    EXPECT_EQ(Column("Litho"), (Strings{"limon", "sable", "marne"}));
    EXPECT_EQ(Column("CodeNiv"), (Strings{"LIM", "", ""}));
    EXPECT_EQ(Column("Fin"), (Strings{"1,5", "5", "4"}));
    EXPECT_FALSE(sheet.HasChanges());
}

TEST_F(SpreadsheetLogicTest, RowsInsertedThenDeletedBeforeSavingLoseNoTableRow)
{
    FillLevels();
    ASSERT_TRUE(Open("Niveau", "F1"));
    // The new row shares table row 2 with "marne": deleting it deletes nothing.
    sheet.InsertRowAt(2);
    ASSERT_EQ(sheet.RowMap[1].TableRow, sheet.RowMap[2].TableRow);
    sheet.DeleteRowAt(2);
    EXPECT_TRUE(sheet.DeletedRows.empty());
    EXPECT_FALSE(sheet.HasChanges());
    sheet.SaveGrid();
    EXPECT_EQ(Column("Litho"), (Strings{"argile", "sable", "marne"}));

    // Deleting the last row that holds text leaves an empty row whose text is
    // still stored when typed later.
    ASSERT_TRUE(Open("Niveau", "F2"));
    sheet.DeleteRowAt(1);
    EXPECT_FALSE(sheet.DeleteRowAt(1));   // the last row, empty: refused
    EXPECT_EQ(grid.RowCount(), 2);
    grid.SetCell(Col("Litho"), 1, "pasted");
    EXPECT_TRUE(sheet.DeleteRowAt(1));
    EXPECT_EQ(grid.RowCount(), 2);
    ASSERT_EQ(sheet.RowMap.size(), 1u);
    grid.SetCell(Col("Litho"), 1, "craie");
    sheet.SaveGrid();
    // The emptied row took back the ouvrage's deleted table row.
    EXPECT_EQ(Column("Litho"), (Strings{"argile", "craie", "marne"}));
    EXPECT_EQ(Column(kD), (Strings{"F1", "F2", "F1"}));
}

TEST_F(SpreadsheetLogicTest, AnEmptyOnlyRowIsRemovedAndAnEmptyTableDropped)
{
    root.SetPathString("B\\Niveau\\" + kD, 0, btString, "F1");
    root.SetPathString("B\\Niveau\\Litho", 0, btString, "argile");
    ASSERT_TRUE(Open("Niveau", "F1"));
    grid.SetCell(Col("Litho"), 1, "");
    sheet.SaveGrid();
    EXPECT_EQ(root.FindDir("B\\Niveau"), nullptr);
    EXPECT_EQ(sheet.TableDir, nullptr);
    EXPECT_NE(root.FindDir("B"), nullptr);
}

TEST_F(SpreadsheetLogicTest, SingleTubeRowsAndTubeNameOnSave)
{
    root.SetPathString("B\\Tubage\\" + kD, 0, btString, "F1");
    root.SetPathFloat("B\\Tubage\\Deb", 0, btFloat, 0);
    root.SetPathString("B\\Tubage\\" + kD, 1, btString, "F1");
    root.SetPathFloat("B\\Tubage\\Deb", 1, btFloat, 5);
    root.SetPathString("B\\Tubage\\NomTube", 1, btString, "PMT1");
    ASSERT_TRUE(Open("Tubage", "F1", OptNomTubeSimple));
    EXPECT_EQ(sheet.Caption(true), "B F1 - Tube : CUVELAGE");
    ASSERT_EQ(sheet.RowMap.size(), 2u);   // the row without tube name, and the empty row
    EXPECT_EQ(sheet.RowMap[0].TableRow, 0);
    sheet.SaveGrid();
    EXPECT_EQ(root.GetPathString("B\\Tubage\\NomTube", 0), "CUVELAGE");
    EXPECT_EQ(root.GetPathString("B\\Tubage\\NomTube", 1), "PMT1");
    // No mark was carried: no "Sélection" column is made up.
    EXPECT_EQ(root.FindBlock("B\\Tubage\\" + kSel), nullptr);
}

TEST_F(SpreadsheetLogicTest, SortByDepthRules)
{
    root.SetPathString("B\\Niveau\\Litho", 0, btString, "b");
    root.SetPathFloat("B\\Niveau\\Deb", 0, btFloat, 5);
    root.SetPathString("B\\Niveau\\Litho", 1, btString, "a");
    root.SetPathFloat("B\\Niveau\\Deb", 1, btFloat, 1);
    root.SetPathInt("B\\Niveau\\" + kSel, 1, btInt, 1);
    root.SetPathInt("B\\Niveau\\" + kSel, 0, btInt, 0);
    fake.AnswerMessage(MsgResult::Ok, "Tri automatique");
    ASSERT_TRUE(Open("Niveau", ""));
    EXPECT_EQ(fake.Prompts()[0].text, "Les lignes ont \xC3\xA9t\xC3\xA9 tri\xC3\xA9" "es par profondeur.");
    EXPECT_EQ(grid.Cell(Col("Litho"), 1), "a");
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 2), "");   // every cell moved, empty ones too
    EXPECT_EQ(sheet.RowMap[0].Selected, 1);        // the mark follows its level
    EXPECT_EQ(sheet.RowMap[0].TableRow, 0);
    sheet.SaveGrid();
    EXPECT_EQ(Column("Litho"), (Strings{"a", "b"}));
    EXPECT_EQ(root.GetPathInt("B\\Niveau\\" + kSel, 0), 1);

    // An empty depth stops the sort at that row.
    grid.SetRowCount(4);
    sheet.RowMap.push_back({2, 0});
    grid.SetCell(Col("Deb"), 1, "");
    grid.SetCell(Col("Deb"), 2, "9");
    grid.SetCell(Col("Deb"), 3, "3");
    EXPECT_FALSE(sheet.SortByDepth(true));

    // "Tubage" is never sorted.
    root.SetPathFloat("B\\Tubage\\Deb", 0, btFloat, 5);
    root.SetPathFloat("B\\Tubage\\Deb", 1, btFloat, 1);
    ASSERT_TRUE(Open("Tubage", ""));
    EXPECT_EQ(grid.Cell(Col("Deb"), 1), "5");
}

TEST_F(SpreadsheetLogicTest, ChangeTestAndStoreByKind)
{
    root.SetPathString("B\\Pompage\\DateDeb", 0, btString, "01/02/2003");
    root.SetPathString("B\\Pompage\\Jour", 0, btString, "20030201");
    root.SetPathFloat("B\\Pompage\\Rabat", 0, btFloat, 1234.5);
    root.SetPathFloat("B\\Pompage\\Duree", 0, btFloat, 0.1 + 0.2);
    ASSERT_TRUE(Open("Pompage", ""));
    EXPECT_EQ(grid.Cell(Col("Jour"), 1), "01/02/2003");
    EXPECT_EQ(grid.Cell(Col("Rabat"), 1), "1,2345");
    EXPECT_EQ(grid.Cell(Col("Duree"), 1), "0,3");
    // A float that prints in 15 digits is unchanged when its text is.
    EXPECT_FALSE(sheet.HasChanges());
    grid.SetCell(Col("Rabat"), 1, "2");
    EXPECT_TRUE(sheet.CellDiffers(Col("Rabat"), 1));
    grid.SetCell(Col("N"), 1, "x");
    EXPECT_TRUE(sheet.CellDiffers(Col("N"), 1));
    grid.SetCell(Col("N"), 1, "4");
    grid.SetCell(Col("Jour"), 1, "05/06/07");
    sheet.SaveGrid();
    EXPECT_EQ(root.GetPathFloat("B\\Pompage\\Rabat", 0), 2000.0);
    EXPECT_EQ(root.GetPathInt("B\\Pompage\\N", 0), 4);
    EXPECT_EQ(root.GetPathString("B\\Pompage\\Jour", 0), "20070605");
    EXPECT_FALSE(sheet.HasChanges());

    // Thousands that overflow are named as typed.
    grid.SetCell(Col("Rabat"), 1, "1e306");
    try {
        sheet.SaveGrid();
        FAIL() << "a value whose thousands overflow must stop the save";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "'1e306' n'est pas une valeur en virgule flottante correcte\n\nColonne \xC2\xAB Rabat \xC2\xBB, ligne 1.");
    }
    grid.SetCell(Col("Rabat"), 1, "2");

    grid.SetCell(Col("DateDeb"), 1, "1/2/2003");
    try {
        sheet.SaveGrid();
        FAIL() << "a date that is not partial must stop the save";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Format date attendu (1/2/2003)\n\nColonne \xC2\xAB Debut \xC2\xBB, ligne 1.");
    }
}

TEST_F(SpreadsheetLogicTest, DefaultTextsOfEmptyCells)
{
    ASSERT_TRUE(Open("Niveau", ""));
    grid.SetRowCount(3);
    sheet.RowMap.push_back({1, 0});
    grid.SetCell(Col("Deb"), 1, "0");
    grid.SetCell(Col("Fin"), 1, "2,5");
    grid.SetCell(Col("Type"), 1, "COUPE");
    EXPECT_EQ(sheet.DefaultEditText(Col("Deb"), 2), "2,5");
    EXPECT_EQ(sheet.DefaultEditText(Col("Type"), 2), "COUPE");
    EXPECT_EQ(sheet.DefaultEditText(Col("Utile"), 1), "2,5");
    EXPECT_EQ(sheet.DefaultEditText(Col("Deb"), 1), "");         // no row above
    EXPECT_EQ(sheet.DefaultEditText(Col("Utile"), 2), "");       // no depths: no thickness
    grid.SetCell(Col("Type"), 1, "RECEAU");
    EXPECT_EQ(sheet.DefaultEditText(Col("Utile"), 1), "");
}

TEST_F(SpreadsheetLogicTest, ClipboardTexts)
{
    ASSERT_TRUE(Open("Tubage", ""));
    EXPECT_EQ(grid.RowCount(), 2);
    // Three lines pasted at the last row append two rows.
    const GridRect w = sheet.PasteText("1\t2\r\n3\t\t7\r\n5\t6\t\r\n", 0, 1);
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(w.Bottom, 3);
    EXPECT_EQ(w.Right, 2);
    EXPECT_EQ(grid.Cell(2, 2), "7");
    grid.SetCell(1, 2, "x");
    sheet.PasteText("8\t\t9", 0, 2);   // an empty field between tabs empties its cell
    EXPECT_EQ(grid.Cell(1, 2), "");
    sheet.PasteText("4\t", 1, 3);       // a trailing empty field writes nothing
    EXPECT_EQ(grid.Cell(2, 3), "");
    EXPECT_EQ(grid.Cell(1, 3), "4");
    ASSERT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(sheet.PasteText("a\tb\tc", 2, 1).Right, 2);   // beyond the last column: dropped
    EXPECT_EQ(grid.Cell(2, 1), "a");
    EXPECT_EQ(sheet.SelectionToText({0, 1, 1, 2}), "1\t2\r\n8\t\r\n");
    EXPECT_EQ(sheet.CutText({0, 1, 0, 1}), "1\r\n");
    EXPECT_EQ(grid.Cell(0, 1), "");
}

TEST_F(SpreadsheetLogicTest, LexiconMenusAndStarSections)
{
    IniEdition->WriteSection("Tubage\\Type", {"Z=9=Zinc", "A=1=Acier", "PVC=PVC=PVC"});
    IniEdition->WriteSection("Tubage\\Nature*", {});
    ASSERT_TRUE(Open("Tubage", ""));
    const TableurLexicon lex = sheet.LexiconFor(Col("Type"), 1);
    EXPECT_EQ(lex.Section, "Tubage\\Type");
    const std::vector<TableurMenuItem> menu = TableurSheet::LexiconMenu(lex);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].Caption, "1. Acier");
    EXPECT_EQ(menu[1].Caption, "9. Zinc");
    EXPECT_EQ(menu[2].Caption, "PVC");
    EXPECT_EQ(menu[2].Code, "PVC");

    // A starred lexicon is read under the value of the column to its left.
    sheet.Defs[static_cast<std::size_t>(Col("Type"))].StarLexicon = true;
    grid.SetCell(Col("Fin"), 1, " 12 ");
    EXPECT_EQ(sheet.LexiconFor(Col("Type"), 1).Section, "Tubage\\Type12");

    const auto lines = TableurSheet::CodeListLines({{"AR", "argile"}, {"SA", "sable"}, {"AR", "argile grise"}});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (Strings{"AR", "", "argile"}));
}

TEST_F(SpreadsheetLogicTest, CodingButtonsFollowTheTypeRule)
{
    auto previous = CodageDLL().Replace(std::make_unique<FirstWordCoder>());
    ASSERT_TRUE(Open("Niveau", ""));
    ASSERT_TRUE(sheet.CodingColumnsPresent());
    grid.SetRowCount(4);
    sheet.RowMap = {{0, 0}, {1, 0}, {2, 0}};
    const char* types[] = {"coupe ", "RECEAU", ""};
    for (int r = 1; r <= 3; ++r) {
        grid.SetCell(Col("Litho"), r, "sable fin");
        grid.SetCell(Col("Type"), r, types[r - 1]);
    }
    EXPECT_EQ(sheet.CodeRows(1, 3, true), 1);
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 1), "SABLE");
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 2), "");
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 3), "");
    EXPECT_EQ(sheet.CodeRows(2, 3, false), 2);
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 3), "SABLE");
    // Instant coding on a description change.
    grid.SetCell(Col("Litho"), 1, "argile verte");
    EXPECT_TRUE(sheet.CellChanged(Col("Litho"), 1, "sable fin", true, true));
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 1), "ARGILE");
    CodageDLL().Replace(UnboundCodingLibrary());
    EXPECT_EQ(sheet.CodeRows(1, 3, false), 0);
    CodageDLL().Replace(std::move(previous));
}

TEST_F(SpreadsheetLogicTest, DatabaseFillAcrossSections)
{
    for (const char* section : {"NIVEAU=Niveau", "TROU_NU=Trou-nu", "POMPAGE=Pompage"}) IniSql->EraseSection(section);
    IniSql->WriteSection("OUV_NIV=Niveau", {"DESIGNATION=", "PROF_DEB=Deb", "ROCHE=Litho", "from=OUV_NIV N"});
    IniSql->WriteSection("Niveau", {"PROF=Deb", "where=X > 1"});
    IniSql->WriteSection("Tubage", {"PROF=Deb"});
    IniEdition->WriteSection("Niveau\\Litho*", {"ARG=ARGILE=Argile"});
    FillLevels();
    ASSERT_TRUE(Open("Niveau", "F1"));
    sheet.Indice = "B'1";
    std::vector<int> columns;
    EXPECT_EQ(sheet.BuildQuery("OUV_NIV=Niveau", columns),
              "SELECT PROF_DEB, ROCHE FROM OUV_NIV N WHERE INDICE = 'B''1' AND DESIGNATION = 'F1';");
    EXPECT_EQ(sheet.SqlSectionsForTable(), (Strings{"OUV_NIV=Niveau", "Niveau"}));

    std::vector<std::string> sent;
    TableurSeams().RunQuery = [&](const std::string& sql) {
        sent.push_back(sql);
        std::vector<std::vector<std::optional<std::string>>> records;
        if (sent.size() == 1) {
            records.push_back({"1", "ARG"});
        } else {
            records.push_back({"7"});
            records.push_back({std::nullopt});
        }
        return records;
    };
    grid.SetRowCount(5);
    sheet.RowMap = {{0, 0}, {2, 0}, {3, 0}, {4, 0}};
    grid.SetCell(Col("Litho"), 4, "reste");
    grid.SetCell(Col("Deb"), 4, "99");
    grid.SetCell(Col("CodeNiv"), 4, "GARDE");
    sheet.FillFromDatabase();
    TableurSeams().RunQuery = nullptr;
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], "SELECT PROF FROM Niveau WHERE INDICE = 'B''1' AND (X > 1);");
    // What sql.ini pastes into the text is checked before anything is sent.
    for (const char* line : {"where=pg_sleep(100) IS NULL", "FROM=OUV_NIV N, pg_advisory_lock(1) L",
                             "pg_read_file('/etc/passwd')=Deb"}) {
        IniSql->EraseSection("Niveau");
        IniSql->WriteSection("Niveau", {"PROF=Deb", line});
        EXPECT_THROW(sheet.BuildQuery("Niveau", columns), EDatabaseError) << line;
    }
    EXPECT_EQ(grid.Cell(Col("Litho"), 1), "ARGILE");   // looked up in the starred lexicon
    EXPECT_EQ(grid.Cell(Col("Deb"), 2), "7");
    EXPECT_EQ(grid.Cell(Col("Deb"), 3), "");            // null
    EXPECT_EQ(grid.Cell(Col("Deb"), 4), "");            // left over: emptied
    EXPECT_EQ(grid.Cell(Col("Litho"), 4), "");
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 4), "GARDE");   // not mapped: kept

    // A fill stopped by a later section (the last refused one above) leaves
    // the grid, its rows and their table rows as they were.
    const auto cells = [&] {
        std::string all;
        for (int r = 0; r < grid.RowCount(); ++r)
            for (int c = 0; c < grid.ColCount(); ++c) all += grid.Cell(c, r) + "|" + std::to_string(grid.ColWidth(c)) + ";";
        return all;
    };
    const std::string before = cells();
    const std::size_t mapped = sheet.RowMap.size();
    TableurSeams().RunQuery = [](const std::string&) {
        return std::vector<std::vector<std::optional<std::string>>>(8, {"3", "une roche bien plus longue"});
    };
    EXPECT_THROW(sheet.FillFromDatabase(), EDatabaseError);
    TableurSeams().RunQuery = nullptr;
    EXPECT_EQ(cells(), before);
    EXPECT_EQ(sheet.RowMap.size(), mapped);

    // The button, when the database holds no record for the table: what the
    // person typed stays, and the box says so; the download's fill empties
    // the mapped cells. (Both sections valid again.)
    IniSql->EraseSection("Niveau");
    IniSql->WriteSection("Niveau", {"PROF=Deb", "where=X > 1"});
    TableurSeams().RunQuery = [](const std::string&) { return std::vector<std::vector<std::optional<std::string>>>(); };
    fake.AnswerMessage(MsgResult::Ok, "Pas d'information");
    EXPECT_EQ(sheet.FillFromDatabase(true), 0);
    EXPECT_EQ(cells(), before);
    EXPECT_EQ(fake.Prompts().back().text, TableurNothingFoundText(sheet.Indice, "F1", "Niveau"));
    EXPECT_EQ(fake.Prompts().back().text,
              "La base de donn\xC3\xA9" "es ne contient rien pour l'ouvrage \xC2\xAB\xC2\xA0" "B'1\xC2\xA0/\xC2\xA0" "F1\xC2\xA0\xC2\xBB dans la table "
              "\xC2\xAB Niveau \xC2\xBB : le tableau n'a pas \xC3\xA9t\xC3\xA9 modifi\xC3\xA9.");
    const std::size_t told = fake.Prompts().size();
    EXPECT_EQ(sheet.FillFromDatabase(), 0);
    TableurSeams().RunQuery = nullptr;
    EXPECT_EQ(fake.Prompts().size(), told);
    EXPECT_EQ(grid.Cell(Col("Litho"), 1), "");
    EXPECT_EQ(grid.Cell(Col("CodeNiv"), 4), "GARDE");

    // A table without section, and a section without a valid key.
    IniSql->WriteSection("Trou-nu", {"X=Nothing"});
    fake.AnswerMessage(MsgResult::Ok, "Pas d'information");
    ASSERT_TRUE(Open("Pompage", ""));
    sheet.FillFromDatabase();
    EXPECT_EQ(fake.Prompts().back().text, "Cette table n'est pas renseign\xC3\xA9" "e dans sql.ini");

    // A sql.ini that cannot be read is named, not taken for one without the table.
    WriteFileBytes(ProgramFile("sql.ini"), std::string("[Pompage]\r\nDEBIT=Debit\0\r\n", 25));
    const std::size_t prompts = fake.Prompts().size();
    try {
        sheet.FillFromDatabase();
        ADD_FAILURE() << "no refusal";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), UnreadableEncodingMessage(ProgramFile("sql.ini")));
    }
    EXPECT_EQ(fake.Prompts().size(), prompts);
}

}  // namespace
