// Writes the pattern catalogue as PNG files for people to review: one image
// per pattern and one sheet of them all, in the build's shots/ folder.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>

#include <memory>

#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "platform/qpainter_canvas.h"

namespace {

const QString kFolder = QStringLiteral(CAROTIX_SHOTS_DIR "/patterns");

// One pattern over a pale background, as a level of a log shows it.
void DrawCell(std::int32_t motif, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, std::int32_t ref)
{
    FillColorRect(l, t, r - 1, b - 1, RGBColor(250, 240, 200));
    DrawCanvas->Pen = TPen{};
    DrawMotif(l, t, r, b, motif, ref, ref, false);
    RectangleA(l, t, r, b);
    FlushLines();
}

int Ink(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(250, 240, 200))
                ++n;
    return n;
}

TEST(PatternCatalogue, WritesOnePicturePerPatternAndASheet)
{
    ASSERT_TRUE(QDir().mkpath(kFolder));
    PenMedium = 1;
    for (int motif = 1; motif <= 110; ++motif) {
        if (!MotifDraws(motif))
            continue;
        QImage img(180, 180, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(&img);
            SetDrawCanvas(&canvas);
            DrawCell(motif, 0, 0, 179, 179, 900);
            SetDrawCanvas(nullptr);
        }
        // Every pattern leaves ink (or its own fill) inside its outline.
        EXPECT_GT(Ink(img.copy(2, 2, 175, 175)), 20) << motif;
        EXPECT_TRUE(img.save(kFolder + QString::asprintf("/motif_%03d.png", motif))) << motif;
    }

    // The sheet: 11 columns of 10 patterns, numbers in red.
    const int cell = 120, cols = 11, rows = 10;
    QImage sheet(cols * cell, rows * cell, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainterCanvas canvas(&sheet);
        SetDrawCanvas(&canvas);
        for (int motif = 1; motif <= 110; ++motif) {
            const int c = (motif - 1) / rows, r = (motif - 1) % rows;
            const int l = c * cell + 4, t = r * cell + 4;
            if (MotifDraws(motif))
                DrawCell(motif, l, t, l + cell - 8, t + cell - 8, 900);
            canvas.Font.Color = clRed;
            canvas.Font.Height = -12;
            canvas.Brush = TBrush{BrushStyle::Solid, clWhite};
            canvas.Pen = TPen{};
            canvas.TextOut(l + 2, t + 2, std::to_string(motif));
        }
        SetDrawCanvas(nullptr);
    }
    EXPECT_TRUE(sheet.save(kFolder + "/sheet.png"));
}

}  // namespace
