#include "platform/rtf_reader.h"
#include "platform/base/safe_files.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "platform/base/text_codec.h"

namespace {

constexpr char32_t kLineSeparator = 0x2028;
constexpr char32_t kReplacement = 0xFFFD;
constexpr int kMaxFonts = 4096;
constexpr std::size_t kMaxColours = 4096;
constexpr int kMaxHalfPoints = 3276;   // 1638 pt, the largest size editors write

enum class Destination { Text, Skip, FontTable, ColourTable };

struct GroupState {
    Destination dest = Destination::Text;
    RtfCharFormat chr;
    RtfParagraphFormat para;
    int uc = 1;  // replacement characters that follow a \u
};

// Destinations whose content is never shown (without the "\*" mark that
// newer destinations carry).
bool IsSkippedDestination(std::string_view word)
{
    static constexpr std::string_view kSkipped[] = {
        "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
        "footerl", "footerr", "footerf", "footnote", "annotation", "atnid", "atnauthor", "xe", "tc",
        "txe", "rxe", "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator", "filetbl",
        "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "pgdsctbl",
        "fldinst", "nonshppict", "shppict", "objdata", "template", "author", "operator", "title",
        "subject", "keywords", "comment", "doccomm", "company", "buptim", "creatim", "revtim",
        "printim", "userprops", "mmathPr", "background", "shp", "shpinst", "sp", "sn", "sv",
        "private", "bkmkstart", "bkmkend", "field_private", "ftnsep", "ftnsepc", "aftnsep",
        "aftnsepc", "pntext", "pntxta", "pntxtb", "listtext", "fchars", "lchars", "docvar",
        "passwordhash", "protusertbl", "wgrffmtfilter", "ud", "upr", "falt", "panose",
    };
    return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

int Clamp(long long v, int lo, int hi)
{
    return static_cast<int>(std::clamp<long long>(v, lo, hi));
}

class Parser {
public:
    Parser(std::string_view in, RtfDocument& doc) : in_(in), doc_(doc) {}

    RtfReadResult Run()
    {
        stack_.push_back(GroupState{});
        // The text before the first group, if any, is ignored: the reader
        // only starts at "{\rtf".
        pos_ = in_.find('{');
        while (pos_ < in_.size() && !stopped_) Step();
        if (!stopped_) Fail("Le texte RTF est incomplet.");
        FlushSurrogate();
        EndParagraph(/*final=*/true);
        return result_;
    }

private:
    void Fail(std::string message)
    {
        if (result_.ok) {
            result_.ok = false;
            result_.error = std::move(message);
        }
    }

    GroupState& State() { return stack_.back(); }

    void Step()
    {
        unsigned char c = static_cast<unsigned char>(in_[pos_]);
        switch (c) {
        case '{':
            ++pos_;
            skipCount_ = 0;
            if (static_cast<int>(stack_.size()) > kRtfMaxNesting) {
                Fail("Le texte RTF est trop imbriqué.");
                stopped_ = true;
                return;
            }
            stack_.push_back(stack_.back());
            return;
        case '}':
            ++pos_;
            skipCount_ = 0;
            EndGroup();
            return;
        case '\\':
            ControlSequence();
            return;
        case '\r':
        case '\n':
            ++pos_;
            return;
        default:
            ++pos_;
            if (skipCount_ > 0) {
                --skipCount_;
                return;
            }
            if (c == '\t') {
                Char(U'\t');
            } else if (c >= 0x20) {
                Char(Cp1252ToCodePoint(c));
            }
            return;
        }
    }

    void EndGroup()
    {
        if (stack_.back().dest == Destination::FontTable) CommitFont();
        stack_.pop_back();
        // The document's own group has ended: what follows is not part of it.
        if (stack_.size() == 1) stopped_ = true;
    }

    void ControlSequence()
    {
        ++pos_;  // the backslash
        if (pos_ >= in_.size()) return;
        unsigned char c = static_cast<unsigned char>(in_[pos_]);
        if (!IsAsciiLetter(c)) {
            ++pos_;
            ControlSymbol(c);
            return;
        }
        std::size_t start = pos_;
        while (pos_ < in_.size() && IsAsciiLetter(static_cast<unsigned char>(in_[pos_]))) ++pos_;
        std::string_view word = in_.substr(start, std::min<std::size_t>(pos_ - start, 32));
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
            IsDigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && IsDigit(static_cast<unsigned char>(in_[pos_]))) {
            hasParam = true;
            if (param < 1000000000000LL) param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative) param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiting space belongs to the word

        if (word == "bin") {
            // Binary data: skipped whole, whatever it holds; never beyond the end.
            std::size_t n = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
            pos_ += std::min(n, in_.size() - pos_);
            if (skipCount_ > 0) --skipCount_;
            return;
        }
        if (skipCount_ > 0) {
            // A control word stands for one of the characters that replace a \u.
            --skipCount_;
            return;
        }
        ControlWord(word, hasParam,
                    Clamp(param, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }

    static bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
    static int HexValue(unsigned char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    void ControlSymbol(unsigned char c)
    {
        if (c == '\'') {
            int hi = pos_ < in_.size() ? HexValue(static_cast<unsigned char>(in_[pos_])) : -1;
            int lo = pos_ + 1 < in_.size() ? HexValue(static_cast<unsigned char>(in_[pos_ + 1])) : -1;
            if (hi < 0 || lo < 0) {
                // A broken escape shows nothing; its one good digit goes with it.
                if (hi >= 0) ++pos_;
                return;
            }
            pos_ += 2;
            if (skipCount_ > 0) {
                --skipCount_;
                return;
            }
            Char(Cp1252ToCodePoint(static_cast<unsigned char>(hi * 16 + lo)));
            return;
        }
        if (skipCount_ > 0) {
            --skipCount_;
            return;
        }
        switch (c) {
        case '\\': Char(U'\\'); break;
        case '{': Char(U'{'); break;
        case '}': Char(U'}'); break;
        case '~': Char(0x00A0); break;
        case '_': Char(0x2011); break;
        case '-': break;  // optional hyphen
        case '*': State().dest = Destination::Skip; break;
        case '\r':
        case '\n': Paragraph(); break;
        case '\t': Char(U'\t'); break;
        default: break;  // \| \: and unknown symbols: nothing to show
        }
    }

    void ControlWord(std::string_view w, bool hasParam, int p)
    {
        GroupState& s = State();
        // Destinations first: they change what the rest of the group is.
        if (w == "fonttbl") {
            if (s.dest != Destination::Skip) s.dest = Destination::FontTable;
            return;
        }
        if (w == "colortbl") {
            if (s.dest != Destination::Skip) {
                s.dest = Destination::ColourTable;
                colourPending_ = false;
                red_ = green_ = blue_ = 0;
            }
            return;
        }
        if (IsSkippedDestination(w)) {
            s.dest = Destination::Skip;
            return;
        }
        if (w == "u") {
            long long v = p;
            if (v < 0) v += 65536;  // writers store code units as signed 16-bit numbers
            if (v < 0 || v > 0xFFFF) v = kReplacement;  // one UTF-16 code unit at most
            UnicodeUnit(static_cast<char32_t>(v));
            skipCount_ = s.uc;
            return;
        }
        if (w == "uc") {
            s.uc = hasParam ? Clamp(p, 0, 16) : 1;
            return;
        }
        switch (s.dest) {
        case Destination::Skip: return;
        case Destination::FontTable:
            if (w == "f" && hasParam) {
                CommitFont();
                fontNumber_ = p;
            }
            return;
        case Destination::ColourTable:
            if (w == "red") red_ = Clamp(p, 0, 255), colourPending_ = true;
            else if (w == "green") green_ = Clamp(p, 0, 255), colourPending_ = true;
            else if (w == "blue") blue_ = Clamp(p, 0, 255), colourPending_ = true;
            return;
        case Destination::Text: break;
        }
        RtfCharFormat& f = s.chr;
        RtfParagraphFormat& para = s.para;
        bool on = !hasParam || p != 0;
        if (w == "par" || w == "sect" || w == "page" || w == "row") Paragraph();
        else if (w == "line") Char(kLineSeparator);
        else if (w == "tab" || w == "cell" || w == "nestcell") Char(U'\t');
        else if (w == "pard") para = RtfParagraphFormat{};
        else if (w == "plain") {
            f = RtfCharFormat{};
            f.font = defaultFont_;
        } else if (w == "b") f.bold = on;
        else if (w == "i") f.italic = on;
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth" ||
                 w == "ulwave")
            f.underline = on;
        else if (w == "ulnone") f.underline = false;
        else if (w == "strike" || w == "striked") f.strike = on;
        else if (w == "super") f.verticalShift = 1;
        else if (w == "sub") f.verticalShift = -1;
        else if (w == "nosupersub") f.verticalShift = 0;
        else if (w == "fs") f.halfPoints = hasParam && p > 0 ? Clamp(p, 1, kMaxHalfPoints) : 24;
        else if (w == "f") f.font = hasParam ? p : -1;
        else if (w == "deff") {
            defaultFont_ = hasParam ? p : -1;
            if (stack_.size() <= 2) f.font = defaultFont_;
        } else if (w == "cf") f.colour = ColourAt(hasParam ? p : 0);
        else if (w == "cb" || w == "highlight") f.background = ColourAt(hasParam ? p : 0);
        else if (w == "ql") para.alignment = RtfAlignment::Left;
        else if (w == "qc") para.alignment = RtfAlignment::Center;
        else if (w == "qr") para.alignment = RtfAlignment::Right;
        else if (w == "qj") para.alignment = RtfAlignment::Justify;
        else if (w == "li") para.leftIndent = Clamp(p, -31680, 31680);
        else if (w == "ri") para.rightIndent = Clamp(p, -31680, 31680);
        else if (w == "fi") para.firstIndent = Clamp(p, -31680, 31680);
        else if (w == "sb") para.spaceBefore = Clamp(p, 0, 31680);
        else if (w == "sa") para.spaceAfter = Clamp(p, 0, 31680);
        else if (w == "emdash") Char(0x2014);
        else if (w == "endash") Char(0x2013);
        else if (w == "emspace") Char(0x2003);
        else if (w == "enspace") Char(0x2002);
        else if (w == "qmspace") Char(0x2005);
        else if (w == "bullet") Char(0x2022);
        else if (w == "lquote") Char(0x2018);
        else if (w == "rquote") Char(0x2019);
        else if (w == "ldblquote") Char(0x201C);
        else if (w == "rdblquote") Char(0x201D);
        else if (w == "zwj") Char(0x200D);
        else if (w == "zwnj") Char(0x200C);
        // Every other word changes nothing that the reader shows.
    }

    std::optional<std::uint32_t> ColourAt(int index) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= doc_.colours.size()) return std::nullopt;
        return doc_.colours[static_cast<std::size_t>(index)];
    }

    void CommitFont()
    {
        std::string name = Trim(fontName_);
        if (fontNumber_ >= 0 && !name.empty() && static_cast<int>(doc_.fonts.size()) < kMaxFonts)
            doc_.fonts.emplace(fontNumber_, name);
        fontName_.clear();
        fontNumber_ = -1;
    }

    // One UTF-16 code unit of a \u escape: surrogate pairs come as two escapes.
    void UnicodeUnit(char32_t unit)
    {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            highSurrogate_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (highSurrogate_) {
                char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
                highSurrogate_ = 0;
                Emit(cp);
            } else {
                Emit(kReplacement);
            }
            return;
        }
        FlushSurrogate();
        Emit(unit);
    }

    void FlushSurrogate()
    {
        if (highSurrogate_) {
            highSurrogate_ = 0;
            Emit(kReplacement);
        }
    }

    void Char(char32_t cp)
    {
        FlushSurrogate();
        Emit(cp);
    }

    void Emit(char32_t cp)
    {
        GroupState& s = State();
        switch (s.dest) {
        case Destination::Skip: return;
        case Destination::FontTable:
            if (cp == U';') CommitFont();
            else if (fontName_.size() < 256) AppendUtf8(fontName_, cp);
            return;
        case Destination::ColourTable:
            if (cp == U';') {
                if (doc_.colours.size() < kMaxColours) {
                    if (colourPending_)
                        doc_.colours.push_back(static_cast<std::uint32_t>(red_ + green_ * 256 + blue_ * 65536));
                    else
                        doc_.colours.push_back(std::nullopt);
                }
                colourPending_ = false;
                red_ = green_ = blue_ = 0;
            }
            return;
        case Destination::Text: break;
        }
        if (cp == 0) return;
        std::vector<RtfRun>& runs = current_.runs;
        if (runs.empty() || !(runs.back().format == s.chr)) runs.push_back(RtfRun{{}, s.chr});
        AppendUtf8(runs.back().text, cp);
    }

    void Paragraph()
    {
        if (State().dest != Destination::Text) return;
        FlushSurrogate();
        EndParagraph(false);
    }

    void EndParagraph(bool final)
    {
        // A text that ends with \par has no empty paragraph after it.
        if (final && current_.runs.empty()) return;
        current_.format = State().para;
        doc_.paragraphs.push_back(std::move(current_));
        current_ = RtfParagraph{};
    }

    std::string_view in_;
    RtfDocument& doc_;
    std::size_t pos_ = 0;
    std::vector<GroupState> stack_;
    RtfParagraph current_;
    RtfReadResult result_;
    bool stopped_ = false;
    int skipCount_ = 0;
    char32_t highSurrogate_ = 0;
    int defaultFont_ = -1;
    int fontNumber_ = -1;
    std::string fontName_;
    bool colourPending_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;
};

bool LooksLikeRtf(std::string_view bytes)
{
    std::size_t i = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

void ParsePlainText(std::string_view bytes, RtfDocument& doc)
{
    std::string text = DecodeTextFile(bytes);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos && line.empty()) break;
        RtfParagraph p;
        if (!line.empty()) p.runs.push_back(RtfRun{line, RtfCharFormat{}});
        doc.paragraphs.push_back(std::move(p));
        if (end == std::string::npos) break;
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

QColor ColourOf(std::uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace

std::string RtfParagraph::Text() const
{
    std::string out;
    for (const RtfRun& r : runs) out += r.text;
    return out;
}

std::string RtfDocument::PlainText() const
{
    std::string out;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i) out += '\n';
        out += paragraphs[i].Text();
    }
    return out;
}

RtfReadResult ParseRtf(std::string_view bytes, RtfDocument& doc)
{
    doc = RtfDocument{};
    if (!LooksLikeRtf(bytes)) {
        ParsePlainText(bytes, doc);
        return {};
    }
    return Parser(bytes, doc).Run();
}

void FillTextDocument(const RtfDocument& rtf, QTextDocument& doc)
{
    doc.clear();
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    bool first = true;
    // Twips to the document's pixels (1/96 inch): 15 twips each.
    auto px = [](int twips) { return twips / 15.0; };
    for (const RtfParagraph& p : rtf.paragraphs) {
        QTextBlockFormat bf;
        switch (p.format.alignment) {
        case RtfAlignment::Left: bf.setAlignment(Qt::AlignLeft); break;
        case RtfAlignment::Center: bf.setAlignment(Qt::AlignHCenter); break;
        case RtfAlignment::Right: bf.setAlignment(Qt::AlignRight); break;
        case RtfAlignment::Justify: bf.setAlignment(Qt::AlignJustify); break;
        }
        bf.setLeftMargin(px(p.format.leftIndent));
        bf.setRightMargin(px(p.format.rightIndent));
        bf.setTextIndent(px(p.format.firstIndent));
        bf.setTopMargin(px(p.format.spaceBefore));
        bf.setBottomMargin(px(p.format.spaceAfter));
        if (first) {
            cursor.setBlockFormat(bf);
            first = false;
        } else {
            cursor.insertBlock(bf);
        }
        for (const RtfRun& r : p.runs) {
            QTextCharFormat cf;
            cf.setFontWeight(r.format.bold ? QFont::Bold : QFont::Normal);
            cf.setFontItalic(r.format.italic);
            cf.setFontUnderline(r.format.underline);
            cf.setFontStrikeOut(r.format.strike);
            cf.setFontPointSize(r.format.halfPoints / 2.0);
            if (r.format.verticalShift > 0) cf.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
            if (r.format.verticalShift < 0) cf.setVerticalAlignment(QTextCharFormat::AlignSubScript);
            auto font = rtf.fonts.find(r.format.font);
            if (font != rtf.fonts.end())
                cf.setFontFamilies(QStringList{QString::fromUtf8(font->second.data(),
                                                                 static_cast<qsizetype>(font->second.size()))});
            if (r.format.colour) cf.setForeground(QBrush(ColourOf(*r.format.colour)));
            if (r.format.background) cf.setBackground(QBrush(ColourOf(*r.format.background)));
            cursor.insertText(QString::fromUtf8(r.text.data(), static_cast<qsizetype>(r.text.size())), cf);
        }
    }
    cursor.endEditBlock();
}

RtfReadResult ReadRtf(std::string_view bytes, QTextDocument& doc)
{
    RtfDocument rtf;
    RtfReadResult result = ParseRtf(bytes, rtf);
    FillTextDocument(rtf, doc);
    return result;
}

RtfReadResult LoadRtfFile(const std::string& path, QTextDocument& doc)
{
    RtfReadResult result;
    auto fail = [&result](std::string message) {
        result.ok = false;
        result.filled = false;
        result.error = std::move(message);
        return result;
    };
    // Only regular files: a device or a pipe could never end or never answer.
    std::string bytes;
    const ReadStatus read = ReadFileBytes(std::filesystem::path(path), bytes, kRtfMaxFileSize);
    if (read.failure == ReadFailure::TooBig) return fail("Le fichier " + path + " est trop volumineux");
    if (!read) return fail("Impossible d'ouvrir le fichier " + path + " : " + read.Reason());
    return ReadRtf(bytes, doc);
}
