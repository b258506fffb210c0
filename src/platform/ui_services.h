// Every prompt the program puts in front of its user goes through UiServices:
// message boxes, the one-line question, the ouvrage-name prompt, the open,
// save and folder dialogs, opening a file with its associated program and the
// busy cursor. The windows never call Qt's dialogs themselves, so that every
// modal flow can run headless against a scripted fake (fake_ui_services.h).
//
// Texts are UTF-8 std::string, as everywhere in the program; the Qt
// implementation (windows/qt_ui_services.h) converts at its edge.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

enum class MsgIcon { None, Information, Warning, Error, Question };

// Buttons of a message box, combined with |. Shown with Qt's standard
// (translated) captions: "OK", "Annuler", "&Oui", "&Non"...
enum MsgButton : unsigned {
    MsgOk = 1u << 0,
    MsgCancel = 1u << 1,
    MsgYes = 1u << 2,
    MsgNo = 1u << 3,
    MsgAbort = 1u << 4,
    MsgRetry = 1u << 5,
    MsgIgnore = 1u << 6,
    MsgYesToAll = 1u << 7,
    MsgNoToAll = 1u << 8,
};
using MsgButtons = unsigned;
constexpr MsgButtons MsgOkCancel = MsgOk | MsgCancel;
constexpr MsgButtons MsgYesNo = MsgYes | MsgNo;
constexpr MsgButtons MsgYesNoCancel = MsgYes | MsgNo | MsgCancel;

// The button that closed a box. A box closed by its close button or Escape
// answers Cancel when it has one, No when it has No but no Cancel, else Ok.
enum class MsgResult { Ok, Cancel, Yes, No, Abort, Retry, Ignore, YesToAll, NoToAll };

struct MessageRequest {
    std::string title;
    std::string text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgOk;
    MsgButtons defaultButton = 0;  // 0: the first of the buttons in Yes, Ok, No, Cancel... order
};

// The one-line question (question window): caption, question label, and the
// proposed answer, which the user edits.
struct TextPrompt {
    std::string caption;
    std::string question;
    std::string text;
};

// The ouvrage-name prompt: two fields, Indice and Désignation, under a
// caption ("Nouvel ouvrage", "Renommer l'ouvrage", "Copier sous..."). The
// Qt prompt turns typed letters to upper case; callers still normalise what
// comes back.
struct NamePrompt {
    std::string caption;
    std::string indice;
    std::string design;
};

enum class FileDialogKind { Open, OpenMulti, Save };

// A file dialog. `filter` is written as the program writes it everywhere:
// description|patterns pairs separated by "|", patterns separated by ";"
// ("Carotix (*.crx)|*.crx", "Fichier Dravel (ouv*.ini)|ouv*.ini").
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string title;       // empty: the dialog's own title
    std::string folder;      // initial folder; empty: the current folder
    std::string fileName;    // proposed file name (save) or selection
    std::string filter;
    std::string defaultExt;  // without the dot, added when the user types no extension
    bool overwritePrompt = false;  // save: ask before replacing a file
    bool mustExist = false;        // open: only existing files
};

struct FolderRequest {
    std::string title;
    std::string folder;  // initial folder
};

class UiServices {
public:
    virtual ~UiServices() = default;

    virtual MsgResult Message(const MessageRequest& request) = 0;
    // true on Ok, with `answer` holding what was typed.
    virtual bool AskText(const TextPrompt& prompt, std::string& answer) = 0;
    // true on Ok, with the two typed texts in `answer`.
    virtual bool AskName(const NamePrompt& prompt, NamePrompt& answer) = 0;
    // The chosen files in the dialog's order; empty when cancelled. Open and
    // Save give at most one file, OpenMulti one or more.
    virtual std::vector<std::string> FileDialog(const FileDialogRequest& request) = 0;
    // true with the chosen folder, false when cancelled.
    virtual bool SelectFolder(const FolderRequest& request, std::string& folder) = 0;
    // Opens a file (or folder) with the program the desktop associates with it.
    virtual bool OpenWithAssociatedProgram(const std::string& path) = 0;

    // The short warning sound of a refused key or action.
    virtual void Beep() {}

    // Busy cursor, nested: use BusyCursor rather than these.
    virtual void PushBusyCursor() = 0;
    virtual void PopBusyCursor() = 0;
};

// The process-wide prompts. Until something is installed, a refusing
// implementation answers every prompt with Cancel/No/nothing (never blocks);
// the program installs the Qt one at start-up, tests install a fake.
UiServices& Ui();
// Installs `ui` (not owned; nullptr puts the refusing one back) and returns the
// previous one.
UiServices* SetUi(UiServices* ui);

// Installs an implementation for a scope and puts the previous one back.
class ScopedUi {
public:
    explicit ScopedUi(UiServices& ui) : previous_(SetUi(&ui)) {}
    ~ScopedUi() { SetUi(previous_); }
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;

private:
    UiServices* previous_;
};

// The busy (hourglass) cursor for a scope: restored on every path out of it,
// exceptions included.
class BusyCursor {
public:
    BusyCursor() : ui_(&Ui()) { ui_->PushBusyCursor(); }
    ~BusyCursor() { Restore(); }
    // Restores early (for instance before showing a box at the end of a command).
    void Restore()
    {
        if (ui_) {
            ui_->PopBusyCursor();
            ui_ = nullptr;
        }
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UiServices* ui_;
};

// ---- The boxes the program shows, in one place ----------------------------

// The application's title, used for plain boxes and the failure box.
inline constexpr const char* kApplicationTitle = "Carotix";

// A box with the given title, text, icon and buttons.
MsgResult ShowBox(const std::string& title, const std::string& text, MsgIcon icon = MsgIcon::None,
                  MsgButtons buttons = MsgOk);
// The plain message box (title "Carotix", no icon, OK).
void ShowMessage(const std::string& text);
void ShowInformation(const std::string& title, const std::string& text);
void ShowWarning(const std::string& title, const std::string& text);
void ShowErrorBox(const std::string& title, const std::string& text);
// Questions with the question icon.
MsgResult AskYesNo(const std::string& title, const std::string& text);
MsgResult AskYesNoCancel(const std::string& title, const std::string& text);
MsgResult AskOkCancel(const std::string& title, const std::string& text);

// The program's box for a failure that ends a command: the message in a box
// titled "Carotix" with the error icon and OK. Never throws.
void ShowFailure(const std::string& message) noexcept;

// The mark of an exception that ends a command because the person asked it to
// stop (Annuler, Escape): nothing failed, so the guard tells its message as
// information, in a box titled "Carotix" with the information icon.
class CancelledByPerson {
public:
    virtual ~CancelledByPerson() = default;
};
// True when the exception being handled bears that mark.
bool CurrentExceptionIsCancel() noexcept;
// The message of the exception being handled ("Erreur inconnue" for one that
// carries none).
std::string CurrentExceptionMessage();

// Shorthands for the dialogs.
std::vector<std::string> AskOpenFiles(const FileDialogRequest& request);  // forces OpenMulti
bool AskOpenFile(const FileDialogRequest& request, std::string& path);    // forces Open
bool AskSaveFile(const FileDialogRequest& request, std::string& path);    // forces Save
bool AskFolder(const std::string& title, const std::string& initialFolder, std::string& folder);
bool AskQuestion(const std::string& caption, const std::string& question, std::string& text);

// ---- The slot guard --------------------------------------------------------
//
// Exceptions never leave a slot: Qt cannot carry them through its event loop.
// Every handler connected to a signal runs through RunGuarded, which shows the
// message of a failure in the program's failure box and lets the program go on.

// Runs fn; any exception ends it and is shown by ShowFailure, or as
// information when the person asked for it (CancelledByPerson). Returns false
// when fn did not run to its end.
bool RunGuarded(const std::function<void()>& fn) noexcept;

namespace guarded_slot_detail {
// Passes the signal's arguments when the handler takes them, none otherwise.
template <class F, class... A>
void Call(F& fn, A&&... args)
{
    if constexpr (std::is_invocable_v<F&, A...>)
        fn(std::forward<A>(args)...);
    else
        fn();
}
}  // namespace guarded_slot_detail

// Wraps a callable for connect(): connect(button, &QPushButton::clicked,
// GuardedSlot([this] { Save(); })). The arguments of the signal are passed on
// when the callable takes them.
template <class F>
auto GuardedSlot(F fn)
{
    return [fn = std::move(fn)](auto&&... args) mutable -> void
               requires(std::is_invocable_v<F&, decltype(args)...> || std::is_invocable_v<F&>)
    {
        RunGuarded([&] { guarded_slot_detail::Call(fn, std::forward<decltype(args)>(args)...); });
    };
}
