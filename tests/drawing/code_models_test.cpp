// Code models: the lookup of a code's pattern and colour, modeles.ini, and the
// model window's logic run through the scripted prompts.
#include <gtest/gtest.h>

#include <array>

#include "drawing/code_models.h"
#include "platform/base/ini_file.h"
#include "platform/fake_ui_services.h"
#include "scoped_global.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

void SetRow(StringGrid& g, int row, const std::string& code, const std::string& motif, const std::string& r = "",
            const std::string& v = "", const std::string& b = "")
{
    if (g.RowCount() <= row)
        g.SetRowCount(row + 1);
    g.SetCell(kModelColCode, row, code);
    g.SetCell(kModelColMotif, row, motif);
    g.SetCell(kModelColRouge, row, r);
    g.SetCell(kModelColVert, row, v);
    g.SetCell(kModelColBleu, row, b);
}

// A data row of a model grid: "code,motif,red,green,blue".
std::string RowText(const StringGrid& g, int row)
{
    std::string out;
    for (int c : {kModelColCode, kModelColMotif, kModelColRouge, kModelColVert, kModelColBleu})
        out += (c == kModelColCode ? "" : ",") + g.Cell(c, row);
    return out;
}

class CodeModelTest : public ::testing::Test {
protected:
    ScopedGlobal<std::array<std::uint32_t, 10>> colours_{ColourTable};  // SetUp fills the table
    void SetUp() override
    {
        for (int i = 0; i < 10; ++i)
            ColourTable[static_cast<std::size_t>(i)] = ColourFromText(kDefaultColourTexts[static_cast<std::size_t>(i)]);
        fake.SetFailureReporter([](const std::string& m) { ADD_FAILURE() << m; });
    }
    TCodeMotifColour Lookup(const StringGrid& g, const std::string& code)
    {
        TCodeMotifColour r;
        r.Motif = 0;
        r.Colour = 0xFFFFFF;
        GetCodeMotifColourIn(g, code, r);
        return r;
    }

    TempDir dir;
    TIniFile modeles{dir / "modeles.ini"};
    TIniFile carotix{dir / "carotix.ini"};
    FakeUiServices fake;
};

TEST_F(CodeModelTest, SevenCharacterCodesCarryTheirPatternAndColour)
{
    CodeModelGrid g;
    TCodeMotifColour r = Lookup(g, "SAB1203");
    EXPECT_EQ(r.Motif, 3);
    EXPECT_EQ(r.Colour, ColourTable[2]);
    EXPECT_EQ(r.Colour, RGBColor(190, 242, 185));
    // A letter among the last three characters: nothing from the code.
    r = Lookup(g, "SAB12A3");
    EXPECT_EQ(r.Motif, 0);
    EXPECT_EQ(r.Colour, 0xFFFFFFu);
    r = Lookup(g, "SAB120");  // six characters
    EXPECT_EQ(r.Motif, 0);
    // Seven characters, eight bytes.
    r = Lookup(g, "\xC3\x89" "BO1545");
    EXPECT_EQ(r.Motif, 45);
    EXPECT_EQ(r.Colour, ColourTable[5]);
}

TEST_F(CodeModelTest, TheLastMatchingRowWins)
{
    CodeModelGrid g;
    SetRow(g, 1, "SAB", "5");
    SetRow(g, 2, "ARG", "9", "1", "2", "3");
    SetRow(g, 3, "SAB", "7", "0", "0", "255");
    SetRow(g, 4, "", "");
    TCodeMotifColour r = Lookup(g, "SAB1203");
    EXPECT_EQ(r.Motif, 7);
    EXPECT_EQ(r.Colour, clBlue);
    // The code's family is its leading capitals; the comparison is exact.
    EXPECT_EQ(Lookup(g, "ARG").Motif, 9);
    EXPECT_EQ(Lookup(g, "ARG").Colour, RGBColor(1, 2, 3));
    EXPECT_EQ(Lookup(g, "arg").Motif, 0);
    // A row without any colour cell leaves the colour as it was.
    CodeModelGrid only;
    SetRow(only, 1, "SAB", "5");
    EXPECT_EQ(Lookup(only, "SAB1203").Colour, ColourTable[2]);
    EXPECT_EQ(Lookup(only, "SAB1203").Motif, 5);
}

TEST_F(CodeModelTest, TextCellsKeepThePatternAndCountAsFullChannel)
{
    CodeModelGrid g;
    SetRow(g, 1, "SAB", "douze", "rouge", "0", "300");
    const TCodeMotifColour r = Lookup(g, "SAB1203");
    EXPECT_EQ(r.Motif, 3);                     // the code's own pattern stays
    EXPECT_EQ(r.Colour, RGBColor(255, 0, 44));  // 300 reduced to its low 8 bits
}

TEST_F(CodeModelTest, TheCurrentModelIsReadWithoutAWindow)
{
    CodeModelGrid& g = CurrentCodeModel();
    ClearModelGrid(g);
    SetRow(g, 1, "CAL", "33", "10", "20", "30");
    TCodeMotifColour r;
    GetCodeMotifColour("CAL", r);
    EXPECT_EQ(r.Motif, 33);
    EXPECT_EQ(r.Colour, RGBColor(10, 20, 30));
    ClearModelGrid(g);
}

TEST_F(CodeModelTest, TheNamedModelBecomesCurrent)
{
    WriteFileBytes(dir / "modeles.ini", "[Base]\r\nSAB=9,,,\r\n");
    carotix.WriteString("Général", "ModèleMotifCouleur", "BASE");
    LoadCurrentCodeModel(modeles, carotix);
    TCodeMotifColour r;
    GetCodeMotifColour("SAB1203", r);
    EXPECT_EQ(r.Motif, 9);
    carotix.WriteString("Général", "ModèleMotifCouleur", "Absent");
    LoadCurrentCodeModel(modeles, carotix);
    EXPECT_EQ(CurrentCodeModel().RowCount(), 3);
    EXPECT_EQ(CurrentCodeModel().Cell(kModelColCode, 1), "");
}

TEST_F(CodeModelTest, CommaTextRoundTrips)
{
    EXPECT_EQ(ToCommaText({"12", "", "", ""}), "12,,,");
    EXPECT_EQ(ToCommaText({"a b", "x,y", "q\"r", "7"}), "\"a b\",\"x,y\",\"q\"\"r\",7");
    EXPECT_EQ(FromCommaText("12,,,"), (std::vector<std::string>{"12", "", "", ""}));
    EXPECT_EQ(FromCommaText("\"a b\",\"x,y\",\"q\"\"r\",7"), (std::vector<std::string>{"a b", "x,y", "q\"r", "7"}));
    EXPECT_EQ(FromCommaText("12,255,200,120"), (std::vector<std::string>{"12", "255", "200", "120"}));
    EXPECT_TRUE(FromCommaText("").empty());
}

TEST_F(CodeModelTest, SavingAndLoadingModels)
{
    CodeModelGrid g;
    ClearModelGrid(g);
    SaveModelFrom(g, modeles, "Vide");
    EXPECT_EQ(modeles.ReadSectionLines("Vide"), (std::vector<std::string>{"Empty=Empty"}));
    SetRow(g, 1, "X", "1");
    LoadModelInto(g, modeles, "Vide");
    EXPECT_EQ(g.RowCount(), 3);
    EXPECT_EQ(g.Cell(kModelColCode, 1), "");
    EXPECT_EQ(g.Cell(kModelColCode, 0), "Code");  // the header stays

    // Five codes in file order, one of them twice: seven rows.
    WriteFileBytes(dir / "modeles.ini",
                   "[Base]\r\nSAB=3,255,200,120\r\nARG=12,,,\r\nSAB=7,0,0,255\r\n; note\r\nCAL=\"3\",1,2,3\r\n"
                   "GRA=\r\n[Autre]\r\nX=1\r\n");
    LoadModelInto(g, modeles, "Base");
    ASSERT_EQ(g.RowCount(), 7);
    std::vector<std::string> rows;
    for (int r = 1; r < 7; ++r) rows.push_back(RowText(g, r));
    EXPECT_EQ(rows, (std::vector<std::string>{"SAB,3,255,200,120", "ARG,12,,,", "SAB,7,0,0,255", "CAL,3,1,2,3",
                                              "GRA,,,,", ",,,,"}));
    EXPECT_EQ(Lookup(g, "SAB").Colour, clBlue);

    // Saved back in grid order, duplicates and empty cells included.
    g.SetCell(kModelColMotif, 5, "a b");
    SaveModelFrom(g, modeles, "Base");
    EXPECT_EQ(modeles.ReadSectionLines("Base"),
              (std::vector<std::string>{"SAB=3,255,200,120", "ARG=12,,,", "SAB=7,0,0,255", "CAL=3,1,2,3",
                                        "GRA=\"a b\",,,"}));
    EXPECT_EQ(modeles.ReadSectionLines("Autre"), (std::vector<std::string>{"X=1"}));
    CodeModelGrid back;
    LoadModelInto(back, modeles, "Base");
    EXPECT_EQ(back.Cell(kModelColMotif, 5), "a b");
}

TEST_F(CodeModelTest, NamesThatWouldBreakTheFileAreRefused)
{
    EXPECT_EQ(ModelCodeProblem(""), "");
    EXPECT_EQ(ModelCodeProblem("SAB"), "");
    for (const char* bad : {"A=B", ";SAB", "[SAB", " SAB", "SAB ", "A\nB"})
        EXPECT_NE(ModelCodeProblem(bad), "") << bad;
    EXPECT_EQ(ModelNameProblem("Modèle n°1"), "");
    for (const char* bad : {"", "   ", "[X]", "a]b", " X", "X ", "a\tb"})
        EXPECT_NE(ModelNameProblem(bad), "") << bad;
}

class CodeModelEditorTest : public CodeModelTest {
protected:
    void SetUp() override
    {
        CodeModelTest::SetUp();
        WriteFileBytes(dir / "modeles.ini", "[Base]\r\nSAB=3,255,200,120\r\nARG=12,,,\r\n[Second]\r\nCAL=5,1,2,3\r\n");
        carotix.WriteString("Général", "ModèleMotifCouleur", "Base");
    }
    CodeModelGrid grid;
    CodeModelEditor editor{grid, modeles, carotix};
};

TEST_F(CodeModelEditorTest, RefreshLoadsTheCurrentModel)
{
    ScopedUi use(fake);
    editor.RefreshModels();
    EXPECT_EQ(editor.ModelNames(), (std::vector<std::string>{"Base", "Second"}));
    EXPECT_EQ(editor.ItemIndex(), 0);
    EXPECT_EQ(editor.ModelName(), "Base");
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_FALSE(editor.Changed());

    // Picking the other model writes its name; an unchanged model is not offered.
    editor.ChangeModel(1);
    EXPECT_EQ(carotix.ReadString("Général", "ModèleMotifCouleur", ""), "Second");
    EXPECT_EQ(grid.Cell(kModelColCode, 1), "CAL");

    // A changed model is offered for saving before another is loaded.
    ASSERT_TRUE(editor.SetEditText(kModelColMotif, 1, "8"));
    EXPECT_TRUE(editor.Changed());
    fake.AnswerMessage(MsgResult::Yes, "Motifs et couleurs");
    editor.ChangeModel(0);
    ASSERT_EQ(fake.Prompts().size(), 1u);
    EXPECT_EQ(fake.Prompts()[0].text, "Voulez-vous sauvegarder le modèle \"Second\" ?");
    EXPECT_EQ(modeles.ReadSectionLines("Second"), (std::vector<std::string>{"CAL=8,1,2,3"}));
    EXPECT_TRUE(fake.Verify());
}

TEST_F(CodeModelEditorTest, EditsKeepABlankLastRowAndRefuseBadCodes)
{
    ScopedUi use(fake);
    editor.RefreshModels();
    ASSERT_TRUE(editor.SetEditText(kModelColCode, 3, "GRA"));
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_TRUE(GridRowIsEmpty(grid, 4));

    fake.AnswerMessage(MsgResult::Ok);
    EXPECT_FALSE(editor.SetEditText(kModelColCode, 4, "A=B"));
    EXPECT_EQ(grid.Cell(kModelColCode, 4), "");
    ASSERT_EQ(fake.Prompts().size(), 1u);
    EXPECT_NE(fake.Prompts()[0].text.find("A=B"), std::string::npos);
    EXPECT_TRUE(fake.Verify());
}

TEST_F(CodeModelEditorTest, EnterFillsOnlyTheEmptyCells)
{
    ScopedUi use(fake);
    editor.RefreshModels();
    // A new row with a seven-character code and no row for its family.
    editor.SetEditText(kModelColCode, 3, "CAL1203");
    EXPECT_TRUE(editor.EnterKey(kModelColCode, 3));
    EXPECT_EQ(RowText(grid, 3), "CAL1203,3,190,242,185");
    // A code nothing knows: pattern 0 and white.
    editor.SetEditText(kModelColCode, 4, "ZZZ");
    editor.EnterKey(kModelColCode, 4);
    EXPECT_EQ(RowText(grid, 4), "ZZZ,0,255,255,255");
    // A row that already has a pattern keeps it; its empty colour is filled (entry 3).
    editor.SetEditText(kModelColCode, 5, "QUA1345");
    editor.SetEditText(kModelColMotif, 5, "77");
    editor.EnterKey(kModelColCode, 5);
    EXPECT_EQ(RowText(grid, 5), "QUA1345,77,255,169,83");
    // Enter elsewhere than the Code column does nothing.
    EXPECT_FALSE(editor.EnterKey(kModelColMotif, 1));
    // The grid still ends with a blank row.
    EXPECT_TRUE(GridRowIsEmpty(grid, grid.RowCount() - 1));
}

TEST_F(CodeModelEditorTest, TabNeverLeavesTheDataCells)
{
    ScopedUi use(fake);
    editor.RefreshModels();  // 4 rows: header, SAB, ARG, blank
    // From (column, row), backwards or not, to (column, row); the first and
    // the last cells stay, never the header or column 0.
    const std::array<int, 5> moves[] = {{kModelColBleu, 1, false, kModelColCode, 2},
                                        {kModelColBleu, 3, false, kModelColBleu, 3},
                                        {kModelColMotif, 2, false, kModelColRouge, 2},
                                        {kModelColCode, 2, true, kModelColBleu, 1},
                                        {kModelColCode, 1, true, kModelColCode, 1}};
    for (const auto& [c, r, back, toCol, toRow] : moves) {
        int col = c, row = r;
        editor.TabKey(back != 0, col, row);
        EXPECT_EQ(std::make_pair(col, row), std::make_pair(toCol, toRow)) << c << "," << r;
    }
}

TEST_F(CodeModelEditorTest, DeletingAChangedModelDoesNotWriteItBack)
{
    ScopedUi use(fake);
    editor.RefreshModels();
    editor.SetEditText(kModelColMotif, 1, "44");
    fake.AnswerMessage(MsgResult::Yes, "Suppression");
    EXPECT_TRUE(editor.DeleteModel());
    EXPECT_EQ(fake.Prompts()[0].text, "Etes-vous sûr de vouloir supprimer le modèle Base ?");
    // No question about saving "Base", and the section stays gone.
    EXPECT_EQ(fake.Prompts().size(), 1u);
    EXPECT_FALSE(modeles.SectionExists("Base"));
    EXPECT_EQ(editor.ModelNames(), (std::vector<std::string>{"Second"}));
    EXPECT_EQ(editor.ModelName(), "");
    EXPECT_FALSE(editor.Changed());
    EXPECT_TRUE(fake.Verify());
}

TEST_F(CodeModelEditorTest, DeletingALongModelAsksTwice)
{
    ScopedUi use(fake);
    editor.RefreshModels();
    for (int row = 1; row <= 21; ++row)
        editor.SetEditText(kModelColCode, row, "C" + std::to_string(row));
    fake.AnswerMessage(MsgResult::Yes, "Suppression").AnswerMessage(MsgResult::No, "Suppression");
    EXPECT_FALSE(editor.DeleteModel());
    EXPECT_EQ(fake.Prompts()[1].text, "Etes-vous vraiment sûr ?");
    EXPECT_TRUE(modeles.SectionExists("Base"));
    EXPECT_TRUE(fake.Verify());
}

TEST_F(CodeModelEditorTest, NewModel)
{
    ScopedUi use(fake);
    editor.RefreshModels();
    fake.AnswerText("Second", "Nouveau modèle").AnswerMessage(MsgResult::Ok);
    EXPECT_FALSE(editor.NewModel());
    EXPECT_EQ(fake.Prompts()[0].proposal, "Modèle n°1");
    EXPECT_EQ(fake.Prompts()[0].text, "Nom :");
    EXPECT_EQ(fake.Prompts()[1].text, "Ce nom existe déjà");
    fake.AnswerText("[mauvais]", "Nouveau modèle").AnswerMessage(MsgResult::Ok);
    EXPECT_FALSE(editor.NewModel());
    fake.AnswerText("Troisième", "Nouveau modèle");
    EXPECT_TRUE(editor.NewModel());
    EXPECT_EQ(editor.ModelName(), "Troisième");
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(modeles.ReadSectionLines("Troisième"), (std::vector<std::string>{"Empty=Empty"}));
    EXPECT_EQ(carotix.ReadString("Général", "ModèleMotifCouleur", ""), "Troisième");
    EXPECT_EQ(editor.ModelNames().size(), 3u);
    EXPECT_EQ(editor.ItemIndex(), 2);
    EXPECT_TRUE(fake.Verify());
}

TEST_F(CodeModelEditorTest, CopyPasteAndClose)
{
    ScopedUi use(fake);
    editor.RefreshModels();
    fake.AnswerMessage(MsgResult::Ok, "Copier");
    const std::optional<std::string> text = editor.CopyModel();
    EXPECT_EQ(text, "SAB\t3\t255\t200\t120\r\nARG\t12\t\t\t\r\n");
    EXPECT_EQ(fake.Prompts()[0].icon, MsgIcon::Information);

    fake.AnswerMessage(MsgResult::Yes, "Coller");
    EXPECT_TRUE(editor.PasteModel("GRA\t4\t1\t2\t3\r\n"));
    EXPECT_EQ(fake.Prompts()[1].text,
              "Voulez-vous remplacer le contenu du modèle par la table contenue dans le presse-papier\u00a0?");
    EXPECT_EQ(grid.Cell(kModelColCode, 1), "GRA");
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_TRUE(editor.Changed());

    // Closing: cancel keeps the window, no reloads the file, yes saves.
    fake.AnswerMessage(MsgResult::Cancel, "Motifs et couleurs");
    EXPECT_FALSE(editor.CloseQuery());
    EXPECT_EQ(fake.Prompts().back().text, "Sauvegarder le modèle \"Base\" ?");
    fake.AnswerMessage(MsgResult::No, "Motifs et couleurs");
    EXPECT_TRUE(editor.CloseQuery());
    EXPECT_EQ(grid.Cell(kModelColCode, 1), "SAB");
    EXPECT_FALSE(editor.Changed());
    EXPECT_TRUE(editor.CloseQuery());  // no question with a clear flag
    EXPECT_TRUE(fake.Verify());
}

}  // namespace

namespace {

// The shipped default model gives every family of the coding rules the
// pattern and colour of its plain term.
TEST_F(CodeModelTest, TheShippedModelCoversTheCodingRules)
{
    TIniFile shipped(std::filesystem::path(CAROTIX_DATA_DIR) / "modeles.ini");
    CodeModelGrid g;
    LoadModelInto(g, shipped, "Standard");
    ASSERT_GT(g.RowCount(), 10);
    const TCodeMotifColour sand = Lookup(g, "SAB7110");
    EXPECT_EQ(sand.Motif, 7);
    EXPECT_EQ(sand.Colour, RGBColor(254, 254, 173));

    const std::string rules = ReadFileBytes(std::filesystem::path(CAROTIX_DATA_DIR) / "Descriptions.csv");
    std::size_t start = 0, families = 0;
    while (start < rules.size()) {
        std::size_t end = rules.find('\n', start);
        if (end == std::string::npos)
            end = rules.size();
        const std::string line = rules.substr(start, end - start);
        start = end + 1;
        const std::size_t a = line.find(';');
        if (a == std::string::npos)
            continue;
        const std::string code = line.substr(a + 1, line.find(';', a + 1) - a - 1);
        const std::string family = CodeFamily(code);
        if (family.empty())
            continue;
        bool found = false;
        for (int row = 1; row < g.RowCount(); ++row)
            found = found || g.Cell(kModelColCode, row) == family;
        EXPECT_TRUE(found) << family;
        ++families;
    }
    EXPECT_GT(families, 100u);
}

}  // namespace
