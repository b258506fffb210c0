// Start-up on a large carotix.ini that lacks its colours: the missing keys are
// added in one rewrite, not one rewrite and disk sync per key. The writes are
// counted as the kernel sees them (each save renames a finished file over the
// settings file); how long the start-up takes is bench/startup.cpp's business.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/base/ini_file.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

// How many times `body` saved the file `name` of `folder`: every save of the
// settings writes a temporary file and renames it over the old one.
int SavesOf(const std::filesystem::path& folder, const std::string& name, const std::function<void()>& body)
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        ADD_FAILURE() << "inotify_init1";
        return -1;
    }
    // The kernel merges an event with the one before it when they differ only
    // by their cookie: the temporary files' own events keep renames apart.
    if (::inotify_add_watch(fd, folder.c_str(), IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
        ADD_FAILURE() << "inotify_add_watch " << folder;
        ::close(fd);
        return -1;
    }
    body();
    int saves = 0;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((e->mask & IN_MOVED_TO) && e->len > 0 && name == e->name) ++saves;
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    EXPECT_EQ(errno, EAGAIN) << "events left unread";
    ::close(fd);
    return saves;
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

    // One save however many keys are missing, for a small file and a large one.
    for (const std::string* bytes : {&small, &large}) {
        WriteOldFile(ini, *bytes);
        EXPECT_EQ(SavesOf(program.path(), "carotix.ini", [&] { OptionsInitialize(program.path()); }), 1)
            << bytes->size() << " bytes";
        OptionsRelease();
    }
    // A file that lacks nothing is not written at start-up.
    EXPECT_EQ(SavesOf(program.path(), "carotix.ini", [&] { OptionsInitialize(program.path()); }), 0);
    OptionsRelease();

    // Every colour was added, and nothing else was lost.
    TIniFile after(ini);
    EXPECT_EQ(after.ReadString("Couleurs", "Couleur4", ""), "196 0 196");
    EXPECT_EQ(after.ReadString("Couleurs", "Couleur9", ""), "145 174 179");
    EXPECT_EQ(after.ReadSection("Gros").size(), 100000u);
    const IniDocument before = IniDocument::Parse(shipped);
    ASSERT_NE(before.FindValue("Dessin", "NiveauDeb"), nullptr);
    EXPECT_EQ(after.ReadString("Dessin", "NiveauDeb", ""), *before.FindValue("Dessin", "NiveauDeb"));
}
