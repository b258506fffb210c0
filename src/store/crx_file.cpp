// Reading and writing .crx files (see crx_file.h for the layout).
#include "store/crx_file.h"

#include "platform/base/safe_files.h"
#include "platform/base/text_codec.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little, "the .crx layout is read as little-endian memory");

namespace {

bool IsAscii(const unsigned char* p, std::size_t n)
{
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + k, 8);
        if (w & 0x8080808080808080ull) return false;
    }
    for (; k < n; ++k)
        if (p[k] & 0x80) return false;
    return true;
}

// Windows-1252 bytes to UTF-8, appended. The Latin-1 half is computed here
// (it is most of the accented letters of a collection); 0x80-0x9F go through
// the shared codec.
void AppendCp1252AsUtf8(std::string& out, std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t k = 0;
    while (k < n) {
        // A run of ASCII, eight bytes at a time.
        std::size_t run = k;
        while (run + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, p + run, 8);
            if (w & 0x8080808080808080ull) break;
            run += 8;
        }
        while (run < n && p[run] < 0x80) ++run;
        if (run > k) out.append(bytes.data() + k, run - k);
        if (run == n) return;
        const unsigned char b = p[run];
        if (b >= 0xA0) {
            const char two[2] = {static_cast<char>(0xC0 | (b >> 6)), static_cast<char>(0x80 | (b & 0x3F))};
            out.append(two, 2);
        } else {
            AppendUtf8(out, Cp1252ToCodePoint(b));
        }
        k = run + 1;
    }
}

// The size in UTF-8 of Windows-1252 bytes.
std::size_t Utf8SizeOfCp1252(std::string_view bytes)
{
    std::size_t size = bytes.size();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) continue;
        size += b >= 0xA0 || Cp1252ToCodePoint(b) < 0x800 ? 1 : 2;
    }
    return size;
}

// UTF-8 to Windows-1252 bytes, appended, with a fast path for ASCII and the
// two-byte Latin-1 sequences; from the first other sequence on, the shared
// codec converts the rest.
void AppendUtf8AsCp1252(std::string& out, std::string_view utf8, std::size_t& unmapped)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t k = 0;
    while (k < n) {
        const unsigned char b = p[k];
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++k;
            continue;
        }
        if (k + 1 < n && (p[k + 1] & 0xC0) == 0x80) {
            const unsigned char c = p[k + 1];
            if (b == 0xC3) {
                out.push_back(static_cast<char>(0xC0 | (c & 0x3F)));
                k += 2;
                continue;
            }
            if (b == 0xC2 && c >= 0xA0) {
                out.push_back(static_cast<char>(c));
                k += 2;
                continue;
            }
        }
        std::size_t bad = 0;
        out += Utf8ToCp1252(utf8.substr(k), &bad);
        unmapped += bad;
        return;
    }
}

[[noreturn]] void ThrowErrno(int err) { throw EInOutError(SystemErrorText(err)); }

// A file that cannot be opened because a folder of its path is missing is told
// apart from a missing file in an existing folder, as the runtime has always
// reported them.
[[noreturn]] void ThrowOpenError(int err, const std::string& fileName)
{
    if (err == ENOENT) {
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) throw EInOutError("Chemin introuvable");
        throw EInOutError("Fichier introuvable");
    }
    ThrowErrno(err);
}

std::string ReadWholeFile(const std::string& fileName)
{
    // Through the program's one bounded reader: a pipe, a device or a folder
    // in place of a collection is refused at once, never read forever.
    std::string bytes;
    const ReadStatus s = ReadFileBytes(fileName, bytes, kMaxCrxFileBytes);
    switch (s.failure) {
    case ReadFailure::None: return bytes;
    case ReadFailure::System: ThrowOpenError(s.err, fileName);
    case ReadFailure::Directory: throw EInOutError("C'est un dossier");
    case ReadFailure::NotRegular: throw EInOutError("Ce n'est pas un fichier ordinaire");
    case ReadFailure::TooBig: throw EInOutError("Fichier trop volumineux");
    }
    return bytes;
}

void WriteAll(int fd, const char* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t put = ::write(fd, data, n);
        if (put < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        if (put == 0) ThrowErrno(ENOSPC);
        data += put;
        n -= static_cast<std::size_t>(put);
    }
}

[[noreturn]] void ThrowBeyondEnd() { throw EInOutError("Read beyond end of file"); }

// The class read for a stored code; nullptr for an unsupported one.
std::unique_ptr<TBlock> BlockForStoredCode(std::uint8_t code)
{
    switch (code) {
    case btNone: return std::make_unique<TBlock>();
    case btDir: case btDirWord: case btDirByte: return std::make_unique<TDirBlock>(std::string());
    case btString: case btStringWord: case btStringByte: return std::make_unique<TStrBlock>();
    case btStringArray: return std::make_unique<TStrArrayBlock>();
    case btInt: return std::make_unique<TIntBlock>();
    case btIntArray: return std::make_unique<TIntArrayBlock>();
    case btFloat: return std::make_unique<TFloatBlock>();
    case btFloatArray: return std::make_unique<TFloatArrayBlock>();
    default: return nullptr;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// CrxReader
// ---------------------------------------------------------------------------

CrxReader::CrxReader(std::string_view bytes)
    : p_(reinterpret_cast<const unsigned char*>(bytes.data())), end_(p_ + bytes.size())
{
}

void CrxReader::Need(std::size_t n) const
{
    if (Remaining() < n) ThrowBeyondEnd();
}

void CrxReader::CheckCount(std::uint64_t count, std::size_t minBytesEach) const
{
    if (count > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) ThrowBeyondEnd();
    if (count * minBytesEach > Remaining()) ThrowBeyondEnd();
}

std::uint8_t CrxReader::U8()
{
    Need(1);
    return *p_++;
}

std::uint16_t CrxReader::U16()
{
    Need(2);
    std::uint16_t v;
    std::memcpy(&v, p_, 2);
    p_ += 2;
    return v;
}

std::uint32_t CrxReader::U32()
{
    Need(4);
    std::uint32_t v;
    std::memcpy(&v, p_, 4);
    p_ += 4;
    return v;
}

std::int32_t CrxReader::I32() { return static_cast<std::int32_t>(U32()); }

double CrxReader::F64()
{
    Need(8);
    double v;
    std::memcpy(&v, p_, 8);
    p_ += 8;
    return v;
}

std::string_view CrxReader::Bytes(std::size_t n)
{
    Need(n);
    std::string_view v(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return v;
}

void CrxReader::AppendText(std::string& out, std::size_t n)
{
    Need(n);
    AppendCp1252AsUtf8(out, std::string_view(reinterpret_cast<const char*>(p_), n));
    p_ += n;
}

std::string CrxReader::Text(std::size_t n)
{
    std::string s;
    AppendText(s, n);
    return s;
}

// ---------------------------------------------------------------------------
// CrxWriter
// ---------------------------------------------------------------------------

CrxWriter::CrxWriter(std::string& out) : buf_(&out) {}
CrxWriter::CrxWriter(int fd) : buf_(&own_), fd_(fd) { own_.reserve(1u << 21); }

void CrxWriter::U16(std::uint16_t v) { Raw(&v, 2); }
void CrxWriter::U32(std::uint32_t v) { Raw(&v, 4); }
void CrxWriter::I32(std::int32_t v) { Raw(&v, 4); }
void CrxWriter::F64(double v) { Raw(&v, 8); }
void CrxWriter::Raw(const void* data, std::size_t n) { buf_->append(static_cast<const char*>(data), n); }

std::string_view CrxWriter::Encode(std::string_view utf8)
{
    if (IsAscii(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size())) return utf8;
    scratch_.clear();
    AppendUtf8AsCp1252(scratch_, utf8, unmapped_);
    return scratch_;
}

void CrxWriter::ByteText(std::string_view utf8)
{
    const std::string_view bytes = Encode(utf8);
    const std::size_t n = bytes.size() < 255 ? bytes.size() : 255;
    U8(static_cast<std::uint8_t>(n));
    Raw(bytes.data(), n);
}

void CrxWriter::WordText(std::string_view utf8)
{
    const std::string_view bytes = Encode(utf8);
    const std::size_t n = bytes.size() < 65535 ? bytes.size() : 65535;
    U16(static_cast<std::uint16_t>(n));
    Raw(bytes.data(), n);
}

void CrxWriter::Enter()
{
    if (++depth_ > kMaxCrxDepth) {
        --depth_;
        throw EInOutError("Too many nested blocks");
    }
}

void CrxWriter::Flush()
{
    if (fd_ < 0) return;
    WriteAll(fd_, buf_->data(), buf_->size());
    // Let the disk start on what is written while the rest is being
    // serialised, so that the final fsync has little left to wait for.
    ::sync_file_range(fd_, static_cast<off_t>(written_), static_cast<off_t>(buf_->size()), SYNC_FILE_RANGE_WRITE);
    written_ += buf_->size();
    buf_->clear();
}

// ---------------------------------------------------------------------------
// Writing records
// ---------------------------------------------------------------------------

void TBlock::WriteToFile(CrxWriter& w) const
{
    w.ByteText(Name);
    w.U8(blockType_);
}

void TDirBlock::WriteToFile(CrxWriter& w) const
{
    w.Enter();
    w.ByteText(Name);
    const std::size_t n = items_.size();
    if (n < 256) {
        w.U8(btDirByte);
        w.U8(static_cast<std::uint8_t>(n));
    } else if (n < 65536) {
        w.U8(btDirWord);
        w.U16(static_cast<std::uint16_t>(n));
    } else {
        w.U8(btDir);
        w.U32(static_cast<std::uint32_t>(n));
    }
    for (const auto& child : items_) {
        child->WriteToFile(w);
        w.MaybeFlush();
    }
    w.Leave();
}

void TStrBlock::WriteToFile(CrxWriter& w) const
{
    w.ByteText(Name);   // before Encode: the view below must stay valid
    const std::string_view bytes = w.Encode(Value);
    const std::size_t n = bytes.size();
    if (n < 256) {
        w.U8(btStringByte);
        w.U8(static_cast<std::uint8_t>(n));
    } else if (n < 65536) {
        w.U8(btStringWord);
        w.U16(static_cast<std::uint16_t>(n));
    } else {
        if (n > 0xFFFFFFFFu) throw EInOutError("Text too long to be saved");
        w.U8(btString);
        w.U32(static_cast<std::uint32_t>(n));
    }
    w.Raw(bytes.data(), n);
}

void TStrArrayBlock::WriteToFile(CrxWriter& w) const
{
    w.ByteText(Name);
    w.U8(btStringArray);
    w.U32(static_cast<std::uint32_t>(ItemCount()));
    for (int i = 0; i < ItemCount(); ++i) w.WordText(Item(i));
}

void TIntBlock::WriteToFile(CrxWriter& w) const
{
    w.ByteText(Name);
    w.U8(btInt);
    w.I32(Value);
}

void TIntArrayBlock::WriteToFile(CrxWriter& w) const
{
    w.ByteText(Name);
    w.U8(btIntArray);
    w.U32(static_cast<std::uint32_t>(Items.size()));
    w.Raw(Items.data(), Items.size() * sizeof(std::int32_t));
}

void TFloatBlock::WriteToFile(CrxWriter& w) const
{
    w.ByteText(Name);
    w.U8(btFloat);
    w.F64(Value);
}

void TFloatArrayBlock::WriteToFile(CrxWriter& w) const
{
    w.ByteText(Name);
    w.U8(btFloatArray);
    w.U32(static_cast<std::uint32_t>(Items.size()));
    w.Raw(Items.data(), Items.size() * sizeof(double));
}

// ---------------------------------------------------------------------------
// Reading payloads
// ---------------------------------------------------------------------------

void TBlock::ReadFromFile(CrxReader&, std::uint8_t, int) {}

void TDirBlock::ReadFromFile(CrxReader& r, std::uint8_t storedCode, int depth)
{
    if (depth >= kMaxCrxDepth) throw EInOutError("Too many nested blocks");
    Clear();
    std::uint32_t count;
    if (storedCode == btDirWord) count = r.U16();
    else if (storedCode == btDirByte) count = r.U8();
    else count = r.U32();
    blockType_ = btDir;
    r.CheckCount(count, 2);   // a record is at least a name length and a code
    items_.reserve(count);
    for (std::uint32_t k = 0; k < count; ++k) {
        std::string name = r.ByteText();
        const std::uint8_t code = r.U8();
        std::unique_ptr<TBlock> child = BlockForStoredCode(code);
        if (!child) throw EBlockError("Unsupported block type");
        child->Name = std::move(name);
        TBlock* raw = Append(std::move(child));
        raw->ReadFromFile(r, code, depth + 1);
    }
}

void TStrBlock::ReadFromFile(CrxReader& r, std::uint8_t storedCode, int)
{
    std::size_t n;
    if (storedCode == btStringByte) n = r.U8();
    else if (storedCode == btStringWord) n = r.U16();
    else n = r.U32();
    Value.clear();
    r.AppendText(Value, n);
    blockType_ = btString;
}

void TStrArrayBlock::ReadFromFile(CrxReader& r, std::uint8_t, int)
{
    const std::uint32_t count = r.U32();
    r.CheckCount(count, 2);
    Clear();
    // Measure the texts, as UTF-8, first: the buffer is allocated once, to
    // the byte.
    {
        CrxReader probe = r;
        std::size_t bytes = 0;
        for (std::uint32_t k = 0; k < count; ++k) {
            const std::uint16_t n = probe.U16();
            bytes += Utf8SizeOfCp1252(probe.Bytes(n));
        }
        Reserve(static_cast<int>(count), bytes);
    }
    std::string converted;
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint16_t n = r.U16();
        const std::string_view raw = r.Bytes(n);
        if (IsAscii(reinterpret_cast<const unsigned char*>(raw.data()), raw.size())) {
            Append(raw);
        } else {
            converted.clear();
            AppendCp1252AsUtf8(converted, raw);
            Append(converted);
        }
    }
}

void TIntBlock::ReadFromFile(CrxReader& r, std::uint8_t, int) { Value = r.I32(); }

void TIntArrayBlock::ReadFromFile(CrxReader& r, std::uint8_t, int)
{
    const std::uint32_t count = r.U32();
    r.CheckCount(count, sizeof(std::int32_t));
    Items.resize(count);
    const std::string_view raw = r.Bytes(std::size_t{count} * sizeof(std::int32_t));
    if (count > 0) std::memcpy(Items.data(), raw.data(), raw.size());
}

void TFloatBlock::ReadFromFile(CrxReader& r, std::uint8_t, int) { Value = r.F64(); }

void TFloatArrayBlock::ReadFromFile(CrxReader& r, std::uint8_t, int)
{
    const std::uint32_t count = r.U32();
    r.CheckCount(count, sizeof(double));
    Items.resize(count);
    const std::string_view raw = r.Bytes(std::size_t{count} * sizeof(double));
    if (count > 0) std::memcpy(Items.data(), raw.data(), raw.size());
}

// ---------------------------------------------------------------------------
// Whole files
// ---------------------------------------------------------------------------

void LoadBlockFromBytes(TBlock& block, std::string_view bytes)
{
    CrxReader r(bytes);
    block.Name = r.ByteText();
    const std::uint8_t t = r.U8();
    const std::uint8_t own = block.BlockType();
    const bool compatible = t == own || (own == btDir && (t == btDirWord || t == btDirByte))
                            || (own == btString && (t == btStringWord || t == btStringByte));
    if (!compatible) throw EBlockError("Invalid block type");
    block.ReadFromFile(r, t, 0);
    // Bytes after the root record are not read.
}

std::string SaveBlockToBytes(const TBlock& block, std::size_t* unmapped)
{
    std::string out;
    CrxWriter w(out);
    block.WriteToFile(w);
    if (unmapped) *unmapped = w.Unmapped();
    return out;
}

void TBlock::LoadFromFile(const std::string& fileName)
{
    const std::string bytes = ReadWholeFile(fileName);
    LoadBlockFromBytes(*this, bytes);
}

namespace {

// Writes the tree into an open descriptor; returns the unmapped count.
std::size_t WriteTree(const TBlock& block, int fd)
{
    CrxWriter w(fd);
    block.WriteToFile(w);
    w.Flush();
    return w.Unmapped();
}

}  // namespace

std::size_t TBlock::SaveToFile(const std::string& fileName) const { return SaveBlockToFile(*this, fileName, nullptr); }

std::size_t SaveBlockToFile(const TBlock& block, const std::string& fileName, FileStamp* written, mode_t privateMode)
{
    // Never in place: a temporary file beside the target, renamed over it once
    // whole and on disk (symbolic links are followed, the link stays). When no
    // temporary file can be made there, the save fails and the file stays as
    // it was.
    try {
        std::optional<SafeTempFile> temp;
        if (privateMode != 0) temp.emplace(fileName, privateMode);
        else temp.emplace(fileName);
        std::size_t unmapped = 0;
        try {
            unmapped = WriteTree(block, temp->Fd());
        } catch (const EInOutError& e) {
            throw EInOutError("Impossible d'enregistrer \xC2\xAB " + PathText(temp->Target()) + " \xC2\xBB : " +
                              e.what() + ".");
        }
        temp->Commit();
        if (written) *written = temp->Committed();
        return unmapped;
    } catch (const EFileError& e) {
        throw EInOutError(e.what());
    }
}
