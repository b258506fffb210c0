// The window manager's stacking of the program's windows on an X11 desktop.
//
// Qt neither tells a program where its windows stand among the window
// manager's nor when that order changes; the window manager publishes both
// on the root window (_NET_CLIENT_LIST_STACKING, a property whose changes
// the root window announces). Elsewhere (headless platforms, Wayland, a
// build without xcb) nothing is known and the calls do nothing.
#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

namespace x11 {

// The client windows the window manager manages, from the bottom of its
// stacking order to its top; none when there is no such list.
std::optional<std::vector<quintptr>> ClientStacking();

// Whether a managed window stands in the window manager's ordinary layer:
// not a panel or a desktop, nor kept above or below the other windows, nor
// minimised or on another desktop than the one shown.
// Where nothing is known, true.
bool InOrdinaryLayer(quintptr window);

// Calls `changed` after each change of that order (once; later calls
// replace the function).
void WatchStacking(std::function<void()> changed);

// Writes WM_TRANSIENT_FOR again: a window manager that framed the window
// before its owner (a window shown in the same moment as the main window)
// took it for a window of its own and learns the owner only then.
void AnnounceTransientFor(quintptr window, quintptr owner);

// Asks the window manager to put `window` just under `sibling`
// (_NET_RESTACK_WINDOW), whatever windows it keeps together with others.
void RestackBelow(quintptr window, quintptr sibling);

}  // namespace x11
