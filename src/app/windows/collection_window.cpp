#include "app/windows/collection_window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <unordered_map>

#include "app/collection_links.h"
#include "platform/windows/info_window.h"
#include "app/windows/record_sheet_window.h"
#include "app/windows/tubes_window.h"
#include "app/windows/keywords_window.h"
#include "app/windows/spreadsheet_window.h"
#include "app/table_commands.h"
#include "drawing/swatches.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "store/tables.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";

// The icon view asks for a row's thumbnail only when it paints the item, so
// that a large collection is listed at once and thumbnails are drawn as they
// come into sight.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit ThumbnailDelegate(TFChild* owner) : QStyledItemDelegate(owner), owner_(owner) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const int row = index.data(Qt::UserRole).toInt();
        if (row >= 0 && row < static_cast<int>(owner_->Rows().size())) {
            option->icon = QIcon(owner_->RowThumbnail(row));
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->decorationSize = QSize(TFChild::kThumbWidth, TFChild::kThumbHeight);
        }
    }

private:
    TFChild* owner_;
};

void ReleaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

std::string LastPathComponent(const std::string& path)
{
    const std::size_t p = path.find_last_of("/\\");
    return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// TCollectionGridModel, TCollectionGrid
// ---------------------------------------------------------------------------

int TCollectionGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TCollectionGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant TCollectionGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return ToQString(Text(index.row(), index.column()));
}

QVariant TCollectionGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
        return headers_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TCollectionGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

namespace {

void AppendLength(std::string& out, std::size_t n)
{
    while (n >= 0x80) {
        out += static_cast<char>(0x80 | (n & 0x7F));
        n >>= 7;
    }
    out += static_cast<char>(n);
}

std::size_t ReadLength(const std::string& in, std::size_t& at)
{
    std::size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const auto b = static_cast<unsigned char>(in[at++]);
        n |= static_cast<std::size_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return n;
    }
}

}  // namespace

void TCollectionGridModel::PackLine(std::string& out, const std::vector<std::string_view>& texts, int columns) const
{
    for (int c = 0; c < columns; ++c) {
        const std::string_view t = c < static_cast<int>(texts.size()) ? texts[static_cast<std::size_t>(c)] : std::string_view();
        AppendLength(out, t.size());
        out.append(t);
    }
}

std::vector<std::string_view> TCollectionGridModel::Line(int row) const
{
    std::vector<std::string_view> texts;
    std::size_t at = lineAt_[static_cast<std::size_t>(row)];
    if (at == kEmptyLine) return texts;
    for (int c = 0; c < columns_; ++c) {
        const std::size_t n = ReadLength(texts_, at);
        texts.emplace_back(texts_.data() + at, n);
        at += n;
    }
    return texts;
}

std::size_t TCollectionGridModel::LineSize(int row) const
{
    const std::size_t start = lineAt_[static_cast<std::size_t>(row)];
    if (start == kEmptyLine) return 0;
    std::size_t at = start;
    for (int c = 0; c < columns_; ++c) at += ReadLength(texts_, at);
    return at - start;
}

void TCollectionGridModel::Repack()
{
    std::string packed;
    packed.reserve(texts_.size() - dead_);
    for (int r = 0; r < rows_; ++r) {
        std::size_t& at = lineAt_[static_cast<std::size_t>(r)];
        if (at == kEmptyLine) continue;
        const std::size_t n = LineSize(r);
        const std::size_t from = at;
        at = packed.size();
        packed.append(texts_, from, n);
    }
    texts_ = std::move(packed);
    dead_ = 0;
}

void TCollectionGridModel::Squeeze()
{
    if (dead_ > 0) Repack();
    texts_.shrink_to_fit();
    lineAt_.shrink_to_fit();
}

void TCollectionGridModel::SetRowCount(int rows)
{
    rows = std::max(0, rows);
    if (rows == rows_) return;
    if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        for (int r = rows; r < rows_; ++r) dead_ += LineSize(r);
        rows_ = rows;
        lineAt_.resize(static_cast<std::size_t>(rows_));
        Squeeze();
        endRemoveRows();
    } else {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        lineAt_.resize(static_cast<std::size_t>(rows_), kEmptyLine);
        endInsertRows();
    }
}

void TCollectionGridModel::SetColumnCount(int columns)
{
    columns = std::max(0, columns);
    if (columns == columns_) return;
    std::string packed;
    std::vector<std::size_t> lineAt(static_cast<std::size_t>(rows_), kEmptyLine);
    for (int r = 0; r < rows_; ++r) {
        if (lineAt_[static_cast<std::size_t>(r)] == kEmptyLine) continue;
        lineAt[static_cast<std::size_t>(r)] = packed.size();
        PackLine(packed, Line(r), columns);
    }
    const bool removing = columns < columns_;
    if (removing) beginRemoveColumns({}, columns, columns_ - 1);
    else beginInsertColumns({}, columns_, columns - 1);
    columns_ = columns;
    texts_ = std::move(packed);
    lineAt_ = std::move(lineAt);
    dead_ = 0;
    while (headers_.size() > columns_) headers_.removeLast();
    if (removing) endRemoveColumns();
    else endInsertColumns();
}

void TCollectionGridModel::SetHeaders(const QStringList& labels)
{
    if (labels.size() > columns_) SetColumnCount(static_cast<int>(labels.size()));
    headers_ = labels;
    while (headers_.size() > columns_) headers_.removeLast();
    if (columns_ > 0) emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void TCollectionGridModel::SetLine(int row, std::vector<std::string>&& texts)
{
    if (row < 0 || row >= rows_ || columns_ == 0) return;
    dead_ += LineSize(row);
    std::vector<std::string_view> views(texts.begin(), texts.end());
    lineAt_[static_cast<std::size_t>(row)] = texts_.size();
    PackLine(texts_, views, columns_);
    // Rewriting every line (a refill, a sort) leaves half the buffer dead at
    // most before it is packed again.
    if (dead_ > texts_.size() / 2 + 4096) Repack();
    emit dataChanged(index(row, 0), index(row, columns_ - 1));
}

std::string_view TCollectionGridModel::Text(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return {};
    std::size_t at = lineAt_[static_cast<std::size_t>(row)];
    if (at == kEmptyLine) return {};
    for (int c = 0; c < column; ++c) at += ReadLength(texts_, at);
    const std::size_t n = ReadLength(texts_, at);
    return std::string_view(texts_.data() + at, n);
}

QString TCollectionGridModel::Header(int column) const
{
    return column >= 0 && column < headers_.size() ? headers_[column] : QString();
}

TCollectionGrid::TCollectionGrid(QWidget* parent) : QTableView(parent), model_(new TCollectionGridModel(this))
{
    setModel(model_);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { emit itemSelectionChanged(); });
}

QList<QTableWidgetSelectionRange> TCollectionGrid::selectedRanges() const
{
    QList<QTableWidgetSelectionRange> ranges;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        ranges.append(QTableWidgetSelectionRange(r.top(), r.left(), r.bottom(), r.right()));
    return ranges;
}

void TCollectionGrid::setRangeSelected(const QTableWidgetSelectionRange& range, bool select)
{
    const QModelIndex topLeft = model_->index(range.topRow(), range.leftColumn());
    const QModelIndex bottomRight = model_->index(range.bottomRow(), range.rightColumn());
    if (!topLeft.isValid() || !bottomRight.isValid()) return;
    selectionModel()->select(QItemSelection(topLeft, bottomRight),
                             select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

// ---------------------------------------------------------------------------
// TStripGrid
// ---------------------------------------------------------------------------

TStripGrid::TStripGrid(TFChild* owner) : QWidget(owner), owner_(owner)
{
    setObjectName(QStringLiteral("DrawGrid"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

int TStripGrid::ColumnCount() const { return std::max(0, owner_->GridLineCount() - 1); }

int TStripGrid::ColumnAt(int x) const
{
    if (x < 0) return -1;
    const int c = (x + ScrollX) / ColumnWidth;
    return c < ColumnCount() ? c : -1;
}

void TStripGrid::FitColumns()
{
    // The header text starts one pixel in; a few pixels more keep it off the
    // next header's edge.
    const QFontMetrics fm(font());
    int widest = 0;
    for (int c = 0; c < ColumnCount(); ++c)
        widest = std::max(widest, fm.horizontalAdvance(ToQString(owner_->GridCell(0, c + 1))));
    ColumnWidth = std::max(kDefaultColumnWidth, widest + 6);
    ScrollX = std::clamp(ScrollX, 0, std::max(0, ColumnCount() * ColumnWidth - width()));
}

void TStripGrid::SetSelection(int first, int last)
{
    SelFirst = std::min(first, last);
    SelLast = std::max(first, last);
    if (first < 0) SelFirst = SelLast = -1;
    Current = SelFirst;
    update();
}

void TStripGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const int cellHeight = std::max(0, height() - kHeaderHeight - 8);
    const int first = ScrollX / ColumnWidth;
    for (int c = first; c < ColumnCount(); ++c) {
        const int x = c * ColumnWidth - ScrollX;
        if (x > width()) break;
        const QRect header(x, 0, ColumnWidth, kHeaderHeight);
        const bool selected = c >= SelFirst && c <= SelLast && SelFirst >= 0;
        p.fillRect(header, selected ? palette().color(QPalette::Highlight) : palette().color(QPalette::Button));
        p.setPen(selected ? palette().color(QPalette::HighlightedText) : palette().color(QPalette::ButtonText));
        p.drawText(header.adjusted(1, 2, -1, 0), Qt::AlignLeft | Qt::AlignTop,
                   ToQString(owner_->GridCell(0, c + 1)));
        p.setPen(Qt::lightGray);
        p.drawRect(header.adjusted(0, 0, -1, -1));
        const QRect cell(x, kHeaderHeight, ColumnWidth, cellHeight);
        if (selected) p.fillRect(cell, QColor(225, 235, 250));
        p.save();
        p.setClipRect(cell);
        RunGuarded([&] { owner_->DrawStripCell(p, c, cell); });
        p.restore();
        p.setPen(Qt::lightGray);
        p.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
    }
}

void TStripGrid::mousePressEvent(QMouseEvent* event)
{
    const int c = ColumnAt(event->position().toPoint().x());
    if (c < 0) return;
    if (event->button() == Qt::LeftButton) {
        if ((event->modifiers() & Qt::ShiftModifier) && anchor_ >= 0) {
            SetSelection(anchor_, c);
        } else {
            anchor_ = c;
            SetSelection(c, c);
        }
        Current = c;
    }
}

void TStripGrid::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && anchor_ >= 0) {
        const int c = ColumnAt(event->position().toPoint().x());
        if (c >= 0) SetSelection(anchor_, c);
    }
    QWidget::mouseMoveEvent(event);
}

void TStripGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) emit selectionChangedByUser();
}

void TStripGrid::wheelEvent(QWheelEvent* event)
{
    const int total = ColumnCount() * ColumnWidth;
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    ScrollX = std::clamp(ScrollX - delta / 2, 0, std::max(0, total - width()));
    update();
}

void TStripGrid::keyPressEvent(QKeyEvent* event)
{
    int c = Current;
    if (event->key() == Qt::Key_Left) c = std::max(0, c - 1);
    else if (event->key() == Qt::Key_Right) c = std::min(ColumnCount() - 1, c + 1);
    else return QWidget::keyPressEvent(event);
    if (c < 0) return;
    anchor_ = c;
    SetSelection(c, c);
    const int x = c * ColumnWidth;
    if (x < ScrollX) ScrollX = x;
    if (x + ColumnWidth > ScrollX + width()) ScrollX = x + ColumnWidth - width();
    emit selectionChangedByUser();
}

// ---------------------------------------------------------------------------
// TFChild
// ---------------------------------------------------------------------------

TFChild::TFChild(QWidget* parent) : QWidget(parent), document_(std::make_unique<CollectionDocument>())
{
    setObjectName(QStringLiteral("TFChild"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    StringGrid = new TCollectionGrid(this);
    StringGrid->setObjectName(QStringLiteral("StringGrid"));
    StringGrid->verticalHeader()->hide();
    StringGrid->verticalHeader()->setDefaultSectionSize(18);
    StringGrid->verticalHeader()->setMinimumSectionSize(12);
    StringGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid->setWordWrap(false);
    StringGrid->horizontalHeader()->setSectionsClickable(true);
    StringGrid->horizontalHeader()->setHighlightSections(false);
    StringGrid->viewport()->setMouseTracking(true);
    StringGrid->viewport()->installEventFilter(this);
    StringGrid->installEventFilter(this);
    stack_->addWidget(StringGrid);

    ListView = new QListWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setViewMode(QListView::IconMode);
    ListView->setIconSize(QSize(kThumbWidth, kThumbHeight));
    ListView->setGridSize(QSize(110, 100));
    ListView->setResizeMode(QListView::Adjust);
    ListView->setMovement(QListView::Static);
    ListView->setUniformItemSizes(true);
    ListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView->setItemDelegate(new ThumbnailDelegate(this));
    ListView->viewport()->setMouseTracking(true);
    ListView->viewport()->installEventFilter(this);
    ListView->installEventFilter(this);
    stack_->addWidget(ListView);

    DrawGrid = new TStripGrid(this);
    DrawGrid->installEventFilter(this);
    stack_->addWidget(DrawGrid);
    stack_->setCurrentWidget(StringGrid);

    emptyThumb_ = QPixmap(kThumbWidth, kThumbHeight);
    emptyThumb_.fill(Qt::white);

    connect(StringGrid, &TCollectionGrid::itemSelectionChanged, this,
            GuardedSlot([this] { StringGridSelectionChanged(); }));
    connect(StringGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            GuardedSlot([this](int section) { HeaderClicked(section); }));
    connect(ListView, &QListWidget::itemSelectionChanged, this,
            GuardedSlot([this] { ListViewSelectionChanged(); }));
    connect(ListView, &QListWidget::itemDoubleClicked, this, GuardedSlot([this] {
                if (OpenTablesPopup) OpenTablesPopup();
            }));
    connect(DrawGrid, &TStripGrid::selectionChangedByUser, this, GuardedSlot([this] { StripSelectionChanged(); }));

    setWindowTitle(QStringLiteral("Nouveau"));
    RefreshList();
}

TFChild::~TFChild() = default;

// ---- document ---------------------------------------------------------------

void TFChild::SetFileName(const std::string& fileName)
{
    // A name given relative to the working folder (on the command line) is
    // kept whole: the caption, the recent files and later saves must not
    // depend on where the program was started.
    std::string name = fileName;
    if (!name.empty()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(name), error);
        if (!error) name = absolute.lexically_normal().string();
    }
    document_->SetFileName(name);
    setWindowTitle(ToQString(name.empty() ? std::string("Nouveau") : name));
}

std::string TFChild::Caption() const { return FromQString(windowTitle()); }

void TFChild::LoadCollection()
{
    BusyCursor busy;
    document_->Load();
    ClearThumbnails();
    RefreshList();
    // Reading and listing a large collection leaves much memory freed in the
    // heap (the file's buffer, the list's working copies): give it back.
    ReleaseFreedMemory();
}

void TFChild::SaveCollection() { document_->Save(); }

bool TFChild::MayReplaceFile()
{
    if (!document_->ChangedOnDisk()) return true;
    // Named by its whole path, as the save's own failures name it.
    return AskYesNo("Collection " + LastPathComponent(Caption()),
                    "Le fichier \xC2\xAB " + FFileName() +
                        " \xC2\xBB a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9 par un autre programme depuis son ouverture. "
                        "Voulez-vous le remplacer ?") == MsgResult::Yes;
}

void TFChild::TakeSnapshot() { document_->TakeSnapshot(); }

bool TFChild::FormCloseQuery()
{
    while (document_->IsModified()) {
        setFocus();
        const MsgResult answer =
            AskYesNoCancel("Collection " + LastPathComponent(Caption()),
                           "Il y a eu des modications.\nVoulez-vous les enregistrer ?");
        if (answer == MsgResult::No) return true;
        if (answer != MsgResult::Yes) return false;
        if (!FFileName().empty()) {
            // Not replaced: the window stays open, so that the collection
            // can still be saved under another name.
            if (!MayReplaceFile()) return false;
            SaveCollection();
            TakeSnapshot();
        } else if (SaveAsHandler) {
            SaveAsHandler(this);
        }
    }
    return true;
}

void TFChild::closeEvent(QCloseEvent* event)
{
    bool mayClose = false;
    RunGuarded([&] { mayClose = FormCloseQuery(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    event->accept();
    if (FInfo && FInfo->Owner == this) TooltipDeactivate(this, FTooltipState);
    if (LogViewLink* link = GetLogViewLink(); link && link->ShownRoot() == &FRoot()) {
        link->SetBorehole(nullptr, std::string(), std::string());
        link->Redraw();
    }
    emit closedWindow(this);
}

// ---- rows ----------------------------------------------------------------

bool TFChild::RowHidden(const CollectionRow& row) const
{
    if (!FFilterEmpty) return false;
    return GetCollectionDrawing().isLogEmpty(document_->Root(), row.Indice, row.Design);
}

void TFChild::RefreshList()
{
    BuildRowList(FRoot(), FRows);
    ClearThumbnails();
    if (FFilterEmpty) FSortColumn = -1;
    FillView(-1);
    if (FFilterEmpty && FGridRows.size() > 1 && FGridRows[1] == -1 && !FRows.empty()) {
        FFilterEmpty = false;
        FillView(-1);
    }
    if (FSortColumn != -1) {
        SortRows();
        if (FSortDescending) std::reverse(FRows.begin(), FRows.end());
        FillView(-1);
    }
    SelectCurrentLineWhenNoneIs();
}

// After opening, pasting, deleting or sorting, the current line is the
// selection: the commands that act on selected ouvrages work at once, on the
// ouvrage the log window shows.
void TFChild::SelectCurrentLineWhenNoneIs()
{
    if (GetSelectedRows().empty()) {
        const int current = SelectedRow();
        if (current >= 0) SelectRows({current});
    }
}

void TFChild::SortRows()
{
    std::vector<std::string> cells;
    cells.reserve(FRows.size());
    for (const CollectionRow& r : FRows) {
        if (FSortColumn == 0) cells.push_back(r.Indice);
        else if (FSortColumn == 1) cells.push_back(r.Design);
        else if (FSortColumn - 2 < static_cast<int>(fields_.size()))
            cells.push_back(GridCellText(FRoot(), r, fields_[static_cast<std::size_t>(FSortColumn - 2)]));
        else cells.emplace_back();
    }
    const std::vector<int> order = SortOrder(cells);
    std::vector<CollectionRow> sorted;
    sorted.reserve(FRows.size());
    for (int i : order) sorted.push_back(FRows[static_cast<std::size_t>(i)]);
    FRows = std::move(sorted);
}

void TFChild::HeaderClicked(int column)
{
    if (FFilterEmpty) {
        ShowInformation("Tri", "Il faut d\xC3\xA9sactiver le filtrage des ouvrages vides pour pouvoir trier.");
        return;
    }
    BusyCursor busy;
    if (column != FSortColumn) {
        FSortDescending = false;
        FSortColumn = column;
        SortRows();
    } else if (!FSortDescending) {
        FSortDescending = true;
        std::reverse(FRows.begin(), FRows.end());
    } else {
        FSortColumn = -1;
        RefreshList();
        return;
    }
    FillView(-1);
    SelectCurrentLineWhenNoneIs();
}

void TFChild::FillView(int row)
{
    const std::string champs = IniCarotix ? IniCarotix->ReadString("G\xC3\xA9n\xC3\xA9ral", "ChampsGrille", kDefaultGridFields)
                                          : std::string(kDefaultGridFields);
    fields_ = ParseGridFields(champs);
    const std::vector<std::string> headers = GridHeaders(fields_);
    const int columns = static_cast<int>(headers.size());
    const QFontMetrics fm(StringGrid->font());
    const QFontMetrics hfm(StringGrid->horizontalHeader()->font());

    const bool wasSelecting = FSelecting;
    FSelecting = true;
    if (row == -1) {
        StringGrid->setUpdatesEnabled(false);
        StringGrid->clearSelection();
        std::vector<int> widths(static_cast<std::size_t>(columns), 0);
        for (int c = 0; c < columns; ++c) widths[static_cast<std::size_t>(c)] = hfm.horizontalAdvance(ToQString(headers[static_cast<std::size_t>(c)])) + 16;
        std::vector<int> lines;   // the row of each line
        lines.reserve(FRows.size());
        for (std::size_t i = 0; i < FRows.size(); ++i)
            if (!RowHidden(FRows[i])) lines.push_back(static_cast<int>(i));
        // The grid keeps its current line across a refill, the first one at
        // the start, as the log window shows the current line's ouvrage.
        const int currentLine = StringGrid->currentRow();
        StringGrid->setRowCount(0);
        StringGrid->setColumnCount(columns);
        QStringList labels;
        for (const std::string& h : headers) labels << ToQString(h);
        StringGrid->setHorizontalHeaderLabels(labels);
        StringGrid->setRowCount(std::max<int>(1, static_cast<int>(lines.size())));
        FGridRows.assign(static_cast<std::size_t>(StringGrid->rowCount() + 1), -1);
        // Each distinct text is measured once: a column holds the same few
        // natures and towns over thousands of lines.
        std::unordered_map<std::string, int> measured;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            const int r = lines[l];
            std::vector<std::string> texts = GridRowTexts(FRoot(), FRows[static_cast<std::size_t>(r)], fields_);
            for (int c = 0; c < columns; ++c) {
                const std::string& t = texts[static_cast<std::size_t>(c)];
                if (t.empty()) continue;
                auto [it, fresh] = measured.try_emplace(t, 0);
                if (fresh) it->second = fm.horizontalAdvance(ToQString(t));
                widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)], it->second);
            }
            StringGrid->Texts().SetLine(static_cast<int>(l), std::move(texts));
            FGridRows[l + 1] = r;
        }
        StringGrid->Texts().Squeeze();
        RowMapsChanged();
        // The text width plus 6 pixels, and the margins Qt's cells draw their
        // text within, so that whole texts show.
        const int margins = 2 * (StringGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, StringGrid) + 1);
        for (int c = 0; c < columns; ++c)
            StringGrid->setColumnWidth(c, std::max(widths[static_cast<std::size_t>(c)] + 6 + margins, 64));
        if (!lines.empty()) {
            const int keep = std::clamp(currentLine, 0, static_cast<int>(lines.size()) - 1);
            StringGrid->selectionModel()->setCurrentIndex(StringGrid->model()->index(keep, 0),
                                                         QItemSelectionModel::NoUpdate);
        }
        StringGrid->setUpdatesEnabled(true);
        if (FSortColumn >= 0) {
            StringGrid->horizontalHeader()->setSortIndicatorShown(true);
            StringGrid->horizontalHeader()->setSortIndicator(FSortColumn, FSortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
        } else {
            StringGrid->horizontalHeader()->setSortIndicatorShown(false);
        }
    } else if (row >= 0 && row < static_cast<int>(FRows.size()) && !RowHidden(FRows[static_cast<std::size_t>(row)])) {
        int line = GridRowOfRow(row);
        if (line < 0) line = FirstEmptyGridRow();
        if (line >= GridLineCount()) StringGrid->setRowCount(line);
        if (FGridRows.size() < static_cast<std::size_t>(line + 1)) FGridRows.resize(static_cast<std::size_t>(line + 1), -1);
        std::vector<std::string> texts = GridRowTexts(FRoot(), FRows[static_cast<std::size_t>(row)], fields_);
        texts.resize(std::min<std::size_t>(texts.size(), static_cast<std::size_t>(std::min(columns, StringGrid->columnCount()))));
        for (std::size_t c = 0; c < texts.size(); ++c) {
            const int advance = fm.horizontalAdvance(ToQString(texts[c]));
            if (StringGrid->columnWidth(static_cast<int>(c)) < advance + 6) StringGrid->setColumnWidth(static_cast<int>(c), advance + 6);
        }
        StringGrid->Texts().SetLine(line - 1, std::move(texts));
        FGridRows[static_cast<std::size_t>(line)] = row;
        RowMapsChanged();
    }
    FSelecting = wasSelecting;

    // Icon view.
    if (view_ == View::Icons || FIconsFilled) {
        FSelecting = true;
        if (row == -1) {
            FillIconItems();
            const QList<QTableWidgetSelectionRange> ranges = StringGrid->selectedRanges();
            std::vector<int> items;
            for (const auto& range : ranges)
                for (int l = range.topRow() + 1; l <= range.bottomRow() + 1; ++l) {
                    const int r = l < static_cast<int>(FGridRows.size()) ? FGridRows[static_cast<std::size_t>(l)] : -1;
                    const int item = ItemOfRow(r);
                    if (item >= 0) items.push_back(item);
                }
            SelectItems(items);
            FIconsFilled = true;
        } else if (row >= 0 && row < static_cast<int>(FRows.size())) {
            const CollectionRow& r = FRows[static_cast<std::size_t>(row)];
            int item = ItemOfRow(row);
            if (item < 0 && !RowHidden(r)) {
                auto* it = new QListWidgetItem();
                it->setData(Qt::UserRole, row);
                ListView->addItem(it);
                FItemRows.push_back(row);
                RowMapsChanged();
                item = ListView->count() - 1;
            }
            if (item >= 0) {
                ListView->item(item)->setText(ToQString(r.Indice + " " + r.Design));
                DrawRowIcon(row);
                ListView->viewport()->update();
            }
        }
        FSelecting = wasSelecting;
    }

    if (view_ == View::Logs) {
        ComputeAltitudeRange();
        DrawGrid->FitColumns();
        DrawGrid->update();
    }
    StringGridClick();
}

int TFChild::FindRow(const std::string& indice, const std::string& design) const
{
    return ::FindRow(FRows, indice, design);
}

int TFChild::GridLineCount() const { return StringGrid->rowCount() + 1; }

std::string TFChild::GridCell(int col, int line) const
{
    if (line == 0) {
        return FromQString(StringGrid->Texts().Header(col));
    }
    return std::string(StringGrid->Texts().Text(line - 1, col));
}

// The first table line and the first icon of every row, so that selecting
// thousands of rows does not scan the lines once per row.
void TFChild::BuildRowMaps() const
{
    auto inverse = [](const std::vector<int>& of, std::size_t from, std::vector<int>& into) {
        into.clear();
        for (std::size_t k = of.size(); k-- > from;) {
            const int row = of[k];
            if (row < 0) continue;
            if (static_cast<std::size_t>(row) >= into.size()) into.resize(static_cast<std::size_t>(row) + 1, -1);
            into[static_cast<std::size_t>(row)] = static_cast<int>(k);
        }
    };
    inverse(FGridRows, 1, lineOfRow_);
    inverse(FItemRows, 0, itemOfRow_);
    rowMapsValid_ = true;
}

int TFChild::GridRowOfRow(int row) const
{
    if (row < 0) return -1;
    if (!rowMapsValid_) BuildRowMaps();
    return static_cast<std::size_t>(row) < lineOfRow_.size() ? lineOfRow_[static_cast<std::size_t>(row)] : -1;
}

int TFChild::ItemOfRow(int row) const
{
    if (row < 0) return -1;
    if (!rowMapsValid_) BuildRowMaps();
    return static_cast<std::size_t>(row) < itemOfRow_.size() ? itemOfRow_[static_cast<std::size_t>(row)] : -1;
}

int TFChild::FirstEmptyGridRow() const
{
    for (int l = 1; l < GridLineCount(); ++l)
        if (GridCell(0, l).empty() && GridCell(1, l).empty()) return l;
    return GridLineCount();
}

// ---- selection -----------------------------------------------------------

namespace {

// The selected line range of the table view (lines from 1), or (-1, -1).
std::pair<int, int> SelectedLineRange(const TCollectionGrid* grid)
{
    int first = -1, last = -1;
    for (const auto& range : grid->selectedRanges()) {
        const int a = range.topRow() + 1;
        const int b = range.bottomRow() + 1;
        first = first < 0 ? a : std::min(first, a);
        last = std::max(last, b);
    }
    return {first, last};
}

void SelectLineRange(TCollectionGrid* grid, int first, int last)
{
    if (first < 1 || grid->columnCount() == 0) {
        grid->clearSelection();
        return;
    }
    last = std::min(last, grid->rowCount());
    // The current line moves first and the selection changes in one step:
    // whoever hears of the change (the log window) reads the new line.
    QAbstractItemModel* model = grid->model();
    grid->selectionModel()->setCurrentIndex(model->index(first - 1, 0), QItemSelectionModel::NoUpdate);
    grid->selectionModel()->select(
        QItemSelection(model->index(first - 1, 0), model->index(last - 1, grid->columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect);
}

}  // namespace

int TFChild::SelectedRow() const
{
    if (view_ == View::Icons) {
        const int item = ListView->currentRow();
        if (item < 0 || item >= static_cast<int>(FItemRows.size())) return -1;
        return FItemRows[static_cast<std::size_t>(item)];
    }
    const int line = StringGrid->currentRow() + 1;
    if (line < 1 || line >= static_cast<int>(FGridRows.size())) return -1;
    return FGridRows[static_cast<std::size_t>(line)];
}

std::vector<int> TFChild::GetSelectedRows() const
{
    std::vector<int> rows;
    if (view_ == View::Icons) {
        if (!FIconsFilled) return rows;
        for (int i = 0; i < ListView->count(); ++i)
            if (ListView->item(i)->isSelected() && i < static_cast<int>(FItemRows.size()))
                rows.push_back(FItemRows[static_cast<std::size_t>(i)]);
        return rows;
    }
    const auto [first, last] = SelectedLineRange(StringGrid);
    for (int l = std::max(first, 1); first >= 0 && l <= last && l < static_cast<int>(FGridRows.size()); ++l)
        if (FGridRows[static_cast<std::size_t>(l)] >= 0) rows.push_back(FGridRows[static_cast<std::size_t>(l)]);
    return rows;
}

void TFChild::SelectRows(const std::vector<int>& rows)
{
    const bool was = FSelecting;
    FSelecting = true;
    if (view_ == View::Icons) {
        ListView->clearSelection();
        int firstItem = -1;
        std::vector<int> items;
        for (int r : rows) {
            const int item = ItemOfRow(r);
            if (item < 0) continue;
            items.push_back(item);
            if (firstItem < 0) firstItem = item;
        }
        SelectItems(items);
        if (firstItem >= 0) {
            ListView->setCurrentRow(firstItem, QItemSelectionModel::NoUpdate);
            const CollectionRow& r = FRows[static_cast<std::size_t>(FItemRows[static_cast<std::size_t>(firstItem)])];
            FSelecting = was;
            ShowBorehole(r.Indice, r.Design);
        }
        FSelecting = was;
        return;
    }
    int first = -1, last = -1;
    for (int r : rows) {
        const int line = GridRowOfRow(r);
        if (line < 0) continue;
        first = first < 0 ? line : std::min(first, line);
        last = std::max(last, line);
    }
    if (rows.empty()) {
        StringGrid->clearSelection();
        DrawGrid->SetSelection(-1, -1);
    } else if (first >= 0) {
        SelectLineRange(StringGrid, first, last);
        DrawGrid->SetSelection(first - 1, last - 1);
        if (view_ == View::Logs) DrawGrid->update();
    }
    FSelecting = was;
    if (first >= 0) StringGridClick();
}

void TFChild::SelectRow(const std::string& indice, const std::string& design)
{
    const int r = FindRow(indice, design);
    if (r >= 0) SelectRows({r});
}

void TFChild::SelectAll()
{
    const int lines = GridLineCount();
    const bool was = FSelecting;
    FSelecting = true;
    if (lines > 1) SelectLineRange(StringGrid, 1, lines - 1);
    FSelecting = was;
    StringGridSelectionChanged();
    if (view_ == View::Icons) {
        FSelecting = true;
        ListView->selectAll();
        FSelecting = was;
    }
}

void TFChild::StringGridSelectionChanged()
{
    if (FSelecting) return;
    FSelecting = true;
    const auto [first, last] = SelectedLineRange(StringGrid);
    DrawGrid->SetSelection(first < 0 ? -1 : first - 1, last < 0 ? -1 : last - 1);
    if (FIconsFilled) {
        ListView->clearSelection();
        std::vector<int> items;
        for (int l = std::max(first, 1); first >= 0 && l <= last && l < static_cast<int>(FGridRows.size()); ++l) {
            const int item = ItemOfRow(FGridRows[static_cast<std::size_t>(l)]);
            if (item >= 0) items.push_back(item);
        }
        SelectItems(items);
    }
    FSelecting = false;
    StringGridClick();
}

void TFChild::ListViewSelectionChanged()
{
    if (FSelecting) return;
    FSelecting = true;
    int first = -1, last = -1;
    for (int i = 0; i < ListView->count(); ++i) {
        if (!ListView->item(i)->isSelected() || i >= static_cast<int>(FItemRows.size())) continue;
        const int line = GridRowOfRow(FItemRows[static_cast<std::size_t>(i)]);
        if (line < 0) continue;
        first = first < 0 ? line : std::min(first, line);
        last = std::max(last, line);
    }
    if (first >= 0) {
        SelectLineRange(StringGrid, first, last);
        DrawGrid->SetSelection(first - 1, last - 1);
    }
    FSelecting = false;
    const int row = SelectedRow();
    if (row >= 0) ShowBorehole(FRows[static_cast<std::size_t>(row)].Indice, FRows[static_cast<std::size_t>(row)].Design);
}

void TFChild::StripSelectionChanged()
{
    if (FSelecting) return;
    FSelecting = true;
    if (DrawGrid->SelFirst >= 0) SelectLineRange(StringGrid, DrawGrid->SelFirst + 1, DrawGrid->SelLast + 1);
    else StringGrid->clearSelection();
    if (DrawGrid->Current >= 0)
        StringGrid->selectionModel()->setCurrentIndex(StringGrid->model()->index(DrawGrid->Current, 0),
                                                     QItemSelectionModel::NoUpdate);
    FSelecting = false;
    StringGridClick();
}

// ---- views -------------------------------------------------------------

void TFChild::ShowListView()
{
    view_ = View::List;
    stack_->setCurrentWidget(StringGrid);
}

void TFChild::FillIconItems()
{
    ClearThumbnails();
    ListView->clear();
    FItemRows.clear();
    for (std::size_t i = 0; i < FRows.size(); ++i) {
        if (RowHidden(FRows[i])) continue;
        auto* item = new QListWidgetItem(ToQString(FRows[i].Indice + " " + FRows[i].Design));
        item->setData(Qt::UserRole, static_cast<int>(i));
        ListView->addItem(item);
        FItemRows.push_back(static_cast<int>(i));
    }
    RowMapsChanged();
}

void TFChild::ShowIconView()
{
    view_ = View::Icons;
    stack_->setCurrentWidget(ListView);
    ListView->setFocus();
    if (!FIconsFilled) {
        // Only the icon view is filled: the table keeps its selection, which
        // the new items take over.
        const std::vector<int> selected = GetSelectedRowsOfTable();
        FSelecting = true;
        FillIconItems();
        std::vector<int> items;
        for (int r : selected)
            if (const int item = ItemOfRow(r); item >= 0) items.push_back(item);
        SelectItems(items);
        FIconsFilled = true;
        FSelecting = false;
    }
}

void TFChild::SelectItems(std::vector<int> items)
{
    // One selection of runs of neighbouring items: selecting the items one by
    // one costs a pass over the selection so far at each, the square of the
    // count in all.
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    QItemSelection selection;
    const QAbstractItemModel* model = ListView->model();
    for (std::size_t k = 0; k < items.size();) {
        std::size_t end = k + 1;
        while (end < items.size() && items[end] == items[end - 1] + 1) ++end;
        selection.append(QItemSelectionRange(model->index(items[k], 0), model->index(items[end - 1], 0)));
        k = end;
    }
    if (!selection.isEmpty()) ListView->selectionModel()->select(selection, QItemSelectionModel::Select);
}

std::vector<int> TFChild::GetSelectedRowsOfTable() const
{
    std::vector<int> rows;
    const auto [first, last] = SelectedLineRange(StringGrid);
    for (int l = std::max(first, 1); first >= 0 && l <= last && l < static_cast<int>(FGridRows.size()); ++l)
        if (FGridRows[static_cast<std::size_t>(l)] >= 0) rows.push_back(FGridRows[static_cast<std::size_t>(l)]);
    return rows;
}

void TFChild::ShowLogView()
{
    view_ = View::Logs;
    ComputeAltitudeRange();
    DrawGrid->FitColumns();
    const auto [first, last] = SelectedLineRange(StringGrid);
    DrawGrid->SetSelection(first < 0 ? -1 : first - 1, last < 0 ? -1 : last - 1);
    DrawGrid->Current = StringGrid->currentRow();
    stack_->setCurrentWidget(DrawGrid);
    DrawGrid->setFocus();
}

void TFChild::SetFilterEmpty(bool on)
{
    std::vector<std::pair<std::string, std::string>> keep;
    for (int r : GetSelectedRows()) keep.emplace_back(FRows[static_cast<std::size_t>(r)].Indice, FRows[static_cast<std::size_t>(r)].Design);
    const int top = StringGrid->verticalScrollBar()->value();
    FFilterEmpty = on;
    RefreshList();
    const std::vector<int> rows = FindRows(FRows, keep);
    SelectRows(rows);
    StringGrid->verticalScrollBar()->setValue(top);
}

// ---- ouvrages ------------------------------------------------------------

void TFChild::AddBorehole(const std::string& indice, const std::string& design)
{
    if (FindRow(indice, design) >= 0) return;
    TDirBlock* hole = FRoot().GetOrCreateSubDir(indice, false);
    FRows.push_back(CollectionRow{indice, design, -1});
    TDirBlock* table = hole->GetOrCreateSubDir("Ouvrage", false);
    const int n = table->RowCount();
    if (n > 0) table->InsertRow(n);
    table->SetPathString(kDesign, n, btString, design);
    FillView(static_cast<int>(FRows.size()) - 1);
}

// ---- log window, status line, tubes ----------------------------------------

void TFChild::StringGridClick()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(FRows.size())) return;
    ShowBorehole(FRows[static_cast<std::size_t>(row)].Indice, FRows[static_cast<std::size_t>(row)].Design);
}

void TFChild::ShowBorehole(const std::string& indice, const std::string& design)
{
    if (LogViewLink* link = GetLogViewLink()) {
        link->SetBorehole(&FRoot(), indice, design);
        const std::vector<std::string> tubes = FillTubeList(indice, design, true);
        link->SetTubes(tubes, tubes.empty() ? -1 : 0);
        link->Redraw();
    }
    const CollectionDrawing& d = GetCollectionDrawing();
    if (const auto codes = UndescribedCodes(FRoot(), indice, d.codeDescribed)) {
        if (StatusLine) StatusLine(UndescribedCodesText(*codes));
    }
}

std::vector<std::string> TFChild::FillTubeList(const std::string& indice, const std::string& design,
                                               bool withDefault) const
{
    return TubeList(document_->Root(), indice, design, withDefault, OptNomTubeSimple, OptEnteteMultitube);
}

bool TFChild::HasOnlyDefaultTube() const
{
    const int row = SelectedRow();
    if (row < 0) return true;
    const CollectionRow& r = FRows[static_cast<std::size_t>(row)];
    return OnlyDefaultTube(document_->Root(), r.Indice, r.Design, OptNomTubeSimple);
}

// ---- editors -------------------------------------------------------------
//
// The entry points the [Tables] commands reach: each checks the selection,
// then opens its editor (record sheet, spreadsheet, keywords, tube manager).
// Only a window built without its spreadsheet editor, as some tests build it,
// fails, with a message naming the editor that the table-command dispatcher
// shows.

namespace {

bool ValidSelection(const TFChild& child)
{
    const int row = child.SelectedRow();
    if (row < 0 || row >= static_cast<int>(child.Rows().size()) || child.Rows()[static_cast<std::size_t>(row)].Indice.empty()) {
        ShowMessage(kInvalidSelectedRow);
        return false;
    }
    return true;
}

}  // namespace

void TFChild::EditSection(const std::string& section, bool fromDatabase)
{
    if (!ValidSelection(*this)) return;
    EditionOpen(*this, section, fromDatabase);
}

void TFChild::EditTable(const std::string& table, bool dropIfEmpty, int rowToSelect, bool fromDatabase)
{
    if (!ValidSelection(*this)) return;
    if (!FTableur) throw std::runtime_error(MissingEditorMessage("tableur " + table + " (TFTableur)"));
    OpenSpreadsheet(*FTableur, *this, table, dropIfEmpty, rowToSelect, fromDatabase);
}

void TFChild::EditKeywords(const std::string& table, bool flag)
{
    // The keywords editor (keywords_window.cpp) checks the row itself.
    const int row = SelectedRow();
    try {
        MotClesOpen(this, row, flag, table, this);
    } catch (...) {
        ShowMessage("Erreur avec la fen\xC3\xAAtre des mots-cl\xC3\xA9s : " + CurrentExceptionMessage());
    }
    if (row >= 0) FillView(row);
    if (LogViewLink* log = GetLogViewLink()) log->Redraw();
}

void TFChild::EditMultitubes(const std::string& table)
{
    if (SelectedRow() < 0) return;
    MultitubesOpen(*this, table);
}

// ---- tooltip ---------------------------------------------------------------

std::string TFChild::GetTooltipText(int row) const
{
    if (row < 0 || row >= static_cast<int>(FRows.size())) return {};
    const CollectionRow& r = FRows[static_cast<std::size_t>(row)];
    return TooltipText(InfobullePath, document_->Root(), r.Indice, r.Design);
}

int TFChild::RowAtMouse(QWidget* view, QPoint point) const
{
    int line = -1;
    if (view == StringGrid->viewport()) {
        const int r = StringGrid->rowAt(point.y());
        line = r < 0 ? -1 : r + 1;
    } else if (view == DrawGrid) {
        const int c = DrawGrid->ColumnAt(point.x());
        line = c < 0 ? -1 : c + 1;
    } else if (view == ListView->viewport()) {
        const QListWidgetItem* item = ListView->itemAt(point);
        if (!item) return -1;
        const int i = ListView->row(item);
        return i < static_cast<int>(FItemRows.size()) ? FItemRows[static_cast<std::size_t>(i)] : -1;
    }
    if (line < 1 || line >= static_cast<int>(FGridRows.size())) return -1;
    return FGridRows[static_cast<std::size_t>(line)];
}

void TFChild::MouseMoveOver(QWidget* view, QPoint point)
{
    if (!FInfo) return;
    TooltipMouseMove(this, view, point, TooltipsOn ? TooltipsOn() : false, FTooltipState, FHoverRow,
                     [&] { return RowAtMouse(view, point); }, [this](int r) { return GetTooltipText(r); });
}

void TFChild::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) TooltipDeactivate(this, FTooltipState);
    QWidget::changeEvent(event);
}

void TFChild::KeyEnter()
{
    if (LogViewLink* link = GetLogViewLink()) link->ShowAndFocus();
}

bool TFChild::eventFilter(QObject* watched, QEvent* event)
{
    // Views send events while the window is still being built.
    if (!StringGrid || !ListView || !DrawGrid) return QWidget::eventFilter(watched, event);
    bool handled = false;
    RunGuarded([&] {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (auto* w = qobject_cast<QWidget*>(watched)) MouseMoveOver(w, me->position().toPoint());
        } else if (type == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                KeyEnter();
                handled = true;
            }
        } else if (watched == StringGrid->viewport() && type == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            const int r = StringGrid->rowAt(me->position().toPoint().y());
            const int line = r < 0 ? -1 : r + 1;
            if (me->button() == Qt::RightButton && line >= 1 && !GridCell(0, line).empty()) {
                const bool already = SelectedLineRange(StringGrid) == std::pair{line, line} && StringGrid->currentRow() == line - 1;
                SelectLineRange(StringGrid, line, line);
                // An unchanged selection tells no one: the log window may
                // still show another collection's ouvrage.
                if (already) StringGridClick();
                FRowClicked = false;
                if (OpenTablesPopup) OpenTablesPopup();
                handled = true;
            } else {
                FRowClicked = line >= 1;
            }
        } else if (watched == StringGrid->viewport() && type == QEvent::MouseButtonDblClick) {
            const int line = StringGrid->currentRow() + 1;
            if (FRowClicked && line >= 1 && !GridCell(0, line).empty() && OpenTablesPopup) OpenTablesPopup();
            handled = true;
        } else if (watched == ListView->viewport() && type == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::RightButton) {
                const QListWidgetItem* item = ListView->itemAt(me->position().toPoint());
                if (item && item->isSelected() && OpenTablesPopup) OpenTablesPopup();
                handled = item != nullptr;
            }
        }
    });
    return handled || QWidget::eventFilter(watched, event);
}

// ---- log strips and thumbnails ---------------------------------------------

void TFChild::ComputeAltitudeRange()
{
    strips_ = ::ComputeAltitudeRange(FRoot(), FRows, GetCollectionDrawing().levelExtent);
}

void TFChild::DrawStripCell(QPainter& painter, int column, const QRect& cell)
{
    const int line = column + 1;
    if (line < 1 || line >= static_cast<int>(FGridRows.size())) return;
    const int row = FGridRows[static_cast<std::size_t>(line)];
    if (row < 0) return;
    const CollectionRow& r = FRows[static_cast<std::size_t>(row)];
    TRect rect{cell.left(), cell.top(), cell.left() + cell.width(), cell.top() + cell.height()};
    double depthTo = MissingFloat;
    const std::optional<double> z = GroundAltitude(FRoot(), r.Indice, r.Design);
    if (const std::optional<std::int32_t> offset = StripTopOffset(z, strips_, cell.height())) {
        rect.Top += *offset;
        depthTo = *strips_.bottom + *z;
    }
    if (rect.IsEmpty()) return;
    QPainterCanvas canvas(&painter);
    const CollectionDrawing& d = GetCollectionDrawing();
    d.drawStrip(canvas, FRoot(), r.Indice, r.Design, rect, depthTo);
}

void TFChild::ClearThumbnails()
{
    FImages.clear();
    for (CollectionRow& r : FRows) r.ImageIndex = -1;
}

void TFChild::DrawRowIcon(int row)
{
    if (row < 0 || row >= static_cast<int>(FRows.size())) return;
    CollectionRow& r = FRows[static_cast<std::size_t>(row)];
    QImage scratch(kThumbWidth * 4, kThumbHeight * 4, QImage::Format_RGB888);
    scratch.fill(Qt::white);
    bool drawn = false;
    {
        QPainterCanvas canvas(&scratch);
        const TRect rect{0, 0, scratch.width(), scratch.height()};
        const CollectionDrawing& d = GetCollectionDrawing();
        try {
            drawn = d.drawLog(canvas, FRoot(), r.Indice, r.Design, rect);
        } catch (...) {
            drawn = false;
        }
    }
    if (!drawn) scratch.fill(Qt::white);
    DownsampleBitmap(scratch, 4);
    const QPixmap thumb = QPixmap::fromImage(scratch.copy(0, 0, kThumbWidth, kThumbHeight));
    if (r.ImageIndex >= 0 && r.ImageIndex < static_cast<int>(FImages.size())) {
        FImages[static_cast<std::size_t>(r.ImageIndex)] = thumb;
    } else {
        FImages.push_back(thumb);
        r.ImageIndex = static_cast<std::int32_t>(FImages.size() - 1);
    }
}

const QPixmap& TFChild::RowThumbnail(int row)
{
    if (row < 0 || row >= static_cast<int>(FRows.size())) return emptyThumb_;
    if (FRows[static_cast<std::size_t>(row)].ImageIndex < 0) DrawRowIcon(row);
    const int idx = FRows[static_cast<std::size_t>(row)].ImageIndex;
    return idx >= 0 && idx < static_cast<int>(FImages.size()) ? FImages[static_cast<std::size_t>(idx)] : emptyThumb_;
}
