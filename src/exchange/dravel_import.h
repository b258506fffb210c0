// Import of the borehole files exported by Dravel (ouv*.ini, one borehole per
// file) into a collection tree.
//
// What goes where is the user's mapping in dravel.ini: each of its sections
// names a section of the Dravel file ("Niveau*" stands for Niveau1, Niveau2...,
// the n-th giving row n-1) and maps Dravel keys to Table\Field paths below the
// borehole. The kind of each target comes from the table's field definitions
// in edition.ini, and lexicon labels are turned back into their codes there.
#pragma once

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class IniDocument;
class TDirBlock;

// The coder's MakeCode, or an empty function when the library lacks it.
using DravelCoder = std::function<std::string(std::string_view description)>;

// What an import noticed without failing.
struct DravelReport {
    int RenamedKeys = 0;  // indices holding "\" or "/", stored with "_"
};

// Where an imported ouvrage's rows go in a borehole that may already hold
// other ouvrages (from earlier files or records): after the rows each table
// holds when the ouvrage first touches it, so that no value of the others is
// written over. Row(table, r) is the borehole row of the ouvrage's row r.
// "Dossier", which describes the whole borehole, is the exception: its rows
// are written where the file puts them, so a later ouvrage replaces the values
// it sets.
class ForeignRowPlacer {
public:
    explicit ForeignRowPlacer(const TDirBlock& borehole) : borehole_(borehole) {}
    int Row(const std::string& table, int row);

private:
    const TDirBlock& borehole_;
    std::map<std::string, int> base_;
};

// The code of a lexicon label: the first "label=code[=...]" line whose label
// equals the value exactly (case included) gives its code; the value itself
// when none does.
std::string DravelLexiconCode(const std::vector<std::string>& lexicon, std::string_view value);

// The index a Dravel or Vexto file gives, made fit to name a borehole
// directory: "\" and "/" would split paths, so each becomes "_" (counted).
std::string ForeignBoreholeKey(std::string_view index, int& renamed);

// A Dravel file that names no borehole: no [OUVRAGE] section, or neither
// INDICE nor NUMINT in it. ImportDravel turns it into a message naming the file.
struct DravelRefusal : std::runtime_error {
    enum Kind { NoOuvrage, NoIndex };
    explicit DravelRefusal(Kind kind)
        : std::runtime_error(kind == NoOuvrage ? "no [OUVRAGE] section" : "no borehole index"), Reason(kind) {}
    Kind Reason;
};

// Imports one parsed Dravel file into `root`. A borehole already there (from
// an earlier file) gets this file's ouvrage as new rows after the rows its
// tables hold, the other ouvrages' values kept. Raises DravelRefusal for a
// file that names no borehole, before anything is created. with the mapping of `dravel`
// (dravel.ini) and the field definitions and lexicons of `edition`
// (edition.ini). Conversion failures of the block store pass to the caller,
// with what was stored before them kept.
void ImportDravelDocument(const IniDocument& file, const IniDocument& dravel, const IniDocument& edition,
                          TDirBlock& root, const DravelCoder& makeCode, DravelReport& report);

// ImportDravel: reads FileName (bounded) and imports it with IniDravel,
// IniEdition and the program's coding library. A file that cannot be read
// raises std::runtime_error with a French message naming it.
void ImportDravel(const std::string& fileName, TDirBlock& root, DravelReport& report);
