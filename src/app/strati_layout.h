// The stratigraphy chooser's drawing of the stratigraphic scale, without
// widgets: the three layouts that give each unit a column and a colour ("Par
// taille", "Par suites", "Arbre"), the frame of the drawing area for a zoom
// and a view position, each unit's rectangle, the hovered unit, zoom and drag.
//
// Units whose start equals their end, and phases (names beginning with "PH-"
// or "PHASE-", and for "Arbre" also "ANTE-", compared with case), are never
// drawn; of two units with the same span only the first in the layout's order
// is drawn.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/canvas_types.h"
#include "store/options.h"

// One drawn unit.
struct TPosStrati {
    std::int32_t column = 0;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::string name;
    std::int32_t level = 0;      // succession level ("Par suites")
    bool hidden = false;         // not drawn
    bool placed = false;         // given a column
    bool chained = false;        // taken into a chain ("Par suites")
    std::int32_t contained = 0;  // units lying inside it ("Par taille")
    TColor colour = 0;
    TRect bounds{};              // on screen at the last paint; empty when not drawn
};

// A chain of "Par suites": units in chain order, average duration, span.
struct StratiChain {
    std::vector<std::int32_t> units;
    double score = 0.0;
    std::int32_t start = 0;
    std::int32_t end = 0;
};

// A random 24-bit colour with $C0C0C0 set: each component in 192..255, from
// the program's shared generator.
TColor RandomLightColour();

struct StratiLayout {
    std::vector<TPosStrati> Units;
    std::int32_t HighestColumn = 0;
    std::int32_t SmallestStart = 0;
    std::int32_t LargestEnd = 0;
    std::int32_t Depth = 0;  // the column being tiled ("Arbre")
    // Where the layouts take their colours (tests give fixed ones).
    std::function<TColor()> LightColour = RandomLightColour;
};

// Each rebuilds the units from the scale and sets the column, placed flag and
// colour of every unit it draws. ("Par suites" is given the scale as freshly
// reloaded from strati.ini by its caller.)
void LayoutStratiBySize(StratiLayout& layout, const std::vector<TStratiUnit>& scale);
void LayoutStratiBySuccession(StratiLayout& layout, const std::vector<TStratiUnit>& scale);
void ComputeStratiLevels(StratiLayout& layout);
void LayoutStratiTree(StratiLayout& layout, const std::vector<TStratiUnit>& scale);
// The first unit of a run of contiguous units from `from` to `to`, or -1;
// `budget` candidates at most at the first step, one fewer at each further one.
std::int32_t FindStratiPath(StratiLayout& layout, std::int32_t from, std::int32_t to, std::int32_t budget);
// Tiles from..to in the column Depth; true when it reached `to`.
bool CoverStratiInterval(StratiLayout& layout, std::int32_t from, std::int32_t to);

// A run or a nesting of tilings longer than this is not followed: a scale of
// thousands of contiguous units must not exhaust the stack.
inline constexpr std::int32_t kStratiMaxRun = 2000;

// ---- view ------------------------------------------------------------------

struct StratiView {
    std::int32_t Zoom = 1;
    float ViewX = 0.5f;
    float ViewY = 0.5f;
};

// The drawing area of a paint: width, height and origin.
struct StratiFrame {
    std::int32_t W = 1;
    std::int32_t H = 1;
    std::int32_t X0 = 0;
    std::int32_t Y0 = 0;
};

// W := round(client width x sqrt(zoom)) - 2m, H the same from the height
// below the tool bar (at least 1 each); X0 := client width div 2 -
// round(W x view x), Y0 := (client height + tool bar height) div 2 -
// round(H x view y). Rounding halves to even.
StratiFrame ComputeStratiFrame(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t toolBarHeight,
                               std::int32_t margin, const StratiView& view);
// The rectangle of a placed unit (neighbours share their border line).
TRect StratiUnitRect(const StratiLayout& layout, const TPosStrati& unit, const StratiFrame& frame);
// Sets the bounds of every unit for a paint: placed, visible units get their
// rectangle, the others empty bounds.
void PlaceStratiBounds(StratiLayout& layout, const StratiFrame& frame);
// The first unit whose bounds hold the point, -1 for none.
std::int32_t StratiUnitAt(const StratiLayout& layout, std::int32_t x, std::int32_t y);

// "Zoomer": doubles the zoom. "Dézoomer": halves it when above 1, then at 1
// recentres the view.
void StratiZoomIn(StratiView& view);
void StratiZoomOut(StratiView& view);
// A drag step by (dx, dy) pixels over a drawing area of W x H: the view
// position moves the other way, kept within 0..1.
void StratiDrag(StratiView& view, std::int32_t dx, std::int32_t dy, const StratiFrame& frame);
