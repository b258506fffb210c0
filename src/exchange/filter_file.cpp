#include "exchange/filter_file.h"
#include "platform/base/safe_files.h"

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/options.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

constexpr char32_t EndOfFile = 0xFFFFFFFFu;

// The filter text as code points, read one character at a time as the file
// itself is: positions and the default's length count characters.
class FilterText {
public:
    explicit FilterText(std::string_view utf8) : text_(Utf8ToU32(utf8)) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    char32_t Get() { return pos_ < text_.size() ? text_[pos_++] : EndOfFile; }

    // One line, its end (CR LF, LF or a lone CR) consumed and not returned.
    std::u32string_view ReadLine()
    {
        std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != U'\r' && text_[pos_] != U'\n')
            ++pos_;
        std::u32string_view line(text_.data() + start, pos_ - start);
        if (pos_ < text_.size()) {
            if (text_[pos_] == U'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == U'\n')
                ++pos_;
            ++pos_;
        }
        return line;
    }

private:
    std::u32string text_;
    std::size_t pos_ = 0;
};

bool StartsWith(std::u32string_view line, char32_t a, char32_t b)
{
    return line.size() >= 2 && line[0] == a && line[1] == b;
}

bool IsTypeLetter(char32_t c)
{
    switch (c) {
    case U'A': case U'D': case U'E': case U'F': case U'I': case U'N': case U'R': case U'S': case U'U':
        return true;
    default:
        return false;
    }
}

[[noreturn]] void RaiseTypeError(char32_t letter)
{
    std::string shown;
    if (letter == EndOfFile)
        // The field line was cut off by the end of the file: say so rather
        // than show an invisible character.
        shown = "fin de fichier";
    else
        AppendUtf8(shown, letter);
    throw EFilterError("Type de donnée incorrect dans le filtre (" + shown + ")\n"
                       "Les types de données acceptés sont :\n"
                       "S (ou A) pour alphanumérique\n"
                       "I (ou N) pour entier naturel\n"
                       "F (ou R) pour nombre flottant\n"
                       "D pour date JJ/MM/A...\n"
                       "E pour date ...AMMJJ (sans séparateurs)");
}

char32_t TranslateSeparator(char32_t c)
{
    if (c == U',')
        return FilterSeparatorNone;
    if (c == U'\r' || c == U'\n' || c == EndOfFile)
        return FilterSeparatorLineEnd;
    return c;
}

// Reads the field lines of a filter whose body starts at the reader's
// position, up to the next header, the empty field line or the end.
void ParseBody(FilterText& in, TFiltre& filter, const std::string& singleTubeName)
{
    while (!in.AtEnd()) {
        std::u32string name;
        bool complete = false;
        for (;;) {
            char32_t c = in.Get();
            if (c == EndOfFile) {
                complete = true;
                break;
            }
            if (c == U':')
                break;
            if (c == U'\r' || c == U'\n')
                continue;
            if (name.empty()) {
                if (c == U' ')
                    continue;
                if (c == U',') {
                    // ",," after a field: the field is followed by a comma in the data.
                    if (!filter.empty())
                        filter.back().Separator = U',';
                    continue;
                }
            }
            name += c;
            if (name == U"->" || name == U"<-") {
                complete = true;
                break;
            }
        }
        if (complete || name.empty() || name == U"*")
            return;

        TFilterField field;
        std::u32string_view rest = name;
        if (rest.front() == U'*') {
            field.IsKey = 1;
            rest.remove_prefix(1);
        }
        if (!rest.empty() && rest.front() == U'%') {
            field.IsSelector = 1;
            rest.remove_prefix(1);
        }
        field.FieldName = U32ToUtf8(rest);
        filter.push_back(field);
        TFilterField& f = filter.back();
        // A data field's name is a block path: the collection file holds only
        // so many nested blocks, so a path is bounded well below that.
        if (!f.IsSelector
            && std::count(f.FieldName.begin(), f.FieldName.end(), '\\') >= MaxFilterPathDepth)
            throw EFilterError("Chemin trop long dans le filtre (plus de " + IntToStr(MaxFilterPathDepth)
                               + " niveaux)\ndu champ " + f.FieldName);

        char32_t letter = in.Get();
        if (!IsTypeLetter(letter))
            RaiseTypeError(letter);
        f.DataType = static_cast<char>(letter);

        std::int32_t width = 0;
        std::string digits;
        char32_t c = in.Get();
        while (c >= U'0' && c <= U'9') {
            digits += static_cast<char>(c);
            width = width * 10 + static_cast<std::int32_t>(c - U'0');
            c = in.Get();
            if (width > MaxFilterFieldWidth) {
                bool cut = false;
                while (c >= U'0' && c <= U'9') {
                    if (digits.size() < 20)
                        digits += static_cast<char>(c);
                    else
                        cut = true;
                    c = in.Get();
                }
                if (cut)
                    digits += "...";
                throw EFilterError("Largeur de champ trop grande dans le filtre (" + digits + ")\ndu champ "
                                   + f.FieldName + "\nLa largeur d'un champ ne peut dépasser "
                                   + IntToStr(MaxFilterFieldWidth) + " caractères.");
            }
        }
        f.Width = width;

        if (c == U'=') {
            if (in.Get() != U'"')
                throw EFilterError("Début de chaîne attendu pour la valeur par défaut\ndu champ " + f.FieldName);
            std::u32string def;
            for (;;) {
                char32_t d = in.Get();
                if (d == U'"')
                    break;
                if (d == EndOfFile || static_cast<std::int64_t>(def.size()) >= width)
                    throw EFilterError("Fin de chaîne attendue pour la valeur par défaut\ndu champ " + f.FieldName);
                def += d;
            }
            f.DefaultText = U32ToUtf8(def);
            c = in.Get();
        } else if (f.FieldName == "Tubage\\NomTube") {
            f.DefaultText = singleTubeName;
        }
        f.Separator = TranslateSeparator(c);
    }
}

} // namespace

std::string QuotePath(const std::string& path)
{
    std::string out = "'";
    for (char c : path) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

std::string MissingFilterMessage(const std::string& Name)
{
    return "Pas de filtre \"" + Name + "\"";
}

std::string FilterHeaderName(std::string_view headerText)
{
    std::size_t paren = headerText.find('(');
    return std::string(paren == std::string_view::npos ? headerText : headerText.substr(0, paren));
}

bool ParseFilter(std::string_view utf8Text, TFiltre& Filter, const std::string& Name, bool IsSub,
                 const std::string& singleTubeName)
{
    Filter.clear();
    FilterText in(utf8Text);
    const char32_t m0 = IsSub ? U'<' : U'-';
    const char32_t m1 = IsSub ? U'-' : U'>';
    while (!in.AtEnd()) {
        std::u32string_view line = in.ReadLine();
        if (!StartsWith(line, m0, m1))
            continue;
        if (FilterHeaderName(U32ToUtf8(line.substr(2))) == Name) {
            ParseBody(in, Filter, singleTubeName);
            return true;
        }
    }
    return false;
}

void ParseFilterNames(std::string_view utf8Text, std::vector<std::string>& Names)
{
    Names.clear();
    FilterText in(utf8Text);
    while (!in.AtEnd()) {
        std::u32string_view line = in.ReadLine();
        if (line.size() > 2 && StartsWith(line, U'-', U'>'))
            Names.push_back(U32ToUtf8(line.substr(2)));
    }
}

std::string ReadFilterFileText(const std::string& FileName)
{
    const std::string openError = "Impossible d'ouvrir le fichier de filtre " + QuotePath(FileName);
    std::string bytes;
    const ReadStatus read = ReadFileBytes(std::filesystem::u8path(FileName), bytes, MaxFilterFileSize);
    if (read.failure == ReadFailure::TooBig)
        throw EFilterError("Le fichier de filtre " + QuotePath(FileName) + " est trop grand (plus de "
                           + IntToStr(static_cast<std::int64_t>(MaxFilterFileSize / (1024 * 1024))) + " Mo).");
    if (!read)
        throw EFilterError(openError);
    return DecodeTextFile(bytes);
}

void LoadFilterNames(const std::string& FileName, std::vector<std::string>& Names)
{
    Names.clear();
    ParseFilterNames(ReadFilterFileText(FileName), Names);
}

std::vector<std::string> SelectorNames(const TFilterField& field)
{
    std::vector<std::string> names;
    std::string_view list = field.FieldName;
    for (;;) {
        std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        names.emplace_back(item);
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return names;
}

std::vector<FilterFileEntry> FindFilterFiles(const std::string& folder)
{
    std::vector<FilterFileEntry> entries;
    std::error_code ec;
    std::filesystem::directory_iterator it(std::filesystem::u8path(folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc))
            continue;
        std::string name = it->path().filename().string();
        std::string lower = LowerCaseAscii(name);
        if (lower.size() < 10 || lower.compare(0, 6, "filtre") != 0
            || lower.compare(lower.size() - 4, 4, ".txt") != 0)
            continue;
        FilterFileEntry entry;
        entry.Path = it->path().string();
        try {
            std::string text = ReadFilterFileText(entry.Path);
            entry.Title = text.substr(0, text.find_first_of("\r\n"));
        } catch (const EFilterError&) {
            // Still listed: the user may want to open it in the editor and mend it.
        }
        entries.push_back(std::move(entry));
    }
    // Sorted the way the user reads names, whatever order the folder gives.
    std::sort(entries.begin(), entries.end(), [](const FilterFileEntry& a, const FilterFileEntry& b) {
        return CompareTextNoCase(std::filesystem::u8path(a.Path).filename().string(),
                                 std::filesystem::u8path(b.Path).filename().string())
            < 0;
    });
    return entries;
}

std::string FilterSingleTubeName()
{
    return OptNomTubeSimple;
}

bool LoadFilter(const std::string& FileName, TFiltre& Filter, const std::string& Name, bool IsSub)
{
    Filter.clear();
    return ParseFilter(ReadFilterFileText(FileName), Filter, Name, IsSub, FilterSingleTubeName());
}
