#include "drawing/primitives.h"

#include <chrono>

// ---------------------------------------------------------------------------
// Module state
// ---------------------------------------------------------------------------

Canvas* DrawCanvas = nullptr;

std::string BaseFontName = "Verdana";
std::int32_t BaseFontHeight = -11;
std::int32_t BaseLineHeight = 0;

std::int32_t PenThin = 1;
std::int32_t PenMedium = 1;
std::int32_t PenThick = 1;

LineBatch BatchA;
LineBatch BatchB;
LineBatch BatchC;

std::int32_t DrawingScale = 1;

std::uint32_t RandSeed = 0;

// ---------------------------------------------------------------------------
// Current canvas and simple shapes
// ---------------------------------------------------------------------------

void SetDrawCanvas(Canvas* canvas)
{
    DrawCanvas = canvas;
}

TRect MakeRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom)
{
    return TRect{Left, Top, Right, Bottom};
}

void SetPenClear()
{
    if (DrawCanvas)
        DrawCanvas->Pen.Style = PenStyle::Clear;
}

void SetBrushSolid(TColor Colour)
{
    if (!DrawCanvas)
        return;
    DrawCanvas->Brush.Style = BrushStyle::Solid;
    DrawCanvas->Brush.Color = Colour;
}

void FillColorRect(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom, TColor Colour)
{
    if (!DrawCanvas)
        return;
    SetPenClear();
    SetBrushSolid(Colour);
    // The rectangle leaves out its right and bottom edges: going to Right + 2
    // makes the filled area Left..Right+1, which the log's level backgrounds
    // and pattern dots are laid out for. Computed in 64 bits: Right + 2 must
    // not wrap for a rectangle that reaches the end of the range.
    DrawCanvas->Rectangle(TRect{Left, Top, ClampToInt32(std::int64_t(Right) + 2), ClampToInt32(std::int64_t(Bottom) + 2)});
}

void TextOutAngle(std::int32_t X, std::int32_t Y, std::int32_t Height, std::string_view Text,
                  const std::string& FontName, std::int32_t Angle)
{
    if (!DrawCanvas)
        return;
    Canvas& c = *DrawCanvas;
    const TFont savedFont = c.Font;
    const TBrush savedBrush = c.Brush;
    TFont f;
    f.Name = FontName;
    f.Height = Height;
    f.Weight = FW_NORMAL;
    f.Escapement = Angle;
    f.Color = savedFont.Color;  // the text colour stays the canvas's
    c.Font = f;
    c.Brush.Style = BrushStyle::Clear;  // transparent background
    c.TextOut(X, Y, Text);
    c.Font = savedFont;
    c.Brush = savedBrush;
}

// ---------------------------------------------------------------------------
// Base font and scaled text
// ---------------------------------------------------------------------------

void SetTextFont(const std::string& Name, std::int32_t Height)
{
    BaseFontName = Name;
    BaseFontHeight = Height;
    if (!DrawCanvas)
        return;
    DrawCanvas->Font.Name = Name;
    DrawCanvas->Font.Height = Height;
    BaseLineHeight = DrawCanvas->TextHeight("Height");
}

std::int32_t TextWidthOf(std::string_view Text)
{
    if (!DrawCanvas)
        return 0;
    DrawCanvas->Font.Name = BaseFontName;
    DrawCanvas->Font.Height = BaseFontHeight;
    return DrawCanvas->TextWidth(Text);
}

std::int32_t ScaledFontHeight(std::int32_t Size)
{
    // 64-bit product, quotient truncated toward zero; a result beyond 32 bits
    // (absurd sizes) is clamped rather than wrapped.
    return ClampToInt32(std::int64_t(Size) * BaseFontHeight / 10);
}

namespace {

void SetScaledFont(std::int32_t Size)
{
    TFont& f = DrawCanvas->Font;
    f.Name = BaseFontName;
    f.Height = ScaledFontHeight(Size);
    f.Weight = FW_NORMAL;
    f.Italic = false;
    f.Underline = false;
    f.StrikeOut = false;
}

}  // namespace

void TextOutScaled(std::int32_t X, std::int32_t Y, std::int32_t Size, std::string_view Text)
{
    if (!DrawCanvas)
        return;
    SetScaledFont(Size);
    DrawCanvas->Brush.Style = BrushStyle::Clear;
    DrawCanvas->TextOut(X, Y, Text);
}

void TextOutFramed(std::int32_t X, std::int32_t Y, std::int32_t Size, std::string_view Text)
{
    if (!DrawCanvas)
        return;
    SetScaledFont(Size);
    const TSize ext = DrawCanvas->TextExtent(Text);
    DrawCanvas->Rectangle(TRect{ClampToInt32(std::int64_t(X) - 2), ClampToInt32(std::int64_t(Y) - 2),
                                ClampToInt32(std::int64_t(X) + ext.cx + 3), ClampToInt32(std::int64_t(Y) + ext.cy + 3)});
    DrawCanvas->TextOut(X, Y, Text);
}

void TextOutAngleScaled(std::int32_t X, std::int32_t Y, std::int32_t Size, std::string_view Text, std::int32_t Angle)
{
    if (!DrawCanvas)
        return;
    SetScaledFont(Size);
    DrawCanvas->Brush.Style = BrushStyle::Clear;
    TextOutAngle(X, Y, ScaledFontHeight(Size), Text, BaseFontName, Angle);
}

// ---------------------------------------------------------------------------
// Line batches
// ---------------------------------------------------------------------------

namespace {

// Stores grow by 128 entries whenever an entry is added while the used count
// is a multiple of 128 (0 included): length := used + 128.
template <typename T>
void PutEntry(std::vector<T>& store, std::int32_t& used, const T& value)
{
    if (used % 128 == 0)
        store.resize(static_cast<std::size_t>(used) + 128);
    store[static_cast<std::size_t>(used)] = value;
    ++used;
}

void StartPolyline(LineBatch& b, TPoint p1, TPoint p2)
{
    PutEntry(b.Points, b.PointCount, p1);
    PutEntry(b.Points, b.PointCount, p2);
    PutEntry(b.Counts, b.PolylineCount, std::int32_t{2});
}

void AppendPoint(LineBatch& b, TPoint p)
{
    if (b.PolylineCount == 0) {
        // Only reachable through a caller's mistake: keep the batch
        // consistent by giving the point a polyline of its own.
        PutEntry(b.Points, b.PointCount, p);
        PutEntry(b.Counts, b.PolylineCount, std::int32_t{1});
        return;
    }
    PutEntry(b.Points, b.PointCount, p);
    ++b.Counts[static_cast<std::size_t>(b.PolylineCount) - 1];
}

void AddJoined(LineBatch& b, std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2)
{
    const TPoint p1{X1, Y1}, p2{X2, Y2};
    if (b.PointCount > 0 && b.PolylineCount > 0) {
        const TPoint last = b.Points[static_cast<std::size_t>(b.PointCount) - 1];
        if (last == p1) {
            AppendPoint(b, p2);
            return;
        }
        if (last == p2) {
            AppendPoint(b, p1);
            return;
        }
    }
    StartPolyline(b, p1, p2);
}

void Empty(LineBatch& b)
{
    b.PointCount = 0;
    b.PolylineCount = 0;
}

void FlushBatch(LineBatch& b, std::int32_t width)
{
    if (DrawCanvas) {
        DrawCanvas->Pen.Width = width;
        DrawCanvas->Brush.Style = BrushStyle::Clear;
        DrawPolyPolyline(b.Points.data(), b.Counts.data(), b.PolylineCount);
    }
    Empty(b);
}

}  // namespace

void AddSegmentA(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2) { AddJoined(BatchA, X1, Y1, X2, Y2); }
void AddSegmentC(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2) { AddJoined(BatchC, X1, Y1, X2, Y2); }

void AddSegmentB(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2)
{
    StartPolyline(BatchB, TPoint{X1, Y1}, TPoint{X2, Y2});
}

void AppendPointA(std::int32_t X, std::int32_t Y) { AppendPoint(BatchA, TPoint{X, Y}); }
void AppendPointC(std::int32_t X, std::int32_t Y) { AppendPoint(BatchC, TPoint{X, Y}); }

void RectangleA(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2)
{
    StartPolyline(BatchA, TPoint{X1, Y1}, TPoint{X2, Y1});
    AppendPoint(BatchA, TPoint{X2, Y2});
    AppendPoint(BatchA, TPoint{X1, Y2});
    AppendPoint(BatchA, TPoint{X1, Y1});
}

void RectangleB(std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2)
{
    AddSegmentB(X1, Y1, X2, Y1);
    AddSegmentB(X2, Y1, X2, Y2);
    AddSegmentB(X2, Y2, X1, Y2);
    AddSegmentB(X1, Y2, X1, Y1);
}

void DrawPolyPolyline(const TPoint* Points, const std::int32_t* Counts, std::int32_t PolylineCount)
{
    if (!DrawCanvas || PolylineCount <= 0)
        return;
    std::int32_t firstLine = 0;       // first polyline of the pending call
    std::int64_t firstPoint = 0;      // its first point
    std::int64_t pendingPoints = 0;   // points of the pending call
    std::int64_t walked = 0;          // points of all polylines walked so far
    auto drawPending = [&](std::int32_t endLine) {
        if (endLine > firstLine)
            DrawCanvas->PolyPolyline(Points + firstPoint, Counts + firstLine, static_cast<std::size_t>(endLine - firstLine));
    };
    for (std::int32_t i = 0; i < PolylineCount; ++i) {
        const std::int64_t n = Counts[i] > 0 ? Counts[i] : 0;
        if (pendingPoints + n > MaxPointsPerPolyPolyline && i > firstLine) {
            drawPending(i);
            firstLine = i;
            firstPoint = walked;
            pendingPoints = 0;
        }
        pendingPoints += n;
        walked += n;
    }
    drawPending(PolylineCount);
}

void FlushLines(bool KeepPen)
{
    if (DrawCanvas && !KeepPen) {
        DrawCanvas->Pen.Style = PenStyle::Solid;
        DrawCanvas->Pen.Color = clBlack;
    }
    FlushBatch(BatchB, PenThick);
    FlushBatch(BatchA, PenMedium);
    FlushBatch(BatchC, PenThin);
    // The random dots of the next pattern repeat the same sequence at every
    // drawing, so a redraw never makes them dance.
    RandSeed = 0;
}

void ClearLineBatches()
{
    Empty(BatchA);
    Empty(BatchB);
    Empty(BatchC);
}

// ---------------------------------------------------------------------------
// Drawing scale
// ---------------------------------------------------------------------------

void SetDrawingScale(std::int32_t Scale)
{
    DrawingScale = Scale;
    PenMedium = Scale;
}

// ---------------------------------------------------------------------------
// Random generator
// ---------------------------------------------------------------------------

std::int32_t Random(std::int32_t N)
{
    RandSeed = RandSeed * 134775813u + 1u;
    if (N <= 0)
        return 0;
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(RandSeed) * static_cast<std::uint64_t>(N)) >> 32);
}

double RandomFloat()
{
    RandSeed = RandSeed * 134775813u + 1u;
    return static_cast<double>(RandSeed) / 4294967296.0;
}

void Randomize()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    RandSeed = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
