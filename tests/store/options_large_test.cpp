// Start-up on a large carotix.ini that lacks its colours: the missing keys are
// added in one rewrite, so that the settings unit's start-up costs about one
// reading of the file (plus one writing), not one rewrite and disk sync per
// key. Times are the test thread's processor time, compared with a reading
// measured in the same run: other work on the machine does not count, and a
// rewrite per key would still cost many readings.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/base/ini_file.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

double ThreadSeconds()
{
    timespec t {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Seconds(const std::function<void()>& body)
{
    const double start = ThreadSeconds();
    body();
    return ThreadSeconds() - start;
}

// The settings as a user's machine has them: written long before the program
// starts (a file written a moment ago is read again at each use, since its
// time stamp cannot yet tell a later change).
void WriteOldFile(const std::filesystem::path& file, const std::string& bytes)
{
    WriteFileBytes(file, bytes);
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

// The shipped carotix.ini without its [Couleurs] section, followed by
// `extraKeys` keys of a section of its own.
std::string SettingsWithoutColours(const std::string& shipped, int extraKeys)
{
    std::string out;
    bool skip = false;
    std::size_t start = 0;
    while (start < shipped.size()) {
        std::size_t end = shipped.find('\n', start);
        end = end == std::string::npos ? shipped.size() : end + 1;
        const std::string line = shipped.substr(start, end - start);
        if (!line.empty() && line[0] == '[') skip = line.rfind("[Couleurs]", 0) == 0;
        if (!skip) out += line;
        start = end;
    }
    out += "\r\n[Gros]\r\n";
    for (int i = 0; i < extraKeys; ++i) out += "Cle" + std::to_string(i) + "=" + std::string(40, 'x') + "\r\n";
    return out;
}

}  // namespace

TEST(OptionsStartup, ALargeSettingsFileGetsItsMissingKeysInOneRewrite)
{
    TempProgramDir program;
    const auto ini = program / "carotix.ini";
    const std::string shipped = ReadFileBytes(ini);
    const std::string large = SettingsWithoutColours(shipped, 100000);  // about 5 MB
    const std::string small = SettingsWithoutColours(shipped, 0);
    ASSERT_GT(large.size(), 4u << 20);

    double read = 1e9, startLarge = 1e9, startSmall = 1e9;
    // The best of three runs: a single run can be slowed by the allocator or
    // the processor cache, which a rewrite per key would not hide.
    for (int run = 0; run < 3; ++run) {
        WriteOldFile(ini, small);
        startSmall = std::min(startSmall, Seconds([&] { OptionsInitialize(program.path()); }));
        OptionsRelease();
        WriteOldFile(ini, large);
        read = std::min(read, Seconds([&] { EXPECT_EQ(TIniFile(ini).ReadString("Gros", "Cle7", ""), std::string(40, 'x')); }));
        startLarge = std::min(startLarge, Seconds([&] { OptionsInitialize(program.path()); }));
        OptionsRelease();
    }
    // What the large file adds to the start-up: one reading and one writing.
    // A rewrite per added key cost ten readings.
    EXPECT_LE(startLarge - startSmall, 2 * read)
        << "start-up " << startLarge << " s (small file " << startSmall << " s), reading " << read << " s";

    // Every colour was added, and nothing else was lost.
    TIniFile after(ini);
    EXPECT_EQ(after.ReadString("Couleurs", "Couleur4", ""), "196 0 196");
    EXPECT_EQ(after.ReadString("Couleurs", "Couleur9", ""), "145 174 179");
    EXPECT_EQ(after.ReadSection("Gros").size(), 100000u);
    const IniDocument before = IniDocument::Parse(shipped);
    ASSERT_NE(before.FindValue("Dessin", "NiveauDeb"), nullptr);
    EXPECT_EQ(after.ReadString("Dessin", "NiveauDeb", ""), *before.FindValue("Dessin", "NiveauDeb"));
}
