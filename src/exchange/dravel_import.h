// Import of the borehole files exported by Dravel (ouv*.ini, one borehole per
// file) into a collection tree.
//
// What goes where is the user's mapping in dravel.ini: each of its sections
// names a section of the Dravel file ("Niveau*" stands for Niveau1, Niveau2...,
// the n-th giving row n-1) and maps Dravel keys to Table\Field paths below the
// borehole. The kind of each target comes from the table's field definitions
// in edition.ini, and lexicon labels are turned back into their codes there.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/import_rows.h"

class IniDocument;
class TDirBlock;

// The coder's MakeCode, or an empty function when the library lacks it.
using DravelCoder = std::function<std::string(std::string_view description)>;

// What an import noticed without failing, across the files of one command.
struct DravelReport {
    std::int64_t RenamedKeys = 0;         // indices holding "\", stored with "_"
    std::vector<std::string> MergedKeys;  // such indices that joined a borehole already there
    ImportedBoreholeNames Names;          // the names given so far
};

// The code of a lexicon label: the first "label=code[=...]" line whose label
// equals the value exactly (case included) gives its code; the value itself
// when none does.
std::string DravelLexiconCode(const std::vector<std::string>& lexicon, std::string_view value);

// A Dravel file that names no borehole: no [OUVRAGE] section, or neither
// INDICE nor NUMINT in it. ImportDravel turns it into a message naming the file.
struct DravelRefusal : std::runtime_error {
    enum Kind { NoOuvrage, NoIndex };
    explicit DravelRefusal(Kind kind)
        : std::runtime_error(kind == NoOuvrage ? "no [OUVRAGE] section" : "no borehole index"), Reason(kind) {}
    Kind Reason;
};

// Imports one parsed Dravel file into `root` with the mapping of `dravel`
// (dravel.ini) and the field definitions and lexicons of `edition`
// (edition.ini). A borehole already there (from an earlier file) gets this
// file's ouvrage in its tables with a designation (in place of the rows of
// that ouvrage there, after the others' rows when there are none; its record
// sheet row, as "Ouvrage", taking only the values the file gives), and in its
// own tables the values the file gives. The file is imported whole or not at
// all: raises DravelRefusal for a file that names no borehole and EImportValue
// for a value the collection refuses, leaving `root` and `report` as they were.
void ImportDravelDocument(const IniDocument& file, const IniDocument& dravel, const IniDocument& edition,
                          TDirBlock& root, const DravelCoder& makeCode, DravelReport& report);

// ImportDravel: reads FileName (bounded) and imports it with IniDravel,
// IniEdition and the program's coding library. A file that cannot be read or
// imported raises std::runtime_error with a French message naming it (and for
// a refused value the section, key, field and value).
void ImportDravel(const std::string& fileName, TDirBlock& root, DravelReport& report);
