#include "drawing/windows/code_motif_coul_window.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "drawing/swatches.h"
#include "platform/base/rtl_numbers.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFCodeMotifCoul* FCodeMotifCoul = nullptr;

namespace {

QColor ToQColor(TColor c) { return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c)); }

}  // namespace

// ---------------------------------------------------------------------------
// The grid's model: every cell of the model grid, the header row included (it
// is drawn as the fixed row).
// ---------------------------------------------------------------------------

class CodeModelTableModel : public QAbstractTableModel {
public:
    CodeModelTableModel(TFCodeMotifCoul* form, QObject* parent) : QAbstractTableModel(parent), form_(form) {}

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : form_->Editor().Grid().RowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : form_->Editor().Grid().ColCount();
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return ToQString(form_->Editor().Grid().Cell(index.column(), index.row()));
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        if (index.row() < 1 || index.column() < 1)
            return Qt::ItemIsEnabled;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::EditRole || !index.isValid())
            return false;
        const std::string text = FromQString(value.toString());
        if (text == form_->Editor().Grid().Cell(index.column(), index.row()))
            return false;
        bool accepted = false;
        RunGuarded([&] { accepted = form_->GridSetEditText(index.column(), index.row(), text); });
        return accepted;
    }
    void Reset()
    {
        beginResetModel();
        endResetModel();
    }
    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); }

private:
    TFCodeMotifCoul* form_;
};

// ---------------------------------------------------------------------------
// Cell drawing
// ---------------------------------------------------------------------------

class CodeModelDelegate : public QStyledItemDelegate {
public:
    CodeModelDelegate(TFCodeMotifCoul* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const StringGrid& g = form_->Editor().Grid();
        const int col = index.column(), row = index.row();
        const QRect q = option.rect;
        const TRect rect{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
        painter->save();
        if (col == kModelColSwatch && row >= 1) {
            // Only the swatch: the row's pattern in the row's colour.
            int errorPos = 0;
            const std::int32_t motif = ValInt(g.Cell(kModelColMotif, row), errorPos);
            const TColor colour = ModelRowColour(g, row, 255, true);
            {
                QPainterCanvas canvas(painter);
                DrawMotifSwatch(canvas, colour, motif, rect);
            }
            painter->restore();
            return;
        }
        const QPalette& pal = option.palette;
        QColor back, fore;
        if (row < 1 || col < 1) {
            back = pal.color(QPalette::Button);
            fore = pal.color(QPalette::ButtonText);
        } else if (option.state & QStyle::State_Selected) {
            back = pal.color(QPalette::Highlight);
            fore = pal.color(QPalette::HighlightedText);
        } else {
            back = pal.color(QPalette::Base);
            fore = pal.color(QPalette::Text);
        }
        painter->fillRect(q, back);
        const QString text = ToQString(g.Cell(col, row));
        const QFontMetrics fm(option.font);
        const int left = (rect.Left + rect.Right - fm.horizontalAdvance(text)) / 2;
        const int top = (rect.Top + rect.Bottom - fm.height()) / 2;
        painter->setClipRect(q);
        painter->setFont(option.font);
        painter->setPen(fore);
        painter->drawText(left, top + fm.ascent(), text);
        if (col >= kModelColRouge && col <= kModelColBleu) {
            // The channel alone, not reduced to 8 bits: the header shows pure
            // red, green and blue, an empty cell its channel at 255.
            const std::int64_t v = StrToIntDef(g.Cell(col, row), 255);
            const TColor channel = static_cast<TColor>(v << (8 * (col - kModelColRouge)));
            const int m = (rect.Top + rect.Bottom) / 2;
            painter->fillRect(QRect(rect.Left + 3, m - 3, 6, 6), ToQColor(channel));
        }
        painter->restore();
    }

private:
    TFCodeMotifCoul* form_;
};

// ---------------------------------------------------------------------------
// The grid: Tab and Shift+Tab stay within the data cells, Enter fills a code's
// row.
// ---------------------------------------------------------------------------

class CodeModelView : public QTableView {
public:
    CodeModelView(TFCodeMotifCoul* form, QWidget* parent) : QTableView(parent), form_(form) {}

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (action != MoveNext && action != MovePrevious)
            return QTableView::moveCursor(action, modifiers);
        int col = std::max(currentIndex().column(), 1);
        int row = std::max(currentIndex().row(), 1);
        form_->Editor().TabKey(action == MovePrevious, col, row);
        return model()->index(row, col);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState)
            form_->EnterKeyAt(currentIndex().column(), currentIndex().row());
        QTableView::keyPressEvent(event);
    }
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        const QModelIndex at = currentIndex();
        QTableView::closeEditor(editor, hint);
        // Enter while typing a code: the text is in, now fill its row.
        if (hint == QAbstractItemDelegate::SubmitModelCache)
            form_->EnterKeyAt(at.column(), at.row());
    }

private:
    TFCodeMotifCoul* form_;
};

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------

TFCodeMotifCoul::TFCodeMotifCoul(QWidget* parent) : QDialog(parent)
{
    if (!IniModeles || !IniCarotix)
        throw std::logic_error("TFCodeMotifCoul: the settings objects are not open");
    editor_ = std::make_unique<CodeModelEditor>(CurrentCodeModel(), *IniModeles, *IniCarotix);
    setObjectName("FCodeMotifCoul");
    setWindowTitle(ToQString(kCodeModelCaption));
    resize(420, 480);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    ToolBar1 = new QToolBar(this);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto addButton = [&](const char* name, const char* caption, const char* hint, void (TFCodeMotifCoul::*handler)()) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(name);
        b->setText(ToQString(caption));
        b->setToolTip(ToQString(hint));
        ToolBar1->addWidget(b);
        connect(b, &QToolButton::clicked, this, GuardedSlot([this, handler] { (this->*handler)(); }));
        return b;
    };
    ToolButton7 = addButton("ToolButton7", "Nouv.", "Nouveau", &TFCodeMotifCoul::ToolButton7Click);
    ToolButton6 = addButton("ToolButton6", "Suppr.", "Supprimer modèle", &TFCodeMotifCoul::ToolButton6Click);
    ToolButton4 = addButton("ToolButton4", "Copier", "Copier le modèle", &TFCodeMotifCoul::ToolButton4Click);
    ToolButton5 = addButton("ToolButton5", "Coller", "Coller le modèle", &TFCodeMotifCoul::ToolButton5Click);
    CModele = new QComboBox(ToolBar1);
    CModele->setObjectName("CModele");
    CModele->setMinimumContentsLength(16);
    ToolBar1->addWidget(CModele);
    connect(CModele, qOverload<int>(&QComboBox::activated), this,
            GuardedSlot([this](int index) { CModeleChange(index); }));
    layout->addWidget(ToolBar1);

    Grid = new CodeModelView(this, this);
    Grid->setObjectName("Grid");
    model_ = new CodeModelTableModel(this, this);
    Grid->setModel(model_);
    Grid->setItemDelegate(new CodeModelDelegate(this, Grid));
    Grid->horizontalHeader()->hide();
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(25);
    Grid->setShowGrid(true);
    Grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    Grid->setTabKeyNavigation(true);
    Grid->setColumnWidth(kModelColSwatch, 50);
    Grid->setColumnWidth(kModelColCode, 80);
    for (int col = kModelColMotif; col <= kModelColBleu; ++col)
        Grid->setColumnWidth(col, 60);
    layout->addWidget(Grid, 1);

    StatusBar1 = new QLabel(ToQString(kCodeModelStatus), this);
    StatusBar1->setObjectName("StatusBar1");
    layout->addWidget(StatusBar1);

    InstallSortsPrintAndPickers();
    // As wide as the tool bar and the status line need, so that no button
    // falls behind the tool bar's extension button.
    resize(std::max({420, ToolBar1->sizeHint().width(), StatusBar1->sizeHint().width()}), 480);

    // The drawing reads the current model from the start, window shown or not.
    RefreshModels();
}

TFCodeMotifCoul::~TFCodeMotifCoul()
{
    if (FCodeMotifCoul == this)
        FCodeMotifCoul = nullptr;
}

void TFCodeMotifCoul::SyncFromEditor()
{
    syncing_ = true;
    CModele->clear();
    for (const std::string& name : editor_->ModelNames())
        CModele->addItem(ToQString(name));
    CModele->setCurrentIndex(editor_->ItemIndex());
    syncing_ = false;
    model_->Reset();
}

void TFCodeMotifCoul::FormShow() { RefreshModels(); }

void TFCodeMotifCoul::RefreshModels()
{
    editor_->RefreshModels();
    SyncFromEditor();
}

bool TFCodeMotifCoul::GridSetEditText(int col, int row, const std::string& text)
{
    const int rows = editor_->Grid().RowCount();
    const bool accepted = editor_->SetEditText(col, row, text);
    if (accepted) {
        if (editor_->Grid().RowCount() != rows)
            QTimer::singleShot(0, this, [this] { model_->Reset(); });  // a blank row was appended
        else
            model_->RowChanged(row);  // redraws the swatch too
    }
    return accepted;
}

void TFCodeMotifCoul::SelectCell(int col, int row) { Grid->setCurrentIndex(model_->index(row, col)); }

void TFCodeMotifCoul::EnterKeyAt(int col, int row)
{
    RunGuarded([&] {
        const int rows = editor_->Grid().RowCount();
        if (!editor_->EnterKey(col, row))
            return;
        if (editor_->Grid().RowCount() != rows)
            model_->Reset();
        else
            model_->RowChanged(row);
    });
}

void TFCodeMotifCoul::ToolButton7Click()
{
    editor_->NewModel();
    SyncFromEditor();
}

void TFCodeMotifCoul::ToolButton6Click()
{
    if (editor_->DeleteModel())
        SyncFromEditor();
}

void TFCodeMotifCoul::ToolButton4Click()
{
    if (const std::optional<std::string> text = editor_->CopyModel())
        QGuiApplication::clipboard()->setText(ToQString(*text));
}

void TFCodeMotifCoul::ToolButton5Click()
{
    if (editor_->PasteModel(FromQString(QGuiApplication::clipboard()->text())))
        model_->Reset();
}

void TFCodeMotifCoul::CModeleChange(int index)
{
    if (syncing_)
        return;
    editor_->ChangeModel(index);
    SyncFromEditor();
}

void TFCodeMotifCoul::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { FormShow(); });
}

void TFCodeMotifCoul::closeEvent(QCloseEvent* event)
{
    bool close = true;
    RunGuarded([&] { close = editor_->CloseQuery(); });
    if (close) {
        model_->Reset();
        event->accept();
    } else {
        event->ignore();
    }
}

void TFCodeMotifCoul::reject()
{
    // Escape closes like the title bar's button, with the same question.
    bool close = true;
    RunGuarded([&] { close = editor_->CloseQuery(); });
    if (close) {
        model_->Reset();
        QDialog::reject();
    }
}
