// Import of fixed-width data files (.ora) into a collection.
//
// Each data file is read through the main filter named after the file (its
// name without folder, lower-cased) and the sub-filters that the main filter's
// selector field chooses record by record (filter_file.h). Each record becomes a
// directory named by its key; records of one key merge into one borehole
// directory, their values becoming the successive rows of its tables.
//
// The menu command and its windows only call this: nothing here shows
// anything. Malformed records and filters raise exceptions with the program's
// messages; everything else (a missing or empty main filter, sub-filters the
// filter file lacks, records dropped, keys renamed, numbers that did not read)
// is gathered in an OracleImportReport that the window shows at the end. The
// report is filled as the import goes, so it is complete up to the failure when
// an exception ends the import.
#pragma once

#include "exchange/filter_file.h"
#include "exchange/import_rows.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TDirBlock;

// A malformed record: what() is the program's message ("Filre: erreur de
// longueur de champ (...", "Sous-filtre: erreur de longueur de champ (...",
// "Nom de sous-filtre incorrect (..."); Line() and Record() locate it for a
// window that wants to say where (1-based; the line where the fault was met).
class EOracleImportError : public std::runtime_error {
public:
    EOracleImportError(const std::string& message, std::int64_t line, std::int64_t record)
        : std::runtime_error(message), line_(line), record_(record) {}
    std::int64_t Line() const { return line_; }
    std::int64_t Record() const { return record_; }

private:
    std::int64_t line_;
    std::int64_t record_;
};

// Progress of one data file, for the window's progress bar. Every method has a
// do-nothing default.
class OracleImportObserver {
public:
    virtual ~OracleImportObserver() = default;
    // Called as the file is read (about every megabyte) and once at its end.
    virtual void Progress(std::uint64_t bytesRead, std::uint64_t fileSize) {}
};

// What an import did, beyond the boreholes it merged.
struct OracleImportReport {
    std::string DataFile;   // as given
    std::string FilterName; // the main filter looked up: the data file's lower-cased name

    // The filter file holds no main filter of that name: nothing was read. The
    // window shows MissingFilterMessage(FilterName) in a box titled "Erreur".
    bool FilterMissing = false;
    // The main filter exists but holds no field: nothing was read.
    bool FilterEmpty = false;

    std::int64_t Records = 0;           // records read (blank lines not counted)
    std::int64_t Merged = 0;            // records merged into the collection
    std::int64_t NewBoreholes = 0;      // of which started a new borehole
    std::int64_t BlankLines = 0;        // line ends between records (empty lines), passed over
    std::int64_t DroppedNoKey = 0;      // records whose key is blank
    std::int64_t DroppedNoValue = 0;    // records that carry no value
    std::int64_t NotMerged = 0;         // key names a value of the collection's root
    std::int64_t LostValues = 0;        // values whose column in the borehole is of another kind
    std::int64_t UnreadableNumbers = 0; // number fields that did not read: stored as missing values
    std::int64_t RenamedKeys = 0;       // distinct keys holding "\", stored with "_"
    // Keys that joined a borehole another key made: "A\B" stored as "A_B"
    // where "A_B" is already, or "A_B" where "A\B" was stored (named in Notes).
    std::int64_t MergedKeys = 0;
    // Rows of a table whose other rows carry designations, left without one
    // (a sheet that gives none next to one that does): they belong to no
    // ouvrage the borehole lists (named in Notes, by borehole and table).
    std::int64_t UndesignatedRows = 0;
    std::vector<std::string> MissingSubFilters; // selected sub-filters the filter file lacks, once each
    // Ouvrages (or boreholes, in their own tables) that two records of the
    // file give with different values: the last record's are kept. Counted
    // once each; the first MaxNotes named, as "P1 (désignation A)",
    // "P1 (sans désignation)" or "P1".
    std::int64_t Repeated = 0;
    std::vector<std::string> RepeatedNames;
    // The borehole names given by the files of one command, so that a key
    // renamed in several files counts once and a key that lands in a borehole
    // already there is named in the notes (none: this file's alone).
    ImportedBoreholeNames* Names = nullptr;

    // Details in French, one per line: which keys were renamed, which records
    // were dropped, which sub-filters are missing. At most MaxNotes lines; the
    // rest is counted in NotesLeftOut.
    std::vector<std::string> Notes;
    std::int64_t NotesLeftOut = 0;
    static constexpr std::size_t MaxNotes = 50;

    // True when anything went otherwise than plainly reading every record.
    bool HasRemarks() const;
    // The end report in French, for an information box.
    std::string Summary() const;
    // Adds a detail line, within the MaxNotes bound.
    void AddNote(std::string note);
};

// Reads DataFile into Root through the filters of FilterFile. Raises
// EFilterError (filter file unreadable or malformed), EOracleImportError
// (malformed record) or EOracleImportError with the open failure of the data
// file; the records merged before the failure stay in Root.
void ImportOracleFile(const std::string& DataFile, TDirBlock* Root, const std::string& FilterFile,
                      OracleImportReport& report, OracleImportObserver* observer = nullptr);

// The same over texts in memory: the data file's bytes (Windows-1252), the name
// its main filter is looked up by (used as given) and the filter file's text
// (UTF-8). For tests and the fuzz target.
void ImportOracleData(std::string_view dataBytes, const std::string& filterName, TDirBlock* Root,
                      std::string_view filterText, OracleImportReport& report,
                      OracleImportObserver* observer = nullptr);

// The same import merging every record into its borehole through a record
// directory, the plain way. ImportOracleData appends each record's values
// straight into its borehole's columns (a new borehole starting empty); the
// tests and the fuzz target check that both give the same tree.
void ImportOracleDataThroughRecords(std::string_view dataBytes, const std::string& filterName, TDirBlock* Root,
                                    std::string_view filterText, OracleImportReport& report);

// The main filter name of a data file: its name without folder, lower-cased.
std::string OracleFilterNameOf(const std::string& DataFile);
