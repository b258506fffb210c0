// Small region helpers of the drawing code (open hole, equipment picture,
// hit-test maps). Polygon regions use the alternate fill rule; rectangles
// leave out their right and bottom edges (see platform/region.h).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/region.h"

// A new empty region.
Region CreateEmptyRegion();
// region := region OR rect.
void RegionAddRect(Region& region, const TRect& rect);
// A new region of the rectangle; none when the rectangle is a point
// (Left = Right and Top = Bottom).
std::optional<Region> RectRegion(const TRect& rect);
// region := region OR polygon.
void RegionAddPolygon(Region& region, const std::vector<TPoint>& points);
// region := region minus polygon.
void RegionSubtractPolygon(Region& region, const std::vector<TPoint>& points);
// region := region minus rect.
void RegionSubtractRect(Region& region, const TRect& rect);
// A new region made of the region's rectangles with every coordinate
// multiplied by the factor and rounded to the nearest integer (halves to
// even); none when the region is empty. The log window uses it with 1/F to
// bring oversampled hit regions back to the window's pixels.
std::optional<Region> ScaleRegion(const Region& region, double factor);
// When high - low < 2 * margin: (low + high) halved toward zero; else the
// value clamped to low + margin .. high - margin.
std::int32_t ClampCentre(std::int32_t value, std::int32_t low, std::int32_t high, std::int32_t margin);
