// TFTables: the borderless pop-up that lists the [Tables] commands under the
// mouse in a collection window; picking a line runs it through the main
// window's dispatcher.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QListWidget;

class TFTables : public QWidget {
    Q_OBJECT
public:
    explicit TFTables(QWidget* parent = nullptr);  // FormCreate: the names of [Tables]

    QListWidget* ListBox1;
    // Runs a command by name (the main window's ExecuteTableCommand(name, -1)).
    std::function<void(const std::string& name)> RunCommand;

    // Sizes the pop-up to its lines and shows it at `globalPos`, moved left
    // and up to stay inside the desk rectangle (FDesk's DeskRect).
    void PopupAt(QPoint globalPos);
    // Hides the pop-up and runs the selected line, if any.
    void TablesPick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
};

extern TFTables* FTables;
