// Regions: sets of device pixels made of rectangles and alternate-fill
// polygons, combined by union, intersection and difference. They clip the
// annular fill, remember the clickable shapes of a drawn log and of the
// equipment picture, and are framed and filled on a canvas.
//
// A Region is a value: copies are independent (the storage is shared until
// one of them changes). The drawing code keeps "no region" apart from "an
// empty region" with std::optional<Region> where it matters.
//
// Coordinates are device pixels. A rectangle covers Left..Right-1 and
// Top..Bottom-1 (right and bottom edges left out); a polygon covers the pixels
// whose centre lies inside it by the alternate (even-odd) rule, which also
// leaves out its right and bottom edges. Rectangle coordinates beyond
// +-RegionCoordLimit and polygon coordinates beyond +-PolygonCoordLimit are
// clipped geometrically before the region is built, so that absurd input can
// neither overflow nor make the region builder walk millions of slanted rows
// (the largest device, a printed page at 1,200 dpi, is about 20,000 pixels).
#pragma once

#include <QRegion>
#include <cstdint>
#include <vector>

#include "platform/canvas_types.h"

class Region {
public:
    static constexpr std::int32_t RegionCoordLimit = 1 << 20;
    static constexpr std::int32_t PolygonCoordLimit = 1 << 15;

    Region() = default;                            // empty
    explicit Region(const TRect& rect);            // Left..Right-1 x Top..Bottom-1 (corners put in order first)
    static Region FromRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    // Alternate-fill polygon; fewer than 3 points give an empty region.
    static Region FromPolygon(const TPoint* points, std::size_t count);
    static Region FromPolygon(const std::vector<TPoint>& points) { return FromPolygon(points.data(), points.size()); }
    // The same polygon kept to the box `within` (the device, or the clip it
    // will be intersected with): cut geometrically before the region is built,
    // so that a polygon reaching far off the device costs no more than its
    // visible part.
    static Region FromPolygon(const TPoint* points, std::size_t count, const TRect& within);
    static Region FromPolygon(const std::vector<TPoint>& points, const TRect& within)
    {
        return FromPolygon(points.data(), points.size(), within);
    }

    bool IsEmpty() const { return region_.isEmpty(); }
    // Point test (PtInRegion): is the pixel (x, y) part of the region?
    bool Contains(std::int32_t x, std::int32_t y) const;
    // Smallest rectangle holding the region (right/bottom excluded); all zero when empty.
    TRect BoundingRect() const;
    // The region as disjoint rectangles (right/bottom excluded), sorted by rows
    // then columns: what a metafile writer or a rescaling walks over.
    std::vector<TRect> Rects() const;

    // Combinations; each returns the result and leaves the operands alone.
    Region United(const Region& other) const;       // OR
    Region Intersected(const Region& other) const;  // AND
    Region Subtracted(const Region& other) const;   // DIFF: this minus other
    Region Xored(const Region& other) const;        // XOR
    // In-place forms, as the drawing code uses them (region := region OR rect).
    Region& Unite(const Region& other);
    Region& Intersect(const Region& other);
    Region& Subtract(const Region& other);
    // Moves the region by (dx, dy) pixels.
    Region& Offset(std::int32_t dx, std::int32_t dy);
    Region Offsetted(std::int32_t dx, std::int32_t dy) const;

    // The part of the region within one pixel of its outline, inside the
    // region (what a one-pixel region frame paints): region minus the
    // intersection of its four copies shifted by one pixel left, right, up and
    // down. `w` and `h` give the frame's width and height in pixels (>= 1).
    Region FrameBand(std::int32_t w = 1, std::int32_t h = 1) const;

    bool operator==(const Region& other) const { return region_ == other.region_; }
    bool operator!=(const Region& other) const { return !(*this == other); }

    // For the back ends of src/platform.
    const QRegion& qt() const { return region_; }
    static Region FromQt(const QRegion& r) { Region g; g.region_ = r; return g; }

private:
    QRegion region_;
};
