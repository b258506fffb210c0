// The program's one bounded reader and its safe writer: what is refused at
// once, the temporary files (name, lock, cleanup), the permissions of new and
// replaced files, French system errors.
#include "platform/base/safe_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const fs::path& p)
{
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

int FilesIn(const fs::path& dir)
{
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        (void)e;
        ++n;
    }
    return n;
}

}  // namespace

TEST(BoundedReader, RefusesWhatIsNotARegularFileAtOnce)
{
    ::alarm(60);  // a blocking open of a pipe fails the test instead of hanging it
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    fs::create_directory(dir / "folder");
    WriteFileBytes(dir / "big", std::string(1001, 'b'));
    WriteFileBytes(dir / "ok", "contenu");
    struct Case {
        fs::path file;
        ReadFailure failure;
        const char* reason;
    };
    const Case cases[] = {
        {dir / "pipe", ReadFailure::NotRegular, "ce n'est pas un fichier ordinaire"},
        {"/dev/zero", ReadFailure::NotRegular, "ce n'est pas un fichier ordinaire"},
        {dir / "folder", ReadFailure::Directory, "c'est un dossier"},
        {dir / "big", ReadFailure::TooBig, "le fichier est trop volumineux"},
        {dir / "absent", ReadFailure::System, "Fichier ou dossier introuvable"},
        {dir / "ok", ReadFailure::None, ""},
    };
    for (const Case& c : cases) {
        std::string bytes = "old";
        const ReadStatus s = ReadFileBytes(c.file, bytes, 1000);
        EXPECT_EQ(s.failure, c.failure) << c.file;
        EXPECT_EQ(s.Reason(), c.reason) << c.file;
        EXPECT_EQ(bytes, s ? "contenu" : "") << c.file;
    }
    std::string error;
    std::string bytes;
    EXPECT_FALSE(ReadFileBounded(dir / "pipe", bytes, &error));
    EXPECT_EQ(error, "Impossible de lire le fichier \xC2\xAB " + (dir / "pipe").string() +
                         " \xC2\xBB : ce n'est pas un fichier ordinaire.");
    ::alarm(0);
}

TEST(SafeWriter, FrenchSystemErrors)
{
    EXPECT_EQ(SystemErrorText(ENOSPC), "Plus de place sur le disque");
    EXPECT_EQ(SystemErrorText(EACCES), "Permission refus\xC3\xA9" "e");
    EXPECT_EQ(SystemErrorText(EROFS), "Syst\xC3\xA8me de fichiers en lecture seule");
    EXPECT_EQ(SystemErrorText(EFBIG), "Fichier trop volumineux pour le syst\xC3\xA8me");
}

TEST(SafeWriter, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode)
{
    TempDir dir;
    const mode_t old = ::umask(022);
    WriteFileSafely(dir / "a.txt", "a");
    EXPECT_EQ(ModeOf(dir / "a.txt"), 0644u);
    ::umask(027);
    EXPECT_EQ(UserFileMode(), 0640u);
    WriteFileSafely(dir / "b.txt", "b");
    EXPECT_EQ(ModeOf(dir / "b.txt"), 0640u);
    // A file the user made private stays private when it is replaced.
    ASSERT_EQ(::chmod((dir / "a.txt").c_str(), 0600), 0);
    WriteFileSafely(dir / "a.txt", "a2");
    EXPECT_EQ(ModeOf(dir / "a.txt"), 0600u);
    ::umask(old);
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "a2");
    EXPECT_EQ(FilesIn(dir.path()), 2);
}

TEST(SafeWriter, TemporaryNamesAreShortAndStaleOnesGoAtTheNextSave)
{
    TempDir dir;
    // Beside a name of 255 bytes, the longest a folder entry may have.
    const fs::path longName = dir / std::string(255, 'n');
    {
        SafeTempFile temp(longName);
        const std::string name = temp.Path().filename().string();
        EXPECT_TRUE(IsProgramTempName(name)) << name;
        EXPECT_EQ(name.size(), 21u);
        temp.Write("x");
        // A save still running keeps its file: another save in the folder
        // leaves it alone.
        WriteFileSafely(dir / "other", "o");
        EXPECT_TRUE(fs::exists(temp.Path()));
        EXPECT_EQ(RemoveStaleTempFiles(dir.path()), 0);
        temp.Commit();
    }
    EXPECT_EQ(ReadFileBytes(longName), "x");
    // Temporary files of killed saves (unlocked) go at the next save there;
    // names that only look alike stay.
    WriteFileBytes(dir / ".carotix-abcd1234.tmp", "stale");
    WriteFileBytes(dir / ".carotix-ABCD1234.tmp", "not ours");
    WriteFileBytes(dir / ".carotix-abcd123.tmp", "not ours");
    WriteFileSafely(dir / "other", "o2");
    EXPECT_FALSE(fs::exists(dir / ".carotix-abcd1234.tmp"));
    EXPECT_TRUE(fs::exists(dir / ".carotix-ABCD1234.tmp"));
    EXPECT_TRUE(fs::exists(dir / ".carotix-abcd123.tmp"));
    // A temporary file not committed is removed with its object.
    fs::path abandoned;
    {
        SafeTempFile temp(dir / "abandoned");
        abandoned = temp.Path();
        temp.Write("half");
    }
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_FALSE(fs::exists(dir / "abandoned"));
}

TEST(SafeWriter, AFailedFillLeavesTheOldFileByteForByte)
{
    TempDir dir;
    WriteFileSafely(dir / "f", "old content");
    EXPECT_THROW(WriteFileSafely(dir / "f",
                                 [](int fd) {
                                     ASSERT_EQ(::write(fd, "new", 3), 3);
                                     throw std::runtime_error("cut short");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(ReadFileBytes(dir / "f"), "old content");
    EXPECT_EQ(FilesIn(dir.path()), 1);
    // A symbolic link stays a link; the file it points to is replaced.
    fs::create_symlink("f", dir / "link");
    WriteFileSafely(dir / "link", "through the link");
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadFileBytes(dir / "f"), "through the link");
}

namespace {

// File times come from the kernel's coarse clock: a change within the same
// tick as the last one may carry the same time. Waits until that clock has
// passed the file's change time, so that any later change shows.
void WaitPastChangeTime(const fs::path& file)
{
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    const std::int64_t changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    for (;;) {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        if (static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec > changed) return;
        ::usleep(1000);
    }
}

}  // namespace

// A save stamps the file as it stands under its name once renamed (the
// rename itself sets the change time), with or without replacing; another
// program that rewrites it in place, keeping its size and inode and putting
// back its modification time to the nanosecond, still changes its stamp.
TEST(FileStamps, ACommitStampsTheRenamedFileAndARewriteThatKeepsItsTimeIsSeen)
{
    for (const bool replace : {true, false}) {
        SCOPED_TRACE(replace ? "replacing" : "new name");
        TempDir dir;
        const fs::path target = dir / "f.crx";
        if (replace) WriteFileSafely(target, "older");
        SafeTempFile temp(target);
        temp.Write("ours!");
        ASSERT_TRUE(temp.Commit(replace));
        const FileStamp saved = StatFileStamp(target);
        EXPECT_EQ(temp.Committed(), saved);

        WaitPastChangeTime(target);
        {
            const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, "their", 5), 5);
            ::close(fd);
        }
        const timespec times[2] = {{0, UTIME_OMIT},
                                   {static_cast<time_t>(saved.mtimeNs / 1000000000), saved.mtimeNs % 1000000000}};
        ASSERT_EQ(::utimensat(AT_FDCWD, target.c_str(), times, 0), 0);
        const FileStamp rewritten = StatFileStamp(target);
        ASSERT_EQ(rewritten.size, saved.size);
        ASSERT_EQ(rewritten.inode, saved.inode);
        ASSERT_EQ(rewritten.mtimeNs, saved.mtimeNs);
        EXPECT_NE(rewritten, saved);
    }
}
