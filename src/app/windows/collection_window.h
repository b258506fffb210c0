// TFChild: the document window of one collection inside the main window. It
// owns the collection's document (collection_document.h), shows its ouvrages
// in one of three views kept in step (a table, icons with a small log each, a
// row of log strips on a common altitude scale), sorts and filters the list
// and asks whether to save when it closes. The rules it applies live in
// collection_rows.h; this class only puts them on screen.
#pragma once

#include <QListWidget>
#include <QPixmap>
#include <QAbstractTableModel>
#include <QTableView>
#include <QTableWidgetSelectionRange>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/collection_document.h"
#include "app/collection_rows.h"
#include "platform/windows/collection_view.h"

class QStackedLayout;
class TDirBlock;
class TFChild;

// The texts of the table view, UTF-8, made into a QString only when a cell is
// drawn, so that a list of 100,000 ouvrages holds no item object per cell:
// each line's texts are packed one after the other, each after its length,
// in one buffer for the whole table.
class TCollectionGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void SetRowCount(int rows);
    void SetColumnCount(int columns);
    void SetHeaders(const QStringList& labels);
    // The texts of a line, column by column (missing ones empty).
    void SetLine(int row, std::vector<std::string>&& texts);
    // Valid until the texts change.
    std::string_view Text(int row, int column) const;
    QString Header(int column) const;
    // Gives back the room of the lines rewritten so far.
    void Squeeze();

private:
    static constexpr std::size_t kEmptyLine = static_cast<std::size_t>(-1);
    // The packed texts of a line, `columns` of them; the missing ones empty.
    void PackLine(std::string& out, const std::vector<std::string_view>& texts, int columns) const;
    std::vector<std::string_view> Line(int row) const;
    std::size_t LineSize(int row) const;
    // A line rewritten goes to the end of the buffer; its old place counts as
    // dead until the buffer is packed again.
    void Repack();

    int rows_ = 0;
    int columns_ = 0;
    QStringList headers_;
    std::string texts_;
    std::vector<std::size_t> lineAt_;   // where each line's texts start, kEmptyLine for none
    std::size_t dead_ = 0;              // bytes of texts_ no line uses
};

// The table view of a collection window: the part of QTableWidget's interface
// the window uses, over TCollectionGridModel.
class TCollectionGrid : public QTableView {
    Q_OBJECT
public:
    explicit TCollectionGrid(QWidget* parent = nullptr);
    int rowCount() const { return model_->rowCount(); }
    int columnCount() const { return model_->columnCount(); }
    // Lines added are empty; lines removed lose their texts.
    void setRowCount(int rows) { model_->SetRowCount(rows); }
    void setColumnCount(int columns) { model_->SetColumnCount(columns); }
    void setHorizontalHeaderLabels(const QStringList& labels) { model_->SetHeaders(labels); }
    int currentRow() const { return currentIndex().row(); }
    QList<QTableWidgetSelectionRange> selectedRanges() const;
    void setRangeSelected(const QTableWidgetSelectionRange& range, bool select);
    TCollectionGridModel& Texts() { return *model_; }
    const TCollectionGridModel& Texts() const { return *model_; }

signals:
    void itemSelectionChanged();

private:
    TCollectionGridModel* model_;
};

// The log-strip view: column c shows the row on table line c + 1; line 0 is a
// header with the Indice, line 1 the strip. Columns are selected as a range.
class TStripGrid : public QWidget {
    Q_OBJECT
public:
    explicit TStripGrid(TFChild* owner);

    // The grid's default column width; a column is widened when a header
    // text would not fit in it with the installed fonts.
    static constexpr int kDefaultColumnWidth = 64;
    static constexpr int kHeaderHeight = 20;

    // One width for every strip: the default, or the widest Indice's text.
    int ColumnWidth = kDefaultColumnWidth;
    void FitColumns();

    int ColumnCount() const;
    int ColumnAt(int x) const;
    // Selected columns as an inclusive range (-1, -1 when none).
    int SelFirst = -1;
    int SelLast = -1;
    int Current = -1;
    void SetSelection(int first, int last);
    int ScrollX = 0;

signals:
    void selectionChangedByUser();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TFChild* owner_;
    int anchor_ = -1;
};

class TFChild : public QWidget, public CollectionView {
    Q_OBJECT
public:
    enum class View { List, Icons, Logs };

    explicit TFChild(QWidget* parent = nullptr);
    ~TFChild() override;

    // ---- document ----
    CollectionDocument& Document() { return *document_; }
    TDirBlock& FRoot() override { return document_->Root(); }
    const std::string& FFileName() const { return document_->FileName(); }
    // The file name and the window caption.
    void SetFileName(const std::string& fileName);
    // Loads FFileName (document rules), then refreshes the list. Failures
    // pass to the caller; the document is left as it was.
    void LoadCollection();
    void SaveCollection();
    // Before "Enregistrer" writes over FFileName: when another program (or
    // another window) changed the file since this window loaded or saved it,
    // asks whether to replace it. False when the user answers No: nothing is
    // to be written, and the window stays modified.
    bool MayReplaceFile();
    void TakeSnapshot();
    bool IsModified() const { return document_->IsModified(); }
    std::string GetUnitXY() const { return document_->GetUnitXY(); }
    void SetUnitXY(const std::string& unit) { document_->SetUnitXY(unit); }

    // The close prompt: true when the window may close. Runs the save-as dialog
    // through SaveAsHandler for a collection without a file name.
    bool FormCloseQuery();
    // Set by the main window: the save-as dialog for this window; answers
    // whether the collection was saved.
    std::function<bool(TFChild*)> SaveAsHandler;
    // The caption shown by the window: "Nouveau" or the file path.
    std::string Caption() const;

    // ---- rows and views ----
    const std::vector<CollectionRow>& Rows() const { return FRows; }
    // The rows as the windows of the subsystems see them (collection_view.h).
    QWidget* ViewWidget() override { return this; }
    int RowCount() const override { return static_cast<int>(FRows.size()); }
    CollectionViewRow RowAt(int row) const override
    {
        const CollectionRow& r = FRows[static_cast<std::size_t>(row)];
        return {r.Indice, r.Design};
    }
    void RefreshList();
    void FillView(int row);
    int FindRow(const std::string& indice, const std::string& design) const;
    int SelectedRow() const;
    std::vector<int> GetSelectedRows() const override;
    void SelectRow(const std::string& indice, const std::string& design);
    void SelectRows(const std::vector<int>& rows) override;
    // Every line of the table view, copied to the other views.
    void SelectAll();
    int GridRowOfRow(int row) const;
    int ItemOfRow(int row) const;
    int FirstEmptyGridRow() const;
    int GridLineCount() const;  // lines of the table view, header included
    // The text of a table view cell (line 0 is the header).
    std::string GridCell(int col, int line) const;

    void ShowListView();
    void ShowIconView();
    void ShowLogView();
    View CurrentView() const { return view_; }

    bool FilterEmpty() const { return FFilterEmpty; }
    // The "Filtrer les ouvrages vides" toggle: keeps the selected rows.
    void SetFilterEmpty(bool on);
    // A left press on the header cell of a column.
    void HeaderClicked(int column);
    int SortColumn() const { return FSortColumn; }
    bool SortDescending() const { return FSortDescending; }

    void AddBorehole(const std::string& indice, const std::string& design);
    // The ouvrage commands (borehole_operations.h), defined with the main
    // window's commands (main_commands.cpp). "Nouvel ouvrage...": asks for
    // the names and adds the ouvrage.
    void NewBorehole();
    void RenameBorehole();
    void DeleteSelection();
    void CopySelection(TDirBlock& clipboard);
    void Paste(const TDirBlock& clipboard);
    // A row's designation was renamed in the tree: the row follows and shows again.
    void SetRowDesign(int row, const std::string& design);
    // "Compléter les codes" (false) / "Recoder" (true) on the selected ouvrages;
    // defined with the coding commands (coding_import_commands.cpp).
    void CodeBoreholes(bool recodeAll);

    // ---- the log window and the status line ----
    void ShowBorehole(const std::string& indice, const std::string& design);
    void StringGridClick();
    std::vector<std::string> FillTubeList(const std::string& indice, const std::string& design,
                                          bool withDefault) const override;
    bool HasOnlyDefaultTube() const;
    // The main window's status line (undescribed codes).
    std::function<void(const std::string&)> StatusLine;

    // ---- editors opened by the table commands ----
    void EditSection(const std::string& section, bool fromDatabase);
    void EditTable(const std::string& table, bool dropIfEmpty, int rowToSelect, bool fromDatabase);
    void EditKeywords(const std::string& table, bool flag);
    void EditMultitubes(const std::string& table);
    // Opens the table-command pop-up (FTables) at the mouse.
    std::function<void()> OpenTablesPopup;

    // ---- tooltip ----
    std::string GetTooltipText(int row) const;
    // The row under a point of a view (-1 none).
    int RowAtMouse(QWidget* view, QPoint point) const;
    // Whether "Afficher l'infobulle" is checked (set by the main window).
    std::function<bool()> TooltipsOn;

    // ---- log strips and thumbnails ----
    const AltitudeRange& StripRange() const { return strips_; }
    void ComputeAltitudeRange();
    // Draws the strip of the column's row into a painter rectangle.
    void DrawStripCell(QPainter& painter, int column, const QRect& cell);
    // The thumbnail of a row, drawn on demand (45 x 64, drawn at 180 x 256).
    const QPixmap& RowThumbnail(int row);
    int ThumbnailCount() const { return static_cast<int>(FImages.size()); }

    // Widgets, named as the program names them.
    TCollectionGrid* StringGrid = nullptr;
    QListWidget* ListView = nullptr;
    TStripGrid* DrawGrid = nullptr;

    static constexpr int kThumbWidth = 45;
    static constexpr int kThumbHeight = 64;

signals:
    void closedWindow(TFChild* window);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void StringGridSelectionChanged();
    std::vector<int> GetSelectedRowsOfTable() const;
    void ListViewSelectionChanged();
    void StripSelectionChanged();
    void DrawRowIcon(int row);
    // Adds the items (icon-view positions, in any order) to the icon view's
    // selection at once.
    void SelectItems(std::vector<int> items);
    void ClearThumbnails();
    // The icon view items made again from the rows the filter shows.
    void FillIconItems();
    void SortRows();
    void SelectCurrentLineWhenNoneIs();
    bool RowHidden(const CollectionRow& row) const;
    void MouseMoveOver(QWidget* view, QPoint point);
    void KeyEnter();
    void CaptionChanged();

    std::unique_ptr<CollectionDocument> document_;
    std::vector<CollectionRow> FRows;
    std::vector<int> FItemRows;
    std::vector<int> FGridRows;
    // GridRowOfRow and ItemOfRow for every row, built again after FGridRows or
    // FItemRows change.
    mutable std::vector<int> lineOfRow_;
    mutable std::vector<int> itemOfRow_;
    mutable bool rowMapsValid_ = false;
    void RowMapsChanged() { rowMapsValid_ = false; }
    void BuildRowMaps() const;
    std::vector<GridField> fields_;
    std::vector<QPixmap> FImages;
    bool FIconsFilled = false;
    bool FSelecting = false;
    bool FFilterEmpty = false;
    std::uint8_t FTooltipState = 0;
    int FHoverRow = -1;
    AltitudeRange strips_;
    int FSortColumn = -1;
    bool FSortDescending = false;
    bool FRowClicked = false;
    View view_ = View::List;
    QStackedLayout* stack_ = nullptr;
    QPixmap emptyThumb_;
};
