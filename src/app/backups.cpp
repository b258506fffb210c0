#include "app/backups.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "store/blocks.h"
#include "platform/base/safe_files.h"
#include "store/crx_file.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "backup_";
constexpr std::string_view kSuffix = ".crx";
constexpr std::size_t kTagLength = 8;

std::string InstanceLockName(std::string_view tag) { return std::string(kPrefix) + std::string(tag) + ".lock"; }

// The index of an instance's copy name of that tag, -1 for any other name.
long long InstanceCopyNumber(std::string_view name, std::string_view tag)
{
    if (tag.empty() || InstanceTagOf(name) != tag) return -1;
    const std::string_view digits =
        name.substr(kPrefix.size() + tag.size() + 1, name.size() - kPrefix.size() - tag.size() - 1 - kSuffix.size());
    long long n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    return ec == std::errc() && end == digits.data() + digits.size() ? n : -1;
}

bool EndsWith(std::string_view s, std::string_view end)
{
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

bool StartsWith(std::string_view s, std::string_view start) { return s.substr(0, start.size()) == start; }

std::string Utf8Name(const fs::path& p)
{
    const std::u8string s = p.filename().u8string();
    return std::string(s.begin(), s.end());
}

// The number of "backup_<n>.crx", -1 for any other name.
long long CopyNumber(std::string_view name)
{
    if (!IsBackupCopyName(name)) return -1;
    if (!InstanceTagOf(name).empty()) return -1;
    const std::string_view digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    long long n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) return -1;
    return n;
}

std::string DecimalText(long long n)
{
    char buf[24];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, ec == std::errc() ? end : buf);
}

}  // namespace

std::int32_t BackupPeriodMs()
{
    const char* text = std::getenv(kBackupPeriodVariable);
    if (!text || !*text) return kBackupPeriodMs;
    const std::string_view s(text);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || value < 10) return kBackupPeriodMs;
    return value;
}

bool IsBackupCopyName(std::string_view fileName)
{
    return fileName.size() >= kPrefix.size() + kSuffix.size() && StartsWith(fileName, kPrefix) &&
           EndsWith(fileName, kSuffix);
}

std::string BackupCopyName(int index) { return std::string(kPrefix) + DecimalText(index) + std::string(kSuffix); }

std::string InstanceCopyName(std::string_view tag, int index)
{
    return std::string(kPrefix) + std::string(tag) + "_" + DecimalText(index) + std::string(kSuffix);
}

std::string InstanceTagOf(std::string_view name)
{
    if (!IsBackupCopyName(name)) return {};
    const std::string_view middle = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (middle.size() < kTagLength + 2 || middle[kTagLength] != '_') return {};
    for (char c : middle.substr(0, kTagLength))
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return {};
    for (char c : middle.substr(kTagLength + 1))
        if (c < '0' || c > '9') return {};
    return std::string(middle.substr(0, kTagLength));
}

bool InstanceRunning(const fs::path& folder, std::string_view tag)
{
    const fs::path lock = folder / InstanceLockName(tag);
    const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    // A lock file this user may not open is another user's (the lock files
    // are private): whether that instance runs cannot be told, and its copies
    // are not this user's to take.
    if (fd < 0) return errno != ENOENT;
    const bool running = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return running;
}

std::vector<fs::path> ListRecoverableCopies(const fs::path& folder, std::string_view ownTag)
{
    std::vector<fs::path> copies;
    for (const fs::path& copy : ListBackupCopies(folder)) {
        const std::string tag = InstanceTagOf(Utf8Name(copy));
        if (!tag.empty() && (tag == ownTag || InstanceRunning(folder, tag))) continue;
        copies.push_back(copy);
    }
    return copies;
}

std::vector<fs::path> ListBackupCopies(const fs::path& folder)
{
    std::vector<fs::path> copies;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return copies;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string name = Utf8Name(it->path());
        if (!IsBackupCopyName(name)) continue;
        std::error_code ec2;
        if (!it->is_regular_file(ec2) || ec2) continue;
        copies.push_back(it->path());
    }
    std::sort(copies.begin(), copies.end(), [](const fs::path& a, const fs::path& b) {
        const std::string na = Utf8Name(a);
        const std::string nb = Utf8Name(b);
        const long long ia = CopyNumber(na);
        const long long ib = CopyNumber(nb);
        if ((ia < 0) != (ib < 0)) return ia >= 0;  // numbered copies first
        if (ia != ib) return ia < ib;
        return na < nb;
    });
    return copies;
}

void WriteBackupCopy(const TDirBlock& tree, const fs::path& target)
{
    // The block store's save: a temporary file, flushed, renamed over the
    // previous copy, the folder synced; never in place. The copy is the
    // user's data in the program's folder, which others may read: private,
    // whatever the collection's own mode, the umask or an older copy's mode.
    SaveBlockToFile(tree, target.string(), nullptr, kBackupFileMode);
}

BackupPassResult RunBackupPass(const fs::path& folder, const std::vector<const TDirBlock*>& trees,
                               const BackupWriter& writer, std::string_view tag)
{
    BackupPassResult result;
    try {
        // Temporary files left by a pass that a crash interrupted.
        RemoveStaleTempFiles(folder);
        for (std::size_t i = 0; i < trees.size(); ++i) {
            const int index = static_cast<int>(i);
            const fs::path target = folder / (tag.empty() ? BackupCopyName(index) : InstanceCopyName(tag, index));
            try {
                if (!trees[i]) throw std::logic_error("no tree");
                if (writer)
                    writer(*trees[i], target);
                else
                    WriteBackupCopy(*trees[i], target);
                ++result.written;
            } catch (...) {
                // The previous copy under this name stays whole; the other
                // collections are still written.
                ++result.failed;
            }
        }
        if (result.failed == 0) {
            // Only copies of this pass's own kind: another instance's copies
            // are never touched.
            for (const fs::path& copy : ListBackupCopies(folder)) {
                const std::string name = Utf8Name(copy);
                if (tag.empty() ? !InstanceTagOf(name).empty() : InstanceTagOf(name) != tag) continue;
                const long long n = tag.empty() ? CopyNumber(name) : InstanceCopyNumber(name, tag);
                if (n >= 0 && n < static_cast<long long>(trees.size())) continue;
                std::error_code ec2;
                if (fs::remove(copy, ec2)) ++result.removed;
            }
        }
    } catch (...) {
        // The pass never reports: the program goes on without its copies.
    }
    return result;
}

int DeleteBackupCopies(const fs::path& folder, std::string_view tag)
{
    int deleted = 0;
    try {
        for (const fs::path& copy : ListBackupCopies(folder)) {
            if (InstanceTagOf(Utf8Name(copy)) != tag) continue;
            std::error_code ec;
            if (fs::remove(copy, ec)) ++deleted;
        }
        if (!tag.empty()) {
            std::error_code ec;
            fs::remove(folder / InstanceLockName(tag), ec);
        }
    } catch (...) {
    }
    return deleted;
}

int RemoveEndedInstanceLocks(const fs::path& folder, std::string_view ownTag)
{
    int removed = 0;
    try {
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        if (ec) return 0;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec) break;
            const std::string name = Utf8Name(it->path());
            if (!StartsWith(name, kPrefix) || !EndsWith(name, ".lock")) continue;
            const std::string tag = name.substr(kPrefix.size(), name.size() - kPrefix.size() - 5);
            if (tag == ownTag || InstanceTagOf(InstanceCopyName(tag, 0)) != tag) continue;
            // Removed while this lock is held: an instance that still runs
            // holds it, and its file stays.
            const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
            if (fd < 0) continue;
            struct stat st {};
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                std::error_code ec2;
                if (fs::remove(it->path(), ec2)) ++removed;
            }
            ::close(fd);
        }
    } catch (...) {
    }
    return removed;
}

fs::path SetAsideBackupCopy(const fs::path& copy)
{
    try {
        const std::string base = copy.string() + ".illisible";
        for (int n = 1; n < 1000; ++n) {
            const fs::path target = n == 1 ? fs::path(base) : fs::path(base + "-" + DecimalText(n));
            std::error_code ec;
            if (fs::exists(target, ec) || ec) continue;
            fs::rename(copy, target, ec);
            if (ec) return {};
            return target;
        }
    } catch (...) {
    }
    return {};
}

BackupLock::BackupLock(fs::path folder) : folder_(std::move(folder)) {}

BackupLock::~BackupLock() { Release(); }

bool BackupLock::TryAcquire()
{
    if (fd_ >= 0) return true;
    const fs::path file = folder_ / kBackupLockName;
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kBackupFileMode);
    bool writable = fd >= 0;
    // A lock file another user made (a folder shared by several users), or
    // one made read-only: a lock through a descriptor open for reading
    // decides just as well.
    if (fd < 0) fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    // Who keeps the copies, for the other instances to tell their user.
    if (writable) {
        const std::string pid = DecimalText(::getpid()) + "\n";
        if (::ftruncate(fd_, 0) == 0) {
            [[maybe_unused]] const ssize_t n = ::pwrite(fd_, pid.data(), pid.size(), 0);
        }
    }
    return true;
}

long BackupLock::OwnerProcess() const
{
    std::string bytes;
    if (!ReadFileBytes(folder_ / kBackupLockName, bytes, 64)) return 0;
    long pid = 0;
    const auto [end, ec] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), pid);
    (void)end;
    return ec == std::errc() && pid > 0 ? pid : 0;
}

void BackupLock::Release()
{
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

InstanceBackups::InstanceBackups(fs::path folder) : folder_(std::move(folder)) {}

InstanceBackups::~InstanceBackups()
{
    if (fd_ >= 0) ::close(fd_);
}

bool InstanceBackups::Start()
{
    if (fd_ >= 0) return true;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string tag = RandomLettersAndDigits(kTagLength);
        const fs::path lock = folder_ / InstanceLockName(tag);
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kBackupFileMode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        // A start-up that removes the lock files of ended instances may have
        // taken this one before the lock was: it must still have its name.
        struct stat st {};
        if (::fstat(fd, &st) != 0 || st.st_nlink == 0) {
            ::close(fd);
            continue;
        }
        fd_ = fd;
        tag_ = tag;
        return true;
    }
    return false;
}

void InstanceBackups::End()
{
    if (fd_ < 0) return;
    DeleteBackupCopies(folder_, tag_);
    ::close(fd_);
    fd_ = -1;
    tag_.clear();
}
