#include "platform/emf_writer.h"

#include <QImage>
#include <algorithm>
#include <cmath>

#include "platform/base/text_codec.h"

namespace {

constexpr std::int32_t MM_ANISOTROPIC = 8;
constexpr std::int32_t TRANSPARENT = 1;
constexpr std::int32_t OPAQUE = 2;
constexpr std::int32_t ALTERNATE = 1;
constexpr std::uint32_t PS_GEOMETRIC = 0x00010000;
constexpr std::uint32_t BS_SOLID = 0;
constexpr std::uint32_t GM_COMPATIBLE = 1;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint8_t DEFAULT_CHARSET = 1;

bool Fits16(const TPoint* points, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (points[i].X < -32768 || points[i].X > 32767 || points[i].Y < -32768 || points[i].Y > 32767) return false;
    return true;
}

std::int32_t Scaled(std::int32_t units, std::int64_t per, std::int64_t dpi)
{
    // units * per / dpi, rounded half to even.
    const std::int64_t num = std::int64_t(units) * per;
    std::int64_t q = num / dpi;
    const std::int64_t r = num % dpi;
    if (2 * r > dpi || (2 * r == dpi && q % 2 != 0)) ++q;
    return static_cast<std::int32_t>(q);
}

}  // namespace

EmfCanvas::EmfCanvas(std::int32_t width, std::int32_t height) : MetafileCanvas(width, height, Canvas::CoordLimit)
{
    BeginPicture();
}

EmfCanvas::~EmfCanvas() = default;

std::size_t EmfCanvas::Begin(std::uint32_t type)
{
    const std::size_t start = rec_.Size();
    rec_.U32(type);
    rec_.U32(0);  // size, patched by End
    return start;
}

void EmfCanvas::End(std::size_t start)
{
    rec_.Pad(4);
    rec_.PatchU32(start + 4, static_cast<std::uint32_t>(rec_.Size() - start));
    ++records_;
}

void EmfCanvas::Simple(std::uint32_t type, std::initializer_list<std::int32_t> values)
{
    const std::size_t start = Begin(type);
    for (std::int32_t v : values) rec_.I32(v);
    End(start);
}

void EmfCanvas::Bounds(const TPoint* points, std::size_t count)
{
    std::int32_t l = points[0].X, t = points[0].Y, r = l, b = t;
    for (std::size_t i = 1; i < count; ++i) {
        l = std::min(l, points[i].X);
        r = std::max(r, points[i].X);
        t = std::min(t, points[i].Y);
        b = std::max(b, points[i].Y);
    }
    rec_.I32(l);
    rec_.I32(t);
    rec_.I32(r);
    rec_.I32(b);
}

void EmfCanvas::RecSetup()
{
    Simple(EMR_SETMAPMODE, {MM_ANISOTROPIC});
    Simple(EMR_SETWINDOWORGEX, {0, 0});
    Simple(EMR_SETWINDOWEXTEX, {Width(), Height()});
    Simple(EMR_SETVIEWPORTORGEX, {0, 0});
    Simple(EMR_SETVIEWPORTEXTEX, {Width(), Height()});
    Simple(EMR_SETBKMODE, {TRANSPARENT});
    Simple(EMR_SETPOLYFILLMODE, {ALTERNATE});
    Simple(EMR_SETTEXTALIGN, {0});  // top-left of the text's cell, current position unused
}

void EmfCanvas::Points(std::uint32_t type16, std::uint32_t type32, const TPoint* points, std::size_t count)
{
    const bool small = Fits16(points, count);
    const std::size_t start = Begin(small ? type16 : type32);
    Bounds(points, count);
    rec_.U32(static_cast<std::uint32_t>(count));
    PointList(points, count, small);
    End(start);
}

void EmfCanvas::PointList(const TPoint* points, std::size_t count, bool small)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (small) {
            rec_.I16(static_cast<std::int16_t>(points[i].X));
            rec_.I16(static_cast<std::int16_t>(points[i].Y));
        } else {
            rec_.I32(points[i].X);
            rec_.I32(points[i].Y);
        }
    }
}

void EmfCanvas::RecPolyline(const TPoint* points, std::size_t count)
{
    Points(EMR_POLYLINE16, EMR_POLYLINE, points, count);
}

void EmfCanvas::RecPolygon(const TPoint* points, std::size_t count)
{
    Points(EMR_POLYGON16, EMR_POLYGON, points, count);
}

void EmfCanvas::RecPolyPolyline(const std::vector<TPoint>& points, const std::vector<std::int32_t>& counts)
{
    const bool small = Fits16(points.data(), points.size());
    const std::size_t start = Begin(small ? EMR_POLYPOLYLINE16 : EMR_POLYPOLYLINE);
    Bounds(points.data(), points.size());
    rec_.U32(static_cast<std::uint32_t>(counts.size()));
    rec_.U32(static_cast<std::uint32_t>(points.size()));
    for (std::int32_t n : counts) rec_.U32(static_cast<std::uint32_t>(n));
    PointList(points.data(), points.size(), small);
    End(start);
}

void EmfCanvas::RecRectangle(const TRect& r)
{
    Simple(EMR_RECTANGLE, {r.Left, r.Top, r.Right, r.Bottom});
}

void EmfCanvas::RecEllipse(const TRect& r)
{
    Simple(EMR_ELLIPSE, {r.Left, r.Top, r.Right, r.Bottom});
}

void EmfCanvas::RecSetPixel(std::int32_t x, std::int32_t y, TColor colour)
{
    Simple(EMR_SETPIXELV, {x, y, static_cast<std::int32_t>(colour)});
}

void EmfCanvas::RecText(std::int32_t x, std::int32_t y, const std::u32string& text,
                        const std::vector<std::int32_t>& advances)
{
    std::u16string units;
    std::vector<std::int32_t> dx;
    std::int64_t width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        const std::int32_t a = i < advances.size() ? advances[i] : 0;
        width += a;
        if (c > 0xFFFF) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
            dx.push_back(a);
            dx.push_back(0);
        } else {
            units.push_back(static_cast<char16_t>(c));
            dx.push_back(a);
        }
    }
    const std::size_t start = Begin(EMR_EXTTEXTOUTW);
    // Bounds of the unturned text; readers draw from the reference point.
    rec_.I32(x);
    rec_.I32(y);
    rec_.I32(static_cast<std::int32_t>(std::min<std::int64_t>(x + width, 0x7FFFFFFF)));
    rec_.I32(y);
    rec_.U32(GM_COMPATIBLE);
    rec_.F32(0);
    rec_.F32(0);
    // EMRTEXT
    rec_.I32(x);
    rec_.I32(y);
    rec_.U32(static_cast<std::uint32_t>(units.size()));
    const std::size_t offString = 76;
    const std::size_t stringBytes = (units.size() * 2 + 3) / 4 * 4;
    rec_.U32(static_cast<std::uint32_t>(offString));
    rec_.U32(0);  // options: the background follows the device's background mode
    rec_.I32(0);
    rec_.I32(0);
    rec_.I32(-1);
    rec_.I32(-1);
    rec_.U32(static_cast<std::uint32_t>(offString + stringBytes));
    for (char16_t u : units) rec_.U16(u);
    rec_.Pad(4);
    for (std::int32_t d : dx) rec_.I32(d);
    End(start);
}

void EmfCanvas::RecCreatePen(int slot, const TPen& pen)
{
    if (pen.Style == PenStyle::Solid && pen.Width > 1) {
        // A wide pen is a geometric pen: its width is in logical units and
        // its ends and joins are round (readers take the plain pen record's
        // width as device pixels).
        Simple(EMR_EXTCREATEPEN, {slot + 1, 0, 0, 0, 0, static_cast<std::int32_t>(PS_GEOMETRIC), pen.Width,
                                  static_cast<std::int32_t>(BS_SOLID), static_cast<std::int32_t>(pen.Color), 0, 0});
        return;
    }
    const std::uint32_t style = PenStyleCode(pen.Style);
    Simple(EMR_CREATEPEN, {slot + 1, static_cast<std::int32_t>(style), pen.Width, 0, static_cast<std::int32_t>(pen.Color)});
}

void EmfCanvas::RecCreateBrush(int slot, const TBrush& brush)
{
    const std::uint32_t style = BrushStyleCode(brush.Style);
    Simple(EMR_CREATEBRUSHINDIRECT, {slot + 1, static_cast<std::int32_t>(style), static_cast<std::int32_t>(brush.Color), 0});
}

void EmfCanvas::RecCreateFont(int slot, const TFont& font)
{
    const std::size_t start = Begin(EMR_EXTCREATEFONTINDIRECTW);
    rec_.U32(static_cast<std::uint32_t>(slot + 1));
    rec_.I32(font.Height);
    rec_.I32(0);
    rec_.I32(font.Escapement);
    rec_.I32(font.Escapement);
    rec_.I32(font.Weight);
    rec_.FontFlags(font, DEFAULT_CHARSET);
    std::u32string name = Utf8ToU32(font.Name);
    std::u16string face;
    for (char32_t c : name)
        if (c > 0 && c <= 0xFFFF && face.size() < 31) face.push_back(static_cast<char16_t>(c));
    for (std::size_t i = 0; i < 32; ++i) rec_.U16(i < face.size() ? face[i] : 0);
    End(start);
}

void EmfCanvas::RecSelectObject(int slot) { Simple(EMR_SELECTOBJECT, {slot + 1}); }
void EmfCanvas::RecDeleteObject(int slot) { Simple(EMR_DELETEOBJECT, {slot + 1}); }
void EmfCanvas::RecSaveDC() { Simple(EMR_SAVEDC, {}); }
void EmfCanvas::RecRestoreDC() { Simple(EMR_RESTOREDC, {-1}); }
void EmfCanvas::RecIntersectClipRect(const TRect& r) { Simple(EMR_INTERSECTCLIPRECT, {r.Left, r.Top, r.Right, r.Bottom}); }
void EmfCanvas::RecTextColor(TColor colour) { Simple(EMR_SETTEXTCOLOR, {static_cast<std::int32_t>(colour)}); }
void EmfCanvas::RecBkColor(TColor colour) { Simple(EMR_SETBKCOLOR, {static_cast<std::int32_t>(colour)}); }
void EmfCanvas::RecBkMode(bool opaque) { Simple(EMR_SETBKMODE, {opaque ? OPAQUE : TRANSPARENT}); }

void EmfCanvas::RecStretchImage(const TRect& dest, const QImage& rgb888)
{
    const std::int32_t w = rgb888.width(), h = rgb888.height();
    const std::size_t bits = Dib24Bits(rgb888);
    const std::size_t start = Begin(EMR_STRETCHDIBITS);
    rec_.I32(dest.Left);
    rec_.I32(dest.Top);
    rec_.I32(dest.Right - 1);
    rec_.I32(dest.Bottom - 1);
    rec_.I32(dest.Left);
    rec_.I32(dest.Top);
    rec_.I32(0);
    rec_.I32(0);
    rec_.I32(w);
    rec_.I32(h);
    rec_.U32(80);  // the bitmap header follows this record's fixed part
    rec_.U32(40);
    rec_.U32(120);
    rec_.U32(static_cast<std::uint32_t>(bits));
    rec_.U32(0);  // colours in the bitmap itself
    rec_.U32(SRCCOPY);
    rec_.I32(dest.Right - dest.Left);
    rec_.I32(dest.Bottom - dest.Top);
    rec_.Dib24(rgb888);
    End(start);
}

std::string EmfCanvas::RecFinish()
{
    const std::size_t eof = Begin(EMR_EOF);
    rec_.U32(0);   // no palette
    rec_.U32(16);  // where a palette would start
    rec_.U32(20);  // this record's size, repeated at its end
    End(eof);

    constexpr std::uint32_t kHeaderSize = 108;
    LeBytes head;
    head.U32(EMR_HEADER);
    head.U32(kHeaderSize);
    head.I32(0);
    head.I32(0);
    head.I32(Width() - 1);
    head.I32(Height() - 1);
    head.I32(0);
    head.I32(0);
    head.I32(Scaled(Width(), 2540, kDpi));
    head.I32(Scaled(Height(), 2540, kDpi));
    head.U32(0x464D4520);  // " EMF"
    head.U32(0x10000);
    head.U32(static_cast<std::uint32_t>(kHeaderSize + rec_.Size()));
    head.U32(records_ + 1);
    head.U16(static_cast<std::uint16_t>(MaxObjectSlots() + 1));  // handle 0 is the file itself
    head.U16(0);
    head.U32(0);  // no description
    head.U32(0);
    head.U32(0);  // no palette
    head.I32(Width());
    head.I32(Height());
    head.I32(Scaled(Width(), 254, 10 * kDpi));
    head.I32(Scaled(Height(), 254, 10 * kDpi));
    head.U32(0);  // no pixel format
    head.U32(0);
    head.U32(0);  // not OpenGL
    head.I32(Scaled(Width(), 25400, kDpi));
    head.I32(Scaled(Height(), 25400, kDpi));
    return head.data + rec_.data;
}
