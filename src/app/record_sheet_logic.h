// The record-sheet editor's rules, without widgets. A record sheet edits one
// row of one table of a borehole ("Ouvrage", "Dossier" and every table of a
// [Tables] command "Fiche(") as a form generated from the table's field
// definitions: a drop-down list for a field with a lexicon, a masked edit for
// the others. RecordSheet holds the form's values (the window mirrors them in
// its widgets), compares them with the tree, stores them, and fills them from
// the database; LayoutRecordSheet places labels, fields and buttons from
// measured sizes; RunRecordSheetDialog is the modal loop with its question.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/field_defs.h"

class TDirBlock;

inline constexpr const char* kEditionTitle = "Edition";
inline constexpr const char* kEditionChangedPrefix = "Il y a eu des modications (";
inline constexpr const char* kEditionChangedSuffix = ").\nVoulez-vous les conserver ?";
inline constexpr const char* kEditionStoreFailedTitle = "Modifier";
inline constexpr const char* kEditionStoreFailedPrefix = "Erreur pendant la mise \xC3\xA0 jour des champs : ";
inline constexpr const char* kEditionDialogFailed =
    "Erreur avec la boite de dialogue d'\xC3\xA9" "dition de formulaire.";
inline constexpr const char* kSheetNoInformationTitle = "Pas d'information";
inline constexpr const char* kSheetTableNotInSqlIni = "Cette table n'est pas renseign\xC3\xA9" "e dans sql.ini";
inline constexpr const char* kSheetNoValidField = "Pas de champs valide dans sql.ini";
// Shown when a sheet is to be filled from the database and the program has no
// database engine.
inline constexpr const char* kSheetNoDatabase = "La base de donn\xC3\xA9" "es n'est pas disponible.";
// The sheet's database button when the database holds no record for it.
std::string SheetNothingFoundText(const std::string& indice, const std::string& design, const std::string& table);

inline constexpr int kSheetMinWidth = 173;
inline constexpr int kSheetInitialHeight = 64;
// The separator of a lexicon entry's code and label.
inline constexpr const char* kSheetNbsp = "\xC2\xA0";

// ---- the database seam -------------------------------------------------------
// One record of a query: each column null (nullopt) or its text, floating
// values written by FloatToStr.
using SheetRecord = std::vector<std::optional<std::string>>;
// Runs one query on the program's database connection (connecting first when
// needed), `values` bound in order to the "?" of the text, and answers every
// record. Failures throw with the engine's message.
using SheetQueryRunner =
    std::function<std::vector<SheetRecord>(const std::string& sql, const std::vector<std::string>& values)>;
// Installed by the program's database part; without one the database buttons
// of the sheet are disabled and a fill from the database fails with
// kSheetNoDatabase.
void SetSheetQueryRunner(SheetQueryRunner runner);
bool SheetDatabaseAvailable();

// ---- fields ----------------------------------------------------------------

// The text of a lexicon entry: code, non-breaking space, label; the code alone
// when it equals its label.
std::string LexiconEntryText(std::string_view code, std::string_view label);
// The longest text a field takes: 'E' width + 2, 'F' and 'R' 17, else the
// width (0 = unlimited); a lexicon raises it to its longest entry.
int SheetFieldLength(const TFieldDef& def);
// The edit mask of a date field: the first `length` characters of
// "99/99/9999" for kinds 'D' and 'E', "" for the others.
std::string SheetEditMask(char kind, int length);
// A date field's value from the text a masked edit shows ("1 /05/    " ->
// "01/05/"): blanks dropped, a one-digit day or month padded; "" without digit.
std::string MaskedDateValue(std::string_view shown);

struct SheetField {
    bool IsCombo = false;
    int EditLength = 0;
    std::string Mask;                  // date mask, "" for none
    bool Upper = false;                // kind 'U': capitals only
    std::vector<std::string> Entries;  // drop-down list: sorted, the empty entry first
    int Selected = -1;                 // drop-down list: the chosen entry, -1 none
    std::string Text;                  // masked edit: its text
};

class RecordSheet {
public:
    // Set by the caller before Build.
    std::string TableName;
    std::string Indice;
    std::string Designation;
    TStructTable Defs;  // paths absolute from the collection root

    std::vector<SheetField> Fields;
    std::string ChangedLabels;
    // Told when the sheet changes a value itself (database fills), so that the
    // window shows it.
    std::function<void(int index)> ValueSet;

    // EditionBuild's values: one field per definition, filled from the row. A
    // stored value that no lexicon entry holds is added to the list, so that
    // the sheet shows it and stores it back unchanged.
    void Build(const TDirBlock& root, int row);
    void Clear() { Fields.clear(); }
    int Count() const { return static_cast<int>(Fields.size()); }

    // EditionGetValue: a list's code (its text up to the non-breaking space),
    // an edit's text.
    std::string GetValue(int i) const;
    // EditionSetValue: a list chooses the first entry whose code equals the
    // text (no match leaves it as it was); an edit takes the text.
    void SetValue(int i, const std::string& text);
    // The user's choice in a list.
    void Choose(int i, int entry);
    // EditionSqlValue: quoted for kinds 'A', 'S' and 'U'.
    std::string SqlValue(int i) const;

    // EditionChanged: compares every value with the tree; ChangedLabels names
    // the changed fields.
    bool Changed(const TDirBlock& root, int row);
    // EditionStore. A value that does not convert throws before anything is
    // written, so a failed store leaves the row as it was.
    void Store(TDirBlock& root, int row);

    // BDatabaseClick with BDatabase: the borehole's record from the database.
    // Answers how many records the query read, -1 when none was sent (sql.ini
    // has nothing usable: that is told). With `tellNothingFound` (the
    // button), no record leaves the fields as they are and says so.
    int FillFromRecord(bool tellNothingFound = false);
    // BDatabaseClick with BLex: single fields completed by lookups.
    void CompleteFromLookups();

private:
    // Whether field i's value differs from the one it was built with.
    bool Touched(int i) const;
    int FieldOfSqlValue(const std::string& value) const;
    std::vector<std::string> Built;  // each field's value as built
    void Notify(int i)
    {
        if (ValueSet) ValueSet(i);
    }
};

// ---- layout ------------------------------------------------------------------

struct SheetItemMetrics {
    int LabelWidth = 0;
    int EditorHeight = 0;
    int Length = 0;     // the field's length (0 = none)
    bool IsCombo = false;
};

struct SheetLayoutInput {
    int ClientWidth = 0;
    int CharWidth = 1;
    int LineHeight = 0;  // before the editors raise it
    std::vector<SheetItemMetrics> Items;
    int ButtonWidth[4] = {75, 75, 75, 75};  // BOk, BAnnul, BDatabase, BLex
    int ButtonHeight = 25;
};

struct SheetItemPlace {
    int LabelLeft = 0;
    int LabelTop = 0;
    int EditorLeft = 0;
    int EditorTop = 0;
    int EditorWidth = 0;
};

struct SheetLayout {
    std::vector<SheetItemPlace> Items;
    int LineHeight = 0;
    int ButtonTop = 0;
    int ButtonLeft[4] = {0, 0, 0, 0};
    int ContentHeight = 0;  // the buttons' bottom + 4
};

// The narrowest editor the flow makes, when a label leaves no room.
inline constexpr int kSheetMinEditorWidth = 20;
SheetLayout LayoutRecordSheet(const SheetLayoutInput& input);

// ---- editing a sheet ---------------------------------------------------------

// Where the sheet of (indice, design) lies in `section`: definitions with
// absolute paths, the row (appended, carrying the designation, when the
// ouvrage has none), the caption.
struct SheetOpening {
    int Row = 0;
    bool HasDesign = false;
    bool AppendedRow = false;   // the row was added for this opening
    bool CreatedTable = false;  // and so was the table
    std::string TablePath;      // the table's directory below the root
    std::string Caption;
};
SheetOpening PrepareRecordSheet(RecordSheet& sheet, TDirBlock& root, const std::string& indice,
                                const std::string& design, const std::string& section);
// Takes back what PrepareRecordSheet added when nothing was stored.
void UndoRecordSheetOpening(TDirBlock& root, const SheetOpening& opening);

enum class SheetCloseReason { Ok, CloseBox, Annuler };
// The modal loop: Ok stores; the close box asks "Edition" when something
// changed (Yes stores, No leaves, Cancel shows the form again); "Annuler"
// leaves without asking. A failed store is shown ("Modifier") and the form is
// shown again. Answers whether the sheet was stored.
bool RunRecordSheetDialog(RecordSheet& sheet, TDirBlock& root, int row,
                          const std::function<SheetCloseReason()>& showModal);
