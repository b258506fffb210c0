// From file to filled list: opening a collection of 5,000 boreholes in a new
// collection window of the main window (load, snapshot, rows, cells, column
// widths). Budget: under 1 s per opening in a release build.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMdiSubWindow>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

std::filesystem::path gFolder;
std::string gFile;

void BuildCollectionFile(int count)
{
    TDirBlock root("Carotix");
    root.SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
    static const char* const kTowns[] = {"Rennes", "Vitr\xC3\xA9", "Redon", "Foug\xC3\xA8res", "Dinan"};
    for (int i = 0; i < count; ++i) {
        const std::string name = "S" + std::to_string(100000 + i).substr(1);
        const std::string d = name + "\\";
        const double depth = 5.0 + (i * 37) % 120;
        root.SetPathString(d + "Ouvrage\\D\xC3\xA9sign", 0, btString, name);
        root.SetPathFloat(d + "Ouvrage\\Prof", 0, btFloat, depth);
        root.SetPathFloat(d + "Ouvrage\\Z", 0, btFloat, 20.0 + (i * 13) % 90);
        root.SetPathString(d + "Dossier\\Nature", 0, btString, i % 2 ? "Forage" : "Puits");
        root.SetPathString(d + "Dossier\\Lieu-Dit", 0, btString, "Lieu " + std::to_string(i % 97));
        root.SetPathString(d + "Dossier\\Commune", 0, btString, kTowns[i % 5]);
        for (int l = 0; l < 8; ++l) {
            root.SetPathFloat(d + "Niveau\\Deb", l, btFloat, depth * l / 8);
            root.SetPathFloat(d + "Niveau\\Fin", l, btFloat, depth * (l + 1) / 8);
            root.SetPathString(d + "Niveau\\CodeNiv", l, btString, l % 2 ? "CAL1941" : "LIM1802");
            root.SetPathString(d + "Niveau\\Litho", l, btString, "Calcaire beige fissur\xC3\xA9");
        }
    }
    gFile = (gFolder / "grande.crx").string();
    root.SaveToFile(gFile);
}

void BM_OpenCollection(benchmark::State& state)
{
    TFMain main;
    main.show();
    for (auto _ : state) {
        TFChild* child = main.OpenCollectionFile(gFile);
        benchmark::DoNotOptimize(child->GridLineCount());
        state.PauseTiming();
        child->TakeSnapshot();
        child->parentWidget()->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["boreholes"] = 5000;
}
BENCHMARK(BM_OpenCollection)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetDecimalSeparator(',');
    gFolder = std::filesystem::temp_directory_path() / ("carotix_bench_open_" + std::to_string(::getpid()));
    std::filesystem::remove_all(gFolder);
    std::filesystem::copy(CAROTIX_DATA_DIR, gFolder, std::filesystem::copy_options::recursive);
    OptionsInitialize(gFolder);
    BuildCollectionFile(5000);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    OptionsRelease();
    std::filesystem::remove_all(gFolder);
    return 0;
}
