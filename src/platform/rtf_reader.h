// Reading of RTF texts (help topics, the change history) into a QTextDocument.
//
// The reader understands what a rich-text editor writes for plain formatted
// text: paragraphs and their alignment and indents, bold, italic, underline,
// strike-through, super- and subscript, font sizes, fonts, text and
// background colours, Windows-1252 escapes (\'e9), Unicode escapes (\uN with
// their \ucN replacement counts), tabs, line breaks and the usual typographic
// symbols. Pictures, objects, style sheets, document information, headers,
// footers and every "\*" destination are skipped.
//
// The input comes from outside: nesting is bounded, numbers are clamped,
// binary runs are bounded by the input, and malformed text never stops the
// reader before the end; what could be read is kept and the fault reported.
// A text that does not start with "{\rtf" is shown as plain text, as rich-text
// views do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QTextDocument;

struct RtfCharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int verticalShift = 0;        // 1 superscript, -1 subscript
    int halfPoints = 24;          // \fs: font size in half points
    int font = -1;                // font number of the font table, -1 none
    std::optional<std::uint32_t> colour;      // R + G x 256 + B x 65536
    std::optional<std::uint32_t> background;
    bool operator==(const RtfCharFormat&) const = default;
};

enum class RtfAlignment { Left, Center, Right, Justify };

struct RtfParagraphFormat {
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;     // twips
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    bool operator==(const RtfParagraphFormat&) const = default;
};

struct RtfRun {
    std::string text;  // UTF-8; "\t" for tabs, U+2028 for line breaks
    RtfCharFormat format;
};

struct RtfParagraph {
    RtfParagraphFormat format;
    std::vector<RtfRun> runs;
    std::string Text() const;
};

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;
    std::map<int, std::string> fonts;                       // font number -> face name
    std::vector<std::optional<std::uint32_t>> colours;      // colour table; nullopt = automatic
    // Paragraphs joined by "\n".
    std::string PlainText() const;
};

struct RtfReadResult {
    bool ok = true;
    std::string error;    // French, for the user
    bool filled = true;   // false when the file could not be read: the document was left as it was
};

inline constexpr int kRtfMaxNesting = 128;
inline constexpr std::size_t kRtfMaxFileSize = 32u * 1024u * 1024u;

// Parses an RTF text (or a plain text) into `doc` (replaced).
RtfReadResult ParseRtf(std::string_view bytes, RtfDocument& doc);
// Fills a text document from a parsed one (its previous content is replaced).
void FillTextDocument(const RtfDocument& rtf, QTextDocument& doc);
// ParseRtf then FillTextDocument.
RtfReadResult ReadRtf(std::string_view bytes, QTextDocument& doc);
// Reads a regular file (at most kRtfMaxFileSize bytes) into `doc`. A file that
// cannot be read leaves `doc` untouched (`filled` false).
RtfReadResult LoadRtfFile(const std::string& path, QTextDocument& doc);
