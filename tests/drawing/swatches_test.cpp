// Swatches: colour and pattern of a code or an explicit pair, smoothed by
// five-fold drawing and box averaging.
#include <QImage>
#include <gtest/gtest.h>

#include "drawing/primitives.h"
#include "drawing/swatches.h"
#include "platform/qpainter_canvas.h"
#include "platform/recording_canvas.h"
#include "store/options.h"

namespace {

QImage Blank(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(0, 255, 0));
    return img;
}

}  // namespace

TEST(DownsampleBitmap, AveragesEachBlockInPlace)
{
    QImage img(4, 2, QImage::Format_RGB888);
    img.fill(Qt::black);
    img.setPixelColor(0, 0, QColor(255, 0, 0));
    img.setPixelColor(1, 0, QColor(0, 100, 0));
    img.setPixelColor(0, 1, QColor(0, 0, 7));
    img.setPixelColor(2, 0, QColor(4, 4, 4));
    img.setPixelColor(3, 1, QColor(5, 5, 5));
    ASSERT_TRUE(DownsampleBitmap(img, 2));
    EXPECT_EQ(img.size(), QSize(4, 2));  // the caller resizes
    EXPECT_EQ(img.pixelColor(0, 0), QColor(63, 25, 1));  // integer averages
    EXPECT_EQ(img.pixelColor(1, 0), QColor(2, 2, 2));

    QImage img32(3, 3, QImage::Format_RGB32);
    img32.fill(QColor(9, 9, 9));
    img32.setPixelColor(0, 0, QColor(255, 255, 255));
    ASSERT_TRUE(DownsampleBitmap(img32, 2));  // the odd last row and column are left out
    EXPECT_EQ(img32.pixelColor(0, 0), QColor(70, 70, 70));

    QImage argb(2, 2, QImage::Format_ARGB32);
    EXPECT_FALSE(DownsampleBitmap(argb, 2));
    EXPECT_FALSE(DownsampleBitmap(img32, 1));
}

TEST(Swatches, PlainColourSwatchFillsExactlyItsRectangle)
{
    for (bool noSmoothing : {false, true}) {
        OptDesactiverLissage = noSmoothing;
        QImage img = Blank(40, 30);
        {
            QPainterCanvas c(&img);
            DrawMotifSwatch(c, RGBColor(200, 10, 20), 0, TRect{5, 6, 25, 16});
        }
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool inside = x >= 5 && x < 25 && y >= 6 && y < 16;
                EXPECT_EQ(img.pixelColor(x, y), inside ? QColor(200, 10, 20) : QColor(0, 255, 0))
                    << x << "," << y << " smoothing off: " << noSmoothing;
            }
    }
    OptDesactiverLissage = false;
    EXPECT_EQ(DrawingScale, 1);
    EXPECT_EQ(PenMedium, 1);
}

TEST(Swatches, SmoothedPatternStrokesAreGreyAndStayInside)
{
    OptDesactiverLissage = false;
    QImage img = Blank(60, 40);
    {
        QPainterCanvas c(&img);
        DrawMotifSwatch(c, clWhite, 1, TRect{10, 10, 50, 30});  // horizontal lines every 1/12
    }
    bool sawGrey = false;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 50; ++x) {
            const QColor p = img.pixelColor(x, y);
            EXPECT_EQ(p.red(), p.green()) << x << "," << y;  // grey levels only
            if (p.red() > 0 && p.red() < 255)
                sawGrey = true;
        }
    EXPECT_TRUE(sawGrey);
    EXPECT_EQ(img.pixelColor(9, 20), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(50, 20), QColor(0, 255, 0));
    EXPECT_TRUE(SwatchBitmap()->isNull());  // emptied after use
}

TEST(Swatches, PatternAtScaleDrawsStrokesThatWideAndFlushes)
{
    RecordingCanvas rec;
    DrawMotifPattern(rec, clRed, 1, 4, TRect{0, 0, 120, 120});
    ASSERT_FALSE(rec.Records.empty());
    EXPECT_EQ(rec.Records[0].Op, CanvasOp::FillRect);
    EXPECT_EQ(rec.Records[0].Rect, (TRect{0, 0, 120, 120}));
    EXPECT_EQ(rec.Records[0].Brush.Color, clRed);
    const auto lines = rec.RecordsOf(CanvasOp::PolyPolyline);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].Pen.Width, 4);
    EXPECT_EQ(lines[0].Pen.Color, clBlack);
    EXPECT_EQ(BatchA.PointCount, 0);
    EXPECT_EQ(PenMedium, 1);
}

TEST(Swatches, UnknownCodeIsWhiteWithoutPattern)
{
    OptDesactiverLissage = true;
    RecordingCanvas rec;
    DrawCodeSwatch(rec, "?*?", TRect{0, 0, 10, 10});
    ASSERT_EQ(rec.Records.size(), 1u);
    EXPECT_EQ(rec.Records[0].Op, CanvasOp::FillRect);
    EXPECT_EQ(rec.Records[0].Brush.Color, clWhite);
    OptDesactiverLissage = false;
}

TEST(Swatches, TheCurrentCanvasIsLeftToTheCaller)
{
    RecordingCanvas mine, swatch;
    SetDrawCanvas(&mine);
    DrawMotifPattern(swatch, clWhite, 2, 1, TRect{0, 0, 50, 50});
    EXPECT_EQ(DrawCanvas, &mine);
    EXPECT_TRUE(mine.Records.empty());
    SetDrawCanvas(nullptr);
}
