// Saves killed part way: a child process saves a collection of tens of
// megabytes (in a normal folder and under a 250-byte name) or rewrites a large
// settings file, and is killed with SIGKILL at random moments of the save.
// Every time the file on disk is the old one or the new one, whole; the
// temporary files of the killed saves are gone after the next save.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/base/ini_file.h"
#include "platform/base/safe_files.h"
#include "store/blocks.h"
#include "store/crx_file.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A collection of about 24 MB whose every byte depends on `mark`.
std::unique_ptr<TDirBlock> LargeCollection(char mark)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    for (int b = 0; b < 40; ++b) {
        const std::string bh = "F" + std::to_string(b);
        for (int r = 0; r < 1500; ++r)
            root->SetPathString(bh + "\\Niveau\\Desc", r, btString, std::string(395, mark) + std::to_string(r));
    }
    return root;
}

int TempFilesIn(const fs::path& dir)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (IsProgramTempName(e.path().filename().string())) ++n;
    return n;
}

double Seconds(const std::function<void()>& body)
{
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Saves again and again in a child process killed with SIGKILL at a random
// moment of the save, until `kills` saves were cut short. There are two
// versions of the file: save(v) writes version v (0 or 1), each round the one
// the file does not hold; check() tells which version the file holds whole
// (-1: neither). Kill moments are drawn over the time one save took; a save
// that ends before its kill narrows the window, so that a first measure taken
// on a busy machine does not leave every later save whole.
void KillSavesAtRandom(int kills, const std::function<void(int)>& save, const std::function<int()>& check)
{
    std::mt19937 random(20261207);
    int current = 0;
    double typical = Seconds([&] { save(current); });
    int killed = 0;
    for (int round = 1; round <= 3 * kills && killed < kills; ++round) {
        const int next = 1 - current;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                save(next);
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        std::uniform_real_distribution<double> moment(0.0, typical * 1.1);
        std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFSIGNALED(status))
            ++killed;
        else
            typical *= 0.7;
        const int now = check();
        ASSERT_TRUE(now == current || now == next) << "round " << round << ": neither file whole";
        current = now;
    }
    EXPECT_GE(killed, kills) << "too few saves were cut short";
}

}  // namespace

TEST(KillDuringSave, TheCollectionIsTheOldOrTheNewOneWhole)
{
    const auto first = LargeCollection('a');
    const auto second = LargeCollection('b');
    const std::string bytes[2] = {SaveBlockToBytes(*first), SaveBlockToBytes(*second)};
    ASSERT_GT(bytes[0].size(), 20u << 20);
    const TDirBlock* trees[2] = {first.get(), second.get()};
    TempDir dir;
    for (const std::string& name : {std::string("collection.crx"), std::string(246, 'c') + ".crx"}) {
        SCOPED_TRACE(std::to_string(name.size()) + "-byte name");
        const std::string file = (dir / name).string();
        KillSavesAtRandom(30, [&](int v) { trees[v]->SaveToFile(file); },
                          [&] {
                              const std::string now = ReadFileBytes(file);
                              return now == bytes[0] ? 0 : now == bytes[1] ? 1 : -1;
                          });
        trees[0]->SaveToFile(file);
        EXPECT_EQ(TempFilesIn(dir.path()), 0);
    }
}

TEST(KillDuringSave, TheSettingsFileIsTheOldOrTheNewOneWhole)
{
    TempDir dir;
    const fs::path file = dir / "carotix.ini";
    std::string large;
    for (int i = 0; i < 15000; ++i) large += "Cle" + std::to_string(i) + "=" + std::string(60, 'v') + "\r\n";
    const std::string values[2] = {"avant", "apres"};
    // The whole file as the save of value v leaves it.
    const std::string versions[2] = {"[Dessin]\r\nNiveauDeb=Deb\r\nEssai=avant\r\n[Gros]\r\n" + large,
                                     "[Dessin]\r\nNiveauDeb=Deb\r\nEssai=apres\r\n[Gros]\r\n" + large};
    WriteFileBytes(file, "[Dessin]\r\nNiveauDeb=Deb\r\n[Gros]\r\n" + large);
    KillSavesAtRandom(30, [&](int v) { TIniFile(file).WriteString("Dessin", "Essai", values[v]); },
                      [&] {
                          const std::string now = ReadFileBytes(file);
                          return now == versions[0] ? 0 : now == versions[1] ? 1 : -1;
                      });
    TIniFile(file).WriteString("Dessin", "Essai", "fin");   // a write changing nothing saves nothing
    EXPECT_EQ(ReadFileBytes(file), "[Dessin]\r\nNiveauDeb=Deb\r\nEssai=fin\r\n[Gros]\r\n" + large);
    EXPECT_EQ(TempFilesIn(dir.path()), 0);
}
