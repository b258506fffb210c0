// The recording canvas: what drawing tests read, and its forwarding.
#include <QImage>
#include <gtest/gtest.h>

#include "platform/qpainter_canvas.h"
#include "platform/recording_canvas.h"

TEST(RecordingCanvas, RecordsEachCallWithTheStateOfTheMoment)
{
    RecordingCanvas rec;
    rec.Pen.Width = 4;
    rec.MoveTo(1, 2);
    rec.LineTo(3, 4);
    rec.Pen.Color = clRed;
    rec.Rectangle(0, 0, 5, 5);
    rec.SelectClipRegion(Region(TRect{0, 0, 2, 2}));
    rec.TextOut(7, 8, "été");
    rec.SelectNoClipRegion();
    const TPoint pts[] = {{0, 0}, {1, 1}, {2, 2}};
    const std::int32_t counts[] = {1, 2};
    rec.PolyPolyline(pts, counts, 2);

    ASSERT_EQ(rec.Records.size(), 6u);
    EXPECT_EQ(rec.Records[0].Op, CanvasOp::Polyline);
    EXPECT_EQ(rec.Records[0].Points, (std::vector<TPoint>{{1, 2}, {3, 4}}));
    EXPECT_EQ(rec.Records[0].Pen.Color, clBlack);
    EXPECT_EQ(rec.Records[0].Pen.Width, 4);
    EXPECT_EQ(rec.Records[1].Pen.Color, clRed);
    EXPECT_EQ(rec.Records[1].Rect, (TRect{0, 0, 5, 5}));
    EXPECT_EQ(rec.Records[2].Op, CanvasOp::SetClipRegion);
    EXPECT_TRUE(rec.Records[3].Clipped);
    EXPECT_EQ(rec.Records[3].Text, "été");
    EXPECT_FALSE(rec.Records[4].Rgn.has_value());
    EXPECT_FALSE(rec.Records[5].Clipped);
    EXPECT_EQ(rec.Records[5].Counts, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(rec.Records[5].Points.size(), 3u);
    EXPECT_EQ(rec.CountOf(CanvasOp::Polyline), 1u);
    EXPECT_EQ(rec.RecordsOf(CanvasOp::TextOut).size(), 1u);
}

TEST(RecordingCanvas, DefaultMetricsAreFixedAndInjectedOnesWin)
{
    RecordingCanvas rec;
    EXPECT_EQ(rec.TextExtent("abc"), (TSize{24, 16}));
    EXPECT_EQ(rec.TextExtent("çà"), (TSize{16, 16}));  // characters, not bytes
    rec.SetTextMeasurer(std::make_shared<ProportionalTextMetrics>(50));
    rec.Font.Height = -20;
    EXPECT_EQ(rec.TextExtent("abcd"), (TSize{40, 20}));
    rec.Font.Height = 1;
    EXPECT_EQ(rec.TextExtent("ab"), (TSize{2, 1}));  // at least a pixel per character
}

TEST(RecordingCanvas, FontSizeFollowsTheDeviceResolution)
{
    RecordingCanvas rec;
    rec.Caps.LogPixelsY = 600;
    rec.SetFontSize(12);
    EXPECT_EQ(rec.Font.Height, -100);
    EXPECT_EQ(rec.FontSize(), 12);
    rec.Caps.LogPixelsY = 96;
    rec.SetFontSize(9);
    EXPECT_EQ(rec.Font.Height, -12);
    rec.SetFontSize(10);  // 13.33 -> 13
    EXPECT_EQ(rec.Font.Height, -13);
}

TEST(RecordingCanvas, ForwardsWithItsStateAndMeasuresOnTheTarget)
{
    QImage img(20, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas target(&img);
    target.SetTextMeasurer(std::make_shared<FixedTextMetrics>(3, 9));
    RecordingCanvas rec(&target);
    rec.Pen.Style = PenStyle::Clear;
    rec.Brush.Color = clBlue;
    rec.Rectangle(2, 2, 6, 6);
    EXPECT_EQ(rec.TextExtent("abcd"), (TSize{12, 9}));
    EXPECT_EQ(rec.DeviceCaps().PhysicalWidth, 20);
    EXPECT_TRUE(rec.CanInvert());
    rec.InvertRect(TRect{0, 0, 1, 1});
    EXPECT_EQ(target.Brush.Color, clBlue);
    EXPECT_EQ(img.pixelColor(3, 3), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(6, 6), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(0, 0, 0));
    EXPECT_EQ(rec.Records.size(), 2u);
}
