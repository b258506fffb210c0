// Drawing whole logs with DessinerCoupe, as the log window, the printer and
// the metafile export do. Budgets (release build):
//   - a 60-level borehole into a 1000 x 1414 image: under 15 ms;
//   - a 1,000-level borehole into the same image: under 100 ms;
//   - the log window's three-times smoothed buffer (3000 x 4242, 24 bits per
//     pixel) of the 60-level borehole: under 150 ms (the window gives up
//     smoothing past 500 ms).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include "drawing/code_models.h"
#include "drawing/log_drawing.h"
#include "drawing/primitives.h"
#include "platform/base/ini_file.h"
#include "platform/qpainter_canvas.h"
#include "store/options.h"

// The sample boreholes of the tests (Qt-free, store only), built in here
// because the benchmarks are built without the test libraries.
#include "../tests/support/sample_boreholes.cpp"

namespace {

// The shipped colours and code model, as the program draws with them.
void LoadDrawingSettings()
{
    for (std::size_t i = 0; i < ColourTable.size(); ++i)
        ColourTable[i] = ColourFromText(kDefaultColourTexts[i]);
    const TIniFile modeles(std::filesystem::path(CAROTIX_DATA_DIR) / "modeles.ini");
    LoadModelInto(CurrentCodeModel(), modeles, "Standard");
}

void DrawLog(benchmark::State& state, int levels, double depth, int w, int h, QImage::Format format)
{
    LoadDrawingSettings();
    TDirBlock root("Carotix");
    BuildDeepBorehole(root, "F1", levels, depth);
    QImage image(w, h, format);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainterCanvas canvas(&image);
        const bool ok = DessinerCoupe(root, "F1", "F1", "", canvas, 0, 0, w - 1, h - 1, MissingFloat, MissingFloat, true);
        benchmark::DoNotOptimize(ok);
    }
    SetDrawCanvas(nullptr);
}

void BM_Log60Levels(benchmark::State& state) { DrawLog(state, 60, 120.0, 1000, 1414, QImage::Format_RGB32); }
void BM_Log1000Levels(benchmark::State& state) { DrawLog(state, 1000, 800.0, 1000, 1414, QImage::Format_RGB32); }
void BM_Log60LevelsSmoothed(benchmark::State& state)
{
    DrawLog(state, 60, 120.0, 3000, 4242, QImage::Format_RGB888);
}

}  // namespace

BENCHMARK(BM_Log60Levels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Log1000Levels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Log60LevelsSmoothed)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
