// TFDesk: the hidden window that measures the usable desk area once (the
// screen less its panels, inset by 4 pixels on every side). The main window,
// the log window and the window-edge snapping place themselves on it.
#pragma once

#include <QWidget>

#include "platform/canvas_types.h"

class TFDesk : public QWidget {
    Q_OBJECT
public:
    // FormCreate: measures the desk; the window is never shown.
    explicit TFDesk(QWidget* parent = nullptr);
    // Left, top, right, bottom (right and bottom excluded).
    TRect DeskRect;
    // The desk of a work area: inset by 4 pixels on every side.
    static TRect DeskOf(const QRect& workArea);
};

extern TFDesk* FDesk;
