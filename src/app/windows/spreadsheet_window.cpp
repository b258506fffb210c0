#include "app/windows/spreadsheet_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QStyle>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "app/collection_links.h"
#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "coding/codage_binding.h"
#include "drawing/swatches.h"
#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"

TFTableur* FTableur = nullptr;

// ---- the grid adapter: sheet row 0 is the header, sheet row r widget row r-1 ----

class TableurWidgetGrid final : public TableurGrid {
public:
    explicit TableurWidgetGrid(QTableWidget* table) : table_(table) {}
    int ColCount() const override { return table_->columnCount(); }
    int RowCount() const override { return table_->rowCount() + 1; }
    int FixedCols() const override { return 0; }
    int FixedRows() const override { return 1; }
    void SetRowCount(int rows) override
    {
        const QSignalBlocker block(table_);
        table_->setRowCount(std::max(rows - 1, 0));
    }
    void SetColCount(int cols) override
    {
        const QSignalBlocker block(table_);
        table_->setColumnCount(std::max(cols, 0));
    }
    std::string Cell(int col, int row) const override
    {
        if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) return {};
        const QTableWidgetItem* item = row == 0 ? table_->horizontalHeaderItem(col) : table_->item(row - 1, col);
        return item ? FromQString(item->text()) : std::string();
    }
    void SetCell(int col, int row, const std::string& text) override
    {
        if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) return;
        const QSignalBlocker block(table_);
        if (row == 0) {
            table_->setHorizontalHeaderItem(col, new QTableWidgetItem(ToQString(text)));
            return;
        }
        QTableWidgetItem* item = table_->item(row - 1, col);
        if (!item) {
            if (text.empty()) return;
            item = new QTableWidgetItem();
            table_->setItem(row - 1, col, item);
        }
        item->setText(ToQString(text));
        table_->viewport()->update();
    }
    int ColWidth(int col) const override { return table_->columnWidth(col); }
    void SetColWidth(int col, int width) override { table_->setColumnWidth(col, width); }
    int TextWidth(const std::string& text) const override
    {
        return table_->fontMetrics().horizontalAdvance(ToQString(text));
    }

private:
    QTableWidget* table_;
};

// ---- cell drawing and editors ------------------------------------------------

// The grid: the view's own commit and close of its editor, so that the
// editor is stored through the view that owns it, once.
class TableurTable final : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    bool Editing() const { return state() == EditingState; }
    void CommitAndClose(QWidget* editor)
    {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
};

bool Editing(QTableWidget* grid) { return static_cast<TableurTable*>(grid)->Editing(); }

class TableurDelegate final : public QStyledItemDelegate {
public:
    explicit TableurDelegate(TFTableur* owner) : QStyledItemDelegate(owner), owner_(owner) {}
    // The editor open in the grid, none once the view let it go.
    QPointer<QWidget> Editor;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        auto* self = const_cast<TableurDelegate*>(this);
        self->Editor = editor;
        self->fresh_ = true;
        return editor;
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (Editor == editor) const_cast<TableurDelegate*>(this)->Editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line) return QStyledItemDelegate::setEditorData(editor, index);
        // The text is set once, when the editor opens: a cell stored under an
        // open editor must not take back what the user is typing.
        if (!fresh_) return;
        const_cast<TableurDelegate*>(this)->fresh_ = false;
        line->setText(ToQString(owner_->GridGetEditText(index.column(), index.row() + 1)));
    }
    // The keys of the grid reach the window from inside the editor too, before
    // the editor's own handling of Enter, Escape and the like.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && watched == Editor.data()) {
            bool handled = false;
            RunGuarded([&] { handled = owner_->EditorKeyPress(static_cast<QKeyEvent*>(event)); });
            if (handled) return true;
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        TableurSheet& sheet = owner_->Logic();
        const int col = index.column();
        const int row = index.row() + 1;
        const bool motif = sheet.IsNiveau() && col == static_cast<int>(sheet.Defs.size());
        QStyleOptionViewItem opt(option);
        if (!motif && sheet.CellDiffers(col, row)) {
            opt.palette.setColor(QPalette::Text, QColor(224, 144, 0));
            opt.palette.setColor(QPalette::HighlightedText, QColor(224, 144, 0));
        }
        QStyledItemDelegate::paint(painter, opt, index);
        if (motif) {
            const int code = sheet.ColumnOf("CodeNiv");
            if (code >= 0) {
                const QRect r = option.rect;
                QPainterCanvas canvas(painter);
                DrawCodeSwatch(canvas, sheet.Grid.Cell(code, row),
                               TRect{r.left() + 1, r.top() + 1, r.right(), r.bottom()});
            }
            return;
        }
        if (row - 1 < static_cast<int>(sheet.RowMap.size()) && sheet.RowMap[static_cast<std::size_t>(row) - 1].Selected > 0) {
            painter->save();
            painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter->fillRect(option.rect, Qt::white);
            painter->restore();
        }
    }

private:
    TFTableur* owner_;
    bool fresh_ = false;
};

// ---- the equipment image -----------------------------------------------------------

void TTableurImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!Bitmap.isNull()) p.drawImage(0, 0, Bitmap);
}

void TTableurImage::mousePressEvent(QMouseEvent* event)
{
    if (Pressed) RunGuarded([&] { Pressed(event->position().toPoint()); });
}

void TTableurImage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (FTableur && FTableur->Image == this) FTableur->Logic().RedrawImage = true;
}

// ---- the window ---------------------------------------------------------------------

namespace {

QToolButton* MakeTool(QToolBar* bar, const char* name, const char* text, const char* hint)
{
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromUtf8(name));
    b->setText(QString::fromUtf8(text));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

const std::vector<std::string> kEquipmentTables = {"Trou-nu", "Tubage", "Annulaire", "AnnulaireInterne"};

}  // namespace

TFTableur::TFTableur(QWidget* parent) : QDialog(parent)
{
    setObjectName("FTableur");
    setWindowTitle("Tableur");
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    resize(760, 420);

    auto* bar = new QToolBar(this);
    ToolButton9 = MakeTool(bar, "ToolButton9", "\xE2\x9C\x94", "Valider les changements et fermer la fen\xC3\xAAtre");
    bar->addSeparator();
    ToolButton1 = MakeTool(bar, "ToolButton1", "Couper", "Couper les cases s\xC3\xA9lectionner");
    ToolButton2 = MakeTool(bar, "ToolButton2", "Copier", "Copier les cases s\xC3\xA9lectionn\xC3\xA9" "es");
    ToolButton3 = MakeTool(bar, "ToolButton3", "Coller", "Coller les cases");
    bar->addSeparator();
    ToolButton6 = MakeTool(bar, "ToolButton6", "+", "Nouvelle ligne");
    ToolButton7 = MakeTool(bar, "ToolButton7", "-", "Supprimer ligne");
    bar->addSeparator();
    ToolPopup = MakeTool(bar, "ToolPopup", "Lex", "Lexique");
    ToolEdit = MakeTool(bar, "ToolEdit", "Ed", "Mode \xC3\xA9" "dition");
    ToolEdit->setCheckable(true);
    bar->addSeparator();
    ButtonBDD = new QPushButton(QString::fromUtf8("R\xC3\xA9" "cup\xC3\xA9rer dans la base de donn\xC3\xA9" "es"), bar);
    ButtonBDD->setObjectName("ButtonBDD");
    bar->addWidget(ButtonBDD);
    CAutoCodage = new QCheckBox(QString::fromUtf8("Codage instantan\xC3\xA9"), bar);
    CAutoCodage->setObjectName("CAutoCodage");
    CAutoCodage->setChecked(true);
    bar->addWidget(CAutoCodage);
    BCode = new QPushButton("Coder le forage", bar);
    BCode->setObjectName("BCode");
    bar->addWidget(BCode);
    BCodeSel = new QPushButton(QString::fromUtf8("Coder la s\xC3\xA9lection"), bar);
    BCodeSel->setObjectName("BCodeSel");
    bar->addWidget(BCodeSel);
    // The check-mark that validates and closes, at the right end as the
    // program's caption-bar button would stand.
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    CaptionButton1 = MakeTool(bar, "CaptionButton1", "\xE2\x9C\x94", "Valider les changements et fermer la fen\xC3\xAAtre");
    toolBar_ = bar;
    for (QAction* a : bar->actions())
        if (QWidget* w = bar->widgetForAction(a); w == ButtonBDD || w == CAutoCodage || w == BCode || w == BCodeSel)
            wrapping_.push_back(a);
    toolRow2_ = new QToolBar(this);
    toolRow2_->setObjectName("ToolRow2");
    toolRow2_->hide();
    // Enter belongs to the grid (edit mode): no button of this dialog may
    // take it as its default, or a key meant for a cell would run it.
    for (QPushButton* b : {ButtonBDD, BCode, BCodeSel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName("Splitter");
    Grid = new TableurTable(Splitter);
    Grid->setObjectName("Grid");
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(18);
    Grid->horizontalHeader()->setDefaultSectionSize(32);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setShowGrid(true);
    Grid->setItemDelegate(new TableurDelegate(this));
    Image = new TTableurImage(Splitter);
    Image->setObjectName("Image");
    Image->setAttribute(Qt::WA_OpaquePaintEvent);
    Image->setMinimumWidth(60);
    Splitter->addWidget(Grid);
    Splitter->addWidget(Image);
    Splitter->setStretchFactor(0, 3);
    Splitter->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(toolRow2_);
    layout->addWidget(Splitter, 1);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PopupMenu");
    Couper1 = PopupMenu->addAction(QString::fromUtf8("Couper les cases s\xC3\xA9lectionn\xC3\xA9" "es"));
    Couper1->setObjectName("Couper1");
    Copier1 = PopupMenu->addAction("Copier les cases");
    Copier1->setObjectName("Copier1");
    Coller1 = PopupMenu->addAction("Coller les cases");
    Coller1->setObjectName("Coller1");
    SelLigne = PopupMenu->addAction(QString::fromUtf8("S\xC3\xA9lectionner/d\xC3\xA9s\xC3\xA9lectionner la ligne"));
    SelLigne->setObjectName("SelLigne");

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);

    adapter_ = std::make_unique<TableurWidgetGrid>(Grid);
    Sheet = std::make_unique<TableurSheet>(*adapter_);
    Sheet->SelectRowHook = [this](int r) { SelectRow(r); };
    Sheet->ProcessEventsHook = [] { QCoreApplication::processEvents(); };
    Sheet->RepaintRowHook = [this](int) { Grid->viewport()->update(); };

    connect(ToolButton9, &QToolButton::clicked, this, GuardedSlot([this] { ValidateAndClose(); }));
    connect(CaptionButton1, &QToolButton::clicked, this, GuardedSlot([this] { ValidateAndClose(); }));
    connect(ToolButton1, &QToolButton::clicked, this, GuardedSlot([this] { CutCells(); }));
    connect(ToolButton2, &QToolButton::clicked, this, GuardedSlot([this] { CopyCells(); }));
    connect(ToolButton3, &QToolButton::clicked, this, GuardedSlot([this] { PasteCells(); }));
    connect(ToolButton6, &QToolButton::clicked, this, GuardedSlot([this] { InsertRow(); }));
    connect(ToolButton7, &QToolButton::clicked, this, GuardedSlot([this] { DeleteRow(); }));
    connect(ToolPopup, &QToolButton::clicked, this,
            GuardedSlot([this] { ShowCellPopup(Grid->viewport()->mapFromGlobal(QCursor::pos())); }));
    connect(ToolEdit, &QToolButton::clicked, this, GuardedSlot([this] { ToggleEditMode(); }));
    connect(ButtonBDD, &QPushButton::clicked, this, GuardedSlot([this] { FillFromDatabase(); }));
    connect(BCode, &QPushButton::clicked, this, GuardedSlot([this] { CodeAll(); }));
    connect(BCodeSel, &QPushButton::clicked, this, GuardedSlot([this] { CodeSelection(); }));
    connect(Couper1, &QAction::triggered, this, GuardedSlot([this] { CutCells(); }));
    connect(Copier1, &QAction::triggered, this, GuardedSlot([this] { CopyCells(); }));
    connect(Coller1, &QAction::triggered, this, GuardedSlot([this] { PasteCells(); }));
    connect(SelLigne, &QAction::triggered, this, GuardedSlot([this] { ToggleRowMarks(); }));
    connect(Timer1, &QTimer::timeout, this, GuardedSlot([this] { TimerTick(); }));
    connect(Grid, &QTableWidget::itemChanged, this,
            GuardedSlot([this](QTableWidgetItem* item) { GridSetEditText(item->column(), item->row() + 1); }));
    connect(Grid, &QTableWidget::currentCellChanged, this, GuardedSlot([this](int row, int col, int, int) {
                if (Sheet->Loading || row < 0) return;
                // The "Motif" column of the levels shows patterns; it takes no cursor.
                if (Sheet->IsNiveau() && col == static_cast<int>(Sheet->Defs.size()) && col > 0) {
                    Grid->setCurrentCell(row, col - 1);
                    return;
                }
                if (!Sheet->TableDir) return;
                Sheet->EnsureEmptyLastRow(row + 1);
                // In edit mode the editor follows the current cell.
                if (EditMode()) QTimer::singleShot(0, this, GuardedSlot([this] {
                    if (EditMode() && !OpenEditor()) editMode_ = false;
                    ToolEdit->setChecked(editMode_);
                }));
            }));
    Image->Pressed = [this](QPoint p) {
        if (!TableurSeams().EquipmentRowsAt) return;
        for (const int r : TableurSeams().EquipmentRowsAt(p.x(), p.y())) SelectRow(r);
    };
    Grid->installEventFilter(this);
    Grid->viewport()->installEventFilter(this);
}

TFTableur::~TFTableur()
{
    if (FTableur == this) FTableur = nullptr;
}

// ---- opening -------------------------------------------------------------------------

void TFTableur::OpenTable(TFChild* child, int row, const std::string& table, bool dropIfEmpty, bool fromDatabase)
{
    if (row == -1) return;
    if (!child || row < 0 || row >= static_cast<int>(child->Rows().size()))
        throw std::runtime_error("Param\xC3\xA8tres manquant pour afficher le tableur");
    const CollectionRow& r = child->Rows()[static_cast<std::size_t>(row)];
    Open(&child->FRoot(), r.Indice, r.Design, table, dropIfEmpty, fromDatabase);
}

void TFTableur::OpenTableOn(TDirBlock* root, const std::string& indice, const std::string& design,
                            const std::string& table, bool dropIfEmpty, bool fromDatabase)
{
    if (!root) throw std::runtime_error("Param\xC3\xA8tres manquant pour afficher le tableur");
    Open(root, indice, design, table, dropIfEmpty, fromDatabase);
}

void TFTableur::Open(TDirBlock* root, const std::string& indice, const std::string& design, const std::string& table,
                     bool dropIfEmpty, bool fromDatabase)
{
    TableurSheet& s = *Sheet;
    s.TableName = table;
    s.Indice = indice;
    s.TubeName = TubeName;
    s.Designation = design;
    const bool hadDesign = s.PrepareDefinitions();
    setWindowTitle(ToQString(s.Caption(hadDesign)));
    s.TableDir = root->ForceDir(indice + "\\" + table);
    s.Designation = hadDesign ? design : std::string();
    borehole_ = s.TableDir->Parent();
    closing_ = false;
    // The table and its borehole belong to the collection: the sheet lets go
    // of them when the opening ends, so nothing can reach them afterwards.
    auto finish = [&] {
        if (dropIfEmpty) s.DropTableIfEmpty();
        s.TableDir = nullptr;
        borehole_ = nullptr;
        Timer1->stop();
    };
    try {
        if (!fromDatabase) {
            if (s.LoadGrid()) {
                ApplyControlStates();
                exec();
            } else {
                ShowBox("Edition", "Erreur lors de la pr\xC3\xA9paration du tableur");
            }
        } else if (s.LoadGrid()) {
            repaint();
            s.FillFromDatabase();
            s.SaveGrid();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

// ---- showing, closing -----------------------------------------------------------------

// A widget of a tool bar is shown and hidden through its action: the tool
// bar keeps a widget it placed on screen whatever the widget says.
static void SetToolVisible(QWidget* w, bool visible)
{
    if (auto* bar = qobject_cast<QToolBar*>(w->parentWidget()))
        for (QAction* a : bar->actions())
            if (bar->widgetForAction(a) == w) {
                a->setVisible(visible);
                return;
            }
    w->setVisible(visible);
}

void TFTableur::ApplyControlStates()
{
    SetToolVisible(ButtonBDD, OptMenuBDD);
    ButtonBDD->setEnabled(static_cast<bool>(TableurSeams().RunQuery));
    const bool coding = Sheet->CodingColumnsPresent();
    const bool bound = CodageDLL().MakeCodeBound();
    for (QWidget* w : {static_cast<QWidget*>(CAutoCodage), static_cast<QWidget*>(BCode), static_cast<QWidget*>(BCodeSel)}) {
        SetToolVisible(w, coding);
        w->setEnabled(bound);
    }
    SelLigne->setVisible(Sheet->SelLigneVisible);
    ToolEdit->setChecked(EditMode());
    PlaceEquipment();
}

void TFTableur::PlaceEquipment()
{
    const bool equipment = std::find(kEquipmentTables.begin(), kEquipmentTables.end(), Sheet->TableName) !=
                               kEquipmentTables.end() &&
                           static_cast<bool>(TableurSeams().DrawEquipment);
    Image->setVisible(equipment);
    Sheet->RedrawImage = true;
}

void TFTableur::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Keys go to the grid from the start: Enter enters the edit mode.
    Grid->setFocus();
    RunGuarded([this] {
        ApplyControlStates();
        // As wide as the tool bar of this table needs, so that no button
        // falls behind its extension button.
        // (within the screen: a narrower one takes a second row).
        int need = OneRowWidth();
        if (const QScreen* sc = screen()) need = std::min(need, sc->availableGeometry().width() - 16);
        if (width() < need) resize(need, height());
        FitToolRows();
        Sheet->RedrawImage = true;
        Timer1->start();
    });
}

int TFTableur::OneRowWidth() const
{
    int width = toolBar_->sizeHint().width();
    if (toolRow2_->actions().isEmpty()) return width;
    const int spacing = style()->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, toolBar_);
    for (QAction* a : wrapping_)
        if (QWidget* w = toolRow2_->widgetForAction(a); w && a->isVisible()) width += w->sizeHint().width() + spacing;
    return width;
}

void TFTableur::FitToolRows()
{
    const bool two = width() < OneRowWidth();
    if (two == !toolRow2_->actions().isEmpty()) return;
    // The same actions move, so that what is shown or hidden of them (the
    // table's kind, the database menu) stays as it is.
    QToolBar* from = two ? toolBar_ : toolRow2_;
    QToolBar* to = two ? toolRow2_ : toolBar_;
    QAction* before = nullptr;  // back in front of the spacer of the check-mark
    if (!two) {
        const QList<QAction*> all = toolBar_->actions();
        before = all.size() >= 2 ? all[all.size() - 2] : nullptr;
    }
    for (QAction* a : wrapping_) {
        from->removeAction(a);
        to->insertAction(before, a);
    }
    toolRow2_->setVisible(two);
}

void TFTableur::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isVisible()) RunGuarded([this] { FitToolRows(); });
}

void TFTableur::hideEvent(QHideEvent* event)
{
    Timer1->stop();
    QDialog::hideEvent(event);
}

bool TFTableur::FormCloseQuery()
{
    CommitEditor();
    if (!Sheet->HasChanges()) return true;
    switch (AskYesNoCancel(kTableurEditionTitle, kTableurChangedQuestion)) {
    case MsgResult::Yes:
        return StoreGrid();
    case MsgResult::No:
        return true;
    default:
        return false;
    }
}

void TFTableur::FormClose()
{
    if (Sheet->IsNiveau() && IniCarotix && Grid->columnCount() > 0)
        IniCarotix->WriteInteger("Dessin", "LargeurColonneMotif", Grid->columnWidth(Grid->columnCount() - 1));
}

void TFTableur::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    bool mayClose = false;
    if (!RunGuarded([&] { mayClose = FormCloseQuery(); }) || !mayClose) {
        event->ignore();
        return;
    }
    RunGuarded([this] { FormClose(); });
    closing_ = true;
    editMode_ = false;
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void TFTableur::reject()
{
    if (!closing_) close();
}

void TFTableur::ValidateAndClose()
{
    CommitEditor();
    if (!StoreGrid()) return;
    if (!Sheet->HasChanges()) close();
}

bool TFTableur::StoreGrid()
{
    try {
        Sheet->SaveGrid();
        return true;
    } catch (const TableurCellError& e) {
        // Nothing was stored: the user corrects the cell named and saves again.
        editMode_ = false;
        ToolEdit->setChecked(false);
        Grid->clearSelection();
        SetCurrentCell(e.Col, e.Row);
        Grid->setFocus();
        ShowFailure(e.what());
        return false;
    }
}

bool TFTableur::CommitEditor()
{
    auto* delegate = static_cast<TableurDelegate*>(Grid->itemDelegate());
    QWidget* editor = delegate ? delegate->Editor.data() : nullptr;
    if (!editor || !Editing(Grid)) return false;
    static_cast<TableurTable*>(Grid)->CommitAndClose(editor);
    return true;
}

QLineEdit* TFTableur::OpenEditor()
{
    const int row = Grid->currentRow();
    const int col = Grid->currentColumn();
    if (row < 0 || col < 0) return nullptr;
    // The "Motif" column of the levels shows patterns: nothing to type there.
    if (Sheet->IsNiveau() && col == static_cast<int>(Sheet->Defs.size())) return nullptr;
    auto* delegate = static_cast<TableurDelegate*>(Grid->itemDelegate());
    if (!Editing(Grid)) {
        if (!Grid->item(row, col)) {
            const QSignalBlocker block(Grid);
            Grid->setItem(row, col, new QTableWidgetItem());
        }
        Grid->editItem(Grid->item(row, col));
    }
    return qobject_cast<QLineEdit*>(delegate->Editor.data());
}

// ---- selection ---------------------------------------------------------------------------

GridRect TFTableur::Selection() const
{
    const QList<QTableWidgetSelectionRange> ranges = Grid->selectedRanges();
    if (ranges.isEmpty()) {
        const int r = Grid->currentRow() + 1;
        const int c = std::max(Grid->currentColumn(), 0);
        return {c, std::max(r, 1), c, std::max(r, 1)};
    }
    GridRect g{ranges[0].leftColumn(), ranges[0].topRow() + 1, ranges[0].rightColumn(), ranges[0].bottomRow() + 1};
    for (const auto& range : ranges) {
        g.Left = std::min(g.Left, range.leftColumn());
        g.Right = std::max(g.Right, range.rightColumn());
        g.Top = std::min(g.Top, range.topRow() + 1);
        g.Bottom = std::max(g.Bottom, range.bottomRow() + 1);
    }
    return g;
}

int TFTableur::CurrentRow() const { return Grid->currentRow() + 1; }
int TFTableur::CurrentCol() const { return Grid->currentColumn(); }

void TFTableur::SetCurrentCell(int col, int row) { Grid->setCurrentCell(row - 1, col); }

void TFTableur::SelectRow(int row)
{
    if (row < 1 || row >= adapter_->RowCount()) return;
    const int last = Grid->columnCount() - 1 - (Sheet->IsNiveau() ? 1 : 0);
    if (last < 0) return;
    Grid->clearSelection();
    Grid->setCurrentCell(row - 1, 0, QItemSelectionModel::NoUpdate);
    Grid->setRangeSelected(QTableWidgetSelectionRange(row - 1, 0, row - 1, last), true);
    if (isVisible()) Sheet->RedrawImage = true;
}

// ---- keys and mouse ------------------------------------------------------------------------

bool TFTableur::EditMode() const { return editMode_; }

void TFTableur::ToggleEditMode()
{
    if (editMode_) {
        editMode_ = false;
        CommitEditor();
        Grid->setFocus();
        Sheet->SortByDepth(false);
    } else if (QLineEdit* line = OpenEditor()) {
        editMode_ = true;
        // The editor opens on the whole text, the caret at its end.
        line->deselect();
        line->end(false);
    }
    ToolEdit->setChecked(editMode_);
}

bool TFTableur::EditorKeyPress(QKeyEvent* key)
{
    const int k = key->key();
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter || (ctrl && (k == Qt::Key_Y || k == Qt::Key_N))) {
        const bool handled = GridKeyPress(key);
        ToolEdit->setChecked(editMode_);
        return handled;
    }
    return false;
}

bool TFTableur::GridKeyPress(QKeyEvent* key)
{
    const int k = key->key();
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (k == Qt::Key_Escape) {
        close();
        return true;
    }
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
        // Leaving the edit mode stores the cell; entering it opens the editor.
        if (!editMode_ && Editing(Grid)) editMode_ = true;
        ToggleEditMode();
        return true;
    }
    if (ctrl && k == Qt::Key_Y) {
        DeleteRow();
        return true;
    }
    if (ctrl && k == Qt::Key_N) {
        InsertRow();
        return true;
    }
    if (Editing(Grid)) return false;
    if (k == Qt::Key_F2) {
        if (!editMode_) ToggleEditMode();
        return true;
    }
    if (k == Qt::Key_Backspace) {
        // The cell is emptied in its editor: the old text stays the one the
        // change is measured against.
        ToggleEditMode();
        if (auto* line = qobject_cast<QLineEdit*>(static_cast<TableurDelegate*>(Grid->itemDelegate())->Editor.data()))
            line->clear();
        return true;
    }
    const QString text = key->text();
    if (!ctrl && !text.isEmpty() && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127) {
        // A character typed on a cell replaces its text: the editor opens
        // with the whole text selected and takes the key itself, so that the
        // cell is stored, and coded, once the user leaves it.
        QLineEdit* line = OpenEditor();
        if (!line) return true;
        editMode_ = true;
        ToolEdit->setChecked(true);
        line->selectAll();
        QCoreApplication::sendEvent(line, key);
        return true;
    }
    return false;
}

bool TFTableur::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == Grid) {
        bool handled = false;
        RunGuarded([&] { handled = GridKeyPress(static_cast<QKeyEvent*>(event)); });
        ToolEdit->setChecked(editMode_);
        return handled;
    }
    if ((watched == Grid || watched == Grid->viewport()) && event->type() == QEvent::ContextMenu) {
        // The right button opens the cell pop-up in edit mode too; the
        // keyboard's menu key only outside it, on the current cell.
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        if (menu->reason() == QContextMenuEvent::Mouse) {
            const QPoint p = watched == Grid ? Grid->viewport()->mapFrom(Grid, menu->pos()) : menu->pos();
            RunGuarded([&] {
                const GridRect sel = Selection();
                if (sel.Left == sel.Right && sel.Top == sel.Bottom) {
                    const QModelIndex at = Grid->indexAt(p);
                    if (at.isValid()) Grid->setCurrentCell(at.row(), at.column());
                }
                ShowCellPopup(p);
            });
        } else if (!EditMode()) {
            const QRect cell = Grid->visualRect(Grid->currentIndex());
            RunGuarded([&] { ShowCellPopup(cell.isValid() ? cell.center() : QPoint(0, 0)); });
        }
        return true;
    }
    if (watched == Grid->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QPoint p = mouse->position().toPoint();
            if (p == lastPress_) QTimer::singleShot(0, this, GuardedSlot([this] { ToggleEditMode(); }));
            lastPress_ = p;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::string TFTableur::GridGetEditText(int col, int row)
{
    const std::string text = adapter_->Cell(col, row);
    LastEdit = {col, row, text};
    if (!text.empty()) return text;
    return Sheet->DefaultEditText(col, row);
}

void TFTableur::GridSetEditText(int col, int row)
{
    const bool same = LastEdit.Col == col && LastEdit.Row == row;
    Sheet->CellChanged(col, row, same ? LastEdit.Text : std::string(), same, CAutoCodage->isChecked());
    if (same) LastEdit.Text = adapter_->Cell(col, row);
    Grid->viewport()->update();
}

// ---- commands ---------------------------------------------------------------------------------

// A command acts on the grid as the user sees it: what is typed in the open
// editor is stored in its cell first.
void TFTableur::LeaveEditMode()
{
    CommitEditor();
    editMode_ = false;
    ToolEdit->setChecked(false);
}

void TFTableur::CopyCells()
{
    LeaveEditMode();
    QGuiApplication::clipboard()->setText(ToQString(Sheet->SelectionToText(Selection())));
    Sheet->RedrawImage = true;
}

void TFTableur::CutCells()
{
    LeaveEditMode();
    QGuiApplication::clipboard()->setText(ToQString(Sheet->CutText(Selection())));
    Grid->viewport()->update();
}

void TFTableur::PasteCells()
{
    LeaveEditMode();
    const GridRect at = Selection();
    const GridRect written = Sheet->PasteText(FromQString(QGuiApplication::clipboard()->text()), at.Left, at.Top);
    if (written.Right >= written.Left && written.Bottom >= written.Top) {
        Grid->clearSelection();
        Grid->setRangeSelected(
            QTableWidgetSelectionRange(written.Top - 1, written.Left, written.Bottom - 1, written.Right), true);
    }
    Grid->viewport()->update();
}

void TFTableur::InsertRow()
{
    LeaveEditMode();
    const int row = std::max(CurrentRow(), 1);
    const int col = std::max(CurrentCol(), 0);
    Sheet->InsertRowAt(row);
    SetCurrentCell(col, row);
    Grid->viewport()->update();
}

void TFTableur::DeleteRow()
{
    LeaveEditMode();
    const int row = CurrentRow();
    if (!Sheet->DeleteRowAt(row)) {
        Ui().Beep();
        return;
    }
    Grid->viewport()->update();
}

void TFTableur::ToggleRowMarks()
{
    LeaveEditMode();
    const GridRect sel = Selection();
    Sheet->ToggleSelection(sel.Top, sel.Bottom);
    Grid->viewport()->update();
}

void TFTableur::CodeAll()
{
    LeaveEditMode();
    Sheet->CodeRows(1, adapter_->RowCount() - 1, true);
    Grid->viewport()->update();
}

void TFTableur::CodeSelection()
{
    LeaveEditMode();
    const GridRect sel = Selection();
    Sheet->CodeRows(sel.Top, sel.Bottom, false);
    Grid->viewport()->update();
}

void TFTableur::FillFromDatabase()
{
    LeaveEditMode();
    BusyCursor busy;
    Sheet->FillFromDatabase(true);
    Grid->viewport()->update();
}

// ---- cell pop-up -----------------------------------------------------------------------------

void TFTableur::ShowLexiconMenu(const std::vector<TableurMenuItem>& items, QPoint globalPoint)
{
    QMenu menu(this);
    std::vector<QAction*> codes;
    for (const TableurMenuItem& item : items) codes.push_back(menu.addAction(ToQString(item.Caption)));
    menu.addSeparator();
    QAction* cut = menu.addAction("Couper");
    QAction* copy = menu.addAction("Copier");
    QAction* paste = menu.addAction("Coller");
    QAction* mark = menu.addAction(QString::fromUtf8("S\xC3\xA9lectionner/d\xC3\xA9selectionner la ligne"));
    QAction* chosen = RunMenu ? RunMenu(&menu, globalPoint) : menu.exec(globalPoint);
    if (!chosen) return;
    const GridRect sel = Selection();
    if (chosen == cut) return CutCells();
    if (chosen == copy) return CopyCells();
    if (chosen == paste) return PasteCells();
    if (chosen == mark) return ToggleRowMarks();
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == chosen) Sheet->PutInRows(CurrentCol(), sel.Top, sel.Bottom, items[i].Code);
    Grid->viewport()->update();
}

void TFTableur::ShowCellPopup(QPoint gridPoint)
{
    if (PopupBusy || !Sheet->TableDir) return;
    LeaveEditMode();
    PopupBusy = true;
    struct Release {
        bool& flag;
        ~Release() { flag = false; }
    } release{PopupBusy};
    const QPoint global = Grid->viewport()->mapToGlobal(gridPoint);
    auto formMenu = [&] {
        if (RunMenu)
            RunMenu(PopupMenu, global);
        else
            PopupMenu->exec(global);
    };
    const GridRect sel = Selection();
    const int col = CurrentCol();
    if (sel.Left != sel.Right || col < 0 || col >= static_cast<int>(Sheet->Defs.size())) return formMenu();
    const std::string& path = Sheet->Defs[static_cast<std::size_t>(col)].Path;
    const TableurServices& seams = TableurSeams();
    if (path == "Strati") {
        if (!seams.ChooseStrati) return;
        if (const std::optional<std::string> name = seams.ChooseStrati())
            Sheet->PutInRows(col, sel.Top, sel.Bottom, *name);
    } else if (path == "CodeNiv") {
        if (!seams.PickCode || !seams.CodingRuleRows) return;
        const auto lines = TableurSheet::CodeListLines(seams.CodingRuleRows());
        if (const std::optional<std::string> code = seams.PickCode(lines))
            Sheet->PutInRows(col, sel.Top, sel.Bottom, *code);
    } else {
        const TableurLexicon lex = Sheet->LexiconFor(col, CurrentRow());
        if (lex.Codes.empty()) return formMenu();
        if (lex.Codes.size() > 9 && seams.PickLexicon) {
            if (const std::optional<int> i = seams.PickLexicon(lex.Codes, lex.Labels);
                i && *i >= 0 && *i < static_cast<int>(lex.Codes.size()))
                Sheet->PutInRows(col, sel.Top, sel.Bottom, lex.Codes[static_cast<std::size_t>(*i)]);
        } else {
            // Without the lexicon picker a long lexicon is still offered, as a menu.
            ShowLexiconMenu(TableurSheet::LexiconMenu(lex), global);
        }
    }
    Grid->viewport()->update();
}

// ---- equipment drawing -----------------------------------------------------------------------

void TFTableur::RedrawEquipment()
{
    const TableurServices& seams = TableurSeams();
    if (!seams.DrawEquipment || !Image->isVisible() || !Sheet->TableDir) return;
    const QSize size = Image->size();
    if (size.isEmpty()) return;
    Image->Bitmap = QImage(size, QImage::Format_RGB32);
    Image->Bitmap.fill(Qt::white);
    {
        QPainterCanvas canvas(&Image->Bitmap);
        seams.DrawEquipment(Sheet->TableName, canvas, size.width(), size.height(), borehole_, Sheet->TableDir,
                            Sheet->Designation, Sheet->Defs, *adapter_);
    }
    Image->update();
}

void TFTableur::TimerTick()
{
    if (!Sheet->RedrawImage) return;
    Sheet->RedrawImage = false;
    RedrawEquipment();
}

// ---- the collection window's entry ----------------------------------------------------------

void OpenSpreadsheet(TFTableur& editor, TFChild& child, const std::string& table, bool dropIfEmpty, int rowToSelect,
                     bool fromDatabase)
{
    // The single-tube command names its tube through the main window; the tube
    // manager sets the editor's own tube name. Either way it lasts one opening.
    const std::string previousTube = editor.TubeName;
    if (FMain && !FMain->TableTubeName().empty()) editor.TubeName = FMain->TableTubeName();
    editor.Logic().RowToSelect = rowToSelect;
    const int row = child.SelectedRow();
    try {
        editor.OpenTable(&child, row, table, dropIfEmpty, fromDatabase);
    } catch (...) {
        editor.TubeName = previousTube;
        throw;
    }
    editor.TubeName = previousTube;
    if (fromDatabase) return;
    child.FillView(row);
    if (LogViewLink* log = GetLogViewLink()) log->Redraw();
}
