#include "platform/windows/frame_placement.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// Watches one window until the window manager has framed it, then places it
// again with the real margins.
class FramePlacer final : public QObject {
public:
    explicit FramePlacer(QWidget* window) : QObject(window), window_(window)
    {
        setObjectName(QStringLiteral("FramePlacer"));
        window->installEventFilter(this);
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] { Check(); });
    }

    void Place(FrameTarget target, std::function<void()> placed)
    {
        target_ = std::move(target);
        placed_ = std::move(placed);
        // Without a window manager (headless platforms) no frame ever comes.
        const QString platform = QGuiApplication::platformName();
        pending_ = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
        Apply();
        if (window_->isVisible()) Watch();
    }

    bool Pending() const { return pending_; }
    QRect Target() const { return frame_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && pending_) {
            switch (event->type()) {
            case QEvent::Show:
                Watch();
                break;
            case QEvent::Hide:
                timer_.stop();
                break;
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::WindowActivate:
                // Also after the watch gave up: a frame that comes late
                // still gets its placement.
                Check();
                break;
            default:
                break;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Apply()
    {
        used_ = FrameMargins(window_);
        frame_ = target_(used_);
        const QRect client = frame_.marginsRemoved(used_);
        window_->setGeometry(client.left(), client.top(), std::max(1, client.width()), std::max(1, client.height()));
        if (placed_) placed_();
    }

    // The frame may come a moment after the showing, and much later from a
    // window manager slowed down by a loaded machine (a frame put around a
    // window that stays where it was brings no move): look for it for a
    // generous while, and stop once the window stands framed where it
    // should. Later moves are the person's own: the placement is not made
    // again.
    void Watch()
    {
        watched_.invalidate();
        timer_.start();
    }

    void Check()
    {
        if (!window_ || !window_->isVisible()) {
            timer_.stop();
            return;
        }
        // A window shown while a modal box runs (a file that fails to load
        // at start-up) reaches the screen, and the window manager, only
        // after the box is answered: the watch counts from then on.
        const QWindow* handle = window_->windowHandle();
        if (!handle || !handle->isExposed()) return;
        const QMargins now = FrameMargins(window_);
        if (now != used_) Apply();
        if (!now.isNull()) pending_ = false;
        if (!watched_.isValid()) watched_.start();
        if (!pending_ || watched_.hasExpired(kWatchMs)) timer_.stop();
    }

public:
    bool keepOnly_ = false;  // made to keep the window on the screen only

private:

    QPointer<QWidget> window_;
    FrameTarget target_;
    std::function<void()> placed_;
    QMargins used_;
    QRect frame_;
    bool pending_ = false;
    QTimer timer_;
    // Counted from the window's reaching the screen.
    QElapsedTimer watched_;
    static constexpr qint64 kWatchMs = 30000;
};

}  // namespace

QMargins FrameMargins(const QWidget* window)
{
    // The native window knows its frame as soon as the window manager has
    // set it; the widget's copy is brought up to date only when the window
    // moves or is resized, which a window framed where it already stood
    // never is.
    if (const QWindow* handle = window->windowHandle()) return handle->frameMargins();
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

void PlaceFrame(QWidget* window, FrameTarget target, std::function<void()> placed)
{
    QObject* found = window->findChild<QObject*>(QStringLiteral("FramePlacer"), Qt::FindDirectChildrenOnly);
    auto* placer = found ? static_cast<FramePlacer*>(found) : new FramePlacer(window);
    placer->Place(std::move(target), std::move(placed));
}

void PlaceFrame(QWidget* window, const QRect& frame)
{
    PlaceFrame(window, [frame](const QMargins&) { return frame; });
}

bool FramePlacementPending(const QWidget* window)
{
    const QObject* found = window->findChild<QObject*>(QStringLiteral("FramePlacer"), Qt::FindDirectChildrenOnly);
    return found && static_cast<const FramePlacer*>(found)->Pending();
}

QRect PlacedFrame(const QWidget* window)
{
    // The window system may report a new geometry only a moment later: the
    // frame asked for is the one to go by meanwhile.
    const QObject* found = window->findChild<QObject*>(QStringLiteral("FramePlacer"), Qt::FindDirectChildrenOnly);
    return found ? static_cast<const FramePlacer*>(found)->Target() : window->frameGeometry();
}

QRect FitFrameInto(QRect frame, const QRect& area)
{
    frame.setSize(frame.size().boundedTo(area.size()));
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    if (frame.top() < area.top()) frame.moveTop(area.top());
    return frame;
}

namespace {

FramePlacer* PlacerOf(const QWidget* window)
{
    return static_cast<FramePlacer*>(
        window->findChild<QObject*>(QStringLiteral("FramePlacer"), Qt::FindDirectChildrenOnly));
}

void KeepOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen || !window->isVisible()) return;
    const FramePlacer* placer = PlacerOf(window);
    if (placer && !placer->keepOnly_) return;
    // Before the window manager has framed it, its frame is guessed from
    // the window it belongs to.
    QMargins margins = FrameMargins(window);
    if (margins.isNull() && window->parentWidget()) margins = FrameMargins(window->parentWidget()->window());
    const QRect area = screen->availableGeometry();
    if (area.contains(window->geometry().marginsAdded(margins))) return;
    PlaceFrame(window, [window, area, margins](const QMargins& m) {
        const QRect frame = FitFrameInto(window->geometry().marginsAdded(m.isNull() ? margins : m), area);
        // Not framed yet: the window goes inside the frame it will get.
        return m.isNull() ? frame.marginsRemoved(margins) : frame;
    });
    if (FramePlacer* made = PlacerOf(window)) made->keepOnly_ = true;
}

class ScreenKeeper final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            const Qt::WindowType type = w->windowType();
            if (w->isWindow() && (type == Qt::Window || type == Qt::Dialog)) {
                // Once the window has taken the size its own showing gives it.
                QTimer::singleShot(0, w, [w] { KeepOnScreen(w); });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void KeepWindowsOnScreen()
{
    static ScreenKeeper* keeper = nullptr;
    if (keeper || !qApp) return;
    keeper = new ScreenKeeper;
    keeper->setParent(qApp);
    qApp->installEventFilter(keeper);
}
