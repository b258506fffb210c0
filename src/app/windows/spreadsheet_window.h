// TFTableur: the spreadsheet editor of one table of one borehole (the rows of
// one ouvrage and, for the technical tables, of one tube). Created once at
// start-up and reused; opened modally by the collection window's table
// commands, or run without showing by the database download. The rules live
// in spreadsheet_logic.h; this window puts them on screen.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>

#include "app/spreadsheet_logic.h"

class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTableWidget;
class QTimer;
class QToolBar;
class QToolButton;
class TFChild;
class TableurWidgetGrid;

// The equipment drawing beside the grid.
class TTableurImage : public QWidget {
    Q_OBJECT
public:
    explicit TTableurImage(QWidget* parent) : QWidget(parent) {}
    QImage Bitmap;
    std::function<void(QPoint)> Pressed;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

class TFTableur : public QDialog {
    Q_OBJECT
public:
    explicit TFTableur(QWidget* parent = nullptr);  // FormCreate
    ~TFTableur() override;

    // Opens the editor on the table of the collection window's row (an index
    // into its list of ouvrages); row -1 does nothing. Shown modally, or,
    // with fromDatabase, filled from the database and stored without showing.
    void OpenTable(TFChild* child, int row, const std::string& table, bool dropIfEmpty, bool fromDatabase);
    // The same on any collection root (the database download drives it).
    void OpenTableOn(TDirBlock* root, const std::string& indice, const std::string& design, const std::string& table,
                     bool dropIfEmpty, bool fromDatabase);

    bool LoadGrid() { return Sheet->LoadGrid(); }
    void SaveGrid() { Sheet->SaveGrid(); }
    bool HasChanges() const { return Sheet->HasChanges(); }
    void SortByDepth(bool announce) { Sheet->SortByDepth(announce); }
    // The close prompt: true when the window may close.
    bool FormCloseQuery();
    void ValidateAndClose();
    void SelectRow(int row);
    void ShowCellPopup(QPoint gridPoint);
    void QueryDatabase(const std::string& section) { Sheet->QueryDatabase(section, 1); }
    // The selection's rectangle in sheet rows (row 0 the titles).
    GridRect Selection() const;
    int CurrentRow() const;
    int CurrentCol() const;
    void SetCurrentCell(int col, int row);

    // Commands.
    void CutCells();
    void CopyCells();
    void PasteCells();
    void InsertRow();
    void DeleteRow();
    void ToggleEditMode();
    void ToggleRowMarks();
    void CodeAll();
    void CodeSelection();
    void FillFromDatabase();
    void RedrawEquipment();
    void TimerTick();

    // The table name and the window's grid state.
    std::string TubeName;
    std::string TableName() const { return Sheet->TableName; }
    TableurSheet& Logic() { return *Sheet; }
    bool EditMode() const;

    // Controls, named as the program names them.
    QTableWidget* Grid = nullptr;
    TTableurImage* Image = nullptr;
    QSplitter* Splitter = nullptr;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolPopup = nullptr;
    QToolButton* ToolEdit = nullptr;
    QPushButton* ButtonBDD = nullptr;
    QCheckBox* CAutoCodage = nullptr;
    QPushButton* BCode = nullptr;
    QPushButton* BCodeSel = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* Couper1 = nullptr;
    QAction* Copier1 = nullptr;
    QAction* Coller1 = nullptr;
    QAction* SelLigne = nullptr;
    QToolButton* CaptionButton1 = nullptr;
    QTimer* Timer1 = nullptr;

    bool PopupBusy = false;
    struct LastEditCell {
        int Col = -1;
        int Row = -1;
        std::string Text;
    } LastEdit;

    // The text an editor opened on a cell starts with (the default of an
    // empty cell); records the cell in LastEdit.
    std::string GridGetEditText(int col, int row);
    // Runs a pop-up menu at a screen point and answers the chosen item (tests
    // put their own choice here); empty: the menu is shown.
    std::function<QAction*(QMenu*, QPoint)> RunMenu;
    void GridSetEditText(int col, int row);
    // A key pressed in the cell editor: true when the window took it (Enter,
    // Escape and the row keys act as on the grid).
    bool EditorKeyPress(QKeyEvent* key);

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TableurDelegate;
    void Open(TDirBlock* root, const std::string& indice, const std::string& design, const std::string& table,
              bool dropIfEmpty, bool fromDatabase);
    void ApplyControlStates();
    void PlaceEquipment();
    void FormClose();
    bool GridKeyPress(QKeyEvent* key);
    // Stores the open editor's text into its cell and closes it; false when
    // no editor was open.
    bool CommitEditor();
    void LeaveEditMode();
    // Opens the editor on the current cell (none on "Motif").
    QLineEdit* OpenEditor();
    // SaveGrid; a cell that does not convert is selected and named in a box,
    // and false is answered.
    bool StoreGrid();
    void ShowLexiconMenu(const std::vector<TableurMenuItem>& items, QPoint globalPoint);
    // The database and coding buttons on a second tool bar row when the
    // window is too narrow for one row; the width one row needs.
    void FitToolRows();
    int OneRowWidth() const;

    std::unique_ptr<TableurWidgetGrid> adapter_;
    std::unique_ptr<TableurSheet> Sheet;
    TDirBlock* borehole_ = nullptr;
    QPoint lastPress_{-1, -1};
    bool closing_ = false;
    bool editMode_ = false;
    QToolBar* toolBar_ = nullptr;
    QToolBar* toolRow2_ = nullptr;
    std::vector<QAction*> wrapping_;  // the actions that go to the second row
};

extern TFTableur* FTableur;

// The collection window's table command: opens the editor on the table of the
// window's selected ouvrage (the tube of a "TubeSimple(" command comes from
// the main window), then refills the row and redraws the log window.
void OpenSpreadsheet(TFTableur& editor, TFChild& child, const std::string& table, bool dropIfEmpty, int rowToSelect,
                     bool fromDatabase);
