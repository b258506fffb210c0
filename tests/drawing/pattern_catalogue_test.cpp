// The pattern catalogue: every pattern drawn on two cell sizes, each picture
// checked against its recorded checksum (pattern_checksums.txt), so that one
// wrong element of one pattern shows. The pictures, a sheet of them all and
// the checksums found are written to the build's shots/patterns folder for
// people to review; after a wanted change of a pattern, look at its picture
// there and copy its line of checksums.txt into pattern_checksums.txt.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>

#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "platform/qpainter_canvas.h"

namespace {

const QString kFolder = QStringLiteral(CAROTIX_SHOTS_DIR "/patterns");

// One pattern over a pale background, as a level of a log shows it.
void DrawCell(std::int32_t motif, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
{
    FillColorRect(l, t, r - 1, b - 1, RGBColor(250, 240, 200));
    DrawCanvas->Pen = TPen{};
    RandSeed = 0;
    DrawMotif(l, t, r, b, motif, r - l, r - l, false);
    RectangleA(l, t, r, b);
    FlushLines();
}

QImage DrawAlone(std::int32_t motif, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainterCanvas canvas(&img);
    SetDrawCanvas(&canvas);
    DrawCell(motif, 0, 0, w - 1, h - 1);
    SetDrawCanvas(nullptr);
    return img;
}

// FNV-1a over the colours of the pixels, row by row.
std::uint32_t Checksum(const QImage& img)
{
    std::uint32_t h = 2166136261u;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y) & 0xFFFFFF;
            for (int k = 0; k < 3; ++k) h = (h ^ ((p >> (8 * k)) & 0xFF)) * 16777619u;
        }
    return h;
}

std::map<int, std::string> RecordedChecksums()
{
    std::map<int, std::string> out;
    std::ifstream in(CAROTIX_SOURCE_DIR "/tests/drawing/pattern_checksums.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        out[std::stoi(line)] = line;
    }
    return out;
}

TEST(PatternCatalogue, EveryPatternMatchesItsRecordedPictures)
{
    ASSERT_TRUE(QDir().mkpath(kFolder));
    const auto recorded = RecordedChecksums();
    EXPECT_EQ(recorded.size(), 109u);
    PenMedium = 1;
    std::ofstream found((kFolder + "/checksums.txt").toStdString());
    // A square, and a tall odd width where many positions fall half way.
    const int sizes[][2] = {{180, 180}, {106, 211}};
    for (int motif = 1; motif <= 110; ++motif) {
        if (!MotifDraws(motif)) continue;
        std::ostringstream line;
        line << motif;
        for (const auto& size : sizes) {
            const QImage img = DrawAlone(motif, size[0], size[1]);
            char hex[16];
            std::snprintf(hex, sizeof hex, " %08x", Checksum(img));
            line << hex;
            EXPECT_TRUE(img.save(kFolder + QString::asprintf("/motif_%03d_%dx%d.png", motif, size[0], size[1])));
        }
        found << line.str() << "\n";
        const auto it = recorded.find(motif);
        EXPECT_TRUE(it != recorded.end() && it->second == line.str())
            << "pattern " << motif << " drew " << line.str() << ", see " << kFolder.toStdString();
    }

    // The sheet: 11 columns of 10 patterns, numbers in red.
    const int cell = 120, rows = 10;
    QImage sheet(11 * cell, rows * cell, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainterCanvas canvas(&sheet);
        SetDrawCanvas(&canvas);
        for (int motif = 1; motif <= 110; ++motif) {
            const int l = (motif - 1) / rows * cell + 4, t = (motif - 1) % rows * cell + 4;
            if (MotifDraws(motif)) DrawCell(motif, l, t, l + cell - 8, t + cell - 8);
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
