// Where the importers write into a borehole that may already hold data, from
// an earlier file or record of the same import.
//
// A table with a "Désign" column belongs to one ouvrage; a table without it
// (such as "Dossier") belongs to the whole borehole. Two rules follow, shared
// by every importer:
//  - in the borehole's own tables a later import writes only the values it
//    gives: an empty value never blanks one that an earlier import wrote;
//  - an ouvrage imported again (same index, same designation) replaces its
//    own rows in each table it writes, where they stood, and leaves the other
//    ouvrages' rows alone.
// And one for the borehole's name: "\" separates the store's paths, so an
// index holding it is stored with "_"; "/" is kept as the store keeps it.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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

// Stores `value` into a borehole's own table as TDirBlock::SetPathString
// would, unless KeepOwnCell.
void StoreOwnValue(TDirBlock& dir, const std::string& path, int row, std::uint8_t typeCode,
                   const std::string& value);

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

// The rows one imported ouvrage (designation `design`) takes in its borehole,
// for the importers that bring one ouvrage at a time (Dravel files, Vexto
// records). Row(table, r, designated) is the borehole row of the ouvrage's
// row r:
//  - a table written with the designation: the first time the import touches
//    it, the rows of that designation already there are removed, and the new
//    rows take their place (after the table's rows when there were none);
//  - a table written without it: the row as the file gives it, from row 0 (the
//    caller stores into a borehole's own table with StoreOwnValue).
class OuvrageRowPlacer {
public:
    OuvrageRowPlacer(TDirBlock& borehole, std::string design) : borehole_(borehole), design_(std::move(design)) {}
    int Row(const std::string& table, int row, bool designated);

private:
    struct Placed {
        int base = 0;
        int made = 0;  // rows of the ouvrage made so far
    };
    TDirBlock& borehole_;
    std::string design_;
    std::map<std::string, Placed> tables_;
};
