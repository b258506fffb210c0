// TFCodage: the dialog "Codage" that edits the coding rules (Descriptions.csv),
// each a description made of keywords with the lithology code it gives. The
// descriptions are coloured by word class through the coding library, each
// code shows its pattern swatch, a code can be looked up in the code model,
// the word lists are one button away, and the rules print as pages of swatches.
//
// The rules live in CodingRulesEditor (coding/coding_rules.h); this window
// only shows them. It closes only through "Ok" (save, then the library reads
// its files again) and "Annuler".
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "coding/coding_rules.h"
#include "coding/windows/word_list_window.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class PrintDocument;
class TPrinterInfo;

// A TextGrid shown in a view: grid row r is view row r - 1, grid column c is
// view column c - FixedCols. Typed texts go to `Edited` (grid col, row, text).
class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TextGridModel(TextGrid& grid, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void Reset();
    // Tells the view about rows appended to the grid, which had `oldRows` rows.
    void RowsAppended(int oldRows);
    TextGrid& Grid() { return grid_; }
    std::function<void(int col, int row, const std::string& text)> Edited;
    int ReadOnlyCol = -1;  // a grid column that is shown but not typed into

private:
    TextGrid& grid_;
};

// The result "Annuler" closes the dialog with (the ignore result).
inline constexpr int kModalResultIgnore = 5;

class TFCodage : public QDialog {
    Q_OBJECT
public:
    explicit TFCodage(QWidget* parent = nullptr);  // FormCreate: loads the rules
    ~TFCodage() override;

    CodingRulesEditor& Editor() { return editor_; }
    // FormShow: the rules again from Descriptions.csv.
    void FormShow();
    // Shows the editor's grid and edits again.
    void SyncFromEditor();

    void Edit1Change(const QString& text);
    void Edit2Change(const QString& text);
    void GridDescrClick(int row);  // grid row
    void GridSetEditText(int col, int row, const std::string& text);
    void Button1Click();  // "Mots employés..."
    void Button4Click();  // "Motifs..."
    void Button5Click();  // "par description"
    void Button6Click();  // "par code"
    void Button7Click();  // "Selectionner tout"
    void Couper1Click();
    void Copier1Click();
    void Coller1Click();
    void Button2Click();  // "Ok"
    void Button3Click();  // "Annuler"
    void BitBtn1Click();  // "Imprimer..."

    // The selected grid rows (first, last), the current one when none.
    std::pair<int, int> SelectedRows() const;
    void SelectRows(int first, int last);

    QTableView* GridDescr;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
    QPushButton* BitBtn1;
    QMenu* PopupMenu1;

    // Tests replace the clipboard and the print document.
    std::function<void(const std::string&)> SetClipboardText;
    std::function<std::string()> ClipboardText;
    std::function<std::unique_ptr<PrintDocument>()> MakePrintDocument;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
    void reject() override;                        // Escape does not close

private:
    void ShowEdits();
    void AfterGridChange();
    // After an edit changed the current rule: the grid again when a rule came
    // or went, otherwise the rule's row (its swatch follows the code).
    void AfterEditChange(int rowsBefore);

    CodingRulesEditor editor_;
    TextGridModel* model_;
    bool closing_ = false;
    bool syncing_ = false;
};

extern TFCodage* FCodage;

// Prints the rules: the page count question, then a document "Carotix -
// Codage", each page headed with the code model's name. Answers the pages
// printed (0 when nothing was, after the box that says why).
int PrintCodingRules(const StringGrid& rules, const std::string& modelName, const TPrinterInfo& printer,
                     PrintDocument& document);

// Creation of the word-list dialog at start-up (FListeMots). The rules
// dialog is created with its links to the program's windows
// (app/windows/coding_rules_commands.h).
TFListeMots* CreateFListeMots(QWidget* parent);
