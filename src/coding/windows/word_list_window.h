// TFListeMots: the dialog "Liste de mots" that edits the coder's vocabulary:
// nouns (singular, plural), adjectives (four forms), inhibitors and
// activators. Opened from the coding rules dialog; "Ok" saves the four files
// and lets the coding library read them again.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "coding/coding_rules.h"

class QPushButton;
class QTableView;
class TextGridModel;

class TFListeMots : public QDialog {
    Q_OBJECT
public:
    explicit TFListeMots(QWidget* parent = nullptr);
    ~TFListeMots() override;

    WordListsEditor& Editor() { return editor_; }
    // FormShow: the four files, each sorted by its first column.
    void FormShow();
    // Button1Click ("Ok"): saves the four files, then LoadData, and closes.
    void Button1Click();
    // GridSetEditText of grid i (0 nouns .. 3 activators).
    void GridSetEditText(int grid, int col, int row, const std::string& text);

    std::array<QTableView*, 4> Grids{};
    QPushButton* Button1;  // "Ok"
    QPushButton* Button2;  // "Annuler"

protected:
    void showEvent(QShowEvent* event) override;

private:
    WordListsEditor editor_;
    std::array<TextGridModel*, 4> models_{};
};

extern TFListeMots* FListeMots;
