// A scripted stand-in for the program's prompts, for headless tests.
//
// A test loads the answers it expects, in order, installs the fake (ScopedUi)
// and runs the command. Each prompt takes the next answer; a prompt that was
// not scripted, a prompt of another kind than the next answer, or a title that
// differs from the expected one is a test failure: it is recorded (Failures(),
// and the reporter when one is set, typically ADD_FAILURE) and, by default,
// raised as UnexpectedPrompt so that the command stops there. Every prompt
// served is recorded (Prompts()) for assertions on titles, texts and buttons.
//
//   FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
//   fake.AnswerMessage(MsgResult::Yes, "Suppression").AnswerText("TUBE2");
//   ScopedUi use(fake);
//   ... run the command ...
//   fake.Verify();                      // every scripted answer was used
//   EXPECT_EQ(fake.Prompts()[0].text, "Tous les ouvrages ...");
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui_services.h"

class UnexpectedPrompt : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

enum class PromptKind { Message, Text, Name, File, Folder };

// One prompt as the program showed it.
struct PromptRecord {
    PromptKind kind = PromptKind::Message;
    std::string title;        // box title, prompt caption, dialog title
    std::string text;         // box text, question label
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = 0;
    MsgButtons defaultButton = 0;
    std::string proposal;     // proposed answer (question), Indice (name prompt), initial folder (folder)
    std::string proposal2;    // Désignation (name prompt)
    FileDialogRequest file;   // file dialogs
};

const char* PromptKindName(PromptKind kind);

class FakeUiServices final : public UiServices {
public:
    FakeUiServices();
    // With a failure reporter: FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    explicit FakeUiServices(std::function<void(const std::string&)> reporter);
    ~FakeUiServices() override;

    // ---- scripting (in the order of the expected prompts) ----
    // An empty expected title accepts any title.
    FakeUiServices& AnswerMessage(MsgResult answer, const std::string& expectedTitle = {});
    FakeUiServices& AnswerText(const std::string& answer, const std::string& expectedCaption = {});
    FakeUiServices& CancelText(const std::string& expectedCaption = {});
    FakeUiServices& AnswerName(const std::string& indice, const std::string& design,
                               const std::string& expectedCaption = {});
    FakeUiServices& CancelName(const std::string& expectedCaption = {});
    // Any file dialog (open, multi-open, save).
    FakeUiServices& AnswerFiles(const std::vector<std::string>& files, const std::string& expectedTitle = {});
    FakeUiServices& AnswerFile(const std::string& file, const std::string& expectedTitle = {});
    FakeUiServices& CancelFiles(const std::string& expectedTitle = {});
    FakeUiServices& AnswerFolder(const std::string& folder, const std::string& expectedTitle = {});
    FakeUiServices& CancelFolder(const std::string& expectedTitle = {});

    // Message boxes whose only button is OK answer Ok without a scripted
    // answer, unless the next scripted answer is an Ok for a message box
    // (they are still recorded). Off by default.
    void SetAutoOk(bool on) { autoOk_ = on; }
    // Called with the text of each failure (in addition to Failures()).
    void SetFailureReporter(std::function<void(const std::string&)> reporter) { reporter_ = std::move(reporter); }
    // Raise UnexpectedPrompt on a failure (default true). When off, the
    // prompt is answered as if cancelled.
    void SetThrowOnUnexpected(bool on) { throwOnUnexpected_ = on; }
    // What OpenWithAssociatedProgram answers (default true).
    void SetOpenSucceeds(bool ok) { openSucceeds_ = ok; }

    // ---- what happened ----
    const std::vector<PromptRecord>& Prompts() const { return prompts_; }
    const std::vector<std::string>& Failures() const { return failures_; }
    std::size_t PendingAnswers() const { return script_.size(); }
    const std::vector<std::string>& OpenedWithProgram() const { return opened_; }
    int BusyDepth() const { return busyDepth_; }          // 0 when every busy cursor was restored
    int BusyCount() const { return busyCount_; }          // busy cursors taken in all
    int Beeps() const { return beeps_; }
    // Records a failure for every scripted answer left unused; returns true
    // when nothing failed at all.
    bool Verify();
    // Forgets prompts, failures and the script.
    void Reset();

    // ---- UiServices ----
    MsgResult Message(const MessageRequest& request) override;
    bool AskText(const TextPrompt& prompt, std::string& answer) override;
    bool AskName(const NamePrompt& prompt, NamePrompt& answer) override;
    std::vector<std::string> FileDialog(const FileDialogRequest& request) override;
    bool SelectFolder(const FolderRequest& request, std::string& folder) override;
    bool OpenWithAssociatedProgram(const std::string& path) override;
    void Beep() override { ++beeps_; }
    void PushBusyCursor() override;
    void PopBusyCursor() override;

private:
    struct Answer {
        PromptKind kind;
        std::string expectedTitle;
        bool accept = true;
        MsgResult result = MsgResult::Ok;
        std::vector<std::string> values;
    };

    FakeUiServices& Push(Answer answer);
    // The next answer for a prompt of `kind` titled `title`, or nullptr after a
    // failure (when failures do not throw).
    const Answer* Take(PromptKind kind, const std::string& title, const std::string& text);
    // Records the prompt, then takes its answer: nullptr when the answer
    // cancels it (or after a failure that does not throw).
    const Answer* Accepted(PromptRecord record, const std::string& text);
    void Fail(const std::string& message);

    std::deque<Answer> script_;
    Answer current_;
    std::vector<PromptRecord> prompts_;
    std::vector<std::string> failures_;
    std::vector<std::string> opened_;
    std::function<void(const std::string&)> reporter_;
    bool autoOk_ = false;
    bool throwOnUnexpected_ = true;
    bool openSucceeds_ = true;
    int busyDepth_ = 0;
    int busyCount_ = 0;
    int beeps_ = 0;
};

// The name of a result, for messages ("Yes", "Cancel"...).
const char* MsgResultName(MsgResult result);
