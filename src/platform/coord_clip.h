// Geometric clipping of coordinates that lie far beyond any device, done before
// they reach QPainter (fixed-point rasteriser), QRegion (which walks every row
// of a polygon) or 16-bit metafile records. Shapes inside the limit pass
// unchanged; only the parts beyond it are cut away.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/canvas_types.h"

namespace coordclip {

// Is every point within [-limit, limit] in both directions?
bool AllInside(const TPoint* points, std::size_t count, std::int32_t limit);

// Cuts the segment to the square [-limit, limit]^2. False when nothing is left.
// The ends are rounded to integers after cutting.
bool ClipSegment(std::int64_t& x1, std::int64_t& y1, std::int64_t& x2, std::int64_t& y2, std::int32_t limit);

// Cuts a polyline to the square; the result is a list of polylines (pieces
// that stay inside), each of at least 2 points.
std::vector<std::vector<TPoint>> ClipPolyline(const TPoint* points, std::size_t count, std::int32_t limit);

// Cuts a closed polygon to the square (Sutherland-Hodgman); may return fewer
// than 3 points when nothing is left.
std::vector<TPoint> ClipPolygon(const TPoint* points, std::size_t count, std::int32_t limit);
// The polygon as a back end may take it: the points themselves when they all
// lie within the square (nothing is copied), else the cut polygon, kept in
// `storage`.
std::span<const TPoint> PolygonWithin(const TPoint* points, std::size_t count, std::int32_t limit,
                                      std::vector<TPoint>& storage);
// The same against the box left..right x top..bottom (edges included). Cutting
// along horizontal lines keeps the alternate-fill parity of every row inside
// the box, so a tall polygon can be built band by band.
std::vector<TPoint> ClipPolygonToBox(const TPoint* points, std::size_t count, std::int32_t left, std::int32_t top,
                                     std::int32_t right, std::int32_t bottom);

// Clamps a rectangle's coordinates into [-limit, limit] (a rectangle needs no
// more: its inside part is the same).
TRect ClampRect(const TRect& r, std::int32_t limit);

}  // namespace coordclip
