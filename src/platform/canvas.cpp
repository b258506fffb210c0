#include "platform/canvas.h"

#include <algorithm>
#include <cstdlib>

#include "platform/base/text_codec.h"

namespace {

std::int32_t CodePoints(std::string_view text)
{
    const std::size_t n = Utf8Length(text);
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(n);
}

std::int32_t SaturatingMul(std::int32_t a, std::int32_t b)
{
    const std::int64_t p = std::int64_t(a) * b;
    if (p > 0x7FFFFFFF) return 0x7FFFFFFF;
    if (p < -0x7FFFFFFF) return -0x7FFFFFFF;
    return static_cast<std::int32_t>(p);
}

// Half-to-even rounding of num / den for den > 0.
std::int64_t DivRoundEven(std::int64_t num, std::int64_t den)
{
    std::int64_t q = num / den, r = num % den;
    if (r == 0) return q;
    const std::int64_t twice = 2 * (r < 0 ? -r : r);
    if (twice > den || (twice == den && q % 2 != 0))
        q += r < 0 ? -1 : 1;
    return q;
}

}  // namespace

TSize FixedTextMetrics::Extent(const TFont&, std::string_view utf8Text) const
{
    return TSize{SaturatingMul(CodePoints(utf8Text), CharWidth), LineHeight};
}

TSize ProportionalTextMetrics::Extent(const TFont& font, std::string_view utf8Text) const
{
    std::int64_t h = font.Height == 0 ? DefaultFontHeight : font.Height;
    if (h < 0) h = -h;
    if (h > 0x7FFFFFFF) h = 0x7FFFFFFF;
    const std::int64_t w = std::max<std::int64_t>(1, h * WidthPercent / 100);
    return TSize{SaturatingMul(CodePoints(utf8Text), static_cast<std::int32_t>(std::min<std::int64_t>(w, 0x7FFFFFFF))),
                 static_cast<std::int32_t>(h)};
}

void Canvas::LineTo(std::int32_t x, std::int32_t y)
{
    const TPoint pts[2] = {PenPos, TPoint{x, y}};
    Polyline(pts, 2);
    PenPos = TPoint{x, y};
}

TSize Canvas::TextExtent(std::string_view utf8Text)
{
    if (measurer_)
        return measurer_->Extent(Font, utf8Text);
    return DeviceTextExtent(Font, utf8Text);
}

void Canvas::SetFontSize(std::int32_t points)
{
    const std::int64_t dpi = DeviceCaps().LogPixelsY > 0 ? DeviceCaps().LogPixelsY : 96;
    const std::int64_t h = DivRoundEven(std::int64_t(points) * dpi, 72);
    Font.Height = static_cast<std::int32_t>(std::clamp<std::int64_t>(-h, -0x7FFFFFFF, 0x7FFFFFFF));
}

std::int32_t Canvas::FontSize()
{
    const std::int64_t dpi = DeviceCaps().LogPixelsY > 0 ? DeviceCaps().LogPixelsY : 96;
    std::int64_t charHeight;
    if (Font.Height < 0) {
        charHeight = -std::int64_t(Font.Height);
    } else {
        // A cell height: take the character height the device resolves it to,
        // which is what the font would report as its size.
        charHeight = Font.Height == 0 ? -std::int64_t(DefaultFontHeight) : Font.Height;
    }
    return static_cast<std::int32_t>(DivRoundEven(charHeight * 72, dpi));
}
