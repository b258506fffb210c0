// The search of levels by a keyword expression ("Rechercher des niveaux..."):
// the expression's words are combined with NOT, AND, OR and parentheses, and
// the levels ("Niveau" rows) whose texts satisfy it, and whose depth interval
// meets a depth range, are selected, deselected or inverted in the integer
// column "Sélection" that the log drawing and the level export read.
//
// Nothing here shows anything: the dialog (coding/windows/level_search_window.h)
// reads its controls into LevelSearchCriteria, runs RunLevelSearch and shows a
// syntax error (EKeywordSyntax) in the program's failure box.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "coding/codage_binding.h"

class TDirBlock;

// A malformed expression; what() is the message shown to the user.
class EKeywordSyntax : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Priorities of the operator words (exact, case included): NOT "~", "-", "!",
// "PAS", "NON" 10; AND "&", "&&", "ET" 8; OR "+", "|", "||", "OU" 6; any
// other token 0.
int KeywordOperatorRank(std::string_view token);

// The tokens of a text when the coding library has no Tokenize, read as the
// library reads them, so that a search finds the same levels with or without
// it: words in capitals without accents ("grès" gives GRES), numbers keeping a
// decimal separator between digits ("2,8"), an elided article keeping its
// apostrophe ("D'"), a hyphen between two words only splitting them; every
// other character alone, but for the operators "&&" and "||"; spaces separate.
TArrayOfToken KeywordTokenize(std::string_view text);
// Tokenize of the coding library when bound, else KeywordTokenize.
TArrayOfToken KeywordTokens(std::string_view text);

// a and b are the two forms of one noun of the coder's list (both the same
// text without the list); the same over the four forms of an adjective.
bool KeywordNounMatch(std::string_view a, std::string_view b);
bool KeywordAdjectiveMatch(std::string_view a, std::string_view b);

// Whether the expression tokens E[first..last] hold for a level whose
// keyword tokens are `keywords`. An empty range is false. Raises
// EKeywordSyntax with the message of the first fault met:
//   "Mot-clé attendu mais ',' trouvé", "Fin de parenthèse ')' non trouvée",
//   "Fin de parenthèse ')' non attendue", "Opérateur 'ET' sans opérande",
//   "Opérateur \"non\" sans opérande", "Dépassement de la fin de la chaine",
//   "Opérateur inconnu 'X'", "Expression trop imbriquée".
// The syntax is checked whatever the keywords: the same expression raises the
// same error for every level.
bool KeywordEvaluate(const TArrayOfToken& expression, const TArrayOfToken& keywords, int first, int last);

// Nesting deeper than this (parentheses inside parentheses) is refused
// rather than run out of stack.
inline constexpr int kKeywordMaxNesting = 200;

// ---- the dialog's criteria and the search ---------------------------------

struct LevelSearchCriteria {
    TArrayOfToken Tokens;
    double From = 0.0;
    double To = 0.0;
    bool DepthValid = false;  // both depths read as whole numbers
    bool Strict = false;      // "Inclusion stricte"
};

// CritereChange: the expression's tokens, the two depths read tolerantly
// (valid only when both read completely) and the strict flag.
LevelSearchCriteria ReadLevelSearchCriteria(std::string_view expression, std::string_view from,
                                            std::string_view to, bool strict);
// "Ok" is enabled with at least one token or a valid depth range.
bool LevelSearchCanRun(const LevelSearchCriteria& criteria);

// The depth test of one level (Deb, Fin, either missing as MissingFloat).
bool LevelDepthMatches(const LevelSearchCriteria& criteria, double deb, double fin);

enum class LevelAction { Select = 0, Deselect = 1, Invert = 2 };

// One ouvrage of the collection window's list.
struct LevelSearchRow {
    std::string Indice;
    std::string Design;
};

struct LevelSearchResult {
    int MatchedLevels = 0;
    // The rows (indexes into the rows given) with at least one matched level.
    std::vector<int> MatchedRows;
};

// The search over the rows' levels (root \ Indice \ "Niveau"): each level of
// the row's ouvrage that passes the depth test (when the range is valid) and
// whose texts satisfy the expression gets "Sélection" written as an integer:
// 1 to select, 0 to deselect, and for invert 1 when it was 0 or missing, else
// 0. A level table without a "Désign" column belongs to the whole borehole:
// its levels are taken once, with the first listed ouvrage of that borehole.
// Without any expression token the valid depth range alone chooses the levels.
// A syntax error passes to the caller; levels already written stay written.
LevelSearchResult RunLevelSearch(TDirBlock& root, const std::vector<LevelSearchRow>& rows,
                                 const LevelSearchCriteria& criteria, LevelAction action);
