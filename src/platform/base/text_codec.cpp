#include "platform/base/text_codec.h"

#include <array>

namespace {

// Windows-1252 0x80..0x9F; the five undefined bytes keep their C1 code point so
// that every byte survives a round trip.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at `i`, advancing it; an invalid sequence consumes one
// byte and yields U+FFFD.
char32_t DecodeOne(std::string_view s, std::size_t& i, bool* ok = nullptr)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        if (ok) *ok = true;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) { extra = 1; cp = b0 & 0x1F; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { extra = 2; cp = b0 & 0x0F; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { extra = 3; cp = b0 & 0x07; min = 0x10000; }
    else {
        ++i;
        if (ok) *ok = false;
        return kReplacement;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) {  // sequence cut short by the end
        ++i;
        if (ok) *ok = false;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            if (ok) *ok = false;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        if (ok) *ok = false;
        return kReplacement;
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (ok) *ok = true;
    return cp;
}

int CodePointToTable(char32_t cp, const char16_t* high, int count, int firstHigh)
{
    if (cp < 0x80) return static_cast<int>(cp);
    for (int k = 0; k < count; ++k)
        if (high[k] == cp) return firstHigh + k;
    return -1;
}

}  // namespace

char32_t Cp1252ToCodePoint(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0) return kCp1252High[b - 0x80];
    return b;
}

int CodePointToCp1252(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == cp) return 0x80 + k;
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

namespace {

// Both one-byte code pages keep ASCII as it is; `high` gives the character of
// a byte from 0x80 up.
template <class HighByte>
std::string OneByteToUtf8(std::string_view bytes, HighByte high)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) out.push_back(c);
        else AppendUtf8(out, high(b));
    }
    return out;
}

// `toByte` gives a character's byte in the code page, or -1 when the page
// lacks it: that character is written as "?" and counted.
template <class ToByte>
std::string Utf8ToOneByte(std::string_view utf8, std::size_t* unmapped, ToByte toByte)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t bad = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        const char32_t cp = DecodeOne(utf8, i);
        const int byte = toByte(cp);
        if (byte < 0) {
            out.push_back('?');
            ++bad;
        } else {
            out.push_back(static_cast<char>(byte));
        }
    }
    if (unmapped) *unmapped = bad;
    return out;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes)
{
    return OneByteToUtf8(bytes, [](unsigned char b) { return Cp1252ToCodePoint(b); });
}

std::string Utf8ToCp1252(std::string_view utf8, std::size_t* unmapped)
{
    return Utf8ToOneByte(utf8, unmapped, [](char32_t cp) { return CodePointToCp1252(cp); });
}

std::string Cp850ToUtf8(std::string_view bytes)
{
    return OneByteToUtf8(bytes, [](unsigned char b) { return char32_t{kCp850High[b - 0x80]}; });
}

std::string Utf8ToCp850(std::string_view utf8, std::size_t* unmapped)
{
    return Utf8ToOneByte(utf8, unmapped,
                         [](char32_t cp) { return CodePointToTable(cp, kCp850High.data(), 128, 0x80); });
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        bool ok = true;
        DecodeOne(bytes, i, &ok);
        if (!ok) return false;
    }
    return true;
}

namespace {

bool StartsWithUtf16Mark(std::string_view bytes, bool* bigEndian)
{
    if (bytes.size() < 2) return false;
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b0 == 0xFF && b1 == 0xFE) *bigEndian = false;
    else if (b0 == 0xFE && b1 == 0xFF) *bigEndian = true;
    else return false;
    return true;
}

char16_t Utf16Unit(std::string_view bytes, std::size_t at, bool bigEndian)
{
    const auto a = static_cast<unsigned char>(bytes[at]);
    const auto b = static_cast<unsigned char>(bytes[at + 1]);
    return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
}

// Decodes one code point of UTF-16 at `i` (a byte offset), advancing it; a
// lone surrogate or a last odd byte yields U+FFFD.
char32_t DecodeOneUtf16(std::string_view bytes, std::size_t& i, bool bigEndian, bool* ok)
{
    *ok = true;
    if (i + 2 > bytes.size()) {
        i = bytes.size();
        *ok = false;
        return kReplacement;
    }
    const char16_t u = Utf16Unit(bytes, i, bigEndian);
    i += 2;
    if (u < 0xD800 || u > 0xDFFF) return u;
    if (u <= 0xDBFF && i + 2 <= bytes.size()) {
        const char16_t low = Utf16Unit(bytes, i, bigEndian);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            i += 2;
            return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
        }
    }
    *ok = false;
    return kReplacement;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    bool ok = true;
    while (i < bytes.size()) AppendUtf8(out, DecodeOneUtf16(bytes, i, bigEndian, &ok));
    return out;
}

void AppendUtf16Unit(std::string& out, char32_t u, bool bigEndian)
{
    const char hi = static_cast<char>((u >> 8) & 0xFF);
    const char lo = static_cast<char>(u & 0xFF);
    out.push_back(bigEndian ? hi : lo);
    out.push_back(bigEndian ? lo : hi);
}

std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian)
{
    std::string out;
    out.reserve(2 + utf8.size() * 2);
    AppendUtf16Unit(out, 0xFEFF, bigEndian);
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = DecodeOne(utf8, i);
        if (cp >= 0x10000) {
            AppendUtf16Unit(out, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
            AppendUtf16Unit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
        } else {
            AppendUtf16Unit(out, cp, bigEndian);
        }
    }
    return out;
}

}  // namespace

bool IsValidUtf16(std::string_view bytes, bool bigEndian)
{
    std::size_t i = 0;
    bool ok = true;
    while (i < bytes.size() && ok) DecodeOneUtf16(bytes, i, bigEndian, &ok);
    return ok;
}

bool IsReadableTextFile(std::string_view bytes)
{
    bool bigEndian = false;
    if (StartsWithUtf16Mark(bytes, &bigEndian)) {
        const std::string_view body = bytes.substr(2);
        std::size_t i = 0;
        bool ok = true;
        while (i < body.size()) {
            if (DecodeOneUtf16(body, i, bigEndian, &ok) == 0 || !ok) return false;
        }
        return true;
    }
    return bytes.find('\0') == std::string_view::npos;
}

std::string DecodeTextFile(std::string_view bytes, TextEncoding* detected)
{
    // The marks that Windows editors put in front of "Unicode" files. Two
    // bytes that read "ÿþ" in Windows-1252 are no settings text: the mark wins.
    bool bigEndian = false;
    if (StartsWithUtf16Mark(bytes, &bigEndian)) {
        if (detected) *detected = bigEndian ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
        return Utf16ToUtf8(bytes.substr(2), bigEndian);
    }
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
        if (detected) *detected = TextEncoding::Utf8Bom;
        bytes.remove_prefix(3);
        if (IsValidUtf8(bytes)) return std::string(bytes);
        // A BOM over broken bytes: keep what reads, mark the rest.
        std::string out;
        std::size_t i = 0;
        while (i < bytes.size()) AppendUtf8(out, DecodeOne(bytes, i));
        return out;
    }
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    // A pure ASCII file reads the same either way; it stays Windows-1252, the
    // form the program's peers expect, when it is written again.
    if (!ascii && IsValidUtf8(bytes)) {
        if (detected) *detected = TextEncoding::Utf8;
        return std::string(bytes);
    }
    if (detected) *detected = TextEncoding::Cp1252;
    return Cp1252ToUtf8(bytes);
}

std::string EncodeTextFile(std::string_view utf8, TextEncoding encoding, std::size_t* unmapped)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        if (unmapped) *unmapped = 0;
        return std::string(utf8);
    case TextEncoding::Utf8Bom:
        if (unmapped) *unmapped = 0;
        return "\xEF\xBB\xBF" + std::string(utf8);
    case TextEncoding::Cp850:
        return Utf8ToCp850(utf8, unmapped);
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
        // Every code point has a UTF-16 form.
        if (unmapped) *unmapped = 0;
        return Utf8ToUtf16(utf8, encoding == TextEncoding::Utf16Be);
    case TextEncoding::Cp1252:
    default:
        return Utf8ToCp1252(utf8, unmapped);
    }
}

std::u32string Utf8ToU32(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) out.push_back(DecodeOne(utf8, i));
    return out;
}

std::string U32ToUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) AppendUtf8(out, c);
    return out;
}

std::size_t Utf8Length(std::string_view utf8)
{
    std::size_t n = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
        else DecodeOne(utf8, i);
        ++n;
    }
    return n;
}

std::string Utf8Substr(std::string_view utf8, std::size_t pos, std::size_t len)
{
    std::size_t i = 0;
    std::size_t n = 0;
    while (i < utf8.size() && n < pos) {
        DecodeOne(utf8, i);
        ++n;
    }
    const std::size_t start = i;
    n = 0;
    while (i < utf8.size() && n < len) {
        DecodeOne(utf8, i);
        ++n;
    }
    return std::string(utf8.substr(start, i - start));
}

char32_t UpperChar(char32_t c)
{
    if (c >= U'a' && c <= U'z') return c - 32;
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    switch (c) {
    case 0xFF: return 0x178;   // ÿ -> Ÿ
    case 0x161: return 0x160;  // š -> Š
    case 0x153: return 0x152;  // œ -> Œ
    case 0x17E: return 0x17D;  // ž -> Ž
    default: return c;
    }
}

char32_t LowerChar(char32_t c)
{
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c < 0x80) return c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    switch (c) {
    case 0x178: return 0xFF;
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    default: return c;
    }
}

namespace {

// ASCII letters change by their ASCII rule (`ascii`), the other characters by
// `other`; bytes that are not UTF-8 stay as they are.
template <class AsciiCase, class OtherCase>
std::string ChangeCase(std::string_view utf8, AsciiCase ascii, OtherCase other)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out.push_back(ascii(b));
            ++i;
            continue;
        }
        const std::size_t start = i;
        bool ok = true;
        const char32_t c = DecodeOne(utf8, i, &ok);
        if (!ok) out.append(utf8.substr(start, i - start));  // keep bad bytes as they are
        else AppendUtf8(out, other(c));
    }
    return out;
}

}  // namespace

std::string UpperCase(std::string_view utf8)
{
    return ChangeCase(
        utf8, [](unsigned char b) { return b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : static_cast<char>(b); },
        UpperChar);
}

std::string LowerCase(std::string_view utf8)
{
    return ChangeCase(
        utf8, [](unsigned char b) { return b >= 'A' && b <= 'Z' ? static_cast<char>(b + 32) : static_cast<char>(b); },
        LowerChar);
}

std::string UpperCaseAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string LowerCaseAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

int CompareTextNoCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = UpperChar(DecodeOne(a, i));
        const char32_t cb = UpperChar(DecodeOne(b, j));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool SameTextNoCase(std::string_view a, std::string_view b)
{
    if (a.size() == b.size() && a == b) return true;
    return CompareTextNoCase(a, b) == 0;
}

std::string_view TrimView(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
    return text.substr(first, last - first);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string TrimLeft(std::string_view text)
{
    std::size_t first = 0;
    while (first < text.size() && static_cast<unsigned char>(text[first]) <= 0x20) ++first;
    return std::string(text.substr(first));
}

std::string TrimRight(std::string_view text)
{
    std::size_t last = text.size();
    while (last > 0 && static_cast<unsigned char>(text[last - 1]) <= 0x20) --last;
    return std::string(text.substr(0, last));
}

std::string PathToUtf8(const std::filesystem::path& path)
{
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::filesystem::path Utf8ToPath(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
