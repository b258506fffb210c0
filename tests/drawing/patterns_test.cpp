// The lithology patterns, checked on the strokes they record; the pictures
// of every pattern are checked by the catalogue test.
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
