// The block classes: element access with its conversions, copying, comparison.
// Paths and directory operations are in block_paths.cpp, row operations and
// merging in tables.cpp, the file form in crx_file.cpp.
#include "store/blocks.h"

#include "platform/base/rtl_numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <cstring>

namespace {

// The largest array the store grows to by index. Far beyond any collection,
// it keeps a stray index from asking for gigabytes.
constexpr int kMaxElements = 1 << 27;

// --- Reading conversions (never raise) ------------------------------------

std::int32_t TextToInt(std::string_view text)
{
    auto v = TryStrToInt(text);
    return v ? *v : MissingInt;
}

// Both "." and the process separator are read as the decimal point.
double TextToFloat(std::string_view text)
{
    if (text.empty()) return MissingFloat;
    const char sep = GetDecimalSeparator();
    std::string normal(text);
    if (sep != '.')
        for (char& ch : normal)
            if (ch == sep) ch = '.';
    int err = 0;
    const double v = ValFloat(normal, err);
    return err == 0 ? v : MissingFloat;
}

std::string IntText(std::int32_t v) { return v == MissingInt ? std::string() : IntToStr(v); }
std::string FloatText(double v) { return IsMissingFloat(v) ? std::string() : FloatToStr(v); }
double IntToFloatValue(std::int32_t v) { return v == MissingInt ? MissingFloat : static_cast<double>(v); }
std::int32_t FloatToIntRead(double v) { return IsMissingFloat(v) ? MissingInt : TruncToInt32OrMin(v); }

// --- Storing conversions (raise EConvertError) ----------------------------

std::int32_t TextToIntStore(std::string_view text)
{
    if (text.empty()) return MissingInt;
    return StrToInt(text);
}

// "." is read as the decimal separator, whatever the process separator.
double TextToFloatStore(std::string_view text)
{
    if (text.empty()) return MissingFloat;
    const char sep = GetDecimalSeparator();
    std::string local(text);
    if (sep != '.')
        for (char& ch : local)
            if (ch == '.') ch = sep;
    return StrToFloat(local);
}

std::int32_t FloatToIntStore(double v)
{
    if (IsMissingFloat(v)) return MissingInt;
    return TruncToInt32Checked(v);
}

bool InRange(int i, int count) { return i >= 0 && i < count; }

bool SameDouble(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

// ---------------------------------------------------------------------------
// TBlock
// ---------------------------------------------------------------------------

TBlock::TBlock() = default;
TBlock::~TBlock() = default;

bool TBlock::IsValue() const
{
    switch (blockType_) {
    case btString: case btStringArray: case btInt: case btIntArray: case btFloat: case btFloatArray:
        return true;
    default:
        return false;
    }
}

bool TBlock::IsSingleValue() const
{
    return blockType_ == btString || blockType_ == btInt || blockType_ == btFloat;
}

bool TBlock::PrepareStore(int i)
{
    if (i < 0 || IsDir()) return false;
    const int count = Count();
    if (count == 0) return false;
    if (i >= count) {
        if (IsSingleValue()) throw EBlockError("Unable to change self block type");
        if (i >= kMaxElements) throw EBlockError("Unable to resize block");
        Resize(i + 1);
    }
    return true;
}

void TBlock::SetString(int i, std::string_view)
{
    if (!PrepareStore(i)) return;
    throw EBlockError("Unable to set value of " + Name);
}

void TBlock::SetInt(int i, std::int32_t)
{
    if (!PrepareStore(i)) return;
    throw EBlockError("Unable to set value of " + Name);
}

void TBlock::SetFloat(int i, double)
{
    if (!PrepareStore(i)) return;
    throw EBlockError("Unable to set value of " + Name);
}

int TBlock::IndexOfString(std::string_view text) const
{
    const int n = Count();
    for (int i = 0; i < n; ++i)
        if (GetString(i) == text) return i;
    return -1;
}

std::unique_ptr<TBlock> TBlock::Clone() const
{
    std::unique_ptr<TBlock> copy(new TBlock(blockType_));
    copy->Name = Name;
    return copy;
}

// ---------------------------------------------------------------------------
// Single values
// ---------------------------------------------------------------------------

TStrBlock::TStrBlock() : TBlock(btString) {}
TStrBlock::TStrBlock(std::string name, std::string value) : TBlock(btString), Value(std::move(value))
{
    Name = std::move(name);
}

std::string TStrBlock::GetString(int i) const { return i == 0 ? Value : std::string(); }
std::int32_t TStrBlock::GetInt(int i) const { return i == 0 ? TextToInt(Value) : MissingInt; }
double TStrBlock::GetFloat(int i) const { return i == 0 ? TextToFloat(Value) : MissingFloat; }
void TStrBlock::SetString(int i, std::string_view text)
{
    if (PrepareStore(i)) Value.assign(text);
}
void TStrBlock::SetInt(int i, std::int32_t value)
{
    if (PrepareStore(i)) Value = IntText(value);
}
void TStrBlock::SetFloat(int i, double value)
{
    if (PrepareStore(i)) Value = FloatText(value);
}
std::unique_ptr<TBlock> TStrBlock::Clone() const { return std::make_unique<TStrBlock>(Name, Value); }

TIntBlock::TIntBlock() : TBlock(btInt) {}
TIntBlock::TIntBlock(std::string name, std::int32_t value) : TBlock(btInt), Value(value)
{
    Name = std::move(name);
}

std::string TIntBlock::GetString(int i) const { return i == 0 ? IntText(Value) : std::string(); }
std::int32_t TIntBlock::GetInt(int i) const { return i == 0 ? Value : MissingInt; }
double TIntBlock::GetFloat(int i) const { return i == 0 ? IntToFloatValue(Value) : MissingFloat; }
void TIntBlock::SetString(int i, std::string_view text)
{
    if (PrepareStore(i)) Value = TextToIntStore(text);
}
void TIntBlock::SetInt(int i, std::int32_t value)
{
    if (PrepareStore(i)) Value = value;
}
void TIntBlock::SetFloat(int i, double value)
{
    if (PrepareStore(i)) Value = FloatToIntStore(value);
}
std::unique_ptr<TBlock> TIntBlock::Clone() const { return std::make_unique<TIntBlock>(Name, Value); }

TFloatBlock::TFloatBlock() : TBlock(btFloat) {}
TFloatBlock::TFloatBlock(std::string name, double value) : TBlock(btFloat), Value(value)
{
    Name = std::move(name);
}

std::string TFloatBlock::GetString(int i) const { return i == 0 ? FloatText(Value) : std::string(); }
std::int32_t TFloatBlock::GetInt(int i) const { return i == 0 ? FloatToIntRead(Value) : MissingInt; }
double TFloatBlock::GetFloat(int i) const { return i == 0 ? Value : MissingFloat; }
void TFloatBlock::SetString(int i, std::string_view text)
{
    if (PrepareStore(i)) Value = TextToFloatStore(text);
}
void TFloatBlock::SetInt(int i, std::int32_t value)
{
    if (PrepareStore(i)) Value = IntToFloatValue(value);
}
void TFloatBlock::SetFloat(int i, double value)
{
    if (PrepareStore(i)) Value = value;
}
std::unique_ptr<TBlock> TFloatBlock::Clone() const { return std::make_unique<TFloatBlock>(Name, Value); }

// ---------------------------------------------------------------------------
// TStrArrayBlock
// ---------------------------------------------------------------------------

namespace {
void CheckTextArraySize(std::size_t bytes)
{
    if (bytes > 0xFFFFFFFFu) throw EBlockError("Unable to resize block");
}
}  // namespace

TStrArrayBlock::TStrArrayBlock() : TBlock(btStringArray) {}
TStrArrayBlock::TStrArrayBlock(std::string name) : TBlock(btStringArray) { Name = std::move(name); }
TStrArrayBlock::~TStrArrayBlock() { std::free(pack_); }

void TStrArrayBlock::Repack(std::size_t countCap, std::size_t bytesCap)
{
    const std::size_t count = static_cast<std::size_t>(ItemCount());
    const std::size_t bytes = Bytes();
    void* memory = std::malloc(sizeof(Pack) + countCap * sizeof(std::uint32_t) + bytesCap);
    if (memory == nullptr) throw std::bad_alloc();
    Pack* fresh = static_cast<Pack*>(memory);
    *fresh = {static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(countCap),
              static_cast<std::uint32_t>(bytes), static_cast<std::uint32_t>(bytesCap)};
    if (pack_) {
        auto* ends = reinterpret_cast<std::uint32_t*>(fresh + 1);
        if (count > 0) std::memcpy(ends, Ends(), count * sizeof(std::uint32_t));
        if (bytes > 0) std::memcpy(reinterpret_cast<char*>(ends + countCap), Texts(), bytes);
        std::free(pack_);
    }
    pack_ = fresh;
}

void TStrArrayBlock::Room(std::size_t moreCount, std::size_t moreBytes)
{
    const std::size_t count = static_cast<std::size_t>(ItemCount()) + moreCount;
    const std::size_t bytes = Bytes() + moreBytes;
    CheckTextArraySize(bytes);
    if (count > 0xFFFFFFFFu) throw EBlockError("Unable to resize block");
    const std::size_t countCap = pack_ ? pack_->countCap : 0;
    const std::size_t bytesCap = pack_ ? pack_->bytesCap : 0;
    if (pack_ && count <= countCap && bytes <= bytesCap) return;
    auto grown = [](std::size_t need, std::size_t cap, std::size_t step) {
        if (need <= cap) return cap;
        return std::min<std::size_t>(std::max(need, cap + cap / 2 + step), 0xFFFFFFFFu);
    };
    Repack(grown(count, countCap, 4), grown(bytes, bytesCap, 16));
}

bool TStrArrayBlock::Aliases(std::string_view text) const
{
    if (!pack_ || text.empty()) return false;
    const auto* p = reinterpret_cast<const char*>(pack_);
    const char* end = Texts() + pack_->bytesCap;
    return std::less_equal<const char*>()(p, text.data()) && std::less<const char*>()(text.data(), end);
}

std::string_view TStrArrayBlock::Item(int i) const
{
    const std::size_t b = Begin(i);
    return std::string_view(Texts() + b, Ends()[static_cast<std::size_t>(i)] - b);
}

void TStrArrayBlock::SetItem(int i, std::string_view text)
{
    if (Aliases(text)) {
        const std::string copy(text);
        SetItem(i, copy);
        return;
    }
    const std::size_t b = Begin(i);
    const std::size_t oldLen = Ends()[static_cast<std::size_t>(i)] - b;
    if (text.size() > oldLen) Room(0, text.size() - oldLen);
    char* texts = Texts();
    const std::size_t bytes = pack_->bytes;
    if (text.size() != oldLen) std::memmove(texts + b + text.size(), texts + b + oldLen, bytes - b - oldLen);
    if (!text.empty()) std::memcpy(texts + b, text.data(), text.size());
    if (text.size() != oldLen) {
        const std::uint32_t delta = static_cast<std::uint32_t>(text.size() - oldLen);   // modular
        std::uint32_t* ends = Ends();
        for (std::size_t k = static_cast<std::size_t>(i); k < pack_->count; ++k) ends[k] += delta;
        pack_->bytes += delta;
    }
}

void TStrArrayBlock::Append(std::string_view text)
{
    if (Aliases(text)) {
        const std::string copy(text);
        Append(copy);
        return;
    }
    Room(1, text.size());
    if (!text.empty()) std::memcpy(Texts() + pack_->bytes, text.data(), text.size());
    pack_->bytes += static_cast<std::uint32_t>(text.size());
    Ends()[pack_->count++] = pack_->bytes;
}

void TStrArrayBlock::Insert(int i, std::string_view text)
{
    if (Aliases(text)) {
        const std::string copy(text);
        Insert(i, copy);
        return;
    }
    Room(1, text.size());
    const std::size_t b = Begin(i);
    char* texts = Texts();
    std::memmove(texts + b + text.size(), texts + b, pack_->bytes - b);
    if (!text.empty()) std::memcpy(texts + b, text.data(), text.size());
    std::uint32_t* ends = Ends();
    const auto len = static_cast<std::uint32_t>(text.size());
    const auto at = static_cast<std::size_t>(i);
    std::memmove(ends + at + 1, ends + at, (pack_->count - at) * sizeof(std::uint32_t));
    ends[at] = static_cast<std::uint32_t>(b + text.size());
    ++pack_->count;
    for (std::size_t k = at + 1; k < pack_->count; ++k) ends[k] += len;
    pack_->bytes += len;
}

void TStrArrayBlock::Delete(int i)
{
    const std::size_t b = Begin(i);
    std::uint32_t* ends = Ends();
    const auto at = static_cast<std::size_t>(i);
    const std::size_t len = ends[at] - b;
    char* texts = Texts();
    std::memmove(texts + b, texts + b + len, pack_->bytes - b - len);
    std::memmove(ends + at, ends + at + 1, (pack_->count - at - 1) * sizeof(std::uint32_t));
    --pack_->count;
    for (std::size_t k = at; k < pack_->count; ++k) ends[k] -= static_cast<std::uint32_t>(len);
    pack_->bytes -= static_cast<std::uint32_t>(len);
}

void TStrArrayBlock::Resize(int count)
{
    if (count < 0) count = 0;
    const auto n = static_cast<std::size_t>(count);
    const auto have = static_cast<std::size_t>(ItemCount());
    if (n < have) {
        pack_->bytes = static_cast<std::uint32_t>(Begin(count));
        pack_->count = static_cast<std::uint32_t>(n);
    } else if (n > have) {
        Room(n - have, 0);
        std::uint32_t* ends = Ends();
        for (std::size_t k = have; k < n; ++k) ends[k] = pack_->bytes;
        pack_->count = static_cast<std::uint32_t>(n);
    }
}

void TStrArrayBlock::Clear()
{
    std::free(pack_);
    pack_ = nullptr;
}

void TStrArrayBlock::Reserve(int count, std::size_t bytes)
{
    const std::size_t wantCount = std::max<std::size_t>(count > 0 ? static_cast<std::size_t>(count) : 0, ItemCount());
    const std::size_t wantBytes = std::max(bytes, Bytes());
    CheckTextArraySize(wantBytes);
    if (wantCount > 0xFFFFFFFFu) throw EBlockError("Unable to resize block");
    if (pack_ ? wantCount <= pack_->countCap && wantBytes <= pack_->bytesCap : wantCount == 0 && wantBytes == 0) return;
    Repack(std::max<std::size_t>(wantCount, pack_ ? pack_->countCap : 0),
           std::max<std::size_t>(wantBytes, pack_ ? pack_->bytesCap : 0));
}

std::string TStrArrayBlock::GetString(int i) const
{
    return InRange(i, ItemCount()) ? std::string(Item(i)) : std::string();
}
std::int32_t TStrArrayBlock::GetInt(int i) const
{
    return InRange(i, ItemCount()) ? TextToInt(Item(i)) : MissingInt;
}
double TStrArrayBlock::GetFloat(int i) const
{
    return InRange(i, ItemCount()) ? TextToFloat(Item(i)) : MissingFloat;
}
void TStrArrayBlock::SetString(int i, std::string_view text)
{
    if (Aliases(text)) {
        const std::string copy(text);   // growing the array may move the buffer it lies in
        SetString(i, copy);
        return;
    }
    if (PrepareStore(i)) SetItem(i, text);
}
void TStrArrayBlock::SetInt(int i, std::int32_t value)
{
    if (PrepareStore(i)) SetItem(i, IntText(value));
}
void TStrArrayBlock::SetFloat(int i, double value)
{
    if (PrepareStore(i)) SetItem(i, FloatText(value));
}
std::unique_ptr<TBlock> TStrArrayBlock::Clone() const
{
    auto copy = std::make_unique<TStrArrayBlock>(Name);
    copy->Delta = Delta;
    if (ItemCount() > 0) {
        // Just the room the texts take.
        copy->Repack(pack_->count, pack_->bytes);
        std::memcpy(copy->Ends(), Ends(), pack_->count * sizeof(std::uint32_t));
        std::memcpy(copy->Texts(), Texts(), pack_->bytes);
        copy->pack_->count = pack_->count;
        copy->pack_->bytes = pack_->bytes;
    }
    return copy;
}

// ---------------------------------------------------------------------------
// TIntArrayBlock, TFloatArrayBlock
// ---------------------------------------------------------------------------

TIntArrayBlock::TIntArrayBlock() : TBlock(btIntArray) {}
TIntArrayBlock::TIntArrayBlock(std::string name, std::vector<std::int32_t> items)
    : TBlock(btIntArray), Items(std::move(items))
{
    Name = std::move(name);
}

void TIntArrayBlock::Resize(int count) { Items.resize(static_cast<std::size_t>(count < 0 ? 0 : count), MissingInt); }

std::string TIntArrayBlock::GetString(int i) const
{
    return InRange(i, ItemCount()) ? IntText(Items[static_cast<std::size_t>(i)]) : std::string();
}
std::int32_t TIntArrayBlock::GetInt(int i) const
{
    return InRange(i, ItemCount()) ? Items[static_cast<std::size_t>(i)] : MissingInt;
}
double TIntArrayBlock::GetFloat(int i) const
{
    return InRange(i, ItemCount()) ? IntToFloatValue(Items[static_cast<std::size_t>(i)]) : MissingFloat;
}
void TIntArrayBlock::SetString(int i, std::string_view text)
{
    // Convert first: a bad text leaves the array as it was.
    if (i < 0 || ItemCount() == 0) return;
    const std::int32_t v = TextToIntStore(text);
    if (PrepareStore(i)) Items[static_cast<std::size_t>(i)] = v;
}
void TIntArrayBlock::SetInt(int i, std::int32_t value)
{
    if (PrepareStore(i)) Items[static_cast<std::size_t>(i)] = value;
}
void TIntArrayBlock::SetFloat(int i, double value)
{
    if (i < 0 || ItemCount() == 0) return;
    const std::int32_t v = FloatToIntStore(value);
    if (PrepareStore(i)) Items[static_cast<std::size_t>(i)] = v;
}
std::unique_ptr<TBlock> TIntArrayBlock::Clone() const
{
    auto copy = std::make_unique<TIntArrayBlock>(Name, Items);
    copy->Delta = Delta;
    return copy;
}

TFloatArrayBlock::TFloatArrayBlock() : TBlock(btFloatArray) {}
TFloatArrayBlock::TFloatArrayBlock(std::string name, std::vector<double> items)
    : TBlock(btFloatArray), Items(std::move(items))
{
    Name = std::move(name);
}

void TFloatArrayBlock::Resize(int count)
{
    Items.resize(static_cast<std::size_t>(count < 0 ? 0 : count), MissingFloat);
}

std::string TFloatArrayBlock::GetString(int i) const
{
    return InRange(i, ItemCount()) ? FloatText(Items[static_cast<std::size_t>(i)]) : std::string();
}
std::int32_t TFloatArrayBlock::GetInt(int i) const
{
    return InRange(i, ItemCount()) ? FloatToIntRead(Items[static_cast<std::size_t>(i)]) : MissingInt;
}
double TFloatArrayBlock::GetFloat(int i) const
{
    return InRange(i, ItemCount()) ? Items[static_cast<std::size_t>(i)] : MissingFloat;
}
void TFloatArrayBlock::SetString(int i, std::string_view text)
{
    if (i < 0 || ItemCount() == 0) return;
    const double v = TextToFloatStore(text);
    if (PrepareStore(i)) Items[static_cast<std::size_t>(i)] = v;
}
void TFloatArrayBlock::SetInt(int i, std::int32_t value)
{
    if (PrepareStore(i)) Items[static_cast<std::size_t>(i)] = IntToFloatValue(value);
}
void TFloatArrayBlock::SetFloat(int i, double value)
{
    if (PrepareStore(i)) Items[static_cast<std::size_t>(i)] = value;
}
std::unique_ptr<TBlock> TFloatArrayBlock::Clone() const
{
    auto copy = std::make_unique<TFloatArrayBlock>(Name, Items);
    copy->Delta = Delta;
    return copy;
}

// ---------------------------------------------------------------------------
// Directory: construction, copying
// ---------------------------------------------------------------------------

TDirBlock::TDirBlock() : TBlock(btDir) { Name = "Root"; }
TDirBlock::TDirBlock(std::string name) : TBlock(btDir) { Name = std::move(name); }
// Frees the subtree without recursion, so that however deep a tree is built,
// freeing it cannot exhaust the stack.
TDirBlock::~TDirBlock()
{
    if (items_.empty()) return;
    std::vector<std::unique_ptr<TBlock>> pending = std::move(items_);
    items_.clear();
    while (!pending.empty()) {
        std::unique_ptr<TBlock> b = std::move(pending.back());
        pending.pop_back();
        if (b->IsDir()) {
            auto& children = static_cast<TDirBlock*>(b.get())->items_;
            for (auto& child : children) pending.push_back(std::move(child));
            children.clear();
        }
    }   // each block is freed here, its own children already taken out
}

std::unique_ptr<TBlock> TDirBlock::Clone() const { return CloneDir(); }

std::unique_ptr<TDirBlock> TDirBlock::CloneDir() const
{
    auto copy = std::make_unique<TDirBlock>(Name);
    copy->items_.reserve(items_.size());
    for (const auto& child : items_) copy->Append(child->Clone());
    return copy;
}

// ---------------------------------------------------------------------------
// Free functions
// ---------------------------------------------------------------------------

bool SameBlock(const TBlock* a, const TBlock* b)
{
    if (a == nullptr && b == nullptr) return true;
    if (a == nullptr || b == nullptr) return false;
    if (a->BlockType() != b->BlockType() || a->Name != b->Name) return false;
    switch (a->BlockType()) {
    case btNone:
        return true;
    case btDir: {
        auto* da = static_cast<const TDirBlock*>(a);
        auto* db = static_cast<const TDirBlock*>(b);
        if (da->ItemCount() != db->ItemCount()) return false;
        for (int k = 0; k < da->ItemCount(); ++k)
            if (!SameBlock(da->Child(k), db->Child(k))) return false;
        return true;
    }
    case btString:
        return static_cast<const TStrBlock*>(a)->Value == static_cast<const TStrBlock*>(b)->Value;
    case btStringArray: {
        auto* sa = static_cast<const TStrArrayBlock*>(a);
        auto* sb = static_cast<const TStrArrayBlock*>(b);
        if (sa->ItemCount() != sb->ItemCount()) return false;
        for (int k = 0; k < sa->ItemCount(); ++k)
            if (sa->Item(k) != sb->Item(k)) return false;
        return true;
    }
    case btInt:
        return static_cast<const TIntBlock*>(a)->Value == static_cast<const TIntBlock*>(b)->Value;
    case btIntArray:
        return static_cast<const TIntArrayBlock*>(a)->Items == static_cast<const TIntArrayBlock*>(b)->Items;
    case btFloat:
        return SameDouble(static_cast<const TFloatBlock*>(a)->Value, static_cast<const TFloatBlock*>(b)->Value);
    case btFloatArray: {
        const auto& ia = static_cast<const TFloatArrayBlock*>(a)->Items;
        const auto& ib = static_cast<const TFloatArrayBlock*>(b)->Items;
        if (ia.size() != ib.size()) return false;
        for (std::size_t k = 0; k < ia.size(); ++k)
            if (!SameDouble(ia[k], ib[k])) return false;
        return true;
    }
    default:
        throw EBlockError("Unable to compares blocks");
    }
}

namespace {

// Two 64-bit lanes fed 64-bit words, each mixed as MurmurHash3 mixes its
// blocks, with a final avalanche over both.
class DigestWriter {
public:
    void Word(std::uint64_t w)
    {
        a_ = Rotl((a_ ^ (w * kC1)) * kC2, 31) * 5 + 0x52dce729;
        b_ = Rotl((b_ + (w * kC2)) ^ kC1, 29) * 9 + 0x38495ab5;
        ++words_;
    }
    void Bytes(std::string_view text)
    {
        Word(text.size());
        std::size_t k = 0;
        for (; k + 8 <= text.size(); k += 8) {
            std::uint64_t w;
            std::memcpy(&w, text.data() + k, 8);
            Word(w);
        }
        if (k < text.size()) {
            std::uint64_t w = 0;
            std::memcpy(&w, text.data() + k, text.size() - k);
            Word(w);
        }
    }
    void Double(double v)
    {
        if (std::isnan(v)) v = std::numeric_limits<double>::quiet_NaN();
        if (v == 0.0) v = 0.0;
        std::uint64_t w;
        std::memcpy(&w, &v, 8);
        Word(w);
    }
    BlockDigest Finish() const
    {
        std::uint64_t a = a_ ^ words_, b = b_ ^ (words_ * kC1);
        a += b;
        b += a;
        a = Avalanche(a);
        b = Avalanche(b);
        a += b;
        b += a;
        return BlockDigest{a, b};
    }

private:
    static constexpr std::uint64_t kC1 = 0x87c37b91114253d5ull;
    static constexpr std::uint64_t kC2 = 0x4cf5ad432745937full;
    static std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }
    static std::uint64_t Avalanche(std::uint64_t k)
    {
        k ^= k >> 33;
        k *= 0xff51afd7ed558ccdull;
        k ^= k >> 33;
        k *= 0xc4ceb9fe1a85ec53ull;
        k ^= k >> 33;
        return k;
    }
    std::uint64_t a_ = 0x9E3779B97F4A7C15ull;
    std::uint64_t b_ = 0xC2B2AE3D27D4EB4Full;
    std::uint64_t words_ = 0;
};

}  // namespace

BlockDigest DigestOf(const TBlock& block)
{
    DigestWriter d;
    // Depth first in child order, without recursion: a tree may be very deep.
    std::vector<const TBlock*> pending{&block};
    while (!pending.empty()) {
        const TBlock* b = pending.back();
        pending.pop_back();
        d.Word(b->BlockType());
        d.Bytes(b->Name);
        switch (b->BlockType()) {
        case btDir: {
            const auto& items = static_cast<const TDirBlock*>(b)->Items();
            d.Word(items.size());
            for (auto it = items.rbegin(); it != items.rend(); ++it) pending.push_back(it->get());
            break;
        }
        case btString:
            d.Bytes(static_cast<const TStrBlock*>(b)->Value);
            break;
        case btStringArray: {
            auto* a = static_cast<const TStrArrayBlock*>(b);
            d.Word(static_cast<std::uint64_t>(a->ItemCount()));
            for (int k = 0; k < a->ItemCount(); ++k) d.Bytes(a->Item(k));
            break;
        }
        case btInt:
            d.Word(static_cast<std::uint32_t>(static_cast<const TIntBlock*>(b)->Value));
            break;
        case btIntArray: {
            const auto& items = static_cast<const TIntArrayBlock*>(b)->Items;
            d.Word(items.size());
            for (std::int32_t v : items) d.Word(static_cast<std::uint32_t>(v));
            break;
        }
        case btFloat:
            d.Double(static_cast<const TFloatBlock*>(b)->Value);
            break;
        case btFloatArray: {
            const auto& items = static_cast<const TFloatArrayBlock*>(b)->Items;
            d.Word(items.size());
            for (double v : items) d.Double(v);
            break;
        }
        default:
            break;
        }
    }
    return d.Finish();
}

std::unique_ptr<TBlock> CreateBlockOfType(std::uint8_t typeCode)
{
    switch (typeCode) {
    case btNone: return std::make_unique<TBlock>();
    case btDir: return std::make_unique<TDirBlock>();
    case btString: return std::make_unique<TStrBlock>();
    case btStringArray: return std::make_unique<TStrArrayBlock>();
    case btInt: return std::make_unique<TIntBlock>();
    case btIntArray: return std::make_unique<TIntArrayBlock>();
    case btFloat: return std::make_unique<TFloatBlock>();
    case btFloatArray: return std::make_unique<TFloatArrayBlock>();
    default: return nullptr;
    }
}
