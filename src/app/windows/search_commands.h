// The main window's level-search command: O&pérations > "Rechercher des
// niveaux..." (TFMain.RechNiv1Click) opens the level search (TFRechNiv) on
// the active collection window. TFMain installs it once its menus are built.
#pragma once

class TFMain;

inline constexpr const char* kRechNivMenuCaption = "Rechercher des niveaux...";

// Gives the menu item its handler (the item is added when the menu lacks it);
// its enabling stays with the menu's own rule (the active window has rows).
void InstallSearchCommands(TFMain& main);

// The command itself: nothing without an active collection window.
void RechNiv1Click(TFMain& main);
