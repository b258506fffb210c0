#include "drawing/windows/palette_window.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "platform/ui_services.h"
#include "store/options.h"

TFPalette* FPalette = nullptr;

namespace {

QColor ToQColor(TColor c) { return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c)); }

QString ShapeStyle(TColor c, int outline)
{
    return QStringLiteral("background-color: rgb(%1,%2,%3); border: %4px solid black;")
        .arg(ColorRed(c))
        .arg(ColorGreen(c))
        .arg(ColorBlue(c))
        .arg(outline);
}

// A cell shows its colour whether selected or not: the selected cell is
// drawn with a black outline, never hidden under the selection highlight.
class ColourCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->fillRect(option.rect, index.data(Qt::BackgroundRole).value<QBrush>());
        if (option.state & QStyle::State_Selected) {
            painter->setPen(QPen(Qt::black, 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }
};

QTableWidget* MakeGrid(QWidget* parent, int rows, const char* name)
{
    auto* g = new QTableWidget(rows, 10, parent);
    g->setObjectName(QString::fromUtf8(name));
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->horizontalHeader()->setDefaultSectionSize(33);
    g->verticalHeader()->setDefaultSectionSize(33);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setFixedSize(10 * 33 + 2, rows * 33 + 2);
    g->setItemDelegate(new ColourCellDelegate(g));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 10; ++c) g->setItem(r, c, new QTableWidgetItem);
    return g;
}

}  // namespace

TFPalette::TFPalette(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FPalette"));
    setWindowTitle(QStringLiteral("Palettes de couleur"));
    setFixedSize(520, 520);
    auto* title = new QLabel(QStringLiteral("Choisissez une couleur d\u00E9finie ou d'une palette :"), this);
    QFont f = title->font();
    f.setUnderline(true);
    title->setFont(f);
    title->setGeometry(8, 6, 400, 18);
    labelDef_ = new QLabel(QStringLiteral("Couleurs d\u00E9finies"), this);
    labelDef_->setGeometry(8, 28, 200, 16);
    labelDef_->installEventFilter(this);
    DrawGridDef = MakeGrid(this, 1, "DrawGridDef");
    DrawGridDef->move(8, 46);
    labelGrid_ = new QLabel(QStringLiteral("Couleurs de la palette choisie"), this);
    labelGrid_->setGeometry(8, 88, 240, 16);
    labelGrid_->installEventFilter(this);
    DrawGrid = MakeGrid(this, 10, "DrawGrid");
    DrawGrid->move(8, 106);
    (new QLabel(QStringLiteral("Paletttes disponibles"), this))->setGeometry(360, 28, 150, 16);
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::Panel);
    bevel->setFrameShadow(QFrame::Raised);
    bevel->setGeometry(360, 46, 3 * 38 + 8, 9 * 38 + 8);
    for (int i = 0; i < 27; ++i) {
        auto* s = new QFrame(this);
        s->setObjectName(QStringLiteral("Shape%1").arg(i + 1));
        s->setGeometry(364 + (i / 9) * 38, 50 + (i % 9) * 38, 33, 33);
        s->installEventFilter(this);
        Shapes[static_cast<std::size_t>(i)] = s;
    }
    (new QLabel(QStringLiteral("Couleur choisie"), this))->setGeometry(360, 410, 150, 16);
    ShapeSel = new QFrame(this);
    ShapeSel->setObjectName(QStringLiteral("ShapeSel"));
    ShapeSel->setGeometry(360, 428, 33, 33);
    ShapeSel->installEventFilter(this);
    BOk = new QPushButton(QStringLiteral("Ok"), this);
    BOk->setObjectName(QStringLiteral("BOk"));
    BOk->setDefault(true);
    BOk->setGeometry(330, 480, 85, 25);
    Button2 = new QPushButton(QStringLiteral("Annuler"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(425, 480, 85, 25);
    connect(BOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    // A grid that takes the focus without a current cell makes its first cell
    // current: that is no choice of the user's, and would replace the colour
    // the window was opened on.
    connect(DrawGrid, &QTableWidget::currentCellChanged, this, GuardedSlot([this](int row, int column, int previousRow) {
                if (!syncing_ && previousRow >= 0) DrawGridSelectCell(column, row);
            }));
    connect(DrawGridDef, &QTableWidget::currentCellChanged, this,
            GuardedSlot([this](int, int column, int previousRow) {
                if (!syncing_ && previousRow >= 0) DrawGridDefSelectCell(column);
            }));
    connect(DrawGrid, &QTableWidget::cellPressed, this,
            GuardedSlot([this](int row, int column) { DrawGridSelectCell(column, row); }));
    connect(DrawGridDef, &QTableWidget::cellPressed, this,
            GuardedSlot([this](int, int column) { DrawGridDefSelectCell(column); }));
    connect(DrawGrid, &QTableWidget::cellDoubleClicked, this, GuardedSlot([this] { DrawGridDblClick(); }));
    connect(DrawGridDef, &QTableWidget::cellDoubleClicked, this, GuardedSlot([this] { accept(); }));
    ShowChooser();
    if (!FPalette) FPalette = this;
}

TFPalette::~TFPalette()
{
    if (FPalette == this) FPalette = nullptr;
}

void TFPalette::ShowChooser()
{
    syncing_ = true;
    for (int i = 0; i < 27; ++i)
        Shapes[static_cast<std::size_t>(i)]->setStyleSheet(
            ShapeStyle(PaletteChooser::BaseColour(i), chooser_.SelectedShape() == i ? 3 : 1));
    ShapeSel->setStyleSheet(ShapeStyle(chooser_.SelectionShapeColour(),
                                       chooser_.SelectedShape() == PaletteChooser::kSelectionShape ? 3 : 1));
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) DrawGrid->item(r, c)->setBackground(ToQColor(chooser_.GridColour(r, c)));
    for (int c = 0; c < 10; ++c) DrawGridDef->item(0, c)->setBackground(ToQColor(ColourTable[static_cast<std::size_t>(c)]));
    DrawGrid->setCurrentCell(chooser_.CurrentRow(), chooser_.CurrentColumn());
    BOk->setEnabled(chooser_.OkEnabled());
    syncing_ = false;
}

void TFPalette::SelectBaseColor(TColor colour)
{
    chooser_.SelectBaseColor(colour);
    ShowChooser();
}

void TFPalette::ShapeMouseDown(int shape)
{
    if (shape == PaletteChooser::kSelectionShape) chooser_.PressSelectionShape();
    else chooser_.PressBase(shape);
    ShowChooser();
}

void TFPalette::DrawGridSelectCell(int column, int row)
{
    chooser_.SelectGridCell(row, column);
    ShowChooser();
}

void TFPalette::DrawGridDefSelectCell(int column)
{
    chooser_.SelectDefinedCell(column);
    ShowChooser();
}

void TFPalette::DrawGridDblClick()
{
    if (chooser_.HasGrid()) accept();
}

bool TFPalette::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < 27; ++i)
            if (watched == Shapes[static_cast<std::size_t>(i)]) {
                RunGuarded([&] { ShapeMouseDown(i); });
                return true;
            }
        if (watched == ShapeSel) {
            RunGuarded([&] { ShapeMouseDown(PaletteChooser::kSelectionShape); });
            return true;
        }
        if (watched == labelDef_ || watched == labelGrid_) {
            RunGuarded([&] { DrawGridDblClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
