#include "store/field_defs.h"

#include <exception>
#include <iostream>

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/numbers.h"
#include "store/options.h"

namespace {

FieldDefReporter& InstalledReporter()
{
    static FieldDefReporter reporter;
    return reporter;
}

void Report(const std::string& message)
{
    const FieldDefReporter& reporter = InstalledReporter();
    if (reporter)
        reporter(message);
    else
        std::cerr << message << '\n';
}

bool IsLowerLetter(char32_t c)
{
    return IsLetter(c) && LowerChar(c) == c;
}

}  // namespace

void SetFieldDefReporter(FieldDefReporter reporter)
{
    InstalledReporter() = std::move(reporter);
}

bool FieldDefReporterInstalled() { return static_cast<bool>(InstalledReporter()); }

void LoadTableDefinitions(TStructTable& definitions, std::string_view table, std::string_view parent,
                          bool noPrefix)
{
    const std::string prefix = noPrefix ? std::string() : std::string(parent) + "\\" + std::string(table) + "\\";
    std::size_t filled = 0;
    try {
        std::vector<std::string> lines;
        EditionSectionLoad(std::string(table), lines);
        definitions.assign(lines.size(), TFieldDef{});
        for (const std::string& line : lines) {
            TFieldDef& def = definitions[filled];
            def.Name = NamePart(line);
            const std::string rest = line.find('=') == std::string::npos ? std::string() : ValuePart(line);
            const std::size_t colon = rest.find(':');
            const std::string path = rest.substr(0, colon);
            def.Path = prefix + path;

            const std::string section = std::string(table) + "\\" + path;
            std::vector<std::string> lexicon;
            EditionSectionLoad(section, lexicon);
            if (lexicon.empty()) {
                EditionSectionLoad(section + "*", lexicon);
                def.StarLexicon = !lexicon.empty();
            }
            LoadLexicon(&lexicon, def.LexCodes, def.LexLabels);

            if (colon != std::string::npos) {
                const std::string spec = Trim(std::string_view(rest).substr(colon + 1));
                if (!spec.empty()) {
                    const std::string letter = Utf8Substr(spec, 0, 1);
                    // Kind letters are ASCII; any other character is a kind of its
                    // own that stores nothing.
                    def.Kind = letter.size() == 1 ? letter[0] : '?';
                    def.Width = StrToIntVal(Trim(std::string_view(spec).substr(letter.size())));
                }
            }
            if (def.Kind == 'D')
                def.Width = def.Width >= 9 ? 10 : def.Width >= 7 ? 8 : 5;
            else if (def.Kind == 'E')
                def.Width = def.Width >= 7 ? 8 : def.Width >= 5 ? 6 : 4;
            ++filled;
        }
    } catch (const std::exception& e) {
        // Keep only the definitions read completely: a half-read one would
        // store into a wrong column.
        if (definitions.size() > filled) definitions.resize(filled);
        Report(std::string("Une erreur est intervenue lors du chargement des définitions de la table : ") + e.what());
    }
}

namespace {

std::string TimesThousandAnySeparator(const std::string& text)
{
    // Users type either separator whatever their locale: both mean the decimal
    // point here (a "M" field holds no thousands separator).
    std::string normalised = text;
    for (char& ch : normalised)
        if (ch == '.' || ch == ',') ch = GetDecimalSeparator();
    try {
        return TimesThousandText(normalised);
    } catch (const EConvertError& e) {
        // The person reads back what they typed, not its separators swapped.
        throw EConvertError("'" + text + "' n'est pas une valeur en virgule flottante correcte", e.ValueKind());
    }
}

}  // namespace

void WriteFieldsToTable(TStructTable& definitions, TDirBlock* root, int row)
{
    if (!root) {
        Report("Impossible de mettre à jour la table. Le répertoire n'est pas spécifié");
        return;
    }
    for (TFieldDef& def : definitions) {
        std::string text;
        std::uint8_t code = 0;
        switch (def.Kind) {
        case 'S':
        case 'A':
        case 'U':
            text = TrimBlanks(def.Value);
            code = btString;
            break;
        case 'D':
            text = def.Value;
            code = btString;
            break;
        case 'E':
            text = NormalizeDate(def.Value);
            code = btString;
            break;
        case 'F':
        case 'R':
            text = ParseAngleText(TrimBlanks(def.Value));
            code = btFloat;
            break;
        case 'M':
            text = TimesThousandAnySeparator(TrimBlanks(def.Value));
            code = btFloat;
            break;
        case 'I':
        case 'N':
            text = TrimBlanks(def.Value);
            code = btInt;
            break;
        default:
            continue;
        }
        root->SetPathString(def.Path, row, code, text);
        if (def.Kind != 'D' && def.Kind != 'E') def.Value = text;
    }
}

int IndexOfFieldDef(const TStructTable& definitions, std::string_view name)
{
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const std::string& path = definitions[i].Path;
        const std::size_t slash = path.rfind('\\');
        const std::string_view last = slash == std::string::npos ? std::string_view(path)
                                                                 : std::string_view(path).substr(slash + 1);
        if (last == name) return static_cast<int>(i);
    }
    return -1;
}

void DeleteFieldDef(TStructTable& definitions, int index)
{
    if (index < 0 || index >= static_cast<int>(definitions.size())) return;
    definitions.erase(definitions.begin() + index);
}

void LoadLexiconSection(std::string_view section, std::vector<std::string>& codes, std::vector<std::string>& labels)
{
    std::vector<std::string> lines;
    EditionSectionLoad(std::string(section), lines);
    LoadLexicon(&lines, codes, labels);
}

void LoadLexicon(const std::vector<std::string>* lines, std::vector<std::string>& codes,
                 std::vector<std::string>& labels)
{
    if (!lines) {
        Report("Impossible de charger le lexique. La destination n'est pas initialisée.");
        return;
    }
    codes.assign(lines->size(), std::string());
    labels.assign(lines->size(), std::string());
    for (std::size_t i = 0; i < lines->size(); ++i) {
        const std::string& line = (*lines)[i];
        SplitLexiconLine(ValuePart(line), codes[i], labels[i]);
        if (labels[i].empty()) labels[i] = NiceLabel(line.substr(0, line.find('=')));
    }
}

void SplitLexiconLine(std::string_view text, std::string& code, std::string& label)
{
    const std::size_t eq = text.find('=');
    if (eq != std::string_view::npos) {
        label = std::string(text.substr(eq + 1));
        code = std::string(text.substr(0, eq));
    } else {
        code = std::string(text);
        label.clear();
    }
    const std::size_t second = label.find('=');
    if (second != std::string::npos) label.erase(0, second + 1);
}

std::string NiceLabel(std::string_view key)
{
    std::u32string s = Utf8ToU32(LowerCase(key));
    for (char32_t& c : s)
        if (c == U'-') c = U' ';
    // Single letters followed by a point become capitals and the points go:
    // "a.b.c.d." gives "ABCD". Scanning from the end keeps the positions of
    // what is still to be scanned.
    for (std::size_t i = s.size(); i >= 2; --i) {
        const std::size_t at = i - 1;  // 0-based position of the i-th character
        if (at >= s.size() || s[at] != U'.') continue;
        if (!IsLowerLetter(s[at - 1])) continue;
        if (i != 2 && IsLowerLetter(s[at - 2])) continue;
        s.erase(at, 1);
        s[at - 1] = UpperChar(s[at - 1]);
    }
    if (!s.empty()) s[0] = UpperChar(s[0]);
    return U32ToUtf8(s);
}
