// The lithology patterns, checked on the strokes they record.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "platform/recording_canvas.h"

namespace {

struct Drawn {
    std::vector<std::vector<TPoint>> Polylines;  // pattern strokes (batch A, flushed)
    std::vector<TRect> Fills;                    // filled rectangles (backgrounds, random dots)
    std::vector<CanvasRecord> Records;
};

struct Seg {
    TPoint A, B;
};

class PatternTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDrawCanvas(&canvas);
        ClearLineBatches();
        PenThin = PenMedium = PenThick = 1;
        RandSeed = 0;
    }
    void TearDown() override { SetDrawCanvas(nullptr); }

    Drawn Draw(std::int32_t motif, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, std::int32_t sx = 100,
               std::int32_t sy = 100, bool widen = false)
    {
        canvas.ClearRecords();
        canvas.Pen = TPen{};
        DrawMotif(l, t, r, b, motif, sx, sy, widen);
        FlushLines();
        Drawn d;
        d.Records = canvas.Records;
        for (const CanvasRecord& rec : canvas.Records) {
            if (rec.Op == CanvasOp::PolyPolyline) {
                std::size_t at = 0;
                for (std::int32_t n : rec.Counts) {
                    d.Polylines.emplace_back(rec.Points.begin() + at, rec.Points.begin() + at + n);
                    at += n;
                }
            } else if (rec.Op == CanvasOp::FillRect || rec.Op == CanvasOp::Rectangle) {
                d.Fills.push_back(rec.Rect);
            }
        }
        return d;
    }

    static std::vector<Seg> Segments(const Drawn& d)
    {
        std::vector<Seg> out;
        for (const auto& pl : d.Polylines)
            for (std::size_t i = 1; i < pl.size(); ++i)
                out.push_back({pl[i - 1], pl[i]});
        return out;
    }
    // The one-pixel dots: closed 5-point outlines of (X, Y)-(X + 1, Y + 1).
    static bool IsDot(const std::vector<TPoint>& pl)
    {
        return pl.size() == 5 && pl[0] == pl[4] && pl[2].X == pl[0].X + 1 && pl[2].Y == pl[0].Y + 1 &&
               pl[1] == TPoint{pl[0].X + 1, pl[0].Y} && pl[3] == TPoint{pl[0].X, pl[0].Y + 1};
    }
    static std::vector<TPoint> Dots(const Drawn& d)
    {
        std::vector<TPoint> out;
        for (const auto& pl : d.Polylines)
            if (IsDot(pl))
                out.push_back(pl[0]);
        return out;
    }

    RecordingCanvas canvas;
};

TEST_F(PatternTest, NothingForPatternZeroOrAnEmptyRectangle)
{
    EXPECT_TRUE(Draw(0, 0, 0, 100, 100).Records.empty());
    EXPECT_TRUE(Draw(1, 10, 10, 10, 100).Records.empty());
    EXPECT_TRUE(Draw(1, 10, 10, 100, 10).Records.empty());
    EXPECT_TRUE(Draw(6, 10, 10, 5, 100).Records.empty());
    EXPECT_TRUE(Draw(99, 0, 0, 100, 100).Records.empty());
    EXPECT_TRUE(Draw(111, 0, 0, 100, 100).Records.empty());
    EXPECT_TRUE(Draw(-1, 0, 0, 100, 100).Records.empty());
}

TEST_F(PatternTest, PatternOneDrawsTwelveLinesOnASquare)
{
    const Drawn d = Draw(1, 0, 0, 1200, 1200);
    ASSERT_EQ(d.Polylines.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(d.Polylines[i].size(), 2u);
        EXPECT_EQ(d.Polylines[i][0], (TPoint{0, 100 * (i + 1)}));
        EXPECT_EQ(d.Polylines[i][1], (TPoint{1200, 100 * (i + 1)}));
    }
}

TEST_F(PatternTest, TwiceAsHighGivesTwiceTheRowsAtTheSamePitch)
{
    const Drawn square = Draw(1, 0, 0, 600, 600);
    const Drawn tall = Draw(1, 0, 0, 600, 1200);
    EXPECT_EQ(square.Polylines.size(), 12u);
    ASSERT_EQ(tall.Polylines.size(), 24u);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(tall.Polylines[i][0].Y, 50 * (i + 1));
}

TEST_F(PatternTest, PatternTwoDashesAndDots)
{
    const Drawn d = Draw(2, 0, 0, 1200, 1200);
    std::vector<std::pair<int, int>> dashes;
    for (const Seg& s : Segments(d))
        if (s.A.Y == 200 && s.B.Y == 200)
            dashes.push_back({s.A.X, s.B.X});
    ASSERT_EQ(dashes.size(), 7u);
    EXPECT_EQ(dashes[0], std::make_pair(0, 92));
    EXPECT_EQ(dashes[1], std::make_pair(185, 277));
    EXPECT_EQ(dashes[2], std::make_pair(369, 462));
    EXPECT_EQ(dashes[6], std::make_pair(1108, 1200));  // the last dash ends on the right edge

    std::map<int, int> dotsPerRow;
    for (const TPoint& p : Dots(d))
        ++dotsPerRow[p.Y];
    ASSERT_EQ(dotsPerRow.size(), 6u);
    for (int y = 100; y <= 1100; y += 200)
        EXPECT_EQ(dotsPerRow[y], 13) << y;
}

TEST_F(PatternTest, PatternNineAlternatesDotsAndVees)
{
    const Drawn d = Draw(9, 0, 0, 1200, 1200);
    std::map<int, std::set<int>> dots;
    for (const TPoint& p : Dots(d))
        dots[p.Y].insert(p.X);
    // A V: two strokes from its bottom point (x, y + 1/30) up to (x -+ 1/30, y - 1/30).
    std::map<int, std::set<int>> vees;
    for (const Seg& s : Segments(d))
        if (s.B.X == s.A.X - 40 && s.B.Y == s.A.Y - 80)
            vees[s.A.Y - 40].insert(s.A.X);
    EXPECT_EQ(dots[100], (std::set<int>{200, 600, 1000}));
    EXPECT_EQ(vees[100], (std::set<int>{400, 800}));
    EXPECT_EQ(dots[300], (std::set<int>{400, 800}));
    EXPECT_EQ(vees[300], (std::set<int>{200, 600, 1000}));
}

TEST_F(PatternTest, PatternsFifteenAndSixteenDrawDashesOfOneSixteenth)
{
    // 1/16 of 1,200 pixels is 75: a dash from x - 37.5 to x + 37.5, both
    // halves rounded to the even pixel.
    auto dashes = [&](std::int32_t motif) {
        std::map<int, std::vector<std::pair<int, int>>> rows;
        for (const Seg& s : Segments(Draw(motif, 0, 0, 1200, 1200)))
            if (s.A.Y == s.B.Y)
                rows[s.A.Y].push_back({s.A.X, s.B.X});
        return rows;
    };
    const auto sixteen = dashes(16);
    ASSERT_EQ(sixteen.size(), 12u);
    for (const auto& [y, row] : sixteen) {
        EXPECT_EQ(y % 100, 0);
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(row[0], std::make_pair(162, 238));
        EXPECT_EQ(row[4], std::make_pair(962, 1038));
    }
    const auto fifteen = dashes(15);
    std::size_t total = 0;
    for (const auto& [y, row] : fifteen) {
        total += row.size();
        EXPECT_EQ(row.size(), (y / 100) % 2 == 1 ? 3u : 2u) << y;
    }
    EXPECT_EQ(total, 30u);
}

TEST_F(PatternTest, PatternFortyOnATallRectangle)
{
    const Drawn d = Draw(40, 0, 0, 600, 1200);
    int verticals = 0;
    std::map<int, int> veeRows;
    for (const Seg& s : Segments(d)) {
        if (s.A.X == s.B.X && std::min(s.A.Y, s.B.Y) == 0 && std::max(s.A.Y, s.B.Y) == 1200) {
            EXPECT_TRUE(s.A.X == 200 || s.A.X == 400);
            ++verticals;
        }
        // V of size 1/20 (30 pixels): bottom (x, y + 30) to (x - 30, y - 30).
        if (s.B.X == s.A.X - 30 && s.B.Y == s.A.Y - 60)
            ++veeRows[s.A.Y - 30];
    }
    EXPECT_EQ(verticals, 2);
    ASSERT_EQ(veeRows.size(), 11u);
    EXPECT_EQ(veeRows.rbegin()->first, 1100);
    for (const auto& [y, n] : veeRows)
        EXPECT_EQ(n, 3) << y;
}

TEST_F(PatternTest, Pattern107TurnsItsTrianglesTileByTile)
{
    const std::int32_t size = 2020;  // 101 tiles of 20 pixels
    const Drawn d = Draw(107, 0, 0, size, size, size, size);
    // Each triangle is two polylines: apex-corner, then apex-corner-corner.
    std::size_t two = 0, three = 0;
    for (const auto& pl : d.Polylines)
        (pl.size() == 2 ? two : three) += pl.size() == 2 || pl.size() == 3 ? 1 : 0;
    EXPECT_EQ(two, 101u * 101u);
    EXPECT_EQ(three, 101u * 101u);
    // Tile (1, 1) centred at (10, 10): direction 2, pointing up (apex at y - 6).
    ASSERT_GE(d.Polylines.size(), 4u);
    EXPECT_EQ(d.Polylines[0][0], (TPoint{10, 4}));
    // Tile (1, 2) centred at (10, 30): direction 3, pointing left.
    EXPECT_EQ(d.Polylines[2][0], (TPoint{4, 30}));
}

TEST_F(PatternTest, HalvesRoundToTheEvenPixel)
{
    // Pattern 26: dots at x = j/10; on 105 pixels 10.5, 31.5, 52.5, 73.5 and
    // 94.5 fall half way.
    std::set<int> xs;
    for (const TPoint& p : Dots(Draw(26, 0, 0, 105, 105)))
        xs.insert(p.X);
    EXPECT_EQ(xs, (std::set<int>{10, 21, 32, 42, 52, 63, 74, 84, 94}));
}

TEST_F(PatternTest, RandomDotsRepeatAfterEachFlush)
{
    PenMedium = 2;
    const Drawn a = Draw(7, 10, 20, 110, 70);
    ASSERT_EQ(a.Fills.size(), 50u);
    // From seed 0, Random(1000) gives 0, 31, 861: x = 0, 3.1 and 86.1 of 100.
    EXPECT_EQ(a.Fills[0], (TRect{10, 21, 10 + 2 + 2, 21 + 2 + 2}));
    EXPECT_EQ(a.Fills[1].Left, 13);
    EXPECT_EQ(a.Fills[2].Left, 96);
    const Drawn b = Draw(7, 10, 20, 110, 70);
    ASSERT_EQ(b.Fills.size(), a.Fills.size());
    for (std::size_t i = 0; i < a.Fills.size(); ++i)
        EXPECT_EQ(a.Fills[i], b.Fills[i]);
    EXPECT_EQ(Draw(8, 10, 20, 110, 70).Fills.size(), 25u);
}

TEST_F(PatternTest, BackgroundPatternsFillTheRectangle)
{
    for (auto [motif, colour] : {std::pair{6, 0xD0D0D0u}, {92, 0xA0A0A0u}, {97, 0x303030u}, {103, 0x303030u}}) {
        const Drawn d = Draw(motif, 5, 6, 50, 60);
        ASSERT_EQ(d.Fills.size(), 1u) << motif;
        EXPECT_EQ(d.Fills[0], (TRect{5, 6, 52, 62}));
        EXPECT_EQ(d.Records[0].Brush.Color, colour);
    }
}

TEST_F(PatternTest, MotifVariants)
{
    const std::map<int, int> variants = {{10, 109}, {11, 105}, {12, 110}, {13, 101}, {15, 104}, {33, 106},
                                         {34, 107}, {55, 108}, {66, 102}, {97, 103}, {98, 100}};
    for (int m = -5; m <= 120; ++m) {
        auto it = variants.find(m);
        EXPECT_EQ(MotifVariant(m), it == variants.end() ? m : it->second) << m;
    }
    EXPECT_EQ(MotifVariant(14), 14);
}

TEST_F(PatternTest, WidenAddsAColumnOnEachSide)
{
    auto joints = [&](bool widen) {
        std::set<int> xs;
        for (const Seg& s : Segments(Draw(98, 0, 0, 600, 600, 100, 100, widen)))
            if (s.A.X == s.B.X)
                xs.insert(s.A.X);
        return xs;
    };
    EXPECT_EQ(joints(false), (std::set<int>{100, 200, 300, 400, 500}));
    EXPECT_EQ(joints(true), (std::set<int>{0, 100, 200, 300, 400, 500, 600}));
}

TEST_F(PatternTest, TiledPatternsNeedPositiveReferenceSizes)
{
    EXPECT_TRUE(Draw(101, 0, 0, 100, 100, 0, 100).Records.empty());
    EXPECT_TRUE(Draw(107, 0, 0, 100, 100, 100, -1).Records.empty());
    EXPECT_FALSE(Draw(101, 0, 0, 100, 100, 100, 100).Records.empty());
}

TEST_F(PatternTest, ClipCellSegmentFollowsTheEdges)
{
    const MotifCell cell{100, 200, 100, 50};  // R = 0.5
    ClipCellSegment(cell, -0.5, 0.25, 0.5, 0.25);  // left end moved onto x = 0
    ClipCellSegment(cell, 0.5, -1.0, 0.5, 2.0);    // both ends moved onto y = 0 and y = R
    ClipCellSegment(cell, 1.5, 0.1, 2.0, 0.2);     // wholly right of the cell
    ClipCellSegment(cell, -1.0, 0.25, 0.25, -1.0); // passes outside the top-left corner
    ClipCellSegment(cell, 0.25, 0.25, 0.75, 0.25); // inside
    ASSERT_EQ(BatchA.PolylineCount, 3);
    const std::vector<TPoint> pts(BatchA.Points.begin(), BatchA.Points.begin() + BatchA.PointCount);
    EXPECT_EQ(pts, (std::vector<TPoint>{{100, 225}, {150, 225}, {150, 200}, {150, 250}, {125, 225}, {175, 225}}));
    ClearLineBatches();
}

TEST_F(PatternTest, HugeRectanglesAreBounded)
{
    // A rectangle millions of times taller than wide, and tiles far below a
    // pixel: the call ends with a bounded number of strokes.
    DrawMotif(0, 0, 1, 2000000000, 1, 100, 100, false);
    EXPECT_LE(BatchA.PointCount, 2 * kMaxMotifPlacements);
    ClearLineBatches();
    DrawMotif(0, 0, 1000000, 1000000, 101, 1, 1, false);
    EXPECT_LE(BatchA.PolylineCount, kMaxMotifTilesPerAxis * kMaxMotifTilesPerAxis * 8);
    EXPECT_GT(BatchA.PolylineCount, 0);
    ClearLineBatches();
}

// Every number on a range of sizes: strokes stay inside the rectangle (the
// one-pixel dots and the fills within the area the level's own background
// covers, up to Right + 1 and Bottom + 1), 0 and 99 draw nothing, the others
// draw, and two runs record the same calls.
TEST_F(PatternTest, EveryPatternOnEverySize)
{
    struct Size {
        std::int32_t w, h;
    };
    const Size sizes[] = {{1, 1}, {3, 200}, {200, 3}, {100, 100}, {1200, 1200}, {300, 3000}};
    const std::int32_t L = 37, T = -11;
    for (const Size& sz : sizes) {
        const std::int32_t R = L + sz.w, B = T + sz.h;
        for (int motif = -1; motif <= 111; ++motif) {
            SCOPED_TRACE(testing::Message() << "pattern " << motif << " on " << sz.w << "x" << sz.h);
            const Drawn a = Draw(motif, L, T, R, B, sz.w, sz.h);
            const Drawn b = Draw(motif, L, T, R, B, sz.w, sz.h);
            ASSERT_EQ(a.Records.size(), b.Records.size());
            for (std::size_t i = 0; i < a.Records.size(); ++i) {
                EXPECT_EQ(a.Records[i].Points, b.Records[i].Points);
                EXPECT_EQ(a.Records[i].Counts, b.Records[i].Counts);
                EXPECT_EQ(a.Records[i].Rect, b.Records[i].Rect);
            }
            const bool draws = MotifDraws(motif);
            EXPECT_EQ(draws, motif != 0 && motif != 99 && motif >= 1 && motif <= 110);
            if (!draws) {
                EXPECT_TRUE(a.Records.empty());
                continue;
            }
            // A rectangle flatter than the first row of a pattern (y = 1/12 of
            // the width) shows only the fills, the random dots and the tiles.
            // Pattern 8 dots every second pixel row only.
            if (sz.h * 12 >= sz.w && !(motif == 8 && sz.h < 2))
                EXPECT_FALSE(a.Records.empty());
            for (const auto& pl : a.Polylines) {
                // A dot always starts its polyline (strokes may continue it).
                const bool dotFirst = pl.size() >= 5 && IsDot({pl.begin(), pl.begin() + 5});
                for (std::size_t k = 0; k < pl.size(); ++k) {
                    const TPoint& p = pl[k];
                    const bool dot = dotFirst && k < 5;
                    EXPECT_GE(p.X, L);
                    EXPECT_GE(p.Y, T);
                    EXPECT_LE(p.X, dot ? R + 1 : R);
                    EXPECT_LE(p.Y, dot ? B + 1 : B);
                }
            }
            for (const TRect& f : a.Fills) {
                EXPECT_GE(f.Left, L);
                EXPECT_GE(f.Top, T);
                EXPECT_LE(f.Right, R + 2);
                EXPECT_LE(f.Bottom, B + 2);
            }
        }
    }
}

TEST(PatternTables, EveryDrawingNumberHasOneDefinition)
{
    std::set<int> numbers;
    for (const MotifDef& d : MotifTable()) {
        EXPECT_TRUE(numbers.insert(d.Motif).second) << d.Motif;
        EXPECT_TRUE(d.Base != MotifBase::None || d.LayerCount > 0) << d.Motif;
        for (int k = 1; k < d.LayerCount; ++k)
            EXPECT_LT(d.Layers[k - 1].Pass, d.Layers[k].Pass) << d.Motif;
        EXPECT_EQ(d.Base == MotifBase::Tiles, FindMotifTileDef(d.Motif) != nullptr) << d.Motif;
    }
    EXPECT_TRUE(std::is_sorted(MotifTable().begin(), MotifTable().end(),
                               [](const MotifDef& a, const MotifDef& b) { return a.Motif < b.Motif; }));
    for (int m = 1; m <= 110; ++m)
        EXPECT_EQ(numbers.count(m), m == 99 ? 0u : 1u) << m;
}

}  // namespace
