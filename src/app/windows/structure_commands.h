// The main window's commands of the structure browser and the field
// multiplier ("&Collection" > "Explorer la structure de la collection..." and
// "Multiplier un champ..."), both on the active collection window.
#pragma once

class TFMain;


// The two commands; nothing without an active collection window.
void ExplorerStructure1Click(TFMain& main);
void MultiplierChamp1Click(TFMain& main);
