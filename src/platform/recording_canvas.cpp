#include "platform/recording_canvas.h"

#include <QImage>

RecordingCanvas::RecordingCanvas(Canvas* forward) : forward_(forward) {}

std::vector<CanvasRecord> RecordingCanvas::RecordsOf(CanvasOp op) const
{
    std::vector<CanvasRecord> out;
    for (const CanvasRecord& r : Records)
        if (r.Op == op)
            out.push_back(r);
    return out;
}

std::size_t RecordingCanvas::CountOf(CanvasOp op) const
{
    std::size_t n = 0;
    for (const CanvasRecord& r : Records)
        if (r.Op == op)
            ++n;
    return n;
}

CanvasRecord& RecordingCanvas::Add(CanvasOp op)
{
    CanvasRecord rec;
    rec.Op = op;
    rec.Pen = Pen;
    rec.Brush = Brush;
    rec.Font = Font;
    rec.Clipped = clip_.has_value();
    Records.push_back(std::move(rec));
    SyncForward();
    return Records.back();
}

void RecordingCanvas::SyncForward()
{
    if (!forward_)
        return;
    forward_->Pen = Pen;
    forward_->Brush = Brush;
    forward_->Font = Font;
}

void RecordingCanvas::Polyline(const TPoint* points, std::size_t count)
{
    CanvasRecord& r = Add(CanvasOp::Polyline);
    r.Points.assign(points, points + count);
    if (forward_)
        forward_->Polyline(points, count);
}

void RecordingCanvas::PolyPolyline(const TPoint* points, const std::int32_t* counts, std::size_t polylineCount)
{
    CanvasRecord& r = Add(CanvasOp::PolyPolyline);
    std::size_t total = 0;
    for (std::size_t k = 0; k < polylineCount; ++k)
        total += counts[k] > 0 ? static_cast<std::size_t>(counts[k]) : 0;
    r.Points.assign(points, points + total);
    r.Counts.assign(counts, counts + polylineCount);
    if (forward_)
        forward_->PolyPolyline(points, counts, polylineCount);
}

void RecordingCanvas::Rectangle(const TRect& rect)
{
    Add(CanvasOp::Rectangle).Rect = rect;
    if (forward_)
        forward_->Rectangle(rect);
}

void RecordingCanvas::FillRect(const TRect& rect)
{
    Add(CanvasOp::FillRect).Rect = rect;
    if (forward_)
        forward_->FillRect(rect);
}

void RecordingCanvas::Polygon(const TPoint* points, std::size_t count)
{
    Add(CanvasOp::Polygon).Points.assign(points, points + count);
    if (forward_)
        forward_->Polygon(points, count);
}

void RecordingCanvas::Ellipse(const TRect& rect)
{
    Add(CanvasOp::Ellipse).Rect = rect;
    if (forward_)
        forward_->Ellipse(rect);
}

void RecordingCanvas::SetPixel(std::int32_t x, std::int32_t y, TColor colour)
{
    CanvasRecord& r = Add(CanvasOp::SetPixel);
    r.Points = {TPoint{x, y}};
    r.Colour = colour;
    if (forward_)
        forward_->SetPixel(x, y, colour);
}

void RecordingCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view utf8Text)
{
    CanvasRecord& r = Add(CanvasOp::TextOut);
    r.Points = {TPoint{x, y}};
    r.Text = std::string(utf8Text);
    if (forward_)
        forward_->TextOut(x, y, utf8Text);
}

void RecordingCanvas::TextRect(const TRect& clip, std::int32_t x, std::int32_t y, std::string_view utf8Text)
{
    CanvasRecord& r = Add(CanvasOp::TextRect);
    r.Rect = clip;
    r.Points = {TPoint{x, y}};
    r.Text = std::string(utf8Text);
    if (forward_)
        forward_->TextRect(clip, x, y, utf8Text);
}

void RecordingCanvas::FillRegion(const Region& region)
{
    Add(CanvasOp::FillRegion).Rgn = region;
    if (forward_)
        forward_->FillRegion(region);
}

void RecordingCanvas::FrameRegion(const Region& region, TColor colour, std::int32_t w, std::int32_t h)
{
    CanvasRecord& r = Add(CanvasOp::FrameRegion);
    r.Rgn = region;
    r.Colour = colour;
    r.W = w;
    r.H = h;
    if (forward_)
        forward_->FrameRegion(region, colour, w, h);
}

void RecordingCanvas::SetClipRegion(const std::optional<Region>& region)
{
    clip_ = region;
    Add(CanvasOp::SetClipRegion).Rgn = region;
    if (forward_)
        forward_->SetClipRegion(region);
}

void RecordingCanvas::InvertRect(const TRect& rect)
{
    Add(CanvasOp::InvertRect).Rect = rect;
    if (forward_)
        forward_->InvertRect(rect);
}

void RecordingCanvas::InvertRegion(const Region& region)
{
    Add(CanvasOp::InvertRegion).Rgn = region;
    if (forward_)
        forward_->InvertRegion(region);
}

bool RecordingCanvas::CanInvert() const
{
    return forward_ ? forward_->CanInvert() : Invertible;
}

void RecordingCanvas::Draw(std::int32_t x, std::int32_t y, const QImage& image)
{
    CanvasRecord& r = Add(CanvasOp::Draw);
    r.Points = {TPoint{x, y}};
    r.W = image.width();
    r.H = image.height();
    if (forward_)
        forward_->Draw(x, y, image);
}

void RecordingCanvas::StretchDraw(const TRect& rect, const QImage& image)
{
    CanvasRecord& r = Add(CanvasOp::StretchDraw);
    r.Rect = rect;
    r.W = image.width();
    r.H = image.height();
    if (forward_)
        forward_->StretchDraw(rect, image);
}

TDeviceCaps RecordingCanvas::DeviceCaps() const
{
    return forward_ ? forward_->DeviceCaps() : Caps;
}

TSize RecordingCanvas::DeviceTextExtent(const TFont& font, std::string_view utf8Text)
{
    if (forward_) {
        // The target's own measurer (if any) or its device, in our font.
        const TFont saved = forward_->Font;
        forward_->Font = font;
        const TSize s = forward_->TextExtent(utf8Text);
        forward_->Font = saved;
        return s;
    }
    return FixedTextMetrics(8, 16).Extent(font, utf8Text);
}
