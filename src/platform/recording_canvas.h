// A canvas that records every drawing call with the state it was made in, for
// tests of the drawing code; it can also forward each call to another canvas
// (to look at the picture, or to measure text on a real device).
//
// Text metrics: an injected TextMeasurer wins; otherwise a forwarding recorder
// measures on its target; otherwise it uses FixedTextMetrics(8, 16) (width =
// code points x 8, height 16), so layout tests get stable numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"

enum class CanvasOp {
    Polyline,
    PolyPolyline,
    Rectangle,
    FillRect,
    Polygon,
    Ellipse,
    SetPixel,
    TextOut,
    TextRect,
    FillRegion,
    FrameRegion,
    SetClipRegion,
    InvertRect,
    InvertRegion,
    Draw,
    StretchDraw,
};

// One recorded call. Fields not used by an operation keep their defaults.
struct CanvasRecord {
    CanvasOp Op = CanvasOp::Polyline;
    TPen Pen;        // the state when the call was made
    TBrush Brush;
    TFont Font;
    std::vector<TPoint> Points;        // Polyline, PolyPolyline, Polygon; (x, y) of TextOut/TextRect/Draw/SetPixel
    std::vector<std::int32_t> Counts;  // PolyPolyline
    TRect Rect;                        // Rectangle, FillRect, Ellipse, TextRect clip, InvertRect, StretchDraw
    std::string Text;                  // TextOut, TextRect
    std::optional<Region> Rgn;         // region calls; SetClipRegion: nullopt = no clip
    TColor Colour = 0;                 // SetPixel, FrameRegion
    std::int32_t W = 0, H = 0;         // FrameRegion thickness; Draw/StretchDraw image size
    bool Clipped = false;              // a clip region was selected at the time
};

class RecordingCanvas : public Canvas {
public:
    // `forward` (not owned) receives every call after it is recorded, with this
    // canvas's pen, brush and font copied onto it first.
    explicit RecordingCanvas(Canvas* forward = nullptr);

    std::vector<CanvasRecord> Records;
    void ClearRecords() { Records.clear(); }
    // The records of one operation, in order.
    std::vector<CanvasRecord> RecordsOf(CanvasOp op) const;
    std::size_t CountOf(CanvasOp op) const;

    // Answered by DeviceCaps() when not forwarding (default: 96 dpi, 1000 x 1000).
    TDeviceCaps Caps{96, 96, 1000, 1000, 0, 0, 1000, 1000};
    bool Invertible = true;  // CanInvert() when not forwarding

    void Polyline(const TPoint* points, std::size_t count) override;
    void PolyPolyline(const TPoint* points, const std::int32_t* counts, std::size_t polylineCount) override;
    void Rectangle(const TRect& r) override;
    using Canvas::Rectangle;
    void FillRect(const TRect& r) override;
    void Polygon(const TPoint* points, std::size_t count) override;
    using Canvas::Polygon;
    using Canvas::Polyline;
    void Ellipse(const TRect& r) override;
    void SetPixel(std::int32_t x, std::int32_t y, TColor colour) override;
    void TextOut(std::int32_t x, std::int32_t y, std::string_view utf8Text) override;
    void TextRect(const TRect& clip, std::int32_t x, std::int32_t y, std::string_view utf8Text) override;
    void FillRegion(const Region& region) override;
    void FrameRegion(const Region& region, TColor colour, std::int32_t w = 1, std::int32_t h = 1) override;
    void SetClipRegion(const std::optional<Region>& region) override;
    void InvertRect(const TRect& r) override;
    void InvertRegion(const Region& region) override;
    bool CanInvert() const override;
    void Draw(std::int32_t x, std::int32_t y, const QImage& image) override;
    void StretchDraw(const TRect& r, const QImage& image) override;
    TDeviceCaps DeviceCaps() const override;

protected:
    TSize DeviceTextExtent(const TFont& font, std::string_view utf8Text) override;

private:
    CanvasRecord& Add(CanvasOp op);
    void SyncForward();
    Canvas* forward_;
};
