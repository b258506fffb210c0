// Saving and loading a large collection: 20,000 boreholes, each with its record
// sheet ("Ouvrage"), 30 levels with descriptions and codes ("Niveau"), casing,
// annular fill and open hole.
//
// Budget on one core, release build: load at 250 MB/s or more, save at 400 MB/s
// or more, and a loaded tree taking at most three times the file's size in
// memory. The counters print the measured figures; the rates are per second of
// the process's own time (saving waits for the disk on top, in fsync).
#include "store/crx_file.h"

#include "platform/base/rtl_numbers.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kBoreholes = 20000;
constexpr int kLevels = 30;

const char* const kDescriptions[] = {
    "Argile sableuse brune à graviers, humide",
    "Sable fin à moyen, gris, bien trié, aquifère",
    "Calcaire fissuré beige, karstifié, pertes totales de boue entre 32 et 34 m",
    "Marne grise compacte",
    "Graviers et galets roulés dans une matrice sableuse, venues d'eau",
    "Terre végétale",
};
const char* const kCodes[] = {"AS", "SF", "CK", "MG", "GG", "TV"};

std::string BoreholeName(int k)
{
    std::string digits = IntToStr(k);
    return "F" + std::string(6 - digits.size(), '0') + digits;
}

template <class T>
T* Add(TDirBlock* dir, std::unique_ptr<T> block)
{
    T* raw = block.get();
    dir->AddChild(std::move(block), true);
    return raw;
}

std::unique_ptr<TStrArrayBlock> TextColumn(const std::string& name, int rows, const std::function<std::string(int)>& f)
{
    auto col = std::make_unique<TStrArrayBlock>(name);
    for (int r = 0; r < rows; ++r) col->Append(f(r));
    return col;
}

std::unique_ptr<TFloatArrayBlock> FloatColumn(const std::string& name, int rows, const std::function<double(int)>& f)
{
    std::vector<double> v;
    for (int r = 0; r < rows; ++r) v.push_back(f(r));
    return std::make_unique<TFloatArrayBlock>(name, std::move(v));
}

std::unique_ptr<TDirBlock> BuildCollection()
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    Add(root.get(), std::make_unique<TStrBlock>("UnitéXY", "m"));
    for (int k = 0; k < kBoreholes; ++k) {
        const std::string name = BoreholeName(k);
        TDirBlock* b = Add(root.get(), std::make_unique<TDirBlock>(name));

        TDirBlock* o = Add(b, std::make_unique<TDirBlock>("Ouvrage"));
        Add(o, std::make_unique<TStrBlock>("Désign", name));
        Add(o, std::make_unique<TStrBlock>("Indice", "0" + IntToStr(1000 + k % 9000) + "X0" + IntToStr(k % 100)));
        Add(o, std::make_unique<TFloatBlock>("X", 712000.0 + k * 3.25));
        Add(o, std::make_unique<TFloatBlock>("Y", 2104000.0 + k * 1.5));
        Add(o, std::make_unique<TFloatBlock>("Z", 120.0 + (k % 300) * 0.1));
        Add(o, std::make_unique<TFloatBlock>("Profondeur", 45.0));
        Add(o, std::make_unique<TStrBlock>("Date", "20010512"));
        Add(o, std::make_unique<TStrBlock>("Commune", "Saint-Étienne-de-Montluc"));
        Add(o, std::make_unique<TStrBlock>("Foreur", "Forages de l'Ouest"));
        Add(o, std::make_unique<TFloatBlock>("NiveauEau", k % 7 == 0 ? MissingFloat : 8.5));
        Add(o, std::make_unique<TIntBlock>("Nature", k % 4));

        TDirBlock* n = Add(b, std::make_unique<TDirBlock>("Niveau"));
        Add(n, FloatColumn("Haut", kLevels, [](int r) { return r * 1.5; }));
        Add(n, FloatColumn("Bas", kLevels, [](int r) { return (r + 1) * 1.5; }));
        Add(n, TextColumn("Description", kLevels, [k](int r) { return std::string(kDescriptions[(k + r) % 6]); }));
        Add(n, TextColumn("Code", kLevels, [k](int r) { return std::string(kCodes[(k + r) % 6]); }));
        Add(n, TextColumn("Stratigraphie", kLevels, [](int r) { return std::string(r < 10 ? "Quaternaire" : "Lias"); }));

        TDirBlock* t = Add(b, std::make_unique<TDirBlock>("Tubage"));
        Add(t, TextColumn("NomTube", 3, [](int) { return std::string("CUVELAGE"); }));
        Add(t, FloatColumn("Haut", 3, [](int r) { return r * 15.0; }));
        Add(t, FloatColumn("Bas", 3, [](int r) { return (r + 1) * 15.0; }));
        Add(t, FloatColumn("Diamètre", 3, [](int) { return 160.0; }));
        Add(t, TextColumn("Type", 3, [](int r) { return std::string(r == 1 ? "Crépine" : "Plein"); }));
        Add(t, TextColumn("Nature", 3, [](int) { return std::string("PVC"); }));

        TDirBlock* a = Add(b, std::make_unique<TDirBlock>("Annulaire"));
        Add(a, FloatColumn("Haut", 3, [](int r) { return r * 15.0; }));
        Add(a, FloatColumn("Bas", 3, [](int r) { return (r + 1) * 15.0; }));
        Add(a, TextColumn("Type", 3, [](int r) { return std::string(r == 0 ? "Cimentation" : "Massif filtrant"); }));

        TDirBlock* h = Add(b, std::make_unique<TDirBlock>("Trou-nu"));
        Add(h, FloatColumn("Haut", 2, [](int r) { return r * 20.0; }));
        Add(h, FloatColumn("Bas", 2, [](int r) { return (r + 1) * 22.5; }));
        Add(h, FloatColumn("Diamètre", 2, [](int r) { return r == 0 ? 311.0 : 216.0; }));
    }
    return root;
}

struct Fixture {
    fs::path dir;
    std::string file;
    std::unique_ptr<TDirBlock> tree;
    std::size_t fileSize = 0;
    Fixture()
    {
        dir = fs::temp_directory_path() / ("carotix-bench-" + IntToStr(::getpid()));
        fs::create_directories(dir);
        file = (dir / "collection.crx").string();
        tree = BuildCollection();
        tree->SaveToFile(file);
        fileSize = static_cast<std::size_t>(fs::file_size(file));
    }
    ~Fixture()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& Shared()
{
    static Fixture f;
    return f;
}

void BM_SaveCollection(benchmark::State& state)
{
    Fixture& f = Shared();
    for (auto _ : state) f.tree->SaveToFile(f.file);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(f.fileSize));
    state.counters["file_MB"] = static_cast<double>(f.fileSize) / 1e6;
    state.counters["save_MB_per_s"] =
        benchmark::Counter(static_cast<double>(f.fileSize) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LoadCollection(benchmark::State& state)
{
    Fixture& f = Shared();
    for (auto _ : state) {
        auto root = std::make_unique<TDirBlock>();
        root->LoadFromFile(f.file);
        benchmark::DoNotOptimize(root.get());
        state.PauseTiming();
        root.reset();     // freeing the tree is not part of loading,
        malloc_trim(0);   // nor is the allocator's tidying up after it
        state.ResumeTiming();
    }
    // Memory held by a loaded tree, measured by the allocator.
    malloc_trim(0);
    const std::size_t before = mallinfo2().uordblks;
    auto root = std::make_unique<TDirBlock>();
    root->LoadFromFile(f.file);
    const std::size_t after = mallinfo2().uordblks;
    if (!SameBlock(root.get(), f.tree.get())) state.SkipWithError("the loaded tree differs");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(f.fileSize));
    state.counters["file_MB"] = static_cast<double>(f.fileSize) / 1e6;
    state.counters["load_MB_per_s"] =
        benchmark::Counter(static_cast<double>(f.fileSize) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["tree_MB"] = static_cast<double>(after - before) / 1e6;
    state.counters["memory_per_file_byte"] = static_cast<double>(after - before) / static_cast<double>(f.fileSize);
}

BENCHMARK(BM_SaveCollection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCollection)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
