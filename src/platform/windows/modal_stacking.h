// The program's stay-on-top windows: on top of its own windows only.
//
// The help box, its topics, the equipment picture and the progress window
// stay on top of the program's other windows, as tool windows owned by the
// main window do. They must not stay above other programs' windows (a second
// instance's dialogs among them): the window manager's "above" state would
// put them over every window on the screen. They are therefore ordinary
// windows, transient for the main window, that the program itself raises
// over its other windows whenever one of its windows is shown or takes the
// focus; another program's window that comes up later stands above them.
//
// A modal window (a dialog, a message box, a file dialog) must not disappear
// under them either: it blocks every other window, so a stay-on-top window
// that hides its buttons could not even be moved away. While a modal window
// is shown they are not raised, and the modal window is; they come back on
// top once the last modal window has closed.
#pragma once

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
