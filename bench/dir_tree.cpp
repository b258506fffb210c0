// The folder tree of the export windows as they open on a stored folder: the
// drives with their first level read, then the levels down to the folder, in
// a home folder of 400 folders whose chosen one holds 200 more.
// Budget (release build): each opening under 100 ms, the first one included.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/windows/dir_tree.h"

namespace fs = std::filesystem;

namespace {

class FolderHome {
public:
    FolderHome()
    {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("carotix-bench-dirtree-" + std::to_string(rd()));
        for (int i = 0; i < 400; ++i) fs::create_directories(path_ / ("Forages " + std::to_string(i)));
        chosen_ = path_ / "Forages 200";
        for (int i = 0; i < 200; ++i) fs::create_directories(chosen_ / ("Chantier " + std::to_string(i)) / "Logs");
        // The home folder is the tree's first drive.
        oldHome_ = std::getenv("HOME") ? std::getenv("HOME") : "";
        ::setenv("HOME", path_.c_str(), 1);
    }
    ~FolderHome()
    {
        ::setenv("HOME", oldHome_.c_str(), 1);
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string Chosen() const { return chosen_.string() + "/"; }

private:
    fs::path path_;
    fs::path chosen_;
    std::string oldHome_;
};

// A new tree, as a window that opens for the first time makes it.
void BM_DirTreeFirstOpening(benchmark::State& state)
{
    FolderHome home;
    for (auto _ : state) {
        TDirTree tree;
        tree.SetInitialDirectory(home.Chosen());
        tree.resize(300, 400);
        tree.show();
        QApplication::processEvents();
        if (tree.GetSelectedPath() != home.Chosen()) state.SkipWithError("the folder is not selected");
        state.PauseTiming();
        tree.hide();
        state.ResumeTiming();
    }
}

// The window shown again: its tree reloaded and the stored folder selected.
void BM_DirTreeReopening(benchmark::State& state)
{
    FolderHome home;
    TDirTree tree;
    tree.SetInitialDirectory(home.Chosen());
    tree.resize(300, 400);
    tree.show();
    QApplication::processEvents();
    for (auto _ : state) {
        tree.Reload();
        tree.SetSelectedPath(home.Chosen());
        QApplication::processEvents();
        if (tree.GetSelectedPath() != home.Chosen()) state.SkipWithError("the folder is not selected");
    }
}

}  // namespace

BENCHMARK(BM_DirTreeFirstOpening)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirTreeReopening)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Headless unless a platform is named: under a real X server
    // (QT_QPA_PLATFORM=xcb) the icons come from the desktop's theme.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
