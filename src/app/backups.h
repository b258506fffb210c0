// Crash-recovery copies: every open collection is written every five minutes
// to backup_<i>.crx in the program folder (i in the order of the document
// windows); a normal exit deletes them, and the next start after a crash
// reopens them as modified collections.
//
// No moment of a pass leaves a collection without its last good copy: each
// copy is written to a temporary file and renamed over the old one, a failure
// does not stop the copies of the other collections, and copies beyond the
// open windows are removed only when every window was written.
//
// Two instances of the program started from one folder must not delete or
// overwrite each other's copies: a lock on "backup.lock" in the folder decides
// which one owns the numbered copies. Another instance still protects its own
// collections: it writes copies of its own, "backup_" + tag + "_" + i +
// ".crx" (tag: 8 letters or digits of its own, held by a lock on "backup_" +
// tag + ".lock"), and deletes them at its normal exit. An instance's copies
// are reopened by a later start only once that instance has ended (its lock
// is free), like the owner's copies after a crash.
//
// No widget here: the main window hands over the trees of its windows.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDirBlock;

inline constexpr std::int32_t kBackupPeriodMs = 300000;
// The test override of the period, in milliseconds.
inline constexpr const char* kBackupPeriodVariable = "CAROTIX_BACKUP_PERIOD_MS";
inline constexpr const char* kBackupLockName = "backup.lock";
// The copies and the lock files are created readable by their user alone:
// the copies hold the user's collections, whatever the collections' own
// modes, in a folder others may read.
inline constexpr mode_t kBackupFileMode = 0600;

// kBackupPeriodMs, or CAROTIX_BACKUP_PERIOD_MS when it holds a whole number
// from 10 to 2^31-1 (tests shorten the period with it).
std::int32_t BackupPeriodMs();

// "backup_" + anything + ".crx" (the crash-recovery copies).
bool IsBackupCopyName(std::string_view fileName);
// "backup_" + i + ".crx".
std::string BackupCopyName(int index);
// "backup_" + tag + "_" + i + ".crx": the copies of an instance that does
// not own the folder's copies.
std::string InstanceCopyName(std::string_view tag, int index);
// The tag of an instance's copy name, "" for any other name.
std::string InstanceTagOf(std::string_view fileName);
// True while the instance of that tag runs (holds its lock).
bool InstanceRunning(const std::filesystem::path& folder, std::string_view tag);
// The copies a start-up reopens: the owner's and those of instances that have
// ended (never those of `ownTag`).
std::vector<std::filesystem::path> ListRecoverableCopies(const std::filesystem::path& folder,
                                                         std::string_view ownTag = {});
// The copies of the folder that are files (folders named so are left alone),
// by their number, then by name for names that hold none.
std::vector<std::filesystem::path> ListBackupCopies(const std::filesystem::path& folder);

// Writes one copy: a temporary file of the folder, flushed to disk, renamed
// over the target. Never writes in place. Raises on failure (the target is
// then as it was).
void WriteBackupCopy(const TDirBlock& tree, const std::filesystem::path& target);
using BackupWriter = std::function<void(const TDirBlock& tree, const std::filesystem::path& target)>;

struct BackupPassResult {
    int written = 0;   // copies written
    int failed = 0;    // copies that could not be written (their old copy stays)
    int removed = 0;   // copies of windows no longer open, deleted
};
// One pass: trees[i] goes to backup_<i>.crx of the folder (with a tag, to
// that instance's own copies); then, when every tree was written, the copies
// of the same kind numbered from trees.size() on (and the temporary files of
// earlier interrupted passes) are deleted. Never raises. `writer` replaces
// WriteBackupCopy (tests inject failures with it).
BackupPassResult RunBackupPass(const std::filesystem::path& folder, const std::vector<const TDirBlock*>& trees,
                               const BackupWriter& writer = {}, std::string_view tag = {});

// Deletes the owner's copies of the folder (normal exit), or with a tag that
// instance's own copies and its lock file; failures are swallowed. Returns
// how many copies were deleted.
int DeleteBackupCopies(const std::filesystem::path& folder, std::string_view tag = {});

// Removes the lock files of the instances that ended without removing them
// (killed), once a start-up has reopened their copies: only the lock files no
// running instance holds, never `ownTag`'s. Their copies, when some are left,
// are still recovered by a later start (a copy without a lock file belongs to
// no running instance). Returns how many were removed.
int RemoveEndedInstanceLocks(const std::filesystem::path& folder, std::string_view ownTag);

// A copy that could not be read is set aside, not destroyed: renamed to its
// name + ".illisible" (+ "-2", "-3"... when taken), out of reach of the
// passes and of the next start. Returns the new path, empty when it could not
// be renamed.
std::filesystem::path SetAsideBackupCopy(const std::filesystem::path& copy);

// The lock that makes one instance the owner of the folder's copies. The lock
// is the kernel's (flock), so it goes with the process however it ends.
class BackupLock {
public:
    explicit BackupLock(std::filesystem::path folder);
    ~BackupLock();
    BackupLock(const BackupLock&) = delete;
    BackupLock& operator=(const BackupLock&) = delete;
    // Takes the lock when nobody holds it; true when this instance holds it
    // (now or already). A lock file this user may not write (a folder shared
    // by several users) is locked through a descriptor open for reading.
    bool TryAcquire();
    bool Owned() const { return fd_ >= 0; }
    void Release();
    const std::filesystem::path& Folder() const { return folder_; }

    // The process id written in the lock file by its owner, 0 when unknown.
    long OwnerProcess() const;

private:
    std::filesystem::path folder_;
    int fd_ = -1;
};

// The copies of an instance that does not own the folder's: a tag of its own
// and the lock that shows it still runs.
class InstanceBackups {
public:
    explicit InstanceBackups(std::filesystem::path folder);
    ~InstanceBackups();
    InstanceBackups(const InstanceBackups&) = delete;
    InstanceBackups& operator=(const InstanceBackups&) = delete;
    // Takes a fresh tag and its lock; false when none could be taken.
    bool Start();
    bool Started() const { return fd_ >= 0; }
    const std::string& Tag() const { return tag_; }
    // Deletes this instance's copies and its lock file.
    void End();

private:
    std::filesystem::path folder_;
    std::string tag_;
    int fd_ = -1;
};
