// The program's prompts on Qt Widgets: QMessageBox with Qt's French button
// texts, the question and name dialogs, QFileDialog, QDesktopServices and the
// application's override cursor.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <string>
#include <string_view>

#include "platform/ui_services.h"

class QCoreApplication;
class QLabel;
class QLineEdit;
class QPushButton;

// Loads Qt's own French translations (qtbase_fr from Qt's translations
// folder), so that standard buttons read "Oui", "Non", "Annuler". Called once
// by the program entry after the application object exists; returns whether
// the translation was found (a later call answers the first result).
bool InstallQtFrenchTranslation();

QString ToQString(std::string_view utf8);
std::string FromQString(const QString& text);

// The program's filter text ("Carotix (*.crx)|*.crx|Tous (*.*)|*.*") as
// QFileDialog takes it ("Carotix (*.crx);;Tous (*.*)"). Patterns come from the
// pattern part; a description that already ends with them is kept as is.
QString ToQtFileFilter(std::string_view filter);

// The one-line question: a label, an edit and "Ok"/"Annuler". The question
// window of the program derives from it and is reused for every question.
class QuestionDialog : public QDialog {
    Q_OBJECT
public:
    explicit QuestionDialog(QWidget* parent = nullptr);

    QLabel* LQuestion;
    QLineEdit* EStr;
    QPushButton* BOk;
    QPushButton* BAnnuler;

protected:
    void showEvent(QShowEvent* event) override;
};

// The ouvrage-name prompt: "Indice" and "Désignation", typed letters upper-cased.
class NameDialog : public QDialog {
    Q_OBJECT
public:
    explicit NameDialog(QWidget* parent = nullptr);

    QLineEdit* EIndice;
    QLineEdit* EDesign;
    QPushButton* BOk;
    QPushButton* BAnnuler;

protected:
    void showEvent(QShowEvent* event) override;
};

// The program's application object: a failure that escapes an event handler
// (a slot or an overridden event function that forgot its guard) is caught
// here, before Qt's event loop, and shown in the failure box like any other.
class GuardedApplication : public QApplication {
    Q_OBJECT
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

class QtUiServices final : public UiServices {
public:
    QtUiServices();
    ~QtUiServices() override;

    // The window that parents the prompts when no modal window is active
    // (the main window).
    void SetParentWindow(QWidget* window) { parent_ = window; }
    // The question window to reuse for AskText (the program's own, created at
    // start-up); without one a temporary dialog is used.
    void SetQuestionDialog(QuestionDialog* dialog) { question_ = dialog; }
    void SetNameDialog(NameDialog* dialog) { name_ = dialog; }

    MsgResult Message(const MessageRequest& request) override;
    bool AskText(const TextPrompt& prompt, std::string& answer) override;
    bool AskName(const NamePrompt& prompt, NamePrompt& answer) override;
    std::vector<std::string> FileDialog(const FileDialogRequest& request) override;
    bool SelectFolder(const FolderRequest& request, std::string& folder) override;
    bool OpenWithAssociatedProgram(const std::string& path) override;
    void Beep() override;
    void PushBusyCursor() override;
    void PopBusyCursor() override;

    int BusyDepth() const { return busyDepth_; }

private:
    QWidget* DialogParent() const;

    QPointer<QWidget> parent_;
    QPointer<QuestionDialog> question_;
    QPointer<NameDialog> name_;
    int busyDepth_ = 0;
};
