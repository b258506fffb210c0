// Pixel behaviour of the QPainter back end on images: the conventions every
// drawing of the program relies on.
#include <QImage>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "platform/qpainter_canvas.h"

namespace {

QImage WhiteImage(int w, int h, QImage::Format format = QImage::Format_RGB32)
{
    QImage img(w, h, format);
    img.fill(Qt::white);
    return img;
}

bool IsBlack(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(0, 0, 0); }
bool IsWhite(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(255, 255, 255); }

// The columns of row y that are not white.
std::vector<int> InkedColumns(const QImage& img, int y)
{
    std::vector<int> xs;
    for (int x = 0; x < img.width(); ++x)
        if (!IsWhite(img, x, y))
            xs.push_back(x);
    return xs;
}

std::vector<int> InkedRows(const QImage& img, int x)
{
    std::vector<int> ys;
    for (int y = 0; y < img.height(); ++y)
        if (!IsWhite(img, x, y))
            ys.push_back(y);
    return ys;
}

std::vector<int> Range(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

// Bounding box of the non-white pixels: left, top, right, bottom inclusive.
QRect InkBox(const QImage& img)
{
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!IsWhite(img, x, y)) {
                l = std::min(l, x);
                t = std::min(t, y);
                r = std::max(r, x);
                b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

}  // namespace

TEST(QPainterCanvasLines, ThinLineLeavesOutItsLastPixel)
{
    QImage img = WhiteImage(20, 20);
    {
        QPainterCanvas c(&img);
        c.Pen.Width = 1;
        c.MoveTo(2, 15);
        c.LineTo(10, 15);  // horizontal: 2..9
        c.MoveTo(15, 2);
        c.LineTo(15, 10);  // vertical: 2..9
        EXPECT_EQ(c.PenPos, (TPoint{15, 10}));
    }
    EXPECT_EQ(InkedColumns(img, 15), Range(2, 9));
    EXPECT_EQ(InkedRows(img, 15), Range(2, 9));
    // Backwards too: from (10, 17) to (2, 17) covers 10 down to 3.
    QImage back = WhiteImage(20, 20);
    {
        QPainterCanvas c(&back);
        c.MoveTo(10, 17);
        c.LineTo(2, 17);
    }
    EXPECT_EQ(InkedColumns(back, 17), Range(3, 10));
    // A slanted line leaves out its end too, and each column is drawn once.
    QImage slant = WhiteImage(20, 20);
    {
        QPainterCanvas c(&slant);
        c.MoveTo(12, 2);
        c.LineTo(2, 7);
    }
    EXPECT_TRUE(IsBlack(slant, 12, 2));
    EXPECT_TRUE(IsWhite(slant, 2, 7));
    for (int x = 3; x <= 12; ++x)
        EXPECT_EQ(InkedRows(slant, x).size(), 1u) << x;
    EXPECT_TRUE(InkedRows(slant, 2).empty());
}

TEST(QPainterCanvasLines, WidthZeroIsOnePixelAndPolylineJoinsDrawEachPixel)
{
    QImage img = WhiteImage(20, 20);
    {
        QPainterCanvas c(&img);
        c.Pen.Width = 0;
        const std::vector<TPoint> pts = {{2, 2}, {12, 2}, {12, 12}};
        c.Polyline(pts);
    }
    EXPECT_EQ(InkedColumns(img, 2), Range(2, 12));  // the corner (12, 2) is drawn by the second segment
    EXPECT_EQ(InkedRows(img, 12), Range(2, 11));    // the very last pixel (12, 12) is left out
    EXPECT_EQ(InkedColumns(img, 3), std::vector<int>{12});
}

TEST(QPainterCanvasLines, PolyPolylineKeepsItsPolylinesApart)
{
    QImage img = WhiteImage(20, 20);
    {
        QPainterCanvas c(&img);
        const TPoint pts[] = {{2, 2}, {10, 2}, {10, 4}, {2, 4}, {2, 6}, {2, 6}};
        const std::int32_t counts[] = {2, 2, 0, 2};
        c.PolyPolyline(pts, counts, 4);
    }
    EXPECT_EQ(InkedColumns(img, 2), Range(2, 9));
    EXPECT_EQ(InkedColumns(img, 4), Range(3, 10));
    EXPECT_TRUE(InkedRows(img, 10) == (std::vector<int>{4}));  // nothing joins (10, 2) to (10, 4)
    EXPECT_TRUE(InkedColumns(img, 6).empty());                 // a zero-length line draws nothing
}

TEST(QPainterCanvasLines, WidePenIsCentredWithRoundCaps)
{
    QImage img = WhiteImage(40, 40);
    {
        QPainterCanvas c(&img);
        c.Pen.Width = 5;
        c.MoveTo(10, 20);
        c.LineTo(30, 20);
    }
    // Rows 18..22 (centred on 20), and the round caps reach past both ends.
    EXPECT_EQ(InkedRows(img, 20), Range(18, 22));
    const QRect box = InkBox(img);
    EXPECT_EQ(box.top(), 18);
    EXPECT_EQ(box.bottom(), 22);
    EXPECT_LE(box.left(), 9);
    EXPECT_GE(box.right(), 31);
    // A round cap leaves the corners of the square cap empty.
    EXPECT_TRUE(IsWhite(img, box.left(), 18));
}

TEST(QPainterCanvasLines, ClearPenDrawsNothingAndDottedPenSkipsPixels)
{
    QImage img = WhiteImage(30, 10);
    {
        QPainterCanvas c(&img);
        c.Pen.Style = PenStyle::Clear;
        c.MoveTo(0, 2);
        c.LineTo(30, 2);
        c.Pen.Style = PenStyle::Dot;
        c.MoveTo(0, 6);
        c.LineTo(20, 6);
    }
    EXPECT_TRUE(InkedColumns(img, 2).empty());
    // One pixel on, one off, from the first pixel; the last is left out.
    EXPECT_EQ(InkedColumns(img, 6), (std::vector<int>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18}));
}

// Filled shapes leave out their right and bottom edges, whichever corner
// comes first; a clear brush or an empty clip region draws nothing.
TEST(QPainterCanvasShapes, FilledShapesCoverExactlyTheirBox)
{
    struct Case {
        const char* what;
        std::function<void(QPainterCanvas&)> draw;
        QRect box;
    };
    const QRect tenToNineteen(QPoint(10, 10), QPoint(19, 19));
    const Case cases[] = {
        {"rectangle", [](QPainterCanvas& c) { c.Rectangle(10, 10, 20, 20); }, tenToNineteen},
        {"reversed rectangle", [](QPainterCanvas& c) { c.Rectangle(20, 20, 10, 10); }, tenToNineteen},
        {"polygon", [](QPainterCanvas& c) { c.Polygon(std::vector<TPoint>{{10, 10}, {20, 10}, {20, 20}, {10, 20}}); },
         tenToNineteen},
        {"clear brush", [](QPainterCanvas& c) {
             c.Brush.Style = BrushStyle::Clear;
             c.FillRect(TRect{0, 0, 5, 5});
         }, QRect()},
        {"empty clip region", [](QPainterCanvas& c) {
             c.SelectClipRegion(Region());
             c.FillRect(TRect{0, 0, 10, 10});
         }, QRect()},
    };
    for (const Case& k : cases) {
        QImage img = WhiteImage(30, 30);
        {
            QPainterCanvas c(&img);
            c.Pen.Style = PenStyle::Clear;
            c.Brush.Color = clBlack;
            k.draw(c);
        }
        EXPECT_EQ(InkBox(img), k.box) << k.what;
    }
}

TEST(QPainterCanvasShapes, RectangleOutlineRunsAlongItsOutermostPixels)
{
    QImage img = WhiteImage(30, 30);
    {
        QPainterCanvas c(&img);
        c.Pen.Color = clBlack;
        c.Brush.Color = clRed;
        c.Rectangle(5, 5, 15, 12);
    }
    EXPECT_EQ(InkBox(img), QRect(QPoint(5, 5), QPoint(14, 11)));
    for (int x = 5; x <= 14; ++x) {
        EXPECT_TRUE(IsBlack(img, x, 5)) << x;
        EXPECT_TRUE(IsBlack(img, x, 11)) << x;
    }
    for (int y = 5; y <= 11; ++y) {
        EXPECT_TRUE(IsBlack(img, 5, y)) << y;
        EXPECT_TRUE(IsBlack(img, 14, y)) << y;
    }
    EXPECT_EQ(img.pixelColor(8, 8), QColor(255, 0, 0));  // $0000FF is red
}

TEST(QPainterCanvasShapes, ColoursAreRedPlusGreenTimes256PlusBlueTimes65536)
{
    QImage img = WhiteImage(3, 1, QImage::Format_RGB888);
    {
        QPainterCanvas c(&img);
        c.SetPixel(0, 0, 0xFF0000);
        c.SetPixel(1, 0, 0x0000FF);
        c.SetPixel(2, 0, RGBColor(10, 20, 30));
    }
    EXPECT_EQ(img.pixelColor(0, 0), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(1, 0), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(2, 0), QColor(10, 20, 30));
    EXPECT_EQ(RGBColor(10, 20, 30), 10u + 20u * 256u + 30u * 65536u);
}

TEST(QPainterCanvasShapes, EllipseStaysInsideItsRectangle)
{
    QImage img = WhiteImage(30, 30);
    {
        QPainterCanvas c(&img);
        c.Brush.Color = clBlue;
        c.Ellipse(TRect{5, 8, 25, 20});
    }
    EXPECT_EQ(InkBox(img), QRect(QPoint(5, 8), QPoint(24, 19)));
    EXPECT_EQ(img.pixelColor(15, 14), QColor(0, 0, 255));
    EXPECT_TRUE(IsWhite(img, 5, 8));  // the corners stay out
}

TEST(QPainterCanvasRegions, FillFrameAndClip)
{
    QImage img = WhiteImage(40, 40);
    const Region r = Region::FromRect(10, 10, 20, 20);
    {
        QPainterCanvas c(&img);
        c.FrameRegion(r, clBlack);
    }
    // The frame lies inside the region: columns 10 and 19, rows 10 and 19.
    EXPECT_EQ(InkBox(img), QRect(QPoint(10, 10), QPoint(19, 19)));
    EXPECT_TRUE(IsBlack(img, 10, 15));
    EXPECT_TRUE(IsBlack(img, 19, 15));
    EXPECT_TRUE(IsBlack(img, 15, 19));
    EXPECT_TRUE(IsWhite(img, 11, 15));
    EXPECT_TRUE(IsWhite(img, 15, 15));

    QImage img2 = WhiteImage(40, 40);
    {
        QPainterCanvas c(&img2);
        c.SelectClipRegion(Region::FromRect(0, 0, 15, 40));
        c.Brush.Color = clBlack;
        c.FillRegion(r);
        c.SelectNoClipRegion();
        EXPECT_FALSE(c.ClipRegion().has_value());
        c.SetPixel(30, 30, clBlack);
    }
    EXPECT_TRUE(IsBlack(img2, 14, 15));
    EXPECT_TRUE(IsWhite(img2, 15, 15));
    EXPECT_TRUE(IsBlack(img2, 30, 30));
}

TEST(QPainterCanvasInversion, InvertsOnImagesWithoutAlpha)
{
    for (QImage::Format f : {QImage::Format_RGB32, QImage::Format_RGB888}) {
        QImage img = WhiteImage(10, 10, f);
        img.setPixelColor(3, 3, QColor(10, 20, 30));
        {
            QPainterCanvas c(&img);
            EXPECT_TRUE(c.CanInvert());
            c.InvertRect(TRect{2, 2, 5, 5});
            c.InvertRegion(Region::FromRect(7, 7, 8, 8));
        }
        EXPECT_EQ(img.pixelColor(3, 3), QColor(245, 235, 225));
        EXPECT_EQ(img.pixelColor(2, 2), QColor(0, 0, 0));
        EXPECT_EQ(img.pixelColor(4, 4), QColor(0, 0, 0));
        EXPECT_EQ(img.pixelColor(5, 5), QColor(255, 255, 255));  // right/bottom excluded
        EXPECT_EQ(img.pixelColor(7, 7), QColor(0, 0, 0));
        EXPECT_EQ(img.pixelColor(7, 7).alpha(), 255);
    }
}

TEST(QPainterCanvasText, PlacedByTheTopLeftOfItsCellWhichASolidBrushFills)
{
    for (const bool solid : {false, true}) {
        QImage img = WhiteImage(200, 100);
        TSize ext;
        {
            QPainterCanvas c(&img);
            c.Font.Name = "DejaVu Sans";
            c.Font.Height = -20;
            c.Brush.Color = clBlue;
            if (!solid) c.Brush.Style = BrushStyle::Clear;
            ext = c.TextExtent("HHHH");
            c.TextOut(50, 30, "HHHH");
        }
        const QRect box = InkBox(img);
        if (solid) {
            EXPECT_EQ(box, QRect(50, 30, ext.cx, ext.cy));
            EXPECT_EQ(img.pixelColor(50, 30), QColor(0, 0, 255));
            continue;
        }
        // Capital letters start near the left of the cell and below its top,
        // and stay inside the cell.
        ASSERT_FALSE(box.isNull());
        EXPECT_GE(box.left(), 50);
        EXPECT_LE(box.left(), 54);
        EXPECT_GT(box.top(), 30);
        EXPECT_LE(box.bottom(), 30 + ext.cy);
        EXPECT_LE(box.right(), 50 + ext.cx);
        EXPECT_GE(ext.cy, 20);
        EXPECT_LE(ext.cy, 26);
    }
}

TEST(QPainterCanvasText, PositiveHeightIsTheCellHeight)
{
    QImage img = WhiteImage(10, 10);
    QPainterCanvas c(&img);
    c.Font.Name = "DejaVu Sans";
    c.Font.Height = 40;
    const int cell = c.TextHeight("Hg");
    EXPECT_GE(cell, 39);
    EXPECT_LE(cell, 41);
    c.Font.Height = -40;
    EXPECT_GT(c.TextHeight("Hg"), 44);  // a 40-pixel character has a taller cell
}

TEST(QPainterCanvasText, RotatedTextRunsUpward)
{
    QImage img = WhiteImage(100, 200);
    TSize ext;
    {
        QPainterCanvas c(&img);
        c.Font.Name = "DejaVu Sans";
        c.Font.Height = -16;
        c.Font.Escapement = 900;
        c.Brush.Style = BrushStyle::Clear;
        ext = c.TextExtent("HHHHHHHH");
        c.TextOut(40, 150, "HHHHHHHH");
    }
    const QRect box = InkBox(img);
    ASSERT_FALSE(box.isNull());
    // Turned a quarter counter-clockwise around (40, 150): the text runs up
    // from y = 150 and its cell lies to the right of x = 40.
    EXPECT_GT(box.height(), box.width());
    EXPECT_LE(box.bottom(), 150);
    EXPECT_GE(box.top(), 150 - ext.cx - 1);
    EXPECT_GE(box.left(), 40);
    EXPECT_LE(box.right(), 40 + ext.cy);
}

TEST(QPainterCanvasText, TextRectClipsAndFillsItsRectangle)
{
    QImage img = WhiteImage(200, 60);
    {
        QPainterCanvas c(&img);
        c.Font.Name = "DejaVu Sans";
        c.Font.Height = -20;
        c.Brush.Style = BrushStyle::Clear;
        c.TextRect(TRect{10, 10, 30, 40}, 10, 10, "HHHHHHHHHH");
    }
    const QRect box = InkBox(img);
    EXPECT_GE(box.left(), 10);
    EXPECT_LE(box.right(), 29);
}

TEST(QPainterCanvasText, MeasuredOnTheTargetDevice)
{
    QImage img = WhiteImage(10, 10);
    QPainterCanvas screen(&img);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(::testing::TempDir() + "/canvas_measure.pdf"));
    QPainterCanvas paper(&printer);
    screen.SetFontSize(12);
    paper.SetFontSize(12);
    EXPECT_EQ(screen.Font.Height, -16);   // 12 pt at 96 dpi
    EXPECT_EQ(paper.Font.Height, -200);   // 12 pt at 1,200 dpi
    EXPECT_GT(paper.TextWidth("Carotix"), 8 * screen.TextWidth("Carotix"));
    const TDeviceCaps caps = paper.DeviceCaps();
    EXPECT_EQ(caps.LogPixelsX, 1200);
    EXPECT_GT(caps.PhysicalWidth, caps.HorzRes);
    EXPECT_GT(caps.PhysicalOffsetX, 0);
    EXPECT_FALSE(paper.CanInvert());  // printers and PDF cannot invert pixels
    paper.InvertRect(TRect{0, 0, 100, 100});
}

TEST(QPainterCanvasText, PrintedTextReachesThePdf)
{
    const QString file = QString::fromStdString(::testing::TempDir() + "/canvas_text.pdf");
    QFile::remove(file);
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        QPainterCanvas c(&printer);
        c.SetFontSize(12);
        c.Brush.Style = BrushStyle::Clear;
        c.TextOut(100, 100, "Profondeur été");
        c.Font.Escapement = 900;
        c.TextOut(500, 3000, "Depth");
        c.Pen.Width = 8;
        c.MoveTo(100, 400);
        c.LineTo(4000, 400);
    }
    ASSERT_TRUE(QFile::exists(file));
    QProcess p;
    p.start("pdftotext", {file, "-"});
    if (!p.waitForStarted())
        GTEST_SKIP() << "pdftotext is not installed";
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QString::fromUtf8("Profondeur été"))) << text.toStdString();
    EXPECT_TRUE(text.contains("Depth")) << text.toStdString();
}

TEST(QPainterCanvasHuge, HugeCoordinatesAreClippedWithoutCrash)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    QImage img = WhiteImage(50, 50);
    {
        QPainterCanvas c(&img);
        c.Pen.Width = 3;
        c.MoveTo(kMin, 25);
        c.LineTo(kMax, 25);  // a horizontal line across the whole image
        c.Pen.Width = 1;
        c.Polyline(std::vector<TPoint>{{kMin, kMin}, {kMax, kMax}});
        c.Brush.Color = clBlack;
        c.Pen.Style = PenStyle::Clear;
        c.Rectangle(kMin, kMin, kMax, 2);
        c.Polygon(std::vector<TPoint>{{kMin, 45}, {kMax, 45}, {kMax, kMax}, {kMin, kMax}});
        c.Ellipse(TRect{kMin, kMin, kMax, kMax});
        c.TextOut(kMax, kMax, "x");
        c.SetPixel(kMin, kMin, clBlack);
        QImage pic(4, 4, QImage::Format_RGB32);
        pic.fill(Qt::black);
        c.StretchDraw(TRect{kMin, kMin, kMax, kMax}, pic);
        c.Draw(kMax, kMax, pic);
        c.SelectClipRegion(Region::FromPolygon(std::vector<TPoint>{{kMin, 0}, {kMax, 0}, {kMax, 100}}));
        c.FillRect(TRect{0, 0, 50, 50});
    }
    EXPECT_TRUE(IsBlack(img, 0, 25));
    EXPECT_TRUE(IsBlack(img, 49, 25));
    EXPECT_TRUE(IsBlack(img, 10, 0));
    EXPECT_TRUE(IsBlack(img, 10, 47));
}
