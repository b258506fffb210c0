#include "platform/wmf_writer.h"

#include <QImage>
#include <algorithm>

#include "platform/base/text_codec.h"

namespace {

constexpr std::int32_t MM_ANISOTROPIC = 8;
constexpr std::int32_t TRANSPARENT = 1;
constexpr std::int32_t OPAQUE = 2;
constexpr std::int32_t ALTERNATE = 1;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint8_t ANSI_CHARSET = 0;

std::int16_t W16(std::int32_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

}  // namespace

WmfCanvas::WmfCanvas(std::int32_t width, std::int32_t height)
    : MetafileCanvas(std::min(width, kMaxCoord), std::min(height, kMaxCoord), kMaxCoord)
{
    BeginPicture();
}

WmfCanvas::~WmfCanvas() = default;

std::size_t WmfCanvas::Begin(std::uint16_t function)
{
    const std::size_t start = rec_.Size();
    rec_.U32(0);  // size in words, patched by End
    rec_.U16(function);
    return start;
}

void WmfCanvas::End(std::size_t start)
{
    rec_.Pad(2);
    const auto words = static_cast<std::uint32_t>((rec_.Size() - start) / 2);
    rec_.PatchU32(start, words);
    maxRecordWords_ = std::max(maxRecordWords_, words);
}

void WmfCanvas::Simple(std::uint16_t function, std::initializer_list<std::int32_t> words)
{
    const std::size_t start = Begin(function);
    for (std::int32_t w : words) rec_.I16(W16(w));
    End(start);
}

void WmfCanvas::RecSetup()
{
    Simple(META_SETMAPMODE, {MM_ANISOTROPIC});
    Simple(META_SETWINDOWORG, {0, 0});
    Simple(META_SETWINDOWEXT, {Height(), Width()});
    Simple(META_SETBKMODE, {TRANSPARENT});
    Simple(META_SETPOLYFILLMODE, {ALTERNATE});
    Simple(META_SETTEXTALIGN, {0});  // top-left of the text's cell
}

void WmfCanvas::Points(std::uint16_t function, const TPoint* points, std::size_t count)
{
    const std::size_t start = Begin(function);
    rec_.I16(static_cast<std::int16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        rec_.I16(W16(points[i].X));
        rec_.I16(W16(points[i].Y));
    }
    End(start);
}

void WmfCanvas::RecPolyline(const TPoint* points, std::size_t count) { Points(META_POLYLINE, points, count); }
void WmfCanvas::RecPolygon(const TPoint* points, std::size_t count) { Points(META_POLYGON, points, count); }

void WmfCanvas::RecRectangle(const TRect& r)
{
    Simple(META_RECTANGLE, {r.Bottom, r.Right, r.Top, r.Left});
}

void WmfCanvas::RecEllipse(const TRect& r)
{
    Simple(META_ELLIPSE, {r.Bottom, r.Right, r.Top, r.Left});
}

void WmfCanvas::RecSetPixel(std::int32_t x, std::int32_t y, TColor colour)
{
    const std::size_t start = Begin(META_SETPIXEL);
    rec_.U32(colour);
    rec_.I16(W16(y));
    rec_.I16(W16(x));
    End(start);
}

void WmfCanvas::RecText(std::int32_t x, std::int32_t y, const std::u32string& text,
                        const std::vector<std::int32_t>& advances)
{
    std::string bytes;
    for (char32_t c : text) {
        const int b = CodePointToCp1252(c);
        bytes.push_back(static_cast<char>(b < 0 ? '?' : b));
    }
    const std::size_t start = Begin(META_EXTTEXTOUT);
    rec_.I16(W16(y));
    rec_.I16(W16(x));
    rec_.I16(static_cast<std::int16_t>(bytes.size()));
    rec_.U16(0);  // options: the background follows the device's background mode
    rec_.Bytes(bytes);
    rec_.Pad(2);
    for (std::size_t i = 0; i < bytes.size(); ++i) rec_.I16(W16(i < advances.size() ? advances[i] : 0));
    End(start);
}

void WmfCanvas::RecCreatePen(int, const TPen& pen)
{
    const std::size_t start = Begin(META_CREATEPENINDIRECT);
    rec_.U16(static_cast<std::uint16_t>(PenStyleCode(pen.Style)));
    rec_.I16(W16(pen.Width));
    rec_.I16(0);
    rec_.U32(pen.Color);
    End(start);
}

void WmfCanvas::RecCreateBrush(int, const TBrush& brush)
{
    const std::size_t start = Begin(META_CREATEBRUSHINDIRECT);
    rec_.U16(static_cast<std::uint16_t>(BrushStyleCode(brush.Style)));
    rec_.U32(brush.Color);
    rec_.U16(0);
    End(start);
}

void WmfCanvas::RecCreateFont(int, const TFont& font)
{
    const std::size_t start = Begin(META_CREATEFONTINDIRECT);
    rec_.I16(W16(font.Height));
    rec_.I16(0);
    rec_.I16(W16(font.Escapement));
    rec_.I16(W16(font.Escapement));
    rec_.I16(W16(font.Weight));
    rec_.FontFlags(font, ANSI_CHARSET);
    std::string face = Utf8ToCp1252(font.Name);
    face.erase(std::remove(face.begin(), face.end(), '\0'), face.end());
    if (face.size() > 31) face.resize(31);
    face.resize(32, '\0');
    rec_.Bytes(face);
    End(start);
}

// The table of objects is the reader's: each new object takes its lowest free
// slot, which is the slot the canvas hands out, so records name objects by it.
void WmfCanvas::RecSelectObject(int slot) { Simple(META_SELECTOBJECT, {slot}); }
void WmfCanvas::RecDeleteObject(int slot) { Simple(META_DELETEOBJECT, {slot}); }
void WmfCanvas::RecSaveDC() { Simple(META_SAVEDC, {}); }
void WmfCanvas::RecRestoreDC() { Simple(META_RESTOREDC, {-1}); }
void WmfCanvas::RecIntersectClipRect(const TRect& r) { Simple(META_INTERSECTCLIPRECT, {r.Bottom, r.Right, r.Top, r.Left}); }

void WmfCanvas::ColourRecord(std::uint16_t function, TColor colour)
{
    const std::size_t start = Begin(function);
    rec_.U32(colour);
    End(start);
}

void WmfCanvas::RecTextColor(TColor colour) { ColourRecord(META_SETTEXTCOLOR, colour); }
void WmfCanvas::RecBkColor(TColor colour) { ColourRecord(META_SETBKCOLOR, colour); }

void WmfCanvas::RecBkMode(bool opaque) { Simple(META_SETBKMODE, {opaque ? OPAQUE : TRANSPARENT}); }

void WmfCanvas::RecStretchImage(const TRect& dest, const QImage& rgb888)
{
    const std::int32_t w = rgb888.width(), h = rgb888.height();
    const std::size_t start = Begin(META_STRETCHDIB);
    rec_.U32(SRCCOPY);
    rec_.U16(0);  // colours in the bitmap itself
    rec_.I16(W16(h));
    rec_.I16(W16(w));
    rec_.I16(0);
    rec_.I16(0);
    rec_.I16(W16(dest.Bottom - dest.Top));
    rec_.I16(W16(dest.Right - dest.Left));
    rec_.I16(W16(dest.Top));
    rec_.I16(W16(dest.Left));
    rec_.Dib24(rgb888);
    End(start);
}

std::string WmfCanvas::RecFinish()
{
    Simple(META_EOF, {});

    LeBytes place;
    place.U32(0x9AC6CDD7);
    place.U16(0);
    place.I16(0);
    place.I16(0);
    place.I16(W16(Width()));
    place.I16(W16(Height()));
    place.U16(static_cast<std::uint16_t>(kDpi));
    place.U32(0);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        checksum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(place.data[i]) |
                                               (static_cast<unsigned char>(place.data[i + 1]) << 8));
    place.U16(checksum);

    LeBytes head;
    head.U16(1);       // in memory
    head.U16(9);       // header words
    head.U16(0x0300);  // version 3
    head.U32(static_cast<std::uint32_t>(9 + rec_.Size() / 2));
    head.U16(static_cast<std::uint16_t>(std::max(1, MaxObjectSlots())));
    head.U32(maxRecordWords_);
    head.U16(0);
    return place.data + head.data + rec_.data;
}
