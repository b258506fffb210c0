// The progress window FProgress: a caption, a label and a bar that long
// commands (imports, exports, downloads) advance as they go.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QProgressBar;

class TFProgress : public QDialog {
    Q_OBJECT
public:
    explicit TFProgress(QWidget* parent = nullptr);

    QLabel* Label1;
    QProgressBar* ProgressBar;

    // Sets the caption, the label and the range (position at its minimum),
    // then shows the window centred on the screen without taking the focus.
    void Start(const std::string& caption, const std::string& label, int minimum, int maximum);
    void SetLabel(const std::string& label);
    // Moves the bar and paints it at once: the work runs on the one thread of
    // the program, so no event loop turns before the next step.
    void SetPosition(int position);
    int Position() const;
};

extern TFProgress* FProgress;

// Shows FProgress for a scope and hides it on every path out of it.
class ProgressScope {
public:
    ProgressScope(const std::string& caption, const std::string& label, int minimum, int maximum);
    ~ProgressScope();
    void Step(int position);
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
};
