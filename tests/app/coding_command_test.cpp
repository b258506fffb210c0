// The two coding commands of the main window, headless: the box without the
// coding library, the progress window, the log redraw, and the pass run from
// the menu items on the selected rows of a collection window.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/collection_links.h"
#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "platform/windows/progress_window.h"
#include "coding/codage_binding.h"
#include "coding/windows/coding_command.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

// Codes a description by its first word; watches the progress window while
// it codes.
class FakeCoder final : public CodingLibrary {
public:
    explicit FakeCoder(std::vector<std::string>* seen) : seen_(seen) {}
    bool HasMakeCode() const override { return true; }
    bool HasTokenize() const override { return false; }
    bool HasLoadData() const override { return false; }
    bool HasListeNoms() const override { return false; }
    bool HasListeAdjs() const override { return false; }
    std::string MakeCode(std::string_view description) override
    {
        seen_->emplace_back(description);
        if (FProgress) {
            EXPECT_TRUE(FProgress->isVisible());
            EXPECT_EQ(FromQString(FProgress->Label1->text()), "Codage des ouvrages...");
        }
        return std::string(description.substr(0, description.find(' ')));
    }
    TArrayOfToken Tokenize(std::string_view) override { return {}; }
    void LoadData() override {}
    std::vector<TNomEntry> ListeNoms() override { return {}; }
    std::vector<TAdjEntry> ListeAdjs() override { return {}; }

private:
    std::vector<std::string>* seen_;
};

class CountingLog final : public LogViewLink {
public:
    void SetBorehole(const TDirBlock*, const std::string&, const std::string&) override {}
    const TDirBlock* ShownRoot() const override { return nullptr; }
    void SetTubes(const std::vector<std::string>&, int) override {}
    void Redraw() override { ++redraws; }
    bool IsShown() const override { return false; }
    void ShowAndFocus() override {}
    int redraws = 0;
};

class CodingCommandTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir_.path());
        previous_ = CodageDLL().Replace(std::make_unique<FakeCoder>(&seen_));
        progress_ = std::make_unique<TFProgress>();
        FProgress = progress_.get();
        SetLogViewLink(&log_);
        use_ = std::make_unique<ScopedUi>(fake_);
    }
    void TearDown() override
    {
        use_.reset();
        SetLogViewLink(nullptr);
        FProgress = nullptr;
        CodageDLL().Replace(std::move(previous_));
        OptionsRelease();
        EXPECT_TRUE(fake_.Verify());
    }

    // Two boreholes: P1 with two ouvrages and a level shared by both (its
    // designation column is shorter than the table), P2 with one ouvrage and
    // a coded level.
    static void Fill(TDirBlock& root)
    {
        root.SetPathString("P1\\Ouvrage\\" + kD, 0, btString, "F1");
        root.SetPathString("P1\\Ouvrage\\" + kD, 1, btString, "F2");
        root.SetPathString("P1\\Niveau\\" + kD, 0, btString, "F1");
        root.SetPathString("P1\\Niveau\\Litho", 0, btString, "argile grise");
        root.SetPathString("P1\\Niveau\\" + kD, 1, btString, "F2");
        root.SetPathString("P1\\Niveau\\Litho", 1, btString, "sable fin");
        root.SetPathString("P1\\Niveau\\Litho", 2, btString, "marne");
        root.SetPathString("P2\\Ouvrage\\" + kD, 0, btString, "PZ");
        root.SetPathString("P2\\Niveau\\Litho", 0, btString, "calcaire blanc");
        root.SetPathString("P2\\Niveau\\CodeNiv", 0, btString, "OLD");
    }

    TempProgramDir dir_;
    std::vector<std::string> seen_;
    std::unique_ptr<CodingLibrary> previous_;
    std::unique_ptr<TFProgress> progress_;
    CountingLog log_;
    FakeUiServices fake_{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use_;
};

TEST_F(CodingCommandTest, WithoutTheLibraryOnlyTheBoxIsShown)
{
    CodageDLL().Replace(UnboundCodingLibrary());
    TDirBlock root("Carotix");
    Fill(root);
    const std::unique_ptr<TDirBlock> before = root.CloneDir();
    fake_.AnswerMessage(MsgResult::Ok, "Erreur");

    const CodingPassResult result = RunCodingPass(root, {{"P1", "F1"}}, true);

    EXPECT_TRUE(result.LibraryMissing);
    EXPECT_TRUE(SameBlock(&root, before.get()));
    ASSERT_EQ(fake_.Prompts().size(), 1u);
    EXPECT_EQ(fake_.Prompts()[0].text, "La libraire Codage.dll n'a pas \xC3\xA9t\xC3\xA9 trouv\xC3\xA9" "e ou n'est pas valide");
    EXPECT_EQ(fake_.Prompts()[0].buttons, MsgOk);
    EXPECT_EQ(log_.redraws, 0);
    EXPECT_EQ(FProgress->ProgressBar->maximum(), 100);  // never started
}

TEST_F(CodingCommandTest, ThePassRunsUnderTheProgressWindowThenTheLogIsRedrawn)
{
    TDirBlock root("Carotix");
    Fill(root);

    const CodingPassResult result = RunCodingPass(root, {{"P1", "F1"}, {"P2", "PZ"}}, false);

    EXPECT_EQ(result.LevelsCoded, 2);
    EXPECT_EQ(root.GetPathString("P1\\Niveau\\CodeNiv", 0), "ARGILE");
    EXPECT_EQ(root.GetPathString("P1\\Niveau\\CodeNiv", 1), "");
    EXPECT_EQ(root.GetPathString("P1\\Niveau\\CodeNiv", 2), "MARNE");
    EXPECT_EQ(root.GetPathString("P2\\Niveau\\CodeNiv", 0), "OLD");
    EXPECT_FALSE(FProgress->isVisible());
    EXPECT_EQ(FProgress->ProgressBar->maximum(), 2);
    EXPECT_EQ(FProgress->Position(), 2);
    EXPECT_EQ(log_.redraws, 1);
    EXPECT_EQ(fake_.BusyDepth(), 0);
    EXPECT_TRUE(fake_.Prompts().empty());
}

TEST_F(CodingCommandTest, AFailingPassHidesTheProgressAndStillRedrawsTheLog)
{
    TDirBlock root("Carotix");
    Fill(root);
    // An integer code column cannot take a text code.
    root.FindDir("P2\\Niveau")->DeleteChild(root.FindDir("P2\\Niveau")->IndexOfName("CodeNiv"));
    root.SetPathInt("P2\\Niveau\\CodeNiv", 0, btInt, MissingInt);

    EXPECT_ANY_THROW(RunCodingPass(root, {{"P1", "F2"}, {"P2", "PZ"}}, true));
    EXPECT_EQ(root.GetPathString("P1\\Niveau\\CodeNiv", 1), "SABLE");  // coded before the failure
    EXPECT_FALSE(FProgress->isVisible());
    EXPECT_EQ(log_.redraws, 1);
    EXPECT_EQ(fake_.BusyDepth(), 0);
}

QAction* Item(TFMain& main, const char* name)
{
    return main.findChild<QAction*>(QString::fromUtf8(name));
}

TEST_F(CodingCommandTest, MenuItemsCodeTheSelectedOuvragesOfTheActiveWindow)
{
    TFMain main;
    main.show();
    QAction* coder1 = Item(main, "Coder1");
    QAction* coder2 = Item(main, "Coder2");
    ASSERT_NE(coder1, nullptr);
    ASSERT_NE(coder2, nullptr);
    EXPECT_EQ(FromQString(coder1->text()), "Recoder les ouvrages s\xC3\xA9lectionn\xC3\xA9s");
    EXPECT_EQ(FromQString(coder1->statusTip()),
              "Coder toutes les passes dans la table niveau des ouvrages s\xC3\xA9lectionn\xC3\xA9s");
    EXPECT_EQ(FromQString(coder2->text()), "Compl\xC3\xA9ter les codes des ouvrages s\xC3\xA9lectionn\xC3\xA9s");
    EXPECT_EQ(FromQString(coder2->statusTip()),
              "Coder les passes qui ne sont pas cod\xC3\xA9" "es dans la table niveau des ouvrages s\xC3\xA9lectionn\xC3\xA9s");
    EXPECT_TRUE(main.Operations1->actions().contains(coder1));
    EXPECT_TRUE(main.Operations1->actions().contains(coder2));

    // Without a collection window: disabled, and nothing happens.
    emit main.Operations1->aboutToShow();
    EXPECT_FALSE(coder1->isEnabled());
    coder1->trigger();
    EXPECT_TRUE(seen_.empty());

    TFChild* c = main.Nouveau1Click();
    Fill(c->FRoot());
    c->RefreshList();
    c->TakeSnapshot();
    ASSERT_EQ(c->Rows().size(), 3u);  // P1/F1, P1/F2, P2/PZ
    EXPECT_EQ(c->GetSelectedRows(), std::vector<int>{0});  // a refreshed list selects its current line
    c->SelectRows({});
    emit main.Operations1->aboutToShow();
    EXPECT_FALSE(coder2->isEnabled());

    c->SelectRows({1});  // P1/F2
    emit main.Operations1->aboutToShow();
    EXPECT_TRUE(coder1->isEnabled());
    EXPECT_TRUE(coder2->isEnabled());
    // (Selecting a row shows it in the log window too.)
    int redraws = log_.redraws;
    coder2->trigger();
    EXPECT_EQ(seen_, (std::vector<std::string>{"SABLE FIN", "MARNE"}));
    EXPECT_EQ(c->FRoot().GetPathString("P1\\Niveau\\CodeNiv", 0), "");
    EXPECT_TRUE(c->IsModified());
    EXPECT_EQ(log_.redraws, redraws + 1);

    c->SelectRows({0, 2});  // P1/F1 and P2/PZ: recode everything they hold
    redraws = log_.redraws;
    coder1->trigger();
    EXPECT_EQ(c->FRoot().GetPathString("P1\\Niveau\\CodeNiv", 0), "ARGILE");
    EXPECT_EQ(c->FRoot().GetPathString("P1\\Niveau\\CodeNiv", 1), "SABLE");
    EXPECT_EQ(c->FRoot().GetPathString("P1\\Niveau\\CodeNiv", 2), "MARNE");
    EXPECT_EQ(c->FRoot().GetPathString("P2\\Niveau\\CodeNiv", 0), "CALCAIRE");
    EXPECT_EQ(log_.redraws, redraws + 1);

    // Without the library the menu item answers with the box.
    CodageDLL().Replace(UnboundCodingLibrary());
    fake_.AnswerMessage(MsgResult::Ok, "Erreur");
    redraws = log_.redraws;
    coder1->trigger();
    EXPECT_EQ(log_.redraws, redraws);
    c->TakeSnapshot();
}

} // namespace
