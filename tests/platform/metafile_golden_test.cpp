// One small drawing written through both metafile writers, compared with the
// digest of the files they wrote before their common code was gathered in one
// place. The record tests look at records one by one; this one catches any
// byte that moves when that code changes. The text's advances are measured
// with the fonts the set-up script installs (Arial is Liberation Sans).
#include <QImage>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/emf_writer.h"
#include "platform/wmf_writer.h"

namespace {

std::uint64_t Fnv1a(const std::string& bytes)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

void DrawSample(Canvas& c)
{
    c.Pen.Color = RGBColor(10, 20, 30);
    c.Pen.Width = 3;
    c.Brush.Color = RGBColor(200, 100, 0);
    c.Rectangle(10, 10, 120, 80);
    c.Ellipse(TRect{20, 20, 60, 50});
    c.Pen.Width = 1;
    c.Pen.Style = PenStyle::Dot;
    const std::vector<TPoint> tri{{5, 5}, {90, 40}, {30, 70}};
    c.Polygon(tri);
    c.Pen.Style = PenStyle::Solid;
    const TPoint lines[] = {{0, 0}, {50, 50}, {60, 0}, {0, 60}, {70, 70}};
    const std::int32_t counts[] = {2, 3};
    c.PolyPolyline(lines, counts, 2);
    c.SetPixel(3, 4, RGBColor(1, 2, 3));
    c.Brush.Style = BrushStyle::Clear;
    c.Font.Name = "Arial";
    c.Font.Height = -12;
    c.Font.Escapement = 900;
    c.Font.Italic = true;
    c.TextOut(40, 90, "Forage é\xF0\x9F\x98\x80");
    c.SelectClipRegion(Region(TRect{0, 0, 100, 100}));
    c.Brush.Style = BrushStyle::Solid;
    c.FillRect(TRect{-10, -10, 200, 30});
    c.SelectNoClipRegion();
    QImage image(3, 2, QImage::Format_RGB888);
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(1, 1, QColor(250, 0, 5));
    c.StretchDraw(TRect{100, 100, 130, 120}, image);
}

TEST(MetafileWriters, ASampleDrawingKeepsItsBytes)
{
    EmfCanvas emf(300, 200);
    DrawSample(emf);
    WmfCanvas wmf(300, 200);
    DrawSample(wmf);
    EXPECT_EQ(emf.Bytes().size(), 1116u);
    EXPECT_EQ(Fnv1a(emf.Bytes()), 5571536107412023864ull);
    EXPECT_EQ(wmf.Bytes().size(), 572u);
    EXPECT_EQ(Fnv1a(wmf.Bytes()), 11646230127798222364ull);
}

}  // namespace
