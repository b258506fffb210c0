#include "platform/base/safe_files.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTempPrefix = ".carotix-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempRandom = 8;

std::string Quoted(const fs::path& p) { return "\xC2\xAB " + PathText(p) + " \xC2\xBB"; }

// The file a path designates, symbolic links followed (a linked settings file
// or collection is updated, the link stays a link).
fs::path FollowLinks(const fs::path& file)
{
    std::error_code ec;
    fs::path p = file;
    for (int depth = 0; depth < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++depth) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p;
}

fs::path FolderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

FileStamp StampOf(const struct stat& st)
{
    FileStamp s;
    s.exists = true;
    s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.size = static_cast<std::int64_t>(st.st_size);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.device = static_cast<std::uint64_t>(st.st_dev);
    return s;
}

std::string RandomTempName()
{
    return std::string(kTempPrefix) + RandomLettersAndDigits(kTempRandom) + std::string(kTempSuffix);
}

}  // namespace

std::string RandomLettersAndDigits(std::size_t n)
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string raw(n, '\0');
    if (::getrandom(raw.data(), n, GRND_NONBLOCK) != static_cast<ssize_t>(n)) {
        // No entropy yet (very early boot): time and process id still make
        // collisions rare, and the callers' exclusive creation catches them.
        timespec ts {};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        unsigned long long seed = static_cast<unsigned long long>(ts.tv_nsec) * 6364136223846793005ull +
                                  static_cast<unsigned long long>(::getpid());
        for (char& c : raw) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            c = static_cast<char>(seed >> 56);
        }
    }
    std::string out;
    for (char c : raw) out += kAlphabet[static_cast<unsigned char>(c) % (sizeof kAlphabet - 1)];
    return out;
}

std::string PathText(const fs::path& p)
{
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

std::string SystemErrorText(int err)
{
    switch (err) {
    case ENOSPC: return "Plus de place sur le disque";
    case EDQUOT: return "Quota d'espace disque d\xC3\xA9pass\xC3\xA9";
    case EFBIG: return "Fichier trop volumineux pour le syst\xC3\xA8me";
    case EACCES: case EPERM: return "Permission refus\xC3\xA9" "e";
    case EROFS: return "Syst\xC3\xA8me de fichiers en lecture seule";
    case ENOENT: return "Fichier ou dossier introuvable";
    case ENOTDIR: return "Un \xC3\xA9l\xC3\xA9ment du chemin n'est pas un dossier";
    case EISDIR: return "C'est un dossier";
    case ENAMETOOLONG: return "Nom de fichier trop long";
    case EEXIST: return "Le fichier existe d\xC3\xA9j\xC3\xA0";
    case EIO: return "Erreur d'entr\xC3\xA9" "e/sortie";
    case EMFILE: case ENFILE: return "Trop de fichiers ouverts";
    case EBUSY: case ETXTBSY: return "Fichier ou p\xC3\xA9riph\xC3\xA9rique occup\xC3\xA9";
    case ELOOP: return "Trop de liens symboliques";
    case ENOMEM: return "M\xC3\xA9moire insuffisante";
    case EXDEV: return "Lien entre deux syst\xC3\xA8mes de fichiers impossible";
    case ENXIO: case ENODEV: return "P\xC3\xA9riph\xC3\xA9rique introuvable";
    case ESTALE: return "Fichier r\xC3\xA9seau devenu inaccessible";
    case EINVAL: return "Op\xC3\xA9ration invalide pour ce fichier";
    default: return "Erreur syst\xC3\xA8me " + std::to_string(err) + " (" + std::strerror(err) + ")";
    }
}

// ---- reading -----------------------------------------------------------------------

std::string ReadStatus::Reason() const
{
    switch (failure) {
    case ReadFailure::None: return {};
    case ReadFailure::System: return SystemErrorText(err);
    case ReadFailure::Directory: return "c'est un dossier";
    case ReadFailure::NotRegular: return "ce n'est pas un fichier ordinaire";
    case ReadFailure::TooBig: return "le fichier est trop volumineux";
    }
    return {};
}

int OpenRegularFile(const fs::path& file, ReadStatus* status, std::uint64_t* size, std::uint64_t maxBytes)
{
    auto kindOf = [&](const struct stat& st) -> ReadStatus {
        if (S_ISDIR(st.st_mode)) return {ReadFailure::Directory, EISDIR};
        if (!S_ISREG(st.st_mode)) return {ReadFailure::NotRegular, 0};
        if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return {ReadFailure::TooBig, EFBIG};
        return {};
    };
    auto failed = [&](ReadStatus s) {
        if (status) *status = s;
        return -1;
    };
    // Looked at before it is opened: opening a device may act on it, and
    // opening a pipe could wait for a writer.
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return failed({ReadFailure::System, errno});
    if (ReadStatus s = kindOf(st); !s) return failed(s);
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return failed({ReadFailure::System, errno});
    // The name may have been given to something else meanwhile.
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return failed({ReadFailure::System, err});
    }
    if (ReadStatus s = kindOf(st); !s) {
        ::close(fd);
        return failed(s);
    }
    if (status) *status = {};
    if (size) *size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

ReadStatus ReadFileBytes(const fs::path& file, std::string& bytes, std::size_t maxBytes)
{
    bytes.clear();
    ReadStatus status;
    std::uint64_t size = 0;
    const int fd = OpenRegularFile(file, &status, &size, maxBytes);
    if (fd < 0) return status;
    // Straight into a buffer of the file's size; a file that grows meanwhile
    // is read on through a small buffer, up to the bound.
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t used = 0;
    char extra[65536];
    for (;;) {
        const bool inPlace = used < bytes.size();
        char* into = inPlace ? bytes.data() + used : extra;
        const std::size_t room = inPlace ? bytes.size() - used : sizeof extra;
        const ssize_t n = ::read(fd, into, room);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            bytes.clear();
            return {ReadFailure::System, err};
        }
        if (n == 0) break;
        if (!inPlace) {
            if (used + static_cast<std::size_t>(n) > maxBytes) {
                ::close(fd);
                bytes.clear();
                return {ReadFailure::TooBig, EFBIG};
            }
            bytes.append(extra, static_cast<std::size_t>(n));
        }
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(used);
    return {};
}

bool ReadFileBounded(const fs::path& file, std::string& bytes, std::string* error, std::size_t maxBytes)
{
    const ReadStatus s = ReadFileBytes(file, bytes, maxBytes);
    if (!s && error) *error = "Impossible de lire le fichier " + Quoted(file) + " : " + s.Reason() + ".";
    return static_cast<bool>(s);
}

std::string ReadFileOrThrow(const fs::path& file, std::size_t maxBytes)
{
    std::string bytes;
    const ReadStatus s = ReadFileBytes(file, bytes, maxBytes);
    if (!s) throw EFileError("Impossible de lire le fichier " + Quoted(file) + " : " + s.Reason() + ".", s.err);
    return bytes;
}

// ---- writing -----------------------------------------------------------------------

bool IsProgramTempName(std::string_view name)
{
    if (name.size() != kTempPrefix.size() + kTempRandom + kTempSuffix.size()) return false;
    if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
    if (name.substr(name.size() - kTempSuffix.size()) != kTempSuffix) return false;
    for (char c : name.substr(kTempPrefix.size(), kTempRandom))
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

int RemoveStaleTempFiles(const fs::path& folder)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    const int dfd = ::dirfd(dir);
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (!IsProgramTempName(e->d_name)) continue;
        const int fd = ::openat(dfd, e->d_name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st {};
        // A save still running holds its file's lock: only unlocked files
        // are stale. The file is removed while this lock is held, and a
        // save checks after taking its lock that its file still exists.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (::unlinkat(dfd, e->d_name, 0) == 0) ++removed;
        }
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

mode_t UserFileMode()
{
    // The umask is read from the kernel's status of the process: setting it
    // to read it back would race with other threads creating files.
    std::string status;
    if (ReadFileBytes("/proc/self/status", status, 1 << 20)) {
        const std::size_t at = status.find("\nUmask:");
        if (at != std::string::npos) {
            mode_t mask = 0;
            std::size_t i = at + 7;
            while (i < status.size() && (status[i] == ' ' || status[i] == '\t')) ++i;
            bool any = false;
            while (i < status.size() && status[i] >= '0' && status[i] <= '7') {
                mask = static_cast<mode_t>(mask * 8 + static_cast<mode_t>(status[i] - '0'));
                ++i;
                any = true;
            }
            if (any) return 0666 & ~mask;
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

void SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // some file systems refuse to sync a folder: nothing more can be done there
    ::close(fd);
}

FileStamp StatFileStamp(const fs::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    return StampOf(st);
}

SafeTempFile::SafeTempFile(const fs::path& target) : target_(FollowLinks(target))
{
    // 0666 through the umask: a new file gets the user's usual permissions.
    Open(0666, false);
}

SafeTempFile::SafeTempFile(const fs::path& target, mode_t privateMode) : target_(FollowLinks(target))
{
    // Never readable by others, not even while it is being written.
    Open(privateMode, true);
}

void SafeTempFile::Open(mode_t createMode, bool fixedMode)
{
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        // Renaming over the file would succeed in a writable folder even when
        // the file itself is read-only: the file's own protection holds.
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno);
        if (S_ISDIR(st.st_mode)) Fail(EISDIR);
        mode_ = st.st_mode & 07777;
        keepMode_ = true;
    } else if (errno != ENOENT) {
        Fail(errno);
    }
    if (fixedMode) {
        mode_ = createMode;
        keepMode_ = true;
    }
    const fs::path folder = FolderOf(target_);
    RemoveStaleTempFiles(folder);
    int lastErr = EEXIST;
    for (int attempt = 0; attempt < 64; ++attempt) {
        const fs::path temp = folder / RandomTempName();
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, createMode);
        if (fd < 0) {
            lastErr = errno;
            if (lastErr == EEXIST || lastErr == EINTR) continue;
            break;
        }
        // Locked for as long as it is in use; a cleaner that removed it just
        // before the lock was taken leaves it without a name: take another.
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        struct stat own {};
        if (::fstat(fd, &own) == 0 && own.st_nlink == 0) {
            ::close(fd);
            continue;
        }
        fd_ = fd;
        temp_ = temp;
        return;
    }
    // A missing folder is told as such; any other refusal is told as the
    // missing temporary file it is, with the reason.
    if (lastErr == ENOENT || lastErr == ENOTDIR) Fail(lastErr);
    throw EFileError("Impossible d'enregistrer " + Quoted(target_) +
                         " : aucun fichier temporaire ne peut \xC3\xAAtre cr\xC3\xA9\xC3\xA9 dans le dossier " +
                         Quoted(folder) + " (" + SystemErrorText(lastErr) + "). Le fichier n'a pas \xC3\xA9t\xC3\xA9 modifi\xC3\xA9.",
                     lastErr);
}

SafeTempFile::~SafeTempFile()
{
    if (fd_ < 0) return;
    ::unlink(temp_.c_str());
    ::close(fd_);
}

void SafeTempFile::Fail(int err) const
{
    throw EFileError("Impossible d'enregistrer " + Quoted(target_) + " : " + SystemErrorText(err) + ".", err);
}

void SafeTempFile::Write(std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        if (n == 0) Fail(ENOSPC);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

bool SafeTempFile::Commit(bool replace)
{
    if (fd_ < 0) throw std::logic_error("temporary file already committed");
    // On disk before it takes the target's name, so that even a system crash
    // leaves one of the two whole.
    if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
    if (keepMode_ && ::fchmod(fd_, mode_) != 0) Fail(errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail(errno);
    committed_ = StampOf(st);
    if (replace) {
        if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
    } else if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) != 0) {
        int err = errno;
        if (err == EINVAL || err == ENOSYS) {
            // A file system without the no-replace rename: a hard link
            // refuses an existing name just as well.
            if (::link(temp_.c_str(), target_.c_str()) == 0) {
                ::unlink(temp_.c_str());
                err = 0;
            } else {
                err = errno;
            }
        }
        if (err == EEXIST) return false;
        if (err != 0) Fail(err);
    }
    // The rename (and a link and unlink) keeps the size, the modification
    // time and the inode but sets the change time: the stamp is taken again
    // from the written file itself, through its descriptor. Should that fail,
    // the file is saved all the same, and the stamp before the rename only
    // makes the next save ask once too often.
    if (::fstat(fd_, &st) == 0) committed_ = StampOf(st);
    // The new name itself on disk: a power cut cannot bring back the old file.
    SyncFolder(FolderOf(target_));
    ::close(fd_);
    fd_ = -1;
    return true;
}

void WriteFileSafely(const fs::path& target, std::string_view bytes)
{
    SafeTempFile temp(target);
    temp.Write(bytes);
    temp.Commit();
}

void WriteFileSafely(const fs::path& target, const std::function<void(int fd)>& fill)
{
    SafeTempFile temp(target);
    fill(temp.Fd());
    temp.Commit();
}
