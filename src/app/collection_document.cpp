#include "app/collection_document.h"

#include <filesystem>
#include <stdexcept>

#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/crx_file.h"
#include "store/options.h"
#include "store/recent_files.h"

ECollectionReadError::ECollectionReadError(const std::string& file, const std::string& reason)
    : std::runtime_error("Impossible de lire \xC2\xAB " + file + " \xC2\xBB : " + reason), file_(file), reason_(reason)
{
}

namespace {

// The window names its file by its whole path, the save-as dialog as chosen:
// both designate the same file.
bool SameFileName(const std::string& a, const std::string& b)
{
    if (a == b) return true;
    std::error_code ea, eb;
    const std::filesystem::path pa = std::filesystem::absolute(Utf8ToPath(a), ea).lexically_normal();
    const std::filesystem::path pb = std::filesystem::absolute(Utf8ToPath(b), eb).lexically_normal();
    return !ea && !eb && pa == pb;
}

}  // namespace

CollectionDocument::CollectionDocument()
    : root_(std::make_unique<TDirBlock>(kCollectionRootName))
{
    ClearSnapshot();
    EnsureUnitXY();
}

CollectionDocument::~CollectionDocument() = default;

void CollectionDocument::Load()
{
    // The file is read into a tree of its own: only a tree that was read whole
    // and has an accepted root replaces the collection. A window whose load
    // failed therefore never holds a partial tree that a later save would
    // write over the user's file.
    auto fresh = std::make_unique<TDirBlock>(kCollectionRootName);
    // Taken before the file is read: a save by another program while it is
    // read then shows as a change, never the other way round.
    const FileStamp stamp = StatFileStamp(fileName_);
    fresh->LoadFromFile(fileName_);
    if (fresh->Name == "Root") fresh->Name = kCollectionRootName;
    if (fresh->Name != kCollectionRootName) throw std::runtime_error(kInvalidFileFormat);
    root_ = std::move(fresh);
    stampedFile_ = fileName_;
    stamp_ = stamp;
    TakeSnapshot();
    EnsureUnitXY();
    RecentAdd(fileName_);
}

void CollectionDocument::Save()
{
    FileStamp written;
    SaveBlockToFile(*root_, fileName_, &written);
    stampedFile_ = fileName_;
    stamp_ = written;
    RecentAdd(fileName_);
}

bool CollectionDocument::ChangedOnDisk() const
{
    if (fileName_.empty() || !stamp_.exists || !SameFileName(stampedFile_, fileName_)) return false;
    const FileStamp now = StatFileStamp(fileName_);
    // A file that is gone holds no one's changes: the save only puts it back.
    return now.exists && !(now == stamp_);
}

void CollectionDocument::TakeSnapshot() { snapshot_ = DigestOf(*root_); }

void CollectionDocument::ClearSnapshot() { snapshot_ = DigestOf(TDirBlock(kCollectionRootName)); }

bool CollectionDocument::IsModified() const { return !(DigestOf(*root_) == snapshot_); }

std::string CollectionDocument::GetUnitXY() const { return root_->GetPathString(kUnitXYName, 0); }

void CollectionDocument::SetUnitXY(const std::string& unit) { root_->SetPathString(kUnitXYName, 0, btString, unit); }

void CollectionDocument::EnsureUnitXY()
{
    if (root_->IndexOfName(kUnitXYName) >= 0) return;
    root_->SetPathString(kUnitXYName, 0, btString, GetDefaultUnitXY());
}
