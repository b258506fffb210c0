// The document of a collection window, without any widget: the tree rooted
// "Carotix", its snapshot (the digest of the state last loaded or saved), the
// file name, loading with the root rules, saving, change detection and the
// coordinate unit "UnitéXY".
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/base/safe_files.h"
#include "store/blocks.h"

class TDirBlock;

inline constexpr const char* kCollectionRootName = "Carotix";
inline constexpr const char* kUnitXYName = "Unit\xC3\xA9XY";              // "UnitéXY"
inline constexpr const char* kInvalidFileFormat = "Format de fichier invalide";

// A collection file that could not be read, told with its name as the save
// failures are: "Impossible de lire « file » : " + the reader's own text
// ("Read beyond end of file", "Format de fichier invalide"...). A person who
// opened several files at once knows which one failed.
class ECollectionReadError : public std::runtime_error {
public:
    ECollectionReadError(const std::string& file, const std::string& reason);
    const std::string& File() const { return file_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string file_;
    std::string reason_;
};

class CollectionDocument {
public:
    // An empty tree and an empty snapshot, both "Carotix", then EnsureUnitXY:
    // a new collection differs from its snapshot by its unit alone and so
    // counts as modified.
    CollectionDocument();
    ~CollectionDocument();
    CollectionDocument(const CollectionDocument&) = delete;
    CollectionDocument& operator=(const CollectionDocument&) = delete;

    TDirBlock& Root() { return *root_; }
    const TDirBlock& Root() const { return *root_; }

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }

    // Loads FileName() into a fresh tree. A stored root named "Root" takes the
    // name "Carotix"; any other name than those two fails with "Format de
    // fichier invalide". A file that cannot be read whole (truncated,
    // malformed) fails with the store's message. On failure the document keeps
    // the tree and snapshot it had: a half-read tree never becomes the
    // collection. On success: snapshot, EnsureUnitXY (a file without a unit
    // counts as modified) and the file goes to the head of the recent files.
    void Load();
    // Writes the tree to FileName() (through a temporary file renamed over it),
    // then adds the file to the recent files. Does not retake the snapshot:
    // callers do (TakeSnapshot) after a save they asked for.
    void Save();
    // True when FileName() is the file last loaded or saved here and the file
    // on disk no longer has the stamp (size, modification time to the
    // nanosecond, inode) it had then: another program, or another window of
    // this one, wrote it since, and a save would lose its changes. False for
    // a file never loaded or saved here, and for a file that is gone.
    bool ChangedOnDisk() const;
    // The snapshot becomes the digest of the tree (a digest rather than a copy:
    // a collection of 100,000 boreholes would otherwise be held twice).
    void TakeSnapshot();
    // An empty snapshot: the tree then counts as modified (reopened backups).
    void ClearSnapshot();
    // The tree differs from its snapshot (types, names, values, children in order).
    bool IsModified() const;

    // "UnitéXY" at the root (element 0, text); "" when absent.
    std::string GetUnitXY() const;
    void SetUnitXY(const std::string& unit);
    // Stores the default unit ([Dessin] "UnitéXY", default "km") when the root
    // has no child of that name.
    void EnsureUnitXY();

private:
    std::unique_ptr<TDirBlock> root_;
    BlockDigest snapshot_;
    std::string fileName_;
    // The file as this document last read or wrote it.
    std::string stampedFile_;
    FileStamp stamp_;
};
