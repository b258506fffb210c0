// Importing a 50 MB fixed-width data file through the shipped filters: a levels
// file (one record per level, 2,000 boreholes), an equipment file whose
// selector switches sub-filters on every record, and a boreholes file where
// every record is a new borehole. Budget: 50 MB/s or more.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "exchange/fixed_width_import.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"

namespace {

constexpr std::size_t kTargetBytes = 50u * 1024u * 1024u;
constexpr int kBoreholes = 2000;

std::string Left(const std::string& s, std::size_t w) { return s.size() >= w ? s.substr(0, w) : s + std::string(w - s.size(), ' '); }
std::string Right(const std::string& s, std::size_t w) { return s.size() >= w ? s.substr(0, w) : std::string(w - s.size(), ' ') + s; }

std::string Indice(int b)
{
    std::string n = IntToStr(b);
    return "0698" + std::string(4 - n.size(), '0') + n + "X0";
}

std::string Depth(int centimetres)
{
    return IntToStr(centimetres / 100) + "," + IntToStr(centimetres % 100 / 10) + IntToStr(centimetres % 10);
}

const char* const kLitho[] = {
    "Terre v\xe9g\xe9tale limoneuse brune",
    "Graviers et galets dans une matrice sableuse grise, quelques blocs",
    "Molasse gr\xe9seuse jaune \xe0 ocre, pass\xe9" "es marneuses",
    "Argile plastique grise",
    "Calcaire marneux fractur\xe9",
};

// niveau.ora of the shipped BSS filters: each borehole's levels one after the other.
std::string MakeLevels()
{
    std::string out;
    out.reserve(kTargetBytes + 4096);
    int b = 0, level = 0;
    while (out.size() < kTargetBytes) {
        if (level == 0 || level > 60) {
            b = (b + 1) % kBoreholes;
            level = 0;
        }
        const int top = level * 125;
        out += Left(Indice(b), 12) + ";" + Left("F" + IntToStr(b), 20) + ";" + Right(Depth(top), 7) + ";"
            + Right(Depth(top + 125), 7) + ";" + Left("COUPE", 6) + ";" + Left("CODE" + IntToStr(level % 7), 12) + ";"
            + Left("Quaternaire", 20) + ";" + kLitho[level % 5] + "\r\n";
        ++level;
    }
    return out;
}

// equipement.ora: open hole, casing and annular fill in turn.
std::string MakeEquipment()
{
    std::string out;
    out.reserve(kTargetBytes + 4096);
    int record = 0;
    while (out.size() < kTargetBytes) {
        const int b = (record / 30) % kBoreholes;
        const int kind = record % 3;
        const int top = (record % 30) * 150;
        std::string head = Left(Indice(b), 12) + ";" + Left(kind == 0 ? "trou-nu" : kind == 1 ? "tubage" : "annulaire", 10)
            + ";" + Left("F" + IntToStr(b), 20) + ";" + Right(Depth(top), 7) + ";" + Right(Depth(top + 150), 7) + ";";
        if (kind == 0)
            out += head + Right("311", 6) + ";" + Left("Rotary", 15) + ";" + Left("Boue", 15) + "\r\n";
        else if (kind == 1)
            out += head + Left("CUVELAGE", 12) + ";" + Right("180", 6) + ";" + Left("CREPINE", 10) + ";"
                + Left("INOX", 12) + ";" + Right("2", 3) + "\r\n";
        else
            out += head + Left("GRAVIER", 12) + ";" + Left("Gravier calibr\xe9", 20) + "\r\n";
        ++record;
    }
    return out;
}

// ouvrage.ora: one record per borehole, every record a new borehole.
std::string MakeBoreholes()
{
    std::string out;
    out.reserve(kTargetBytes + 4096);
    int b = 0;
    while (out.size() < kTargetBytes) {
        out += Left("B" + IntToStr(b), 12) + ";" + Left("F" + IntToStr(b), 20) + ";" + Right("842,315", 10) + ";"
            + Right("6519,87", 10) + ";" + Right("212,5", 7) + ";" + Right("45", 7) + ";" + Right("12,35", 7) + ";"
            + Right("180", 6) + ";" + Left("FORAGE", 12) + ";" + Left("Villeurbanne", 30) + ";"
            + Left("Les Granges", 30) + ";" + Left("12/05/2001", 10) + "\r\n";
        ++b;
    }
    return out;
}

class BenchFolder {
public:
    BenchFolder()
    {
        char pattern[] = "/tmp/carotix-bench-XXXXXX";
        if (const char* made = mkdtemp(pattern))
            path_ = made;
    }
    ~BenchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::string file = (path_ / name).string();
        if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return file;
    }

private:
    std::filesystem::path path_;
};

void RunImport(benchmark::State& state, const std::string& name, std::string (*make)(), int boreholes)
{
    ScopedDecimalSeparator comma(',');
    BenchFolder folder;
    const std::string bytes = make();
    const std::string file = folder.Write(name, bytes);
    const std::string filters = std::string(CAROTIX_DATA_DIR) + "/filtre_bss.txt";
    std::int64_t records = 0;
    for (auto _ : state) {
        auto root = std::make_unique<TDirBlock>("Carotix");
        OracleImportReport report;
        ImportOracleFile(file, root.get(), filters, report);
        records = report.Merged;
        if (report.HasRemarks() || (boreholes > 0 && root->ItemCount() != boreholes))
            state.SkipWithError("the generated file did not import cleanly");
        state.PauseTiming();
        root.reset();  // freeing the tree is not the import's cost
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
    state.counters["records"] = static_cast<double>(records);
}

void BM_ImportLevels(benchmark::State& state) { RunImport(state, "niveau.ora", MakeLevels, kBoreholes); }
void BM_ImportEquipment(benchmark::State& state) { RunImport(state, "equipement.ora", MakeEquipment, kBoreholes); }
void BM_ImportBoreholes(benchmark::State& state) { RunImport(state, "ouvrage.ora", MakeBoreholes, 0); }

} // namespace

BENCHMARK(BM_ImportLevels)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportEquipment)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportBoreholes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
