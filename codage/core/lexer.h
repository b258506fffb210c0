// The coder's reading of a text: decoding, upper-casing with accents folded,
// and cutting into words, numbers and signs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace codage {

enum class RawKind : uint8_t { Word, Number, Sign };

// One piece of a text; its normalised text lies in the lexer's buffer.
struct RawToken {
    RawKind kind;
    uint32_t begin;  // offset of the text in the buffer
    uint32_t size;
    double value;    // numbers only
};

// Decodes one character at `i` and advances past it. Valid UTF-8 is decoded as
// such; any byte that does not start a valid sequence stands for its
// Windows-1252 character, so that texts saved by older tools still read.
char32_t DecodeChar(std::string_view text, size_t& i);

// Appends the UTF-8 encoding of `c`.
void AppendUtf8(std::string& out, char32_t c);

// True when the whole text is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// The text in UTF-8: kept when it is valid UTF-8 (a leading byte-order mark is
// dropped), otherwise read as Windows-1252.
std::string ToUtf8(std::string_view text);

// Cuts texts into tokens. Words come out in upper case without accents
// ("d'argile gris-vert" gives D' ARGILE GRIS VERT); an elided article keeps
// its apostrophe; a hyphen between letters only splits the words; numbers
// keep a decimal separator between digits ("12,5"); the signs "<=", ">=",
// "=<", "=>", "<>", "&&" and "||" are single tokens.
class Lexer {
public:
    void Run(std::string_view text);

    const std::vector<RawToken>& Tokens() const { return tokens_; }
    std::string_view Text(const RawToken& t) const { return std::string_view(buffer_).substr(t.begin, t.size); }

private:
    std::string buffer_;
    std::vector<RawToken> tokens_;
};

}  // namespace codage
