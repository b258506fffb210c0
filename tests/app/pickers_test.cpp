// The lexicon and code-list pickers (selection, "Ok" enabling, sorting,
// double click, the modal entry functions) and the level-search dialog on a
// collection window (scope, upper-case expression, marks, syntax errors).
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "coding/codage_binding.h"
#include "coding/picker_logic.h"
#include "coding/windows/code_list_window.h"
#include "coding/windows/level_search_window.h"
#include "coding/windows/lexicon_picker_window.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

std::vector<std::string> Captions(const TPickerDialog& w)
{
    std::vector<std::string> v;
    for (const PickerItem& i : w.Items()) v.push_back(i.Caption);
    return v;
}

int RowY(QTreeWidget* list, int row) { return list->visualItemRect(list->topLevelItem(row)).center().y(); }

}  // namespace

TEST(PickerLogic, ComparesWithoutCaseAndBuildsTheLists)
{
    const PickerItem a{"sable", {"Sable fin"}};
    const PickerItem b{"\xC3\x89" "BOULIS", {}};
    EXPECT_LT(ComparePickerItems(a, PickerItem{"SABLE2", {}}, 0), 0);
    EXPECT_EQ(ComparePickerItems(a, PickerItem{"SABLE", {}}, 0), 0);
    EXPECT_EQ(ComparePickerItems(a, b, 1), 0);  // b has no label: equal
    EXPECT_EQ(LexiconPickerItems({"A", "B"}, {"Alpha"})[1].SubItems, std::vector<std::string>{""});
    const std::vector<PickerItem> codes = CodeListItems({{"ARG", "Argile"}, {"", "sans code"}, {"ARG", "Autre"}, {"SAB", "Sable"}});
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes[0].SubItems, (std::vector<std::string>{"", "Argile"}));
    EXPECT_EQ(codes[1].Caption, "SAB");
}

TEST(Pickers, OkFollowsTheSelectionAndColumnsSortAscendingEveryTime)
{
    TFLex w;
    EXPECT_EQ(w.windowTitle().toStdString(), "Lexique");
    EXPECT_EQ(w.ListView1->headerItem()->text(1).toStdString(), "Libell\xC3\xA9");
    w.SetItems(LexiconPickerItems({"B", "a", "C"}, {"zeta", "Alpha", "beta"}));
    w.resize(500, 400);
    w.show();
    EXPECT_FALSE(w.Ok->isEnabled());
    // Double-clicking with nothing selected does nothing.
    w.ListView1DblClick();
    EXPECT_TRUE(w.isVisible());
    // A press on a row selects it and enables "Ok".
    w.ListView1MouseDown(RowY(w.ListView1, 2));
    EXPECT_EQ(w.SelectedCaption(), "C");
    EXPECT_TRUE(w.Ok->isEnabled());

    w.ListView1ColumnClick(1);
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"a", "C", "B"}));
    w.ListView1ColumnClick(1);
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"a", "C", "B"}));
    EXPECT_EQ(w.SelectedCaption(), "C");  // the selection follows its line
    w.ListView1ColumnClick(0);
    EXPECT_EQ(Captions(w), (std::vector<std::string>{"a", "B", "C"}));
    w.ListView1DblClick();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST(Pickers, EntryFunctionsAnswerTheChosenCode)
{
    std::string code = "unchanged";
    QTimer::singleShot(0, [] {
        FLex->Select(1);
        FLex->Ok->click();
    });
    EXPECT_TRUE(PickLexicon({"ARGILE", " SABLE "}, {"Argile", "Sable"}, code));
    EXPECT_EQ(code, " SABLE ");

    QTimer::singleShot(0, [] {
        EXPECT_EQ(FListeCodes->windowTitle().toStdString(), "Liste des codes lithologiques");
        EXPECT_FALSE(FListeCodes->Ok->isEnabled());
        FListeCodes->grab();  // draws the rows with their swatches
        FListeCodes->Annuler->click();
    });
    code = "unchanged";
    EXPECT_FALSE(PickLithologyCode(CodeListItems({{"ARG", "Argile"}, {"SAB", "Sable"}}), code));
    EXPECT_EQ(code, "unchanged");
    delete FLex;
    delete FListeCodes;
    EXPECT_EQ(FLex, nullptr);
}

TEST(LevelSearchWindow, SearchesTheChosenOuvragesAndClosesAfterASyntaxError)
{
    TempProgramDir dir;
    OptionsInitialize(dir.path());
    auto previous = CodageDLL().Replace(UnboundCodingLibrary());
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    {
        ScopedUi use(fake);
        TFMain main;
        TFChild* c = main.Nouveau1Click();
        TDirBlock& root = c->FRoot();
        const std::string d = "D\xC3\xA9sign";
        for (const char* indice : {"P1", "P2"}) {
            const std::string i = indice;
            root.SetPathString(i + "\\Ouvrage\\" + d, 0, btString, "A");
            root.SetPathString(i + "\\Niveau\\" + d, 0, btString, "A");
            root.SetPathString(i + "\\Niveau\\Litho", 0, btString, "argile grise");
        }
        c->RefreshList();
        ASSERT_EQ(c->Rows().size(), 2u);
        c->SelectRows({0, 1});

        TFRechNiv w;
        EXPECT_EQ(w.windowTitle().toStdString(), "Rerchercher niveaux...");
        w.SetChild(c);
        w.show();
        EXPECT_TRUE(w.ROuvrSel->isChecked());  // more than one selected row
        EXPECT_TRUE(w.RSelNiv->isChecked());
        EXPECT_FALSE(w.BOk->isEnabled());
        emit w.EMotsCles->textEdited(QString::fromUtf8("argile \xC3\xA9"));
        EXPECT_EQ(w.EMotsCles->text().toStdString(), "ARGILE \xC3\x89");
        w.EMotsCles->setText("ARGILE");
        EXPECT_TRUE(w.BOk->isEnabled());
        c->SelectRows({1});
        w.CSelOuvr->setChecked(true);
        w.BOkClick();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(root.GetPathInt("P2\\Niveau\\S\xC3\xA9lection", 0), 1);
        EXPECT_EQ(root.FindBlock("P1\\Niveau\\S\xC3\xA9lection"), nullptr);
        EXPECT_EQ(c->GetSelectedRows(), std::vector<int>{1});

        w.show();
        EXPECT_TRUE(w.RTousOuvr->isChecked());
        w.EMotsCles->setText("ARGILE ET");
        EXPECT_THROW(w.BOkClick(), EKeywordSyntax);
        EXPECT_FALSE(w.isVisible());
    }
    CodageDLL().Replace(std::move(previous));
    OptionsRelease();
}
