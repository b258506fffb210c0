#include "app/windows/startup.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QStatusBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/windows/about_window.h"
#include "platform/windows/frame_placement.h"
#include "platform/windows/modal_stacking.h"
#include "app/collection_links.h"
#include "app/windows/coding_rules_commands.h"
#include "app/windows/collection_window.h"
#include "exchange/windows/database_window.h"
#include "app/windows/desk_window.h"
#include "platform/windows/help_window.h"
#include "platform/windows/info_window.h"
#include "app/windows/main_window.h"
#include "platform/windows/name_window.h"
#include "platform/windows/progress_window.h"
#include "platform/windows/question_window.h"
#include "app/windows/record_sheet_window.h"
#include "app/windows/structure_window.h"
#include "app/windows/multiply_window.h"
#include "app/windows/tubes_window.h"
#include "app/windows/keywords_window.h"
#include "app/snapping.h"
#include "app/windows/spreadsheet_window.h"
#include "app/windows/strati_window.h"
#include "app/windows/tables_window.h"
#include "coding/codage_binding.h"
#include "coding/windows/code_list_window.h"
#include "coding/windows/coding_rules_window.h"
#include "coding/windows/level_search_window.h"
#include "coding/windows/lexicon_picker_window.h"
#include "drawing/bandeau.h"
#include "drawing/log_layout.h"
#include "drawing/title_block.h"
#include "drawing/windows/bandeau_window.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "drawing/windows/colours_window.h"
#include "drawing/windows/palette_window.h"
#include "drawing/windows/pattern_chooser_window.h"
#include "drawing/windows/print_window.h"
#include "drawing/windows/report_window.h"
#include "drawing/windows/image_window.h"
#include "drawing/windows/log_window.h"
#include "drawing/windows/options_window.h"
#include "exchange/windows/filter_chooser_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/safe_files.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "platform/base/ini_file.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/field_defs.h"
#include "store/options.h"
#include "store/recent_files.h"

namespace fs = std::filesystem;

namespace {

const char* const kGeneral = "G\xC3\xA9n\xC3\xA9ral";  // "Général"
const char* const kAide = "Aide";

std::string Utf8Path(const fs::path& p)
{
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

}  // namespace

// ---- the log of steps -----------------------------------------------------------

std::vector<std::string>& StartupLog()
{
    static std::vector<std::string> log;
    return log;
}

void StartupNote(std::string step)
{
    // Tests that run the program itself read its steps from a file.
    if (const char* file = std::getenv(kStartupLogVariable); file && *file) {
        if (std::FILE* f = std::fopen(file, "ab")) {
            std::fwrite(step.data(), 1, step.size(), f);
            std::fputc('\n', f);
            std::fclose(f);
        }
    }
    // The backup passes add a step every few minutes for as long as the
    // program runs: only the latest steps are kept.
    std::vector<std::string>& log = StartupLog();
    if (log.size() >= 4096) log.erase(log.begin() + 64, log.begin() + 2048);
    log.push_back(std::move(step));
}

// ---- placeholders ---------------------------------------------------------------

TPlaceholderWindow::TPlaceholderWindow(const char* className, QWidget* parent)
    : QWidget(parent, Qt::Window), ClassName(className)
{
    setObjectName(QString::fromUtf8(className));
    setProperty("className", QString::fromUtf8(className));
    setWindowTitle(QString::fromUtf8(className));
}

// ---- units ----------------------------------------------------------------------

namespace {

// What the store and the settings have to tell the user reaches them in the
// program's boxes, from the first settings read on.
void InstallUnitReports()
{
    SetFieldDefReporter([](const std::string& message) { ShowMessage(message); });
    TIniFile::SetReportHandler([](const std::string& message) { ShowMessage(message); });
    SetFolderChooser([](const std::string& caption) -> std::optional<std::string> {
        std::string folder;
        if (!AskFolder(caption, std::string(), folder)) return std::nullopt;
        return folder;
    });
}

void RemoveUnitReports()
{
    SetFieldDefReporter({});
    TIniFile::SetReportHandler({});
    SetFolderChooser({});
}

}  // namespace

bool InitializeUnits(const fs::path& programFolder)
{
    InstallUnitReports();
    try {
        OptionsInitialize(programFolder);
    } catch (const EReadOnlyMedia& e) {
        StartupNote("unit:read-only");
        ShowBox(EReadOnlyMedia::kTitle, e.what(), MsgIcon::Error);
        return false;
    } catch (...) {
        StartupNote("unit:failed");
        ShowFailure(CurrentExceptionMessage());
        return false;
    }
    // Temporary files of saves killed in an earlier run (settings, crash
    // copies). A save running now in another instance sharing the folder
    // holds a lock on its file, and its file stays.
    RemoveStaleTempFiles(ProgramFolder());
    StartupNote("unit:options");
    InitDecimalSeparatorFromLocale();
    StartupNote("unit:decimal-separator");
    CodageDLLInitialize(Utf8Path(ProgramFolder()));
    StartupNote("unit:codage");
    RecentLoad();
    StartupNote("unit:recent");
    return true;
}

void FinalizeUnits()
{
    RunGuarded([] { RecentSave(); });
    StartupNote("final:recent");
    RunGuarded([] { OptionsFinalize(); });
    StartupNote("final:options");
    RunGuarded([] { CodageDLLFinalize(); });
    StartupNote("final:codage");
    RemoveUnitReports();
}

// ---- the log window as the collection windows see it -----------------------------

struct ProgramSession::LogLink : LogViewLink {
    ProgramSession* session = nullptr;
    TFCoupe* coupe() const { return session->coupe_; }
    void SetBorehole(const TDirBlock* root, const std::string& indice, const std::string& design) override
    {
        // The tree belongs to the collection window; the log window writes
        // into it only to toggle a level's selection.
        coupe()->SetBorehole(const_cast<TDirBlock*>(root), root ? indice : std::string(), design);
    }
    const TDirBlock* ShownRoot() const override { return coupe()->ShownRoot(); }
    void SetTubes(const std::vector<std::string>& tubes, int chosen) override { coupe()->SetTubes(tubes, chosen); }
    void Redraw() override
    {
        coupe()->Redraw();
        // The equipment picture follows the log's ouvrage and data.
        if (FImage) FImage->FormResize();
    }
    bool IsShown() const override { return coupe()->isVisible(); }
    void ShowAndFocus() override
    {
        coupe()->show();
        coupe()->raise();
        coupe()->activateWindow();
        coupe()->CTubes->setFocus();
    }
};

// ---- the session ---------------------------------------------------------------

ProgramSession::ProgramSession(std::string commandLineFile)
    : commandLineFile_(std::move(commandLineFile)), lock_(ProgramFolder()), instance_(ProgramFolder())
{
    // The name only: a display name would be appended by the platform to every
    // window's caption ("... — Carotix"), and the captions are the program's own.
    QCoreApplication::setApplicationName(QStringLiteral("Carotix"));
    StartupNote("title:Carotix");
    EndProgram = [] { QCoreApplication::quit(); };
    CreateWindows();
}

ProgramSession::~ProgramSession()
{
    if (TimerSauvegarde) TimerSauvegarde->stop();
    if (TimerMove) TimerMove->stop();
    if (GetLogViewLink() == logLink_.get()) SetLogViewLink(nullptr);
    TableurSeams().ChooseStrati = {};
    TableurSeams().PickLexicon = {};
    if (main_) {
        main_->removeEventFilter(this);
        main_->statusBar()->removeEventFilter(this);
    }
    // The main window goes last: the others are its children.
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        QWidget* w = *it;
        if (w == main_.data()) continue;
        delete w;
    }
    FDesk = nullptr;
    FFiltreOra = nullptr;
    FQuestion = nullptr;
    FInfo = nullptr;
    FProgress = nullptr;
    UninstallProgressWait();
    FHelp = nullptr;
    FRubriques = nullptr;
    FAbout = nullptr;
    FTables = nullptr;
    FCodeMotifCoul = nullptr;
    delete main_.data();
    StartupNote("destroy:windows");
    // The title block is written back only now, after every window is gone,
    // and only when a change to it was accepted during the run.
    RunGuarded([] { BandeauEnregistrerCarotix(); });
}

TFMain* ProgramSession::Main() const { return main_.data(); }

QWidget* ProgramSession::Window(const std::string& className) const
{
    for (std::size_t i = 0; i < windows_.size() && i < kStartupWindowOrder.size(); ++i)
        if (className == kStartupWindowOrder[i]) return windows_[i];
    return nullptr;
}

void ProgramSession::CreateWindows()
{
    for (const char* name : kStartupWindowOrder) {
        const std::string n = name;
        QWidget* w = nullptr;
        TFMain* m = main_.data();
        if (n == "TFMain") {
            main_ = new TFMain();
            main_->installEventFilter(this);
            w = main_.data();
        } else if (n == "TFDesk") {
            desk_ = new TFDesk(m);
            desk_->setWindowFlag(Qt::Window);
            FDesk = desk_;
            w = desk_;
        } else if (n == "TFFiltreOra") {
            FFiltreOra = new TFFiltreOra(m);
            w = FFiltreOra;
        } else if (n == "TFQuestion") {
            FQuestion = new TFQuestion(m);
            w = FQuestion;
        } else if (n == "TFNomOuvrage") {
            w = CreateNameWindow(m);
        } else if (n == "TFCoupe") {
            coupe_ = new TFCoupe(m);
            w = coupe_;
            LinkLogWindow();
        } else if (n == "TFCodeMotifCoul") {
            FCodeMotifCoul = new TFCodeMotifCoul(m);
            w = FCodeMotifCoul;
        } else if (n == "TFImpression") {
            FImpression = new TFImpression(m);
            w = FImpression;
        } else if (n == "TFInfo") {
            FInfo = new TFInfo(m);
            w = FInfo;
        } else if (n == "TFProgress") {
            FProgress = new TFProgress(m);
            InstallProgressWait();
            w = FProgress;
        } else if (n == "TFHelp") {
            FHelp = new TFHelp(m);
            // FormShow and FormHide of the help box check and uncheck its
            // menu item.
            connect(FHelp, &TFHelp::visibilityChanged, this, GuardedSlot([this](bool visible) {
                if (main_ && main_->AfficherAide1) main_->AfficherAide1->setChecked(visible);
            }));
            w = FHelp;
        } else if (n == "TFRubriques") {
            FRubriques = new TFRubriques(FHelp, m);
            w = FRubriques;
        } else if (n == "TFAbout") {
            FAbout = new TFAbout(m);
            w = FAbout;
        } else if (n == "TFAutoDesign") {
            FAutoDesign = new TFAutoDesign(m);
            w = FAutoDesign;
        } else if (n == "TFTableur") {
            FTableur = new TFTableur(m);
            w = FTableur;
        } else if (n == "TFStrati") {
            FStrati = new TFStrati(m);
            // The spreadsheet's "Strati" cells choose with it.
            TableurSeams().ChooseStrati = []() -> std::optional<std::string> {
                std::string name;
                if (!ChooseStrati(name)) return std::nullopt;
                return name;
            };
            w = FStrati;
        } else if (n == "TFLex") {
            FLex = new TFLex(m);
            // The spreadsheet's long lexicons are chosen in it.
            TableurSeams().PickLexicon = [](const std::vector<std::string>& codes,
                                            const std::vector<std::string>& labels) -> std::optional<int> {
                std::string code;
                if (!PickLexicon(codes, labels, code)) return std::nullopt;
                for (std::size_t i = 0; i < codes.size(); ++i)
                    if (codes[i] == code) return static_cast<int>(i);
                for (std::size_t i = 0; i < codes.size(); ++i)
                    if (Trim(codes[i]) == Trim(code)) return static_cast<int>(i);
                return std::nullopt;
            };
            w = FLex;
        } else if (n == "TFRechNiv") {
            FRechNiv = new TFRechNiv(m);
            w = FRechNiv;
        } else if (n == "TFCodage") {
            w = CreateFCodage(m);
        } else if (n == "TFListeMots") {
            w = CreateFListeMots(m);
        } else if (n == "TFListeCodes") {
            FListeCodes = new TFListeCodes(m);
            w = FListeCodes;
        } else if (n == "TFMotCles") {
            FMotCles = new TFMotCles(m);
            w = FMotCles;
        } else if (n == "TFEdition") {
            FEdition = new TFEdition(m);
            w = FEdition;
        } else if (n == "TFMultitubes") {
            FMultitubes = new TFMultitubes(m);
            w = FMultitubes;
        } else if (n == "TFStructure") {
            FStructure = new TFStructure(m);
            w = FStructure;
        } else if (n == "TFMultiply") {
            FMultiply = new TFMultiply(m);
            w = FMultiply;
        } else if (n == "TFOptionDessin") {
            // Its creation gives every log the bottom picture and its height.
            FOptionDessin = new TFOptionDessin(m);
            w = FOptionDessin;
        } else if (n == "TFImage") {
            FImage = new TFImage(m);
            w = FImage;
        } else if (n == "TFTables") {
            FTables = new TFTables(m);
            FTables->RunCommand = [this](const std::string& command) {
                if (main_) main_->ExecuteTableCommand(command, -1);
            };
            w = FTables;
        } else if (n == "TFRapport") {
            FRapport = new TFRapport(m);
            w = FRapport;
        } else if (n == "TFCouleurs") {
            w = new TFCouleurs(m);
        } else if (n == "TFPalette") {
            w = new TFPalette(m);
        } else if (n == "TFMotifs") {
            w = new TFMotifs(m);
        } else if (n == "TFBandeau") {
            // Its creation loads the title block that every log reads.
            w = new TFBandeau(m);
        } else {
            // A window of a later version: its place in the order is kept by
            // an empty window until it comes with a branch of its own above.
            w = new TPlaceholderWindow(name, m);
        }
        // Only the main window ends the program when it closes.
        if (w != main_.data()) w->setAttribute(Qt::WA_QuitOnClose, false);
        windows_.push_back(w);
        StartupNote("create:" + n);
    }
}

void ProgramSession::LinkLogWindow()
{
    logLink_ = std::make_unique<LogLink>();
    logLink_->session = this;
    SetLogViewLink(logLink_.get());
    coupe_->RunTableCommand = [this](const std::string& name, int row) {
        if (main_) main_->ExecuteTableCommand(name, row);
    };
    coupe_->DeskArea = [this] { return desk_ ? desk_->DeskRect : TRect{}; };
    coupe_->Shown = [this] {
        MainFitToLog();
        if (main_ && main_->AfficherCoupe1) main_->AfficherCoupe1->setChecked(true);
    };
    coupe_->Hidden = [this] {
        MainFitToDesk();
        if (main_ && main_->AfficherCoupe1) main_->AfficherCoupe1->setChecked(false);
    };
    coupe_->FocusMainWindow = [this] {
        if (main_) main_->activateWindow();
    };
}

void ProgramSession::MainFitToLog()
{
    if (!main_ || !coupe_ || closed_) return;
    if (!FramePlacementPending(main_)) mainFrame_ = main_->frameGeometry();
    mainFrame_.setRight(PlacedFrame(coupe_).left() - 1);
    PlaceMain();
}

void ProgramSession::MainFitToDesk()
{
    if (!main_ || !desk_ || closed_) return;
    if (!FramePlacementPending(main_)) mainFrame_ = main_->frameGeometry();
    mainFrame_.setRight(desk_->DeskRect.Right - 1);
    PlaceMain();
}

void ProgramSession::PlaceMain()
{
    // Its tool bar rows are made for the new width first, so that the rows
    // of a wider window do not hold it wide.
    const QMargins m = FrameMargins(main_);
    main_->FitDefaultToolBar(mainFrame_.width() - m.left() - m.right());
    // The frame the main window should have: its placement is made again
    // once the window manager has framed it, from this rectangle.
    PlaceFrame(main_, [this](const QMargins&) { return mainFrame_; });
}

void ProgramSession::Show()
{
    if (main_) main_->show();
    if (!shown_) FormShow();
}

void ProgramSession::FormShow()
{
    if (shown_ || !main_) return;
    shown_ = true;
    // 1. On the desk: its left, top and height; the width stays.
    mainFrame_ = main_->frameGeometry();
    if (desk_) {
        const TRect d = desk_->DeskRect;
        mainFrame_ = QRect(d.Left, d.Top, mainFrame_.width(), static_cast<int>(d.Height()));
        PlaceMain();
    }
    StartupNote("show:placed");
    // 2. The log window beside it.
    if (coupe_) {
        coupe_->show();
        coupe_->raise();
    }
    StartupNote("show:log-window");
    // 3. The help box, with the mouse on it.
    const bool aide = IniCarotix ? IniCarotix->ReadBool(kGeneral, kAide, true) : true;
    if (aide && FHelp) {
        FHelp->show();
        const QRect h = FHelp->frameGeometry();
        QCursor::setPos(h.left() + h.width() / 2, h.top() + h.height() / 2);
        StartupNote("show:help");
    }
    // 4. The crash-recovery copies, when this instance owns them; otherwise
    //    it keeps copies of its own.
    if (lock_.TryAcquire()) {
        // Loading a copy puts it at the head of the recent files; a copy is
        // no file to come back to, so the list is read again as it was
        // stored (nothing else has been opened yet).
        if (ReopenBackupCopies() > 0) RecentLoad();
    } else {
        instance_.Start();
        StartupNote("backup:not-owner");
        // Copies of instances that were killed are this one's to keep.
        if (instance_.Started() && ReopenBackupCopies(true) > 0) RecentLoad();
    }
    ShowBackupStatus();
    // 5. The collection named on the command line.
    if (!commandLineFile_.empty()) {
        StartupNote("show:open:" + commandLineFile_);
        RunGuarded([&] { main_->OpenCollectionFile(commandLineFile_); });
    }
    // The timers run from the first showing on.
    TimerSauvegarde = new QTimer(this);
    TimerSauvegarde->setObjectName(QStringLiteral("TimerSauvegarde"));
    TimerSauvegarde->setInterval(BackupPeriodMs());
    connect(TimerSauvegarde, &QTimer::timeout, this, GuardedSlot([this] { TimerSauvegardeTimer(); }));
    TimerSauvegarde->start();
    TimerMove = new QTimer(this);
    TimerMove->setObjectName(QStringLiteral("TimerMove"));
    TimerMove->setInterval(kSnapPeriodMs);
    connect(TimerMove, &QTimer::timeout, this, GuardedSlot([this] { TimerMoveTimer(); }));
    TimerMove->start();
    StartupNote("show:timers");
}

int ProgramSession::ReopenBackupCopies(bool instancesOnly)
{
    if (!main_) return 0;
    int reopened = 0;
    for (const fs::path& copy : ListRecoverableCopies(ProgramFolder(), instance_.Tag())) {
        const std::string path = Utf8Path(copy);
        const std::string tag = InstanceTagOf(Utf8Path(copy.filename()));
        if (instancesOnly && tag.empty()) continue;
        if (!tag.empty() && std::find(adoptedTags_.begin(), adoptedTags_.end(), tag) == adoptedTags_.end())
            adoptedTags_.push_back(tag);
        try {
            TFChild* child = main_->OpenCollectionFile(path);
            // The copy is shown as modified and under its own path, but it has
            // no file name: "Enregistrer" asks where to save it rather than
            // writing into a copy that the next normal exit deletes.
            child->Document().SetFileName(std::string());
            child->Document().ClearSnapshot();
            ++reopened;
            StartupNote("show:reopen:" + Utf8Path(copy.filename()) + (child->IsModified() ? ":modified" : ""));
        } catch (...) {
            // One unreadable copy keeps none of the others from coming back;
            // it is set aside, not destroyed.
            const std::string message = CurrentExceptionMessage();
            const fs::path aside = SetAsideBackupCopy(copy);
            StartupNote("show:set-aside:" + Utf8Path(copy.filename()));
            // The message names the copy, as every collection that cannot be
            // read is named.
            std::string text = message;
            if (!aside.empty())
                text += "\nCette copie de secours a \xC3\xA9t\xC3\xA9 mise de c\xC3\xB4t\xC3\xA9 sous \xC2\xAB " +
                        Utf8Path(aside) + " \xC2\xBB.";
            ShowFailure(text);
        }
    }
    // The lock files that instances killed before their exit left behind,
    // with or without copies: their copies are reopened now.
    RemoveEndedInstanceLocks(ProgramFolder(), instance_.Tag());
    return reopened;
}

std::vector<const TDirBlock*> ProgramSession::CollectionTrees() const
{
    std::vector<const TDirBlock*> trees;
    if (!main_) return trees;
    for (TFChild* c : main_->Children()) trees.push_back(&c->FRoot());
    return trees;
}

BackupPassResult ProgramSession::TimerSauvegardeTimer()
{
    if (closed_) return {};
    // The timer also fires while a database query is waited for: a download
    // then holds half of itself, which it puts back if it does not complete.
    // The copies of the last pass stay; the next pass writes whole trees.
    if (FProgress && FProgress->Waiting()) return {};
    if (!lock_.Owned()) {
        // Another instance owns the folder's copies. When it has gone, this
        // one takes them over; copies it left behind come from a crash and
        // are reopened before they are replaced.
        if (lock_.TryAcquire()) {
            StartupNote("backup:lock-taken");
            ReopenBackupCopies();
            ShowBackupStatus();
        } else {
            // Meanwhile this instance's collections are kept under its own
            // names.
            if (!instance_.Started()) instance_.Start();
            BackupPassResult r;
            if (instance_.Started())
                r = RunBackupPass(ProgramFolder(), CollectionTrees(), Writer, instance_.Tag());
            if (r.written > 0 && r.failed == 0) {
                for (const std::string& tag : adoptedTags_) DeleteBackupCopies(ProgramFolder(), tag);
                adoptedTags_.clear();
            }
            StartupNote("backup:instance-pass");
            return r;
        }
    }
    const BackupPassResult r = RunBackupPass(ProgramFolder(), CollectionTrees(), Writer);
    if (r.failed == 0) {
        // Every collection now has its numbered copy: the copies this
        // instance kept as a non-owner, and those of ended instances it
        // reopened, are no longer needed.
        if (instance_.Started()) instance_.End();
        for (const std::string& tag : adoptedTags_) DeleteBackupCopies(ProgramFolder(), tag);
        adoptedTags_.clear();
    }
    StartupNote("backup:pass");
    return r;
}

std::string ProgramSession::BackupStatusText() const { return backupStatusText_; }

void ProgramSession::ShowBackupStatus()
{
    if (!main_) return;
    // While this instance keeps the folder's copies, as a lone instance always
    // does, there is nothing to tell. When another instance keeps them, a
    // short note at the right of the status bar says so; its tooltip tells
    // the rest.
    std::string text;
    if (!lock_.Owned()) {
        const long owner = lock_.OwnerProcess();
        text = "Copies de secours du dossier : tenues par une autre instance de Carotix";
        if (owner > 0) text += " (processus " + IntToStr(owner) + ")";
        if (instance_.Started())
            text += " ; celles de cette instance : backup_" + instance_.Tag() + "_*.crx";
        else
            text += " ; cette instance ne peut pas en faire";
    }
    backupStatusText_ = text;
    if (!text.empty() && !backupStatus_) {
        QStatusBar* bar = main_->statusBar();
        backupStatus_ = new QLabel(QStringLiteral("Copies de secours : autre instance"), bar);
        backupStatus_->setObjectName(QStringLiteral("BackupStatus"));
        bar->addPermanentWidget(backupStatus_);
        // The hints and the collection's lines come first: the note steps
        // aside whenever one of them needs its room.
        connect(bar, &QStatusBar::messageChanged, this, [this](const QString&) { FitBackupStatus(); });
        bar->installEventFilter(this);
    }
    if (backupStatus_) backupStatus_->setToolTip(ToQString(text));
    FitBackupStatus();
    if (!text.empty()) StartupNote("backup:status:" + text);
}

void ProgramSession::FitBackupStatus()
{
    if (!backupStatus_ || !main_) return;
    QStatusBar* bar = main_->statusBar();
    bool room = true;
    const QString message = bar->currentMessage();
    if (!message.isEmpty()) {
        // The bar writes its message from 6 pixels in up to its first
        // permanent widget; the note, its spacing and the size grip take the
        // rest of the width.
        const int needed = 6 + bar->fontMetrics().horizontalAdvance(message) + 8;
        const int note = backupStatus_->sizeHint().width() + 32;
        room = needed + note <= bar->width();
    }
    backupStatus_->setVisible(!backupStatusText_.empty() && room);
}

void ProgramSession::TimerMoveTimer()
{
    if (!main_ || closed_) return;
    // Once framed, the window stands where the person left it.
    const QRect f = FramePlacementPending(main_) ? mainFrame_ : main_->frameGeometry();
    const SnapGeometry before{f.left(), f.top(), f.width(), f.height()};
    SnapTargets targets;
    if (desk_) {
        targets.HasDesk = true;
        targets.Desk = desk_->DeskRect;
    }
    if (coupe_) {
        targets.HasLog = true;
        targets.LogVisible = coupe_->isVisible();
        targets.LogLeft = coupe_->frameGeometry().left();
    }
    const SnapGeometry after = SnapMainWindow(before, targets);
    mainFrame_ = f;
    if (!(after == before)) {
        mainFrame_ = QRect(after.Left, after.Top, after.Width, after.Height);
        PlaceMain();
    }
}

bool ProgramSession::MainWindowClosing()
{
    if (!main_) return true;
    if (closed_) return true;
    // Each collection asks whether to save; "Annuler" stops the shut-down.
    main_->MdiArea->closeAllSubWindows();
    if (!main_->MdiArea->subWindowList().isEmpty()) {
        StartupNote("close:cancelled");
        return false;
    }
    StartupNote("close:collections");
    // FormClose.
    const bool helpShown = FHelp && FHelp->isVisible();
    RunGuarded([&] {
        if (IniCarotix) IniCarotix->WriteBool(kGeneral, kAide, helpShown);
    });
    StartupNote(std::string("close:Aide=") + (helpShown ? "1" : "0"));
    if (lock_.Owned()) {
        DeleteBackupCopies(ProgramFolder());
        // The copies of ended instances reopened here: their collections
        // were just saved or given up.
        for (const std::string& tag : adoptedTags_) DeleteBackupCopies(ProgramFolder(), tag);
        StartupNote("close:backups-deleted");
    }
    if (instance_.Started()) {
        instance_.End();
        for (const std::string& tag : adoptedTags_) DeleteBackupCopies(ProgramFolder(), tag);
        StartupNote("close:instance-backups-deleted");
    }
    closed_ = true;
    if (TimerSauvegarde) TimerSauvegarde->stop();
    if (TimerMove) TimerMove->stop();
    // The program ends with the main window, whatever else is still shown.
    for (QWidget* w : windows_)
        if (w != main_.data() && w->isVisible()) w->hide();
    if (EndProgram) EndProgram();
    return true;
}

bool ProgramSession::eventFilter(QObject* watched, QEvent* event)
{
    if (main_ && watched == main_->statusBar() && event->type() == QEvent::Resize) FitBackupStatus();
    if (watched == main_.data()) {
        if (event->type() == QEvent::Show && !shown_) {
            RunGuarded([&] { FormShow(); });
        } else if (event->type() == QEvent::Close && !closed_) {
            bool mayClose = true;
            RunGuarded([&] { mayClose = MainWindowClosing(); });
            if (!mayClose) {
                event->ignore();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void PrepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Carotix"));
    InstallQtFrenchTranslation();
    SetDecimalSeparator(DecimalSeparatorFromLocale());
    KeepWindowsOnScreen();
    KeepModalsAboveStayOnTop();
}

std::unique_ptr<ProgramSession> StartProgram(const fs::path& programFolder, std::string commandLineFile,
                                             const std::function<void(TFMain&)>& mainCreated)
{
    if (!InitializeUnits(programFolder)) return nullptr;
    auto session = std::make_unique<ProgramSession>(std::move(commandLineFile));
    if (mainCreated && session->Main()) mainCreated(*session->Main());
    session->Show();
    return session;
}

void EndProgramSession(std::unique_ptr<ProgramSession> session)
{
    session.reset();
    FinalizeUnits();
}

int RunProgram(int argc, char** argv, const std::function<void(TFMain&)>& mainCreated)
{
    std::unique_ptr<ProgramSession> session =
        StartProgram(DefaultProgramFolder(), argc > 1 && argv[1] ? std::string(argv[1]) : std::string(), mainCreated);
    if (!session) return 1;
    const int result = QApplication::exec();
    EndProgramSession(std::move(session));
    return result;
}
