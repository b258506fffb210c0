#include "app/windows/strati_window.h"

#include <QActionGroup>
#include <QComboBox>
#include <QCursor>
#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QLayout>
#include <QToolBar>
#include <algorithm>

#include "drawing/primitives.h"
#include "platform/base/text_codec.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFStrati* FStrati = nullptr;

namespace {

TColor ToTColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

// How far right of the pointer the name of a unit too small for it stands.
constexpr int kCursorWidth = 16;

}  // namespace

TFStrati::TFStrati(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFStrati"));
    setWindowTitle(QStringLiteral("Stratigraphie"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ToolBar1 = new QToolBar(this);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* layouts = new QActionGroup(this);
    ToolButton1 = ToolBar1->addAction(QStringLiteral("Par suites"));
    ToolButton2 = ToolBar1->addAction(QStringLiteral("Par taille"));
    ToolButton3 = ToolBar1->addAction(QStringLiteral("Arbre"));
    for (QAction* a : {ToolButton1, ToolButton2, ToolButton3}) {
        a->setCheckable(true);
        layouts->addAction(a);
    }
    ToolButton2->setChecked(true);
    ToolBar1->addSeparator();
    Label1 = new QLabel(QStringLiteral("Alphab\u00E9tique "), ToolBar1);
    ToolBar1->addWidget(Label1);
    ComboBox1 = new QComboBox(ToolBar1);
    ComboBox1->setMaxVisibleItems(32);
    ComboBox1->setMinimumContentsLength(24);
    ToolBar1->addWidget(ComboBox1);
    ToolButton9 = ToolBar1->addAction(QStringLiteral("Ok"));
    ToolBar1->addSeparator();
    ToolButton5 = ToolBar1->addAction(QStringLiteral("Zoomer"));
    ToolButton6 = ToolBar1->addAction(QStringLiteral("D\u00E9zoomer"));
    ToolBar1->addSeparator();
    auto* modes = new QActionGroup(this);
    ToolDepl = ToolBar1->addAction(QStringLiteral("Deplacer"));
    ToolSelect = ToolBar1->addAction(QStringLiteral("S\u00E9lection"));
    for (QAction* a : {ToolDepl, ToolSelect}) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    ToolSelect->setChecked(true);

    connect(ToolButton1, &QAction::triggered, this, GuardedSlot([this] { ToolButton1Click(); }));
    connect(ToolButton2, &QAction::triggered, this, GuardedSlot([this] { ToolButton2Click(); }));
    connect(ToolButton3, &QAction::triggered, this, GuardedSlot([this] { ToolButton3Click(); }));
    connect(ToolButton5, &QAction::triggered, this, GuardedSlot([this] { ToolButton5Click(); }));
    connect(ToolButton6, &QAction::triggered, this, GuardedSlot([this] { ToolButton6Click(); }));
    connect(ToolButton9, &QAction::triggered, this, GuardedSlot([this] { ToolButton9Click(); }));
    connect(ToolDepl, &QAction::triggered, this, GuardedSlot([this] { ToolDeplClick(); }));
    connect(ToolSelect, &QAction::triggered, this, GuardedSlot([this] { ToolSelectClick(); }));
    // As wide as its tool bar needs, so that no button falls behind the tool
    // bar's extension button.
    besideNames_ = ToolBar1->sizeHint().width() - ComboBox1->sizeHint().width();
    resize(std::max(800, ToolBar1->sizeHint().width()), 600);
    Randomize();
    if (!FStrati) FStrati = this;
}

TFStrati::~TFStrati()
{
    if (FStrati == this) FStrati = nullptr;
}

void TFStrati::FillComboBox()
{
    std::vector<std::string> names;
    for (const TStratiUnit& u : StratiScale) names.push_back(u.UnitName);
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return CompareTextNoCase(a, b) < 0; });
    ComboBox1->clear();
    for (const std::string& n : names) ComboBox1->addItem(ToQString(n));
    ComboBox1->setCurrentIndex(-1);
}

void TFStrati::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) RunGuarded([this] { FormShow(); });
}

void TFStrati::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TFStrati::FormShow()
{
    bitmap_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    hovered_ = -1;
    chosen_.clear();
    if (!StratiScaleLoaded) StratiScaleLoad();
    // The list is filled the first time, also when another window loaded
    // the scale before this one was first shown.
    if (ComboBox1->count() == 0) FillComboBox();
    if (!laidOut_) {
        if (ToolButton2->isChecked()) ToolButton2Click();
        else if (ToolButton1->isChecked()) ToolButton1Click();
        else {
            ToolButton3->setChecked(true);
            ToolButton3Click();
        }
    }
}

void TFStrati::FormHide()
{
    bitmap_ = QImage();
    dragging_ = false;
}

void TFStrati::Repaint()
{
    update();
}

void TFStrati::ToolButton1Click()
{
    StratiScaleLoad();
    LayoutStratiBySuccession(layout_, StratiScale);
    laidOut_ = true;
    hovered_ = -1;
    Repaint();
}

void TFStrati::ToolButton2Click()
{
    LayoutStratiBySize(layout_, StratiScale);
    laidOut_ = true;
    hovered_ = -1;
    Repaint();
}

void TFStrati::ToolButton3Click()
{
    LayoutStratiTree(layout_, StratiScale);
    laidOut_ = true;
    hovered_ = -1;
    Repaint();
}

void TFStrati::ToolButton5Click()
{
    StratiZoomIn(view_);
    Repaint();
}

void TFStrati::ToolButton6Click()
{
    StratiZoomOut(view_);
    Repaint();
}

void TFStrati::ToolButton9Click()
{
    if (ComboBox1->currentIndex() >= 0) {
        chosen_ = FromQString(ComboBox1->currentText());
        accept();
        return;
    }
    ShowBox(kStratiChoiceTitle, kStratiChoiceMessage);
}

void TFStrati::ToolDeplClick()
{
    ToolDepl->setChecked(true);
    setCursor(Qt::OpenHandCursor);
    if (hovered_ >= 0) {
        hovered_ = -1;
        Repaint();
    }
}

void TFStrati::ToolSelectClick()
{
    ToolSelect->setChecked(true);
    unsetCursor();
    dragging_ = false;
}

void TFStrati::FormMouseDown(QPoint point, bool left)
{
    if (!left) return;
    if (ToolSelect->isChecked()) {
        if (hovered_ >= 0 && hovered_ < static_cast<int>(layout_.Units.size())) {
            chosen_ = layout_.Units[static_cast<std::size_t>(hovered_)].name;
            accept();
        }
        return;
    }
    dragging_ = true;
    last_ = point;
}

void TFStrati::FormMouseMove(QPoint point)
{
    if (ToolSelect->isChecked()) {
        const int unit = StratiUnitAt(layout_, point.x(), point.y());
        if (unit != hovered_ || unit < 0) {
            hovered_ = unit;
            Repaint();
        }
        return;
    }
    if (dragging_ && point != last_) {
        StratiDrag(view_, point.x() - last_.x(), point.y() - last_.y(), frame_);
        last_ = point;
        Repaint();
    }
}

void TFStrati::FormMouseUp() { dragging_ = false; }

void TFStrati::FormPaint()
{
    if (bitmap_.isNull()) return;
    if (bitmap_.size() != size()) bitmap_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    const QPalette& pal = palette();
    QPainterCanvas canvas(&bitmap_);
    SetDrawCanvas(&canvas);
    FillColorRect(0, 0, bitmap_.width() - 2, bitmap_.height() - 2, ToTColor(pal.color(QPalette::Button)));
    canvas.Pen = TPen{};
    SetTextFont("Arial", 12);
    const int m = BaseLineHeight;
    frame_ = ComputeStratiFrame(width(), height(), ToolBar1->height(), m, view_);
    PlaceStratiBounds(layout_, frame_);
    std::string label;
    for (std::size_t i = 0; i < layout_.Units.size(); ++i) {
        const TPosStrati& u = layout_.Units[i];
        if (u.bounds.IsEmpty()) continue;
        const bool hovered = static_cast<int>(i) == hovered_;
        const TRect& r = u.bounds;
        canvas.Pen = TPen{PenStyle::Solid, clBlack, 1};
        canvas.Brush = TBrush{BrushStyle::Solid, hovered ? ToTColor(pal.color(QPalette::Highlight)) : u.colour};
        canvas.Rectangle(r);
        canvas.Font.Color = hovered ? ToTColor(pal.color(QPalette::HighlightedText)) : clBlack;
        const int textWidth = TextWidthOf(u.name);
        const int w = r.Right - r.Left;
        const int h = r.Bottom - r.Top;
        bool written = false;
        if (w > h) {
            if (textWidth <= w && m <= h) {
                TextOutAngleScaled((r.Left + r.Right) / 2 - textWidth / 2, (r.Top + r.Bottom - m) / 2, 10, u.name, 0);
                written = true;
            }
        } else if (textWidth <= h && m <= w) {
            // Turned a quarter: the text runs upward, centred on its point.
            TextOutAngleScaled((r.Left + r.Right - m) / 2, (r.Top + r.Bottom) / 2 + textWidth / 2, 10, u.name, 900);
            written = true;
        }
        if (!written && hovered) label = u.name;
    }
    if (!label.empty()) {
        const QPoint p = mapFromGlobal(QCursor::pos());
        const int x = p.x() + kCursorWidth;
        const int y = p.y();
        canvas.Pen = TPen{PenStyle::Solid, clBlack, 1};
        canvas.Brush = TBrush{BrushStyle::Solid, ToTColor(QPalette().color(QPalette::ToolTipBase))};
        canvas.Rectangle(TRect{x - 2, y - 2, x + TextWidthOf(label) + 2, y + m + 2});
        canvas.Font.Color = ToTColor(QPalette().color(QPalette::ToolTipText));
        TextOutAngleScaled(x, y, 10, label, 0);
    }
    FlushLines();
    SetDrawCanvas(nullptr);
}

void TFStrati::paintEvent(QPaintEvent*)
{
    RunGuarded([this] { FormPaint(); });
    QPainter painter(this);
    if (!bitmap_.isNull()) painter.drawImage(0, 0, bitmap_);
    else painter.fillRect(rect(), palette().color(QPalette::Button));
}

void TFStrati::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // Narrower than its tool bar (a small screen): the names' box gives up
    // the width its buttons need, down to a third of its own.
    const int want = ComboBox1->sizeHint().width();
    const int room = width() - besideNames_;
    ComboBox1->setMaximumWidth(room >= want ? QWIDGETSIZE_MAX : std::max(room, want / 3));
    ToolBar1->layout()->invalidate();
    ToolBar1->setGeometry(0, 0, width(), ToolBar1->sizeHint().height());
    Repaint();
}

void TFStrati::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const bool left = event->button() == Qt::LeftButton;
    RunGuarded([this, p, left] { FormMouseDown(p, left); });
}

void TFStrati::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    RunGuarded([this, p] { FormMouseMove(p); });
}

void TFStrati::mouseReleaseEvent(QMouseEvent*)
{
    FormMouseUp();
}

bool ChooseStrati(std::string& name, QWidget* parent)
{
    if (!FStrati) FStrati = new TFStrati(parent);
    if (FStrati->exec() != QDialog::Accepted || FStrati->ChosenName().empty()) return false;
    name = FStrati->ChosenName();
    return true;
}
