// Export of a collection to fixed-width data files (.ora).
//
// The exact counterpart of the import (fixed_width_import.h): each data file
// is laid out by the main filter named after it and, when that filter has a
// selector field, by the sub-filters it lists. Key fields are cut from the
// borehole's directory name; every other field takes its value from the
// borehole's column at the record's row; a main filter with a selector writes
// one record per row and per sub-filter.
//
// A file written here reads back through the importer: a text longer than its
// field is cut to the width, a number that does not fit is written blank, a
// number that loses decimals to its field is named by its field and line
// breaks inside a text become spaces, each counted in the report rather
// than pushing the rest of the record out of its columns. Nothing here shows
// anything; the export dialog shows the report.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/exchange_files.h"
#include "exchange/filter_file.h"

class TDirBlock;

// What an export did, beyond writing its records.
struct OracleExportReport {
    std::string DataFile;
    std::string FilterName;
    std::int64_t Boreholes = 0;     // boreholes that gave at least one record
    std::int64_t Records = 0;
    std::int64_t CutTexts = 0;      // texts longer than their field, cut to its width
    std::int64_t WideNumbers = 0;   // numbers wider than their field, written blank
    // Numbers written with fewer decimals than they hold: a decimal number in
    // an integer field, or digits a float field has no room for.
    std::int64_t RoundedNumbers = 0;
    std::vector<std::string> RoundedFields;  // their fields, once each, in order met
    std::int64_t LineBreaks = 0;    // texts whose line breaks were written as spaces
    std::int64_t CutKeys = 0;       // borehole names longer than the key fields
    // Empty texts written as their field's default (the filter's "=" text, or
    // the single-tube name of "Tubage\NomTube"): values the collection does
    // not hold, which the file then does.
    std::int64_t Defaults = 0;
    std::vector<std::string> DefaultFields;  // their fields, once each, in order met
    // Boreholes of several ouvrages whose rows of a table the filter writes
    // without their designation: read back, those rows are shared by every
    // ouvrage of the borehole.
    std::int64_t SharedRows = 0;
    std::vector<std::string> SharedTables;  // those tables, once each, in order met
    // Boreholes of which two different designations are written alike, cut to
    // the width of their field: read back, their ouvrages are one.
    std::int64_t JoinedDesigns = 0;
    // Boreholes whose key, cut to the width of the key fields, is written as
    // another borehole's: read back, the two are one borehole. Each as
    // "name (comme other)", at most MaxNotes.
    std::int64_t JoinedKeys = 0;
    std::vector<std::string> JoinedKeyNotes;
    std::size_t Unmapped = 0;       // characters without a Windows-1252 byte, written "?"
    // Sub-filters listed by the selector that the filter file lacks, in list
    // order: their records carry the main fields only.
    std::vector<std::string> MissingSubFilters;
    // The paths of the columns the filter writes (its data fields, for each
    // sub-filter) and of its key fields: what an export through it carries.
    // Not a remark by itself: the export as a whole names what no file carries
    // (UncarriedSummary).
    std::vector<std::string> Carried;
    std::vector<std::string> Notes;  // borehole names cut, at most MaxNotes
    std::int64_t NotesLeftOut = 0;
    static constexpr std::size_t MaxNotes = 50;

    bool HasRemarks() const;
    // The remarks in French, for an information box ("" when none).
    std::string Summary() const;
};

// The data file's bytes (Windows-1252, lines ended by CR LF) for every
// borehole of Root, laid out by the main filter `filterName` of the filter
// file's text. Raises EFilterError on a malformed filter and when the filter
// file holds no main filter of that name (MissingFilterMessage): no file is
// then written, rather than an empty one over the user's data.
std::string ExportOracleData(const TDirBlock& Root, const std::string& filterName, std::string_view filterText,
                             OracleExportReport& report);

// Writes DataFile (through a temporary file renamed over it) with every
// borehole of Root, through the main filter named after the file (its name
// without folder, lower-cased) in FilterFile. Raises EFilterError or
// EExportFileError; an old DataFile stays whole on failure.
void ExportOracleFile(const std::string& DataFile, const TDirBlock& Root, const std::string& FilterFile,
                      OracleExportReport& report);
void ExportOracleFile(const std::string& DataFile, const TDirBlock& Root, const std::string& FilterFile);

// The tables and columns of Root's boreholes that hold at least one value
// (a text not blank, a number not missing) and whose path is not in `carried`,
// once each, in the order first met: "Table (toutes les colonnes)" for a table
// of which no column is carried, "Table\Column" for a column of a table that
// is. Each column is looked at once, and read only until a value turns up.
std::vector<std::string> UncarriedData(const TDirBlock& Root, const std::set<std::string>& carried);

// The remark of an export whose files carry `carried` (the union of their
// reports' Carried): "Non exporté (absent du filtre) : " and the first names
// of UncarriedData, then how many more, so that the box stays on the screen;
// "" when every value is carried. The CSV export says "absent de csv.ini".
std::string UncarriedSummary(const TDirBlock& Root, const std::set<std::string>& carried,
                             const std::string& absentFrom = "du filtre");
inline constexpr std::size_t kUncarriedNamesShown = 12;

// The check-list items of the export dialog from the main filter headers of a
// filter file (LoadFilterNames): each header holding no "\" cut at its first
// "(", as written (trailing spaces kept); headers that cannot name a file are
// left out.
std::vector<std::string> OracleExportItems(const std::vector<std::string>& headers);

// The table names that a main filter header lists in its comment
// ("ouvrage.ora(Ouvrage, Dossier)" gives Ouvrage and Dossier).
std::vector<std::string> FilterHeaderTables(std::string_view header);

// The names of the table directories present in any borehole of Root.
std::set<std::string> CollectionTableNames(const TDirBlock& Root);

// TFChild.CheckOracleTables: for each item (by position in `items`, texts as
// OracleExportItems gives them), whether the header it came from lists a
// table present in the collection. `headers` are the raw headers.
void CheckOracleTables(std::vector<ExportCheckItem>& items, const std::vector<std::string>& headers,
                       const TDirBlock& Root);
