// The code-model window "Motifs et couleurs associés aux codes": the current
// code model as a grid (a swatch, then Code, Motif, Rouge, Vert, Bleu), the
// model combo box and the tool bar (new, delete, copy, paste).
//
// The grid shows CurrentCodeModel(), the model that the drawing reads, and
// every rule of the window (questions, change flag, Enter and Tab) lives in
// CodeModelEditor; this class only shows them.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "drawing/code_models.h"

class QComboBox;
class QMenu;
class PrintDocument;
class QTableView;
class QLabel;
class QToolBar;
class QToolButton;
class CodeModelTableModel;

class TFCodeMotifCoul : public QDialog {
    Q_OBJECT
public:
    // Needs the settings objects (IniModeles, IniCarotix) to be open.
    explicit TFCodeMotifCoul(QWidget* parent = nullptr);
    ~TFCodeMotifCoul() override;

    CodeModelEditor& Editor() { return *editor_; }

    // Lists the models and loads the current one (at every showing, and for
    // the coding-rules window before it appends a code).
    void FormShow();
    // A cell's text changed (the grid's edits and the coding-rules window).
    bool GridSetEditText(int col, int row, const std::string& text);
    void RefreshModels();
    // Puts the grid on a cell (the coding-rules window positions it).
    void SelectCell(int col, int row);

    // Tool bar and combo box handlers.
    void ToolButton7Click();  // "Nouv."
    void ToolButton6Click();  // "Suppr."
    void ToolButton4Click();  // "Copier"
    void ToolButton5Click();  // "Coller"
    void CModeleChange(int index);

    // The sorts, the printing and the right-click pickers
    // (code_motif_coul_extras.cpp).
    void ToolButton9Click();   // "Classer": drops PopupClasser down
    void ToolButton10Click();  // "Impr."
    void Classerparcode1Click();
    void Classerparmotif1Click();
    void Classerparcouleur1Click();
    void Classerparluminosite1Click();
    // A right click on cell (col, row): the pattern chooser or the palette.
    void GridContextPopup(int col, int row);
    // Tests print into a document of their own.
    std::function<std::unique_ptr<PrintDocument>()> MakePrintDocument;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton10 = nullptr;
    QMenu* PopupClasser = nullptr;

    // The widgets, named as the form names them.
    QTableView* Grid = nullptr;  // the model grid (Tab and Enter follow the editor's rules)
    QComboBox* CModele = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QLabel* StatusBar1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    friend class CodeModelView;
    // Shows the editor's state again: combo box items and selection, grid.
    void SyncFromEditor();
    void EnterKeyAt(int col, int row);
    void InstallSortsPrintAndPickers();

    std::unique_ptr<CodeModelEditor> editor_;
    CodeModelTableModel* model_ = nullptr;
    bool syncing_ = false;
};

// The window, created once at start-up.
extern TFCodeMotifCoul* FCodeMotifCoul;
