// Text encodings and case rules shared by the whole program.
//
// Inside Carotix every text is UTF-8 in a std::string. Files and byte-defined
// formats (the .crx file, fixed-width files, files for the program's peers) use
// Windows-1252, and a few old files use the OEM code page 850. Case folding
// follows the Windows-1252 repertoire (é<->É, œ<->Œ, š<->Š, ÿ<->Ÿ; ß and µ have
// no upper case of their own), which is what users of the program expect from
// upper-cased names and case-insensitive settings.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// Utf16Le and Utf16Be: UTF-16 announced by its byte-order mark, which a file
// written again keeps.
enum class TextEncoding { Utf8, Utf8Bom, Cp1252, Cp850, Utf16Le, Utf16Be };

// Windows-1252 <-> UTF-8. The mapping is bijective over all 256 bytes: the five
// bytes that Windows-1252 leaves undefined map to U+0081, U+008D, U+008F, U+0090
// and U+009D. A code point with no Windows-1252 byte is written as "?" and
// counted in *unmapped (never dropped in silence).
std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view utf8, std::size_t* unmapped = nullptr);
// The Windows-1252 byte of one code point, or -1 when it has none.
int CodePointToCp1252(char32_t cp);
char32_t Cp1252ToCodePoint(unsigned char b);

// OEM code page 850 <-> UTF-8 (same "?" rule).
std::string Cp850ToUtf8(std::string_view bytes);
std::string Utf8ToCp850(std::string_view utf8, std::size_t* unmapped = nullptr);

bool IsValidUtf8(std::string_view bytes);
// Whole 16-bit units, surrogates in pairs (the bytes after the mark).
bool IsValidUtf16(std::string_view bytes, bool bigEndian);

// A text file's bytes to UTF-8: UTF-16 when it starts with a UTF-16 byte-order
// mark (FF FE little-endian, FE FF big-endian; the mark removed), UTF-8 when
// it starts with the UTF-8 BOM (removed) or is valid UTF-8, otherwise
// Windows-1252. `detected` receives what was found. Bytes that are not valid in
// the encoding found decode as U+FFFD.
std::string DecodeTextFile(std::string_view bytes, TextEncoding* detected = nullptr);
// UTF-8 text to a file's bytes in the given encoding (Utf8Bom and the UTF-16
// encodings write their mark).
std::string EncodeTextFile(std::string_view utf8, TextEncoding encoding, std::size_t* unmapped = nullptr);
// Whether the bytes are a text file in one of the encodings DecodeTextFile
// reads, so that writing it back loses nothing: false for bytes that hold NUL
// while no UTF-16 mark announces them (UTF-16 without a mark, UTF-32, a binary
// file), and for a UTF-16 mark over bytes that are not UTF-16 or that hold a
// NUL character.
bool IsReadableTextFile(std::string_view bytes);

// Code points of a UTF-8 text. Invalid bytes count as one character each and
// decode as U+FFFD, so that these never fail on bad input.
std::u32string Utf8ToU32(std::string_view utf8);
std::string U32ToUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t cp);
std::size_t Utf8Length(std::string_view utf8);                      // in code points
// Code-point based substring: `pos` and `len` count characters (0-based).
std::string Utf8Substr(std::string_view utf8, std::size_t pos, std::size_t len = std::string::npos);
// The length of the text in Windows-1252 bytes (= code points).
inline std::size_t Cp1252Length(std::string_view utf8) { return Utf8Length(utf8); }

// Case rules over the Windows-1252 repertoire (code points outside it are left
// as they are).
char32_t UpperChar(char32_t c);
char32_t LowerChar(char32_t c);
std::string UpperCase(std::string_view utf8);
std::string LowerCase(std::string_view utf8);
// ASCII-only rules, for the places where the program's rule is ASCII.
std::string UpperCaseAscii(std::string_view text);
std::string LowerCaseAscii(std::string_view text);
// Case-insensitive comparison over the Windows-1252 repertoire: <0, 0, >0.
int CompareTextNoCase(std::string_view a, std::string_view b);
bool SameTextNoCase(std::string_view a, std::string_view b);

// Removes ASCII control characters and spaces (bytes <= 0x20, compared
// unsigned) from both ends, as the runtime's Trim does.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// File names: paths hold UTF-8 bytes on Linux; C++20 gives them as u8string,
// these give and take them as the program's own std::string texts.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path Utf8ToPath(std::string_view utf8);
