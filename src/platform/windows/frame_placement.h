// Placement of top-level windows by their outer frame (title bar and borders
// included), as a person sees them on the desk.
//
// Until the window manager has framed a window, Qt knows no frame: it reports
// the client area as the frame, and a window placed from it ends with its
// title bar above the screen once the frame appears. A placement made here is
// therefore made again, with the real frame margins, as soon as the window
// manager has framed the window; the rectangle is then computed anew, since
// sizes may depend on the frame (the log window's width does).
#pragma once

#include <QMargins>
#include <QRect>
#include <functional>

class QWidget;

// The outer rectangle for the frame margins known now.
using FrameTarget = std::function<QRect(const QMargins& frameMargins)>;

// The frame margins of a top-level window as known now (none before the
// window manager has framed it, and none on platforms without frames).
QMargins FrameMargins(const QWidget* window);

// Places the window so that its outer frame covers the target rectangle, now
// and again once the window manager has framed it (after each showing);
// `placed` runs after every placement (neighbours that follow the window).
void PlaceFrame(QWidget* window, FrameTarget target, std::function<void()> placed = {});
void PlaceFrame(QWidget* window, const QRect& frame);

// True while a placement waits for the window manager's frame.
bool FramePlacementPending(const QWidget* window);

// The outer rectangle of the window's last placement (its frame geometry
// when it was never placed here).
QRect PlacedFrame(const QWidget* window);

// Keeps every top-level window the application shows on its screen's
// available area: a window larger than the area is made as small as it
// (a screen smaller than the one it was sized for), and one that sticks
// out is moved in, frame included. Windows placed by PlaceFrame are left to
// their own placement.
void KeepWindowsOnScreen();

// The outer rectangle that keeps a window of that frame on the area:
// shrunk to the area's size at most, then moved inside it.
QRect FitFrameInto(QRect frame, const QRect& area);
