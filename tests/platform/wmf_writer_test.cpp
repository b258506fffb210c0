// The placeable metafile writer, read back by a small reader of our own and,
// when installed, by wmf2svg: headers and totals, the object table, 16-bit
// coordinate limits and Windows-1252 text.
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "platform/wmf_writer.h"
#include "temp_dir.h"

namespace {

struct Rec {
    std::uint16_t function;
    std::size_t at;  // offset of the record in the file
    std::uint32_t words;
};

class WmfFile {
public:
    explicit WmfFile(std::string bytes) : b(std::move(bytes))
    {
        std::size_t at = 22 + 18;
        while (at + 6 <= b.size()) {
            const Rec r{U16(at + 4), at, U32(at)};
            if (r.words < 3 || at + 2 * std::size_t(r.words) > b.size()) {
                bad = true;
                break;
            }
            recs.push_back(r);
            at += 2 * std::size_t(r.words);
            if (r.function == WmfCanvas::META_EOF) break;
        }
        end = at;
    }
    std::uint16_t U16(std::size_t at) const
    {
        std::uint16_t v;
        std::memcpy(&v, b.data() + at, 2);
        return v;
    }
    std::int16_t I16(std::size_t at) const { return static_cast<std::int16_t>(U16(at)); }
    std::uint32_t U32(std::size_t at) const { return U16(at) | (std::uint32_t(U16(at + 2)) << 16); }
    // The i-th 16-bit parameter of a record.
    std::int16_t P(const Rec& r, std::size_t i) const { return I16(r.at + 6 + 2 * i); }
    std::vector<Rec> Of(std::uint16_t f) const
    {
        std::vector<Rec> out;
        for (const Rec& r : recs)
            if (r.function == f) out.push_back(r);
        return out;
    }

    std::string b;
    std::vector<Rec> recs;
    std::size_t end = 0;
    bool bad = false;
};

TEST(WmfWriter, HeadersAndTheObjectTableAreThoseAPlayerExpects)
{
    WmfCanvas c(10000, 14142);
    for (int i = 0; i < 40; ++i) {
        c.Pen.Color = RGBColor(i * 6, 0, 0);
        c.Brush.Color = RGBColor(0, 0, i * 6);
        if (i % 4 == 0) c.SelectClipRegion(Region(TRect{0, 0, 5000, 7000 + i}));
        if (i % 4 == 3) c.SelectNoClipRegion();
        c.Rectangle(10 * i, 10, 100 + 10 * i, 100);
        c.TextOut(10, 10 * i, "t");
    }
    const WmfFile f(c.Bytes());
    ASSERT_FALSE(f.bad);
    // Placeable header: key, bounding box, 1,200 units per inch, checksum.
    EXPECT_EQ(f.U32(0), 0x9AC6CDD7u);
    EXPECT_EQ(f.I16(10), 10000);
    EXPECT_EQ(f.I16(12), 14142);
    EXPECT_EQ(f.U16(14), 1200);
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < 20; i += 2) sum ^= f.U16(i);
    EXPECT_EQ(f.U16(20), sum);
    // Metafile header: total size in words, the largest record, objects.
    EXPECT_EQ(f.U16(22 + 2), 9);
    EXPECT_EQ(2 * std::size_t(f.U32(22 + 6)), f.b.size() - 22);
    std::uint32_t largest = 0;
    for (const Rec& r : f.recs) largest = std::max(largest, r.words);
    EXPECT_EQ(f.U32(22 + 12), largest);
    EXPECT_EQ(f.recs.back().function, WmfCanvas::META_EOF);
    EXPECT_EQ(f.end, f.b.size());

    // The table as a player keeps it: a new object takes the lowest free slot;
    // every selected or deleted slot holds an object.
    std::vector<bool> table(f.U16(22 + 10), false);
    for (const Rec& r : f.recs) {
        if (r.function == WmfCanvas::META_CREATEPENINDIRECT || r.function == WmfCanvas::META_CREATEBRUSHINDIRECT ||
            r.function == WmfCanvas::META_CREATEFONTINDIRECT) {
            auto freeSlot = std::find(table.begin(), table.end(), false);
            ASSERT_NE(freeSlot, table.end()) << "the header counts too few objects";
            *freeSlot = true;
        } else if (r.function == WmfCanvas::META_SELECTOBJECT) {
            ASSERT_LT(std::size_t(f.U16(r.at + 6)), table.size());
            EXPECT_TRUE(table[f.U16(r.at + 6)]);
        } else if (r.function == WmfCanvas::META_DELETEOBJECT) {
            EXPECT_TRUE(table[f.U16(r.at + 6)]);
            table[f.U16(r.at + 6)] = false;
        }
    }
    EXPECT_EQ(f.Of(WmfCanvas::META_SAVEDC).size(), f.Of(WmfCanvas::META_RESTOREDC).size());
}

TEST(WmfWriter, CutsEverythingToSixteenBitCoordinates)
{
    constexpr std::int32_t big = std::numeric_limits<std::int32_t>::max();
    WmfCanvas c(1000, 1000);
    c.MoveTo(-100000, 50);
    c.LineTo(100000, 50);
    c.Rectangle(-big, 40000, big, 10);
    c.Polygon({{-70000, 0}, {70000, 0}, {0, 70000}});
    c.TextOut(40000, 10, "loin");
    c.SelectClipRegion(Region(TRect{-big, -big, big, big}));
    c.FillRect(TRect{0, 0, big, 70000});
    const WmfFile f(c.Bytes());
    ASSERT_FALSE(f.bad);
    EXPECT_TRUE(f.Of(WmfCanvas::META_EXTTEXTOUT).empty());
    // The line is cut at the limit, not wrapped around.
    const auto lines = f.Of(WmfCanvas::META_POLYLINE);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(f.P(lines[0], 0), 2);
    EXPECT_EQ(f.P(lines[0], 1), -32767);
    EXPECT_EQ(f.P(lines[0], 3), 32767);
    EXPECT_EQ(f.P(lines[0], 2), 50);
    // Rectangles: bottom, right, top, left, all within 16 bits and in order.
    for (std::uint16_t fn : {WmfCanvas::META_RECTANGLE, WmfCanvas::META_INTERSECTCLIPRECT})
        for (const Rec& r : f.Of(fn)) {
            EXPECT_LT(f.P(r, 3), f.P(r, 1));
            EXPECT_LT(f.P(r, 2), f.P(r, 0));
        }
    const auto polygons = f.Of(WmfCanvas::META_POLYGON);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_GE(f.P(polygons[0], 0), 3);
}

TEST(WmfWriter, WritesTextInWindows1252AndIsReadByWmf2svg)
{
    TempDir dir;
    WmfCanvas c(10000, 14142);
    c.Font.Name = "Arial";
    c.Font.Height = -200;
    c.Font.Escapement = 900;
    c.Brush.Color = clWhite;
    const std::string text = "\xE2\x82\xAC\xC3\xA9 \xCE\xA9";  // "€é Ω": Ω has no Windows-1252 byte
    c.TextOut(500, 5000, text);
    c.Font.Escapement = 0;
    c.Pen.Width = 20;
    c.Brush.Color = RGBColor(255, 200, 0);
    c.SelectClipRegion(Region::FromPolygon({{0, 0}, {8000, 0}, {0, 8000}}));
    c.Ellipse(TRect{1000, 1000, 6000, 6000});
    c.SelectNoClipRegion();
    c.TextOut(1000, 9000, "Carotix");
    const WmfFile f(c.Bytes());
    const auto texts = f.Of(WmfCanvas::META_EXTTEXTOUT);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(f.P(texts[0], 0), 5000);  // y, then x
    EXPECT_EQ(f.P(texts[0], 1), 500);
    ASSERT_EQ(f.P(texts[0], 2), 4);
    EXPECT_EQ(f.b.substr(texts[0].at + 14, 4), std::string("\x80\xE9 ?"));
    const auto fonts = f.Of(WmfCanvas::META_CREATEFONTINDIRECT);
    ASSERT_FALSE(fonts.empty());
    EXPECT_EQ(f.P(fonts[0], 0), -200);
    EXPECT_EQ(f.P(fonts[0], 2), 900);
    EXPECT_EQ(f.b.substr(fonts[0].at + 6 + 18, 6), std::string("Arial\0", 6));

    const auto file = dir / "page.wmf";
    ASSERT_TRUE(c.SaveToFile(file, false));
    if (QStandardPaths::findExecutable(QStringLiteral("wmf2svg")).isEmpty()) GTEST_SKIP() << "wmf2svg is not installed";
    QProcess p;
    p.start(QStringLiteral("wmf2svg"), {QStringLiteral("-o"), QString::fromStdString((dir / "page.svg").string()),
                                         QString::fromStdString(file.string())});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const std::string svg = ReadFileBytes(dir / "page.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    // The player writes each character at its own advance.
    EXPECT_NE(svg.find(">C</text>"), std::string::npos);
    EXPECT_NE(svg.find(">x</text>"), std::string::npos);
}

}  // namespace
