// Crash-recovery copies: a pass writes one copy per collection window in
// window order and removes the copies of closed windows, never leaves a
// collection without its last good copy (a failed write keeps the old copy,
// and nothing else is removed then), leaves folders alone, sets unreadable
// copies aside, and two instances on one folder do not share the copies.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/backups.h"
#include "app/snapping.h"
#include "store/blocks.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<TDirBlock> Collection(const std::string& borehole)
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    root->SetPathString(borehole + "\\Ouvrage\\D\xC3\xA9sign", 0, btString, borehole);
    return root;
}

// The borehole held by a copy.
std::string BoreholeOf(const fs::path& copy)
{
    TDirBlock root("Carotix");
    root.LoadFromFile(copy.string());
    for (int i = 0; i < root.ItemCount(); ++i)
        if (root.ChildDir(i)) return root.Child(i)->Name;
    return {};
}

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BackupNames, OnlyBackupStarCrxFilesAreCopies)
{
    EXPECT_TRUE(IsBackupCopyName("backup_0.crx"));
    EXPECT_TRUE(IsBackupCopyName("backup_12.crx"));
    EXPECT_TRUE(IsBackupCopyName("backup_x.crx"));
    EXPECT_FALSE(IsBackupCopyName("backup_0.crx.bak"));
    EXPECT_FALSE(IsBackupCopyName("backup_0.crx.illisible"));
    EXPECT_FALSE(IsBackupCopyName(".backup_0.crx.AbC123"));
    EXPECT_FALSE(IsBackupCopyName("Backup_0.crx"));
    EXPECT_EQ(BackupCopyName(7), "backup_7.crx");
}

TEST(BackupPeriod, TheEnvironmentShortensItForTests)
{
    ::unsetenv(kBackupPeriodVariable);
    EXPECT_EQ(BackupPeriodMs(), 300000);
    ::setenv(kBackupPeriodVariable, "250", 1);
    EXPECT_EQ(BackupPeriodMs(), 250);
    ::setenv(kBackupPeriodVariable, "abc", 1);
    EXPECT_EQ(BackupPeriodMs(), 300000);
    ::setenv(kBackupPeriodVariable, "0", 1);
    EXPECT_EQ(BackupPeriodMs(), 300000);
    ::unsetenv(kBackupPeriodVariable);
}

TEST(BackupPass, ThreeWindowsThenTwo)
{
    TempDir dir;
    auto a = Collection("A");
    auto b = Collection("B");
    auto c = Collection("C");
    BackupPassResult r = RunBackupPass(dir.path(), {a.get(), b.get(), c.get()});
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"backup_0.crx", "backup_1.crx", "backup_2.crx"}));
    EXPECT_EQ(BoreholeOf(dir / "backup_1.crx"), "B");

    // B was closed: C moves to backup_1 and backup_2 goes.
    r = RunBackupPass(dir.path(), {a.get(), c.get()});
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(r.removed, 1);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"backup_0.crx", "backup_1.crx"}));
    EXPECT_EQ(BoreholeOf(dir / "backup_1.crx"), "C");

    // No window: no copy at all.
    r = RunBackupPass(dir.path(), {});
    EXPECT_EQ(r.removed, 2);
    EXPECT_TRUE(Names(dir.path()).empty());
}

TEST(BackupPass, AFailureInTheMiddleKeepsEveryLastGoodCopy)
{
    TempDir dir;
    auto a = Collection("A");
    auto b = Collection("B");
    auto c = Collection("C");
    RunBackupPass(dir.path(), {a.get(), b.get(), c.get()});

    // A closed; the pass writes B to backup_0 but fails on C's backup_1.
    a.reset();
    auto b2 = Collection("B2");
    int calls = 0;
    const BackupWriter failing = [&](const TDirBlock& tree, const fs::path& target) {
        ++calls;
        if (target.filename() == "backup_1.crx") throw std::runtime_error("disque plein");
        WriteBackupCopy(tree, target);
    };
    const BackupPassResult r = RunBackupPass(dir.path(), {b2.get(), c.get()}, failing);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.removed, 0);
    // C's last good copy (backup_2) is still there, and so is the old
    // backup_1: nothing is removed after a failure.
    EXPECT_EQ(BoreholeOf(dir / "backup_0.crx"), "B2");
    EXPECT_EQ(BoreholeOf(dir / "backup_1.crx"), "B");
    EXPECT_EQ(BoreholeOf(dir / "backup_2.crx"), "C");
    EXPECT_EQ(Names(dir.path()).size(), 3u);

    // The next good pass tidies up.
    RunBackupPass(dir.path(), {b2.get(), c.get()});
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"backup_0.crx", "backup_1.crx"}));
    EXPECT_EQ(BoreholeOf(dir / "backup_1.crx"), "C");
}

TEST(BackupPass, AFailedWriteLeavesTheOldCopyWholeAndNoTemporaryFile)
{
    TempDir dir;
    auto a = Collection("A");
    RunBackupPass(dir.path(), {a.get()});
    const std::string before = ReadFileBytes(dir / "backup_0.crx");
    // A tree too deep to be read back is refused by the writer.
    auto deep = std::make_unique<TDirBlock>("Carotix");
    std::string path = "D";
    for (int i = 0; i < 300; ++i) path += "\\D";
    deep->SetPathString(path + "\\x", 0, btString, "x");
    const BackupPassResult r = RunBackupPass(dir.path(), {deep.get()});
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(ReadFileBytes(dir / "backup_0.crx"), before);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"backup_0.crx"}));
}

TEST(BackupPass, FoldersNamedLikeCopiesAndOtherFilesAreLeftAlone)
{
    TempDir dir;
    fs::create_directory(dir / "backup_5.crx");
    WriteFileBytes(dir / "backup_0.crx.bak", "old");
    WriteFileBytes(dir / "collection.crx", "mine");
    WriteFileBytes(dir / ".carotix-xy12ab34.tmp", "left by a crash");
    auto a = Collection("A");
    RunBackupPass(dir.path(), {a.get()});
    EXPECT_TRUE(fs::is_directory(dir / "backup_5.crx"));
    EXPECT_TRUE(fs::exists(dir / "backup_0.crx.bak"));
    EXPECT_TRUE(fs::exists(dir / "collection.crx"));
    EXPECT_FALSE(fs::exists(dir / ".carotix-xy12ab34.tmp"));
    EXPECT_EQ(ListBackupCopies(dir.path()).size(), 1u);
    EXPECT_EQ(DeleteBackupCopies(dir.path()), 1);
    EXPECT_TRUE(fs::is_directory(dir / "backup_5.crx"));
    EXPECT_TRUE(ListBackupCopies(dir.path()).empty());
}

TEST(BackupCopies, ListedByNumberAndSetAsideWithoutLoss)
{
    TempDir dir;
    for (const char* n : {"backup_10.crx", "backup_2.crx", "backup_x.crx", "backup_0.crx"})
        WriteFileBytes(dir / n, "x");
    const std::vector<fs::path> copies = ListBackupCopies(dir.path());
    ASSERT_EQ(copies.size(), 4u);
    EXPECT_EQ(copies[0].filename(), "backup_0.crx");
    EXPECT_EQ(copies[1].filename(), "backup_2.crx");
    EXPECT_EQ(copies[2].filename(), "backup_10.crx");
    EXPECT_EQ(copies[3].filename(), "backup_x.crx");

    const fs::path aside = SetAsideBackupCopy(dir / "backup_2.crx");
    EXPECT_EQ(aside.filename(), "backup_2.crx.illisible");
    WriteFileBytes(dir / "backup_2.crx", "y");
    const fs::path aside2 = SetAsideBackupCopy(dir / "backup_2.crx");
    EXPECT_EQ(aside2.filename(), "backup_2.crx.illisible-2");
    EXPECT_EQ(ReadFileBytes(aside), "x");
    EXPECT_EQ(ReadFileBytes(aside2), "y");
    EXPECT_EQ(ListBackupCopies(dir.path()).size(), 3u);
}

TEST(BackupLockTest, OneInstanceOwnsTheCopiesOfAFolder)
{
    TempDir dir;
    BackupLock first(dir.path());
    BackupLock second(dir.path());
    EXPECT_TRUE(first.TryAcquire());
    EXPECT_TRUE(first.TryAcquire());
    EXPECT_FALSE(second.TryAcquire());
    EXPECT_FALSE(second.Owned());
    first.Release();
    EXPECT_TRUE(second.TryAcquire());
    EXPECT_FALSE(first.TryAcquire());
}

TEST(BackupLockTest, ALockFileTheUserCannotWriteStillDecides)
{
    TempDir dir;
    {
        BackupLock make(dir.path());
        ASSERT_TRUE(make.TryAcquire());
    }
    // Made by another user of a shared folder: read-only for this one. The
    // superuser may write every file: the instances then run as an ordinary
    // user, owner of the folder but not of the lock file.
    const fs::path lock = dir / kBackupLockName;
    ASSERT_EQ(::chmod(lock.c_str(), 0444), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.path().c_str(), kNobodyId, kNobodyId), 0);
    }
    const std::optional<bool> ok = AsOrdinaryUser([&] {
        BackupLock first(dir.path());
        BackupLock second(dir.path());
        if (!first.TryAcquire() || second.TryAcquire()) return false;
        // The owner makes its copies as usual.
        auto a = Collection("A");
        return RunBackupPass(dir.path(), {a.get()}).written == 1 && BoreholeOf(dir / "backup_0.crx") == "A";
    });
    if (!ok) GTEST_SKIP() << "no ordinary user to become";
    EXPECT_TRUE(*ok);
}

TEST(InstanceCopies, ANonOwnerKeepsItsOwnCopiesRecoveredOnceItHasEnded)
{
    TempDir dir;
    BackupLock owner(dir.path());
    ASSERT_TRUE(owner.TryAcquire());
    InstanceBackups other(dir.path());
    ASSERT_TRUE(other.Start());
    const std::string tag = other.Tag();
    EXPECT_EQ(InstanceTagOf(InstanceCopyName(tag, 3)), tag);
    EXPECT_EQ(InstanceTagOf("backup_3.crx"), "");

    auto a = Collection("A");
    auto b = Collection("B");
    auto c = Collection("C");
    // The other instance's pass writes its own names; the owner's passes and
    // its exit leave them alone, and the other's leave the owner's alone.
    EXPECT_EQ(RunBackupPass(dir.path(), {b.get(), c.get()}, {}, tag).written, 2);
    RunBackupPass(dir.path(), {a.get()});
    EXPECT_EQ(RunBackupPass(dir.path(), {c.get()}, {}, tag).removed, 1);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string> {"backup.lock", "backup_0.crx", "backup_" + tag + ".lock",
                                                             "backup_" + tag + "_0.crx"}));
    EXPECT_EQ(BoreholeOf(dir / InstanceCopyName(tag, 0)), "C");
    // While it runs, a start-up does not take its copies.
    EXPECT_TRUE(InstanceRunning(dir.path(), tag));
    EXPECT_EQ(ListRecoverableCopies(dir.path()).size(), 1u);
    EXPECT_EQ(ListRecoverableCopies(dir.path(), tag).size(), 1u);
    EXPECT_EQ(DeleteBackupCopies(dir.path()), 1);
    EXPECT_TRUE(fs::exists(dir / InstanceCopyName(tag, 0)));

    // Killed: its lock goes with it, and its copies are recovered.
    std::string killedTag;
    {
        // Destroyed without End(): as when the process is killed.
        InstanceBackups killed(dir.path());
        ASSERT_TRUE(killed.Start());
        killedTag = killed.Tag();
        RunBackupPass(dir.path(), {b.get()}, {}, killedTag);
    }
    EXPECT_FALSE(InstanceRunning(dir.path(), killedTag));
    const std::vector<fs::path> recoverable = ListRecoverableCopies(dir.path());
    ASSERT_EQ(recoverable.size(), 1u);
    EXPECT_EQ(BoreholeOf(recoverable[0]), "B");

    // A normal exit deletes its copies and its lock.
    other.End();
    EXPECT_FALSE(fs::exists(dir / InstanceCopyName(tag, 0)));
    EXPECT_FALSE(fs::exists(dir / ("backup_" + tag + ".lock")));
}

TEST(Snapping, EdgesCloserThanEightPixelsAlign)
{
    SnapTargets t;
    t.HasDesk = true;
    t.Desk = TRect{4, 4, 1916, 1036};
    t.HasLog = true;
    t.LogVisible = true;
    t.LogLeft = 1300;

    // Left 7 pixels from the desk's left edge snaps; 8 does not.
    SnapGeometry g = SnapMainWindow({11, 300, 500, 400}, t);
    EXPECT_EQ(g.Left, 4);
    g = SnapMainWindow({12, 300, 500, 400}, t);
    EXPECT_EQ(g.Left, 12);
    g = SnapMainWindow({300, -3, 500, 400}, t);
    EXPECT_EQ(g.Top, 4);
    g = SnapMainWindow({300, 12, 500, 400}, t);
    EXPECT_EQ(g.Top, 12);

    // Right edge to the log window: 7 pixels short snaps, 8 does not.
    g = SnapMainWindow({100, 100, 1193, 400}, t);
    EXPECT_EQ(g.Width, 1200);
    g = SnapMainWindow({100, 100, 1192, 400}, t);
    EXPECT_EQ(g.Width, 1192);
    g = SnapMainWindow({100, 100, 1207, 400}, t);  // 7 pixels over it
    EXPECT_EQ(g.Width, 1200);

    // Bottom edge to the desk's bottom.
    g = SnapMainWindow({100, 100, 500, 929}, t);
    EXPECT_EQ(g.Height, 936);
    g = SnapMainWindow({100, 100, 500, 928}, t);
    EXPECT_EQ(g.Height, 928);

    // The log window hidden: no right-edge snapping, the bottom still snaps.
    t.LogVisible = false;
    g = SnapMainWindow({100, 100, 1195, 930}, t);
    EXPECT_EQ(g.Width, 1195);
    EXPECT_EQ(g.Height, 936);

    // The left edge snaps first, then the right edge counts from there.
    t.LogVisible = true;
    g = SnapMainWindow({10, 100, 1293, 400}, t);
    EXPECT_EQ(g.Left, 4);
    EXPECT_EQ(g.Width, 1296);
}

}  // namespace
