#include "platform/windows/x11_stacking.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <memory>

#if defined(CAROTIX_HAVE_XCB)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace x11 {

#if defined(CAROTIX_HAVE_XCB)

namespace {

xcb_connection_t* Connection()
{
    if (!qApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* c)
{
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    return screens.rem > 0 ? screens.data->root : 0;
}

xcb_atom_t StackingAtom(xcb_connection_t* c)
{
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom != XCB_ATOM_NONE) return atom;
    static const char name[] = "_NET_CLIENT_LIST_STACKING";
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    if (reply) atom = reply->atom;
    std::free(reply);
    return atom;
}

xcb_atom_t NamedAtom(xcb_connection_t* c, const char* name)
{
    static std::map<std::string, xcb_atom_t> known;
    const auto found = known.find(name);
    if (found != known.end()) return found->second;
    xcb_atom_t atom = XCB_ATOM_NONE;
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    if (reply) atom = reply->atom;
    std::free(reply);
    if (atom != XCB_ATOM_NONE) known.emplace(name, atom);
    return atom;
}

// The atoms a window's property of atoms holds; none when it has none.
std::vector<xcb_atom_t> AtomList(xcb_connection_t* c, xcb_window_t window, const char* property)
{
    std::vector<xcb_atom_t> atoms;
    const xcb_atom_t name = NamedAtom(c, property);
    if (name == XCB_ATOM_NONE) return atoms;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return atoms;
}

// A window's property holding one number; none when it has none.
std::optional<uint32_t> Cardinal(xcb_connection_t* c, xcb_window_t window, const char* property)
{
    std::optional<uint32_t> value;
    const xcb_atom_t name = NamedAtom(c, property);
    if (name == XCB_ATOM_NONE) return value;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    if (reply && reply->type == XCB_ATOM_CARDINAL && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        value = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return value;
}

class StackingFilter final : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t" || !changed) return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
        const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
        if (property->window == root && property->atom == atom) changed();
        return false;  // Qt still sees every event
    }

    std::function<void()> changed;
    xcb_window_t root = 0;
    xcb_atom_t atom = XCB_ATOM_NONE;
};

}  // namespace

std::optional<std::vector<quintptr>> ClientStacking()
{
    xcb_connection_t* c = Connection();
    if (!c) return std::nullopt;
    const xcb_atom_t atom = StackingAtom(c);
    if (atom == XCB_ATOM_NONE) return std::nullopt;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, Root(c), atom, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    if (!reply) return std::nullopt;
    std::optional<std::vector<quintptr>> order;
    if (reply->type == XCB_ATOM_WINDOW && reply->format == 32) {
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        order.emplace(windows, windows + count);
    }
    std::free(reply);
    return order;
}

bool InOrdinaryLayer(quintptr window)
{
    xcb_connection_t* c = Connection();
    if (!c || !window) return true;
    const auto id = static_cast<xcb_window_t>(window);
    const auto holds = [&](const std::vector<xcb_atom_t>& atoms, std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (std::find(atoms.begin(), atoms.end(), NamedAtom(c, n)) != atoms.end()) return true;
        return false;
    };
    // A minimised window, or one on another desktop, keeps its place in the
    // stacking order while no one sees it: it covers nothing.
    const auto desktop = Cardinal(c, id, "_NET_WM_DESKTOP");
    const auto current = Cardinal(c, Root(c), "_NET_CURRENT_DESKTOP");
    if (desktop && current && *desktop != *current && *desktop != 0xFFFFFFFFu) return false;
    return !holds(AtomList(c, id, "_NET_WM_WINDOW_TYPE"), {"_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_WINDOW_TYPE_DESKTOP"}) &&
           !holds(AtomList(c, id, "_NET_WM_STATE"),
                  {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_BELOW", "_NET_WM_STATE_HIDDEN"});
}

void WatchStacking(std::function<void()> changed)
{
    static StackingFilter* filter = nullptr;
    xcb_connection_t* c = Connection();
    if (!c) return;
    if (!filter) {
        filter = new StackingFilter;
        filter->root = Root(c);
        filter->atom = StackingAtom(c);
        // The root window's property changes, added to the events Qt itself
        // asks of it.
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, filter->root), nullptr);
        if (attributes && !(attributes->your_event_mask & XCB_EVENT_MASK_PROPERTY_CHANGE)) {
            const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(c, filter->root, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(c);
        }
        std::free(attributes);
        QCoreApplication::instance()->installNativeEventFilter(filter);
    }
    filter->changed = std::move(changed);
}

void AnnounceTransientFor(quintptr window, quintptr owner)
{
    xcb_connection_t* c = Connection();
    if (!c || !window || !owner) return;
    const auto value = static_cast<xcb_window_t>(owner);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window), XCB_ATOM_WM_TRANSIENT_FOR,
                        XCB_ATOM_WINDOW, 32, 1, &value);
    xcb_flush(c);
}

void RestackBelow(quintptr window, quintptr sibling)
{
    xcb_connection_t* c = Connection();
    if (!c || !window || !sibling) return;
    static xcb_atom_t atom = XCB_ATOM_NONE;
    if (atom == XCB_ATOM_NONE) {
        static const char name[] = "_NET_RESTACK_WINDOW";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        if (reply) atom = reply->atom;
        std::free(reply);
        if (atom == XCB_ATOM_NONE) return;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window);
    event.type = atom;
    event.data.data32[0] = 2;  // from a pager: done as asked, not judged as an application's wish
    event.data.data32[1] = static_cast<uint32_t>(sibling);
    event.data.data32[2] = XCB_STACK_MODE_BELOW;
    xcb_send_event(c, 0, Root(c), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

#else

std::optional<std::vector<quintptr>> ClientStacking() { return std::nullopt; }
bool InOrdinaryLayer(quintptr) { return true; }
void WatchStacking(std::function<void()>) {}
void AnnounceTransientFor(quintptr, quintptr) {}
void RestackBelow(quintptr, quintptr) {}

#endif

}  // namespace x11
