// Drawing primitives shared by every picture of the program: the current
// canvas, filled rectangles, text at a base font scaled in tenths, rotated
// text, and three batches of line segments drawn with one poly-polyline call
// per batch (patterns and outlines add segments; the drawing code flushes once
// per element, which is what keeps a log with thousands of strokes fast).
//
// Module state, one copy for the whole run; drawing is single-threaded and one
// drawing completes before the next begins.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/rounding.h"
#include "platform/canvas.h"

// ---------------------------------------------------------------------------
// Current canvas and simple shapes
// ---------------------------------------------------------------------------

// The canvas every primitive draws on (not owned). Null until set.
extern Canvas* DrawCanvas;
void SetDrawCanvas(Canvas* canvas);

TRect MakeRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom);

// Pen style clear (no outline) on DrawCanvas.
void SetPenClear();
// Brush style solid in Colour on DrawCanvas.
void SetBrushSolid(TColor Colour);
// Clear pen, solid brush in Colour, then the canvas rectangle from (Left, Top)
// to (Right + 2, Bottom + 2): the filled area covers the pixels Left..Right+1
// and Top..Bottom+1 (corners (10,10) and (20,20) fill 10..21 both ways). The
// pen stays clear and the brush solid afterwards.
void FillColorRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom, TColor Colour);

// Text at (X, Y) in a font made for this call: face FontName, height Height
// (negative = character height), weight 400, escapement Angle in tenths of a
// degree counter-clockwise, the canvas font's colour; transparent background.
// The canvas font and brush are left as they were.
void TextOutAngle(std::int32_t X, std::int32_t Y, std::int32_t Height, std::string_view Text,
                  const std::string& FontName, std::int32_t Angle);

// ---------------------------------------------------------------------------
// Base font and scaled text
// ---------------------------------------------------------------------------

extern std::string BaseFontName;
extern std::int32_t BaseFontHeight;  // canvas convention: negative = character height
extern std::int32_t BaseLineHeight;  // text height of "Height" in the base font on DrawCanvas

// Stores the base font, sets it on DrawCanvas's font (name and height) and
// measures BaseLineHeight there.
void SetTextFont(const std::string& Name, std::int32_t Height);
// Base font name and height on the canvas font, then the text's width.
std::int32_t TextWidthOf(std::string_view Text);
// Height used by the scaled operations: Size * BaseFontHeight div 10, the
// product in 64 bits, truncated toward zero (Size 15, base -20: -30; Size 5,
// base -11: -5).
std::int32_t ScaledFontHeight(std::int32_t Size);
// Canvas font := base name, ScaledFontHeight(Size), plain (weight 400, not
// italic, underlined or struck out); brush clear; text at (X, Y).
// Size is in tenths of the base height: 10 = base, 15 = one and a half.
void TextOutScaled(std::int32_t X, std::int32_t Y, std::int32_t Size, std::string_view Text);
// The same font (brush unchanged), then a canvas rectangle with the current pen
// and brush from (X - 2, Y - 2) to (X + text width + 3, Y + text height + 3),
// then the text at (X, Y).
void TextOutFramed(std::int32_t X, std::int32_t Y, std::int32_t Size, std::string_view Text);
// The canvas font as TextOutScaled sets it and a clear brush, then
// TextOutAngle(X, Y, ScaledFontHeight(Size), Text, BaseFontName, Angle).
void TextOutAngleScaled(std::int32_t X, std::int32_t Y, std::int32_t Size, std::string_view Text, std::int32_t Angle);

// ---------------------------------------------------------------------------
// Line batches
// ---------------------------------------------------------------------------

// Pen widths in device pixels used when the batches are flushed.
extern std::int32_t PenThin;    // batch C
extern std::int32_t PenMedium;  // batch A (pattern strokes)
extern std::int32_t PenThick;   // batch B

// A batch: polyline k takes Counts[k] points, right after those of polyline
// k-1 in Points. Only the first PointCount / PolylineCount entries are in use;
// each store grows by 128 entries whenever an entry is added while its used
// count is a multiple of 128, and is not shrunk by a flush.
struct LineBatch {
    std::vector<TPoint> Points;
    std::int32_t PointCount = 0;
    std::vector<std::int32_t> Counts;
    std::int32_t PolylineCount = 0;
};
extern LineBatch BatchA;  // PenMedium, joined
extern LineBatch BatchB;  // PenThick, never joined
extern LineBatch BatchC;  // PenThin, joined

// Joining rule of A and C: when the batch's last point equals (X1, Y1), (X2, Y2)
// is appended to the last polyline; else when it equals (X2, Y2), (X1, Y1) is
// appended; else a new polyline of the two points starts.
void AddSegmentA(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
void AddSegmentC(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
// Always a new two-point polyline.
void AddSegmentB(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
// Adds a point to the batch's last polyline (which must exist; with an empty
// batch the point starts a polyline of its own rather than corrupting it).
void AppendPointA(std::int32_t X, std::int32_t Y);
void AppendPointC(std::int32_t X, std::int32_t Y);
// Outline as one closed polyline of A: (X1,Y1) (X2,Y1) (X2,Y2) (X1,Y2) (X1,Y1).
void RectangleA(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);
// Outline as four separate segments of B: top, right, bottom, left.
void RectangleB(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2);

// Most points in one poly-polyline call.
constexpr std::int32_t MaxPointsPerPolyPolyline = 4096;
// Draws the polylines on DrawCanvas in as few calls as the limit allows: a
// polyline that would take the pending call beyond 4,096 points starts a new
// call; a longer polyline gets a call of its own; no empty call is made.
void DrawPolyPolyline(const TPoint* Points, const std::int32_t* Counts, std::int32_t PolylineCount);
// Draws and empties the batches: unless KeepPen, the pen becomes solid black
// first; then B with PenThick, A with PenMedium, C with PenThin (thin lines on
// top), each with a clear brush; then the shared random generator's seed is
// set to 0 so that random dots repeat at every drawing. The pen keeps the last
// width afterwards.
void FlushLines(bool KeepPen = false);
// Empties the batches without drawing (used when a drawing is abandoned).
void ClearLineBatches();

// ---------------------------------------------------------------------------
// Drawing scale of the pattern renderer
// ---------------------------------------------------------------------------

// Swatches drawn oversampled (5 times, then reduced) and printed swatches
// (LogPixelsX / 150) need pattern strokes that many pixels wide.
// SetDrawingScale(s) sets DrawingScale := s and PenMedium := s (the stroke
// width of the pattern batch); SetDrawingScale(1) sets both back to 1.
extern std::int32_t DrawingScale;
void SetDrawingScale(std::int32_t Scale);

// ---------------------------------------------------------------------------
// The run time's pseudo-random generator, shared by the whole program
// ---------------------------------------------------------------------------

// seed := seed * 134775813 + 1 (mod 2^32); Random(N) := (seed * N) >> 32 of the
// unsigned 64-bit product, in 0..N-1 (0 when N <= 0). From seed 0, Random(1000)
// gives 0, 31, 861, 202, 272, 671.
extern std::uint32_t RandSeed;
std::int32_t Random(std::int32_t N);
// A double in [0, 1): the new seed / 2^32.
double RandomFloat();
// Seeds the generator from the clock.
void Randomize();
