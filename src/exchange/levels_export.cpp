#include "exchange/levels_export.h"

#include "exchange/exchange_files.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "store/templates.h"

namespace {

const std::string kDesign = "D\xC3\xA9sign";        // "Désign"
const std::string kSelection = "S\xC3\xA9lection";  // "Sélection"

// Readers of this file take one record per line, even inside quotes: a
// value's line breaks are written as spaces, and counted.
std::string OneLine(std::string text, LevelsExportReport* report)
{
    if (LineBreaksAsSpaces(text) && report) ++report->LineBreaks;
    return text;
}

std::string QuoteField(const std::string& text, LevelsExportReport* report)
{
    return QuoteIfNeeded(OneLine(text, report));
}

// The ouvrage fields are written bare, as peers expect them; only a value
// that would break the field (";", a double quote) is quoted.
std::string BareField(const std::string& raw, LevelsExportReport* report)
{
    const std::string text = OneLine(raw, report);
    if (text.find_first_of(";\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string LastComponent(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DesignPathOf(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? kDesign : path.substr(0, slash + 1) + kDesign;
}

bool IsSelected(const TDirBlock& niveau, int row)
{
    const TBlock* mark = niveau.FindBlock(kSelection);
    if (!mark || (mark->BlockType() != btInt && mark->BlockType() != btIntArray)) return false;
    return mark->GetInt(row) == 1;
}

}  // namespace

std::vector<std::string> LevelExportFields(TIniFile* ini)
{
    std::string value = kDefaultChampsNiveaux;
    if (ini) {
        value = ini->ReadString("G\xC3\xA9n\xC3\xA9ral", "ChampsNiveaux", kDefaultChampsNiveaux);
        ini->WriteString("G\xC3\xA9n\xC3\xA9ral", "ChampsNiveaux", value);
    }
    return SplitCommaText(value);
}

std::string LevelsExportReport::Summary() const
{
    std::string s;
    if (LineBreaks)
        s += IntToStr(LineBreaks) + " valeur(s) sur plusieurs lignes, \xC3\xA9" "crite(s) sur une seule";
    if (Unmapped)
        s += std::string(s.empty() ? "" : "\n") + IntToStr(static_cast<std::int64_t>(Unmapped))
            + " caract\xC3\xA8re(s) sans \xC3\xA9quivalent Windows-1252, \xC3\xA9" "crit(s) \"?\"";
    return s;
}

std::string BuildLevelsExport(const TDirBlock& root, const std::vector<std::string>& fields,
                              LevelsExportReport* report)
{
    std::vector<std::string> columns;
    bool withDesign = false;
    for (int b = 0; b < root.ItemCount(); ++b) {
        const TDirBlock* bh = root.ChildDir(b);
        const TDirBlock* niveau = bh ? bh->FindDir("Niveau") : nullptr;
        if (!niveau) continue;
        for (const auto& child : niveau->Items()) {
            if (!child->IsValue()) continue;
            if (child->Name == kDesign) {
                withDesign = true;
                continue;
            }
            if (child->Name == kSelection) continue;
            bool known = false;
            for (const std::string& c : columns) known = known || c == child->Name;
            if (!known) columns.push_back(child->Name);
        }
    }

    std::string text = "Indice";
    if (withDesign) text += ";" + kDesign;
    for (const std::string& f : fields) text += ";" + LastComponent(f);
    for (const std::string& c : columns) text += ";" + QuoteField(c, report);
    text += "\r\n";

    for (int b = 0; b < root.ItemCount(); ++b) {
        const TDirBlock* bh = root.ChildDir(b);
        const TDirBlock* niveau = bh ? bh->FindDir("Niveau") : nullptr;
        if (!niveau) continue;
        const int rows = niveau->RowCount();
        for (int r = 0; r < rows; ++r) {
            if (!IsSelected(*niveau, r)) continue;
            const std::string design = niveau->GetPathString(kDesign, r);
            std::string line = QuoteField(bh->Name, report);
            if (withDesign) line += ";" + QuoteField(design, report);
            for (const std::string& f : fields) {
                int p = 0;
                if (withDesign && bh->FindBlock(DesignPathOf(f))) p = bh->IndexOfPathString(DesignPathOf(f), design);
                line += ";";
                if (p >= 0) line += BareField(bh->GetPathString(f, p), report);
            }
            for (const std::string& c : columns) line += ";" + QuoteField(niveau->GetPathString(c, r), report);
            text += line + "\r\n";
        }
    }
    return text;
}

LevelsExportReport ExportLevels(const TDirBlock& root, const std::string& fileName)
{
    LevelsExportReport report;
    const std::string text = BuildLevelsExport(root, LevelExportFields(IniCarotix), &report);
    const std::string bytes = Utf8ToCp1252(text, &report.Unmapped);
    WriteFileReplacing(fileName, bytes);
    return report;
}

bool ClearLevelSelection(TDirBlock& root)
{
    bool removed = false;
    for (int b = 0; b < root.ItemCount(); ++b) {
        TDirBlock* bh = root.ChildDir(b);
        TDirBlock* niveau = bh ? bh->FindDir("Niveau") : nullptr;
        if (!niveau) continue;
        for (int i = niveau->ItemCount() - 1; i >= 0; --i)
            if (niveau->Child(i)->Name == kSelection && niveau->Child(i)->IsValue()) {
                niveau->DeleteChild(i);
                removed = true;
            }
    }
    return removed;
}
