// The CSV export of a collection of 1,025,000 levels (about 67 MB, beyond the
// 64 MiB that the program's settings and word lists may hold) imports back
// whole. Budget: the import of a million level lines in about 2.2 s, its
// peak memory about 240 MB above what the program held before it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "exchange/csv_exchange.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/field_defs.h"
#include "store/options.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBoreholes = 5000;
// Per borehole: 1,025,000 in all, unless CAROTIX_BENCH_LEVELS says otherwise
// (to compare with a program that reads no more than 64 MiB).
const int kLevels = std::getenv("CAROTIX_BENCH_LEVELS") ? std::atoi(std::getenv("CAROTIX_BENCH_LEVELS")) : 205;

const char* const kLitho[] = {
    "Terre v\xC3\xA9g\xC3\xA9tale limoneuse brune",
    "Graviers et galets, matrice sableuse grise",
    "Molasse gr\xC3\xA9seuse jaune; passages marneux",
    "Argile \"plastique\" grise",
    "Calcaire marneux fractur\xC3\xA9",
};

std::int64_t StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::string(field).size());
    return -1;
}

// The peak of the resident memory starts again from what is resident now.
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Folder {
    fs::path path;
    Folder()
    {
        char pattern[] = "/tmp/carotix-bench-csv-XXXXXX";
        if (const char* made = mkdtemp(pattern)) path = made;
        for (const char* name : {"edition.ini", "csv.ini"})
            fs::copy_file(fs::path(CAROTIX_DATA_DIR) / name, path / name, fs::copy_options::overwrite_existing);
        OptionsInitialize(path);
        SetFieldDefReporter([](const std::string&) {});
    }
    ~Folder()
    {
        OptionsRelease();
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Niveaux.csv of the generated collection, written by the program's export.
std::string ExportLevels(const Folder& folder)
{
    TDirBlock root("Carotix");
    std::vector<CsvExportRow> rows;
    for (int b = 0; b < kBoreholes; ++b) {
        const std::string indice = "0698" + IntToStr(10000 + b) + "X0";
        TDirBlock* niveau = root.GetOrCreateSubDir(indice, false)->ForceDir("Niveau");
        for (int l = 0; l < kLevels; ++l) {
            niveau->SetPathString("D\xC3\xA9sign", l, btString, "F1");
            niveau->SetPathFloat("Deb", l, btFloat, l * 1.25);
            niveau->SetPathFloat("Fin", l, btFloat, (l + 1) * 1.25);
            niveau->SetPathString("Litho", l, btString, kLitho[l % 5]);
            niveau->SetPathString("CodeNiv", l, btString, "CODE" + IntToStr(l % 7));
            niveau->SetPathString("Strati", l, btString, "Quaternaire");
        }
        rows.push_back({indice, "F1"});
    }
    const std::string file = (folder.path / "Niveaux.csv").string();
    CsvReport report;
    ExportCsvFile(file, "Niveaux", root, rows, report);
    return file;
}

void BM_ImportExportedLevels(benchmark::State& state)
{
    ScopedDecimalSeparator comma(',');
    Folder folder;
    const std::string file = ExportLevels(folder);
    const auto bytes = fs::file_size(file);
    std::int64_t rows = 0, peakKb = 0;
    for (auto _ : state) {
        auto root = std::make_unique<TDirBlock>("Carotix");
        const std::int64_t before = StatusKb("VmRSS:");
        ResetPeakMemory();
        CsvReport report;
        try {
            ImportCsvFile(file, *root, report);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
        peakKb = StatusKb("VmHWM:") - before;
        rows = report.Rows;
        if (rows != static_cast<std::int64_t>(kBoreholes) * kLevels || root->ItemCount() != kBoreholes)
            state.SkipWithError("the exported file did not import whole");
        state.PauseTiming();
        root.reset();  // freeing the tree is not the import's cost
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
}

} // namespace

BENCHMARK(BM_ImportExportedLevels)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
