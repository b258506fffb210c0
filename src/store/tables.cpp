// Tables: a directory whose value children are its columns, a row being one
// element index across them; and the merging of a block into a directory, which
// the importers and the paste of boreholes use to add rows to existing tables.
#include "store/tables.h"

int TDirBlock::RowCount() const
{
    int rows = 0;
    for (const auto& child : items_)
        if (child->Count() > rows && !child->IsDir()) rows = child->Count();
    return rows;
}

void TDirBlock::InsertRow(int r)
{
    if (r < 0) return;
    for (int c = 0; c < ItemCount(); ++c) {
        TBlock* b = items_[static_cast<std::size_t>(c)].get();
        switch (b->BlockType()) {
        case btString: {
            const std::string old = static_cast<TStrBlock*>(b)->Value;
            SetTextAt(c, r, "");
            if (r == 0) SetTextAt(c, 1, old);
            break;
        }
        case btInt: {
            const std::int32_t old = static_cast<TIntBlock*>(b)->Value;
            SetTextAt(c, r, "");
            if (r == 0) {
                SetTextAt(c, 1, "");
                items_[static_cast<std::size_t>(c)]->SetInt(1, old);
            }
            break;
        }
        case btFloat: {
            const double old = static_cast<TFloatBlock*>(b)->Value;
            SetTextAt(c, r, "");
            if (r == 0) {
                SetTextAt(c, 1, "");
                items_[static_cast<std::size_t>(c)]->SetFloat(1, old);
            }
            break;
        }
        case btStringArray: {
            auto* a = static_cast<TStrArrayBlock*>(b);
            if (r <= a->ItemCount()) a->Insert(r, "");
            else a->Resize(r + 1);
            break;
        }
        case btIntArray: {
            auto& v = static_cast<TIntArrayBlock*>(b)->Items;
            if (static_cast<std::size_t>(r) <= v.size()) v.insert(v.begin() + r, MissingInt);
            else v.resize(static_cast<std::size_t>(r) + 1, MissingInt);
            break;
        }
        case btFloatArray: {
            auto& v = static_cast<TFloatArrayBlock*>(b)->Items;
            if (static_cast<std::size_t>(r) <= v.size()) v.insert(v.begin() + r, MissingFloat);
            else v.resize(static_cast<std::size_t>(r) + 1, MissingFloat);
            break;
        }
        default:
            break;
        }
    }
}

void TDirBlock::DeleteRow(int r)
{
    if (r < 0) return;
    for (int c = ItemCount() - 1; c >= 0; --c) {
        TBlock* b = items_[static_cast<std::size_t>(c)].get();
        const std::uint8_t t = b->BlockType();
        const bool array = t == btStringArray || t == btIntArray || t == btFloatArray;
        if (r == 0 && (b->IsSingleValue() || (array && b->Count() == 1))) {
            DeleteChild(c);
            continue;
        }
        if (!array || r >= b->Count()) continue;
        switch (t) {
        case btStringArray: static_cast<TStrArrayBlock*>(b)->Delete(r); break;
        case btIntArray: {
            auto& v = static_cast<TIntArrayBlock*>(b)->Items;
            v.erase(v.begin() + r);
            break;
        }
        default: {
            auto& v = static_cast<TFloatArrayBlock*>(b)->Items;
            v.erase(v.begin() + r);
            break;
        }
        }
    }
}

void TDirBlock::AppendRowFrom(const TDirBlock& source, int r)
{
    const int n = RowCount();
    // By index: a source that is this very table keeps its positions while its
    // columns are replaced.
    for (int k = 0; k < source.ItemCount(); ++k) {
        const TBlock* s = source.Child(k);
        const std::string name = s->Name;
        switch (s->BlockType()) {
        case btInt: case btIntArray:
            SetPathInt(name, n, btInt, s->GetInt(r));
            break;
        case btFloat: case btFloatArray:
            SetPathFloat(name, n, btFloat, s->GetFloat(r));
            break;
        case btString: case btStringArray:
            SetPathString(name, n, btString, s->GetString(r));
            break;
        default:
            break;
        }
    }
}

bool TDirBlock::MergeOwned(TBlock* block)
{
    // `block` is held by the caller until this answers true; then it is either
    // a child here or destroyed.
    if (block == nullptr) return false;
    if (block->parent_ != nullptr) throw std::logic_error("MergeChild: an owned block still has a parent");
    // A directory that holds this one cannot be merged into it (it would be
    // destroyed under our feet).
    if (block->IsDir() && HoldsInTree(block)) return false;
    if (AddOwned(block, false)) return true;

    const int k = IndexOfName(block->Name);
    if (k < 0) return false;
    TBlock* existing = items_[static_cast<std::size_t>(k)].get();

    switch (block->BlockType()) {
    case btDir: {
        if (!existing->IsDir()) return false;
        auto* target = static_cast<TDirBlock*>(existing);
        auto* incoming = static_cast<TDirBlock*>(block);
        // Each child is taken out and merged; one that cannot be merged is
        // destroyed, as the rest of the incoming directory is.
        while (incoming->ItemCount() > 0) {
            std::unique_ptr<TBlock> child = incoming->RemoveAt(0);
            target->MergeChild(std::move(child));
        }
        delete incoming;
        return true;
    }
    case btInt:
        if (existing->BlockType() == btInt) {
            existing = ReplaceAt(k, std::make_unique<TIntArrayBlock>(
                                        existing->Name,
                                        std::vector<std::int32_t>{static_cast<TIntBlock*>(existing)->Value}));
        }
        if (existing->BlockType() != btIntArray) return false;
        static_cast<TIntArrayBlock*>(existing)->Items.push_back(static_cast<TIntBlock*>(block)->Value);
        delete block;
        return true;
    case btFloat:
        if (existing->BlockType() == btFloat) {
            existing = ReplaceAt(k, std::make_unique<TFloatArrayBlock>(
                                        existing->Name,
                                        std::vector<double>{static_cast<TFloatBlock*>(existing)->Value}));
        }
        if (existing->BlockType() != btFloatArray) return false;
        static_cast<TFloatArrayBlock*>(existing)->Items.push_back(static_cast<TFloatBlock*>(block)->Value);
        delete block;
        return true;
    case btString:
        if (existing->BlockType() == btString) {
            auto a = std::make_unique<TStrArrayBlock>(existing->Name);
            a->Append(static_cast<TStrBlock*>(existing)->Value);
            existing = ReplaceAt(k, std::move(a));
        }
        if (existing->BlockType() != btStringArray) return false;
        static_cast<TStrArrayBlock*>(existing)->Append(static_cast<TStrBlock*>(block)->Value);
        delete block;
        return true;
    default:
        return false;
    }
}
