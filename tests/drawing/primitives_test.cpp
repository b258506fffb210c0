// The line batches, their flushing and the text operations, observed through
// the recording canvas; a few pixel checks on a real image.
#include <QImage>
#include <gtest/gtest.h>

#include "drawing/primitives.h"
#include "platform/qpainter_canvas.h"
#include "platform/recording_canvas.h"

namespace {

class PrimitivesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearLineBatches();
        SetDrawCanvas(&rec);
        PenThin = 1;
        PenMedium = 2;
        PenThick = 3;
    }
    void TearDown() override
    {
        ClearLineBatches();
        SetDrawCanvas(nullptr);
    }

    static std::vector<TPoint> Used(const LineBatch& b)
    {
        return std::vector<TPoint>(b.Points.begin(), b.Points.begin() + b.PointCount);
    }
    static std::vector<std::int32_t> UsedCounts(const LineBatch& b)
    {
        return std::vector<std::int32_t>(b.Counts.begin(), b.Counts.begin() + b.PolylineCount);
    }

    RecordingCanvas rec;
};

using P = std::vector<TPoint>;
using C = std::vector<std::int32_t>;

}  // namespace

TEST_F(PrimitivesTest, SegmentsMeetingTheLastPointJoinTheLastPolyline)
{
    AddSegmentA(0, 0, 10, 0);
    AddSegmentA(10, 0, 10, 10);   // starts at the last point: appended
    AddSegmentA(20, 10, 10, 10);  // ends at the last point: its start appended
    EXPECT_EQ(Used(BatchA), (P{{0, 0}, {10, 0}, {10, 10}, {20, 10}}));
    EXPECT_EQ(UsedCounts(BatchA), (C{4}));

    // Touching an earlier point that is not the last one starts a new polyline.
    AddSegmentA(0, 0, 0, 10);
    EXPECT_EQ(UsedCounts(BatchA), (C{4, 2}));
    EXPECT_EQ(BatchA.PointCount, 6);

    // Batch C follows the same rule, independently of A.
    AddSegmentC(5, 5, 6, 6);
    AddSegmentC(7, 7, 6, 6);
    EXPECT_EQ(Used(BatchC), (P{{5, 5}, {6, 6}, {7, 7}}));
    EXPECT_EQ(UsedCounts(BatchC), (C{3}));
    EXPECT_EQ(BatchA.PointCount, 6);
}

TEST_F(PrimitivesTest, BatchBNeverJoins)
{
    AddSegmentB(0, 0, 10, 0);
    AddSegmentB(10, 0, 10, 10);
    AddSegmentB(20, 10, 10, 10);
    EXPECT_EQ(UsedCounts(BatchB), (C{2, 2, 2}));
    RectangleB(1, 2, 3, 4);
    EXPECT_EQ(UsedCounts(BatchB), (C{2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(std::vector<TPoint>(BatchB.Points.begin() + 6, BatchB.Points.begin() + 14),
              (P{{1, 2}, {3, 2}, {3, 2}, {3, 4}, {3, 4}, {1, 4}, {1, 4}, {1, 2}}));
}

TEST_F(PrimitivesTest, RectangleAIsOneClosedPolylineAndAppendExtendsIt)
{
    RectangleA(1, 2, 3, 4);
    EXPECT_EQ(Used(BatchA), (P{{1, 2}, {3, 2}, {3, 4}, {1, 4}, {1, 2}}));
    EXPECT_EQ(UsedCounts(BatchA), (C{5}));
    AppendPointA(9, 9);
    EXPECT_EQ(UsedCounts(BatchA), (C{6}));
    AddSegmentC(0, 0, 1, 1);
    AppendPointC(2, 2);
    EXPECT_EQ(UsedCounts(BatchC), (C{3}));
    // Appending to an empty batch starts a polyline of one point.
    ClearLineBatches();
    AppendPointA(4, 4);
    EXPECT_EQ(BatchA.PointCount, 1);
    EXPECT_EQ(UsedCounts(BatchA), (C{1}));
}

TEST_F(PrimitivesTest, StoresGrowBy128AndAreNotShrunkByAFlush)
{
    AddSegmentB(0, 0, 1, 1);
    EXPECT_EQ(BatchB.Points.size(), 128u);
    EXPECT_EQ(BatchB.Counts.size(), 128u);
    for (int i = 1; i < 64; ++i)
        AddSegmentB(i, 0, i, 1);
    EXPECT_EQ(BatchB.PointCount, 128);
    EXPECT_EQ(BatchB.Points.size(), 128u);
    AddSegmentB(0, 0, 2, 2);  // the 129th point
    EXPECT_EQ(BatchB.Points.size(), 256u);
    EXPECT_EQ(BatchB.Counts.size(), 128u);
    FlushLines();
    EXPECT_EQ(BatchB.Points.size(), 256u);
    AddSegmentB(0, 0, 1, 1);
    EXPECT_EQ(BatchB.Points.size(), 128u);  // the next addition sets the length to 128 again
}

TEST_F(PrimitivesTest, FiveThousandPointsInPairsAreDrawnAs4096Plus904)
{
    for (int i = 0; i < 2500; ++i)
        AddSegmentB(i, 0, i, 5);
    FlushLines();
    const auto calls = rec.RecordsOf(CanvasOp::PolyPolyline);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Points.size(), 4096u);
    EXPECT_EQ(calls[0].Counts.size(), 2048u);
    EXPECT_EQ(calls[1].Points.size(), 904u);
    EXPECT_EQ(calls[1].Counts.size(), 452u);
    // The second call starts right where the first stopped.
    EXPECT_EQ(calls[1].Points.front(), (TPoint{2048, 0}));
}

TEST_F(PrimitivesTest, ALongPolylineGetsACallOfItsOwn)
{
    const std::vector<std::int32_t> counts = {100, 5000, 10};
    std::vector<TPoint> pts;
    for (std::int32_t n : counts)
        for (std::int32_t i = 0; i < n; ++i)
            pts.push_back({i, n});
    DrawPolyPolyline(pts.data(), counts.data(), 3);
    const auto calls = rec.RecordsOf(CanvasOp::PolyPolyline);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Counts, (C{100}));
    EXPECT_EQ(calls[1].Counts, (C{5000}));
    EXPECT_EQ(calls[2].Counts, (C{10}));
    EXPECT_EQ(calls[2].Points.front(), (TPoint{0, 10}));

    rec.ClearRecords();
    DrawPolyPolyline(pts.data(), counts.data(), 0);
    EXPECT_TRUE(rec.Records.empty());  // no call for nothing
    // Exactly 4096 points fit one call.
    const std::vector<std::int32_t> exact = {4000, 96};
    std::vector<TPoint> many(4096);
    DrawPolyPolyline(many.data(), exact.data(), 2);
    EXPECT_EQ(rec.CountOf(CanvasOp::PolyPolyline), 1u);
}

TEST_F(PrimitivesTest, FlushDrawsThickThenMediumThenThinAndEmptiesTheBatches)
{
    rec.Pen.Color = clRed;
    rec.Pen.Style = PenStyle::Dot;
    rec.Brush.Style = BrushStyle::Solid;
    AddSegmentC(0, 0, 1, 1);
    AddSegmentA(0, 0, 2, 2);
    AddSegmentB(0, 0, 3, 3);
    RandSeed = 1234;
    FlushLines(false);
    const auto calls = rec.RecordsOf(CanvasOp::PolyPolyline);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Points.back(), (TPoint{3, 3}));
    EXPECT_EQ(calls[0].Pen.Width, 3);
    EXPECT_EQ(calls[1].Points.back(), (TPoint{2, 2}));
    EXPECT_EQ(calls[1].Pen.Width, 2);
    EXPECT_EQ(calls[2].Points.back(), (TPoint{1, 1}));
    EXPECT_EQ(calls[2].Pen.Width, 1);
    for (const auto& c : calls) {
        EXPECT_EQ(c.Pen.Style, PenStyle::Solid);
        EXPECT_EQ(c.Pen.Color, clBlack);
        EXPECT_EQ(c.Brush.Style, BrushStyle::Clear);
    }
    for (const LineBatch* b : {&BatchA, &BatchB, &BatchC}) {
        EXPECT_EQ(b->PointCount, 0);
        EXPECT_EQ(b->PolylineCount, 0);
    }
    EXPECT_EQ(rec.Pen.Style, PenStyle::Solid);
    EXPECT_EQ(rec.Pen.Color, clBlack);
    EXPECT_EQ(RandSeed, 0u);
    // A flush of empty batches draws nothing but still resets the generator.
    rec.ClearRecords();
    RandSeed = 99;
    FlushLines();
    EXPECT_TRUE(rec.Records.empty());
    EXPECT_EQ(RandSeed, 0u);
}

TEST_F(PrimitivesTest, FlushWithKeepPenUsesTheCallersPen)
{
    rec.Pen.Color = clBlue;
    rec.Pen.Style = PenStyle::Dot;
    AddSegmentA(0, 0, 2, 2);
    AddSegmentC(0, 0, 1, 1);
    FlushLines(true);
    const auto calls = rec.RecordsOf(CanvasOp::PolyPolyline);
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& c : calls) {
        EXPECT_EQ(c.Pen.Color, clBlue);
        EXPECT_EQ(c.Pen.Style, PenStyle::Dot);
    }
    EXPECT_EQ(rec.Pen.Color, clBlue);
}

TEST(RandomGenerator, FollowsTheRuntimeSequence)
{
    RandSeed = 0;
    std::vector<std::int32_t> seq;
    for (int i = 0; i < 6; ++i)
        seq.push_back(Random(1000));
    EXPECT_EQ(seq, (std::vector<std::int32_t>{0, 31, 861, 202, 272, 671}));
    // seed := seed * 134775813 + 1, wrapping at 2^32.
    RandSeed = 0xFFFFFFFFu;
    Random(10);
    EXPECT_EQ(RandSeed, static_cast<std::uint32_t>(0xFFFFFFFFull * 134775813ull + 1ull));
    RandSeed = 0;
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(RandSeed, 1u);
    const double f = RandomFloat();
    EXPECT_GE(f, 0.0);
    EXPECT_LT(f, 1.0);
    RandSeed = 0;
}

TEST_F(PrimitivesTest, ScaledTextHeightsTruncateTowardZero)
{
    SetTextFont("Verdana", -20);
    TextOutScaled(5, 6, 15, "abc");
    SetTextFont("Verdana", -11);
    TextOutScaled(5, 6, 5, "abc");
    const auto texts = rec.RecordsOf(CanvasOp::TextOut);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Font.Height, -30);
    EXPECT_EQ(texts[1].Font.Height, -5);
    EXPECT_EQ(texts[0].Font.Name, "Verdana");
    EXPECT_EQ(texts[0].Brush.Style, BrushStyle::Clear);
    EXPECT_EQ(texts[0].Points[0], (TPoint{5, 6}));
    EXPECT_EQ(ScaledFontHeight(7), -7);  // 7 * -11 = -77, div 10 = -7
    SetTextFont("Verdana", 2000000000);
    EXPECT_EQ(ScaledFontHeight(100), 2147483647);  // clamped, not wrapped
}

TEST_F(PrimitivesTest, TextOutScaledMakesThePlainFont)
{
    SetTextFont("Verdana", -10);
    rec.Font.Weight = FW_BOLD;
    rec.Font.Italic = true;
    rec.Font.Underline = true;
    TextOutScaled(0, 0, 10, "x");
    const auto t = rec.RecordsOf(CanvasOp::TextOut).at(0);
    EXPECT_EQ(t.Font.Weight, FW_NORMAL);
    EXPECT_FALSE(t.Font.Italic);
    EXPECT_FALSE(t.Font.Underline);
}

TEST_F(PrimitivesTest, SetTextFontMeasuresTheLineHeightOnTheCanvas)
{
    rec.SetTextMeasurer(std::make_shared<FixedTextMetrics>(6, 17));
    SetTextFont("Arial", -12);
    EXPECT_EQ(BaseFontName, "Arial");
    EXPECT_EQ(BaseFontHeight, -12);
    EXPECT_EQ(BaseLineHeight, 17);
    EXPECT_EQ(rec.Font.Height, -12);
    rec.Font.Height = -40;
    EXPECT_EQ(TextWidthOf("abcd"), 24);
    EXPECT_EQ(rec.Font.Height, -12);  // the base font is set back first
}

TEST_F(PrimitivesTest, TextOutFramedFramesTheTextWithTheCurrentPenAndBrush)
{
    rec.SetTextMeasurer(std::make_shared<FixedTextMetrics>(5, 10));
    SetTextFont("Verdana", -10);
    rec.Brush.Color = clWhite;
    rec.Brush.Style = BrushStyle::Solid;
    TextOutFramed(20, 30, 15, "42");
    ASSERT_EQ(rec.Records.size(), 2u);
    EXPECT_EQ(rec.Records[0].Op, CanvasOp::Rectangle);
    EXPECT_EQ(rec.Records[0].Rect, (TRect{18, 28, 20 + 10 + 3, 30 + 10 + 3}));
    EXPECT_EQ(rec.Records[0].Brush.Style, BrushStyle::Solid);
    EXPECT_EQ(rec.Records[1].Op, CanvasOp::TextOut);
    EXPECT_EQ(rec.Records[1].Font.Height, -15);
    EXPECT_EQ(rec.Records[1].Brush.Style, BrushStyle::Solid);
}

TEST_F(PrimitivesTest, TextOutAngleUsesItsOwnFontAndLeavesTheCanvasAsItWas)
{
    rec.Font.Name = "Arial";
    rec.Font.Height = -8;
    rec.Font.Weight = FW_BOLD;
    rec.Font.Color = clRed;
    rec.Brush.Style = BrushStyle::Solid;
    TextOutAngle(10, 100, -14, "Depth (m)", "Verdana", 900);
    const auto t = rec.RecordsOf(CanvasOp::TextOut).at(0);
    EXPECT_EQ(t.Font.Name, "Verdana");
    EXPECT_EQ(t.Font.Height, -14);
    EXPECT_EQ(t.Font.Escapement, 900);
    EXPECT_EQ(t.Font.Weight, FW_NORMAL);
    EXPECT_EQ(t.Font.Color, clRed);
    EXPECT_EQ(t.Brush.Style, BrushStyle::Clear);
    EXPECT_EQ(rec.Font.Name, "Arial");
    EXPECT_EQ(rec.Font.Escapement, 0);
    EXPECT_EQ(rec.Brush.Style, BrushStyle::Solid);

    SetTextFont("Verdana", -20);
    rec.ClearRecords();
    TextOutAngleScaled(1, 2, 15, "x", 450);
    const auto s = rec.RecordsOf(CanvasOp::TextOut).at(0);
    EXPECT_EQ(s.Font.Height, -30);
    EXPECT_EQ(s.Font.Escapement, 450);
    EXPECT_EQ(rec.Brush.Style, BrushStyle::Clear);  // the clear brush stays
    EXPECT_EQ(rec.Font.Height, -30);                 // as TextOutScaled sets it
}

TEST_F(PrimitivesTest, FillColorRectFillsOneMorePixelEachWay)
{
    FillColorRect(10, 10, 20, 20, clBlue);
    const auto r = rec.RecordsOf(CanvasOp::Rectangle).at(0);
    EXPECT_EQ(r.Rect, (TRect{10, 10, 22, 22}));
    EXPECT_EQ(r.Pen.Style, PenStyle::Clear);
    EXPECT_EQ(r.Brush.Style, BrushStyle::Solid);
    EXPECT_EQ(r.Brush.Color, clBlue);

    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas c(&img);
        SetDrawCanvas(&c);
        FillColorRect(10, 10, 20, 20, clBlack);
        SetDrawCanvas(&rec);
    }
    for (int i = 0; i < 40; ++i) {
        const bool inside = i >= 10 && i <= 21;
        EXPECT_EQ(img.pixelColor(i, 15) == QColor(0, 0, 0), inside) << i;
        EXPECT_EQ(img.pixelColor(15, i) == QColor(0, 0, 0), inside) << i;
    }
}

TEST_F(PrimitivesTest, FlushedLinesReachTheImage)
{
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas c(&img);
        SetDrawCanvas(&c);
        PenThin = 1;
        AddSegmentC(5, 5, 15, 5);
        AddSegmentC(15, 5, 15, 15);
        FlushLines();
        SetDrawCanvas(&rec);
    }
    EXPECT_EQ(img.pixelColor(5, 5), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(15, 5), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(15, 14), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(15, 15), QColor(255, 255, 255));
}

TEST_F(PrimitivesTest, NothingHappensWithoutACanvas)
{
    SetDrawCanvas(nullptr);
    FillColorRect(0, 0, 1, 1, clBlack);
    TextOutScaled(0, 0, 10, "x");
    AddSegmentA(0, 0, 1, 1);
    FlushLines();
    EXPECT_EQ(BatchA.PointCount, 0);
    EXPECT_TRUE(rec.Records.empty());
}
