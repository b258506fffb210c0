// Lithology patterns (motifs): DrawMotif fills a rectangle of the current
// canvas (DrawCanvas) with one of the program's patterns, by number.
//
// The pattern is drawn in black strokes added to the medium batch A (pen width
// PenMedium) over a background the caller has already filled with the level's
// colour; patterns 6, 92, 97 and 103 fill the rectangle themselves and 7 and 8
// put random dots straight on the canvas. DrawMotif only adds to the batches:
// the caller flushes them with FlushLines.
//
// Numbers: 0 is "no pattern"; 1..98 and 100..110 draw; 99 and every other
// number draw nothing. 100..110 are the coarse tiled variants that the
// technical column reaches through MotifVariant.
//
// Layout: a pattern lives in a cell space where x runs from 0 (left edge) to 1
// (right edge) and y from 0 (top) down to R = H / W, so row pitches are
// fractions of the width and a pattern looks the same whatever the height.
// Every stroke goes through ClipCellSegment, so nothing is drawn outside the
// rectangle. Cell coordinates are exact fractions and pixels are rounded half
// to even from exact values (no double rounding drift at halves).
//
// The patterns themselves are data (MotifTable / MotifTileTable, in
// patterns_data.cpp): pass A draws a base figure, then passes B..G each add at
// most one layer of figures on a grid.
#pragma once

#include <cstdint>
#include <span>

#include "platform/canvas_types.h"

// ---------------------------------------------------------------------------
// Entry points
// ---------------------------------------------------------------------------

// Fills (Left, Top)-(Right, Bottom) with pattern Motif. SizeX and SizeY are the
// reference size of the tiled patterns (101, 102, 104..110): the log passes
// its own drawing width and height, swatches pass 100 and 100; tiled patterns
// draw nothing when either is not positive. Widen makes the grid layers that
// walk columns of width 1/b start one column earlier and end one column later.
void DrawMotif(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom, std::int32_t Motif,
               std::int32_t SizeX, std::int32_t SizeY, bool Widen);

// The pattern to draw for an annular fill or a casing: the coarse tiled
// variant of the patterns that have one (10 -> 109, 11 -> 105, 12 -> 110,
// 13 -> 101, 15 -> 104, 33 -> 106, 34 -> 107, 55 -> 108, 66 -> 102,
// 97 -> 103, 98 -> 100); every other number unchanged.
std::int32_t MotifVariant(std::int32_t Motif);

// Whether DrawMotif draws anything at all for this number (1..98, 100..110).
bool MotifDraws(std::int32_t Motif);

// The rectangle of one DrawMotif call, for ClipCellSegment.
struct MotifCell {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int64_t W = 0;  // Right - Left
    std::int64_t H = 0;  // Bottom - Top
};

// Clips the segment (cell units) to 0 <= x <= 1, 0 <= y <= H / W, maps both
// ends to pixels and adds the segment with AddSegmentA. A segment wholly beyond
// one edge is dropped; an end beyond an edge is moved along the segment onto
// it, edges in the order x = 0, x = 1, y = 0, y = R, first for one end, then
// for the other. A segment that passes outside a corner (still outside after
// those moves) is dropped too, so nothing ever lands outside the rectangle.
// DrawMotif uses an exact twin of this; this one takes doubles for callers
// that draw their own strokes in cell units.
void ClipCellSegment(const MotifCell& Cell, double X1, double Y1, double X2, double Y2);

// ---------------------------------------------------------------------------
// Bounds for huge rectangles
// ---------------------------------------------------------------------------

// A tiled pattern uses at most this many columns and rows of tiles: beyond
// that the tiles are far below a pixel on any rectangle a device can show.
constexpr std::int64_t kMaxMotifTilesPerAxis = 512;
// One DrawMotif call places at most this many figures (lines, elements, dots,
// random dots); a rectangle hundreds of thousands of times taller than wide
// stops there rather than hanging the program.
constexpr std::int64_t kMaxMotifPlacements = std::int64_t(1) << 20;

// ---------------------------------------------------------------------------
// The pattern tables
// ---------------------------------------------------------------------------

// An exact fraction of the cell width.
struct MotifFrac {
    std::int32_t Num = 0;
    std::int32_t Den = 1;
};

// The base figure of pass A.
enum class MotifBase : std::uint8_t {
    None,
    Lines12,     // full-width lines at y = i/12, i = 1..N12
    Lines6,      // full-width lines at y = i/6, i = 1..N6
    Dashes6,     // on y = i/6: dashes 1/13 long every 1/6.5 from x = 0
    Dots10,      // one-pixel dots at x = j/10 (j = 1..9), y = i/6
    Octagons35,  // octagons of size 1/32 at x = j/6 (j = 1..5), y = i/6 - 1/12
    Tiles,       // tiled pattern (MotifTileTable)
};

// The grid of a layer.
enum class MotifGrid : std::uint8_t {
    Rows6,   // x = j/b, y = i/6 - 1/12, i = 1..N6 (midway between the lines y = i/6)
    Rows12,  // x = j/b, y = i/12, i = 1..N12
    Rows11,  // x = j/b, y = i/11, i = 1..N11
    Fifths,  // x = j/3 + 1/6 (j = 0, 1, 2), y = i/6, i = 1..N5
};

enum class MotifFigure : std::uint8_t {
    Element,           // an element figure (MotifLayer::Element)
    VerticalJoint,     // (x, y - 1/12) to (x, y + 1/12)
    BackSlant,         // (x - w/2, y - 1/12) to (x + w/2, y + 1/12), w = Size
    ForwardSlant,      // (x + 1/24, y - 1/12) to (x - 1/24, y + 1/12)
    AlternatingSlant,  // (x - s/24, y - 1/12) to (x + s/24, y + 1/12), s = +1 odd columns, -1 even
    VerticalLines,     // (j/b, 0) to (j/b, R), j = 1..b-1 (0..b widened)
    Fill,              // the whole rectangle in FillColour
    RandomDots,        // one random dot per DotRowStep-th pixel row
};

// Element 7's direction taken from the grid point: (j div 2 + i) mod 4.
constexpr std::int8_t kDirectionByPoint = -1;
// Element 7's direction taken from the tile: (i + j) mod 4.
constexpr std::int8_t kDirectionByTile = -2;

struct MotifLayer {
    char Pass = 'B';  // 'B'..'G': the pass that draws it (layers are listed in pass order)
    MotifFigure Figure = MotifFigure::Element;
    std::int8_t Element = 0;       // 1..18 for Figure == Element
    MotifFrac Size;                // s of the element (sx of element 9), w of a back slant
    MotifFrac SizeY;               // sy of element 9
    std::int8_t Direction = 0;     // element 7: 0..3 or kDirectionByPoint
    bool SignByColumn = false;     // element 18: +Size in odd columns, -Size in even ones
    MotifGrid Grid = MotifGrid::Rows6;
    std::int8_t Columns = 6;       // b
    bool Alternate = false;        // only at the points where i + j + layer counter is odd
    TColor FillColour = 0;         // Fill
    std::int8_t DotRowStep = 1;    // RandomDots: every row (1) or every second row (2)
};

struct MotifDef {
    std::int32_t Motif = 0;
    MotifBase Base = MotifBase::None;
    std::int8_t LayerCount = 0;
    MotifLayer Layers[2];
};

// A tiled pattern: an element centred in tile (i, j) of Nx x Ny tiles, in the
// odd tiles (i + j odd), the even tiles, or both.
struct MotifTileDef {
    std::int32_t Motif = 0;
    std::int8_t EvenElement = 0;  // 0: none
    std::int8_t OddElement = 0;
    MotifFrac SizePerColumn;      // element size x Nx (3/10, or 2/10 for 110)
    std::int8_t Direction = 0;    // element 7: 0..3 or kDirectionByTile
};

// Every pattern that draws, sorted by number.
std::span<const MotifDef> MotifTable();
std::span<const MotifTileDef> MotifTileTable();
// The definition of a pattern, or nullptr for a number that draws nothing.
const MotifDef* FindMotifDef(std::int32_t Motif);
const MotifTileDef* FindMotifTileDef(std::int32_t Motif);
