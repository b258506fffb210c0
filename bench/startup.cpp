// Start-up of the program up to the main window shown: the units (settings,
// decimal separator, coding library, recent files), the 34 windows in their
// order and the main window's first showing (log window, help box, timers).
// Budget (release build): under 600 ms.
// Also the settings unit alone on a carotix.ini of about 5 MB that lacks its
// colours: about one reading and one writing of the file, not
// a rewrite per missing key.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <fstream>
#include <sstream>
#include <string>

#include "app/windows/main_window.h"
#include "app/windows/startup.h"
#include "store/options.h"

namespace fs = std::filesystem;

namespace {

// A program folder as the program finds it: the shipped data and the coding
// library, in a temporary folder of its own.
class ProgramFolderCopy {
public:
    ProgramFolderCopy()
    {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("carotix-bench-startup-" + std::to_string(rd()));
        fs::create_directories(path_);
        fs::copy(CAROTIX_DATA_DIR, path_, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        const fs::path library = fs::path(CAROTIX_PROGRAM_DIR) / "Codage.so";
        if (fs::exists(library)) fs::copy_file(library, path_ / "Codage.so", fs::copy_options::overwrite_existing);
    }
    ~ProgramFolderCopy()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void BM_StartupToMainWindowShown(benchmark::State& state)
{
    ProgramFolderCopy folder;
    for (auto _ : state) {
        if (!InitializeUnits(folder.path())) {
            state.SkipWithError("the units did not start");
            break;
        }
        auto session = std::make_unique<ProgramSession>();
        session->EndProgram = [] {};
        session->Show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(session->Windows().size());

        state.PauseTiming();
        if (session->Windows().size() != kStartupWindowOrder.size()) state.SkipWithError("windows missing");
        session->Main()->close();
        session.reset();
        OptionsRelease();
        StartupLog().clear();
        state.ResumeTiming();
    }
}

void BM_SettingsOnALargeFileWithoutColours(benchmark::State& state)
{
    ProgramFolderCopy folder;
    const fs::path ini = folder.path() / "carotix.ini";
    std::ifstream in(ini, std::ios::binary);
    std::stringstream shipped;
    shipped << in.rdbuf();
    std::string bytes, line;
    bool colours = false;
    while (std::getline(shipped, line)) {
        if (!line.empty() && line[0] == '[') colours = line.rfind("[Couleurs]", 0) == 0;
        if (!colours) bytes += line + "\n";
    }
    bytes += "[Gros]\r\n";
    for (int i = 0; i < 100000; ++i) bytes += "Cle" + std::to_string(i) + "=" + std::string(40, 'x') + "\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(ini, std::ios::binary | std::ios::trunc) << bytes;
        // Written long before the start, as on a user's machine.
        fs::last_write_time(ini, fs::file_time_type::clock::now() - std::chrono::hours(1));
        state.ResumeTiming();
        OptionsInitialize(folder.path());
        state.PauseTiming();
        OptionsRelease();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_SettingsOnALargeFileWithoutColours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupToMainWindowShown)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
