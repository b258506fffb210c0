// Canvas: the one drawing interface of Carotix.
//
// Every picture of the program (logs, title blocks, swatches, the equipment
// picture, printed pages, metafiles, reports) is drawn through a Canvas, so the
// drawing code never knows whether it draws on a widget, an image, a printer,
// a PDF, a metafile or a test recorder. Its semantics are those the drawing
// code was written for:
//
// - State: the selected Pen, Brush and Font are public members that persist
//   between calls until changed; every drawing call uses them as they stand.
// - Pixels: point (x, y) is the pixel at column x, row y. Rectangles leave out
//   their right and bottom edges (Rectangle(10,10,20,20) with a clear pen fills
//   10..19). Pens of width 0 or 1 are one device pixel and lines leave out
//   their last pixel; wider pens are centred on the path, round caps and joins.
// - Text is placed by the top-left corner of its cell, turned by the font's
//   escapement around that corner; its background is the brush colour while
//   the brush is solid and transparent while it is clear. Text extents are
//   measured on the target device (a printer at 1,200 dpi measures differently
//   from the screen) unless a TextMeasurer is injected (layout tests).
// - Regions: filled, framed (the frame lies inside the region), inverted and
//   selected as the clip region. The clip region applies to everything drawn
//   after it is selected until another one (or none) is selected.
// - Coordinates far beyond any device (+-CoordLimit) are clipped geometrically
//   before they reach a back end.
// - No pen modes: the one drawing that inverted through a pen mode uses
//   InvertRect / InvertRegion instead.
//
// Back ends: QPainterCanvas (qpainter_canvas.h: widgets, QImage, QPrinter and
// PDF), RecordingCanvas (recording_canvas.h: tests; can forward to another
// canvas), and the metafile writers of the metafile export.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas_types.h"
#include "platform/region.h"

class QImage;

// Measures text for a canvas. A canvas asks its injected measurer (when there
// is one) instead of its device, so that layout tests get fixed numbers.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // The size of the text's cells in `font`, as the device would draw it with
    // escapement 0: cx = advance width, cy = cell height (ascent + descent).
    virtual TSize Extent(const TFont& font, std::string_view utf8Text) const = 0;
};

// Fixed metrics for layout tests: width = code points x CharWidth, height =
// LineHeight, whatever the font.
class FixedTextMetrics : public TextMeasurer {
public:
    FixedTextMetrics(std::int32_t charWidth, std::int32_t lineHeight)
        : CharWidth(charWidth), LineHeight(lineHeight) {}
    TSize Extent(const TFont& font, std::string_view utf8Text) const override;
    std::int32_t CharWidth;
    std::int32_t LineHeight;
};

// Metrics that follow the font size, for layout tests that change fonts:
// with h = |Font.Height| (DefaultFontHeight's when 0), the cell height is h
// and each code point is max(1, h * WidthPercent / 100) wide (integer division).
class ProportionalTextMetrics : public TextMeasurer {
public:
    explicit ProportionalTextMetrics(std::int32_t widthPercent = 50) : WidthPercent(widthPercent) {}
    TSize Extent(const TFont& font, std::string_view utf8Text) const override;
    std::int32_t WidthPercent;
};

class Canvas {
public:
    // Coordinates beyond this (in absolute value) are clipped before they reach
    // a back end; no device is anywhere near this size.
    static constexpr std::int32_t CoordLimit = 1 << 20;

    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    virtual ~Canvas() = default;

    // ---- selected state (persists between calls) ----
    TPen Pen;
    TBrush Brush;
    TFont Font;

    // Font.Height for a size in points on this device (the printing code's
    // Font.Size): -round(points * LogPixelsY / 72), halves to even.
    void SetFontSize(std::int32_t points);
    // The font's size in points on this device, from its height (negative
    // heights only; a positive cell height is measured first).
    std::int32_t FontSize();

    // ---- lines ----
    // Current position of MoveTo / LineTo.
    TPoint PenPos;
    void MoveTo(std::int32_t x, std::int32_t y) { PenPos = {x, y}; }
    // A line from PenPos to (x, y) in the pen, leaving out its last pixel for
    // thin pens; PenPos becomes (x, y).
    void LineTo(std::int32_t x, std::int32_t y);
    // Connected segments through the points, in the pen.
    virtual void Polyline(const TPoint* points, std::size_t count) = 0;
    void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), points.size()); }
    // Several polylines in one call: polyline k takes counts[k] points, right
    // after those of polyline k-1 in `points`. Each polyline is drawn as by
    // Polyline (separate polylines are not joined to each other).
    virtual void PolyPolyline(const TPoint* points, const std::int32_t* counts, std::size_t polylineCount) = 0;

    // ---- shapes (filled with the brush, outlined with the pen) ----
    // Covers Left..Right-1 x Top..Bottom-1: the brush fills it, a pen outlines
    // it along its outermost pixels (a one-pixel pen at columns Left and
    // Right-1, rows Top and Bottom-1). Corners given in reverse order are put
    // in order first; nothing is drawn when Right = Left or Bottom = Top.
    virtual void Rectangle(const TRect& r) = 0;
    void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
    {
        Rectangle(TRect{left, top, right, bottom});
    }
    // The rectangle filled with the brush only, whatever the pen (a clear brush
    // leaves it untouched). Corners put in order as for Rectangle.
    virtual void FillRect(const TRect& r) = 0;
    // Closed polygon, alternate fill with the brush, outline with the pen.
    virtual void Polygon(const TPoint* points, std::size_t count) = 0;
    void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), points.size()); }
    // Ellipse inscribed in the rectangle (right/bottom excluded).
    virtual void Ellipse(const TRect& r) = 0;
    // One pixel in a colour, whatever the pen and brush.
    virtual void SetPixel(std::int32_t x, std::int32_t y, TColor colour) = 0;

    // ---- text ----
    // Writes the text with the font, the top-left corner of its first cell at
    // (x, y), turned by Font.Escapement; background as the brush says.
    virtual void TextOut(std::int32_t x, std::int32_t y, std::string_view utf8Text) = 0;
    // The same, clipped to `clip` (right/bottom excluded); a solid brush fills
    // the whole clip rectangle first.
    virtual void TextRect(const TRect& clip, std::int32_t x, std::int32_t y, std::string_view utf8Text) = 0;
    // Size of the text in the current font (escapement ignored), measured on
    // the device or by the injected measurer: cx = width, cy = cell height.
    TSize TextExtent(std::string_view utf8Text);
    std::int32_t TextWidth(std::string_view utf8Text) { return TextExtent(utf8Text).cx; }
    std::int32_t TextHeight(std::string_view utf8Text) { return TextExtent(utf8Text).cy; }
    // Layout tests inject fixed metrics here; null gives the device back.
    void SetTextMeasurer(std::shared_ptr<const TextMeasurer> measurer) { measurer_ = std::move(measurer); }
    const std::shared_ptr<const TextMeasurer>& GetTextMeasurer() const { return measurer_; }

    // ---- regions ----
    // Fills the region with the brush (a clear brush leaves it untouched).
    virtual void FillRegion(const Region& region) = 0;
    // Paints a frame `w` x `h` pixels thick in `colour` along the inside of the
    // region's outline (FrameRgn with a solid brush).
    virtual void FrameRegion(const Region& region, TColor colour, std::int32_t w = 1, std::int32_t h = 1) = 0;
    // Selects the clip region (a copy is kept); nullopt removes clipping.
    virtual void SetClipRegion(const std::optional<Region>& region) = 0;
    void SelectClipRegion(const Region& region) { SetClipRegion(region); }
    void SelectNoClipRegion() { SetClipRegion(std::nullopt); }
    const std::optional<Region>& ClipRegion() const { return clip_; }

    // ---- pixel inversion ----
    // Inverts the pixels (each colour component c becomes 255 - c). Only raster
    // devices can (images, widgets); printers, PDF and metafiles ignore it and
    // CanInvert() tells so.
    virtual void InvertRect(const TRect& r) = 0;
    virtual void InvertRegion(const Region& region) = 0;
    virtual bool CanInvert() const = 0;

    // ---- pictures ----
    // Draws the image at its own size with its top-left corner at (x, y).
    virtual void Draw(std::int32_t x, std::int32_t y, const QImage& image) = 0;
    // Draws the image stretched into the rectangle (right/bottom excluded).
    virtual void StretchDraw(const TRect& r, const QImage& image) = 0;

    // ---- device ----
    virtual TDeviceCaps DeviceCaps() const = 0;

protected:
    // The back end's own measurement (no injected measurer involved).
    virtual TSize DeviceTextExtent(const TFont& font, std::string_view utf8Text) = 0;
    std::optional<Region> clip_;

private:
    std::shared_ptr<const TextMeasurer> measurer_;
};
