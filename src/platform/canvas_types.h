// Value types of the drawing layer: points, rectangles, sizes, colours and the
// pen, brush and font state of a Canvas. No Qt here: the log drawing and the
// metafile writers speak only these.
#pragma once

#include <cstdint>
#include <string>

// A colour as the program stores it everywhere (settings, code models, blocks):
// R + G * 256 + B * 65536. So $0000FF is red and $FF0000 is blue. The high
// byte is ignored when drawing.
using TColor = std::uint32_t;

constexpr TColor RGBColor(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int ColorRed(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int ColorGreen(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int ColorBlue(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// Left, Top, Right, Bottom in that order. Wherever a TRect is drawn, filled or
// made into a region, its right and bottom edges are left out: it covers the
// pixels Left..Right-1 and Top..Bottom-1.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    // 64-bit so that rectangles spanning the whole int32 range do not overflow.
    constexpr std::int64_t Width() const { return std::int64_t(Right) - Left; }
    constexpr std::int64_t Height() const { return std::int64_t(Bottom) - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    // The pixel test of a rectangle: Left <= x < Right and Top <= y < Bottom.
    constexpr bool Contains(std::int32_t x, std::int32_t y) const
    {
        return x >= Left && x < Right && y >= Top && y < Bottom;
    }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

struct TSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

enum class PenStyle { Solid, Clear, Dot };

// The selected pen. Width 0 or 1: one device pixel, and a line leaves out its
// last pixel (a line from (2,5) to (10,5) covers x = 2..9). Wider pens are
// centred on the path with round caps and joins. A dotted pen is dotted only
// at width 0 or 1 (wider dotted pens draw solid, as on the original platform).
struct TPen {
    PenStyle Style = PenStyle::Solid;
    TColor Color = clBlack;
    std::int32_t Width = 1;
    friend bool operator==(const TPen&, const TPen&) = default;
};

enum class BrushStyle { Solid, Clear };

// The selected brush: it fills rectangles, polygons, ellipses and regions, and
// its colour is the background of text while its style is Solid (a clear brush
// makes text transparent).
struct TBrush {
    BrushStyle Style = BrushStyle::Solid;
    TColor Color = clWhite;
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

constexpr std::int32_t FW_NORMAL = 400;
constexpr std::int32_t FW_BOLD = 700;

// The selected font.
// Height: negative = character height in device pixels (the em size, without
// the internal leading); positive = cell height (ascent + descent); 0 = the
// default size (DefaultFontHeight).
// Escapement: direction of the text in tenths of a degree, counter-clockwise
// from the x axis (900 runs upward); text turns around the top-left corner of
// its first cell.
struct TFont {
    std::string Name = "Arial";
    std::int32_t Height = -11;
    std::int32_t Weight = FW_NORMAL;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::int32_t Escapement = 0;
    TColor Color = clBlack;
    friend bool operator==(const TFont&, const TFont&) = default;
};

constexpr std::int32_t DefaultFontHeight = -11;

// What a device tells about itself (the printing code's LOGPIXELSX and friends).
// For screens, images and metafiles the physical size is the drawable size and
// the offsets are 0.
struct TDeviceCaps {
    std::int32_t LogPixelsX = 96;
    std::int32_t LogPixelsY = 96;
    std::int32_t PhysicalWidth = 0;    // paper width in device pixels
    std::int32_t PhysicalHeight = 0;   // paper height in device pixels
    std::int32_t PhysicalOffsetX = 0;  // unprintable strip at the left
    std::int32_t PhysicalOffsetY = 0;  // unprintable strip at the top
    std::int32_t HorzRes = 0;          // printable width in device pixels
    std::int32_t VertRes = 0;          // printable height in device pixels
    friend bool operator==(const TDeviceCaps&, const TDeviceCaps&) = default;
};
