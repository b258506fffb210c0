// Filling a log's lithology strip: 1,000 x 3,000 pixels of 200 levels, each
// with its colour and pattern, onto an image. Budget: under 20 ms.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <vector>

#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "platform/qpainter_canvas.h"

namespace {

struct Level {
    std::int32_t top, bottom, motif;
    TColor colour;
};

std::vector<Level> MakeLevels(int width, int height, int count)
{
    // Uneven thicknesses (1 to 4 parts) that fill the strip exactly.
    std::vector<int> parts;
    int total = 0;
    for (int i = 0; i < count; ++i) {
        parts.push_back(1 + (i * 7) % 4);
        total += parts.back();
    }
    const TColor colours[] = {RGBColor(254, 254, 173), RGBColor(190, 242, 185), RGBColor(255, 169, 83),
                              RGBColor(113, 113, 255), RGBColor(255, 98, 98), RGBColor(145, 174, 179)};
    std::vector<Level> levels;
    int acc = 0;
    for (int i = 0; i < count; ++i) {
        const int top = acc * height / total;
        acc += parts[static_cast<std::size_t>(i)];
        const int bottom = acc * height / total;
        int motif = 1 + (i * 37) % 98;
        levels.push_back({top, bottom, motif, colours[i % 6]});
    }
    (void)width;
    return levels;
}

void BM_PatternStrip(benchmark::State& state)
{
    const int W = 1000, H = 3000;
    const std::vector<Level> levels = MakeLevels(W, H, 200);
    QImage image(W, H, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainterCanvas canvas(&image);
        SetDrawCanvas(&canvas);
        PenThin = 1;
        PenMedium = 1;
        PenThick = 3;
        for (const Level& l : levels) {
            FillColorRect(0, l.top, W - 1, l.bottom, l.colour);
            canvas.Pen = TPen{};
            DrawMotif(0, l.top, W - 1, l.bottom, l.motif, W, H, false);
            RectangleA(0, l.top, W - 1, l.bottom);
        }
        FlushLines();
        SetDrawCanvas(nullptr);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PatternStrip)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
