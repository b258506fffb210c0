#include "platform/windows/modal_stacking.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/windows/x11_stacking.h"

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

// Window types whose owner Qt itself announces to the window manager.
bool OwnedType(Qt::WindowType type)
{
    return type == Qt::Tool || type == Qt::Dialog || type == Qt::Sheet || type == Qt::Drawer;
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
            if (focus && Stacked(focus->type())) Schedule(true);
        });
        // Any other change of the window manager's order: a click on the
        // title bar of the window that has the focus already, which raises
        // it and tells the program nothing else.
        x11::WatchStacking([this] { Schedule(false); });
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
                if (w->isWindow() && Stacked(w->windowType())) Schedule(true);
            }
            break;
        case QEvent::MouseButtonPress:
            // The window manager raises a window at each click in it, the
            // focused one too, before the program sees the click.
            if (watched->isWindowType()) Schedule(true);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // `byPerson`: a click, a window shown or hidden, a change of focus, as
    // opposed to a change of order the window manager reports; each of these
    // gives the corrections their full allowance again.
    void Schedule(bool byPerson)
    {
        if (byPerson) allowance_ = kAllowance;
        update_.start();
    }

    void Update()
    {
        QWidget* modal = QApplication::activeModalWidget();
        std::vector<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!Stacked(w->windowType())) continue;
            if (StaysOnTopOfProgram(w) && w != modal)
                w->setProperty(kSuspended, modal ? QVariant(true) : QVariant());
            if (w->isVisible() && !w->isMinimized() && w->internalWinId()) shown.push_back(w);
        }
        if (!RealStacking()) return;
        // Raised only while the program is the one in use: a window of
        // another program that came up meanwhile keeps its place above them.
        const bool inUse = QGuiApplication::applicationState() == Qt::ApplicationActive;
        const std::optional<std::vector<quintptr>> stacking = x11::ClientStacking();
        if (!stacking) {
            // No order to read: raised whenever something may have changed it.
            if (!inUse) return;
            for (QWidget* w : shown)
                if (StaysOnTopOfProgram(w) && !modal) w->raise();
            if (modal) modal->raise();
            return;
        }
        std::map<quintptr, QWidget*> byId;
        for (QWidget* w : shown) byId[w->internalWinId()] = w;
        std::vector<QWidget*> order;
        std::vector<StackPlace> places;
        std::vector<std::size_t> placeOf;  // where each window of `order` stands in `places`
        for (const quintptr id : *stacking) {
            const auto found = byId.find(id);
            if (found != byId.end()) {
                order.push_back(found->second);
                placeOf.push_back(places.size());
                places.push_back(StaysOnTopOfProgram(found->second) ? StackPlace::OwnOnTop : StackPlace::Own);
            } else if (x11::InOrdinaryLayer(id)) {
                places.push_back(StackPlace::Other);
            }
        }
        AnnounceOwners(*stacking, order);
        // An order not met since the windows last stood right: a person
        // clicked a window the program hears nothing of (one a dialog
        // blocks), or the window manager moved windows along with others.
        // The allowance only bounds the tries on one same order, so that a
        // window manager that refuses them is not asked forever.
        std::vector<quintptr> ids;
        for (const QWidget* w : order) ids.push_back(w->internalWinId());
        if (seen_.insert(ids).second) allowance_ = kAllowance;
        if (!inUse || allowance_ <= 0) return;
        // Other programs' windows keep their places among the program's.
        const StackingLeeway leeway = LeewayOf(places);
        if (!leeway.raise) return;
        std::vector<StackRole> roles;
        for (const QWidget* w : order)
            roles.push_back(StaysOnTopOfProgram(w)             ? StackRole::OnTop
                            : w->windowModality() != Qt::NonModal ? StackRole::Modal
                                                                : StackRole::Ordinary);
        const std::vector<std::size_t> raise = WindowsToRaise(roles);
        if (raise.empty()) {
            allowance_ = kAllowance;
            seen_.clear();
            return;
        }
        // A raise puts a window over every window above it: never over
        // another program's window that the person put over it, even where
        // that window leaves some of the program's windows uncovered. The
        // window manager raises a modal window with its owner and the
        // owner's other windows: from the owner's place.
        std::vector<std::size_t> moved;
        for (const std::size_t i : raise) {
            moved.push_back(placeOf[i]);
            if (roles[i] == StackRole::Modal) {
                const QWindow* handle = order[i]->windowHandle();
                const QWindow* owner = handle ? handle->transientParent() : nullptr;
                for (std::size_t j = 0; owner && j < order.size(); ++j)
                    if (order[j]->windowHandle() == owner) moved.push_back(placeOf[j]);
            }
        }
        if (!RaisePassesNoOther(places, moved)) return;
        // A window manager that does not restack as asked would otherwise
        // be asked again at each change it reports.
        --allowance_;
        for (const std::size_t i : raise) order[i]->raise();
        if (modal && leeway.lower) PutOrdinaryWindowsUnderOnTop(order, roles);
    }

    // Raising a modal window makes the window manager raise its owner with
    // the owner's other windows, in their order: an ordinary window that a
    // click put over the stay-on-top ones may stay over them. It is put under
    // the lowest of them, once the raises above are done. Openbox does that
    // by lowering it and its owner to the bottom of its stacking, under every
    // other program's window: done only when none stands there.
    static void PutOrdinaryWindowsUnderOnTop(const std::vector<QWidget*>& order, const std::vector<StackRole>& roles)
    {
        const auto lowest = std::find(roles.begin(), roles.end(), StackRole::OnTop);
        if (lowest == roles.end()) return;
        const quintptr sibling = order[static_cast<std::size_t>(lowest - roles.begin())]->internalWinId();
        for (std::size_t i = static_cast<std::size_t>(lowest - roles.begin()) + 1; i < order.size(); ++i)
            if (roles[i] == StackRole::Ordinary) x11::RestackBelow(order[i]->internalWinId(), sibling);
    }

    // A window shown in the same moment as its owner may reach the window
    // manager first (the log window and the help box at start-up, shown
    // while the main window is being shown): the window manager then takes
    // it for a window of its own, which a click on the owner puts under the
    // owner, and a modal window's owner goes over it. Its owner is written
    // again once both are managed. The topics, an ordinary window for Qt,
    // get their owner written the same way.
    void AnnounceOwners(const std::vector<quintptr>& managed, const std::vector<QWidget*>& order)
    {
        const std::set<quintptr> ids(managed.begin(), managed.end());
        std::set<std::pair<quintptr, quintptr>> now;
        for (const QWidget* w : order) {
            if (!StaysOnTopOfProgram(w) && !OwnedType(w->windowType())) continue;
            const QWindow* handle = w->windowHandle();
            const QWindow* owner = handle ? handle->transientParent() : nullptr;
            if (!owner || !owner->handle() || !ids.count(owner->winId())) continue;
            const std::pair<quintptr, quintptr> pair{w->internalWinId(), owner->winId()};
            if (!announced_.count(pair)) x11::AnnounceTransientFor(pair.first, pair.second);
            now.insert(pair);
        }
        announced_ = std::move(now);
    }

    static constexpr int kAllowance = 4;
    int allowance_ = kAllowance;
    std::set<std::pair<quintptr, quintptr>> announced_;
    std::set<std::vector<quintptr>> seen_;
    QTimer update_;
};

}  // namespace

std::vector<std::size_t> WindowsToRaise(const std::vector<StackRole>& order)
{
    bool under = false, over = false, modal = false;
    bool ordinarySeen = false, onTopSeen = false;
    // From the top down: an ordinary window seen before a stay-on-top one
    // stands above it; a stay-on-top one seen before a modal one, likewise.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        switch (*it) {
        case StackRole::Ordinary:
            ordinarySeen = true;
            break;
        case StackRole::OnTop:
            under = under || ordinarySeen;
            onTopSeen = true;
            break;
        case StackRole::Modal:
            over = over || onTopSeen;
            modal = true;
            break;
        }
    }
    std::vector<std::size_t> raise;
    if (under)
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == StackRole::OnTop) raise.push_back(i);
    if (modal && (under || over))
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == StackRole::Modal) raise.push_back(i);
    return raise;
}

StackingLeeway LeewayOf(const std::vector<StackPlace>& stacking)
{
    // From the bottom: where the program's windows end, and where the other
    // programs' windows begin and end.
    std::optional<std::size_t> ownTop, anyOwnTop, otherBottom, otherTop;
    for (std::size_t i = 0; i < stacking.size(); ++i) {
        switch (stacking[i]) {
        case StackPlace::Own:
            ownTop = i;
            anyOwnTop = i;
            break;
        case StackPlace::OwnOnTop:
            anyOwnTop = i;
            break;
        case StackPlace::Other:
            if (!otherBottom) otherBottom = i;
            otherTop = i;
            break;
        }
    }
    StackingLeeway leeway;
    leeway.raise = ownTop && (!otherTop || *otherTop < *ownTop);
    leeway.lower = !otherBottom || !anyOwnTop || *otherBottom > *anyOwnTop;
    return leeway;
}

bool RaisePassesNoOther(const std::vector<StackPlace>& stacking, const std::vector<std::size_t>& raised)
{
    if (raised.empty()) return true;
    const std::size_t lowest = *std::min_element(raised.begin(), raised.end());
    return std::find(stacking.begin() + static_cast<std::ptrdiff_t>(std::min(lowest, stacking.size())), stacking.end(),
                     StackPlace::Other) == stacking.end();
}

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
