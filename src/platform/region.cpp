#include "platform/region.h"

#include <QPolygon>
#include <QRect>
#include <algorithm>
#include <utility>

#include "platform/coord_clip.h"

namespace {

QRect ToQRect(const TRect& in)
{
    // Corners given in reverse order are put in order, as the platform's
    // rectangle regions did; the limit keeps Right - Left inside int.
    TRect r = in;
    if (r.Right < r.Left) std::swap(r.Left, r.Right);
    if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
    const TRect c = coordclip::ClampRect(r, Region::RegionCoordLimit);
    if (c.Right <= c.Left || c.Bottom <= c.Top)
        return QRect();
    return QRect(c.Left, c.Top, c.Right - c.Left, c.Bottom - c.Top);
}

}  // namespace

Region::Region(const TRect& rect)
{
    const QRect q = ToQRect(rect);
    if (!q.isEmpty())
        region_ = QRegion(q);
}

Region Region::FromRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    return Region(TRect{left, top, right, bottom});
}

Region Region::FromPolygon(const TPoint* points, std::size_t count)
{
    Region g;
    if (count < 3 || points == nullptr)
        return g;
    std::vector<TPoint> clipped;
    const std::span<const TPoint> within = coordclip::PolygonWithin(points, count, PolygonCoordLimit, clipped);
    const TPoint* pts = within.data();
    const std::size_t n = within.size();
    if (n < 3)
        return g;
    auto toQt = [](const TPoint* p, std::size_t k) {
        QPolygon poly;
        poly.reserve(static_cast<int>(k));
        for (std::size_t i = 0; i < k; ++i)
            poly.append(QPoint(p[i].X, p[i].Y));
        return poly;
    };
    std::int32_t top = pts[0].Y, bottom = pts[0].Y, left = pts[0].X, right = pts[0].X;
    for (std::size_t i = 1; i < n; ++i) {
        top = std::min(top, pts[i].Y);
        bottom = std::max(bottom, pts[i].Y);
        left = std::min(left, pts[i].X);
        right = std::max(right, pts[i].X);
    }
    // Qt's polygon regions come out empty for slanted shapes much taller than
    // 65,536 rows; taller polygons (only possible if the limit above grows)
    // are built in bands of rows and united.
    constexpr std::int32_t kBand = 1 << 16;
    if (bottom - top <= kBand) {
        g.region_ = QRegion(toQt(pts, n), Qt::OddEvenFill);
        return g;
    }
    for (std::int64_t y0 = top; y0 < bottom; y0 += kBand) {
        const std::int32_t y1 = static_cast<std::int32_t>(std::min<std::int64_t>(y0 + kBand, bottom));
        const std::vector<TPoint> band =
            coordclip::ClipPolygonToBox(pts, n, left, static_cast<std::int32_t>(y0), right, y1);
        if (band.size() < 3)
            continue;
        const QRegion part = QRegion(toQt(band.data(), band.size()), Qt::OddEvenFill)
                                 .intersected(QRect(left, static_cast<int>(y0), right - left + 1, y1 - static_cast<int>(y0)));
        g.region_ = g.region_.united(part);
    }
    return g;
}

Region Region::FromPolygon(const TPoint* points, std::size_t count, const TRect& within)
{
    if (count < 3 || points == nullptr)
        return Region();
    TRect box = within;
    if (box.Right < box.Left) std::swap(box.Left, box.Right);
    if (box.Bottom < box.Top) std::swap(box.Top, box.Bottom);
    box = coordclip::ClampRect(box, PolygonCoordLimit);
    if (box.Right <= box.Left || box.Bottom <= box.Top)
        return Region();
    // Cutting along the box's edges keeps the alternate-fill parity of every
    // pixel inside it; the box's own right and bottom edges are left out as a
    // rectangle region leaves them out.
    const std::vector<TPoint> cut = coordclip::ClipPolygonToBox(points, count, box.Left, box.Top, box.Right, box.Bottom);
    if (cut.size() < 3)
        return Region();
    return FromPolygon(cut.data(), cut.size()).Intersected(Region(box));
}

bool Region::Contains(std::int32_t x, std::int32_t y) const
{
    return region_.contains(QPoint(x, y));
}

TRect Region::BoundingRect() const
{
    if (region_.isEmpty())
        return TRect{};
    const QRect b = region_.boundingRect();
    return TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
}

std::vector<TRect> Region::Rects() const
{
    std::vector<TRect> out;
    out.reserve(static_cast<std::size_t>(region_.rectCount()));
    for (const QRect& r : region_)
        out.push_back(TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    return out;
}

Region Region::United(const Region& other) const { return FromQt(region_.united(other.region_)); }
Region Region::Intersected(const Region& other) const { return FromQt(region_.intersected(other.region_)); }
Region Region::Subtracted(const Region& other) const { return FromQt(region_.subtracted(other.region_)); }
Region Region::Xored(const Region& other) const { return FromQt(region_.xored(other.region_)); }

Region& Region::Unite(const Region& other)
{
    region_ = region_.united(other.region_);
    return *this;
}

Region& Region::Intersect(const Region& other)
{
    region_ = region_.intersected(other.region_);
    return *this;
}

Region& Region::Subtract(const Region& other)
{
    region_ = region_.subtracted(other.region_);
    return *this;
}

Region& Region::Offset(std::int32_t dx, std::int32_t dy)
{
    // Keep the region inside the range where QRegion's int arithmetic is safe.
    const std::int64_t lim = std::int64_t(RegionCoordLimit) * 4;
    if (dx > lim) dx = static_cast<std::int32_t>(lim);
    if (dx < -lim) dx = static_cast<std::int32_t>(-lim);
    if (dy > lim) dy = static_cast<std::int32_t>(lim);
    if (dy < -lim) dy = static_cast<std::int32_t>(-lim);
    region_.translate(dx, dy);
    return *this;
}

Region Region::Offsetted(std::int32_t dx, std::int32_t dy) const
{
    Region g = *this;
    g.Offset(dx, dy);
    return g;
}

Region Region::FrameBand(std::int32_t w, std::int32_t h) const
{
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    QRegion inner = region_.translated(-w, 0)
                        .intersected(region_.translated(w, 0))
                        .intersected(region_.translated(0, -h))
                        .intersected(region_.translated(0, h));
    return FromQt(region_.subtracted(inner));
}
