#include "app/collection_document.h"

#include <stdexcept>

#include "store/blocks.h"
#include "store/crx_file.h"
#include "store/options.h"
#include "store/recent_files.h"

ECollectionReadError::ECollectionReadError(const std::string& file, const std::string& reason)
    : std::runtime_error("Impossible de lire \xC2\xAB " + file + " \xC2\xBB : " + reason), file_(file), reason_(reason)
{
}

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
    fresh->LoadFromFile(fileName_);
    if (fresh->Name == "Root") fresh->Name = kCollectionRootName;
    if (fresh->Name != kCollectionRootName) throw std::runtime_error(kInvalidFileFormat);
    root_ = std::move(fresh);
    TakeSnapshot();
    EnsureUnitXY();
    RecentAdd(fileName_);
}

void CollectionDocument::Save()
{
    root_->SaveToFile(fileName_);
    RecentAdd(fileName_);
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
