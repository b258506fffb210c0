#include "platform/ui_services.h"

#include <new>
#include <stdexcept>

namespace {

// What answers before the program installs its prompts (and in code that runs
// without any): never blocks, never chooses anything.
class RefusingUi final : public UiServices {
public:
    MsgResult Message(const MessageRequest& request) override
    {
        if (request.buttons & MsgCancel) return MsgResult::Cancel;
        if (request.buttons & MsgNo) return MsgResult::No;
        return MsgResult::Ok;
    }
    bool AskText(const TextPrompt&, std::string&) override { return false; }
    bool AskName(const NamePrompt&, NamePrompt&) override { return false; }
    std::vector<std::string> FileDialog(const FileDialogRequest&) override { return {}; }
    bool SelectFolder(const FolderRequest&, std::string&) override { return false; }
    bool OpenWithAssociatedProgram(const std::string&) override { return false; }
    void PushBusyCursor() override {}
    void PopBusyCursor() override {}
};

RefusingUi& Refusing()
{
    static RefusingUi ui;
    return ui;
}

UiServices* g_current = nullptr;

}  // namespace

UiServices& Ui()
{
    return g_current ? *g_current : Refusing();
}

UiServices* SetUi(UiServices* ui)
{
    UiServices* previous = g_current;
    g_current = ui;
    return previous;
}

MsgResult ShowBox(const std::string& title, const std::string& text, MsgIcon icon, MsgButtons buttons)
{
    MessageRequest request;
    request.title = title;
    request.text = text;
    request.icon = icon;
    request.buttons = buttons ? buttons : MsgOk;
    return Ui().Message(request);
}

void ShowMessage(const std::string& text)
{
    ShowBox(kApplicationTitle, text);
}

void ShowInformation(const std::string& title, const std::string& text)
{
    ShowBox(title, text, MsgIcon::Information);
}

void ShowWarning(const std::string& title, const std::string& text)
{
    ShowBox(title, text, MsgIcon::Warning);
}

void ShowErrorBox(const std::string& title, const std::string& text)
{
    ShowBox(title, text, MsgIcon::Error);
}

MsgResult AskYesNo(const std::string& title, const std::string& text)
{
    return ShowBox(title, text, MsgIcon::Question, MsgYesNo);
}

MsgResult AskYesNoCancel(const std::string& title, const std::string& text)
{
    return ShowBox(title, text, MsgIcon::Question, MsgYesNoCancel);
}

MsgResult AskOkCancel(const std::string& title, const std::string& text)
{
    return ShowBox(title, text, MsgIcon::Question, MsgOkCancel);
}

std::string CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Mémoire insuffisante";
    } catch (const std::exception& e) {
        std::string message = e.what();
        return message.empty() ? std::string("Erreur inconnue") : message;
    } catch (...) {
        return "Erreur inconnue";
    }
}

void ShowFailure(const std::string& message) noexcept
{
    try {
        ShowBox(kApplicationTitle, message, MsgIcon::Error, MsgOk);
    } catch (...) {
        // The failure box itself failed (a fake that refuses it, no memory):
        // nothing more can be shown, and the event loop must not see it.
    }
}

bool CurrentExceptionIsCancel() noexcept
{
    try {
        throw;
    } catch (const CancelledByPerson&) {
        return true;
    } catch (...) {
        return false;
    }
}

bool RunGuarded(const std::function<void()>& fn) noexcept
{
    try {
        fn();
        return true;
    } catch (...) {
        std::string message;
        try {
            message = CurrentExceptionMessage();
        } catch (...) {
            message = "Erreur inconnue";
        }
        if (!CurrentExceptionIsCancel()) {
            ShowFailure(message);
            return false;
        }
        try {
            ShowBox(kApplicationTitle, message, MsgIcon::Information, MsgOk);
        } catch (...) {
            // As for the failure box: nothing more can be shown.
        }
        return false;
    }
}

std::vector<std::string> AskOpenFiles(const FileDialogRequest& request)
{
    FileDialogRequest r = request;
    r.kind = FileDialogKind::OpenMulti;
    return Ui().FileDialog(r);
}

static bool SingleFile(FileDialogRequest r, FileDialogKind kind, std::string& path)
{
    r.kind = kind;
    std::vector<std::string> files = Ui().FileDialog(r);
    if (files.empty() || files.front().empty()) return false;
    path = files.front();
    return true;
}

bool AskOpenFile(const FileDialogRequest& request, std::string& path)
{
    return SingleFile(request, FileDialogKind::Open, path);
}

bool AskSaveFile(const FileDialogRequest& request, std::string& path)
{
    return SingleFile(request, FileDialogKind::Save, path);
}

bool AskFolder(const std::string& title, const std::string& initialFolder, std::string& folder)
{
    FolderRequest request{title, initialFolder};
    return Ui().SelectFolder(request, folder);
}

bool AskQuestion(const std::string& caption, const std::string& question, std::string& text)
{
    TextPrompt prompt{caption, question, text};
    std::string answer;
    if (!Ui().AskText(prompt, answer)) return false;
    text = answer;
    return true;
}
