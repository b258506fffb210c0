// The program's modal windows above its stay-on-top ones.
//
// The help box, its topics and the equipment picture stay on top of the
// program's other windows. A modal window (a dialog, a message box, a file
// dialog) must not disappear under them: it blocks every other window, so a
// stay-on-top window that hides its buttons could not even be moved away.
// While a modal window is shown, the stay-on-top windows are therefore
// ordinary windows placed under it; they stay on top again once the last
// modal window has closed.
#pragma once

class QWidget;

// Installs the watcher on the application (once; later calls do nothing).
void KeepModalsAboveStayOnTop();

// Whether the window is one the watcher has taken off the top for the time
// of a modal window.
bool StayOnTopSuspended(const QWidget* window);
