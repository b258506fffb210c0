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
// which one owns them. The other writes, reopens and deletes none until the
// owner has gone and it takes the lock itself.
//
// No widget here: the main window hands over the trees of its windows.
#pragma once

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

// kBackupPeriodMs, or CAROTIX_BACKUP_PERIOD_MS when it holds a whole number
// from 10 to 2^31-1 (tests shorten the period with it).
std::int32_t BackupPeriodMs();

// "backup_" + anything + ".crx" (the crash-recovery copies).
bool IsBackupCopyName(std::string_view fileName);
// "backup_" + i + ".crx".
std::string BackupCopyName(int index);
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
// One pass: trees[i] goes to backup_<i>.crx of the folder; then, when every
// tree was written, the copies numbered from trees.size() on (and the
// temporary files of earlier interrupted passes) are deleted. Never raises.
// `writer` replaces WriteBackupCopy (tests inject failures with it).
BackupPassResult RunBackupPass(const std::filesystem::path& folder, const std::vector<const TDirBlock*>& trees,
                               const BackupWriter& writer = {});

// Deletes every copy of the folder (normal exit); failures are swallowed.
// Returns how many were deleted.
int DeleteBackupCopies(const std::filesystem::path& folder);

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
    // (now or already).
    bool TryAcquire();
    bool Owned() const { return fd_ >= 0; }
    void Release();
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    int fd_ = -1;
};
