// The main-window commands of the drawing options and the equipment picture:
// Configuration > "Configuration du dessin et des coordonnées..." (the drawing
// options window, after which the collection windows and the log are
// refreshed) and Affichage > "Afficher l'image" (shows or hides the equipment
// picture window, ticked while it is shown). Installing them also gives the
// spreadsheet editor its equipment picture and the hit test of its rows.
#pragma once

class TFMain;

// Ticks "Afficher l'image" while the picture is shown and connects the
// spreadsheet's equipment seams.
void InstallDrawingOptionsCommands(TFMain& main);

// The drawing options window, modally; after "Ok" every collection window
// refills its view and the log window redraws. True when "Ok" closed it.
bool ConfigurationDessin1Click(TFMain& main);
// Shows the equipment picture window when hidden, hides it when shown.
void AfficherImage1Click(TFMain& main);
// The spreadsheet's equipment drawing and row hit test.
void ConnectEquipmentSeams();
