// Reading and writing whole files without losing the user's data.
//
// Reading: every file the program reads goes through ReadFileBounded. It
// refuses what is not a regular file (a directory, a named pipe, a device)
// before opening it and again on the open descriptor, opens without blocking
// (a pipe without a writer cannot hang the program), and never reads more than
// the caller's bound.
//
// Writing: a file written in full goes to a temporary file of the same folder,
// is flushed to disk, renamed over the target, and the folder is synced, so
// that a failure, a kill or a power cut leaves the old file or the new one
// whole. The temporary name is short and fixed in form (".carotix-" + 8
// letters or digits + ".tmp"), so it fits beside a target of any name length,
// and stale ones (from a save that was killed) are recognised and removed at
// the next save in that folder. Each temporary file is locked while it is in
// use, so the removal never takes the file of a save still running, in this
// instance or another. When no temporary file can be made, the save fails
// with a clear message and the target is not touched: nothing is ever written
// over the user's file in place.
//
// New files get the permissions of the user's umask; a replaced file keeps its
// own. Files made private (the crash-recovery copies) are 0600 from the start,
// whatever the umask or the file they replace. Messages are French and carry
// the system's reason in French for the common errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>

// A file could not be read or written. what() is the French message meant for
// the user; Error() the system error number (0 when there is none).
class EFileError : public std::runtime_error {
public:
    EFileError(const std::string& message, int err) : std::runtime_error(message), err_(err) {}
    int Error() const { return err_; }

private:
    int err_;
};

// The French text of a system error number: "Plus de place sur le disque",
// "Permission refusée", "Système de fichiers en lecture seule"... Errors
// without a French text of ours give "erreur système " + the number + the C
// library's text.
std::string SystemErrorText(int err);

// n random lowercase letters and digits (names of temporary files and tags).
std::string RandomLettersAndDigits(std::size_t n);

// A path as UTF-8 text for messages.
std::string PathText(const std::filesystem::path& p);

// What identifies one state of a file on disk: its size, its modification and
// change times to the nanosecond and its identity (device and inode). A save
// that renames a new file over it changes the identity, whatever the times; a
// rewrite in place that puts the modification time back (a sync tool, `touch
// -r`) still moves the change time, which no program can set.
struct FileStamp {
    bool exists = false;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;
    std::int64_t size = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file a path designates (symbolic links followed); a
// stamp that does not exist when there is none.
FileStamp StatFileStamp(const std::filesystem::path& file);

// ---- reading -------------------------------------------------------------------

// The default bound of ReadFileBounded: settings, templates, word lists and
// the other text files of the program are far smaller.
inline constexpr std::size_t kMaxTextFileBytes = 64u * 1024u * 1024u;

// Pictures (the bottom picture of the logs) are read whole before decoding.
inline constexpr std::size_t kMaxImageFileBytes = 256u * 1024u * 1024u;

enum class ReadFailure {
    None,
    System,       // the system refused (missing file, permission...): see err
    Directory,
    NotRegular,   // a named pipe, a device, a socket
    TooBig,       // more than the bound
};

struct ReadStatus {
    ReadFailure failure = ReadFailure::None;
    int err = 0;
    explicit operator bool() const { return failure == ReadFailure::None; }
    // "Permission refusée", "c'est un dossier", "ce n'est pas un fichier
    // ordinaire", "le fichier est trop volumineux"...
    std::string Reason() const;
};

// Reads a whole regular file of at most maxBytes bytes into `bytes` (emptied
// on failure).
ReadStatus ReadFileBytes(const std::filesystem::path& file, std::string& bytes,
                         std::size_t maxBytes = kMaxTextFileBytes);

// The opening step of ReadFileBytes for readers that stream a large file:
// a descriptor open for reading on a regular file of at most maxBytes bytes
// (its size in *size), or -1 with the failure in *status.
int OpenRegularFile(const std::filesystem::path& file, ReadStatus* status, std::uint64_t* size,
                    std::uint64_t maxBytes);

// The same, false with the French message "Impossible de lire le fichier
// « path » : reason" in *error.
bool ReadFileBounded(const std::filesystem::path& file, std::string& bytes, std::string* error,
                     std::size_t maxBytes = kMaxTextFileBytes);

// The same, raising EFileError with that message.
std::string ReadFileOrThrow(const std::filesystem::path& file, std::size_t maxBytes = kMaxTextFileBytes);

// ---- writing -------------------------------------------------------------------

// True for the names of the program's temporary files.
bool IsProgramTempName(std::string_view fileName);

// Removes the program's temporary files of the folder that no save is using
// any more. Never raises; answers how many were removed.
int RemoveStaleTempFiles(const std::filesystem::path& folder);

// The permissions a new file gets: 0666 less the process umask.
mode_t UserFileMode();

// Flushes a folder's entries to disk (after a rename in it). Failures of file
// systems that cannot sync folders are ignored.
void SyncFolder(const std::filesystem::path& folder);

// One temporary file beside a target. The file is open and locked until it is
// committed or the object dies; a file not committed is removed.
class SafeTempFile {
public:
    // Creates the temporary file for `target` (symbolic links followed, so
    // that the file linked to is replaced and the link stays). First removes
    // the folder's stale temporary files. Raises EFileError when the target
    // exists but may not be written, or when no temporary file can be made.
    explicit SafeTempFile(const std::filesystem::path& target);
    // The same for a file that holds the user's data where others may look
    // (crash-recovery copies in the program folder): the temporary file is
    // created with `privateMode` (0600) and the target ends with exactly that
    // mode, whatever the umask and the mode of the file it replaces.
    SafeTempFile(const std::filesystem::path& target, mode_t privateMode);
    ~SafeTempFile();
    SafeTempFile(const SafeTempFile&) = delete;
    SafeTempFile& operator=(const SafeTempFile&) = delete;

    int Fd() const { return fd_; }
    const std::filesystem::path& Path() const { return temp_; }
    const std::filesystem::path& Target() const { return target_; }

    // Writes all the bytes (raises EFileError on failure).
    void Write(std::string_view bytes);
    // Flushes the file to disk, gives it its permissions, renames it over the
    // target and syncs the folder. With replace false an existing target is
    // not replaced and the answer is false. Raises EFileError.
    bool Commit(bool replace = true);
    // The message for a failure of the save: "Impossible d'enregistrer
    // « target » : reason".
    [[noreturn]] void Fail(int err) const;
    // The stamp of the file as committed, taken from the written file once
    // it has its name (the rename sets its change time): what the target
    // holds right after this save.
    const FileStamp& Committed() const { return committed_; }

private:
    void Open(mode_t createMode, bool fixedMode);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    mode_t mode_ = 0;
    bool keepMode_ = false;
    FileStamp committed_;
};

// Writes `bytes` as the whole content of `target` through a SafeTempFile.
void WriteFileSafely(const std::filesystem::path& target, std::string_view bytes);
// The same with the content written by `fill` into the descriptor (a writer
// that streams a large file); an exception of `fill` leaves the target as it
// was and goes on.
void WriteFileSafely(const std::filesystem::path& target, const std::function<void(int fd)>& fill);
