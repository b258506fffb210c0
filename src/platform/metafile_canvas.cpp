#include "platform/metafile_canvas.h"

#include "platform/base/safe_files.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/text_codec.h"
#include "platform/coord_clip.h"

namespace {

// Live objects of one kind kept for reuse (a log alternates a few pens and
// brushes many times); older ones are deleted beyond this.
constexpr int kLiveObjectsPerKind = 16;
// Font heights beyond this are of no use on any page (and do not fit the
// normal format's 16 bits).
constexpr std::int32_t kMaxFontUnits = 16384;

TRect Normalized(const TRect& in)
{
    TRect r = in;
    if (r.Right < r.Left) std::swap(r.Left, r.Right);
    if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
    return r;
}

TPen NormalizedPen(const TPen& in)
{
    TPen p = in;
    p.Color &= 0xFFFFFF;
    if (p.Style == PenStyle::Clear) return TPen{PenStyle::Clear, 0, 0};
    if (p.Width <= 1) {
        p.Width = 0;  // one device pixel, whatever the scale
    } else {
        p.Width = std::min<std::int32_t>(p.Width, kMaxFontUnits);
        p.Style = PenStyle::Solid;  // wide pens are never dotted
    }
    return p;
}

TBrush NormalizedBrush(const TBrush& in)
{
    if (in.Style == BrushStyle::Clear) return TBrush{BrushStyle::Clear, 0};
    return TBrush{BrushStyle::Solid, in.Color & 0xFFFFFF};
}

TFont NormalizedFont(const TFont& in)
{
    TFont f = in;
    f.Height = std::clamp<std::int32_t>(f.Height == 0 ? DefaultFontHeight : f.Height, -kMaxFontUnits, kMaxFontUnits);
    f.Escapement = ((f.Escapement % 3600) + 3600) % 3600;
    f.Color = 0;  // the text colour is a device attribute, not the font's
    if (f.Weight <= 0) f.Weight = FW_NORMAL;
    f.Weight = std::min<std::int32_t>(f.Weight, 1000);
    return f;
}

// The Qt font that measures a font of the picture: heights are in units of
// the picture, which are the pixels of its reference device.
QFont MeasuringFont(const TFont& f)
{
    QFont font(QString::fromUtf8(f.Name.data(), static_cast<qsizetype>(f.Name.size())));
    font.setWeight(static_cast<QFont::Weight>(std::clamp<std::int32_t>(f.Weight <= 0 ? FW_NORMAL : f.Weight, 1, 1000)));
    font.setItalic(f.Italic);
    font.setKerning(false);
    const std::int64_t h = f.Height == 0 ? DefaultFontHeight : f.Height;
    int px;
    if (h < 0) {
        px = static_cast<int>(std::min<std::int64_t>(-h, kMaxFontUnits));
    } else {
        QFont probe = font;
        probe.setPixelSize(1000);
        const QFontMetricsF fm(probe);
        const double cell = fm.ascent() + fm.descent();
        const double em = cell > 0 ? double(std::min<std::int64_t>(h, kMaxFontUnits)) * 1000.0 / cell : double(h);
        px = static_cast<int>(std::clamp(std::nearbyint(em), 1.0, double(kMaxFontUnits)));
    }
    font.setPixelSize(std::max(1, px));
    return font;
}

std::int32_t RoundCoord(double v)
{
    return static_cast<std::int32_t>(std::nearbyint(v));
}

// The part [t0, t1] of the segment a + t (b - a), t in [0, 1], inside the box
// (edges included). False when it misses the box.
bool ClipParameters(double ax, double ay, double bx, double by, double left, double top, double right, double bottom,
                    double& t0, double& t1)
{
    t0 = 0;
    t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - left, right - ax, ay - top, bottom - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    return t0 <= t1;
}

}  // namespace

// ---- bytes ------------------------------------------------------------------------

void LeBytes::U16(std::uint16_t v)
{
    U8(static_cast<std::uint8_t>(v & 0xFF));
    U8(static_cast<std::uint8_t>(v >> 8));
}

void LeBytes::U32(std::uint32_t v)
{
    U16(static_cast<std::uint16_t>(v & 0xFFFF));
    U16(static_cast<std::uint16_t>(v >> 16));
}

void LeBytes::F32(float v)
{
    std::uint32_t bits;
    static_assert(sizeof bits == sizeof v);
    std::memcpy(&bits, &v, sizeof bits);
    U32(bits);
}

void LeBytes::Pad(std::size_t alignment)
{
    while (data.size() % alignment != 0) U8(0);
}

void LeBytes::PatchU32(std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) data[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void LeBytes::FontFlags(const TFont& font, std::uint8_t charset)
{
    U8(font.Italic ? 1 : 0);
    U8(font.Underline ? 1 : 0);
    U8(font.StrikeOut ? 1 : 0);
    U8(charset);
    U8(0);  // out precision
    U8(0);  // clip precision
    U8(0);  // quality
    U8(0);  // pitch and family
}

namespace {
std::size_t Dib24Stride(const QImage& rgb888) { return (std::size_t(rgb888.width()) * 3 + 3) / 4 * 4; }
}  // namespace

std::size_t Dib24Bits(const QImage& rgb888) { return Dib24Stride(rgb888) * std::size_t(rgb888.height()); }

void LeBytes::Dib24(const QImage& rgb888)
{
    const std::int32_t w = rgb888.width(), h = rgb888.height();
    const std::size_t stride = Dib24Stride(rgb888);
    // BITMAPINFOHEADER: 24 bits, rows from the bottom up.
    U32(40);
    I32(w);
    I32(h);
    U16(1);
    U16(24);
    U32(0);
    U32(static_cast<std::uint32_t>(Dib24Bits(rgb888)));
    I32(0);
    I32(0);
    U32(0);
    U32(0);
    for (std::int32_t row = h - 1; row >= 0; --row) {
        const uchar* line = rgb888.constScanLine(row);
        for (std::int32_t x = 0; x < w; ++x) {
            U8(line[3 * x + 2]);  // blue, green, red
            U8(line[3 * x + 1]);
            U8(line[3 * x]);
        }
        Zeros(stride - std::size_t(w) * 3);
    }
}

// ---- construction and the file --------------------------------------------------

MetafileCanvas::MetafileCanvas(std::int32_t width, std::int32_t height, std::int32_t coordLimit)
    : width_(std::max(1, width)), height_(std::max(1, height)), limit_(std::max(1, coordLimit))
{
}

MetafileCanvas::~MetafileCanvas() = default;

std::uint32_t MetafileCanvas::PenStyleCode(PenStyle style)
{
    constexpr std::uint32_t PS_SOLID = 0, PS_DOT = 2, PS_NULL = 5;
    return style == PenStyle::Clear ? PS_NULL : style == PenStyle::Dot ? PS_DOT : PS_SOLID;
}

std::uint32_t MetafileCanvas::BrushStyleCode(BrushStyle style)
{
    constexpr std::uint32_t BS_SOLID = 0, BS_NULL = 1;
    return style == BrushStyle::Clear ? BS_NULL : BS_SOLID;
}

void MetafileCanvas::BeginPicture()
{
    RecSetup();
}

const std::string& MetafileCanvas::Bytes()
{
    if (!finished_) {
        // The picture ends with the device state it began with.
        if (clipSaved_) RestoreDC();
        clipSaved_ = false;
        while (!saved_.empty()) RestoreDC();
        finished_ = true;
        bytes_ = RecFinish();
    }
    return bytes_;
}

bool MetafileCanvas::SaveToFile(const std::filesystem::path& path, bool replace)
{
    return WriteFileSafely(path, Bytes(), replace);
}

TDeviceCaps MetafileCanvas::DeviceCaps() const
{
    TDeviceCaps caps;
    caps.LogPixelsX = caps.LogPixelsY = kDpi;
    caps.PhysicalWidth = caps.HorzRes = width_;
    caps.PhysicalHeight = caps.VertRes = height_;
    return caps;
}

bool MetafileCanvas::Drawing() const
{
    return !finished_ && !clipHidesAll_;
}

// ---- graphics objects ------------------------------------------------------------

bool MetafileCanvas::SelectedAnywhere(int slot) const
{
    auto in = [slot](const DcState& s) { return s.pen == slot || s.brush == slot || s.font == slot; };
    if (in(dc_)) return true;
    return std::any_of(saved_.begin(), saved_.end(), in);
}

void MetafileCanvas::CollectObjects(ObjectKind kind)
{
    for (;;) {
        int live = 0, oldest = -1;
        for (int i = 0; i < static_cast<int>(slots_.size()); ++i) {
            const ObjectSlot& s = slots_[static_cast<std::size_t>(i)];
            if (!s.used || s.kind != kind) continue;
            ++live;
            if (!SelectedAnywhere(i) && (oldest < 0 || s.lastUse < slots_[static_cast<std::size_t>(oldest)].lastUse))
                oldest = i;
        }
        if (live < kLiveObjectsPerKind || oldest < 0) return;
        RecDeleteObject(oldest);
        slots_[static_cast<std::size_t>(oldest)].used = false;
    }
}

int MetafileCanvas::FindOrCreate(ObjectKind kind, const TPen* pen, const TBrush* brush, const TFont* font)
{
    for (int i = 0; i < static_cast<int>(slots_.size()); ++i) {
        ObjectSlot& s = slots_[static_cast<std::size_t>(i)];
        if (!s.used || s.kind != kind) continue;
        const bool same = (kind == ObjectKind::Pen && s.pen == *pen) || (kind == ObjectKind::Brush && s.brush == *brush) ||
                          (kind == ObjectKind::Font && s.font == *font);
        if (same) {
            s.lastUse = ++useClock_;
            return i;
        }
    }
    CollectObjects(kind);
    int slot = 0;
    while (slot < static_cast<int>(slots_.size()) && slots_[static_cast<std::size_t>(slot)].used) ++slot;
    if (slot == static_cast<int>(slots_.size())) slots_.emplace_back();
    ObjectSlot& s = slots_[static_cast<std::size_t>(slot)];
    s = ObjectSlot{};
    s.used = true;
    s.kind = kind;
    s.lastUse = ++useClock_;
    if (kind == ObjectKind::Pen) {
        s.pen = *pen;
        RecCreatePen(slot, *pen);
    } else if (kind == ObjectKind::Brush) {
        s.brush = *brush;
        RecCreateBrush(slot, *brush);
    } else {
        s.font = *font;
        RecCreateFont(slot, *font);
    }
    return slot;
}

void MetafileCanvas::SelectPen(const TPen& pen)
{
    const TPen p = NormalizedPen(pen);
    const int slot = FindOrCreate(ObjectKind::Pen, &p, nullptr, nullptr);
    if (dc_.pen != slot) {
        RecSelectObject(slot);
        dc_.pen = slot;
    }
}

void MetafileCanvas::SelectBrush(const TBrush& brush)
{
    const TBrush b = NormalizedBrush(brush);
    const int slot = FindOrCreate(ObjectKind::Brush, nullptr, &b, nullptr);
    if (dc_.brush != slot) {
        RecSelectObject(slot);
        dc_.brush = slot;
    }
}

void MetafileCanvas::SelectFont(const TFont& font)
{
    const TFont f = NormalizedFont(font);
    const int slot = FindOrCreate(ObjectKind::Font, nullptr, nullptr, &f);
    if (dc_.font != slot) {
        RecSelectObject(slot);
        dc_.font = slot;
    }
}

void MetafileCanvas::SaveDC()
{
    RecSaveDC();
    saved_.push_back(dc_);
}

void MetafileCanvas::RestoreDC()
{
    if (saved_.empty()) return;
    RecRestoreDC();
    dc_ = saved_.back();
    saved_.pop_back();
}

// ---- lines -------------------------------------------------------------------

std::vector<std::vector<TPoint>> MetafileCanvas::ClipToRegion(const std::vector<TPoint>& line) const
{
    // Each segment keeps the parts of it that lie in the clip's rectangles
    // (pixel x covers x - 0.5 .. x + 0.5); parts in neighbouring rectangles
    // are merged again, so a line through a region of many rows stays one
    // line. Consecutive segments stay joined where both reach their common
    // point.
    std::vector<std::vector<TPoint>> out;
    std::vector<TPoint> current;
    auto flush = [&] {
        if (current.size() >= 2) out.push_back(std::move(current));
        current.clear();
    };
    std::vector<std::pair<double, double>> spans;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const TPoint a = line[i], b = line[i + 1];
        const double ymin = std::min(a.Y, b.Y) - 0.5, ymax = std::max(a.Y, b.Y) + 0.5;
        spans.clear();
        auto first = std::lower_bound(clipRects_.begin(), clipRects_.end(), ymin,
                                      [](const TRect& r, double y) { return r.Bottom - 0.5 < y; });
        for (auto it = first; it != clipRects_.end() && it->Top - 0.5 <= ymax; ++it) {
            double t0, t1;
            if (ClipParameters(a.X, a.Y, b.X, b.Y, it->Left - 0.5, it->Top - 0.5, it->Right - 0.5, it->Bottom - 0.5, t0,
                               t1))
                spans.emplace_back(t0, t1);
        }
        if (spans.empty()) {
            flush();
            continue;
        }
        std::sort(spans.begin(), spans.end());
        std::vector<std::pair<double, double>> merged;
        for (const auto& s : spans) {
            if (!merged.empty() && s.first <= merged.back().second + 1e-9)
                merged.back().second = std::max(merged.back().second, s.second);
            else
                merged.push_back(s);
        }
        for (const auto& [t0, t1] : merged) {
            const TPoint p0{RoundCoord(a.X + t0 * (double(b.X) - a.X)), RoundCoord(a.Y + t0 * (double(b.Y) - a.Y))};
            const TPoint p1{RoundCoord(a.X + t1 * (double(b.X) - a.X)), RoundCoord(a.Y + t1 * (double(b.Y) - a.Y))};
            const bool continues = t0 <= 1e-9 && !current.empty() && current.back() == a;
            if (!continues) {
                flush();
                current.push_back(p0);
            }
            current.push_back(p1);
            if (t1 < 1 - 1e-9) flush();
        }
    }
    flush();
    return out;
}

void MetafileCanvas::StrokePolylines(const std::vector<std::vector<TPoint>>& lines)
{
    if (!Drawing() || Pen.Style == PenStyle::Clear) return;
    std::vector<std::vector<TPoint>> kept;
    for (const std::vector<TPoint>& line : lines) {
        if (line.size() < 2) continue;
        std::vector<std::vector<TPoint>> pieces;
        if (coordclip::AllInside(line.data(), line.size(), limit_))
            pieces.push_back(line);
        else
            pieces = coordclip::ClipPolyline(line.data(), line.size(), limit_);
        for (std::vector<TPoint>& piece : pieces) {
            if (clipRects_.empty()) {
                kept.push_back(std::move(piece));
                continue;
            }
            for (std::vector<TPoint>& part : ClipToRegion(piece)) kept.push_back(std::move(part));
        }
    }
    EmitPolylines(kept);
}

void MetafileCanvas::EmitPolylines(const std::vector<std::vector<TPoint>>& lines)
{
    if (lines.empty()) return;
    SelectPen(Pen);
    std::vector<TPoint> batch;
    std::vector<std::int32_t> counts;
    auto send = [&] {
        if (counts.empty()) return;
        if (counts.size() == 1)
            RecPolyline(batch.data(), batch.size());
        else
            RecPolyPolyline(batch, counts);
        batch.clear();
        counts.clear();
    };
    for (const std::vector<TPoint>& line : lines) {
        // Long lines go in pieces that share their joints; a thin line's
        // joint is then drawn once, by the piece it begins.
        std::size_t start = 0;
        while (start + 1 < line.size()) {
            const std::size_t n = std::min(kMaxPoints, line.size() - start);
            if (batch.size() + n > kMaxPoints) send();
            batch.insert(batch.end(), line.begin() + static_cast<std::ptrdiff_t>(start),
                         line.begin() + static_cast<std::ptrdiff_t>(start + n));
            counts.push_back(static_cast<std::int32_t>(n));
            start += n - 1;
        }
    }
    send();
}

void MetafileCanvas::RecPolyPolyline(const std::vector<TPoint>& points, const std::vector<std::int32_t>& counts)
{
    std::size_t offset = 0;
    for (std::int32_t n : counts) {
        RecPolyline(points.data() + offset, static_cast<std::size_t>(n));
        offset += static_cast<std::size_t>(n);
    }
}

void MetafileCanvas::Polyline(const TPoint* points, std::size_t count)
{
    if (!points || count < 2) return;
    StrokePolylines({std::vector<TPoint>(points, points + count)});
}

void MetafileCanvas::PolyPolyline(const TPoint* points, const std::int32_t* counts, std::size_t polylineCount)
{
    if (!points || !counts) return;
    std::vector<std::vector<TPoint>> lines;
    std::size_t offset = 0;
    for (std::size_t k = 0; k < polylineCount; ++k) {
        if (counts[k] <= 0) continue;
        const auto n = static_cast<std::size_t>(counts[k]);
        lines.emplace_back(points + offset, points + offset + n);
        offset += n;
    }
    StrokePolylines(lines);
}

// ---- shapes ---------------------------------------------------------------------

std::vector<TRect> MetafileCanvas::ClippedRects(const Region& shape) const
{
    if (!clip_) return shape.Rects();
    return shape.Intersected(*clip_).Rects();
}

void MetafileCanvas::FillPixelRects(const std::vector<TRect>& rects, const TBrush& brush)
{
    if (!Drawing() || brush.Style == BrushStyle::Clear || rects.empty()) return;
    SelectPen(TPen{PenStyle::Clear, 0, 0});
    SelectBrush(brush);
    for (const TRect& in : rects) {
        const TRect r = coordclip::ClampRect(Normalized(in), limit_ - 1);
        if (r.IsEmpty()) continue;
        // Without a pen the device fills one pixel less across and down than
        // the rectangle it is given.
        RecRectangle(TRect{r.Left, r.Top, r.Right + 1, r.Bottom + 1});
    }
}

Region MetafileCanvas::ShapeWithinClip(const std::vector<TPoint>& pts) const
{
    // Only the part under the clip, on the page, is ever seen: the polygon is
    // cut to the clip's bounds within the device before its region is built.
    if (!clip_) return Region::FromPolygon(pts);
    const TRect c = clip_->BoundingRect();
    const TRect box{std::max(c.Left, 0), std::max(c.Top, 0), std::min(c.Right, width_), std::min(c.Bottom, height_)};
    if (box.Right <= box.Left || box.Bottom <= box.Top) return Region();
    return Region::FromPolygon(pts, box);
}

void MetafileCanvas::ShapeUnderRegion(const Region& shape, const std::vector<TPoint>& outline)
{
    if (Brush.Style == BrushStyle::Solid) FillPixelRects(ClippedRects(shape), Brush);
    if (Pen.Style != PenStyle::Clear) StrokePolylines({outline});
}

void MetafileCanvas::Rectangle(const TRect& in)
{
    if (!Drawing()) return;
    const TRect r = coordclip::ClampRect(Normalized(in), limit_);
    if (r.IsEmpty()) return;
    if (Pen.Style == PenStyle::Clear && Brush.Style == BrushStyle::Clear) return;
    if (!clipRects_.empty()) {
        const std::vector<TPoint> outline = {
            {r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1}, {r.Left, r.Top}};
        ShapeUnderRegion(Region(r), outline);
        return;
    }
    if (Pen.Style == PenStyle::Clear) {
        FillPixelRects({r}, Brush);
        return;
    }
    SelectPen(Pen);
    SelectBrush(Brush);
    RecRectangle(r);
}

void MetafileCanvas::FillRect(const TRect& in)
{
    if (!Drawing() || Brush.Style == BrushStyle::Clear) return;
    const TRect r = coordclip::ClampRect(Normalized(in), limit_);
    if (r.IsEmpty()) return;
    if (!clipRects_.empty())
        FillPixelRects(ClippedRects(Region(r)), Brush);
    else
        FillPixelRects({r}, Brush);
}

void MetafileCanvas::Polygon(const TPoint* points, std::size_t count)
{
    if (!Drawing() || !points || count < 2) return;
    std::vector<TPoint> pts;
    if (coordclip::AllInside(points, count, limit_))
        pts.assign(points, points + count);
    else
        pts = coordclip::ClipPolygon(points, count, limit_);
    if (pts.size() < 2) return;
    std::vector<TPoint> outline = pts;
    outline.push_back(pts.front());
    if (pts.size() < 3) {
        StrokePolylines({outline});
        return;
    }
    if (clipRects_.empty() && pts.size() <= kMaxPoints) {
        if (Pen.Style == PenStyle::Clear && Brush.Style == BrushStyle::Clear) return;
        SelectPen(Pen);
        SelectBrush(Brush);
        RecPolygon(pts.data(), pts.size());
        return;
    }
    ShapeUnderRegion(ShapeWithinClip(pts), outline);
}

void MetafileCanvas::Ellipse(const TRect& in)
{
    if (!Drawing()) return;
    const TRect r = coordclip::ClampRect(Normalized(in), limit_);
    if (r.IsEmpty()) return;
    if (clipRects_.empty()) {
        if (Pen.Style == PenStyle::Clear && Brush.Style == BrushStyle::Clear) return;
        SelectPen(Pen);
        SelectBrush(Brush);
        RecEllipse(r);
        return;
    }
    // Under a clip region the ellipse becomes a polygon of 64 sides.
    const double cx = (double(r.Left) + r.Right - 1) / 2, cy = (double(r.Top) + r.Bottom - 1) / 2;
    const double rx = (double(r.Right) - r.Left - 1) / 2, ry = (double(r.Bottom) - r.Top - 1) / 2;
    std::vector<TPoint> pts;
    for (int i = 0; i < 64; ++i) {
        const double a = 2 * M_PI * i / 64;
        pts.push_back({RoundCoord(cx + rx * std::cos(a)), RoundCoord(cy - ry * std::sin(a))});
    }
    std::vector<TPoint> outline = pts;
    outline.push_back(pts.front());
    ShapeUnderRegion(ShapeWithinClip(pts), outline);
}

void MetafileCanvas::SetPixel(std::int32_t x, std::int32_t y, TColor colour)
{
    if (!Drawing() || x < -limit_ || x > limit_ || y < -limit_ || y > limit_) return;
    if (!clipRects_.empty() && clip_ && !clip_->Contains(x, y)) return;
    RecSetPixel(x, y, colour & 0xFFFFFF);
}

// ---- text ---------------------------------------------------------------------

std::vector<std::int32_t> MetafileCanvas::Advances(const TFont& font, const std::u32string& text) const
{
    const QFontMetrics fm(MeasuringFont(font));
    std::vector<std::int32_t> adv;
    adv.reserve(text.size());
    for (char32_t c : text) {
        const char32_t one[1] = {c};
        adv.push_back(std::clamp(fm.horizontalAdvance(QString::fromUcs4(one, 1)), 0, 32767));
    }
    return adv;
}

TSize MetafileCanvas::DeviceTextExtent(const TFont& font, std::string_view utf8Text)
{
    const QFontMetrics fm(MeasuringFont(font));
    std::int64_t w = 0;
    for (std::int32_t a : Advances(font, Utf8ToU32(utf8Text))) w += a;
    return TSize{static_cast<std::int32_t>(std::min<std::int64_t>(w, 0x7FFFFFFF)), fm.ascent() + fm.descent()};
}

void MetafileCanvas::WriteText(std::int32_t x, std::int32_t y, std::string_view utf8Text)
{
    if (!Drawing() || utf8Text.empty()) return;
    if (x < -limit_ || x > limit_ || y < -limit_ || y > limit_) return;
    SelectFont(Font);
    const TColor textColour = Font.Color & 0xFFFFFF;
    if (dc_.textColour != textColour) {
        RecTextColor(textColour);
        dc_.textColour = textColour;
    }
    const bool opaque = Brush.Style == BrushStyle::Solid;
    if (opaque && dc_.bkColour != (Brush.Color & 0xFFFFFF)) {
        RecBkColor(Brush.Color & 0xFFFFFF);
        dc_.bkColour = Brush.Color & 0xFFFFFF;
    }
    if (dc_.bkOpaque != opaque) {
        RecBkMode(opaque);
        dc_.bkOpaque = opaque;
    }
    const std::u32string text = Utf8ToU32(utf8Text);
    const std::vector<std::int32_t> adv = Advances(Font, text);
    // Long texts go in pieces, each starting where the previous one ends
    // along the text's direction.
    const double angle = NormalizedFont(Font).Escapement * M_PI / 1800.0;
    double px = x, py = y;
    for (std::size_t start = 0; start < text.size(); start += kMaxTextChars) {
        const std::size_t n = std::min(kMaxTextChars, text.size() - start);
        const std::int32_t ix = RoundCoord(px), iy = RoundCoord(py);
        if (ix < -limit_ || ix > limit_ || iy < -limit_ || iy > limit_) break;
        RecText(ix, iy, text.substr(start, n),
                std::vector<std::int32_t>(adv.begin() + static_cast<std::ptrdiff_t>(start),
                                          adv.begin() + static_cast<std::ptrdiff_t>(start + n)));
        double w = 0;
        for (std::size_t i = start; i < start + n; ++i) w += adv[i];
        px += w * std::cos(angle);
        py -= w * std::sin(angle);
    }
}

void MetafileCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view utf8Text)
{
    WriteText(x, y, utf8Text);
}

void MetafileCanvas::TextRect(const TRect& in, std::int32_t x, std::int32_t y, std::string_view utf8Text)
{
    if (!Drawing()) return;
    const TRect r = coordclip::ClampRect(Normalized(in), limit_);
    if (r.IsEmpty()) return;
    SaveDC();
    RecIntersectClipRect(r);
    if (Brush.Style == BrushStyle::Solid)
        FillPixelRects(clipRects_.empty() ? std::vector<TRect>{r} : ClippedRects(Region(r)), Brush);
    const BrushStyle saved = Brush.Style;
    Brush.Style = BrushStyle::Clear;  // the rectangle already holds the background
    WriteText(x, y, utf8Text);
    Brush.Style = saved;
    RestoreDC();
}

// ---- regions and clipping ---------------------------------------------------------

void MetafileCanvas::FillRegion(const Region& region)
{
    if (!Drawing() || Brush.Style == BrushStyle::Clear) return;
    FillPixelRects(clipRects_.empty() ? region.Rects() : ClippedRects(region), Brush);
}

void MetafileCanvas::FrameRegion(const Region& region, TColor colour, std::int32_t w, std::int32_t h)
{
    if (!Drawing()) return;
    const Region band = region.FrameBand(std::max(1, w), std::max(1, h));
    FillPixelRects(clipRects_.empty() ? band.Rects() : ClippedRects(band), TBrush{BrushStyle::Solid, colour});
}

void MetafileCanvas::SetClipRegion(const std::optional<Region>& region)
{
    if (finished_) return;
    clip_ = region;
    if (clipSaved_) {
        RestoreDC();
        clipSaved_ = false;
    }
    clipHidesAll_ = false;
    clipRects_.clear();
    if (!region) return;
    if (region->IsEmpty()) {
        clipHidesAll_ = true;
        return;
    }
    const TRect bounds = coordclip::ClampRect(region->BoundingRect(), limit_);
    SaveDC();
    clipSaved_ = true;
    RecIntersectClipRect(bounds);
    std::vector<TRect> rects = region->Rects();
    if (rects.size() > 1) clipRects_ = std::move(rects);
}

// ---- pictures -------------------------------------------------------------------

void MetafileCanvas::Draw(std::int32_t x, std::int32_t y, const QImage& image)
{
    if (image.isNull()) return;
    const std::int64_t r = std::int64_t(x) + image.width(), b = std::int64_t(y) + image.height();
    if (r > 0x7FFFFFFF || b > 0x7FFFFFFF) return;
    StretchDraw(TRect{x, y, static_cast<std::int32_t>(r), static_cast<std::int32_t>(b)}, image);
}

void MetafileCanvas::StretchDraw(const TRect& r, const QImage& image)
{
    if (!Drawing() || image.isNull() || r.Right <= r.Left || r.Bottom <= r.Top) return;
    QImage source = image;
    TRect dest = r;
    const TRect c = coordclip::ClampRect(r, limit_);
    if (c.IsEmpty()) return;
    if (!(c == r)) {
        // Only the visible part of the picture is written.
        const double sx = double(image.width()) / double(r.Width());
        const double sy = double(image.height()) / double(r.Height());
        const int x0 = static_cast<int>(std::floor((c.Left - double(r.Left)) * sx));
        const int y0 = static_cast<int>(std::floor((c.Top - double(r.Top)) * sy));
        const int x1 = static_cast<int>(std::ceil((c.Right - double(r.Left)) * sx));
        const int y1 = static_cast<int>(std::ceil((c.Bottom - double(r.Top)) * sy));
        source = image.copy(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
        dest = c;
    }
    QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    if (rgb.width() > kMaxImageSide || rgb.height() > kMaxImageSide)
        rgb = rgb.scaled(kMaxImageSide, kMaxImageSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) return;
    RecStretchImage(dest, rgb);
}

// ---- writing files ------------------------------------------------------------

bool WriteFileSafely(const std::filesystem::path& path, std::string_view bytes, bool replace)
{
    // The program's safe writer; with replace false the file appears whole
    // under its name, or not at all when something took the name meanwhile.
    try {
        std::error_code ec;
        if (!replace && std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            errno = EEXIST;
            return false;
        }
        SafeTempFile temp(path);
        temp.Write(bytes);
        if (temp.Commit(replace)) return true;
    } catch (const EFileError& e) {
        throw std::runtime_error("Impossible d'\xC3\xA9" "crire le fichier \xC2\xAB " + PathToUtf8(path) + " \xC2\xBB : " +
                                 SystemErrorText(e.Error()) + ".");
    }
    errno = EEXIST;
    return false;
}
