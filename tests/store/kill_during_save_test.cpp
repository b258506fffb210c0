// Saves killed part way: a child process saves a collection of tens of
// megabytes (in a normal folder and under a 250-byte name) or rewrites a large
// settings file, and is killed with SIGKILL at random moments of the save.
// Every time the file on disk is the old one or the new one, whole; the
// temporary files of the killed saves are gone after the next save.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
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
        for (int r = 0; r < 6000; ++r)
            root->SetPathString(bh + "\\Niveau\\Desc", r, btString, std::string(95, mark) + std::to_string(r));
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

// Runs `save` in a child killed after a random part of `typical` seconds;
// answers whether it was killed before it ended.
bool KillDuringSave(const std::function<void()>& save, double typical, std::mt19937& random)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            save();
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
    return WIFSIGNALED(status);
}

double Seconds(const std::function<void()>& body)
{
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(KillDuringSave, TheCollectionIsTheOldOrTheNewOneWhole)
{
    const auto first = LargeCollection('a');
    const auto second = LargeCollection('b');
    const std::string bytes[2] = {SaveBlockToBytes(*first), SaveBlockToBytes(*second)};
    ASSERT_GT(bytes[0].size(), 20u << 20);
    const TDirBlock* trees[2] = {first.get(), second.get()};
    std::mt19937 random(20261207);
    TempDir dir;
    int killed = 0;
    for (const std::string& name : {std::string("collection.crx"), std::string(246, 'c') + ".crx"}) {
        const std::string file = (dir / name).string();
        int current = 0;
        // Kill moments are drawn over the time one save took. A save that ends
        // before its kill narrows the window, so that a first measure taken on a
        // busy machine does not leave every later save whole.
        double typical = Seconds([&] { trees[current]->SaveToFile(file); });
        int killedHere = 0;
        for (int round = 0; round < 60 && killedHere < 15; ++round) {
            const int next = 1 - current;
            if (KillDuringSave([&] { trees[next]->SaveToFile(file); }, typical, random))
                ++killedHere;
            else
                typical *= 0.7;
            const std::string now = ReadFileBytes(file);
            const bool old = now == bytes[current];
            ASSERT_TRUE(old || now == bytes[next]) << name.size() << "-byte name, round " << round << ": "
                                                   << now.size() << " bytes, neither file whole";
            if (!old) current = next;
        }
        killed += killedHere;
        trees[current]->SaveToFile(file);
        EXPECT_EQ(TempFilesIn(dir.path()), 0);
    }
    EXPECT_GE(killed, 30) << "too few saves were cut short";
}

TEST(KillDuringSave, TheSettingsFileIsTheOldOrTheNewOneWhole)
{
    TempDir dir;
    const fs::path file = dir / "carotix.ini";
    std::string text = "[Dessin]\r\nNiveauDeb=Deb\r\n[Gros]\r\n";
    for (int i = 0; i < 60000; ++i) text += "Cle" + std::to_string(i) + "=" + std::string(60, 'v') + "\r\n";
    WriteFileBytes(file, text);
    std::mt19937 random(7);
    double typical = Seconds([&] { TIniFile(file).WriteString("Dessin", "Essai", "0"); });
    int killed = 0;
    std::string current = "0";
    for (int round = 1; round <= 40 && killed < 10; ++round) {
        const std::string value = std::to_string(round);
        if (KillDuringSave([&] { TIniFile(file).WriteString("Dessin", "Essai", value); }, typical, random))
            ++killed;
        else
            typical *= 0.7;  // narrow the window when the save beat its kill
        TIniFile ini(file);
        const std::string now = ini.ReadString("Dessin", "Essai", "?");
        ASSERT_TRUE(now == current || now == value) << "round " << round << ": " << now;
        ASSERT_EQ(ini.ReadSection("Gros").size(), 60000u) << "round " << round;
        ASSERT_EQ(ini.ReadString("Gros", "Cle59999", ""), std::string(60, 'v'));
        current = now;
    }
    TIniFile(file).WriteString("Dessin", "Essai", "fin");
    EXPECT_EQ(TempFilesIn(dir.path()), 0);
    EXPECT_GE(killed, 10) << "too few saves were cut short";
}
