#include "exchange/dravel_import.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

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
                          StagedOuvrage& stage, StagedOuvrage::Rows rows, int row, const std::string& design)
{
    TargetKind kind;
    if (table.empty()) return kind;
    for (const std::string& line : edition.SectionValues(table)) {
        const std::string value = ValuePart(line);
        const std::size_t colon = value.find(':');
        const std::string path = value.substr(0, colon);
        const std::string type = colon == std::string::npos ? std::string() : value.substr(colon + 1);
        if (path == kDesign) {
            stage.Store(table + "\\" + kDesign, row, btString, design, rows);
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

bool IsDigitsOnly(const std::string& value)
{
    const std::string t = Trim(value);
    return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value as its kind stores it.
std::pair<std::uint8_t, std::string> ByKind(char letter, const std::string& value)
{
    switch (letter) {
    case 'U':
        return {btString, UpperCase(value)};
    case 'F':
    case 'R':
        return {btFloat, value};
    case 'I':
    case 'N':
        return {btInt, value};
    case 'D':
        // Only digits are read as AAAAMMJJ: a date already written with its
        // separators (05/03/1985) would be cut into "85/3//05/0" otherwise.
        return {btString, IsDigitsOnly(value) ? DigitsToDate(value) : value};
    default:
        return {btString, value};
    }
}

void ImportSection(const IniDocument& file, const std::string& section, const std::vector<std::string>& mapping,
                   const IniDocument& edition, const TDirBlock& borehole, StagedOuvrage& stage, int fileRow,
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
        const StagedOuvrage::Rows rows =
            designated ? StagedOuvrage::Rows::Designated
                       : IsBoreholeOwnTable(borehole, table, definitions, false) ? StagedOuvrage::Rows::Own
                                                                                 : StagedOuvrage::Rows::AsGiven;
        const std::string* raw = file.FindValue(section, key);
        try {
            const TargetKind kind = DescribeTarget(edition, table, target, stage, rows, fileRow, design);
            std::string value = DravelLexiconCode(kind.Lexicon, raw ? *raw : std::string());
            if (value.empty() && target == "Niveau\\Type") value = "COUPE";
            const auto [type, text] = ByKind(kind.Letter, value);
            stage.Store(target, fileRow, type, text, rows);
            if (target == "Niveau\\Litho" && makeCode)
                stage.Store("Niveau\\CodeNiv", fileRow, btString, makeCode(UpperCase(value)), rows);
        } catch (const EImportValue&) {
            throw;
        } catch (const std::exception& e) {
            throw EImportValue("section [" + section + "], cl\xC3\xA9 " + key, target, raw ? *raw : std::string(),
                               RefusedValueWords(e));
        }
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

    // The file is read whole into a stage before the collection takes it: a
    // file that fails leaves the collection, and the remarks, as they were.
    const DravelReport before = report;
    try {
        const std::string name = report.Names.Name(root, index, report.RenamedKeys, report.MergedKeys);
        const int at = root.IndexOfName(name);
        const TDirBlock* existing = at >= 0 ? root.ChildDir(at) : nullptr;
        const TDirBlock none(name);
        const TDirBlock& borehole = existing ? *existing : none;
        StagedOuvrage stage(existing, name, design, RecordSheetTables());
        for (const std::string& section : dravel.SectionNames()) {
            const std::vector<std::string> mapping = dravel.SectionValues(section);
            if (section.empty() || section.back() != '*') {
                ImportSection(file, section, mapping, edition, borehole, stage, 0, design, makeCode);
                continue;
            }
            const std::string stem = section.substr(0, section.size() - 1);
            // A gap in the numbering ends the rows: the file holds no more.
            for (int n = 1;; ++n) {
                const std::string numbered = stem + IntToStr(n);
                if (!file.HasSectionHeader(numbered)) break;
                ImportSection(file, numbered, mapping, edition, borehole, stage, n - 1, design, makeCode);
            }
        }
        stage.Apply(root);
    } catch (...) {
        report = before;
        throw;
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
    } catch (const EImportValue& refused) {
        throw std::runtime_error(refused.Message(fileName) + "\nLe fichier n'a pas \xC3\xA9t\xC3\xA9 import\xC3\xA9 ; l'importation s'arr\xC3\xAAte l\xC3\xA0.");
    } catch (const DravelRefusal& refusal) {
        const std::string quoted = "\xC2\xAB " + fileName + " \xC2\xBB";
        throw std::runtime_error(refusal.Reason == DravelRefusal::NoOuvrage
                                     ? "Le fichier " + quoted + " n'a pas de section [OUVRAGE] : il n'est pas import\xC3\xA9."
                                     : "Le fichier " + quoted + " ne donne pas d'indice d'ouvrage : il n'est pas import\xC3\xA9.");
    }
}
