#include "platform/coord_clip.h"

#include <algorithm>
#include <cmath>

namespace coordclip {

bool AllInside(const TPoint* points, std::size_t count, std::int32_t limit)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (points[i].X < -limit || points[i].X > limit || points[i].Y < -limit || points[i].Y > limit)
            return false;
    }
    return true;
}

std::span<const TPoint> PolygonWithin(const TPoint* points, std::size_t count, std::int32_t limit,
                                      std::vector<TPoint>& storage)
{
    if (AllInside(points, count, limit)) return {points, count};
    storage = ClipPolygon(points, count, limit);
    return storage;
}

static std::int64_t RoundCoord(double v)
{
    return static_cast<std::int64_t>(std::nearbyint(v));
}

bool ClipSegment(std::int64_t& x1, std::int64_t& y1, std::int64_t& x2, std::int64_t& y2, std::int32_t limit)
{
    // Liang-Barsky in doubles: the inputs are at most 2^32 apart, well inside
    // the exact range of a double.
    const double lo = -static_cast<double>(limit), hi = static_cast<double>(limit);
    const double ax = static_cast<double>(x1), ay = static_cast<double>(y1);
    const double dx = static_cast<double>(x2) - ax, dy = static_cast<double>(y2) - ay;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - lo, hi - ax, ay - lo, hi - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1)
                return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0)
                return false;
            t1 = std::min(t1, t);
        }
    }
    const bool firstInside = t0 == 0.0, lastInside = t1 == 1.0;
    const std::int64_t nx1 = firstInside ? x1 : RoundCoord(ax + t0 * dx);
    const std::int64_t ny1 = firstInside ? y1 : RoundCoord(ay + t0 * dy);
    const std::int64_t nx2 = lastInside ? x2 : RoundCoord(ax + t1 * dx);
    const std::int64_t ny2 = lastInside ? y2 : RoundCoord(ay + t1 * dy);
    x1 = std::clamp<std::int64_t>(nx1, -limit, limit);
    y1 = std::clamp<std::int64_t>(ny1, -limit, limit);
    x2 = std::clamp<std::int64_t>(nx2, -limit, limit);
    y2 = std::clamp<std::int64_t>(ny2, -limit, limit);
    return true;
}

std::vector<std::vector<TPoint>> ClipPolyline(const TPoint* points, std::size_t count, std::int32_t limit)
{
    std::vector<std::vector<TPoint>> pieces;
    if (count < 2)
        return pieces;
    std::vector<TPoint> current;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        std::int64_t x1 = points[i].X, y1 = points[i].Y, x2 = points[i + 1].X, y2 = points[i + 1].Y;
        if (!ClipSegment(x1, y1, x2, y2, limit)) {
            if (current.size() >= 2)
                pieces.push_back(std::move(current));
            current.clear();
            continue;
        }
        const TPoint a{static_cast<std::int32_t>(x1), static_cast<std::int32_t>(y1)};
        const TPoint b{static_cast<std::int32_t>(x2), static_cast<std::int32_t>(y2)};
        if (!current.empty() && current.back() == a) {
            current.push_back(b);
        } else {
            if (current.size() >= 2)
                pieces.push_back(std::move(current));
            current.clear();
            current.push_back(a);
            current.push_back(b);
        }
    }
    if (current.size() >= 2)
        pieces.push_back(std::move(current));
    return pieces;
}

namespace {
struct PD {
    double x, y;
};
}  // namespace

std::vector<TPoint> ClipPolygon(const TPoint* points, std::size_t count, std::int32_t limit)
{
    return ClipPolygonToBox(points, count, -limit, -limit, limit, limit);
}

std::vector<TPoint> ClipPolygonToBox(const TPoint* points, std::size_t count, std::int32_t left, std::int32_t top,
                                     std::int32_t right, std::int32_t bottom)
{
    std::vector<PD> poly;
    poly.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        poly.push_back({static_cast<double>(points[i].X), static_cast<double>(points[i].Y)});
    const double x0 = left, x1 = right, y0 = top, y1 = bottom;
    // Four half-planes: x >= x0, x <= x1, y >= y0, y <= y1.
    for (int edge = 0; edge < 4 && !poly.empty(); ++edge) {
        auto inside = [&](const PD& p) {
            switch (edge) {
            case 0: return p.x >= x0;
            case 1: return p.x <= x1;
            case 2: return p.y >= y0;
            default: return p.y <= y1;
            }
        };
        auto cross = [&](const PD& a, const PD& b) {
            double t;
            switch (edge) {
            case 0: t = (x0 - a.x) / (b.x - a.x); return PD{x0, a.y + t * (b.y - a.y)};
            case 1: t = (x1 - a.x) / (b.x - a.x); return PD{x1, a.y + t * (b.y - a.y)};
            case 2: t = (y0 - a.y) / (b.y - a.y); return PD{a.x + t * (b.x - a.x), y0};
            default: t = (y1 - a.y) / (b.y - a.y); return PD{a.x + t * (b.x - a.x), y1};
            }
        };
        std::vector<PD> out;
        out.reserve(poly.size() + 4);
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const PD& cur = poly[i];
            const PD& prev = poly[(i + poly.size() - 1) % poly.size()];
            const bool ci = inside(cur), pi = inside(prev);
            if (ci) {
                if (!pi)
                    out.push_back(cross(prev, cur));
                out.push_back(cur);
            } else if (pi) {
                out.push_back(cross(prev, cur));
            }
        }
        poly.swap(out);
    }
    std::vector<TPoint> result;
    result.reserve(poly.size());
    for (const PD& p : poly) {
        const double x = std::clamp(std::nearbyint(p.x), x0, x1);
        const double y = std::clamp(std::nearbyint(p.y), y0, y1);
        result.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
    }
    return result;
}

TRect ClampRect(const TRect& r, std::int32_t limit)
{
    auto c = [limit](std::int32_t v) { return std::clamp(v, -limit, limit); };
    return TRect{c(r.Left), c(r.Top), c(r.Right), c(r.Bottom)};
}

}  // namespace coordclip
