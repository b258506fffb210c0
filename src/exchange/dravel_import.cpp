#include "exchange/dravel_import.h"

#include <stdexcept>

#include "coding/codage_binding.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";  // "Désign"

// One mapping line's target as edition.ini describes it.
struct TargetKind {
    char Letter = 'S';
    std::vector<std::string> Lexicon;
};

std::string FolderPart(std::string_view target)
{
    const std::size_t slash = target.rfind('\\');
    return slash == std::string_view::npos ? std::string() : std::string(target.substr(0, slash));
}

// Scans the definitions of the target's table: a "Désign" definition makes
// the row carry the designation, the target's own definition gives its kind
// and lexicon and ends the scan.
TargetKind DescribeTarget(const IniDocument& edition, const std::string& table, const std::string& target,
                          TDirBlock& borehole, int row, const std::string& design)
{
    TargetKind kind;
    if (table.empty()) return kind;
    for (const std::string& line : edition.SectionValues(table)) {
        const std::string value = ValuePart(line);
        const std::size_t colon = value.find(':');
        const std::string path = value.substr(0, colon);
        const std::string type = colon == std::string::npos ? std::string() : value.substr(colon + 1);
        if (path == kDesign) {
            borehole.SetPathString(table + "\\" + kDesign, row, btString, design);
            continue;
        }
        if (table + "\\" + path == target) {
            if (!type.empty()) kind.Letter = type[0];
            kind.Lexicon = edition.SectionValues(target);
            if (kind.Lexicon.empty()) kind.Lexicon = edition.SectionValues(target + "*");
            break;
        }
    }
    return kind;
}

// Stores the value by its kind; into a table of the whole borehole only what
// the file gives, keeping what an earlier file wrote.
void StoreValue(TDirBlock& borehole, const std::string& target, int row, char letter, const std::string& value,
                bool own)
{
    auto set = [&](std::uint8_t type, const std::string& text) {
        if (own)
            StoreOwnValue(borehole, target, row, type, text);
        else
            borehole.SetPathString(target, row, type, text);
    };
    switch (letter) {
    case 'U':
        set(btString, UpperCase(value));
        break;
    case 'F':
    case 'R':
        set(btFloat, value);
        break;
    case 'I':
    case 'N':
        set(btInt, value);
        break;
    case 'D':
        set(btString, DigitsToDate(value));
        break;
    default:
        set(btString, value);
        break;
    }
}

void ImportSection(const IniDocument& file, const std::string& section, const std::vector<std::string>& mapping,
                   const IniDocument& edition, TDirBlock& borehole, OuvrageRowPlacer& rows, int fileRow,
                   const std::string& design, const DravelCoder& makeCode)
{
    for (const std::string& line : mapping) {
        const std::string key = NamePart(line);
        const std::string target = ValuePart(line);
        if (key.empty() || target.empty()) continue;
        const std::string table = FolderPart(target);
        const std::vector<std::string> definitions =
            table.empty() ? std::vector<std::string>() : edition.SectionValues(table);
        const bool designated = DefinitionsNameDesign(definitions);
        const bool own = IsBoreholeOwnTable(borehole, table, definitions, designated);
        const int row = rows.Row(table, fileRow, designated);
        const TargetKind kind = DescribeTarget(edition, table, target, borehole, row, design);
        const std::string* raw = file.FindValue(section, key);
        std::string value = DravelLexiconCode(kind.Lexicon, raw ? *raw : std::string());
        if (value.empty() && target == "Niveau\\Type") value = "COUPE";
        StoreValue(borehole, target, row, kind.Letter, value, own);
        if (target == "Niveau\\Litho" && makeCode)
            borehole.SetPathString("Niveau\\CodeNiv", row, btString, makeCode(UpperCase(value)));
    }
}

}  // namespace

std::string DravelLexiconCode(const std::vector<std::string>& lexicon, std::string_view value)
{
    for (const std::string& line : lexicon) {
        if (NamePart(line) != value) continue;
        const std::string code = ValuePart(line);
        return code.substr(0, code.find('='));
    }
    return std::string(value);
}

TDirBlock& ForeignBorehole(TDirBlock& root, std::string_view index, DravelReport& report)
{
    return *root.GetOrCreateSubDir(report.Names.Name(root, index, report.RenamedKeys, report.MergedKeys), false);
}

void ImportDravelDocument(const IniDocument& file, const IniDocument& dravel, const IniDocument& edition,
                          TDirBlock& root, const DravelCoder& makeCode, DravelReport& report)
{
    // Without its [OUVRAGE] section or an index the file names no borehole:
    // it is refused rather than filed under an empty name.
    if (!file.HasSectionHeader("OUVRAGE")) throw DravelRefusal(DravelRefusal::NoOuvrage);
    const std::string* indice = file.FindValue("OUVRAGE", "INDICE");
    std::string index = indice ? *indice : std::string();
    if (index.empty()) {
        const std::string* numint = file.FindValue("OUVRAGE", "NUMINT");
        index = numint ? *numint : std::string();
    }
    const std::string* designation = file.FindValue("OUVRAGE", "DESIGNATION");
    const std::string design = designation && !designation->empty() ? *designation : std::string("F");
    if (Trim(index).empty()) throw DravelRefusal(DravelRefusal::NoIndex);
    TDirBlock& borehole = ForeignBorehole(root, index, report);
    OuvrageRowPlacer rows(borehole, design);

    for (const std::string& name : dravel.SectionNames()) {
        const std::vector<std::string> mapping = dravel.SectionValues(name);
        if (name.empty() || name.back() != '*') {
            ImportSection(file, name, mapping, edition, borehole, rows, 0, design, makeCode);
            continue;
        }
        const std::string stem = name.substr(0, name.size() - 1);
        // A gap in the numbering ends the rows: the file holds no more.
        for (int n = 1;; ++n) {
            const std::string section = stem + IntToStr(n);
            if (!file.HasSectionHeader(section)) break;
            ImportSection(file, section, mapping, edition, borehole, rows, n - 1, design, makeCode);
        }
    }
}

void ImportDravel(const std::string& fileName, TDirBlock& root, DravelReport& report)
{
    std::string bytes;
    std::string error;
    if (!ReadFileBounded(Utf8ToPath(fileName), bytes, &error)) throw std::runtime_error(error);
    const IniDocument file = IniDocument::Parse(bytes);
    const IniDocument dravel = IniDravel ? IniDocument::Parse(IniDravel->ReadText()) : IniDocument();
    const IniDocument edition = IniEdition ? IniDocument::Parse(IniEdition->ReadText()) : IniDocument();
    DravelCoder coder;
    if (CodageDLL().MakeCodeBound()) coder = [](std::string_view d) { return CodageDLL().MakeCode(d); };
    try {
        ImportDravelDocument(file, dravel, edition, root, coder, report);
    } catch (const DravelRefusal& refusal) {
        const std::string quoted = "\xC2\xAB " + fileName + " \xC2\xBB";
        throw std::runtime_error(refusal.Reason == DravelRefusal::NoOuvrage
                                     ? "Le fichier " + quoted + " n'a pas de section [OUVRAGE] : il n'est pas import\xC3\xA9."
                                     : "Le fichier " + quoted + " ne donne pas d'indice d'ouvrage : il n'est pas import\xC3\xA9.");
    }
}
