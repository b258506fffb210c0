// The coding commands of the main window ("Compléter les codes des ouvrages
// sélectionnés", "Recoder les ouvrages sélectionnés") on a collection's tree:
// the coding pass (coding/coding_pass.h) with its box when the coding library
// is missing, the progress window while it runs and the log window redrawn
// after it.
#pragma once

#include <vector>

#include "coding/coding_pass.h"

class TDirBlock;

// The captions and hints of the two menu items.
inline constexpr const char* kCoder2Caption = "Compléter les codes des ouvrages sélectionnés";
inline constexpr const char* kCoder2Hint =
    "Coder les passes qui ne sont pas codées dans la table niveau des ouvrages sélectionnés";
inline constexpr const char* kCoder1Caption = "Recoder les ouvrages sélectionnés";
inline constexpr const char* kCoder1Hint = "Coder toutes les passes dans la table niveau des ouvrages sélectionnés";

// Without a bound MakeCode: the box "La libraire Codage.dll n'a pas été
// trouvée ou n'est pas valide" titled "Erreur", nothing else. Otherwise the
// pass under FProgress (hidden on every path out), then the log window's
// redraw. A failure of the pass passes to the caller once the progress window
// is hidden; the levels coded before it keep their codes.
CodingPassResult RunCodingPass(TDirBlock& root, const std::vector<CodingSelection>& selection, bool recodeAll);
