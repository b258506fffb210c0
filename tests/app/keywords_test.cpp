// The keywords editor: the lists from the table and the lexicons of
// edition.ini ([MotsClés], the second column's lexicon depending on the
// first column's code), adding, removing, storing as codes, the other
// ouvrages carrying the selected keywords, and the close question.
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/keywords_logic.h"
#include "app/windows/keywords_window.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";
const std::string kTheme = "Th\xC3\xA8me";
const std::string kMot = "MotCl\xC3\xA9";
const std::string kTable = "MotsCl\xC3\xA9s";
const std::string kHydro = "[HYDRO] Hydrog\xC3\xA9ologie";
const std::string kGeol = "[GEOL] G\xC3\xA9ologie";

class KeywordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(dir.path());
        // Borehole P1 holds two ouvrages, A and B; P2 one, C.
        AddRow("P1", 0, "A", "HYDRO", "KARST");
        AddRow("P1", 1, "B", "GEOL", "CRAIE");
        AddRow("P1", 2, "A", "GEOL", "CRAIE");
        AddRow("P2", 0, "C", "HYDRO", "KARST");
    }
    void TearDown() override { OptionsRelease(); }

    void AddRow(const std::string& indice, int r, const std::string& design, const std::string& theme,
                const std::string& mot)
    {
        root.SetPathString(indice + "\\" + kTable + "\\" + kD, r, btString, design);
        root.SetPathString(indice + "\\" + kTable + "\\" + kTheme, r, btString, theme);
        root.SetPathString(indice + "\\" + kTable + "\\" + kMot, r, btString, mot);
    }
    std::vector<std::string> Column(const std::string& indice, const std::string& name)
    {
        std::vector<std::string> v;
        const TBlock* b = root.FindBlock(indice + "\\" + kTable + "\\" + name);
        for (int i = 0; b && i < b->Count(); ++i) v.push_back(b->GetString(i));
        return v;
    }
    int IndexOfAvailable(const KeywordsEditor& e, const std::string& first, const std::string& second)
    {
        for (std::size_t i = 0; i < e.Available.size(); ++i)
            if (KeywordCode(e.Available[i][0]) == first && KeywordCode(e.Available[i][1]) == second)
                return static_cast<int>(i);
        return -1;
    }

    TempProgramDir dir;
    TDirBlock root{"Carotix"};
};

}  // namespace

TEST_F(KeywordsTest, ShownTextsAndCodes)
{
    EXPECT_EQ(KeywordText("HYDRO", "Hydro"), "[HYDRO] Hydro");
    EXPECT_EQ(KeywordText("HYDRO", ""), "HYDRO");
    EXPECT_EQ(KeywordText("HYDRO", "HYDRO"), "HYDRO");
    EXPECT_EQ(KeywordCode("[HYDRO] Hydro"), "HYDRO");
    EXPECT_EQ(KeywordCode("[A]B] x"), "A");
    EXPECT_EQ(KeywordCode("[sans fin"), "[sans fin");
    EXPECT_EQ(KeywordCode("libre"), "libre");
}

TEST_F(KeywordsTest, OpensTheOuvragesLinesWithLabelsAndEveryDependentCombination)
{
    KeywordsEditor e;
    e.Open(root, "P1", "A", kTable);
    ASSERT_TRUE(e.Prepare());
    EXPECT_EQ(e.Caption, "P1 A - " + kTable);
    ASSERT_EQ(e.Defs.size(), 2u);  // "Désign" is not a column of the lists
    EXPECT_EQ(e.Lines, (std::vector<KeywordLine>{{kHydro, "[KARST] Aquif\xC3\xA8re karstique"},
                                                 {kGeol, "[CRAIE] Craie"}}));
    EXPECT_FALSE(e.Changed());
    // Each theme offers only its own keywords: 6 + 6 + 5 + 5.
    EXPECT_EQ(e.Available.size(), 22u);
    EXPECT_EQ(e.Available[0], (KeywordLine{kHydro, "[NAPPE-LIBRE] Nappe libre"}));
    EXPECT_EQ(IndexOfAvailable(e, "HYDRO", "CRAIE"), -1);
    EXPECT_GE(IndexOfAvailable(e, "GEOL", "CRAIE"), 0);
}

TEST_F(KeywordsTest, AddRemoveAndStoreAsCodesAfterTheOtherOuvragesRows)
{
    KeywordsEditor e;
    e.Open(root, "P1", "A", kTable);
    e.Prepare();
    // Already there: unchanged.
    e.Add({IndexOfAvailable(e, "GEOL", "CRAIE")});
    EXPECT_FALSE(e.Changed());
    e.Add({IndexOfAvailable(e, "HYDRO", "NAPPE-LIBRE"), IndexOfAvailable(e, "GEOL", "FAILLE")});
    ASSERT_EQ(e.Lines.size(), 4u);
    EXPECT_EQ(KeywordCode(e.Lines[2][1]), "FAILLE");  // from the last selected to the first
    e.Remove({0});
    EXPECT_TRUE(e.Changed());
    e.Store();
    EXPECT_FALSE(e.Changed());
    // B's row keeps its place; A's rows follow in list order, as codes.
    EXPECT_EQ(Column("P1", kD), (std::vector<std::string>{"B", "A", "A", "A"}));
    EXPECT_EQ(Column("P1", kTheme), (std::vector<std::string>{"GEOL", "GEOL", "GEOL", "HYDRO"}));
    EXPECT_EQ(Column("P1", kMot), (std::vector<std::string>{"CRAIE", "CRAIE", "FAILLE", "NAPPE-LIBRE"}));

    KeywordsEditor again;
    again.Open(root, "P1", "A", kTable);
    again.Prepare();
    EXPECT_EQ(again.Lines, e.Lines);
    EXPECT_EQ(again.Lines[2][1], "[NAPPE-LIBRE] Nappe libre");
}

TEST_F(KeywordsTest, OtherOuvragesCarryEverySelectedKeywordToldApartByDesignation)
{
    KeywordsEditor e;
    e.Open(root, "P1", "A", kTable);
    e.Prepare();
    EXPECT_EQ(e.OuvragesWith({0}), (std::vector<KeywordOuvrage>{{"P1", "A"}, {"P2", "C"}}));
    EXPECT_EQ(e.OuvragesWith({1}), (std::vector<KeywordOuvrage>{{"P1", "A"}, {"P1", "B"}}));
    // P2 and B carry only one of the two.
    EXPECT_EQ(e.OuvragesWith({0, 1}), (std::vector<KeywordOuvrage>{{"P1", "A"}}));
    // A repeated row does not stand for a keyword the ouvrage lacks.
    AddRow("P2", 1, "C", "HYDRO", "KARST");
    EXPECT_EQ(e.OuvragesWith({0, 1}), (std::vector<KeywordOuvrage>{{"P1", "A"}}));
    EXPECT_TRUE(e.OuvragesWith({}).empty());
}

TEST_F(KeywordsTest, ATableWithoutDefinitionsOpensEmptyAndIsDroppedWhenLeftEmpty)
{
    KeywordsEditor e;
    e.Open(root, "P1", "A", "Inconnue");
    ASSERT_TRUE(e.Prepare());
    EXPECT_TRUE(e.Lines.empty());
    EXPECT_TRUE(e.Available.empty());
    EXPECT_EQ(e.Caption, "P1 - Inconnue");
    ASSERT_NE(root.FindDir("P1\\Inconnue"), nullptr);
    e.DropIfEmpty();
    EXPECT_EQ(root.FindDir("P1\\Inconnue"), nullptr);
    EXPECT_NE(root.FindDir("P1\\" + kTable), nullptr);
}

TEST_F(KeywordsTest, WindowAsksBeforeDroppingChangesAndValiderStores)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    KeywordsEditor e;
    e.Open(root, "P2", "C", kTable);
    e.Prepare();
    TFMotCles w;
    w.ShowEditor(nullptr, &e);
    EXPECT_EQ(w.windowTitle().toStdString(), "P2 C - " + kTable);
    ASSERT_EQ(w.ListView_MotsCles->topLevelItemCount(), 1);
    EXPECT_EQ(w.ListView_MotsCles->headerItem()->text(0).toStdString(), kTheme);
    EXPECT_EQ(w.ListView_Dispo->topLevelItemCount(), 22);

    // Selecting a keyword lists the ouvrages that carry it.
    w.ListView_MotsCles->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(w.ListView_Ouvrages->topLevelItemCount(), 2);
    w.ListView_Dispo->topLevelItem(4)->setSelected(true);  // [ALLUVIONS]
    w.Button_AjouterClick();
    EXPECT_EQ(w.ListView_MotsCles->topLevelItemCount(), 2);

    // Closed otherwise than by its buttons: Cancel keeps it open, No drops.
    w.show();
    fake.AnswerMessage(MsgResult::Cancel, "Mots-cl\xC3\xA9s");
    w.reject();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(fake.Prompts().back().text,
              "La liste de mots-cl\xC3\xA9s a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9" "e. Voulez-vous valider les modifications ?");
    w.Button2Click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Column("P2", kMot), (std::vector<std::string>{"KARST", "ALLUVIONS"}));
    // "Annuler" neither asks nor stores.
    w.show();
    w.ListView_MotsCles->topLevelItem(0)->setSelected(true);
    w.Button_SupprimerClick();
    w.Button1Click();
    EXPECT_EQ(Column("P2", kMot), (std::vector<std::string>{"KARST", "ALLUVIONS"}));
    EXPECT_TRUE(fake.Verify());
}
