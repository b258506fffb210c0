// Window-edge snapping of the main window, every 500 ms: an edge closer than
// 8 pixels to the edge of the desk area (or, for the right edge, to the log
// window beside it) is aligned with it, so that the two windows tile the
// screen without gaps or overlaps the user has to fix by hand.
#pragma once

#include <cstdint>

#include "platform/canvas_types.h"

inline constexpr std::int32_t kSnapPeriodMs = 500;
// "Near" is strictly closer than this, in pixels.
inline constexpr std::int32_t kSnapDistance = 8;

// The main window's outer rectangle as position and size.
struct SnapGeometry {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    friend bool operator==(const SnapGeometry&, const SnapGeometry&) = default;
};

// What the main window snaps to. The desk is the usable screen area kept by
// the desk window (absent until it exists); the log window's left edge counts
// only while it is shown, but the bottom edge snaps to the desk whether or
// not it is.
struct SnapTargets {
    bool HasDesk = false;
    TRect Desk;
    bool HasLog = false;
    bool LogVisible = false;
    std::int32_t LogLeft = 0;
};

// TimerMoveTimer: the main window's geometry after one snapping step.
SnapGeometry SnapMainWindow(SnapGeometry main, const SnapTargets& targets);
