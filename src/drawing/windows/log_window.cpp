#include "drawing/windows/log_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

#include "drawing/rounding.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/frame_placement.h"
#include "platform/windows/qt_ui_services.h"

TFCoupe* FCoupe = nullptr;

// ---- drawing area ------------------------------------------------------------

TCoupeArea::TCoupeArea(TFCoupe* owner) : QWidget(owner), owner_(owner)
{
    setObjectName(QStringLiteral("TCoupeArea"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void TCoupeArea::paintEvent(QPaintEvent*)
{
    RunGuarded([&] {
        // A rebuild measures the ouvrage again: the spins step by its increment.
        if (owner_->View.RebuildIfNeeded()) owner_->SyncControls();
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        QPainterCanvas canvas(&painter);
        owner_->View.Paint(canvas);
    });
}

void TCoupeArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    owner_->View.Resize(width(), height());
}

static LogView::Button ButtonOf(Qt::MouseButton b)
{
    if (b == Qt::LeftButton) return LogView::Button::Left;
    if (b == Qt::RightButton) return LogView::Button::Right;
    return LogView::Button::Middle;
}

void TCoupeArea::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    RunGuarded([&] {
        const LogView::MouseAnswer a = owner_->View.MouseDown(ButtonOf(event->button()), p.x(), p.y());
        if (a.confine) grabMouse();
        owner_->SyncControls();
    });
}

void TCoupeArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    RunGuarded([&] {
        const LogView::MouseAnswer a = owner_->View.MouseMove(p.x(), p.y());
        if (a.handCursor) setCursor(Qt::ClosedHandCursor);
    });
}

void TCoupeArea::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    RunGuarded([&] {
        const LogView::MouseAnswer a = owner_->View.MouseUp(ButtonOf(event->button()), p.x(), p.y());
        if (a.defaultCursor) {
            releaseMouse();
            unsetCursor();
        }
    });
}

void TCoupeArea::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    // The frame of the element left behind goes with the mouse.
    if (!owner_->View.EnGlissement && owner_->View.Survol.Hit()) {
        owner_->View.Survol = TZoneCoupe{};
        update();
    }
}

// ---- the window ----------------------------------------------------------------

TFCoupe::TFCoupe(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    FCoupe = this;
    setObjectName(QStringLiteral("FCoupe"));
    setWindowTitle(QString::fromUtf8(kCaption));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolSel = new QToolButton(ToolBar);
    ToolSel->setObjectName(QStringLiteral("ToolSel"));
    ToolSel->setCheckable(true);
    ToolSel->setText(QStringLiteral("Sel"));
    ToolSel->setToolTip(QString::fromUtf8(
        "S\xC3\xA9lectionner des niveaux lithologiques. Vous pouvez ensuite les exporter avec le menu Operations."));
    ToolButton1 = new QToolButton(ToolBar);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setText(QStringLiteral("+"));
    ToolButton1->setToolTip(QStringLiteral("Zoomer"));
    ToolButton2 = new QToolButton(ToolBar);
    ToolButton2->setObjectName(QStringLiteral("ToolButton2"));
    ToolButton2->setText(QStringLiteral("-"));
    ToolButton2->setToolTip(QString::fromUtf8("D\xC3\xA9zoomer"));
    Label1 = new QLabel(QStringLiteral(" Tube "), ToolBar);
    CTubes = new QComboBox(ToolBar);
    CTubes->setObjectName(QStringLiteral("CTubes"));
    CTubes->setMinimumContentsLength(10);
    ToolBarDepths = new QToolBar(this);
    ToolBarDepths->setObjectName(QStringLiteral("ToolBarDepths"));
    Label2 = new QLabel(QStringLiteral(" De "), ToolBarDepths);
    SpinDe = new QSpinBox(ToolBarDepths);
    SpinDe->setObjectName(QStringLiteral("SpinDe"));
    Label3 = new QLabel(QString::fromUtf8(" \xC3\xA0 "), ToolBarDepths);
    SpinA = new QSpinBox(ToolBarDepths);
    SpinA->setObjectName(QStringLiteral("SpinA"));
    Label4 = new QLabel(QString::fromUtf8(" m\xC3\xA8tres"), ToolBarDepths);
    for (QSpinBox* s : {SpinDe, SpinA}) {
        // No limits to speak of; the exit handlers keep the values sensible.
        s->setRange(INT_MIN / 2, INT_MAX / 2);
        s->setSingleStep(10);
        s->setKeyboardTracking(false);
        // Wide enough for depths of five digits, not for the whole range,
        // whose ten-digit texts would push the tool bar's last controls
        // behind its extension button.
        const QFontMetrics fm(s->font());
        const int slack = s->sizeHint().width() - fm.horizontalAdvance(QString::number(INT_MIN / 2));
        s->setFixedWidth(slack + fm.horizontalAdvance(QStringLiteral("-99999")));
    }
    CAjuster = new QCheckBox(QStringLiteral("Ajuster"), ToolBarDepths);
    CAjuster->setObjectName(QStringLiteral("CAjuster"));
    CAjuster->setChecked(true);
    CAjuster->setToolTip(QStringLiteral("Ajuster la zone"));
    for (QWidget* w : std::initializer_list<QWidget*>{ToolSel, ToolButton1, ToolButton2, Label1, CTubes})
        ToolBar->addWidget(w);
    for (QWidget* w : std::initializer_list<QWidget*>{Label2, SpinDe, Label3, SpinA, Label4, CAjuster})
        ToolBarDepths->addWidget(w);

    Area = new TCoupeArea(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bars_ = new QBoxLayout(QBoxLayout::LeftToRight);
    bars_->setSpacing(0);
    bars_->addWidget(ToolBar);
    bars_->addWidget(ToolBarDepths, 1);
    layout->addLayout(bars_);
    layout->addWidget(Area, 1);

    View.RequestPaint = [this] {
        if (isVisible()) Area->update();
    };
    View.RunTableCommand = [this](const std::string& name, std::int32_t row) {
        if (RunTableCommand) RunTableCommand(name, row);
    };

    connect(ToolSel, &QToolButton::toggled, this, GuardedSlot([this](bool on) { View.ToolSel = on; }));
    connect(ToolButton1, &QToolButton::clicked, this, GuardedSlot([this] { CaptionButtonPlusClick(); }));
    connect(ToolButton2, &QToolButton::clicked, this, GuardedSlot([this] { CaptionButtonMoinsClick(); }));
    connect(CTubes, &QComboBox::currentIndexChanged, this, GuardedSlot([this] {
                if (!syncing_) CTubesChange();
            }));
    connect(CAjuster, &QCheckBox::toggled, this, GuardedSlot([this](bool on) { View.Ajuster = on; }));
    // A change applies at once with "Ajuster", else when the spin is left or
    // Enter is pressed in it.
    connect(SpinDe, &QSpinBox::valueChanged, this, GuardedSlot([this](int v) {
                if (syncing_) return;
                View.SpinDe = v;
                if (View.Ajuster) SpinDeExit();
            }));
    connect(SpinA, &QSpinBox::valueChanged, this, GuardedSlot([this](int v) {
                if (syncing_) return;
                View.SpinA = v;
                if (View.Ajuster) SpinAExit();
            }));
    connect(SpinDe, &QSpinBox::editingFinished, this, GuardedSlot([this] { SpinDeExit(); }));
    connect(SpinA, &QSpinBox::editingFinished, this, GuardedSlot([this] { SpinAExit(); }));
    CTubes->installEventFilter(this);
    CAjuster->installEventFilter(this);
    resize(420, 600);
}

TFCoupe::~TFCoupe()
{
    if (FCoupe == this) FCoupe = nullptr;
}

void TFCoupe::Redraw() { View.Redraw(); }

void TFCoupe::SetBorehole(TDirBlock* root, const std::string& path, const std::string& design)
{
    View.SetBorehole(root, path, design);
}

void TFCoupe::SetTubes(const std::vector<std::string>& tubes, int chosen)
{
    {
        syncing_ = true;
        QSignalBlocker block(CTubes);
        CTubes->clear();
        for (const std::string& t : tubes) CTubes->addItem(ToQString(t));
        CTubes->setCurrentIndex(chosen >= 0 && chosen < CTubes->count() ? chosen : -1);
        syncing_ = false;
    }
    View.NomTube = CTubes->currentIndex() >= 0 ? FromQString(CTubes->currentText()) : std::string();
}

void TFCoupe::CTubesChange()
{
    View.NomTube = CTubes->currentIndex() >= 0 ? FromQString(CTubes->currentText()) : std::string();
    Redraw();
}

void TFCoupe::CaptionButtonPlusClick() { View.CaptionButtonPlusClick(); }
void TFCoupe::CaptionButtonMoinsClick() { View.CaptionButtonMoinsClick(); }

void TFCoupe::SpinDeExit()
{
    View.SpinDe = SpinDe->value();
    View.SpinDeExit();
    SyncControls();
}

void TFCoupe::SpinAExit()
{
    View.SpinA = SpinA->value();
    View.SpinAExit();
    SyncControls();
}

void TFCoupe::SyncControls()
{
    syncing_ = true;
    {
        QSignalBlocker b1(SpinDe);
        QSignalBlocker b2(SpinA);
        SpinDe->setValue(View.SpinDe);
        SpinA->setValue(View.SpinA);
        SpinDe->setSingleStep(View.Increment);
        SpinA->setSingleStep(View.Increment);
    }
    syncing_ = false;
}

TRect TFCoupe::PlaceOnDesk(const TRect& desk, int frameExtraW, int frameExtraH, int toolBarH)
{
    const std::int64_t deskH = desk.Height();
    const std::int64_t d = deskH - frameExtraH - toolBarH;
    const std::int32_t clientW = d > 0 ? RoundHalfEven(static_cast<double>(d) / std::sqrt(2.0)) : 0;
    const std::int32_t frameW = clientW + frameExtraW;
    return TRect{desk.Right - frameW, desk.Top, desk.Right, desk.Bottom};
}

TRect TFCoupe::Desk() const
{
    if (DeskArea) return DeskArea();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect a = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return TRect{a.left(), a.top(), a.left() + a.width(), a.top() + a.height()};
}

void TFCoupe::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    RunGuarded([&] {
        // Placed by its frame, again once the window manager has framed it;
        // the main window follows each placement.
        PlaceFrame(
            this,
            [this](const QMargins& m) {
                const int extraW = m.left() + m.right();
                const int extraH = m.top() + m.bottom();
                const TRect desk = Desk();
                const int rowH = ToolBar->sizeHint().height();
                TRect place = PlaceOnDesk(desk, extraW, extraH, rowH);
                // Never so narrow that a tool bar hides its last controls: the
                // tools stay on one row when the window may widen for them
                // and still leave the main window half of the desk, else they
                // take two rows.
                const int oneRow = OneRowWidth() + extraW;
                if (place.Width() < oneRow) {
                    if (2 * oneRow <= desk.Width()) {
                        place.Left = place.Right - oneRow;
                    } else {
                        place = PlaceOnDesk(desk, extraW, extraH, rowH + ToolBarDepths->sizeHint().height());
                        const int need =
                            std::max(ToolBar->sizeHint().width(), ToolBarDepths->sizeHint().width()) + extraW;
                        if (place.Width() < need) place.Left = place.Right - need;
                    }
                }
                return QRect(place.Left, place.Top, static_cast<int>(place.Width()), static_cast<int>(place.Height()));
            },
            [this] {
                if (Shown) Shown();
            });
    });
}

int TFCoupe::OneRowWidth() const { return ToolBar->sizeHint().width() + ToolBarDepths->sizeHint().width(); }

void TFCoupe::resizeEvent(QResizeEvent* event)
{
    // The depth range goes under the tools when one row would hide some.
    const QBoxLayout::Direction d = width() >= OneRowWidth() ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (bars_ && bars_->direction() != d) bars_->setDirection(d);
    QWidget::resizeEvent(event);
}

void TFCoupe::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    RunGuarded([&] {
        if (Hidden) Hidden();
    });
}

void TFCoupe::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        RunGuarded([&] {
            if (FocusMainWindow) FocusMainWindow();
        });
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TFCoupe::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    bool handled = false;
    RunGuarded([&] {
        const QString text = key->text();
        if (text == QStringLiteral("+")) {
            ToolButton1->click();
            handled = watched == CTubes;
        } else if (text == QStringLiteral("-")) {
            ToolButton2->click();
            handled = watched == CTubes;
        } else if (watched == CTubes && key->key() == Qt::Key_Space) {
            CTubes->showPopup();
            handled = true;
        } else if (watched == CTubes && key->key() == Qt::Key_Escape) {
            if (FocusMainWindow) FocusMainWindow();
            handled = true;
        } else if (watched == CTubes) {
            switch (key->key()) {
                case Qt::Key_Left: View.ScrollByArrow(LogView::Arrow::Left); handled = true; break;
                case Qt::Key_Right: View.ScrollByArrow(LogView::Arrow::Right); handled = true; break;
                case Qt::Key_Up: View.ScrollByArrow(LogView::Arrow::Up); handled = true; break;
                case Qt::Key_Down: View.ScrollByArrow(LogView::Arrow::Down); handled = true; break;
                default: break;
            }
        }
    });
    return handled || QWidget::eventFilter(watched, event);
}
