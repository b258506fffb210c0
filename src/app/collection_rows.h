// The borehole list of a collection window without any widget: the rows built
// from the tree, the cells of the configured columns, the sort keys, the
// common altitude range of the log strips and the tubes of an ouvrage.
//
// The window (collection_window.h) only puts what these functions compute on
// screen, so that every rule here is tested headless.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TDirBlock;

// One displayed ouvrage: the borehole directory name, the designation (empty
// when the borehole has none at all) and the thumbnail index (-1 none yet).
struct CollectionRow {
    std::string Indice;
    std::string Design;
    std::int32_t ImageIndex = -1;
};

// Appends (indice, design, -1) unless a row with exactly the same Indice and
// Désign (case-sensitive) is already listed.
void AddUniqueRow(const std::string& indice, const std::string& design, std::vector<CollectionRow>& rows);
// The rows of a tree: every borehole directory in child order, one row per
// distinct element of the "Désign" columns of its tables, or one row with an
// empty Désign when none of its tables lists a designation.
void BuildRowList(const TDirBlock& root, std::vector<CollectionRow>& rows);
// The row whose Indice and Désign equal the given ones once both sides are
// upper-cased; -1 when none.
int FindRow(const std::vector<CollectionRow>& rows, std::string_view indice, std::string_view design);
// FindRow of each (Indice, Désign) pair, in the pairs' order, rows not found
// left out; in one pass over the rows however many pairs are asked.
std::vector<int> FindRows(const std::vector<CollectionRow>& rows,
                          const std::vector<std::pair<std::string, std::string>>& wanted);

// ---------------------------------------------------------------------------
// Columns of the table view: [Général] "ChampsGrille"
// ---------------------------------------------------------------------------

inline constexpr const char* kDefaultGridFields = "Dossier\\Nature,Dossier\\Lieu-Dit,Dossier\\Commune";

struct GridField {
    std::string path;    // "Dossier\Lieu-Dit"
    std::string table;   // the path less its last component ("Dossier")
    std::string column;  // the last component ("Lieu-Dit"), also the header
};

// The comma-separated list of table\column paths (empty items are kept out).
std::vector<GridField> ParseGridFields(std::string_view champsGrille);
// "Indice", "Désign", then the column of every field.
std::vector<std::string> GridHeaders(const std::vector<GridField>& fields);
// The cell of one field for one row: the row position in the borehole's table
// is 0 when the table has no "Désign" column, else the first element equal to
// the row's Désign; empty when the table is missing, no element matches or the
// value is missing.
std::string GridCellText(const TDirBlock& root, const CollectionRow& row, const GridField& field);
// Every cell of a row: Indice, Désign, then the fields.
std::vector<std::string> GridRowTexts(const TDirBlock& root, const CollectionRow& row,
                                      const std::vector<GridField>& fields);

// ---------------------------------------------------------------------------
// Sorting by a column
// ---------------------------------------------------------------------------

// The key of one cell, computed once per sort: a number when the whole text
// reads as one, else the text folded to ASCII upper case.
struct SortKey {
    bool isNumber = false;
    double number = 0.0;
    std::string folded;
};
SortKey MakeSortKey(std::string_view cellText);
// A strict weak ordering: numbers before texts, numbers by value (NaN never
// comes out of the reader), texts by bytes after ASCII case folding.
bool SortKeyLess(const SortKey& a, const SortKey& b);
// The display order of cells sorted ascending: a permutation of 0..n-1.
std::vector<int> SortOrder(const std::vector<std::string>& cells);

// ---------------------------------------------------------------------------
// Levels, altitudes and the log-strip view
// ---------------------------------------------------------------------------

// The depth extent of an ouvrage's log levels: the smallest top and the largest
// bottom (each may be absent).
struct LevelExtent {
    std::optional<double> top;
    std::optional<double> bottom;
};
using LevelExtentFunction =
    std::function<LevelExtent(const TDirBlock& root, const std::string& indice, const std::string& design)>;

// Our own reading of the levels, used until the log drawing answers it: the
// "Niveau" rows of the designation (every row without a "Désign" column) whose
// type is empty or "COUPE", their start and end columns named by the drawing
// settings (OptNiveauDeb, OptNiveauFin).
LevelExtent LevelExtentOfLevels(const TDirBlock& root, const std::string& indice, const std::string& design);

// The ground altitude of an ouvrage: "Ouvrage\Z" at the position where
// "Ouvrage\Désign" equals the designation; none when the table, a column, the
// designation or the value is missing.
std::optional<double> GroundAltitude(const TDirBlock& root, const std::string& indice, const std::string& design);

// The common altitude range of the strips (as depths below altitude 0: top is
// the smallest "depth - Z"). A range whose top is not strictly above its bottom
// counts as no range, so that nothing divides by zero.
struct AltitudeRange {
    std::optional<double> top;
    std::optional<double> bottom;
    bool Valid() const { return top && bottom && *bottom > *top; }
};
AltitudeRange ComputeAltitudeRange(const TDirBlock& root, const std::vector<CollectionRow>& rows,
                                   const LevelExtentFunction& extent);
// Where the strip of a row starts in a cell of `cellHeight` pixels: the pixels
// by which its top moves down, rounded half to even. None when the row has no
// altitude or the range is not valid (the strip then fills the cell).
std::optional<std::int32_t> StripTopOffset(std::optional<double> groundZ, const AltitudeRange& range,
                                           std::int32_t cellHeight);

// ---------------------------------------------------------------------------
// Tubes and codes
// ---------------------------------------------------------------------------

// The tube names of an ouvrage: the indice\Tubage rows whose "Désign" equals
// the designation exactly (every row of a table without "Désign"), their
// names upper-cased, the single tube standing for empty names and, with
// withDefault, for names without the multi-tube prefix; listed once each.
// With withDefault, the single tube is dropped when other names remain.
std::vector<std::string> TubeList(const TDirBlock& root, const std::string& indice, const std::string& design,
                                  bool withDefault, std::string_view singleTube, std::string_view multiPrefix);
// True unless a Tubage row of the ouvrage has a non-empty tube name other than
// the single tube.
bool OnlyDefaultTube(const TDirBlock& root, const std::string& indice, const std::string& design,
                     std::string_view singleTube);

// The leading capitals of the level codes of a borehole ("Niveau\CodeNiv",
// every designation, log levels only) that `isDescribed` does not know, in
// first-seen order. nullopt when the borehole has no code column.
std::optional<std::vector<std::string>> UndescribedCodes(const TDirBlock& root, const std::string& indice,
                                                         const std::function<bool(const std::string&)>& isDescribed);
// The status-bar line: "Codes non décrits : " + the list joined by ", ", or
// "" for an empty list.
std::string UndescribedCodesText(const std::vector<std::string>& codes);
