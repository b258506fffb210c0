#include "app/snapping.h"

#include <cstdlib>

namespace {

bool Near(std::int64_t a, std::int64_t b) { return std::llabs(a - b) < kSnapDistance; }

}  // namespace

SnapGeometry SnapMainWindow(SnapGeometry main, const SnapTargets& targets)
{
    if (targets.HasDesk) {
        if (Near(main.Left, targets.Desk.Left)) main.Left = targets.Desk.Left;
        if (Near(main.Top, targets.Desk.Top)) main.Top = targets.Desk.Top;
    }
    if (targets.HasLog) {
        if (targets.LogVisible && Near(std::int64_t(main.Left) + main.Width, targets.LogLeft))
            main.Width = targets.LogLeft - main.Left;
        // The desk exists whenever the log window does (it is created first);
        // without it there is no bottom to snap to.
        if (targets.HasDesk && Near(std::int64_t(main.Top) + main.Height, targets.Desk.Bottom))
            main.Height = targets.Desk.Bottom - main.Top;
    }
    return main;
}
