#include "platform/fake_ui_services.h"

#include <charconv>

namespace {

MsgButtons ButtonOf(MsgResult result)
{
    switch (result) {
    case MsgResult::Ok: return MsgOk;
    case MsgResult::Cancel: return MsgCancel;
    case MsgResult::Yes: return MsgYes;
    case MsgResult::No: return MsgNo;
    case MsgResult::Abort: return MsgAbort;
    case MsgResult::Retry: return MsgRetry;
    case MsgResult::Ignore: return MsgIgnore;
    case MsgResult::YesToAll: return MsgYesToAll;
    case MsgResult::NoToAll: return MsgNoToAll;
    }
    return 0;
}

// What a box answers when its prompt failed and failures do not throw: as if
// closed by its close button.
MsgResult Dismissed(MsgButtons buttons)
{
    if (buttons & MsgCancel) return MsgResult::Cancel;
    if (buttons & MsgNo) return MsgResult::No;
    return MsgResult::Ok;
}

std::string Count(std::size_t n)
{
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
    return std::string(buffer, end);
}

std::string Quote(const std::string& s)
{
    return "\"" + s + "\"";
}

}  // namespace

const char* PromptKindName(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Message: return "message box";
    case PromptKind::Text: return "question prompt";
    case PromptKind::Name: return "name prompt";
    case PromptKind::File: return "file dialog";
    case PromptKind::Folder: return "folder dialog";
    }
    return "prompt";
}

const char* MsgResultName(MsgResult result)
{
    switch (result) {
    case MsgResult::Ok: return "Ok";
    case MsgResult::Cancel: return "Cancel";
    case MsgResult::Yes: return "Yes";
    case MsgResult::No: return "No";
    case MsgResult::Abort: return "Abort";
    case MsgResult::Retry: return "Retry";
    case MsgResult::Ignore: return "Ignore";
    case MsgResult::YesToAll: return "YesToAll";
    case MsgResult::NoToAll: return "NoToAll";
    }
    return "?";
}

FakeUiServices::FakeUiServices() = default;

FakeUiServices::FakeUiServices(std::function<void(const std::string&)> reporter) : reporter_(std::move(reporter)) {}

FakeUiServices::~FakeUiServices()
{
    if (!script_.empty() && reporter_) {
        try {
            reporter_("FakeUiServices destroyed with " + Count(script_.size()) +
                      " scripted answer(s) unused, the first for a " + PromptKindName(script_.front().kind));
        } catch (...) {
        }
    }
}

FakeUiServices& FakeUiServices::Push(Answer answer)
{
    script_.push_back(std::move(answer));
    return *this;
}

FakeUiServices& FakeUiServices::AnswerMessage(MsgResult answer, const std::string& expectedTitle)
{
    return Push({PromptKind::Message, expectedTitle, true, answer, {}});
}

FakeUiServices& FakeUiServices::AnswerText(const std::string& answer, const std::string& expectedCaption)
{
    return Push({PromptKind::Text, expectedCaption, true, MsgResult::Ok, {answer}});
}

FakeUiServices& FakeUiServices::CancelText(const std::string& expectedCaption)
{
    return Push({PromptKind::Text, expectedCaption, false, MsgResult::Cancel, {}});
}

FakeUiServices& FakeUiServices::AnswerName(const std::string& indice, const std::string& design,
                                           const std::string& expectedCaption)
{
    return Push({PromptKind::Name, expectedCaption, true, MsgResult::Ok, {indice, design}});
}

FakeUiServices& FakeUiServices::CancelName(const std::string& expectedCaption)
{
    return Push({PromptKind::Name, expectedCaption, false, MsgResult::Cancel, {}});
}

FakeUiServices& FakeUiServices::AnswerFiles(const std::vector<std::string>& files, const std::string& expectedTitle)
{
    return Push({PromptKind::File, expectedTitle, !files.empty(), MsgResult::Ok, files});
}

FakeUiServices& FakeUiServices::AnswerFile(const std::string& file, const std::string& expectedTitle)
{
    return AnswerFiles({file}, expectedTitle);
}

FakeUiServices& FakeUiServices::CancelFiles(const std::string& expectedTitle)
{
    return Push({PromptKind::File, expectedTitle, false, MsgResult::Cancel, {}});
}

FakeUiServices& FakeUiServices::AnswerFolder(const std::string& folder, const std::string& expectedTitle)
{
    return Push({PromptKind::Folder, expectedTitle, true, MsgResult::Ok, {folder}});
}

FakeUiServices& FakeUiServices::CancelFolder(const std::string& expectedTitle)
{
    return Push({PromptKind::Folder, expectedTitle, false, MsgResult::Cancel, {}});
}

void FakeUiServices::Fail(const std::string& message)
{
    failures_.push_back(message);
    if (reporter_) reporter_(message);
    if (throwOnUnexpected_) throw UnexpectedPrompt(message);
}

const FakeUiServices::Answer* FakeUiServices::Take(PromptKind kind, const std::string& title,
                                                   const std::string& text)
{
    std::string shown = std::string(PromptKindName(kind)) + " " + Quote(title) +
                        (text.empty() ? std::string() : " (" + Quote(text) + ")");
    if (script_.empty()) {
        Fail("Unexpected " + shown + ": no answer scripted");
        return nullptr;
    }
    if (script_.front().kind != kind) {
        std::string message = "Unexpected " + shown + ": the next scripted answer is for a " +
                              PromptKindName(script_.front().kind);
        // The answer stays: it may belong to a later prompt.
        Fail(message);
        return nullptr;
    }
    current_ = std::move(script_.front());
    script_.pop_front();
    if (!current_.expectedTitle.empty() && current_.expectedTitle != title) {
        Fail("Unexpected " + shown + ": expected the title " + Quote(current_.expectedTitle));
        return nullptr;
    }
    return &current_;
}

MsgResult FakeUiServices::Message(const MessageRequest& request)
{
    PromptRecord record;
    record.kind = PromptKind::Message;
    record.title = request.title;
    record.text = request.text;
    record.icon = request.icon;
    record.buttons = request.buttons;
    record.defaultButton = request.defaultButton;
    prompts_.push_back(record);

    if (autoOk_ && request.buttons == MsgOk &&
        (script_.empty() || script_.front().kind != PromptKind::Message ||
                    script_.front().result != MsgResult::Ok))
        return MsgResult::Ok;
    const Answer* answer = Take(PromptKind::Message, request.title, request.text);
    if (!answer) return Dismissed(request.buttons);
    if (!(ButtonOf(answer->result) & request.buttons)) {
        Fail("The scripted answer " + std::string(MsgResultName(answer->result)) + " is not a button of the box " +
             Quote(request.title) + " (" + Quote(request.text) + ")");
        return Dismissed(request.buttons);
    }
    return answer->result;
}

const FakeUiServices::Answer* FakeUiServices::Accepted(PromptRecord record, const std::string& text)
{
    // Recorded first: a failure that throws still leaves the prompt in the list.
    prompts_.push_back(record);
    const Answer* a = Take(record.kind, record.title, text);
    return a && a->accept ? a : nullptr;
}

bool FakeUiServices::AskText(const TextPrompt& prompt, std::string& answer)
{
    PromptRecord record;
    record.kind = PromptKind::Text;
    record.title = prompt.caption;
    record.text = prompt.question;
    record.proposal = prompt.text;
    const Answer* a = Accepted(std::move(record), prompt.question);
    if (!a) return false;
    answer = a->values.empty() ? std::string() : a->values.front();
    return true;
}

bool FakeUiServices::AskName(const NamePrompt& prompt, NamePrompt& answer)
{
    PromptRecord record;
    record.kind = PromptKind::Name;
    record.title = prompt.caption;
    record.proposal = prompt.indice;
    record.proposal2 = prompt.design;
    const Answer* a = Accepted(std::move(record), {});
    if (!a) return false;
    answer.caption = prompt.caption;
    answer.indice = a->values.size() > 0 ? a->values[0] : std::string();
    answer.design = a->values.size() > 1 ? a->values[1] : std::string();
    return true;
}

std::vector<std::string> FakeUiServices::FileDialog(const FileDialogRequest& request)
{
    PromptRecord record;
    record.kind = PromptKind::File;
    record.title = request.title;
    record.file = request;
    const Answer* a = Accepted(std::move(record), request.filter);
    if (!a) return {};
    if (request.kind != FileDialogKind::OpenMulti && a->values.size() > 1) {
        Fail("Several files scripted for the single-file dialog " + Quote(request.title));
        return {};
    }
    return a->values;
}

bool FakeUiServices::SelectFolder(const FolderRequest& request, std::string& folder)
{
    PromptRecord record;
    record.kind = PromptKind::Folder;
    record.title = request.title;
    record.proposal = request.folder;
    const Answer* a = Accepted(std::move(record), {});
    if (!a) return false;
    folder = a->values.empty() ? std::string() : a->values.front();
    return true;
}

bool FakeUiServices::OpenWithAssociatedProgram(const std::string& path)
{
    opened_.push_back(path);
    return openSucceeds_;
}

void FakeUiServices::PushBusyCursor()
{
    ++busyDepth_;
    ++busyCount_;
}

void FakeUiServices::PopBusyCursor()
{
    if (busyDepth_ == 0) {
        // Restoring a cursor that was never set is a fault of the caller,
        // but not one worth stopping the command for.
        failures_.push_back("Busy cursor restored more often than set");
        if (reporter_) reporter_(failures_.back());
        return;
    }
    --busyDepth_;
}

bool FakeUiServices::Verify()
{
    if (!script_.empty()) {
        std::string message = Count(script_.size()) + " scripted answer(s) unused, the first for a " +
                              PromptKindName(script_.front().kind);
        if (!script_.front().expectedTitle.empty()) message += " titled " + Quote(script_.front().expectedTitle);
        failures_.push_back(message);
        if (reporter_) reporter_(message);
        script_.clear();
    }
    if (busyDepth_ != 0) {
        failures_.push_back("Busy cursor left set (depth " + Count(static_cast<std::size_t>(busyDepth_)) + ")");
        if (reporter_) reporter_(failures_.back());
    }
    return failures_.empty();
}

void FakeUiServices::Reset()
{
    script_.clear();
    prompts_.clear();
    failures_.clear();
    opened_.clear();
    busyDepth_ = 0;
    busyCount_ = 0;
    beeps_ = 0;
}
