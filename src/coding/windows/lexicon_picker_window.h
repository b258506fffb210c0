// The two modal pickers of the spreadsheet editor: TFLex ("Lexique", a
// field's lexicon) and TFListeCodes ("Liste des codes lithologiques",
// code_list_window.h). Both share this dialog: a report list and the buttons
// "Ok" and "Annuler"; "Ok" is enabled only while a line is selected; a click
// on a column title sorts by that column (ascending every time); a double
// click with a line selected closes with OK.
//
// Callers use the entry functions: fill, show modally, read the chosen code.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "coding/picker_logic.h"

class QPushButton;
class QTreeWidget;

class TPickerDialog : public QDialog {
    Q_OBJECT
public:
    TPickerDialog(const char* className, const char* caption, const std::vector<std::pair<const char*, int>>& columns,
                  QWidget* parent);

    // Replaces the lines (none selected).
    void SetItems(std::vector<PickerItem> items);
    const std::vector<PickerItem>& Items() const { return items_; }
    // The line selected, -1 for none; Select(-1) clears the selection.
    int SelectedIndex() const;
    void Select(int index);
    // The caption of the selected line, "" for none.
    std::string SelectedCaption() const;

    // Handlers.
    void FormShow();
    void ListView1SelectItem();
    // A press at a point of the list: with nothing selected, the line on the
    // pressed row (taken at x = 2) is selected.
    void ListView1MouseDown(int y);
    void ListView1DblClick();
    void ListView1ColumnClick(int column);

    QTreeWidget* ListView1;
    QPushButton* Ok;
    QPushButton* Annuler;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    std::vector<PickerItem> items_;
};

class TFLex : public TPickerDialog {
    Q_OBJECT
public:
    explicit TFLex(QWidget* parent = nullptr);
    ~TFLex() override;
};

extern TFLex* FLex;

// The lexicon picker filled with one line per entry (code, label) and shown
// modally. True on "Ok" with a line selected; `code` is then that line's
// code as listed (callers trim it).
bool PickLexicon(const std::vector<std::string>& codes, const std::vector<std::string>& labels, std::string& code,
                 QWidget* parent = nullptr);
