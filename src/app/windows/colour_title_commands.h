// The main-window commands of the colours, the patterns and the title block:
// Configuration > "Choix des couleurs 0 à 9..." (the colour-table editor, the
// log redrawn after "Ok"), Configuration > "Edition du bandeau..." (the
// title-block editor, the log redrawn after it) and O&pérations > "Imprimer
// la liste des motifs..." (the printed list of the 100 patterns).
#pragma once

class TFMain;

inline constexpr const char* kChoixCouleursCaption = "Choix des couleurs 0 \xC3\xA0 9...";
inline constexpr const char* kEditionBandeauCaption = "Edition du bandeau...";
inline constexpr const char* kEditionBandeauHint =
    "Bandeau d'information en haut des coupes lithologique et technique";
inline constexpr const char* kListeMotifsCaption = "Imprimer la liste des motifs...";


// True when the colour table was changed with "Ok" (the log is redrawn).
bool ChoixCouleurs1Click(TFMain& main);
void EditionBandeau1Click(TFMain& main);
void ImprimerListeMotifs1Click(TFMain& main);
