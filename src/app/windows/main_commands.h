// The main window's own commands: the ouvrage operations of "&Collection"
// and "O&uvrage" and their tool-bar buttons (through the logic of
// borehole_operations.h), the arrangement of the document windows, the
// configuration files opened with their associated program, the code-model
// window, and the enabling rules of "&Collection" and "O&pérations".
//
// The main window makes each item with its command; InstallMainCommands adds
// the enabling rules, before the other Install*Commands functions add theirs.
#pragma once

#include <string>

class QMdiArea;
class TFMain;

void InstallMainCommands(TFMain& main);

// Menu commands on the active collection window (nothing without one).
void Couper1Click(TFMain& main);     // "Couper les ouvrages"
void Copier1Click(TFMain& main);     // "Copier les ouvrages"
void Coller1Click(TFMain& main);     // "Coller dans la collection courante"
void Supprimer1Click(TFMain& main);  // "Supprimer les ouvrages"
void Renommer1Click(TFMain& main);   // "Renommer..."

// "Ranger horizontalement" (one above the other, each as wide as the area)
// and "Ranger verticalement" (side by side, each as high as the area).
enum class TileDirection { Horizontal, Vertical };
void TileDocumentWindows(QMdiArea& area, TileDirection direction);

// "Texte de l'infobulle...": the tooltip template, created empty when it does
// not exist, opened with its associated program.
void TexteInfobulle1Click();
// A file of the program folder opened with its associated program
// ("edition.ini", "csv.ini", "dravel.ini").
void OpenProgramFileWithItsProgram(const std::string& name);

// "Modèles de motifs et couleurs...": the models window, then the log again.
void ModelesMotifs1Click(TFMain& main);

// Menu captions, letter for letter.
inline constexpr const char* kCouperCaption = "Couper les ouvrages";
inline constexpr const char* kCopierCaption = "Copier les ouvrages";
inline constexpr const char* kCollerCaption = "Coller dans la collection courante";
inline constexpr const char* kSupprimerCaption = "Supprimer les ouvrages";

// TFMain.Ouvrage2Click: the enabling of "&Collection" and "O&pérations" when
// one of them opens.
void Ouvrage2Click(TFMain& main);
