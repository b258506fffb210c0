#include "platform/windows/modal_stacking.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace {

const char* const kOnTop = "carotixStaysOnTopOfProgram";
const char* const kSuspended = "carotixStayOnTopSuspended";

// Windows the window manager does not stack (tool tips, pop-up menus) are
// left alone: they come and go with the mouse, above everything.
bool Stacked(Qt::WindowType type)
{
    return type != Qt::ToolTip && type != Qt::Popup && type != Qt::SplashScreen;
}

// Headless platforms have no stacking to change.
bool RealStacking()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

class ModalStacker final : public QObject {
public:
    ModalStacker()
    {
        update_.setSingleShot(true);
        update_.setInterval(0);
        connect(&update_, &QTimer::timeout, this, [this] { Update(); });
        // One of the program's windows takes the focus: the window manager
        // has raised it, maybe over the stay-on-top windows.
        connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            if (focus && Stacked(focus->type())) update_.start();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
            // A window of the program comes or goes: once Qt has settled
            // which window is modal now.
            if (watched->isWidgetType()) {
                const auto* w = static_cast<QWidget*>(watched);
                if (w->isWindow() && Stacked(w->windowType())) update_.start();
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Update()
    {
        QWidget* modal = QApplication::activeModalWidget();
        // Raised only while the program is the one in use: a window of
        // another program that came up meanwhile keeps its place above them.
        const bool raise = RealStacking() && QGuiApplication::applicationState() == Qt::ApplicationActive;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!StaysOnTopOfProgram(w) || w == modal) continue;
            w->setProperty(kSuspended, modal ? QVariant(true) : QVariant());
            if (!modal && raise && w->isVisible()) w->raise();
        }
        if (modal && raise) modal->raise();
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

void KeepOnTopOfProgram(QWidget* window)
{
    // Never the window manager's "above" state, which holds over every
    // program's windows; a window with a parent is transient for it, which
    // keeps it over the main window with every window manager.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    window->setProperty(kOnTop, true);
}

bool StaysOnTopOfProgram(const QWidget* window) { return window && window->property(kOnTop).toBool(); }

bool StayOnTopSuspended(const QWidget* window) { return window && window->property(kSuspended).toBool(); }
