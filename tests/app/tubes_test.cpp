// The tube manager: the list of an ouvrage's tubes, the proposal of a new
// name, adding, renaming and deleting with the scripted prompts (rows of the
// other ouvrages untouched), the closing question, and a headless round
// through the table command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/tubes_logic.h"
#include "app/windows/tubes_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

class TubesTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        OptNomTubeSimple = "CUVELAGE";
        OptEnteteMultitube = "PMT";
        // F: the single tube (no name), PMT1, PMT2; G: its own tube X.
        Row("F", "", 10);
        Row("F", "PMT1", 20);
        Row("G", "X", 30);
        Row("F", "PMT2", 40);
        Row("F", "PMT1", 50);
        tubes.Root = &root;
        tubes.TablePath = "B1\\Tubage";
        tubes.Designation = "F";
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    void Row(const std::string& design, const std::string& tube, double deb)
    {
        TDirBlock* t = root.ForceDir("B1\\Tubage");
        const int r = t->RowCount();
        t->SetPathString(kD, r, btString, design);
        t->SetPathString("NomTube", r, btString, tube);
        t->SetPathFloat("Deb", r, btFloat, deb);
    }
    std::vector<std::string> Column(const std::string& name) const
    {
        std::vector<std::string> v;
        const TDirBlock* t = root.FindDir("B1\\Tubage");
        for (int r = 0; t && r < t->RowCount(); ++r) v.push_back(t->GetPathString(name, r));
        return v;
    }

    TempProgramDir dir;
    TDirBlock root{"Carotix"};
    TubeManager tubes;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
};

void OnNextModal(std::function<void(QWidget*)> act)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, tries, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) return act(w);
        if (++*tries < 500) QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

}  // namespace

TEST_F(TubesTest, TheListHoldsTheOuvragesTubesAndTheProposalSkipsListedNames)
{
    tubes.Refresh();
    EXPECT_EQ(tubes.Items, (std::vector<std::string>{"CUVELAGE", "PMT1", "PMT2"}));
    EXPECT_EQ(tubes.Selected, 0);
    EXPECT_EQ(tubes.ProposeName(), "PMT3");
    OptEnteteMultitube.clear();
    tubes.Items = {"A", "TUBE3"};
    EXPECT_EQ(tubes.ProposeName(), "TUBE4");

    // An ouvrage without casing rows, and a missing table.
    tubes.Designation = "H";
    tubes.Refresh();
    EXPECT_EQ(tubes.Items, std::vector<std::string>{"CUVELAGE"});
    tubes.TablePath = "B9\\Tubage";
    tubes.Refresh();
    EXPECT_EQ(tubes.Items, std::vector<std::string>{"CUVELAGE"});
}

TEST_F(TubesTest, AddingAsksAgainForAListedNameAndWritesNothing)
{
    tubes.Refresh();
    fake.AnswerText("pmt1", "Ajouter un tube").AnswerMessage(MsgResult::Ok, "Nouveau tube").AnswerText(" pmt9 ");
    EXPECT_TRUE(tubes.Add());
    EXPECT_EQ(fake.Prompts()[0].proposal, "PMT3");
    EXPECT_EQ(fake.Prompts()[0].text, "Nom du tube :");
    EXPECT_EQ(fake.Prompts()[1].text, "Ce nom de tube existe d\xC3\xA9j\xC3\xA0");
    EXPECT_EQ(tubes.Items.back(), "PMT9");
    EXPECT_EQ(tubes.Selected, 3);
    EXPECT_EQ(Column("NomTube"), (std::vector<std::string>{"", "PMT1", "X", "PMT2", "PMT1"}));
    fake.CancelText();
    EXPECT_FALSE(tubes.Add());
}

TEST_F(TubesTest, RenamingChangesOnlyTheOuvragesRows)
{
    tubes.Refresh();
    tubes.Selected = 1;
    fake.AnswerText(" nouveau ", "Renommer le tube PMT1");
    EXPECT_TRUE(tubes.Rename());
    EXPECT_EQ(fake.Prompts()[0].proposal, "PMT1");
    EXPECT_EQ(Column("NomTube"), (std::vector<std::string>{"", "NOUVEAU", "X", "PMT2", "NOUVEAU"}));
    EXPECT_EQ(tubes.Items[1], "NOUVEAU");

    // The single tube's rows get the name written out; a listed name is refused.
    tubes.Selected = 0;
    fake.AnswerText("pmt2").AnswerMessage(MsgResult::Ok, "Renommer").AnswerText("principal");
    EXPECT_FALSE(tubes.Rename());
    EXPECT_EQ(fake.Prompts().back().text, "Ce nom est d\xC3\xA9j\xC3\xA0 utilis\xC3\xA9");
    EXPECT_TRUE(tubes.Rename());
    EXPECT_EQ(Column("NomTube"), (std::vector<std::string>{"PRINCIPAL", "NOUVEAU", "X", "PMT2", "NOUVEAU"}));
    // An empty name is the single tube's.
    fake.AnswerText("  ");
    EXPECT_TRUE(tubes.Rename());
    EXPECT_EQ(Column("NomTube")[0], "CUVELAGE");
}

TEST_F(TubesTest, DeletingRemovesTheTubesRowsOfTheOuvrageOnly)
{
    tubes.Refresh();
    tubes.Selected = 1;
    fake.AnswerMessage(MsgResult::No, "Supprimer").AnswerMessage(MsgResult::Yes, "Supprimer");
    EXPECT_FALSE(tubes.Delete());
    EXPECT_EQ(fake.Prompts()[0].text, "Etes-vous s\xC3\xBBr de vouloir supprimer\nle tube PMT1 ?");
    EXPECT_TRUE(tubes.Delete());
    EXPECT_EQ(Column("Deb"), (std::vector<std::string>{"10", "30", "40"}));
    EXPECT_EQ(Column(kD), (std::vector<std::string>{"F", "G", "F"}));
    EXPECT_EQ(tubes.Items, (std::vector<std::string>{"CUVELAGE", "PMT2"}));
    EXPECT_EQ(tubes.Selected, 1);
    // The last item removed: the one before is selected.
    fake.AnswerMessage(MsgResult::Yes, "Supprimer");
    EXPECT_TRUE(tubes.Delete());
    EXPECT_EQ(tubes.Selected, 0);
    EXPECT_EQ(Column("Deb"), (std::vector<std::string>{"10", "30"}));
}

TEST_F(TubesTest, TheClosingQuestionAndTheEditRefresh)
{
    tubes.Items = {"PMT1"};
    fake.AnswerMessage(MsgResult::No, "Tube simple et multitubes");
    EXPECT_FALSE(tubes.CanClose());
    EXPECT_EQ(fake.Prompts()[0].text, "Quand il n'y a qu'un seul tube, on l'appelle CUVELAGE.\n"
                                      "Quand il y en a plusieurs, on les appelle PMT...\n"
                                      "Voulez-vous quand m\xC3\xAAme continuer ?");
    tubes.Items = {"CUVELAGE", "PMT1"};
    EXPECT_TRUE(tubes.CanClose());
    tubes.Items = {"CUVELAGE"};
    EXPECT_TRUE(tubes.CanClose());

    // A tube added and not edited leaves no trace; the edited one stays selected.
    tubes.Refresh();
    tubes.Items.push_back("PMT7");
    tubes.Selected = 2;
    std::string edited;
    tubes.Edit([&](const std::string& tube) { edited = tube; });
    EXPECT_EQ(edited, "PMT2");
    EXPECT_EQ(tubes.Items, (std::vector<std::string>{"CUVELAGE", "PMT1", "PMT2"}));
    EXPECT_EQ(tubes.Selected, 2);
}

TEST_F(TubesTest, TheTableCommandShowsTheManagerAndDropsAnEmptyTable)
{
    TFMain main;
    TFChild* child = main.Nouveau1Click();
    child->FRoot().ForceDir("C2\\Ouvrage")->SetPathString(kD, 0, btString, "P");
    // A table left holding no column, only a folder, is dropped all the same.
    child->FRoot().ForceDir("C2\\Tubage\\Notes");
    child->RefreshList();
    child->SelectRow("C2", "P");
    FMultitubes = new TFMultitubes(&main);
    std::vector<std::string> edited;
    FMultitubes->EditTube = [&](const std::string& tube) { edited.push_back(tube); };

    bool seen = false;
    OnNextModal([&](QWidget* w) {
        auto* form = qobject_cast<TFMultitubes*>(w);
        ASSERT_NE(form, nullptr);
        seen = true;
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Multitubes"));
        EXPECT_EQ(form->LOuv->text(), QStringLiteral("C2 P"));
        EXPECT_EQ(form->LEnteteMulti->text(), QStringLiteral("PMT"));
        ASSERT_EQ(form->LTubes->count(), 1);
        EXPECT_EQ(form->LTubes->item(0)->text(), QStringLiteral("CUVELAGE"));
        QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
        QApplication::sendEvent(form->LTubes, &insert);
        ASSERT_EQ(form->LTubes->count(), 2);
        EXPECT_TRUE(form->LTubes->item(1)->font().bold());
        EXPECT_EQ(form->LTubes->currentRow(), 1);
        form->BEdit->click();
        ASSERT_EQ(form->LTubes->count(), 1);  // nothing was entered for PMT1
        form->Button4->click();
        form->Button5->click();
    });
    fake.AnswerText("PMT1", "Ajouter un tube").AnswerMessage(MsgResult::Ok, "Multitubes");
    main.ExecuteTableCommand("Gestion des tubes", -1);
    EXPECT_TRUE(seen);
    EXPECT_EQ(edited, std::vector<std::string>{"PMT1"});
    EXPECT_NE(fake.Prompts().back().text.find("\"carotix.ini\"."), std::string::npos);
    EXPECT_EQ(child->FRoot().FindDir("C2\\Tubage"), nullptr);
    child->TakeSnapshot();
}
