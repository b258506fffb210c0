#include "app/table_commands.h"

#include <filesystem>

#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/options.h"

std::vector<TableEntry> ParseTableEntries(const std::vector<std::string>& keyValueLines)
{
    std::vector<TableEntry> entries;
    for (const std::string& line : keyValueLines) {
        const std::size_t eq = line.find('=');
        TableEntry e;
        e.name = eq == std::string::npos ? line : line.substr(0, eq);
        e.command = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<TableEntry> ReadTableEntries()
{
    if (!IniCarotix) return {};
    return ParseTableEntries(IniCarotix->ReadSectionValues(kTablesSection));
}

std::string LookupTableCommand(const std::string& name)
{
    if (!IniCarotix) return name;
    return IniCarotix->ReadString(kTablesSection, name, name);
}

std::string TableIconPath(const std::string& name)
{
    if (!IniCarotix) return {};
    const std::string file = IniCarotix->ReadString(kIconsSection, name, "");
    if (file.empty()) return {};
    const std::filesystem::path p = std::filesystem::u8path(file);
    if (p.is_absolute() || ProgramFolder().empty()) return file;
    const std::u8string full = (ProgramFolder() / p).u8string();
    return std::string(full.begin(), full.end());
}

std::string TextButtonCaption(std::string_view name)
{
    const std::u32string text = Utf8ToU32(name);
    auto letter = [&](std::size_t i) {
        const char32_t c = text[i];
        return c == U'-' || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || c >= 128;
    };
    std::u32string initials;
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        if (letter(i) && letter(i + 1) && letter(i + 2) && (i == 0 || !letter(i - 1))) initials += text[i];
    }
    if (initials.size() > 1) {
        for (char32_t& c : initials)
            if (c >= U'a' && c <= U'z') c = c - U'a' + U'A';
        return U32ToUtf8(initials);
    }
    std::u32string head = text.substr(0, 4);
    std::size_t b = 0, e = head.size();
    while (b < e && head[b] == U' ') ++b;
    while (e > b && head[e - 1] == U' ') --e;
    return U32ToUtf8(head.substr(b, e - b));
}

std::vector<ToolButtonPlan> PlanToolButtons(const std::vector<TableEntry>& entries,
                                            const std::vector<std::string>& iconFiles,
                                            const std::vector<bool>& iconExists)
{
    std::vector<ToolButtonPlan> plan;
    bool lastWasIcon = true;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TableEntry& e = entries[i];
        ToolButtonPlan p;
        if (e.IsSeparator()) {
            p.kind = ToolButtonPlan::Kind::Separator;
            p.onIconBar = lastWasIcon;
        } else if (i < iconExists.size() && iconExists[i]) {
            p.kind = ToolButtonPlan::Kind::Icon;
            p.name = e.name;
            p.iconFile = i < iconFiles.size() ? iconFiles[i] : std::string();
            p.onIconBar = true;
            lastWasIcon = true;
        } else {
            p.kind = ToolButtonPlan::Kind::Text;
            p.name = e.name;
            p.caption = TextButtonCaption(e.name);
            p.onIconBar = false;
            lastWasIcon = false;
        }
        plan.push_back(std::move(p));
    }
    return plan;
}

ParsedTableCommand ParseTableCommand(std::string_view command)
{
    static const struct {
        const char* prefix;
        TableCommandKind kind;
    } kPrefixes[] = {
        {"Fiche(", TableCommandKind::Fiche},
        {"Table(", TableCommandKind::Table},
        {"MotCl\xC3\xA9s(", TableCommandKind::MotCles},
        {"TubeSimple(", TableCommandKind::TubeSimple},
        {"Multitubes(", TableCommandKind::Multitubes},
    };
    ParsedTableCommand parsed;
    for (const auto& p : kPrefixes) {
        const std::string_view prefix(p.prefix);
        if (command.substr(0, prefix.size()) != prefix) continue;
        parsed.kind = p.kind;
        const std::size_t close = command.find(')');
        // Without ")" the argument is empty; a ")" inside the prefix cannot occur.
        if (close != std::string_view::npos && close >= prefix.size())
            parsed.arg = std::string(command.substr(prefix.size(), close - prefix.size()));
        return parsed;
    }
    return parsed;
}

bool TableItemEnabled(std::string_view command, bool hasBoth, bool singleTube)
{
    if (!hasBoth) return false;
    if (command.substr(0, 11) == "TubeSimple(") return singleTube;
    return true;
}

std::string MissingEditorMessage(const std::string& editor)
{
    return "L'\xC3\xA9" "diteur \xC2\xAB " + editor + " \xC2\xBB n'est pas encore disponible dans cette version";
}

void ExecuteTableCommand(TableCommandHost& host, const std::string& name, int row)
{
    try {
        if (!host.HasActiveCollection()) host.NewCollection();
        if (!host.HasActiveCollection()) return;
        if (host.SelectedRow() == -1) {
            host.NewBorehole();
            if (host.SelectedRow() == -1) return;
        }
        const std::string command = host.CommandOf(name);
        const ParsedTableCommand parsed = ParseTableCommand(command);
        switch (parsed.kind) {
        case TableCommandKind::Fiche:
            host.EditSection(parsed.arg, false);
            host.RedrawLog();
            break;
        case TableCommandKind::Table:
            host.EditTable(parsed.arg, true, row, false);
            host.RedrawLog();
            break;
        case TableCommandKind::MotCles:
            host.EditKeywords(parsed.arg, true);
            host.RedrawLog();
            break;
        case TableCommandKind::TubeSimple: {
            if (!host.HasOnlyDefaultTube()) {
                ShowBox(kNotSingleTubeTitle, kNotSingleTubeText);
                return;
            }
            host.SetTableTubeName(OptNomTubeSimple);
            try {
                host.EditTable(parsed.arg, true, row, false);
            } catch (...) {
                host.SetTableTubeName("");
                throw;
            }
            host.SetTableTubeName("");
            host.RedrawLog();
            break;
        }
        case TableCommandKind::Multitubes:
            host.EditMultitubes(parsed.arg);
            if (host.SelectedRow() != -1) {
                host.ShowSelectedBorehole();
                host.RedrawLog();
            }
            break;
        case TableCommandKind::Unknown:
            ShowBox(kUnknownCommandTitle, command);
            break;
        }
    } catch (...) {
        ShowMessage(kCommandErrorPrefix + CurrentExceptionMessage());
    }
}
