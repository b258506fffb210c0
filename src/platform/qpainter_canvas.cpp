#include "platform/qpainter_canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPainter>
#include <QPolygon>
#include <QPolygonF>
#include <QPrinter>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>
#include <vector>

#include "platform/coord_clip.h"

namespace {

constexpr std::int32_t kLimit = Canvas::CoordLimit;
// Glyphs beyond this many pixels are of no use on any page and cost the font
// engine dearly; heights are capped there.
constexpr int kMaxFontPixels = 1 << 15;

QColor ToQColor(TColor c)
{
    return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

QString ToQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The one conversion from our rectangles (right and bottom excluded, possibly
// given in reverse order) to Qt's: normalised as the platform did, clamped
// into the drawable range, empty when there is nothing to cover.
QRect ToQRect(const TRect& in)
{
    TRect r = in;
    if (r.Right < r.Left) std::swap(r.Left, r.Right);
    if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
    r = coordclip::ClampRect(r, kLimit);
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return QRect();
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

bool IsWide(const TPen& pen) { return pen.Width > 1; }

// Wide pens are centred on pixel centres: a point (x, y) is the centre of
// pixel (x, y), at (x + 0.5, y + 0.5) in Qt's continuous coordinates. The
// one-pixel cosmetic lines of the raster engine already put the point (x, y)
// on pixel (x, y).
QPointF LinePoint(const TPoint& p, bool wide)
{
    return wide ? QPointF(p.X + 0.5, p.Y + 0.5) : QPointF(p.X, p.Y);
}

}  // namespace

struct QPainterCanvas::Impl {
    std::unique_ptr<QPainter> owned;
    QPaintDevice* device = nullptr;
    bool external = false;
};

QPainterCanvas::QPainterCanvas(QPaintDevice* device) : impl_(std::make_unique<Impl>())
{
    impl_->device = device;
    impl_->owned = std::make_unique<QPainter>(device);
    painter_ = impl_->owned.get();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
}

QPainterCanvas::QPainterCanvas(QPainter* painter) : impl_(std::make_unique<Impl>())
{
    painter_ = painter;
    impl_->external = true;
    impl_->device = painter->device();
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
}

QPainterCanvas::~QPainterCanvas()
{
    if (impl_->external) {
        if (painter_->isActive())
            painter_->restore();
    } else if (impl_->owned && impl_->owned->isActive()) {
        impl_->owned->end();
    }
}

namespace {

void ApplyPen(QPainter* p, const TPen& pen)
{
    if (pen.Style == PenStyle::Clear) {
        p->setPen(Qt::NoPen);
        return;
    }
    if (IsWide(pen)) {
        // Widths far beyond any page are capped: the stroker would only
        // waste time on them.
        QPen q(ToQColor(pen.Color), std::min<std::int32_t>(pen.Width, 1 << 16), Qt::SolidLine, Qt::RoundCap,
               Qt::RoundJoin);
        p->setPen(q);
        return;
    }
    // One device pixel; the flat cap leaves out the last pixel of a line.
    QPen q(ToQColor(pen.Color));
    q.setWidth(1);
    q.setCosmetic(true);
    q.setCapStyle(Qt::FlatCap);
    q.setJoinStyle(Qt::MiterJoin);
    if (pen.Style == PenStyle::Dot)
        q.setDashPattern({1.0, 1.0});
    p->setPen(q);
}

// The last pixel a thin line from a to b draws before b, on the line's own
// stepping (one pixel back along the major axis).
TPoint PixelBefore(const TPoint& a, const TPoint& b)
{
    const std::int64_t dx = std::int64_t(b.X) - a.X, dy = std::int64_t(b.Y) - a.Y;
    const std::int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    auto along = [](std::int64_t start, std::int64_t delta, std::int64_t steps, std::int64_t total) {
        // start + delta * steps / total, rounded half away from the start.
        const std::int64_t num = delta * steps;
        const std::int64_t q = (2 * (num < 0 ? -num : num) + total) / (2 * total);
        return static_cast<std::int32_t>(start + (num < 0 ? -q : q));
    };
    if (adx >= ady)
        return TPoint{static_cast<std::int32_t>(b.X - (dx > 0 ? 1 : -1)), along(a.Y, dy, adx - 1, adx)};
    return TPoint{along(a.X, dx, ady - 1, ady), static_cast<std::int32_t>(b.Y - (dy > 0 ? 1 : -1))};
}

// The polylines of one drawing call, cut to the drawable range when needed.
class PolylineSet {
public:
    void Add(const TPoint* pts, std::size_t n)
    {
        if (n < 2)
            return;
        if (coordclip::AllInside(pts, n, kLimit)) {
            spans_.push_back({pts, n});
            return;
        }
        for (auto& piece : coordclip::ClipPolyline(pts, n, kLimit)) {
            owned_.push_back(std::move(piece));
            const auto& kept = owned_.back();
            spans_.push_back({kept.data(), kept.size()});
        }
    }
    const std::vector<std::pair<const TPoint*, std::size_t>>& Spans() const { return spans_; }

private:
    std::vector<std::pair<const TPoint*, std::size_t>> spans_;
    std::deque<std::vector<TPoint>> owned_;  // stable addresses for the clipped pieces
};

// Thin solid lines: every segment from a to b covers a up to the pixel before
// b, whatever its direction (Qt's own flat-capped lines drop the right-most
// pixel of a line drawn leftwards instead of its last one). All polylines of a
// call go to the device in one batch.
void DrawThinPolylines(QPainter* p, const TPen& pen, const PolylineSet& set)
{
    QPen q(ToQColor(pen.Color));
    q.setWidth(1);
    q.setCosmetic(true);
    q.setCapStyle(Qt::SquareCap);
    p->setPen(q);
    p->setBrush(Qt::NoBrush);
    QVector<QLine> lines;
    QVector<QPoint> dots;
    for (const auto& [pts, n] : set.Spans()) {
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const TPoint a = pts[i], b = pts[i + 1];
            if (a == b)
                continue;
            const TPoint e = PixelBefore(a, b);
            if (e == a)
                dots.append(QPoint(a.X, a.Y));
            else
                lines.append(QLine(a.X, a.Y, e.X, e.Y));
        }
    }
    if (!lines.isEmpty())
        p->drawLines(lines);
    if (!dots.isEmpty())
        p->drawPoints(dots.constData(), static_cast<int>(dots.size()));
}

// Wide and dotted pens: one path of one sub-path per polyline, so corners
// within a polyline are joined and the device gets a single call.
void StrokePolylines(QPainter* p, const TPen& pen, const PolylineSet& set)
{
    const bool wide = IsWide(pen);
    QPainterPath path;
    for (const auto& [pts, n] : set.Spans()) {
        path.moveTo(LinePoint(pts[0], wide));
        for (std::size_t i = 1; i < n; ++i)
            path.lineTo(LinePoint(pts[i], wide));
    }
    ApplyPen(p, pen);
    p->setBrush(Qt::NoBrush);
    p->drawPath(path);
}

}  // namespace

void QPainterCanvas::Polyline(const TPoint* points, std::size_t count)
{
    const std::int32_t n = count > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(count);
    PolyPolyline(points, &n, 1);
}

void QPainterCanvas::PolyPolyline(const TPoint* points, const std::int32_t* counts, std::size_t polylineCount)
{
    if (Pen.Style == PenStyle::Clear || points == nullptr || counts == nullptr)
        return;
    PolylineSet set;
    std::size_t offset = 0;
    for (std::size_t k = 0; k < polylineCount; ++k) {
        if (counts[k] <= 0)
            continue;
        const auto n = static_cast<std::size_t>(counts[k]);
        set.Add(points + offset, n);
        offset += n;
    }
    if (set.Spans().empty())
        return;
    if (!IsWide(Pen) && Pen.Style == PenStyle::Solid)
        DrawThinPolylines(painter_, Pen, set);
    else
        StrokePolylines(painter_, Pen, set);
}

void QPainterCanvas::Rectangle(const TRect& r)
{
    const QRect q = ToQRect(r);
    if (q.isEmpty())
        return;
    if (Brush.Style == BrushStyle::Solid)
        painter_->fillRect(q, ToQColor(Brush.Color));
    if (Pen.Style == PenStyle::Clear)
        return;
    ApplyPen(painter_, Pen);
    painter_->setBrush(Qt::NoBrush);
    // The outline runs along the outermost pixels: columns left and right - 1,
    // rows top and bottom - 1.
    const int l = q.left(), t = q.top(), rr = q.left() + q.width() - 1, b = q.top() + q.height() - 1;
    const bool wide = IsWide(Pen);
    QPolygonF poly;
    poly << LinePoint({l, t}, wide) << LinePoint({rr, t}, wide) << LinePoint({rr, b}, wide)
         << LinePoint({l, b}, wide) << LinePoint({l, t}, wide);
    if (wide) {
        painter_->drawPolygon(poly);
    } else {
        // A closed outline: the corner it ends on was drawn by its first side.
        const TPoint outline[5] = {{l, t}, {rr, t}, {rr, b}, {l, b}, {l, t}};
        Polyline(outline, 5);
        if (l == rr || t == b)
            painter_->fillRect(QRect(rr, b, 1, 1), ToQColor(Pen.Color));
    }
}

void QPainterCanvas::FillRect(const TRect& r)
{
    if (Brush.Style == BrushStyle::Clear)
        return;
    const QRect q = ToQRect(r);
    if (!q.isEmpty())
        painter_->fillRect(q, ToQColor(Brush.Color));
}

void QPainterCanvas::Polygon(const TPoint* points, std::size_t count)
{
    if (count < 2 || points == nullptr)
        return;
    std::vector<TPoint> clipped;
    const std::span<const TPoint> within = coordclip::PolygonWithin(points, count, kLimit, clipped);
    const TPoint* pts = within.data();
    const std::size_t n = within.size();
    if (n < 2)
        return;
    if (Brush.Style == BrushStyle::Solid && n >= 3) {
        // The fill covers the pixels whose centre lies inside, like a polygon
        // region: right and bottom edges left out.
        QPolygon poly;
        poly.reserve(static_cast<qsizetype>(n));
        for (std::size_t i = 0; i < n; ++i)
            poly.append(QPoint(pts[i].X, pts[i].Y));
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(ToQColor(Brush.Color));
        painter_->drawPolygon(poly, Qt::OddEvenFill);
    }
    if (Pen.Style != PenStyle::Clear) {
        std::vector<TPoint> outline(pts, pts + n);
        outline.push_back(pts[0]);
        Polyline(outline.data(), outline.size());
    }
}

void QPainterCanvas::Ellipse(const TRect& r)
{
    const QRect q = ToQRect(r);
    if (q.isEmpty())
        return;
    if (Brush.Style == BrushStyle::Solid) {
        painter_->setPen(Qt::NoPen);
        painter_->setBrush(ToQColor(Brush.Color));
        painter_->drawEllipse(QRectF(q));
    }
    if (Pen.Style != PenStyle::Clear) {
        ApplyPen(painter_, Pen);
        painter_->setBrush(Qt::NoBrush);
        painter_->drawEllipse(QRectF(q.left() + 0.5, q.top() + 0.5, q.width() - 1.0, q.height() - 1.0));
    }
}

void QPainterCanvas::SetPixel(std::int32_t x, std::int32_t y, TColor colour)
{
    if (x < -kLimit || x > kLimit || y < -kLimit || y > kLimit)
        return;
    painter_->fillRect(QRect(x, y, 1, 1), ToQColor(colour));
}

namespace {

// The Qt font for a TFont on a device. A negative height is the character
// (em) height in pixels; a positive one the cell height, turned into an em
// size through the face's own ascent + descent on that device.
QFont MakeQFont(const TFont& f, QPaintDevice* device)
{
    QFont font(QString::fromStdString(f.Name));
    font.setWeight(static_cast<QFont::Weight>(std::clamp<std::int32_t>(f.Weight <= 0 ? FW_NORMAL : f.Weight, 1, 1000)));
    font.setItalic(f.Italic);
    font.setUnderline(f.Underline);
    font.setStrikeOut(f.StrikeOut);
    font.setKerning(false);
    std::int64_t h = f.Height == 0 ? DefaultFontHeight : f.Height;
    int px;
    if (h < 0) {
        px = static_cast<int>(std::min<std::int64_t>(-h, kMaxFontPixels));
    } else {
        QFont probe = font;
        probe.setPixelSize(1000);
        const QFontMetricsF fm = device ? QFontMetricsF(probe, device) : QFontMetricsF(probe);
        const double cell = fm.ascent() + fm.descent();
        const double em = cell > 0 ? static_cast<double>(std::min<std::int64_t>(h, kMaxFontPixels)) * 1000.0 / cell
                                   : static_cast<double>(h);
        px = static_cast<int>(std::clamp(std::nearbyint(em), 1.0, static_cast<double>(kMaxFontPixels)));
    }
    font.setPixelSize(std::max(1, px));
    return font;
}

}  // namespace

TSize QPainterCanvas::DeviceTextExtent(const TFont& font, std::string_view utf8Text)
{
    const QFont qf = MakeQFont(font, impl_->device);
    const QFontMetrics fm = impl_->device ? QFontMetrics(qf, impl_->device) : QFontMetrics(qf);
    return TSize{fm.horizontalAdvance(ToQString(utf8Text)), fm.ascent() + fm.descent()};
}

void QPainterCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view utf8Text)
{
    if (utf8Text.empty() || x < -kLimit || x > kLimit || y < -kLimit || y > kLimit)
        return;
    const QFont qf = MakeQFont(Font, impl_->device);
    const QFontMetrics fm = impl_->device ? QFontMetrics(qf, impl_->device) : QFontMetrics(qf);
    const QString text = ToQString(utf8Text);
    painter_->save();
    painter_->translate(x, y);
    if (Font.Escapement % 3600 != 0)
        painter_->rotate(-Font.Escapement / 10.0);
    if (Brush.Style == BrushStyle::Solid)
        painter_->fillRect(QRect(0, 0, fm.horizontalAdvance(text), fm.ascent() + fm.descent()), ToQColor(Brush.Color));
    painter_->setFont(qf);
    painter_->setPen(ToQColor(Font.Color));
    painter_->drawText(QPoint(0, fm.ascent()), text);
    painter_->restore();
}

void QPainterCanvas::TextRect(const TRect& clip, std::int32_t x, std::int32_t y, std::string_view utf8Text)
{
    const QRect q = ToQRect(clip);
    if (q.isEmpty())
        return;
    painter_->save();
    if (painter_->hasClipping())
        painter_->setClipRect(q, Qt::IntersectClip);
    else
        painter_->setClipRect(q);
    if (Brush.Style == BrushStyle::Solid)
        painter_->fillRect(q, ToQColor(Brush.Color));
    const BrushStyle saved = Brush.Style;
    Brush.Style = BrushStyle::Clear;  // the clip rectangle already holds the background
    TextOut(x, y, utf8Text);
    Brush.Style = saved;
    painter_->restore();
}

void QPainterCanvas::FillRegion(const Region& region)
{
    if (Brush.Style == BrushStyle::Clear)
        return;
    const QColor c = ToQColor(Brush.Color);
    for (const QRect& r : region.qt())
        painter_->fillRect(r, c);
}

void QPainterCanvas::FrameRegion(const Region& region, TColor colour, std::int32_t w, std::int32_t h)
{
    const QColor c = ToQColor(colour);
    const Region band = region.FrameBand(w, h);
    for (const QRect& r : band.qt())
        painter_->fillRect(r, c);
}

void QPainterCanvas::SetClipRegion(const std::optional<Region>& region)
{
    clip_ = region;
    if (!region) {
        // Not setClipping(false): with Qt 6.4 a clip region set after that is
        // ignored and the previous one comes back.
        painter_->setClipRegion(QRegion(), Qt::NoClip);
        return;
    }
    // An empty clip region hides everything, as the platform's did.
    painter_->setClipRegion(region->qt());
    painter_->setClipping(true);
}

bool QPainterCanvas::CanInvert() const
{
    QPaintEngine* engine = painter_->paintEngine();
    if (!engine || !engine->hasFeature(QPaintEngine::RasterOpModes))
        return false;
    if (impl_->device && impl_->device->devType() == QInternal::Image) {
        const auto* image = static_cast<const QImage*>(impl_->device);
        return !image->hasAlphaChannel();
    }
    return impl_->device && (impl_->device->devType() == QInternal::Widget || impl_->device->devType() == QInternal::Pixmap);
}

void QPainterCanvas::InvertRect(const TRect& r)
{
    const QRect q = ToQRect(r);
    if (q.isEmpty() || !CanInvert())
        return;
    painter_->save();
    painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
    painter_->fillRect(q, Qt::black);
    painter_->restore();
}

void QPainterCanvas::InvertRegion(const Region& region)
{
    if (region.IsEmpty() || !CanInvert())
        return;
    painter_->save();
    painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QRect& r : region.qt())
        painter_->fillRect(r, Qt::black);
    painter_->restore();
}

void QPainterCanvas::Draw(std::int32_t x, std::int32_t y, const QImage& image)
{
    if (image.isNull() || x < -kLimit || x > kLimit || y < -kLimit || y > kLimit)
        return;
    painter_->drawImage(QPoint(x, y), image);
}

void QPainterCanvas::StretchDraw(const TRect& r, const QImage& image)
{
    if (image.isNull())
        return;
    // Not normalised: a stretch into a reversed rectangle is refused rather
    // than mirrored.
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    if (r.Left < -kLimit || r.Right > kLimit || r.Top < -kLimit || r.Bottom > kLimit) {
        // Map only the visible part of the picture, so nothing huge is scaled.
        const TRect c = coordclip::ClampRect(r, kLimit);
        if (c.Right <= c.Left || c.Bottom <= c.Top)
            return;
        const double sx = double(image.width()) / double(r.Width());
        const double sy = double(image.height()) / double(r.Height());
        const QRectF src((c.Left - double(r.Left)) * sx, (c.Top - double(r.Top)) * sy, double(c.Right - c.Left) * sx,
                         double(c.Bottom - c.Top) * sy);
        painter_->drawImage(QRectF(c.Left, c.Top, c.Right - c.Left, c.Bottom - c.Top), image, src);
        return;
    }
    painter_->drawImage(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), image);
}

TDeviceCaps QPainterCanvas::DeviceCaps() const
{
    TDeviceCaps caps;
    QPaintDevice* d = impl_->device;
    if (!d)
        return caps;
    caps.LogPixelsX = d->logicalDpiX();
    caps.LogPixelsY = d->logicalDpiY();
    if (d->devType() == QInternal::Printer) {
        auto* printer = static_cast<QPrinter*>(d);
        const QRectF paper = printer->paperRect(QPrinter::DevicePixel);
        const QRectF page = printer->pageRect(QPrinter::DevicePixel);
        caps.LogPixelsX = printer->resolution();
        caps.LogPixelsY = printer->resolution();
        caps.PhysicalWidth = static_cast<std::int32_t>(std::nearbyint(paper.width()));
        caps.PhysicalHeight = static_cast<std::int32_t>(std::nearbyint(paper.height()));
        caps.PhysicalOffsetX = static_cast<std::int32_t>(std::nearbyint(page.left()));
        caps.PhysicalOffsetY = static_cast<std::int32_t>(std::nearbyint(page.top()));
        caps.HorzRes = static_cast<std::int32_t>(std::nearbyint(page.width()));
        caps.VertRes = static_cast<std::int32_t>(std::nearbyint(page.height()));
        return caps;
    }
    caps.PhysicalWidth = caps.HorzRes = d->width();
    caps.PhysicalHeight = caps.VertRes = d->height();
    return caps;
}
