// The program's start-up and shut-down orders, run headless with scripted
// prompts: the units, the 34 windows, the first showing (placement, log
// window, help box, crash-recovery copies, command line), the timers, the
// collections' questions at exit, [Général] "Aide", the copies deleted, then
// the recent files and the settings. Also: copies reopened without a file
// name, an unreadable copy set aside, stale temporary files removed, a second
// instance leaving the copies alone, copies and lock files private, the lock
// files of killed instances removed, a carotix.ini saved as UTF-16, the end of
// the program while the log window and the help box are shown, and a click in
// the log window reaching the table commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
#include "platform/base/text_codec.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/progress_window.h"
#include "sample_boreholes.h"
#include "scoped_global.h"
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
    // The title block is loaded at start and edited by the windows; put back
    // for the tests after this one (declared first, restored last).
    ScopedGlobal<std::vector<TBandeauObjet>> titleBlock_{BandeauObjets};
    ScopedGlobal<bool> titleBlockChanged_{BandeauModifie};
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
                    {"show:placed", "show:log-window", "show:help", "show:timers"});
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
    // Not while a database query is waited for (a download holds half of itself).
    ASSERT_NE(FProgress, nullptr);
    FProgress->StartWait("Lecture", 0);
    EXPECT_EQ(session_->TimerSauvegardeTimer().written, 0);
    FProgress->EndWait();
    EXPECT_TRUE(ListBackupCopies(program_.path()).empty());
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
    // Named as every unreadable collection is.
    EXPECT_EQ(fake_.Prompts()[0].text.rfind("Impossible de lire \xC2\xAB ", 0), 0u);
    EXPECT_NE(fake_.Prompts()[0].text.find("backup_1.crx \xC2\xBB : Invalid block type\n"), std::string::npos)
        << fake_.Prompts()[0].text;
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
    const std::string told = "Copies de secours du dossier : tenues par une autre instance de Carotix (processus " +
                             std::to_string(::getpid()) + ") ; celles de cette instance : backup_" + tag + "_*.crx";
    EXPECT_EQ(session_->BackupStatusText(), told);
    // A short note at the right of the bar, the whole of it in its tooltip;
    // it steps aside for a message that needs its room.
    auto* note = Main()->statusBar()->findChild<QLabel*>(QStringLiteral("BackupStatus"));
    ASSERT_TRUE(note);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->toolTip().toStdString(), told);
    EXPECT_LT(note->sizeHint().width(), 300);
    Main()->resize(900, Main()->height());
    QApplication::processEvents();
    Main()->statusBar()->showMessage(QString(Main()->statusBar()->width() / 8, QLatin1Char('m')));
    EXPECT_FALSE(note->isVisible());
    Main()->statusBar()->showMessage(QStringLiteral("Nouvelle collection"));
    EXPECT_TRUE(note->isVisible());
    Main()->statusBar()->clearMessage();
    EXPECT_TRUE(note->isVisible());
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
    EXPECT_EQ(session_->BackupStatusText(), "");
    EXPECT_FALSE(note->isVisible());

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

// carotix.ini saved as "Unicode" by a Windows editor: UTF-16, with or without
// its byte-order mark. With the mark it is read, and a whole run that writes
// into it (recent files, help box, settings at exit) leaves it UTF-16 with the
// mark and nothing else. Without the mark the start-up stops with a box that
// names the file, and the file is left as it was.
TEST_F(Startup, ACarotixIniSavedAsUtf16IsKeptInUtf16OrRefusedWithABox)
{
    const fs::path ini = program_ / "carotix.ini";
    const QString shipped = QString::fromStdString(Cp1252ToUtf8(ReadFileBytes(ini)));
    // Little-endian units, as Windows writes them.
    auto utf16 = [](const QString& text) {
        return std::string(reinterpret_cast<const char*>(text.utf16()), static_cast<std::size_t>(text.size()) * 2);
    };

    const std::string withoutMark = utf16(shipped);
    WriteFileBytes(ini, withoutMark);
    fake_.AnswerMessage(MsgResult::Ok, "Carotix");
    EXPECT_FALSE(InitializeUnits(program_.path()));
    ASSERT_EQ(fake_.Prompts().size(), 1u);
    EXPECT_NE(fake_.Prompts()[0].text.find("\xC2\xAB " + ini.string() + " \xC2\xBB : son encodage n'est ni UTF-8"),
              std::string::npos)
        << fake_.Prompts()[0].text;
    EXPECT_EQ(ReadFileBytes(ini), withoutMark);

    WriteFileBytes(ini, "\xFF\xFE" + withoutMark);
    Start();
    EXPECT_EQ(GetDefaultUnitXY(), "m");  // [Dessin] "UnitéXY" of the file ("km" when unread)
    EXPECT_EQ(ColourTable[1], 254u + 254u * 256u + 173u * 65536u);
    const fs::path file = WriteCollection("puits.crx", "PZ1");
    Main()->OpenCollectionFile(file.string());
    EXPECT_TRUE(Main()->close());
    Finish();

    const std::string after = ReadFileBytes(ini);
    ASSERT_EQ(after.substr(0, 2), "\xFF\xFE");
    ASSERT_EQ(after.size() % 2, 0u);
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(after.data() + 2),
                                            static_cast<qsizetype>(after.size() / 2 - 1));
    EXPECT_EQ(utf16(text), after.substr(2));
    const qsizetype colours = shipped.indexOf(QStringLiteral("[Couleurs]"));
    EXPECT_TRUE(text.contains(shipped.mid(colours, shipped.indexOf(QStringLiteral("Couleur9")) - colours)));
    EXPECT_TRUE(text.startsWith(QStringLiteral("; R\u00E9glages de Carotix.")));
    EXPECT_TRUE(text.contains(QStringLiteral("Fichier0=") + QString::fromStdString(file.string())));
    EXPECT_EQ(text.count(QStringLiteral("[Couleurs]")), 1);
    EXPECT_FALSE(text.contains(QChar(0))) << "8-bit lines in a UTF-16 file";
}

// The crash-recovery copy of a collection its owner keeps 0600, written under
// the usual umask 022, and the lock files: readable by their user alone.
TEST_F(Startup, CrashCopiesAndTheirLockFilesArePrivateWhateverTheUmask)
{
    const mode_t umaskBefore = ::umask(022);
    const fs::path file = WriteCollection("prive.crx", "PZ1");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    WriteCollection("backup_1.crx", "F1");  // an older copy, 0644, that a pass replaces
    auto mode = [](const fs::path& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    Start();
    ASSERT_EQ(Main()->Children().size(), 1u);  // the older copy, reopened
    Main()->OpenCollectionFile(file.string());
    EXPECT_EQ(session_->TimerSauvegardeTimer().written, 2);
    EXPECT_EQ(mode(program_ / "backup_0.crx"), 0600u);
    EXPECT_EQ(mode(program_ / "backup_1.crx"), 0600u);
    EXPECT_EQ(mode(program_ / kBackupLockName), 0600u);
    // The copies of an instance that does not own the folder's.
    InstanceBackups other(program_.path());
    ASSERT_TRUE(other.Start());
    TDirBlock tree("Carotix");
    EXPECT_EQ(RunBackupPass(program_.path(), {&tree}, {}, other.Tag()).written, 1);
    EXPECT_EQ(mode(program_ / ("backup_" + other.Tag() + ".lock")), 0600u);
    EXPECT_EQ(mode(program_ / InstanceCopyName(other.Tag(), 0)), 0600u);
    other.End();
    ::umask(umaskBefore);

    fake_.AnswerMessage(MsgResult::No);  // the reopened copy
    EXPECT_TRUE(Main()->close());
    Finish();
}

// Instances killed before their exit leave their lock files: once a start-up
// has reopened their copies, the files go, those of instances that had no copy
// yet too. A running instance keeps its lock file and its copies.
TEST_F(Startup, TheLockFilesOfKilledInstancesGoOnceTheirCopiesAreReopened)
{
    auto lockOf = [&](const std::string& tag) { return program_ / ("backup_" + tag + ".lock"); };
    TDirBlock tree("Carotix");
    BuildShallowWell(tree, "PZ-TUE");
    std::string withCopy, withoutCopy;
    {
        // Destroyed without End(): as when the process is killed.
        InstanceBackups killed(program_.path()), killedEarly(program_.path());
        ASSERT_TRUE(killed.Start());
        ASSERT_TRUE(killedEarly.Start());
        withCopy = killed.Tag();
        withoutCopy = killedEarly.Tag();
        ASSERT_EQ(RunBackupPass(program_.path(), {&tree}, {}, withCopy).written, 1);
    }
    InstanceBackups running(program_.path());
    ASSERT_TRUE(running.Start());
    ASSERT_EQ(RunBackupPass(program_.path(), {&tree}, {}, running.Tag()).written, 1);
    ASSERT_TRUE(fs::exists(lockOf(withCopy)));
    ASSERT_TRUE(fs::exists(lockOf(withoutCopy)));

    Start();
    ASSERT_EQ(Main()->Children().size(), 1u);
    EXPECT_NE(Main()->Children()[0]->FRoot().FindDir("PZ-TUE"), nullptr);
    EXPECT_FALSE(fs::exists(lockOf(withCopy)));
    EXPECT_FALSE(fs::exists(lockOf(withoutCopy)));
    EXPECT_TRUE(fs::exists(lockOf(running.Tag())));
    EXPECT_TRUE(fs::exists(program_ / InstanceCopyName(running.Tag(), 0)));

    fake_.AnswerMessage(MsgResult::No);
    EXPECT_TRUE(Main()->close());
    Finish();
    EXPECT_FALSE(fs::exists(program_ / InstanceCopyName(withCopy, 0)));
    EXPECT_TRUE(fs::exists(lockOf(running.Tag())));
    running.End();
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
