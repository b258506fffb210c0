// The enhanced metafile writer, read back by a small reader of our own and,
// when installed, by emf2svg-conv: the file's structure and totals, the
// graphics objects, clipping to regions, coordinate limits and text.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <map>
#include <set>

#include "platform/emf_writer.h"
#include "temp_dir.h"

namespace {

struct Rec {
    std::uint32_t type;
    std::size_t at;  // offset of the record in the file
    std::uint32_t size;
};

class EmfFile {
public:
    explicit EmfFile(std::string bytes) : b(std::move(bytes))
    {
        std::size_t at = 0;
        while (at + 8 <= b.size()) {
            const Rec r{U32(at), at, U32(at + 4)};
            if (r.size < 8 || r.size % 4 != 0 || at + r.size > b.size()) {
                bad = true;
                break;
            }
            recs.push_back(r);
            at += r.size;
            if (r.type == EmfCanvas::EMR_EOF) break;
        }
        end = at;
    }
    std::uint32_t U32(std::size_t at) const
    {
        std::uint32_t v;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    std::int16_t I16(std::size_t at) const
    {
        std::int16_t v;
        std::memcpy(&v, b.data() + at, 2);
        return v;
    }
    std::vector<Rec> Of(std::uint32_t type) const
    {
        std::vector<Rec> out;
        for (const Rec& r : recs)
            if (r.type == type) out.push_back(r);
        return out;
    }
    // The points of a polyline, polygon or poly-polyline record (all polylines joined).
    std::vector<std::vector<TPoint>> Lines(const Rec& r) const
    {
        std::vector<std::vector<TPoint>> out;
        const bool small = r.type == EmfCanvas::EMR_POLYLINE16 || r.type == EmfCanvas::EMR_POLYGON16 ||
                           r.type == EmfCanvas::EMR_POLYPOLYLINE16;
        const bool poly = r.type == EmfCanvas::EMR_POLYPOLYLINE16 || r.type == EmfCanvas::EMR_POLYPOLYLINE;
        std::vector<std::uint32_t> counts;
        std::size_t at = r.at + 24;
        if (poly) {
            const std::uint32_t n = U32(at);
            at += 8;
            for (std::uint32_t i = 0; i < n; ++i, at += 4) counts.push_back(U32(at));
        } else {
            counts.push_back(U32(at));
            at += 4;
        }
        for (std::uint32_t n : counts) {
            out.emplace_back();
            for (std::uint32_t i = 0; i < n; ++i) {
                if (small) {
                    out.back().push_back({I16(at), I16(at + 2)});
                    at += 4;
                } else {
                    out.back().push_back({I32(at), I32(at + 4)});
                    at += 8;
                }
            }
        }
        return out;
    }
    std::vector<std::vector<TPoint>> AllLines() const
    {
        std::vector<std::vector<TPoint>> out;
        for (const Rec& r : recs)
            if (r.type == EmfCanvas::EMR_POLYLINE16 || r.type == EmfCanvas::EMR_POLYLINE ||
                r.type == EmfCanvas::EMR_POLYPOLYLINE16 || r.type == EmfCanvas::EMR_POLYPOLYLINE)
                for (auto& l : Lines(r)) out.push_back(l);
        return out;
    }
    TRect RectOf(const Rec& r) const { return {I32(r.at + 8), I32(r.at + 12), I32(r.at + 16), I32(r.at + 20)}; }

    std::string b;
    std::vector<Rec> recs;
    std::size_t end = 0;
    bool bad = false;
};

// Walks the objects as a player would: every object selected exists, and no
// object is deleted while selected in the current or a saved device state.
// Answers the highest handle used.
std::uint32_t CheckObjects(const EmfFile& f)
{
    std::set<std::uint32_t> live;
    std::map<int, std::uint32_t> selected;  // kind (0 pen, 1 brush, 2 font) -> handle
    std::vector<std::map<int, std::uint32_t>> saved;
    std::map<std::uint32_t, int> kindOf;
    std::uint32_t highest = 0;
    for (const Rec& r : f.recs) {
        const std::uint32_t h = r.size >= 12 ? f.U32(r.at + 8) : 0;
        switch (r.type) {
        case EmfCanvas::EMR_CREATEPEN:
        case EmfCanvas::EMR_EXTCREATEPEN:
        case EmfCanvas::EMR_CREATEBRUSHINDIRECT:
        case EmfCanvas::EMR_EXTCREATEFONTINDIRECTW:
            EXPECT_EQ(live.count(h), 0u) << "handle " << h << " created twice";
            live.insert(h);
            kindOf[h] = r.type == EmfCanvas::EMR_CREATEPEN || r.type == EmfCanvas::EMR_EXTCREATEPEN ? 0 : r.type == EmfCanvas::EMR_CREATEBRUSHINDIRECT ? 1 : 2;
            highest = std::max(highest, h);
            break;
        case EmfCanvas::EMR_SELECTOBJECT:
            EXPECT_EQ(live.count(h), 1u) << "handle " << h << " selected but not alive";
            selected[kindOf[h]] = h;
            break;
        case EmfCanvas::EMR_DELETEOBJECT: {
            EXPECT_EQ(live.count(h), 1u);
            auto in = [h](const std::map<int, std::uint32_t>& s) {
                for (auto& [k, v] : s)
                    if (v == h) return true;
                return false;
            };
            EXPECT_FALSE(in(selected)) << "handle " << h << " deleted while selected";
            for (auto& s : saved) EXPECT_FALSE(in(s)) << "handle " << h << " deleted while selected in a saved state";
            live.erase(h);
            break;
        }
        case EmfCanvas::EMR_SAVEDC:
            saved.push_back(selected);
            break;
        case EmfCanvas::EMR_RESTOREDC:
            EXPECT_FALSE(saved.empty());
            if (!saved.empty()) {
                selected = saved.back();
                saved.pop_back();
            }
            break;
        default:
            break;
        }
    }
    EXPECT_TRUE(saved.empty()) << "the picture ends inside a saved state";
    return highest;
}

bool HasProgram(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

TEST(EmfWriter, HeaderCountsItsRecordsAndBytesAndObjectsStayValid)
{
    EmfCanvas c(1000, 1414);
    // More colours than the writer keeps alive, drawn under changing clips,
    // so that objects are deleted while states are saved.
    for (int i = 0; i < 40; ++i) {
        c.Pen.Color = RGBColor(i * 6, 0, 0);
        c.Brush.Color = RGBColor(0, i * 6, 0);
        if (i % 3 == 0) c.SelectClipRegion(Region(TRect{0, 0, 500 + i, 700}));
        if (i % 3 == 2) c.SelectNoClipRegion();
        c.Rectangle(10 + i, 10, 100 + i, 100);
        c.LineTo(i * 10, 500);
        c.TextRect(TRect{0, 0, 50, 20}, 1, 1, "x");
    }
    const EmfFile f(c.Bytes());
    ASSERT_FALSE(f.bad);
    ASSERT_GE(f.recs.size(), 3u);
    const Rec& head = f.recs.front();
    EXPECT_EQ(head.type, EmfCanvas::EMR_HEADER);
    EXPECT_EQ(f.U32(head.at + 40), 0x464D4520u);
    EXPECT_EQ(f.U32(head.at + 48), f.b.size()) << "nBytes";
    EXPECT_EQ(f.U32(head.at + 52), f.recs.size()) << "nRecords";
    EXPECT_EQ(f.recs.back().type, EmfCanvas::EMR_EOF);
    EXPECT_EQ(f.end, f.b.size());
    // Device 1000 x 1414 at 1,200 dpi: 21,17 mm x 29,93 mm.
    EXPECT_EQ(f.I32(head.at + 72), 1000);
    EXPECT_EQ(f.I32(head.at + 32), 2117);
    EXPECT_EQ(f.I32(head.at + 36), 2993);

    const std::uint32_t highest = CheckObjects(f);
    EXPECT_GT(std::uint32_t(f.U32(head.at + 56) & 0xFFFF), highest) << "nHandles";
    // Pens, brushes and fonts alive at once stay few however many colours.
    EXPECT_LE(highest, 3u * 16u + 3u);
}

TEST(EmfWriter, CutsShapesToANonRectangularClipRegion)
{
    EmfCanvas c(1000, 1000);
    // Two squares side by side, a gap between them.
    Region clip(TRect{0, 0, 100, 100});
    clip.Unite(Region(TRect{200, 0, 300, 100}));
    c.SelectClipRegion(clip);
    c.MoveTo(-50, 50);
    c.LineTo(350, 50);
    c.Brush.Color = clRed;
    c.FillRect(TRect{0, 0, 400, 100});
    c.SelectNoClipRegion();

    const EmfFile f(c.Bytes());
    const auto clips = f.Of(EmfCanvas::EMR_INTERSECTCLIPRECT);
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(f.RectOf(clips[0]), (TRect{0, 0, 300, 100}));  // the readers honour the bounding rectangle
    EXPECT_EQ(f.Of(EmfCanvas::EMR_SAVEDC).size(), f.Of(EmfCanvas::EMR_RESTOREDC).size());

    // The line keeps its two parts inside the squares, nothing of the gap.
    const auto lines = f.AllLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (std::vector<TPoint>{{0, 50}, {100, 50}}));
    EXPECT_EQ(lines[1], (std::vector<TPoint>{{200, 50}, {300, 50}}));
    // The fill is the two squares (a pen-less rectangle is one pixel larger
    // across and down than what it fills).
    std::vector<TRect> fills;
    for (const Rec& r : f.Of(EmfCanvas::EMR_RECTANGLE)) fills.push_back(f.RectOf(r));
    EXPECT_EQ(fills, (std::vector<TRect>{{0, 0, 101, 101}, {200, 0, 301, 101}}));
}

TEST(EmfWriter, KeepsALineWholeThroughASlantedRegion)
{
    // A triangle region has one rectangle per row; a vertical line through
    // it must still come out as one line, not one piece per row.
    EmfCanvas c(1000, 1000);
    c.SelectClipRegion(Region::FromPolygon({{0, 0}, {400, 0}, {0, 400}}));
    c.MoveTo(50, -100);
    c.LineTo(50, 900);
    const auto lines = EmfFile(c.Bytes()).AllLines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 2u);
    EXPECT_EQ(lines[0][0], (TPoint{50, 0}));
    EXPECT_NEAR(lines[0][1].Y, 350, 1);
}

TEST(EmfWriter, WritesNothingBeyondItsCoordinateLimit)
{
    constexpr std::int32_t big = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t small = std::numeric_limits<std::int32_t>::min();
    EmfCanvas c(1000, 1000);
    c.MoveTo(small, 10);
    c.LineTo(big, 20);
    c.Rectangle(small, small, big, big);
    c.Polygon({{small, 0}, {big, 0}, {0, big}});
    c.Ellipse(TRect{small, 0, big, 10});
    c.TextOut(big, 5, "loin");
    c.SetPixel(small, 0, clRed);
    const EmfFile f(c.Bytes());
    ASSERT_FALSE(f.bad);
    EXPECT_TRUE(f.Of(EmfCanvas::EMR_EXTTEXTOUTW).empty());
    EXPECT_TRUE(f.Of(EmfCanvas::EMR_SETPIXELV).empty());
    const std::int32_t lim = Canvas::CoordLimit;
    for (const auto& line : f.AllLines())
        for (const TPoint& p : line) {
            EXPECT_LE(std::abs(std::int64_t(p.X)), lim);
            EXPECT_LE(std::abs(std::int64_t(p.Y)), lim);
        }
    for (std::uint32_t t : {EmfCanvas::EMR_RECTANGLE, EmfCanvas::EMR_ELLIPSE})
        for (const Rec& r : f.Of(t)) {
            const TRect box = f.RectOf(r);
            for (std::int32_t v : {box.Left, box.Top, box.Right, box.Bottom}) EXPECT_LE(std::abs(std::int64_t(v)), lim + 1);
        }
    const auto polygons = f.Of(EmfCanvas::EMR_POLYGON);
    ASSERT_EQ(polygons.size(), 1u);
    const auto polygon = f.Lines(polygons[0]);
    for (const TPoint& p : polygon[0]) EXPECT_LE(std::abs(std::int64_t(p.X)), lim);
}

TEST(EmfWriter, WritesTextInUtf16WithItsAdvancesUnderATurnedFont)
{
    EmfCanvas c(2000, 2000);
    c.Font.Name = "Verdana";
    c.Font.Height = -120;
    c.Font.Escapement = 900;
    c.Brush.Style = BrushStyle::Clear;
    const std::string text = "\xC3\x89t\xC3\xA9 \xF0\x9D\x84\x9E";  // "Été " and a character beyond 16 bits
    const std::int32_t width = c.TextWidth(text);
    c.TextOut(100, 1500, text);
    const EmfFile f(c.Bytes());

    const auto fonts = f.Of(EmfCanvas::EMR_EXTCREATEFONTINDIRECTW);
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(f.I32(fonts[0].at + 12), -120);
    EXPECT_EQ(f.I32(fonts[0].at + 20), 900);  // escapement
    EXPECT_EQ(f.I32(fonts[0].at + 24), 900);  // orientation
    std::u16string face;
    for (std::size_t i = 0; i < 32 && f.I16(fonts[0].at + 40 + 2 * i) != 0; ++i)
        face.push_back(static_cast<char16_t>(f.I16(fonts[0].at + 40 + 2 * i)));
    EXPECT_EQ(face, u"Verdana");

    const auto texts = f.Of(EmfCanvas::EMR_EXTTEXTOUTW);
    ASSERT_EQ(texts.size(), 1u);
    const std::size_t at = texts[0].at;
    EXPECT_EQ(f.I32(at + 36), 100);
    EXPECT_EQ(f.I32(at + 40), 1500);
    const std::uint32_t n = f.U32(at + 44);
    ASSERT_EQ(n, 6u);  // the last character takes two 16-bit units
    std::u16string units;
    for (std::uint32_t i = 0; i < n; ++i) units.push_back(static_cast<char16_t>(f.I16(at + f.U32(at + 48) + 2 * i)));
    EXPECT_EQ(units, u"\u00C9t\u00E9 \U0001D11E");
    std::int64_t sum = 0;
    for (std::uint32_t i = 0; i < n; ++i) sum += f.I32(at + f.U32(at + 72) + 4 * i);
    EXPECT_EQ(sum, width) << "the advances give the text the width the drawing measured";
    // A transparent background.
    const auto modes = f.Of(EmfCanvas::EMR_SETBKMODE);
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(f.U32(modes.back().at + 8), 1u);
}

TEST(EmfWriter, SavesWithoutReplacingAndIsReadByEmf2svg)
{
    TempDir dir;
    EmfCanvas c(1000, 1414);
    c.Pen.Width = 5;
    c.Rectangle(10, 10, 990, 1404);
    c.SelectClipRegion(Region::FromPolygon({{0, 0}, {900, 0}, {0, 900}}));
    c.Brush.Color = RGBColor(200, 220, 255);
    c.Ellipse(TRect{100, 100, 800, 800});
    c.SelectNoClipRegion();
    c.Font.Height = -60;
    c.Brush.Color = clWhite;
    c.TextOut(100, 1000, "Carotix");
    // The wide pen is geometric: its width is in the picture's units.
    const EmfFile f(c.Bytes());
    const auto wide = f.Of(EmfCanvas::EMR_EXTCREATEPEN);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(f.U32(wide[0].at + 28), 0x10000u);
    EXPECT_EQ(f.U32(wide[0].at + 32), 5u);

    const auto file = dir / "page.emf";
    ASSERT_TRUE(c.SaveToFile(file, false));
    EXPECT_EQ(ReadFileBytes(file), c.Bytes());
    // An existing file is left as it is.
    WriteFileBytes(dir / "other.emf", "old");
    EXPECT_FALSE(c.SaveToFile(dir / "other.emf", false));
    EXPECT_EQ(ReadFileBytes(dir / "other.emf"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "no temporary file left";

    if (!HasProgram("emf2svg-conv")) GTEST_SKIP() << "emf2svg-conv is not installed";
    QProcess p;
    p.start(QStringLiteral("emf2svg-conv"),
            {QStringLiteral("-i"), QString::fromStdString(file.string()), QStringLiteral("-o"),
             QString::fromStdString((dir / "page.svg").string())});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const std::string svg = ReadFileBytes(dir / "page.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("Carotix"), std::string::npos);
    EXPECT_NE(svg.find("stroke-width=\"5."), std::string::npos);
}

}  // namespace
