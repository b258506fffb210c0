// The program's stay-on-top windows: on top of its own windows only.
//
// The help box, its topics, the equipment picture and the progress window
// stay on top of the program's other windows, as tool windows owned by the
// main window do. They must not stay above other programs' windows (a second
// instance's dialogs among them): the window manager's "above" state would
// put them over every window on the screen. They are therefore ordinary
// windows, transient for the main window, that the program itself raises
// over its other windows whenever the window manager has put one of its
// windows above them (a click raises the clicked window, even one that has
// the focus already) while the program is the one in use; another program's
// window that comes up later stands above them.
//
// A modal window (a dialog, a message box, a file dialog) must not disappear
// under them either: it blocks every other window, so a stay-on-top window
// that hides its buttons could not even be moved away. While a modal window
// is shown they stand under it, yet still above the main window: the window
// manager keeps a modal window's owner and the owner's other transient
// windows together, the modal ones on top.
#pragma once

#include <cstddef>
#include <vector>

class QWidget;

// Installs the watcher on the application (once; later calls do nothing).
void KeepModalsAboveStayOnTop();

// Makes a window (created with a parent) one that stays on top of the
// program's other windows.
void KeepOnTopOfProgram(QWidget* window);

// Whether the window is one that stays on top of the program's windows.
bool StaysOnTopOfProgram(const QWidget* window);

// Whether the window is one that stays on top, held under a modal window for
// the time it is shown.
bool StayOnTopSuspended(const QWidget* window);

// What a shown window of the program is to the stacking.
enum class StackRole { Ordinary, OnTop, Modal };

// The windows to raise, in order (indexes into `order`), so that every
// stay-on-top window stands above every ordinary window and under every
// modal one, the program's windows being given from the bottom of the
// window manager's stacking order to its top: the stay-on-top windows when
// one lies under an ordinary window, then the modal windows when there is
// one and the stay-on-top windows were raised or one lies above it. Each
// group keeps its own order. Nothing when all stand as they should.
std::vector<std::size_t> WindowsToRaise(const std::vector<StackRole>& order);

// Where a window stands in the window manager's stacking order, from the
// bottom: one of the program's shown windows (a stay-on-top one or another),
// or another program's window in the ordinary layer (windows kept above or
// below every ordinary window, a panel or a desktop among them, are left out).
enum class StackPlace { Own, OwnOnTop, Other };

// What the program may do to the order of its windows without moving another
// program's window relative to them, given the whole stacking order from the
// bottom. A raise puts a window at the top: allowed unless another program's
// window covers every one of the program's windows (not counting its
// stay-on-top ones), which a stay-on-top window raised over it would hide.
// A lowering is done by the window manager as a lowering to the bottom, with
// the window's owner, whatever sibling it is asked for: allowed only when no
// other program's window stands under one of the program's.
struct StackingLeeway {
    bool raise = false;
    bool lower = false;
    bool operator==(const StackingLeeway&) const = default;
};
StackingLeeway LeewayOf(const std::vector<StackPlace>& stacking);

// Whether the windows standing at `raised` (places in the stacking order,
// from the bottom) can be raised to its top without passing over another
// program's window: none stands above the lowest of them.
bool RaisePassesNoOther(const std::vector<StackPlace>& stacking, const std::vector<std::size_t>& raised);
