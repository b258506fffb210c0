#include "platform/windows/modal_stacking.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace {

const char* const kSuspended = "carotixStayOnTopSuspended";

// Windows the window manager does not stack (tool tips, pop-up menus) are
// left alone: they come and go with the mouse.
bool Stacked(const QWidget* w)
{
    const Qt::WindowType type = w->windowType();
    return type != Qt::ToolTip && type != Qt::Popup && type != Qt::SplashScreen;
}

// The flags are changed on the native window only. Changing them through
// QWidget::setWindowFlags would re-create the native window, which hides it
// (and so closes the help box for good under a dialog); the native window's
// own flags only change its state at the window manager.
void SetOnTop(QWidget* w, bool onTop)
{
    QWindow* handle = w->windowHandle();
    if (!handle) return;
    const Qt::WindowFlags flags = handle->flags();
    const Qt::WindowFlags wanted = onTop ? flags | Qt::WindowStaysOnTopHint : flags & ~Qt::WindowStaysOnTopHint;
    if (wanted != flags) handle->setFlags(wanted);
}

class ModalStacker final : public QObject {
public:
    ModalStacker()
    {
        update_.setSingleShot(true);
        update_.setInterval(0);
        connect(&update_, &QTimer::timeout, this, [this] { Update(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            // A window of the program comes or goes: once Qt has settled
            // which window is modal now.
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) update_.start();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Update()
    {
        // Headless platforms have no stacking to change.
        const QString platform = QGuiApplication::platformName();
        const bool stacked = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
        QWidget* modal = QApplication::activeModalWidget();
        bool lowered = false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!Stacked(w) || w == modal) continue;
            const bool suspended = w->property(kSuspended).toBool();
            if (modal && !suspended && w->testAttribute(Qt::WA_WState_Created) &&
                w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !w->isModal()) {
                w->setProperty(kSuspended, true);
                SetOnTop(w, false);
                if (w->isVisible() && stacked) {
                    w->lower();
                    lowered = true;
                }
            } else if (!modal && suspended) {
                w->setProperty(kSuspended, QVariant());
                SetOnTop(w, true);
                if (w->isVisible() && stacked) w->raise();
            }
        }
        // Windows taken off the top may come down just over the others: the
        // modal window goes back over them.
        if (modal && lowered) modal->raise();
    }

    QTimer update_;
};

}  // namespace

void KeepModalsAboveStayOnTop()
{
    static ModalStacker* stacker = nullptr;
    if (stacker || !qApp) return;
    stacker = new ModalStacker;
    stacker->setParent(qApp);
    qApp->installEventFilter(stacker);
}

bool StayOnTopSuspended(const QWidget* window) { return window && window->property(kSuspended).toBool(); }
