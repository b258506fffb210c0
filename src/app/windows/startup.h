// The program's start-up and shut-down, in their fixed order.
//
// Start-up:
//  1. the units, before any window: the settings (refusing a read-only
//     program folder with its box), the decimal separator of the user's
//     locale, the coding library, the recent files;
//  2. the application title "Carotix";
//  3. the 34 windows, once each, in their fixed order (the main window first,
//     the report preview last); the windows of later versions are empty
//     placeholders of the right class name until they come;
//  4. the main window's first showing: placement on the desk, the log window
//     beside it, the help box when [Général] "Aide" says so, the
//     crash-recovery copies reopened as modified collections, then the
//     collection named on the command line; the timers start (backups,
//     window-edge snapping).
// Shut-down, when the main window closes: each collection asks whether to
// save ("Annuler" stops it all); [Général] "Aide" is written and the copies
// deleted; the windows go; the recent files and the settings are written and
// the coding library released. The program ends when the main window closes,
// whatever other window is still shown.
//
// Every step is noted in StartupLog(), which tests read.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/backups.h"

class QLabel;
class QTimer;
class TDirBlock;
class TFMain;
class TFChild;
class TFCoupe;
class TFDesk;

// The windows created at start-up, in their order.
inline constexpr std::array<const char*, 34> kStartupWindowOrder = {
    "TFMain",      "TFDesk",      "TFFiltreOra", "TFQuestion",  "TFEdition",       "TFTableur",   "TFOptionDessin",
    "TFNomOuvrage", "TFCoupe",    "TFCouleurs",  "TFCodeMotifCoul", "TFPalette",   "TFMotifs",    "TFMultitubes",
    "TFInfo",      "TFImpression", "TFProgress", "TFBandeau",   "TFStrati",        "TFHelp",      "TFRubriques",
    "TFAbout",     "TFCodage",    "TFListeMots", "TFImage",     "TFAutoDesign",    "TFLex",       "TFRechNiv",
    "TFStructure", "TFListeCodes", "TFTables",   "TFMultiply",  "TFMotCles",       "TFRapport"};

// ---- the log of steps -------------------------------------------------------
// When set, every step is also appended to this file, one line each (tests
// that run the program itself read it).
inline constexpr const char* kStartupLogVariable = "CAROTIX_STARTUP_LOG";
std::vector<std::string>& StartupLog();
void StartupNote(std::string step);

// ---- placeholder windows ---------------------------------------------------
// A window of a later version: empty, never shown by itself; its object name
// and its "className" property give the class it stands for.
class TPlaceholderWindow : public QWidget {
    Q_OBJECT
public:
    explicit TPlaceholderWindow(const char* className, QWidget* parent = nullptr);
    std::string ClassName;
};

// ---- step 1 and its counterpart at exit -------------------------------------
// Initialises the units for the program folder. On a read-only folder shows
// "Le programme ne peut être exécuté sur un support en lecture seule." in a box
// titled "Carotix" and answers false (nothing to finalise then); other
// failures are shown in the failure box and answer false too.
bool InitializeUnits(const std::filesystem::path& programFolder);
// The units' finalisation, each step guarded: recent files, settings, coding
// library.
void FinalizeUnits();

// ---- steps 2 to 4, the timers and the shut-down ----------------------------
class ProgramSession : public QObject {
    Q_OBJECT
public:
    // Sets the title and creates the 34 windows (step 2 and 3). The units
    // must be initialised.
    explicit ProgramSession(std::string commandLineFile = {});
    // Destroys the windows, the main window last.
    ~ProgramSession() override;

    TFMain* Main() const;
    TFDesk* Desk() const { return desk_; }
    TFCoupe* Coupe() const { return coupe_; }
    // The window created for a class name (nullptr when none).
    QWidget* Window(const std::string& className) const;
    const std::vector<QWidget*>& Windows() const { return windows_; }

    // Shows the main window; its first showing runs FormShow.
    void Show();
    // The main window's first showing (normally run by Show through the
    // showing itself).
    void FormShow();
    // Reopens the folder's crash-recovery copies as modified collections
    // without a file name; an unreadable copy is set aside and reported, and
    // the others are still reopened. Answers how many were reopened.
    // With instancesOnly, only the copies of other instances that have ended
    // (what an instance that does not own the folder's copies takes over).
    int ReopenBackupCopies(bool instancesOnly = false);
    // TimerSauvegardeTimer: one backup pass of every collection window, in
    // window order (only while this instance owns the folder's copies).
    BackupPassResult TimerSauvegardeTimer();
    // TimerMoveTimer: one snapping step of the main window.
    void TimerMoveTimer();
    // The main window was asked to close: the collections' questions, then
    // FormClose. False when a collection answered "Annuler".
    bool MainWindowClosing();

    QTimer* TimerSauvegarde = nullptr;
    QTimer* TimerMove = nullptr;
    BackupLock& Lock() { return lock_; }
    // This instance's own copies while another instance owns the folder's.
    InstanceBackups& Instance() { return instance_; }
    // What the status bar's note tells of who keeps the copies: "" while this
    // instance keeps them (no note is shown then).
    std::string BackupStatusText() const;
    // Ends the event loop when the main window has closed (tests replace it).
    std::function<void()> EndProgram;
    // Replaces the writer of the copies (tests inject failures).
    BackupWriter Writer;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWindows();
    void LinkLogWindow();
    void MainFitToLog();
    void MainFitToDesk();
    void PlaceMain();
    std::vector<const TDirBlock*> CollectionTrees() const;

    std::string commandLineFile_;
    std::vector<QWidget*> windows_;
    QPointer<TFMain> main_;
    TFDesk* desk_ = nullptr;
    TFCoupe* coupe_ = nullptr;
    void ShowBackupStatus();
    // The note shows unless a status message needs its room.
    void FitBackupStatus();
    BackupLock lock_;
    InstanceBackups instance_;
    // Copies of instances that ended, reopened here: deleted once this
    // instance's own copies of them are written.
    std::vector<std::string> adoptedTags_;
    QPointer<QLabel> backupStatus_;
    std::string backupStatusText_;
    bool shown_ = false;
    bool closed_ = false;
    QRect mainFrame_;
    struct LogLink;
    std::unique_ptr<LogLink> logLink_;
};

// The application object as the program sets it up before anything else:
// its name, Qt's own texts in French and the user's decimal separator.
void PrepareApplication();

// The start-up for a program folder: the units, the session with its windows
// (`mainCreated` is told of the main window once they exist: the prompts take
// it as their parent) and the main window's first showing. Null when the
// units refused to start (their box was shown).
std::unique_ptr<ProgramSession> StartProgram(const std::filesystem::path& programFolder,
                                             std::string commandLineFile,
                                             const std::function<void(TFMain&)>& mainCreated = {});
// The end of the shut-down: the windows destroyed, then the units finalised.
void EndProgramSession(std::unique_ptr<ProgramSession> session);

// The whole program: units, session, event loop, shut-down. The caller has
// made the application object and installed the prompts.
int RunProgram(int argc, char** argv, const std::function<void(TFMain&)>& mainCreated = {});
