// Filter files of the fixed-width exchange.
//
// A filter file is a text file written by the user. Each main filter (a header
// line starting with "->") describes the record layout of one fixed-width data
// file, found by that file's lower-cased name; each sub-filter (a header line
// starting with "<-") describes the variant part of a record, chosen record by
// record by the value of the main filter's selector field. The import and the
// export read the filters through LoadFilter; the export dialog and the
// collection window list the main filters through LoadFilterNames; the filter
// chooser lists the files through FindFilterFiles.
//
// Nothing here shows anything: failures are raised as EFilterError with the
// program's French messages, and a filter that the file does not hold is
// answered by a false result that the caller turns into its box
// (MissingFilterMessage, titled "Erreur").
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// One field line of a filter, in the order of the file.
struct TFilterField {
    // The name as written, "*" and "%" removed: the block path of the value
    // below a borehole's directory for a data field, the comma-separated list
    // of sub-filter names for a selector, "." for a filler.
    std::string FieldName;
    char DataType = 0;           // A D E F I N R S U
    std::uint8_t IsKey = 0;      // written with a leading "*"
    std::uint8_t IsSelector = 0; // written with a leading "%"
    std::int32_t Width = 0;      // characters of the field in a data record
    // What follows the field in a data record: FilterSeparatorNone (nothing),
    // FilterSeparatorLineEnd (the end of the line) or that character.
    char32_t Separator = 0;
    std::string ReadText;    // the importer's work area: the raw text last read
    std::string DefaultText; // written by the export for an empty text and for a filler
};
using TFiltre = std::vector<TFilterField>;

inline constexpr char32_t FilterSeparatorNone = 0;
inline constexpr char32_t FilterSeparatorLineEnd = 13;
// A width above this is refused: no sensible record needs it, and the reader
// must not be told to gather gigabytes into one field.
inline constexpr std::int32_t MaxFilterFieldWidth = 65535;
// A data field's path (its names joined by "\") has at most this many names.
inline constexpr int MaxFilterPathDepth = 64;
// Filter files are small texts; a larger file is refused before it is read.
inline constexpr std::uint64_t MaxFilterFileSize = 16u * 1024u * 1024u;

// A malformed or unreadable filter file. what() is the message shown to the user.
class EFilterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file name as the exchange messages show it: between single quotes, a
// quote inside it doubled.
std::string QuotePath(const std::string& path);

// Clears Names, then adds the text after "->" of every line longer than two
// characters that starts with "->", comment included and untrimmed, in file
// order. Raises EFilterError when the file cannot be read.
void LoadFilterNames(const std::string& FileName, std::vector<std::string>& Names);

// Empties Filter, then fills it from the main filter (IsSub false) or the
// sub-filter (IsSub true) whose name is exactly Name. Returns false, with Filter
// empty, when the file holds no such filter: the caller shows
// MissingFilterMessage(Name) in a box titled "Erreur". Raises EFilterError on a
// file that cannot be read and on a syntax error (the fields parsed before it
// stay in Filter). The field "Tubage\NomTube" without default takes the
// single-tube name of the settings.
bool LoadFilter(const std::string& FileName, TFiltre& Filter, const std::string& Name, bool IsSub);

// The single-tube name that "Tubage\NomTube" takes as its default (setting
// NomTubeSimple).
std::string FilterSingleTubeName();

// "Pas de filtre " followed by the name between double quotes.
std::string MissingFilterMessage(const std::string& Name);
inline constexpr const char* MissingFilterTitle = "Erreur";

// The same readers over a filter file's text already decoded to UTF-8.
bool ParseFilter(std::string_view utf8Text, TFiltre& Filter, const std::string& Name, bool IsSub,
                 const std::string& singleTubeName);
void ParseFilterNames(std::string_view utf8Text, std::vector<std::string>& Names);

// A filter file's text, decoded (UTF-8 with or without BOM, else Windows-1252).
// Raises "Impossible d'ouvrir le fichier de filtre '<path>'" when it cannot be
// read, and refuses files larger than MaxFilterFileSize.
std::string ReadFilterFileText(const std::string& FileName);

// The name part of a header text (after "->" or "<-"): up to the first "(".
std::string FilterHeaderName(std::string_view headerText);

// The sub-filter names a selector field accepts, each trimmed of spaces, so
// that "niveau, tubage " accepts the values "niveau" and "tubage" as the export
// writes them.
std::vector<std::string> SelectorNames(const TFilterField& field);

// The filter files of a folder ("filtre*.txt", the name compared without regard
// to case), sorted by file name, each with its first line: what the filter
// chooser lists. Unreadable files are listed with an empty title.
struct FilterFileEntry {
    std::string Path;  // full path
    std::string Title; // the file's first line, decoded
};
std::vector<FilterFileEntry> FindFilterFiles(const std::string& folder);
