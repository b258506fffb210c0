// The QPainter back end of Canvas: widgets (inside a paint event), QImage,
// QPrinter and PDF. Text is measured on the painter's device
// (QFontMetrics(font, device)), so a 1,200 dpi printer measures its own way.
#pragma once

#include <memory>

#include "platform/canvas.h"

class QPainter;
class QPaintDevice;
class QImage;

class QPainterCanvas : public Canvas {
public:
    // Paints on `device` with a painter of its own, begun here and ended by
    // the destructor (QImage, QPrinter after setup, QPdfWriter...).
    explicit QPainterCanvas(QPaintDevice* device);
    // Paints through a painter that is already active (a widget's paint event,
    // a printer job run by the caller). Not owned; its state is saved here and
    // restored by the destructor.
    explicit QPainterCanvas(QPainter* painter);
    ~QPainterCanvas() override;

    QPainter* Painter() const { return painter_; }

    void Polyline(const TPoint* points, std::size_t count) override;
    using Canvas::Polyline;
    void PolyPolyline(const TPoint* points, const std::int32_t* counts, std::size_t polylineCount) override;
    void Rectangle(const TRect& r) override;
    using Canvas::Rectangle;
    void FillRect(const TRect& r) override;
    void Polygon(const TPoint* points, std::size_t count) override;
    using Canvas::Polygon;
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
    struct Impl;
    std::unique_ptr<Impl> impl_;
    QPainter* painter_ = nullptr;
};
