// Directories: children, backslash paths, lookups, creators and element stores
// through the holding directory.
#include "store/blocks.h"

#include <algorithm>

#include "platform/base/rtl_numbers.h"

namespace {

constexpr int kMaxElements = 1 << 27;   // as in blocks.cpp

// A path after the leading-backslash rule: `full` still holds its trailing "\"
// (some messages show it), `path` has one trailing "\" removed.
struct SplitPath {
    std::string_view full;
    std::string_view path;
};

SplitPath Strip(std::string_view p)
{
    SplitPath s{p, p};
    if (!s.path.empty() && s.path.back() == '\\') s.path.remove_suffix(1);
    return s;
}

// Walks the names of `path` one at a time.
class NameWalker {
public:
    explicit NameWalker(std::string_view path) : path_(path) {}
    // Moves to the next name; false at the end.
    bool Next()
    {
        if (done_) return false;
        offset_ = pos_;
        const std::size_t bs = path_.find('\\', pos_);
        if (bs == std::string_view::npos) {
            name_ = path_.substr(pos_);
            done_ = true;
        } else {
            name_ = path_.substr(pos_, bs - pos_);
            pos_ = bs + 1;
        }
        return true;
    }
    std::string_view Name() const { return name_; }
    // Where the name starts in the path.
    std::size_t Offset() const { return offset_; }
    // The name is the path's last.
    bool Last() const { return done_; }

private:
    std::string_view path_;
    std::string_view name_;
    std::size_t offset_ = 0;
    std::size_t pos_ = 0;
    bool done_ = false;
};

std::unique_ptr<TBlock> CreateColumn(std::uint8_t typeCode)
{
    switch (typeCode) {
    case btString: case btStringArray: case btInt: case btIntArray: case btFloat: case btFloatArray:
        return CreateBlockOfType(typeCode);
    default:
        throw EBlockError("Invalid constructor type");
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Children
// ---------------------------------------------------------------------------

TBlock* TDirBlock::Child(int index) const
{
    if (index < 0 || index >= ItemCount()) return nullptr;
    return items_[static_cast<std::size_t>(index)].get();
}

TDirBlock* TDirBlock::ChildDir(int index) const
{
    TBlock* b = Child(index);
    return b != nullptr && b->IsDir() ? static_cast<TDirBlock*>(b) : nullptr;
}

// ---------------------------------------------------------------------------
// The name index of a large directory
// ---------------------------------------------------------------------------

TDirBlock::NameIndex* TDirBlock::Index() const
{
    if (!index_ && items_.size() >= kIndexedFrom) BuildIndex();
    return index_.get();
}

void TDirBlock::BuildIndex() const
{
    auto index = std::make_unique<NameIndex>();
    index->reserve(items_.size());
    for (std::size_t k = 0; k < items_.size(); ++k) {
        TBlock* b = items_[k].get();
        b->slot_ = static_cast<std::int32_t>(k);
        NameEntry& e = (*index)[b->Name];
        if (e.count++ == 0) e.first = b;
    }
    index->slotsValid = items_.size();
    index_ = std::move(index);
}

int TDirBlock::SlotOf(const TBlock* child) const
{
    const auto s = static_cast<std::size_t>(child->slot_);
    std::size_t& slotsValid = index_->slotsValid;
    if (s < slotsValid && s < items_.size() && items_[s].get() == child) return static_cast<int>(s);
    // Removals moved the children after them down: number them again.
    for (std::size_t k = std::min(slotsValid, items_.size()); k < items_.size(); ++k)
        items_[k]->slot_ = static_cast<std::int32_t>(k);
    slotsValid = items_.size();
    return child->slot_;
}

// `child` now stands at `position`.
void TDirBlock::IndexAdd(TBlock* child, int position) const
{
    if (!index_) return;
    child->slot_ = position;
    if (static_cast<std::size_t>(position) == index_->slotsValid) ++index_->slotsValid;
    NameEntry& e = (*index_)[child->Name];
    if (e.count++ == 0 || position < SlotOf(e.first)) e.first = child;
}

// `child`, at `position`, is about to leave (or to change its name).
void TDirBlock::IndexRemove(TBlock* child, int position) const
{
    if (!index_) return;
    const auto it = index_->find(child->Name);
    if (it == index_->end()) {
        // The name was changed behind the directory's back: start afresh.
        index_.reset();
        return;
    }
    NameEntry& e = it->second;
    if (--e.count == 0) {
        index_->erase(it);
    } else if (e.first == child) {
        e.first = nullptr;
        for (std::size_t k = static_cast<std::size_t>(position) + 1; k < items_.size(); ++k)
            if (items_[k]->Name == child->Name) {
                e.first = items_[k].get();
                break;
            }
        if (!e.first) index_.reset();
    }
}

int TDirBlock::IndexOf(const TBlock* block) const
{
    if (block == nullptr || block->parent_ != this) return -1;
    if (Index()) return SlotOf(block);
    for (std::size_t k = 0; k < items_.size(); ++k)
        if (items_[k].get() == block) return static_cast<int>(k);
    return -1;
}

int TDirBlock::IndexOfName(std::string_view name) const
{
    if (const NameIndex* index = Index()) {
        const auto it = index->find(name);
        if (it == index->end()) return -1;
        if (it->second.first->Name == name) return SlotOf(it->second.first);
        BuildIndex();   // a name was changed behind the directory's back
        return IndexOfName(name);
    }
    for (std::size_t k = 0; k < items_.size(); ++k)
        if (items_[k]->Name == name) return static_cast<int>(k);
    return -1;
}

int TDirBlock::IndexOfDir(std::string_view name) const
{
    std::size_t from = 0;
    if (const NameIndex* index = Index()) {
        const int k = IndexOfName(name);
        if (k < 0) return -1;
        if (items_[static_cast<std::size_t>(k)]->IsDir()) return k;
        if (index_->find(name)->second.count == 1) return -1;
        from = static_cast<std::size_t>(k) + 1;   // a value block of that name comes first
    }
    for (std::size_t k = from; k < items_.size(); ++k)
        if (items_[k]->IsDir() && items_[k]->Name == name) return static_cast<int>(k);
    return -1;
}

TBlock* TDirBlock::Append(std::unique_ptr<TBlock> block)
{
    block->parent_ = this;
    items_.push_back(std::move(block));
    IndexAdd(items_.back().get(), static_cast<int>(items_.size()) - 1);
    return items_.back().get();
}

TBlock* TDirBlock::ReplaceAt(int c, std::unique_ptr<TBlock> block)
{
    block->parent_ = this;
    auto& slot = items_[static_cast<std::size_t>(c)];
    IndexRemove(slot.get(), c);
    slot->parent_ = nullptr;
    slot = std::move(block);   // destroys the old block
    IndexAdd(slot.get(), c);
    return slot.get();
}

bool TDirBlock::HoldsInTree(const TBlock* block) const
{
    for (const TDirBlock* d = this; d != nullptr; d = d->parent_)
        if (d == block) return true;
    return false;
}

bool TDirBlock::AddChecked(TBlock* b, bool owned, bool allowDuplicate)
{
    const std::size_t bs = b->Name.find('\\');
    if (bs != std::string::npos) {
        TDirBlock* sub = GetOrCreateSubDir(std::string_view(b->Name).substr(0, bs), false);
        // A block that still has a parent is renamed through it, which keeps
        // that directory's name index right.
        if (b->parent_ != nullptr) b->parent_->RenameChild(b->parent_->IndexOf(b), b->Name.substr(bs + 1), true);
        else b->Name.erase(0, bs + 1);
        return sub->AddChecked(b, owned, false);
    }
    if (b->parent_ == this) return false;
    if (!allowDuplicate && IndexOfName(b->Name) >= 0) return false;
    // A directory never goes into itself or below itself: that would make a
    // cycle and lose the whole subtree.
    // (An empty directory other than this one cannot hold this one: no need to
    // walk up a deep tree for the directories that paths create.)
    if (b->IsDir() && (b == this || (!static_cast<TDirBlock*>(b)->items_.empty() && HoldsInTree(b)))) return false;
    // Room first: nothing may fail once ownership has moved.
    if (items_.size() == items_.capacity()) items_.reserve(items_.capacity() * 2 + static_cast<std::size_t>(Delta));
    std::unique_ptr<TBlock> take = owned ? std::unique_ptr<TBlock>(b) : b->parent_->RemoveChild(b);
    Append(std::move(take));
    return true;
}

bool TDirBlock::AddOwned(TBlock* block, bool allowDuplicate)
{
    if (block == nullptr) return false;
    if (block->parent_ != nullptr) throw std::logic_error("AddChild: an owned block still has a parent");
    return AddChecked(block, true, allowDuplicate);
}

bool TDirBlock::AddChild(TBlock* block, bool allowDuplicate)
{
    if (block == nullptr) return false;
    if (block->parent_ == nullptr) throw std::logic_error("AddChild: a block without parent must be handed over");
    return AddChecked(block, false, allowDuplicate);
}

std::unique_ptr<TBlock> TDirBlock::RemoveAt(int index)
{
    if (index < 0 || index >= ItemCount()) return nullptr;
    auto it = items_.begin() + index;
    IndexRemove(it->get(), index);
    std::unique_ptr<TBlock> taken = std::move(*it);
    items_.erase(it);
    if (index_) index_->slotsValid = std::min(index_->slotsValid, static_cast<std::size_t>(index));
    taken->parent_ = nullptr;
    return taken;
}

std::unique_ptr<TBlock> TDirBlock::RemoveChild(TBlock* block) { return RemoveAt(IndexOf(block)); }

void TDirBlock::DeleteChild(int index) { RemoveAt(index); }

bool TDirBlock::RenameChild(int index, std::string_view newName, bool allowDuplicate)
{
    TBlock* b = Child(index);
    if (b == nullptr) return false;
    if (b->Name == newName) return true;
    if (!allowDuplicate && IndexOfName(newName) >= 0) return false;
    IndexRemove(b, index);
    b->Name.assign(newName);
    IndexAdd(b, index);
    return true;
}

void TDirBlock::DeleteChildrenIf(const std::function<bool(const TBlock&)>& doomed)
{
    std::size_t kept = 0;
    for (std::size_t k = 0; k < items_.size(); ++k) {
        if (doomed(*items_[k])) {
            items_[k]->parent_ = nullptr;
            items_[k].reset();
            continue;
        }
        if (kept != k) items_[kept] = std::move(items_[k]);
        ++kept;
    }
    if (kept == items_.size()) return;
    items_.resize(kept);
    // Every position after the first removal moved: the index starts afresh.
    index_.reset();
}

void TDirBlock::Clear()
{
    items_.clear();
    index_.reset();
}

// ---------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------

TDirBlock* TDirBlock::TopDir()
{
    TDirBlock* d = this;
    while (d->parent_ != nullptr) d = d->parent_;
    return d;
}

const TDirBlock* TDirBlock::TopDir() const
{
    const TDirBlock* d = this;
    while (d->parent_ != nullptr) d = d->parent_;
    return d;
}

namespace {
// The starting directory and the path after the leading-backslash rule.
template <class Dir>
Dir* StartOf(Dir* self, std::string_view& path)
{
    if (!path.empty() && path.front() == '\\') {
        path.remove_prefix(1);
        return self->TopDir();
    }
    return self;
}
}  // namespace

TDirBlock* TDirBlock::GetOrCreateSubDir(std::string_view name, bool alwaysCreate)
{
    const int k = IndexOfName(name);
    if (k >= 0) {
        TBlock* b = items_[static_cast<std::size_t>(k)].get();
        if (!b->IsDir()) throw EBlockError(std::string(name) + " n'est pas un répertoire");
        if (!alwaysCreate) return static_cast<TDirBlock*>(b);
    }
    return static_cast<TDirBlock*>(Append(std::make_unique<TDirBlock>(std::string(name))));
}

namespace {
// One step of GetDir / GetBlock through a directory that must exist; `rest`
// is the part of the path its failure names.
TDirBlock* ExistingStep(TDirBlock* dir, std::string_view name, std::string_view rest)
{
    const int k = dir->IndexOfName(name);
    if (k < 0) throw EBlockError("Path not found (" + std::string(rest) + ")");
    TBlock* b = dir->Child(k);
    if (!b->IsDir()) throw EBlockError(std::string(name) + " is not a directory");
    return static_cast<TDirBlock*>(b);
}
}  // namespace

TDirBlock* TDirBlock::GetDir(std::string_view pathIn)
{
    TDirBlock* dir = StartOf(this, pathIn);
    const SplitPath sp = Strip(pathIn);
    if (sp.path.empty()) return dir;
    NameWalker w(sp.path);
    while (w.Next()) dir = ExistingStep(dir, w.Name(), sp.full.substr(w.Offset()));
    return dir;
}

TBlock* TDirBlock::GetBlock(std::string_view pathIn)
{
    TDirBlock* dir = StartOf(this, pathIn);
    const SplitPath sp = Strip(pathIn);
    if (sp.path.empty()) return dir;
    NameWalker w(sp.path);
    while (w.Next()) {
        if (!w.Last()) {
            dir = ExistingStep(dir, w.Name(), sp.path.substr(w.Offset()));
            continue;
        }
        const int k = dir->IndexOfName(w.Name());
        if (k < 0) throw EBlockError("File not found (" + std::string(w.Name()) + ")");
        TBlock* b = dir->items_[static_cast<std::size_t>(k)].get();
        if (b->IsDir()) throw EBlockError("Block " + dir->Name + " is a directory");
        return b;
    }
    return dir;   // not reached
}

TDirBlock* TDirBlock::FindDir(std::string_view pathIn) const
{
    const TDirBlock* dir = StartOf(this, pathIn);
    const SplitPath sp = Strip(pathIn);
    if (!sp.path.empty()) {
        NameWalker w(sp.path);
        while (w.Next()) {
            const int k = dir->IndexOfDir(w.Name());
            if (k < 0) return nullptr;
            dir = static_cast<const TDirBlock*>(dir->items_[static_cast<std::size_t>(k)].get());
        }
    }
    return const_cast<TDirBlock*>(dir);
}

TBlock* TDirBlock::FindBlock(std::string_view pathIn) const
{
    const TDirBlock* dir = StartOf(this, pathIn);
    const SplitPath sp = Strip(pathIn);
    if (sp.path.empty()) return nullptr;
    NameWalker w(sp.path);
    while (w.Next()) {
        const int k = dir->IndexOfName(w.Name());
        if (k < 0) return nullptr;
        TBlock* b = dir->items_[static_cast<std::size_t>(k)].get();
        if (w.Last()) return b->IsDir() ? nullptr : b;
        if (!b->IsDir()) return nullptr;
        dir = static_cast<const TDirBlock*>(b);
    }
    return nullptr;
}

bool TDirBlock::BlockExists(std::string_view pathIn) const
{
    std::string_view p = pathIn;
    StartOf(this, p);
    if (Strip(p).path.empty()) return true;
    return FindBlock(pathIn) != nullptr;
}

namespace {
// One step of ForceDir / ForceBlock before the last name: the directory of that
// name, created when absent; a value block there raises.
TDirBlock* ForceStep(TDirBlock* dir, std::string_view name)
{
    const int k = dir->IndexOfName(name);
    if (k < 0) {
        auto sub = std::make_unique<TDirBlock>(std::string(name));
        TDirBlock* raw = sub.get();
        dir->AddChild(std::move(sub), false);
        return raw;
    }
    TBlock* b = dir->Child(k);
    if (!b->IsDir()) throw EBlockError(std::string(name) + " is not a directory");
    return static_cast<TDirBlock*>(b);
}
}  // namespace

TDirBlock* TDirBlock::ForceDir(std::string_view pathIn)
{
    TDirBlock* dir = StartOf(this, pathIn);
    const SplitPath sp = Strip(pathIn);
    if (sp.path.empty()) return dir;
    NameWalker w(sp.path);
    while (w.Next()) dir = w.Last() ? dir->GetOrCreateSubDir(w.Name(), false) : ForceStep(dir, w.Name());
    return dir;
}

TBlock* TDirBlock::ForceBlock(std::string_view pathIn, std::uint8_t typeCode, std::string_view initialText)
{
    TDirBlock* dir = StartOf(this, pathIn);
    const SplitPath sp = Strip(pathIn);
    if (sp.path.empty()) return dir;
    NameWalker w(sp.path);
    while (w.Next()) {
        const std::string_view name = w.Name();
        if (!w.Last()) {
            dir = ForceStep(dir, name);
            continue;
        }
        const int k = dir->IndexOfName(name);
        if (k >= 0) {
            TBlock* b = dir->items_[static_cast<std::size_t>(k)].get();
            if (b->IsDir()) throw EBlockError("Block " + dir->Name + " is a directory");
            return b;
        }
        std::unique_ptr<TBlock> b = CreateColumn(typeCode);
        b->Name.assign(name);
        b->SetString(0, initialText);
        return dir->Append(std::move(b));
    }
    return dir;   // not reached
}

// ---------------------------------------------------------------------------
// Reading and writing by path
// ---------------------------------------------------------------------------

std::string TDirBlock::GetPathString(std::string_view path, int i) const
{
    const TBlock* b = FindBlock(path);
    return b != nullptr ? b->GetString(i) : std::string();
}

std::int32_t TDirBlock::GetPathInt(std::string_view path, int i) const
{
    const TBlock* b = FindBlock(path);
    if (b == nullptr) return MissingInt;
    if (b->BlockType() == btString || b->BlockType() == btStringArray) {
        if (i < 0 || i >= b->Count()) return MissingInt;
        int err = 0;
        return ValInt(b->GetString(i), err);   // partial value on a bad text
    }
    return b->GetInt(i);
}

double TDirBlock::GetPathFloat(std::string_view path, int i) const
{
    const TBlock* b = FindBlock(path);
    return b != nullptr ? b->GetFloat(i) : MissingFloat;
}

namespace {
enum class StoreKind { Text, Int, Float };
}

void TDirBlock::StoreThroughParent(TBlock* b, int i, std::uint8_t typeCode, int kind, std::string_view text,
                                   std::int32_t intValue, double floatValue)
{
    TDirBlock* p = b->parent_;
    // Every element index goes through the holding directory, row 0 included,
    // so that a double stored into an integer column converts the column
    // instead of being truncated.
    if (p != nullptr && b != this) {
        const int c = p->IndexOf(b);
        switch (static_cast<StoreKind>(kind)) {
        case StoreKind::Text: p->SetStringAt(c, i, typeCode, text); break;
        case StoreKind::Int: p->SetIntAt(c, i, intValue); break;
        case StoreKind::Float: p->SetFloatAt(c, i, floatValue); break;
        }
        return;
    }
    switch (static_cast<StoreKind>(kind)) {
    case StoreKind::Text: b->SetString(i, text); break;
    case StoreKind::Int: b->SetInt(i, intValue); break;
    case StoreKind::Float: b->SetFloat(i, floatValue); break;
    }
}

void TDirBlock::SetPathString(std::string_view path, int i, std::uint8_t typeCode, std::string_view value)
{
    std::string copy(value);   // the value may live in the block about to be replaced
    TBlock* b = ForceBlock(path, typeCode, "");
    StoreThroughParent(b, i, typeCode, static_cast<int>(StoreKind::Text), copy, 0, 0.0);
}

void TDirBlock::SetPathInt(std::string_view path, int i, std::uint8_t typeCode, std::int32_t value)
{
    TBlock* b = ForceBlock(path, typeCode, "");
    StoreThroughParent(b, i, typeCode, static_cast<int>(StoreKind::Int), {}, value, 0.0);
}

void TDirBlock::SetPathFloat(std::string_view path, int i, std::uint8_t typeCode, double value)
{
    TBlock* b = ForceBlock(path, typeCode, "");
    StoreThroughParent(b, i, typeCode, static_cast<int>(StoreKind::Float), {}, 0, value);
}

int TDirBlock::IndexOfPathString(std::string_view path, std::string_view text) const
{
    const TBlock* b = FindBlock(path);
    return b != nullptr ? b->IndexOfString(text) : -1;
}

// ---------------------------------------------------------------------------
// Element stores through the directory
// ---------------------------------------------------------------------------

TBlock* TDirBlock::EnsureElement(int c, int i, std::uint8_t wanted)
{
    if (c < 0 || c >= ItemCount() || i < 0) return nullptr;
    TBlock* b = items_[static_cast<std::size_t>(c)].get();
    if (b->Count() == 0 || b->IsDir()) return nullptr;

    if ((wanted == btFloat || wanted == btFloatArray)
        && (b->BlockType() == btInt || b->BlockType() == btIntArray)) {
        if (b->BlockType() == btInt) {
            const std::int32_t v = static_cast<TIntBlock*>(b)->Value;
            b = ReplaceAt(c, std::make_unique<TFloatBlock>(b->Name, v == MissingInt ? MissingFloat : v));
        } else {
            const auto& ints = static_cast<TIntArrayBlock*>(b)->Items;
            std::vector<double> doubles;
            doubles.reserve(ints.size());
            for (std::int32_t v : ints) doubles.push_back(v == MissingInt ? MissingFloat : v);
            auto fb = std::make_unique<TFloatArrayBlock>(b->Name, std::move(doubles));
            fb->Delta = static_cast<TIntArrayBlock*>(b)->Delta;
            b = ReplaceAt(c, std::move(fb));
        }
    }
    if (b->Count() > i) return b;

    if (b->IsSingleValue()) {
        switch (b->BlockType()) {
        case btString: {
            auto a = std::make_unique<TStrArrayBlock>(b->Name);
            a->Append(static_cast<TStrBlock*>(b)->Value);
            b = ReplaceAt(c, std::move(a));
            break;
        }
        case btInt:
            b = ReplaceAt(c, std::make_unique<TIntArrayBlock>(
                                 b->Name, std::vector<std::int32_t>{static_cast<TIntBlock*>(b)->Value}));
            break;
        default:
            b = ReplaceAt(c, std::make_unique<TFloatArrayBlock>(
                                 b->Name, std::vector<double>{static_cast<TFloatBlock*>(b)->Value}));
            break;
        }
    }
    switch (b->BlockType()) {
    case btStringArray: case btIntArray: case btFloatArray:
        break;
    default:
        throw EBlockError("Unable to resize block");
    }
    if (i >= kMaxElements) throw EBlockError("Unable to resize block");
    b->Resize(i + 1);
    return b;
}

void TDirBlock::SetStringAt(int c, int i, std::uint8_t wanted, std::string_view text)
{
    if (wanted == btFloat) {
        if (auto v = TryStrToInt(text)) {
            SetIntAt(c, i, *v);
            return;
        }
    }
    std::string copy(text);   // the text may live in the block about to be replaced
    if (TBlock* b = EnsureElement(c, i, wanted)) b->SetString(i, copy);
}

void TDirBlock::SetIntAt(int c, int i, std::int32_t value)
{
    if (TBlock* b = EnsureElement(c, i, btInt)) b->SetInt(i, value);
}

void TDirBlock::SetFloatAt(int c, int i, double value)
{
    if (TBlock* b = EnsureElement(c, i, btFloat)) b->SetFloat(i, value);
}

void TDirBlock::SetTextAt(int c, int i, std::string_view text)
{
    std::string copy(text);
    if (TBlock* b = EnsureElement(c, i, btNone)) b->SetString(i, copy);
}
