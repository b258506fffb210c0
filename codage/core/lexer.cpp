#include "core/lexer.h"

namespace codage {

namespace {

// Windows-1252 characters of the bytes 0x80 to 0x9F; the five bytes the code
// page leaves undefined stand for the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Base letters of U+0100..U+017F; '1' stands for IJ and '2' for OE.
constexpr char kLatinExtA[] =
    "AAAAAACCCCCCCCDD"
    "DDEEEEEEEEEEGGGG"
    "GGGGHHHHIIIIIIII"
    "II11JJKKKLLLLLLL"
    "LLLNNNNNNNNNOOOO"
    "OO22RRRRRRSSSSSS"
    "SSTTTTTTUUUUUUUU"
    "UUUUWWYYYZZZZZZS";

// Base letters of U+00C0..U+00FF; '*' marks the two signs; '1' AE, '2' TH, '3' SS.
constexpr char kLatin1Letters[] =
    "AAAAAA1CEEEEIIII"
    "DNOOOOO*OUUUUY23"
    "AAAAAA1CEEEEIIII"
    "DNOOOOO*OUUUUY2Y";

enum class CharClass : uint8_t { Space, Letter, OtherLetter, Digit, Apostrophe, Hyphen, Ignore, Sign };

struct CharInfo {
    CharClass cls;
    const char* fold;  // ASCII spelling of a Letter
};

const char* ExpandFold(char c)
{
    static const char* const kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                           "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
    switch (c) {
    case '1': return "AE";
    case '2': return "TH";
    case '3': return "SS";
    default: return kLetters[c - 'A'];
    }
}

CharInfo Classify(char32_t c)
{
    if (c >= 'a' && c <= 'z') return {CharClass::Letter, ExpandFold(static_cast<char>(c - 'a' + 'A'))};
    if (c >= 'A' && c <= 'Z') return {CharClass::Letter, ExpandFold(static_cast<char>(c))};
    if (c >= '0' && c <= '9') return {CharClass::Digit, nullptr};
    if (c <= 0x20 || c == 0x7F || (c >= 0x80 && c <= 0xA0)) return {CharClass::Space, nullptr};
    if (c == '\'' || c == '`' || c == 0xB4 || c == 0x2018 || c == 0x2019 || c == 0x02BC || c == 0x2032)
        return {CharClass::Apostrophe, nullptr};
    if (c == '-' || (c >= 0x2010 && c <= 0x2014) || c == 0x2212) return {CharClass::Hyphen, nullptr};
    if (c < 0x80) return {CharClass::Sign, nullptr};
    if (c == 0xAD || (c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF) return {CharClass::Ignore, nullptr};
    if (c == 0xB5) return {CharClass::OtherLetter, nullptr};
    if (c < 0xC0) return {CharClass::Sign, nullptr};
    if (c <= 0xFF) {
        const char f = kLatin1Letters[c - 0xC0];
        if (f == '*') return {CharClass::Sign, nullptr};
        return {CharClass::Letter, ExpandFold(f)};
    }
    if (c <= 0x17F) {
        const char f = kLatinExtA[c - 0x100];
        if (f == '1') return {CharClass::Letter, "IJ"};
        if (f == '2') return {CharClass::Letter, "OE"};
        return {CharClass::Letter, ExpandFold(f)};
    }
    if (c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
        c == 0x3000)
        return {CharClass::Space, nullptr};
    if ((c >= 0x2000 && c <= 0x206F) || (c >= 0x20A0 && c <= 0x20CF) || (c >= 0x2100 && c <= 0x27BF) ||
        (c >= 0x2900 && c <= 0x2BFF) || (c >= 0x3001 && c <= 0x303F) || c == 0xFFFD)
        return {CharClass::Sign, nullptr};
    return {CharClass::OtherLetter, nullptr};
}

bool IsLetterClass(CharClass c) { return c == CharClass::Letter || c == CharClass::OtherLetter; }

// Decodes a valid UTF-8 sequence at i; 0 bytes when there is none.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& out)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    size_t len;
    char32_t c;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    out = c;
    return len;
}

}  // namespace

char32_t DecodeChar(std::string_view text, size_t& i)
{
    char32_t c;
    const size_t n = DecodeUtf8(text, i, c);
    if (n > 0) {
        i += n;
        return c;
    }
    const auto b = static_cast<unsigned char>(text[i++]);
    if (b >= 0x80 && b < 0xA0) return kCp1252High[b - 0x80];
    return b;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool IsValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        char32_t c;
        const size_t n = DecodeUtf8(text, i, c);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ToUtf8(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (IsValidUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (unsigned char b : text) {
        if (b < 0x80)
            out.push_back(static_cast<char>(b));
        else if (b < 0xA0)
            AppendUtf8(out, kCp1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

void Lexer::Run(std::string_view text)
{
    buffer_.clear();
    tokens_.clear();

    enum class Open { None, Word, Number } open = Open::None;
    uint32_t begin = 0;
    double value = 0;
    double scale = 0;  // 0 while in the integer part of a number
    bool decimal = false;

    auto close = [&] {
        if (open == Open::None) return;
        const auto size = static_cast<uint32_t>(buffer_.size() - begin);
        tokens_.push_back({open == Open::Word ? RawKind::Word : RawKind::Number, begin, size, value});
        open = Open::None;
    };
    auto start = [&](Open kind) {
        open = kind;
        begin = static_cast<uint32_t>(buffer_.size());
        value = 0;
        scale = 0;
        decimal = false;
    };
    auto peek = [&](size_t at) -> CharInfo {
        while (at < text.size()) {
            const CharInfo info = Classify(DecodeChar(text, at));
            if (info.cls != CharClass::Ignore) return info;
        }
        return {CharClass::Space, nullptr};
    };
    auto sign = [&](std::string_view s) {
        close();
        const auto b = static_cast<uint32_t>(buffer_.size());
        buffer_.append(s);
        tokens_.push_back({RawKind::Sign, b, static_cast<uint32_t>(s.size()), 0});
    };

    size_t i = 0;
    while (i < text.size()) {
        const char32_t c = DecodeChar(text, i);
        const CharInfo info = Classify(c);
        switch (info.cls) {
        case CharClass::Ignore:
            break;
        case CharClass::Space:
            close();
            break;
        case CharClass::Letter:
        case CharClass::OtherLetter:
            if (open != Open::Word) {
                close();
                start(Open::Word);
            }
            // Letters outside the folded repertoire are kept as they are,
            // re-encoded, so that bad bytes never leave the library.
            if (info.cls == CharClass::Letter)
                buffer_.append(info.fold);
            else
                AppendUtf8(buffer_, c);
            break;
        case CharClass::Digit: {
            if (open != Open::Number) {
                close();
                start(Open::Number);
            }
            buffer_.push_back(static_cast<char>(c));
            const int d = static_cast<int>(c - '0');
            if (decimal) {
                scale /= 10;
                value += d * scale;
            } else {
                value = value * 10 + d;
            }
            break;
        }
        case CharClass::Apostrophe:
            if (open == Open::Word && IsLetterClass(peek(i).cls)) {
                buffer_.push_back('\'');
                close();
            } else {
                sign("'");
            }
            break;
        case CharClass::Hyphen:
            if (open == Open::Word && IsLetterClass(peek(i).cls))
                close();
            else
                sign("-");
            break;
        case CharClass::Sign: {
            if ((c == '.' || c == ',') && open == Open::Number && !decimal && peek(i).cls == CharClass::Digit) {
                buffer_.push_back(static_cast<char>(c));
                decimal = true;
                scale = 1;
                break;
            }
            if (c < 0x80 && i < text.size()) {
                const char a = static_cast<char>(c);
                const char b = text[i];
                const bool pair = (a == '<' && (b == '=' || b == '>')) || (a == '>' && b == '=') ||
                                  (a == '=' && (b == '<' || b == '>')) || (a == '&' && b == '&') ||
                                  (a == '|' && b == '|');
                if (pair) {
                    ++i;
                    const char two[2] = {a, b};
                    sign(std::string_view(two, 2));
                    break;
                }
            }
            std::string s;
            AppendUtf8(s, c);
            sign(s);
            break;
        }
        }
    }
    close();
}

}  // namespace codage
