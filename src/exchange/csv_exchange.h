// Exchange of collection tables as CSV files, one table per file.
//
// csv.ini (the settings object IniCsv) holds one section per CSV file, named
// NAME=TablePath: NAME is the file's name without ".csv", TablePath the table
// below a borehole's directory. Its lines COLUMN=Source give the columns in
// order; a Source is a template ("%...%"), a literal (between quotes), a
// column translated through the lexicon chosen by another column
// ("Nature(Type)") or a column translated through its own lexicon of
// edition.ini ("Nature"). Lexicon lines are label=code[=anything]; the label
// "NULL" stands for an empty cell.
//
// The files are Windows-1252 with CR LF line ends, ";" between cells, a cell
// quoted when it holds a space, a quote, an apostrophe or ";" (QuoteIfNeeded).
// Nothing here shows anything: failures are raised as exceptions with the
// program's French messages.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/exchange_files.h"
#include "exchange/import_rows.h"

class TDirBlock;
class TIniFile;

// A CSV file that cannot be exported or imported as asked. what() is the message.
class ECsvError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A listed ouvrage of the collection window: which borehole and designation
// the export writes, in list order.
struct CsvExportRow {
    std::string Indice;
    std::string Design;
};

struct CsvColumnSpec {
    std::string Column;  // the header as written in csv.ini
    std::string Source;
};

struct CsvSection {
    std::string Section;    // the section's name as written
    std::string Name;       // NAME
    std::string TablePath;  // below a borehole's directory
    std::vector<CsvColumnSpec> Lines;
};

// The first section whose NAME equals tableName without regard to case.
// Raises ECsvError "Pas de section <name> dans csv.ini" when none. The lines
// are read as written (their quotes kept, so that a literal stays a literal),
// split at their first "=" and trimmed.
CsvSection FindCsvSection(const TIniFile& ini, const std::string& tableName);

// TFExpCsv.FillTables' source: the NAME of every section whose name holds no
// "\" and can name a file, in file order.
std::vector<std::string> CsvTableNames(const TIniFile& ini);

// A Source of the form Field(Other): Field and Other, when `source` holds "("
// and ends with ")"; callers first make sure the whole text is not a column.
bool SplitFieldOther(const std::string& source, std::string& field, std::string& other);

// The lexicon translations of one value (edition.ini through its section
// cache). `lineLexicon` holds the lines of the section TablePath\Source;
// with a non-empty `otherValue` the section TablePath\Field+otherValue is used
// instead.
std::string CsvLexiconLabel(const std::string& value, const std::vector<std::string>& lineLexicon,
                            const std::string& tablePath, const std::string& field, const std::string& otherValue);
std::string CsvLexiconCode(const std::string& value, const std::vector<std::string>& lineLexicon,
                           const std::string& tablePath, const std::string& field, const std::string& otherValue);

// What an export or an import did beyond its rows.
struct CsvReport {
    std::int64_t Rows = 0;          // lines written or records read
    std::size_t Unmapped = 0;       // characters without a Windows-1252 byte, written "?"
    std::int64_t LineBreaks = 0;    // values whose line breaks were written as spaces
    std::int64_t RenamedKeys = 0;   // indices holding "\", stored with "_"
    std::vector<std::string> MergedKeys;  // such indices that joined a borehole already there
    // The export's Table\Column paths that its csv.ini section writes, once
    // each (UncarriedSummary names what no file of the export carries).
    std::vector<std::string> Carried;
    // The borehole names given by the files of one command, so that an index
    // renamed in several files counts as one (none: this file's alone).
    ImportedBoreholeNames* Names = nullptr;
    // Ouvrages (or boreholes, in their own table) that two lines of one file
    // give with different values: the last line's are kept. Each once, as
    // "P1 (désignation A)", "P1 (sans désignation)" or "P1".
    std::vector<std::string> Repeated;
    // Export: rows of a listed borehole whose designation names none of its
    // ouvrages (no list row takes them), and those as "P1 (désignation Z)".
    std::int64_t OrphanRows = 0;
    std::vector<std::string> Orphans;
    bool HasRemarks() const
    {
        return Unmapped || LineBreaks || RenamedKeys || !MergedKeys.empty() || !Repeated.empty() || OrphanRows;
    }
    std::string Summary(const std::string& file) const;  // French, "" when none
};

// The file's bytes for one table of the listed ouvrages.
std::string ExportCsvData(const TDirBlock& root, const std::vector<CsvExportRow>& rows, const CsvSection& section,
                          CsvReport& report);
// TFChild.ExportCsv: writes the table TableName (a section of IniCsv) to
// FileName through a temporary file.
void ExportCsvFile(const std::string& FileName, const std::string& TableName, const TDirBlock& root,
                   const std::vector<CsvExportRow>& rows, CsvReport& report);

// TFChild.TableHasRows: whether the export of TableName would write a row.
bool CsvTableHasRows(const TIniFile& ini, const std::string& TableName, const TDirBlock& root,
                     const std::vector<CsvExportRow>& rows);

// Reads a CSV text (decoded) into root through the section. `fileLabel`
// names the file in messages. A cell whose first character (after blanks) is
// a double quote runs to its closing quote, ";" and line breaks included; a
// quote elsewhere in a cell is an ordinary character. Raises ECsvError "Le
// fichier '<file>' est vide" for a text of blank lines, "Pas de champ Indice
// dans '<file>'" without an index column, and ECsvError naming the file,
// line, column and value when a value does not convert, or the line where a
// quoted cell opened when it is never closed, or spans a line break and its
// closing quote is followed by more than blanks before ";" or the line end;
// nothing of that record is written. A quoted cell closed on its own line and
// followed by text (`"8" tube`) is kept as typed.
void ImportCsvData(std::string_view text, const CsvSection& section, TDirBlock& root, const std::string& fileLabel,
                   CsvReport& report);
// TFChild.ImportCsv: the table is named by the file's name without folder and
// extension, upper-cased; its section is looked up in IniCsv.
void ImportCsvFile(const std::string& FileName, TDirBlock& root, CsvReport& report);

// The cells of one CSV line, read as the import reads a record: split at
// every ";" outside a quoted cell, each cell unquoted (and trimmed before and
// after with `trim`). Raises ECsvError when a quoted cell is not closed as
// the import wants it.
std::vector<std::string> SplitCsvLine(std::string_view line, bool trim);

// The largest CSV file read, and written: as large as the largest collection
// file, so that whatever a collection exports reads back. What an import
// allocates follows what the file holds (its text, then the rows it gives).
inline constexpr std::uintmax_t kMaxCsvFileBytes = std::uintmax_t{1} << 32;

// "Le fichier '<file>' dépasse <n> Mo, ..." for a file beyond kMaxCsvFileBytes.
std::string TooLargeCsvMessage(const std::string& file);
