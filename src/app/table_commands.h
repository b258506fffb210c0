// The table commands: the editors a user opens on an ouvrage are listed in
// carotix.ini [Tables], one "name=command" line each, and become items of the
// "O&uvrage" menu, tool buttons, lines of the collection window's pop-up and
// the targets of clicks in the log window. One dispatcher parses and runs them.
//
// Everything here is logic: the main window implements TableCommandHost and
// calls ExecuteTableCommand; tests drive it with a host of their own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kTablesSection = "Tables";
inline constexpr const char* kIconsSection = "Ic\xC3\xB4nes";            // "Icônes"
inline constexpr const char* kSeparatorCommand = "S\xC3\xA9paration";     // "Séparation"
inline constexpr const char* kCommandErrorPrefix = "Erreur lors de l'ex\xC3\xA9" "cution de la commande : ";
inline constexpr const char* kUnknownCommandTitle = "Commande inconnue";
inline constexpr const char* kNotSingleTubeText = "Ce n'est pas un tube simple";
inline constexpr const char* kNotSingleTubeTitle = "Multitubes";
inline constexpr const char* kInvalidSelectedRow = "Indice de l'ouvrage s\xC3\xA9lectionn\xC3\xA9 invalide";

// One line of [Tables].
struct TableEntry {
    std::string name;
    std::string command;
    bool IsSeparator() const { return command == kSeparatorCommand; }
};

// "key=value" lines (as the settings object gives them) to entries, file order.
std::vector<TableEntry> ParseTableEntries(const std::vector<std::string>& keyValueLines);
// The entries of carotix.ini [Tables] (none without settings).
std::vector<TableEntry> ReadTableEntries();
// The [Tables] command of a name, the name itself when it has no line.
std::string LookupTableCommand(const std::string& name);
// The bitmap of a name's tool button from [Icônes] (relative paths from the
// program folder); "" when not set.
std::string TableIconPath(const std::string& name);

// The caption of a text button: the first letter of every run of at least
// three letters ('-', A-Z, a-z and every non-ASCII character count as
// letters), upper-cased, when that gives more than one; else the first four
// characters of the name, blanks trimmed.
std::string TextButtonCaption(std::string_view name);

// The tool bar a separator line goes to: the icon bar while the last button
// was an icon (and at the start), else the text bar.
struct ToolButtonPlan {
    enum class Kind { Icon, Text, Separator } kind = Kind::Text;
    std::string name;     // entry name (hint); empty for separators
    std::string caption;  // text buttons
    std::string iconFile; // icon buttons
    bool onIconBar = false;
};
// `iconExists` tells whether a [Icônes] file exists.
std::vector<ToolButtonPlan> PlanToolButtons(const std::vector<TableEntry>& entries,
                                            const std::vector<std::string>& iconFiles,
                                            const std::vector<bool>& iconExists);

enum class TableCommandKind { Fiche, Table, MotCles, TubeSimple, Multitubes, Unknown };
struct ParsedTableCommand {
    TableCommandKind kind = TableCommandKind::Unknown;
    std::string arg;  // up to the first ")" of the command; "" without one
};
// Compares the start of the command case-sensitively with "Fiche(",
// "Table(", "MotClés(", "TubeSimple(" and "Multitubes(".
ParsedTableCommand ParseTableCommand(std::string_view command);

// Whether a run-time "O&uvrage" item is enabled: with an ouvrage (Indice and
// Désign set), but a "TubeSimple(" item only for a single-tube ouvrage.
bool TableItemEnabled(std::string_view command, bool hasBoth, bool singleTube);

// What the dispatcher needs of the main window and its active collection.
class TableCommandHost {
public:
    virtual ~TableCommandHost() = default;
    virtual bool HasActiveCollection() = 0;
    // "&Nouvelle collection": a new, active collection window.
    virtual void NewCollection() = 0;
    // The active window's focused row, -1 when none.
    virtual int SelectedRow() = 0;
    // The new-ouvrage dialog on the active window.
    virtual void NewBorehole() = 0;
    virtual std::string CommandOf(const std::string& name) { return LookupTableCommand(name); }
    virtual void EditSection(const std::string& section, bool fromDatabase) = 0;
    virtual void EditTable(const std::string& table, bool dropIfEmpty, int rowToSelect, bool fromDatabase) = 0;
    virtual void EditKeywords(const std::string& table, bool flag) = 0;
    virtual void EditMultitubes(const std::string& table) = 0;
    virtual bool HasOnlyDefaultTube() = 0;
    // The spreadsheet editor's tube name ("" clears it).
    virtual void SetTableTubeName(const std::string& tube) = 0;
    // Shows the selected ouvrage again in the log window.
    virtual void ShowSelectedBorehole() = 0;
    virtual void RedrawLog() = 0;
};

// Runs the [Tables] entry `name` (row: the clicked element's row in the log
// window, or -1) on the active collection window. Every failure is caught and
// shown as "Erreur lors de l'exécution de la commande : " + its message.
void ExecuteTableCommand(TableCommandHost& host, const std::string& name, int row);

// The message of the failure raised by an entry point whose editor is not part
// of the program yet; it names the editor.
std::string MissingEditorMessage(const std::string& editor);
