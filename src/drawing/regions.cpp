#include "drawing/regions.h"

#include <cmath>

#include "drawing/rounding.h"

Region CreateEmptyRegion()
{
    return Region();
}

void RegionAddRect(Region& region, const TRect& rect)
{
    region.Unite(Region(rect));
}

std::optional<Region> RectRegion(const TRect& rect)
{
    if (rect.Left == rect.Right && rect.Top == rect.Bottom)
        return std::nullopt;
    return Region(rect);
}

void RegionAddPolygon(Region& region, const std::vector<TPoint>& points)
{
    region.Unite(Region::FromPolygon(points));
}

void RegionSubtractPolygon(Region& region, const std::vector<TPoint>& points)
{
    region.Subtract(Region::FromPolygon(points));
}

void RegionSubtractRect(Region& region, const TRect& rect)
{
    region.Subtract(Region(rect));
}

namespace {

// A scaled coordinate, rounded halves to even and kept inside the range that
// regions accept (an absurd factor must not abort the program).
std::int32_t ScaleCoord(std::int32_t v, double factor)
{
    const double x = static_cast<double>(v) * factor;
    if (!std::isfinite(x))
        return x < 0 ? -Region::RegionCoordLimit : Region::RegionCoordLimit;
    const double lim = static_cast<double>(Region::RegionCoordLimit);
    const double r = std::nearbyint(x);
    return static_cast<std::int32_t>(r < -lim ? -lim : (r > lim ? lim : r));
}

}  // namespace

std::optional<Region> ScaleRegion(const Region& region, double factor)
{
    if (region.IsEmpty())
        return std::nullopt;
    Region out;
    for (const TRect& r : region.Rects()) {
        out.Unite(Region(TRect{ScaleCoord(r.Left, factor), ScaleCoord(r.Top, factor), ScaleCoord(r.Right, factor),
                               ScaleCoord(r.Bottom, factor)}));
    }
    return out;
}

std::int32_t ClampCentre(std::int32_t value, std::int32_t low, std::int32_t high, std::int32_t margin)
{
    const std::int64_t lo = low, hi = high, m = margin;
    if (hi - lo < 2 * m)
        return static_cast<std::int32_t>((lo + hi) / 2);
    const std::int64_t a = lo + m, b = hi - m;
    const std::int64_t v = value < a ? a : (value > b ? b : value);
    return static_cast<std::int32_t>(v);
}
