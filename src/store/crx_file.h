// The .crx file: one block tree serialised depth first, little-endian, with no
// header, version, checksum or trailer. Collections, their crash-recovery copies
// and every tree the program saves use it.
//
// A record is: name (u8 length + bytes), stored type code (u8), payload:
//   0 none | 1/2/3 directory: u32/u16/u8 child count, then the child records |
//   5/6/7 text: u32/u16/u8 length + bytes | 8 text array: u32 count, then per
//   element u16 length + bytes | 9 i32 | 10 u32 count + i32s | 11 f64 |
//   12 u32 count + f64s.
// Texts are Windows-1252 in the file and UTF-8 in memory; lengths, the 255 and
// 65535 cuts and the choice between the forms count Windows-1252 bytes.
//
// The reader trusts nothing in the file: every count and length is checked
// against the bytes left before anything is allocated, nesting is bounded, and a
// malformed file raises a clear error instead of crashing or hanging.
//
// TBlock::LoadFromFile and TBlock::SaveToFile (declared in blocks.h) are the
// entry points for files; the functions below do the same in memory.
#pragma once

#include "store/blocks.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct FileStamp;

// Input/output failures and malformed files. System errors are told in French
// ("Fichier introuvable", "Permission refusée", "Impossible d'enregistrer « f » :
// Plus de place sur le disque."); malformed files in the runtime's words
// ("Read beyond end of file", "Too many nested blocks"...).
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The deepest nesting of directories a file may hold (a collection is about
// five levels deep). Deeper files fail with "Too many nested blocks", and the
// writer refuses to write a tree that could not be read back.
constexpr int kMaxCrxDepth = 256;

// The largest .crx file read (bytes): what the reader allocates is bounded by
// the file's size, and a file beyond this is refused.
constexpr std::size_t kMaxCrxFileBytes = std::size_t{1} << 32;

// Reads records from the bytes of a whole file.
class CrxReader {
public:
    explicit CrxReader(std::string_view bytes);

    std::size_t Remaining() const { return static_cast<std::size_t>(end_ - p_); }
    // Raises "Read beyond end of file" unless n bytes are left.
    void Need(std::size_t n) const;
    // A count of elements of at least `minBytesEach` bytes each: raises at once
    // when the bytes left cannot hold them (so a count of 4 billion never
    // reaches an allocation).
    void CheckCount(std::uint64_t count, std::size_t minBytesEach) const;

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::int32_t I32();
    double F64();
    // n raw bytes (checked).
    std::string_view Bytes(std::size_t n);
    // A Windows-1252 text of n bytes, as UTF-8.
    std::string Text(std::size_t n);
    void AppendText(std::string& out, std::size_t n);
    // u8 length + text.
    std::string ByteText() { return Text(U8()); }

private:
    const unsigned char* p_;
    const unsigned char* end_;
};

// Writes records into a buffer, handed to a sink (a file) in large pieces.
class CrxWriter {
public:
    // Into `out` only.
    explicit CrxWriter(std::string& out);
    // Into an open file descriptor: the buffer is written out whenever it grows
    // past a megabyte, and by Flush().
    explicit CrxWriter(int fd);

    void U8(std::uint8_t v) { buf_->push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v);
    void U32(std::uint32_t v);
    void I32(std::int32_t v);
    void F64(double v);
    void Raw(const void* data, std::size_t n);
    // The UTF-8 text as Windows-1252 bytes (characters without a byte become "?",
    // counted in Unmapped()). The view is valid until the next call.
    std::string_view Encode(std::string_view utf8);
    // u8 length + at most the first 255 bytes.
    void ByteText(std::string_view utf8);
    // u16 length + at most the first 65535 bytes.
    void WordText(std::string_view utf8);

    std::size_t Unmapped() const { return unmapped_; }
    void AddUnmapped(std::size_t n) { unmapped_ += n; }
    int Depth() const { return depth_; }
    void Enter();                       // raises beyond kMaxCrxDepth
    void Leave() { --depth_; }
    // Hands the buffer to the file when it is large enough (or always).
    void MaybeFlush() { if (fd_ >= 0 && buf_->size() >= (1u << 20)) Flush(); }
    void Flush();

private:
    std::string own_;
    std::string scratch_;
    std::string* buf_;
    int fd_ = -1;
    std::size_t written_ = 0;   // bytes handed to the file so far
    std::size_t unmapped_ = 0;
    int depth_ = 0;
};

// The whole file form of a block and its subtree.
// `unmapped` receives the number of characters written as "?".
std::string SaveBlockToBytes(const TBlock& block, std::size_t* unmapped = nullptr);
// TBlock::SaveToFile with more (answers the unmapped count as it does):
// `written` (when given) receives the stamp of the file as written, for a
// later save to tell whether another program replaced it since; a
// `privateMode` other than 0 is the exact mode of the file, whatever the
// umask and the mode of the file it replaces (crash-recovery copies: 0600).
std::size_t SaveBlockToFile(const TBlock& block, const std::string& fileName, FileStamp* written,
                            mode_t privateMode = 0);
// Loads the bytes of a .crx file into `block`, with the rules of
// TBlock::LoadFromFile (root name replaced, root code checked, trailing bytes
// ignored).
void LoadBlockFromBytes(TBlock& block, std::string_view bytes);
