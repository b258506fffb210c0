#include "exchange/levels_export.h"

#include "exchange/exchange_files.h"
#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "store/templates.h"

namespace {

const std::string kDesign = "D\xC3\xA9sign";        // "Désign"
const std::string kSelection = "S\xC3\xA9lection";  // "Sélection"

// QuoteIfNeeded leaves a line break bare, which would split the record:
// such a value is quoted too.
std::string QuoteField(const std::string& text)
{
    std::string quoted = QuoteIfNeeded(text);
    if (quoted == text && text.find_first_of("\r\n") != std::string::npos) quoted = "\"" + text + "\"";
    return quoted;
}

// The ouvrage fields are written bare, as peers expect them; only a value
// that would break the line (";", a double quote, a line break) is quoted.
std::string BareField(const std::string& text)
{
    if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
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

std::string BuildLevelsExport(const TDirBlock& root, const std::vector<std::string>& fields)
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
    for (const std::string& c : columns) text += ";" + QuoteField(c);
    text += "\r\n";

    for (int b = 0; b < root.ItemCount(); ++b) {
        const TDirBlock* bh = root.ChildDir(b);
        const TDirBlock* niveau = bh ? bh->FindDir("Niveau") : nullptr;
        if (!niveau) continue;
        const int rows = niveau->RowCount();
        for (int r = 0; r < rows; ++r) {
            if (!IsSelected(*niveau, r)) continue;
            const std::string design = niveau->GetPathString(kDesign, r);
            std::string line = QuoteField(bh->Name);
            if (withDesign) line += ";" + QuoteField(design);
            for (const std::string& f : fields) {
                int p = 0;
                if (withDesign && bh->FindBlock(DesignPathOf(f))) p = bh->IndexOfPathString(DesignPathOf(f), design);
                line += ";";
                if (p >= 0) line += BareField(bh->GetPathString(f, p));
            }
            for (const std::string& c : columns) line += ";" + QuoteField(niveau->GetPathString(c, r));
            text += line + "\r\n";
        }
    }
    return text;
}

std::size_t ExportLevels(const TDirBlock& root, const std::string& fileName)
{
    const std::string text = BuildLevelsExport(root, LevelExportFields(IniCarotix));
    std::size_t unmapped = 0;
    const std::string bytes = Utf8ToCp1252(text, &unmapped);
    WriteFileReplacing(fileName, bytes);
    return unmapped;
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
