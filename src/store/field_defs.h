// Field definitions of the tables that the editors, the reports and the
// exchanges edit, read from edition.ini, and their lexicons.
//
// edition.ini (served through the section cache of options.h):
//   [Table]            one line per field: label=path or label=path:KW, K the
//                      kind letter, W the width
//   [Table\path]       the field's lexicon: key=code=label, key=code or key
//   [Table\path*]      used when [Table\path] is empty: a "star" lexicon
//
// Kind letters: S, A, U text; D date as typed; E date stored as yyyymmdd digits;
// F, R float or angle; M value times 1000; I, N integer.
//
// The store has no windows: the French messages of this unit go to a reporter
// that the program installs at start-up (a plain message box); the operations
// then return instead of raising.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDirBlock;

struct TFieldDef {
    std::string Name;                  // the label (before the first "=")
    std::string Path;                  // block path of the column
    std::string Value;                 // the value being edited
    char Kind = '\0';                  // kind letter, '\0' for none
    std::int32_t Width = 0;            // width in characters, 0 for none
    bool StarLexicon = false;          // the lexicon came from [Table\path*]
    std::vector<std::string> LexCodes;
    std::vector<std::string> LexLabels;
};

using TStructTable = std::vector<TFieldDef>;

// Receives the French messages of this unit.
using FieldDefReporter = std::function<void(const std::string& message)>;
// Installs the reporter; an empty one restores the default (standard error).
void SetFieldDefReporter(FieldDefReporter reporter);
bool FieldDefReporterInstalled();

// Fills the definitions from [table]. Paths are parent\table\path, or just the
// path with noPrefix. A failure is reported ("Une erreur est intervenue lors du
// chargement des définitions de la table : ...") and the definitions read
// until then are kept.
void LoadTableDefinitions(TStructTable& definitions, std::string_view table, std::string_view parent,
                          bool noPrefix);
// Stores every definition's Value at the row of its Path, converted by its
// kind (texts trimmed, dates to digits, angles to degrees, "M" values times
// 1000). Without root the failure is reported and nothing is stored.
// Conversion errors (EConvertError, a date without "/") pass to the caller.
void WriteFieldsToTable(TStructTable& definitions, TDirBlock* root, int row);
// The first definition whose path ends with the name (after the last "\").
int IndexOfFieldDef(const TStructTable& definitions, std::string_view name);
void DeleteFieldDef(TStructTable& definitions, int index);

void LoadLexiconSection(std::string_view section, std::vector<std::string>& codes,
                        std::vector<std::string>& labels);
// Without a list, the failure is reported and nothing changes.
void LoadLexicon(const std::vector<std::string>* lines, std::vector<std::string>& codes,
                 std::vector<std::string>& labels);
void SplitLexiconLine(std::string_view text, std::string& code, std::string& label);
// A label made from a key: SABLE-ARGILEUX -> "Sable argileux", a.b.c.d. -> "ABCD".
std::string NiceLabel(std::string_view key);
