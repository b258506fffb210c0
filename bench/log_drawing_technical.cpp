// Drawing whole logs with their technical column and title block, as the log
// window, the printer and the metafile export do. The budgets of the log
// drawing hold with the equipment drawn (release build):
//   - a 60-level well into a 1000 x 1414 image: under 15 ms;
//   - a 1,000-level well into the same image: under 100 ms;
//   - the log window's three-times smoothed buffer (3000 x 4242, 24 bits per
//     pixel) of the 60-level well: under 150 ms.
// The wells carry an open hole in two diameters, cemented and screened
// casing with centralisers, a reducing cone, gravel pack, a bentonite seal,
// backfill, a second tube with fill between tubes, and a water level.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include "drawing/bandeau.h"
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

// The program folder of the build (settings, lexicons, code models, title
// block), opened read-only in effect: drawing writes nothing.
void LoadProgramSettings()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    OptionsInitialize(std::filesystem::path(CAROTIX_PROGRAM_DIR));
    LoadModelInto(CurrentCodeModel(), *IniModeles, "Standard");
    BandeauChargerCarotix();
}

// A well of `levels` levels over `depth` metres with its whole equipment,
// scaled to the depth.
void BuildEquippedWell(TDirBlock& root, int levels, double depth)
{
    TDirBlock& bh = AddSampleBorehole(root, "F1");
    SetSampleOuvrage(bh, "F1", depth, 160.0, depth * 0.2);
    AddSampleLevels(bh, GeneratedLevels(levels, depth));
    auto d = [depth](double fraction) { return depth * fraction; };
    using C = std::vector<std::pair<std::string, SampleCell>>;
    AppendSampleRow(bh, "Trou-nu", C{{"Deb", 0.0}, {"Fin", d(0.3)}, {"Diam", 450.0}, {"Méthode", std::int32_t(1)},
                                     {"Fluide", std::int32_t(3)}});
    AppendSampleRow(bh, "Trou-nu", C{{"Deb", d(0.3)}, {"Fin", depth}, {"Diam", 311.0}, {"Méthode", std::int32_t(2)},
                                     {"Fluide", std::int32_t(1)}});
    auto casing = [&](const char* tube, double from, double to, double diam, int type, int centr) {
        AppendSampleRow(bh, "Tubage", C{{"Deb", from}, {"Fin", to}, {"Diam", diam}, {"Type", std::int32_t(type)},
                                        {"Nature", std::int32_t(4)}, {"NbCentr", std::int32_t(centr)},
                                        {"NomTube", std::string(tube)}});
    };
    casing("", 0, d(0.25), 350, 1, 2);
    casing("", d(0.25), d(0.3), 350, 3, 0);
    casing("", d(0.3), d(0.7), 200, 1, 4);
    casing("", d(0.7), d(0.9), 200, 2, 4);
    casing("", d(0.9), d(0.95), 200, 5, 0);
    casing("", d(0.95), d(0.96), 200, 4, 0);
    casing("PMT2", 0, d(0.5), 90, 1, 0);
    casing("PMT2", d(0.5), d(0.6), 90, 2, 0);
    auto fill = [&](const char* table, double from, double to, int type, int nature, int num) {
        AppendSampleRow(bh, table, C{{"Deb", from}, {"Fin", to}, {"Type", std::int32_t(type)},
                                     {"Nature", std::int32_t(nature)}, {"GranDe", 2.0}, {"GranA", 4.0},
                                     {"Num", std::int32_t(num)}});
    };
    fill("Annulaire", 0, d(0.2), 1, 1, 0);
    fill("Annulaire", d(0.2), d(0.25), 4, 2, 0);
    fill("Annulaire", d(0.25), d(0.96), 2, 1, 0);
    fill("Annulaire", d(0.96), depth, 3, 1, 0);
    fill("AnnulaireInterne", 0, d(0.4), 4, 2, 1);
    fill("AnnulaireInterne", d(0.4), d(0.6), 2, 2, 1);
}

void DrawLog(benchmark::State& state, int levels, double depth, int w, int h, QImage::Format format)
{
    LoadProgramSettings();
    TDirBlock root("Carotix");
    BuildEquippedWell(root, levels, depth);
    QImage image(w, h, format);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainterCanvas canvas(&image);
        const bool ok = DessinerCoupe(root, "F1", "F1", "", canvas, 0, 0, w - 1, h - 1, MissingFloat, MissingFloat, true);
        benchmark::DoNotOptimize(ok);
    }
    SetDrawCanvas(nullptr);
}

void BM_Technical60Levels(benchmark::State& state) { DrawLog(state, 60, 120.0, 1000, 1414, QImage::Format_RGB32); }
void BM_Technical1000Levels(benchmark::State& state)
{
    DrawLog(state, 1000, 800.0, 1000, 1414, QImage::Format_RGB32);
}
void BM_Technical60LevelsSmoothed(benchmark::State& state)
{
    DrawLog(state, 60, 120.0, 3000, 4242, QImage::Format_RGB888);
}

}  // namespace

BENCHMARK(BM_Technical60Levels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Technical1000Levels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Technical60LevelsSmoothed)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    OptionsRelease();
    return 0;
}
