// The progress window FProgress: a caption, a label and a bar that long
// commands (imports, exports, downloads) advance as they go.
//
// It also shows the waits of the database link (ProgressWait): what is
// waited for, the time waited against its limit, and "Annuler".
#pragma once

#include <QDialog>
#include <string>

#include "platform/database.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TFProgress : public QDialog {
    Q_OBJECT
public:
    explicit TFProgress(QWidget* parent = nullptr);

    QLabel* Label1;
    QProgressBar* ProgressBar;
    QPushButton* BAnnuler;  // "Annuler", shown only for a wait

    // Sets the caption, the label and the range (position at its minimum),
    // then shows the window centred on the screen without taking the focus.
    void Start(const std::string& caption, const std::string& label, int minimum, int maximum);
    void SetLabel(const std::string& label);
    // Moves the bar and paints it at once: the work runs on the one thread of
    // the program, so no event loop turns before the next step.
    void SetPosition(int position);
    int Position() const;

    // A wait of the database link: the window is shown modal (the windows
    // behind it repaint but take no command) with "Annuler", which asks the
    // wait to stop (so does Escape); EndWait hides it again.
    void StartWait(const std::string& label, int limitMs);
    void ShowWaited(const std::string& label, int waitedMs, int limitMs);
    void EndWait();
    bool Waiting() const { return waiting_; }
    bool CancelAsked() const { return cancelAsked_; }

protected:
    void reject() override;

private:
    bool waiting_ = false;
    bool cancelAsked_ = false;
};

extern TFProgress* FProgress;

// Shows FProgress for a scope and hides it on every path out of it.
// The database link's waits as the progress window shows them: nothing for
// the first half second, then FProgress with what is waited for and
// "Annuler", events processed meanwhile so that every window repaints.
class ProgressWait final : public DatabaseWait {
public:
    static constexpr int kShowAfterMs = 500;
    bool StillWaiting(const std::string& what, int waitedMs, int limitMs) override;
    void WaitOver() override;
};
// Installs the progress window's wait in the database link (at start-up);
// Uninstall takes it out again (when the windows go).
void InstallProgressWait();
void UninstallProgressWait();

class ProgressScope {
public:
    ProgressScope(const std::string& caption, const std::string& label, int minimum, int maximum);
    ~ProgressScope();
    void Step(int position);
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
};
