// Where the importers write into a borehole that may already hold data, from
// an earlier file or record of the same import.
//
// A table with a "Désign" column belongs to one ouvrage; a table without it
// (such as "Dossier") belongs to the whole borehole. Two rules follow, shared
// by every importer:
//  - a table of one row per ouvrage or per borehole (a record sheet, as
//    "Ouvrage" and "Dossier") takes only the values a later import gives: an
//    empty value never blanks one that an earlier import wrote;
//  - an ouvrage imported again (same index, same designation) replaces its
//    own rows in each table of many rows it writes, where they stood, and
//    leaves the other ouvrages' rows alone.
// And one for the borehole's name: "\" separates the store's paths, so an
// index holding it is stored with "_"; "/" is kept as the store keeps it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class TBlock;
class TDirBlock;

inline constexpr const char* kImportDesign = "D\xC3\xA9sign";  // "Désign"

// True when the field definitions of a table (edition.ini lines
// Label=Path[:Kind]) hold one whose path is "Désign".
bool DefinitionsNameDesign(const std::vector<std::string>& definitionLines);

// Whether `table` of the borehole is the borehole's own: the import brings no
// designation for it, the borehole's table (when there is one) has no
// "Désign" column, and the table's definitions name no "Désign". A table that
// the definitions do not describe at all counts only when it is "Dossier",
// the record sheet of the index: a table of unknown use may hold many rows.
bool IsBoreholeOwnTable(const TDirBlock& borehole, const std::string& table,
                        const std::vector<std::string>& definitionLines, bool bringsDesign);

// Whether a value read from a file gives anything: blank text does not.
bool ImportValueGiven(std::string_view text);

// In a borehole's own table: true when `value` gives nothing and the column
// at `path` (below `dir`) already holds element `row`, which then stays as it
// is. Where the column has no such cell the empty value is written, so that a
// first import makes its columns as it always did.
bool KeepOwnCell(const TDirBlock& dir, const std::string& path, int row, std::string_view value);

// The borehole name of an imported index, and the remarks it calls for.
class ImportedBoreholeNames {
public:
    // The index with each "\" made "_". A renamed index is counted in
    // `renamed`; when it lands in a borehole of `root` that it did not create
    // itself, or an index lands as it is in a borehole that a renamed one
    // created, `merged` gets a French line naming both (once).
    std::string Name(const TDirBlock& root, std::string_view index, std::int64_t& renamed,
                     std::vector<std::string>& merged);

private:
    std::map<std::string, std::string> createdBy_;  // stored name -> the renamed index that made it
    std::map<std::string, bool> seen_;              // renamed indices met -> their merge not yet said
    std::set<std::string> joined_;                  // boreholes of createdBy_ an index joined as it is
};

// The record sheets: the tables of one row per ouvrage (with "Désign") or per
// borehole, "Ouvrage", "Dossier" and every table that a [Tables] command
// "Fiche(" of carotix.ini opens. An import writes into them only the values
// that its file gives.
std::vector<std::string> RecordSheetTables();

// The tables of a borehole without their rows, of the same kinds, so that a
// value stored there converts, or fails, as it would in the borehole.
std::unique_ptr<TBlock> ShapeOf(const TBlock& b);

// The French words for a value that a column refused, after "la valeur "x" ".
std::string RefusedValueWords(const std::exception& e);

// A value of a file that would not go into the collection, raised by the
// importers that bring one ouvrage at a time: where it was read (a section and
// key, or a line), the collection field, the value, and why (French).
class EImportValue : public std::runtime_error {
public:
    EImportValue(std::string where, std::string field, std::string value, std::string why);
    // "Erreur dans le fichier « file », <where>, champ <field> : la valeur "<value>" <why>."
    std::string Message(const std::string& file) const;
    std::string Where, Field, Value, Why;
};

// One ouvrage (designation `design`) of a borehole, as the importers that bring
// one ouvrage at a time (Dravel files, Vexto records) write it: first into a
// stage, shaped as the borehole's tables (their columns without rows, of the
// same kinds), so that a value that would fail in the collection fails there
// and the collection is left as it was; then, when the whole ouvrage was read,
// into the collection at once (Apply). Rows are written from row 0, as the file
// numbers them. Where they go:
//  - Designated (a table written with the designation): the ouvrage's rows
//    there are replaced by the new ones, where they stood (after the table's
//    rows when there were none), leaving the other ouvrages' rows alone; in a
//    record sheet ("Ouvrage") the rows that were there keep what the file
//    leaves empty;
//  - Own (the borehole's own table, as "Dossier"): the rows as the file gives
//    them, taking only the values it gives;
//  - AsGiven: the rows as the file gives them.
// Applying costs the ouvrage's own rows (and one look through the table's
// designations), not the rows of the borehole's other ouvrages.
class StagedOuvrage {
public:
    enum class Rows { Designated, Own, AsGiven };

    // `borehole`: the collection's borehole of that name, nullptr when there is
    // none yet; `sheets`: RecordSheetTables().
    StagedOuvrage(const TDirBlock* borehole, std::string name, std::string design, std::vector<std::string> sheets);

    // Stores the value at `path` (Table\Column) of the file's row `row` in the
    // stage, as TDirBlock::SetPathString would in the collection (raising the
    // same failures).
    void Store(const std::string& path, int row, std::uint8_t typeCode, std::string_view value, Rows rows);
    // Writes the stage into the borehole `name` of `root` (made when absent).
    void Apply(TDirBlock& root) const;

private:
    struct Table {
        std::string path;
        Rows rows = Rows::AsGiven;
        int count = 0;                     // rows written
        std::vector<std::string> columns;  // written, in the order first written
    };
    void ApplyDesignated(TDirBlock& dir, const TDirBlock& staged, const Table& table) const;

    std::string name_;
    std::string design_;
    std::vector<std::string> sheets_;
    std::unique_ptr<TDirBlock> stage_;
    std::vector<Table> tables_;
};
