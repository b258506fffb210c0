// The coding pass of a collection window: the free-text description of each
// level ("Niveau\Litho") of the selected ouvrages is turned into its
// lithology code ("Niveau\CodeNiv") by the coding library.
//
// Nothing here shows anything: the command (coding/windows/coding_command.h)
// shows the box when the library is missing, drives the progress window
// through CodingProgress and redraws the log window afterwards.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDirBlock;

// The texts of the pass.
inline constexpr const char* kCodingLibraryMissingMessage =
    "La libraire Codage.dll n'a pas été trouvée ou n'est pas valide";
inline constexpr const char* kCodingLibraryMissingTitle = "Erreur";
inline constexpr const char* kCodingProgressLabel = "Codage des ouvrages...";

// One selected row of the collection window: a borehole directory ("Indice")
// and one of its ouvrages ("Désign", empty when the borehole names none).
struct CodingSelection {
    std::string Indice;
    std::string Design;
};

// How the pass reports its advance. Both methods do nothing by default.
class CodingProgress {
public:
    virtual ~CodingProgress() = default;
    // Before the first borehole: the bar runs from 0 to `maximum` (the number
    // of selected rows) and stands at 0.
    virtual void Start(const std::string& label, int maximum) {}
    // The bar's new position.
    virtual void Step(int position) {}
};

struct CodingPassResult {
    bool LibraryMissing = false;  // MakeCode is not bound: nothing was done
    int Boreholes = 0;            // borehole directories that had a selected row
    int LevelsCoded = 0;          // levels whose code was stored
};

// The coder used by the pass: description (already upper-cased) to code.
using MakeCodeFunction = std::function<std::string(std::string_view description)>;

// Codes the levels of the selected ouvrages of `root`.
//
// Borehole directory by borehole directory, in child order, the designations
// of the selected rows naming that directory are gathered; a directory without
// any is left alone. Each row of its "Niveau" table is then coded unless
//  - its "Type" is neither empty nor "COUPE" (any case): not a log level;
//  - it belongs to an ouvrage that is not selected. A level belongs to the
//    ouvrage its "Désign" names (compared without regard to case); a level
//    with an empty "Désign", or a "Niveau" table without that column, belongs
//    to every ouvrage of its borehole, as everywhere else in the program, and
//    is coded as soon as one of them is selected;
//  - recodeAll is false and its "CodeNiv" already holds a text.
// The code is MakeCode of the upper-cased "Litho", stored as text (the column
// is created or grown as needed), also when it is empty. The bar advances by
// the number of gathered designations per directory, whether or not the
// directory has a "Niveau" table.
//
// Without a bound MakeCode (CodageDLL()) nothing is changed and the result
// says LibraryMissing; a given `makeCode` is used instead of the binding.
CodingPassResult CodeLevels(TDirBlock& root, const std::vector<CodingSelection>& selection, bool recodeAll,
                            CodingProgress* progress = nullptr, const MakeCodeFunction& makeCode = {});

// Whether a level of type `type` is a log level that the pass codes: an empty
// type or "COUPE" in any case.
bool IsCodedLevelType(std::string_view type);
