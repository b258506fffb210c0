// The program's start-up and shut-down orders, run headless with scripted
// prompts: the units, the 34 windows, the first showing (placement, log
// window, help box, crash-recovery copies, command line), the timers, the
// collections' questions at exit, [Général] "Aide", the copies deleted, then
// the recent files and the settings. Also: copies reopened without a file
// name, an unreadable copy set aside, stale temporary files removed, a second
// instance leaving the copies alone, the end of the program while the log
// window and the help box are shown, and a click in the log window reaching
// the table commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "app/backups.h"
#include "app/windows/collection_window.h"
#include "app/windows/desk_window.h"
#include "platform/windows/help_window.h"
#include "app/windows/main_window.h"
#include "app/windows/spreadsheet_window.h"
#include "app/windows/startup.h"
#include "drawing/bandeau.h"
#include "drawing/hit_maps.h"
#include "drawing/windows/log_window.h"
#include "platform/fake_ui_services.h"
#include "sample_boreholes.h"
#include "store/blocks.h"
#include "store/options.h"
#include "store/recent_files.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const char* const kGeneral = "G\xC3\xA9n\xC3\xA9ral";

// The scripted prompts, each noted in the start-up log as it is shown, so
// that the log gives the order of prompts and steps together.
class LoggedUi final : public UiServices {
public:
    explicit LoggedUi(FakeUiServices& fake) : fake_(fake) {}
    MsgResult Message(const MessageRequest& r) override
    {
        StartupNote("prompt:" + r.title);
        return fake_.Message(r);
    }
    bool AskText(const TextPrompt& p, std::string& a) override { return fake_.AskText(p, a); }
    bool AskName(const NamePrompt& p, NamePrompt& a) override { return fake_.AskName(p, a); }
    std::vector<std::string> FileDialog(const FileDialogRequest& r) override
    {
        StartupNote("prompt:" + r.title);
        return fake_.FileDialog(r);
    }
    bool SelectFolder(const FolderRequest& r, std::string& f) override { return fake_.SelectFolder(r, f); }
    bool OpenWithAssociatedProgram(const std::string& p) override { return fake_.OpenWithAssociatedProgram(p); }
    void PushBusyCursor() override { fake_.PushBusyCursor(); }
    void PopBusyCursor() override { fake_.PopBusyCursor(); }

private:
    FakeUiServices& fake_;
};

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv(kBackupPeriodVariable);
        StartupLog().clear();
    }
    void TearDown() override
    {
        session_.reset();
        if (OptionsInitialized()) OptionsRelease();
        fake_.Verify();
    }

    void Start(std::string commandLine = {})
    {
        ASSERT_TRUE(InitializeUnits(program_.path()));
        session_ = std::make_unique<ProgramSession>(std::move(commandLine));
        session_->EndProgram = [this] { ++ended_; };
        session_->Show();
    }
    // The normal end: windows destroyed, units finalised.
    void Finish()
    {
        session_.reset();
        FinalizeUnits();
    }
    TFMain* Main() { return session_->Main(); }

    fs::path WriteCollection(const std::string& name, const std::string& borehole)
    {
        TDirBlock root("Carotix");
        BuildShallowWell(root, borehole);
        // With its unit, so that it opens unmodified.
        root.SetPathString("Unit\xC3\xA9XY", 0, btString, "km");
        const fs::path file = program_ / name;
        root.SaveToFile(file.string());
        return file;
    }
    std::size_t IndexOf(const std::string& step) const
    {
        const auto& log = StartupLog();
        const auto it = std::find(log.begin(), log.end(), step);
        return it == log.end() ? std::string::npos : static_cast<std::size_t>(it - log.begin());
    }

    TempProgramDir program_;
    FakeUiServices fake_{[](const std::string& m) { ADD_FAILURE() << m; }};
    LoggedUi logged_{fake_};
    ScopedUi use_{logged_};
    std::unique_ptr<ProgramSession> session_;
    int ended_ = 0;
};

TEST_F(Startup, UnitsTitleThe34WindowsInOrderThenTheFirstShowing)
{
    Start();
    const std::vector<std::string>& log = StartupLog();
    std::vector<std::string> expected = {"unit:options", "unit:decimal-separator", "unit:codage", "unit:recent",
                                         "title:Carotix"};
    for (const char* name : kStartupWindowOrder) expected.push_back(std::string("create:") + name);
    expected.insert(expected.end(),
                    {"show:placed", "show:log-window", "show:help",
                     "backup:status:Copies de secours : tenues par cette instance (processus " +
                         std::to_string(::getpid()) + ")",
                     "show:timers"});
    EXPECT_EQ(log, expected);
    EXPECT_EQ(QCoreApplication::applicationName(), "Carotix");
    // No display name of its own: the platform appends one to every caption
    // when it is set, and an unset one follows the application's name.
    QCoreApplication::setApplicationName(QStringLiteral("Autre"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Autre"));
    QCoreApplication::setApplicationName(QStringLiteral("Carotix"));

    // One window per class, the real ones and the placeholders alike.
    ASSERT_EQ(session_->Windows().size(), 34u);
    EXPECT_EQ(session_->Window("TFMain"), Main());
    EXPECT_STREQ(session_->Window("TFCoupe")->metaObject()->className(), "TFCoupe");
    EXPECT_STREQ(session_->Window("TFHelp")->metaObject()->className(), "TFHelp");
    EXPECT_STREQ(session_->Window("TFDesk")->metaObject()->className(), "TFDesk");
    EXPECT_STREQ(session_->Window("TFFiltreOra")->metaObject()->className(), "TFFiltreOra");
    EXPECT_STREQ(session_->Window("TFRapport")->metaObject()->className(), "TFRapport");
    EXPECT_STREQ(session_->Window("TFTableur")->metaObject()->className(), "TFTableur");
    EXPECT_EQ(session_->Coupe()->windowTitle(), QString::fromUtf8("Coupe(s) technique et lithologique"));

    // Placed on the desk, the log window against its right edge and the main
    // window up to the log window.
    const TRect desk = session_->Desk()->DeskRect;
    const QRect m = Main()->frameGeometry();
    const QRect c = session_->Coupe()->frameGeometry();
    EXPECT_EQ(m.left(), desk.Left);
    EXPECT_EQ(m.top(), desk.Top);
    EXPECT_EQ(m.height(), desk.Height());
    EXPECT_TRUE(session_->Coupe()->isVisible());
    EXPECT_EQ(c.left() + c.width(), desk.Right);
    EXPECT_EQ(c.top(), desk.Top);
    EXPECT_EQ(m.left() + m.width(), c.left());
    EXPECT_TRUE(FHelp->isVisible());
    EXPECT_TRUE(Main()->AfficherCoupe1->isChecked());

    EXPECT_EQ(session_->TimerSauvegarde->interval(), 300000);
    EXPECT_TRUE(session_->TimerSauvegarde->isActive());
    EXPECT_EQ(session_->TimerMove->interval(), 500);
    EXPECT_TRUE(session_->TimerMove->isActive());

    EXPECT_TRUE(Main()->close());
    EXPECT_EQ(ended_, 1);
    Finish();
}

TEST_F(Startup, ShutDownAsksTheCollectionsThenWritesAideDeletesCopiesThenRecentAndSettings)
{
    ::setenv(kBackupPeriodVariable, "60000", 1);
    Start();
    EXPECT_EQ(session_->TimerSauvegarde->interval(), 60000);
    const fs::path file = WriteCollection("puits.crx", "PZ1");
    TFChild* opened = Main()->OpenCollectionFile(file.string());
    opened->FRoot().SetPathString("PZ1\\Ouvrage\\Commentaire", 0, btString, "chang\xC3\xA9");
    session_->TimerSauvegardeTimer();
    EXPECT_TRUE(fs::exists(program_ / "backup_0.crx"));
    FHelp->hide();

    // "Annuler" stops the whole shut-down.
    fake_.AnswerMessage(MsgResult::Cancel, "Collection puits.crx");
    EXPECT_FALSE(Main()->close());
    EXPECT_EQ(ended_, 0);
    EXPECT_NE(IndexOf("close:cancelled"), std::string::npos);
    EXPECT_TRUE(fs::exists(program_ / "backup_0.crx"));
    EXPECT_EQ(Main()->Children().size(), 1u);

    StartupLog().clear();
    fake_.AnswerMessage(MsgResult::No, "Collection puits.crx");
    EXPECT_TRUE(Main()->close());
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(fs::exists(program_ / "backup_0.crx"));
    EXPECT_FALSE(IniCarotix->ReadBool(kGeneral, "Aide", true));
    Finish();
    const std::vector<std::string> expected = {
        "prompt:Collection puits.crx", "close:collections", "close:Aide=0", "close:backups-deleted",
        "destroy:windows",             "final:recent",      "final:options", "final:codage"};
    EXPECT_EQ(StartupLog(), expected);
    // The recent files reached carotix.ini before the settings were freed.
    const std::string ini = ReadFileBytes(program_ / "carotix.ini");
    EXPECT_NE(ini.find("puits.crx"), std::string::npos);
    ::unsetenv(kBackupPeriodVariable);
}

TEST_F(Startup, BackupPassesFollowTheOpenWindows)
{
    Start();
    for (int i = 0; i < 3; ++i) Main()->Nouveau1Click();
    BackupPassResult r = session_->TimerSauvegardeTimer();
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(ListBackupCopies(program_.path()).size(), 3u);
    // A window closed without a question: its copy goes at the next pass.
    TFChild* last = Main()->Children().back();
    last->Document().TakeSnapshot();
    last->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Main()->Children().size(), 2u);
    r = session_->TimerSauvegardeTimer();
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(r.removed, 1);
    EXPECT_TRUE(fs::exists(program_ / "backup_1.crx"));
    EXPECT_FALSE(fs::exists(program_ / "backup_2.crx"));

    fake_.AnswerMessage(MsgResult::No).AnswerMessage(MsgResult::No);
    EXPECT_TRUE(Main()->close());
    EXPECT_TRUE(ListBackupCopies(program_.path()).empty());
    Finish();
}

TEST_F(Startup, CopiesComeBackModifiedWithoutAFileNameAndAnUnreadableOneIsSetAside)
{
    WriteCollection("backup_0.crx", "F1");
    WriteFileBytes(program_ / "backup_1.crx", std::string("\x04Root\x09\x01", 7));  // cut short
    WriteCollection("backup_2.crx", "F3");
    fs::create_directory(program_ / "backup_3.crx");  // a folder is no copy
    fake_.AnswerMessage(MsgResult::Ok, "Carotix");

    Start();
    ASSERT_EQ(fake_.Prompts().size(), 1u);
    EXPECT_NE(fake_.Prompts()[0].text.find("backup_1.crx"), std::string::npos);
    EXPECT_NE(fake_.Prompts()[0].text.find("mise de c\xC3\xB4t\xC3\xA9"), std::string::npos);
    EXPECT_TRUE(fs::exists(program_ / "backup_1.crx.illisible"));
    EXPECT_FALSE(fs::exists(program_ / "backup_1.crx"));
    EXPECT_NE(IndexOf("show:reopen:backup_0.crx:modified"), std::string::npos);
    EXPECT_NE(IndexOf("show:reopen:backup_2.crx:modified"), std::string::npos);
    EXPECT_LT(IndexOf("show:reopen:backup_2.crx:modified"), IndexOf("show:timers"));

    const std::vector<TFChild*> children = Main()->Children();
    ASSERT_EQ(children.size(), 2u);
    for (TFChild* c : children) {
        EXPECT_TRUE(c->IsModified());
        EXPECT_TRUE(c->FFileName().empty());
    }
    EXPECT_EQ(children[0]->Caption(), (program_ / "backup_0.crx").string());
    EXPECT_NE(children[0]->FRoot().FindDir("F1"), nullptr);
    EXPECT_NE(children[1]->FRoot().FindDir("F3"), nullptr);
    // A copy is not a recent file.
    for (const std::string& f : RecentFilesList()) EXPECT_EQ(f.find("backup_"), std::string::npos) << f;

    // "Enregistrer" asks where to save instead of writing into the copy.
    const fs::path saved = program_ / "rescued.crx";
    fake_.AnswerFile(saved.string(), "Enregistrer la collection sous...");
    Main()->Enregistrer1Click();
    const TFChild* active = Main()->ActiveChild();
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->FFileName(), saved.string());
    EXPECT_TRUE(fs::exists(saved));

    fake_.AnswerMessage(MsgResult::No);
    EXPECT_TRUE(Main()->close());
    // The copies go at a normal exit; the one set aside and the folder stay.
    EXPECT_FALSE(fs::exists(program_ / "backup_0.crx"));
    EXPECT_FALSE(fs::exists(program_ / "backup_2.crx"));
    EXPECT_TRUE(fs::exists(program_ / "backup_1.crx.illisible"));
    EXPECT_TRUE(fs::is_directory(program_ / "backup_3.crx"));
    Finish();
}

TEST_F(Startup, ASecondInstanceLeavesTheOwnersCopiesAloneUntilItHasGone)
{
    WriteCollection("backup_0.crx", "F1");
    const std::string before = ReadFileBytes(program_ / "backup_0.crx");
    auto owner = std::make_unique<BackupLock>(program_.path());
    ASSERT_TRUE(owner->TryAcquire());

    Start();
    EXPECT_NE(IndexOf("backup:not-owner"), std::string::npos);
    EXPECT_TRUE(Main()->Children().empty());
    // Its own collections are still protected, under names of its own, and
    // the status bar says who keeps the folder's copies.
    const std::string tag = session_->Instance().Tag();
    ASSERT_FALSE(tag.empty());
    EXPECT_EQ(session_->BackupStatusText(),
              "Copies de secours du dossier : tenues par une autre instance de Carotix (processus " +
                  std::to_string(::getpid()) + ") ; celles de cette instance : backup_" + tag + "_*.crx");
    Main()->Nouveau1Click();
    EXPECT_EQ(session_->TimerSauvegardeTimer().written, 1);
    EXPECT_TRUE(fs::exists(program_ / InstanceCopyName(tag, 0)));
    EXPECT_EQ(ReadFileBytes(program_ / "backup_0.crx"), before);

    // The owner ended without deleting its copy (a crash): this instance
    // takes the copies over, reopens the one left and backs both up; its own
    // copies are no longer needed.
    owner.reset();
    const BackupPassResult r = session_->TimerSauvegardeTimer();
    EXPECT_NE(IndexOf("backup:lock-taken"), std::string::npos);
    EXPECT_EQ(Main()->Children().size(), 2u);
    EXPECT_EQ(r.written, 2);
    EXPECT_FALSE(fs::exists(program_ / InstanceCopyName(tag, 0)));
    EXPECT_EQ(session_->BackupStatusText().rfind("Copies de secours : tenues par cette instance", 0), 0u);

    fake_.AnswerMessage(MsgResult::No).AnswerMessage(MsgResult::No);
    EXPECT_TRUE(Main()->close());
    EXPECT_TRUE(ListBackupCopies(program_.path()).empty());
    Finish();
}

TEST_F(Startup, AnInstanceThatDoesNotOwnTheCopiesDeletesNoneAtExit)
{
    WriteCollection("backup_0.crx", "F1");
    BackupLock owner(program_.path());
    ASSERT_TRUE(owner.TryAcquire());
    Start();
    EXPECT_TRUE(Main()->close());
    EXPECT_EQ(IndexOf("close:backups-deleted"), std::string::npos);
    EXPECT_TRUE(fs::exists(program_ / "backup_0.crx"));
    Finish();
}

// Saves killed in an earlier run left their temporary files in the program
// folder: they go at start-up, but not one that a save of another instance
// sharing the folder is writing (it holds its lock), nor files of other names.
TEST_F(Startup, StaleTemporaryFilesOfTheProgramFolderGoAtStartUp)
{
    const std::vector<std::string> stale = {".carotix-abcd1234.tmp", ".carotix-00000000.tmp"};
    const std::vector<std::string> kept = {".carotix-ABCD1234.tmp", ".carotix-abcd123.tmp", "notes.tmp",
                                           ".carotix.ini.Xy12ab", ".carotix-inuse123.tmp"};
    for (const auto& name : stale) WriteFileBytes(program_ / name, "interrompu");
    for (const auto& name : kept) WriteFileBytes(program_ / name, "garde");
    const int inUse = ::open((program_ / ".carotix-inuse123.tmp").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(inUse, 0);
    ASSERT_EQ(::flock(inUse, LOCK_EX), 0);
    Start();
    for (const auto& name : stale) EXPECT_FALSE(fs::exists(program_ / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(program_ / name)) << name;
    ::close(inUse);
    EXPECT_TRUE(Main()->close());
    Finish();
}

TEST_F(Startup, TheProgramEndsWithTheMainWindowWhateverElseIsShown)
{
    Start();
    EXPECT_TRUE(session_->Coupe()->isVisible());
    EXPECT_TRUE(FHelp->isVisible());
    // Only the main window counts for the end of the program.
    for (QWidget* w : session_->Windows())
        EXPECT_EQ(w->testAttribute(Qt::WA_QuitOnClose), w == Main()) << w->objectName().toStdString();
    EXPECT_TRUE(Main()->close());
    EXPECT_EQ(ended_, 1);
    EXPECT_FALSE(session_->Coupe()->isVisible());
    EXPECT_FALSE(FHelp->isVisible());
    EXPECT_TRUE(IniCarotix->ReadBool(kGeneral, "Aide", false));  // shown at the end
    Finish();
}

TEST_F(Startup, HelpBoxStaysHiddenWhenAideIsOff)
{
    {
        ASSERT_TRUE(InitializeUnits(program_.path()));
        IniCarotix->WriteBool(kGeneral, "Aide", false);
        OptionsRelease();
    }
    StartupLog().clear();
    Start();
    EXPECT_FALSE(FHelp->isVisible());
    EXPECT_EQ(IndexOf("show:help"), std::string::npos);
    // "Afficher la boite d'aide" shows and hides it, its check mark following.
    EXPECT_FALSE(Main()->AfficherAide1->isChecked());
    Main()->AfficherAide1->trigger();
    EXPECT_TRUE(FHelp->isVisible());
    EXPECT_TRUE(Main()->AfficherAide1->isChecked());
    Main()->AfficherAide1->trigger();
    EXPECT_FALSE(FHelp->isVisible());
    EXPECT_FALSE(Main()->AfficherAide1->isChecked());
    EXPECT_TRUE(Main()->close());
    Finish();
}

TEST_F(Startup, AfficherLaCoupeHidesAndShowsTheLogWindowAndTheMainWindowFollows)
{
    Start();
    const TRect desk = session_->Desk()->DeskRect;
    ASSERT_TRUE(Main()->AfficherCoupe1->isChecked());
    Main()->AfficherCoupe1->trigger();
    EXPECT_FALSE(session_->Coupe()->isVisible());
    EXPECT_FALSE(Main()->AfficherCoupe1->isChecked());
    // The main window takes the room back up to the desk's right edge.
    EXPECT_EQ(Main()->frameGeometry().left() + Main()->frameGeometry().width(), desk.Right);
    Main()->AfficherCoupe1->trigger();
    EXPECT_TRUE(session_->Coupe()->isVisible());
    EXPECT_TRUE(Main()->AfficherCoupe1->isChecked());
    EXPECT_EQ(Main()->frameGeometry().left() + Main()->frameGeometry().width(),
              session_->Coupe()->frameGeometry().left());
    EXPECT_TRUE(Main()->close());
    Finish();
}

TEST_F(Startup, TheCommandLineCollectionOpensAfterTheCopies)
{
    WriteCollection("backup_0.crx", "F1");
    const fs::path file = WriteCollection("ligne.crx", "PZ9");
    Start(file.string());
    EXPECT_LT(IndexOf("show:reopen:backup_0.crx:modified"), IndexOf("show:open:" + file.string()));
    const std::vector<TFChild*> children = Main()->Children();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[1]->FFileName(), file.string());
    EXPECT_FALSE(children[1]->IsModified());
    fake_.AnswerMessage(MsgResult::No);
    EXPECT_TRUE(Main()->close());
    Finish();
}

TEST_F(Startup, TheMainWindowSnapsToTheDeskAndTheLogWindow)
{
    Start();
    const TRect desk = session_->Desk()->DeskRect;
    QRect f = Main()->frameGeometry();
    Main()->move(desk.Left + 7, desk.Top + 8);
    session_->TimerMoveTimer();
    f = Main()->frameGeometry();
    EXPECT_EQ(f.left(), desk.Left);
    EXPECT_EQ(f.top(), desk.Top + 8);
    // The right edge 7 pixels short of the log window.
    const int logLeft = session_->Coupe()->frameGeometry().left();
    Main()->resize(logLeft - f.left() - 7, 300);
    session_->TimerMoveTimer();
    EXPECT_EQ(Main()->frameGeometry().left() + Main()->frameGeometry().width(), logLeft);
    EXPECT_TRUE(Main()->close());
    Finish();
}

TEST_F(Startup, AClickOnALevelInTheLogWindowRunsItsTableCommand)
{
    const fs::path file = WriteCollection("puits.crx", "PZ1");
    Start();
    TFChild* child = Main()->OpenCollectionFile(file.string());
    child->SelectRow("PZ1", "PZ1");
    child->StringGridClick();
    TFCoupe* coupe = session_->Coupe();
    ASSERT_EQ(coupe->ShownRoot(), &child->FRoot());
    coupe->View.RebuildIfNeeded();
    const TZoneRect* level = nullptr;
    for (const TZoneRect& z : ZonesNiveaux)
        if (z.Rect.Height() > 2) {
            level = &z;
            break;
        }
    ASSERT_NE(level, nullptr);
    const std::int32_t row = level->Row;
    // The click opens the spreadsheet editor on the level's row.
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!FTableur || !FTableur->isVisible()) return;
        poll.stop();
        shown = true;
        EXPECT_EQ(FTableur->CurrentRow(), row + 1);   // the level row counted from 1
        FTableur->close();
    });
    poll.start(0);
    coupe->View.MouseDown(LogView::Button::Left, (level->Rect.Left + level->Rect.Right) / 2,
                          (level->Rect.Top + level->Rect.Bottom) / 2);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(fake_.Prompts().empty());
    EXPECT_GE(row, 0);

    // Zoom through the window's buttons.
    coupe->ToolButton1->click();
    coupe->ToolButton1->click();
    EXPECT_EQ(coupe->View.Zoom, 4);
    coupe->ToolButton2->click();
    EXPECT_EQ(coupe->View.Zoom, 2);

    EXPECT_TRUE(Main()->close());
    Finish();
}

}  // namespace

TEST_F(Startup, TheTitleBlockIsLoadedAtStartAndWrittenBackOnlyWhenChanged)
{
    Start();
    ASSERT_FALSE(BandeauObjets.empty());  // the shipped carotix.ini has a title block
    const std::size_t shipped = BandeauObjets.size();
    const std::string before = ReadFileBytes(program_ / "carotix.ini");
    EXPECT_TRUE(Main()->close());
    Finish();
    // Unchanged: the section is left as the file had it.
    std::string after = ReadFileBytes(program_ / "carotix.ini");
    EXPECT_EQ(after.substr(after.find("[Bandeau]"), 200), before.substr(before.find("[Bandeau]"), 200));

    Start();
    EXPECT_EQ(BandeauObjets.size(), shipped);
    BandeauObjets.pop_back();
    BandeauModifie = true;
    EXPECT_TRUE(Main()->close());
    Finish();
    Start();
    EXPECT_EQ(BandeauObjets.size(), shipped - 1);
    EXPECT_TRUE(Main()->close());
    Finish();
}
