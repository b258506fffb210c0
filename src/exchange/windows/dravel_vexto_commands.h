// File > "Importer &Dravel..." and "Importer &Vexto...": Dravel files
// (ouv*.ini) and Vexto lists (.lst) imported into a new collection window.
//
// Both follow the importers' common road through the same host and window
// interfaces as the fixed-width import: the help box shows the importer's
// topic; a multi-file open dialog starts in the folder remembered in
// carotix.ini [Général] ("RépertoireDravel", "RépertoireVexto"), which takes
// the chosen folder at once; a new collection window is created and shown;
// each file is read into its tree in the dialog's order (no progress window);
// at the end, whatever happened, the window rebuilds its list and takes its
// snapshot, so that the freshly imported collection counts as saved. A failure
// ends the import of that file and of the files after it and is shown then.
#pragma once

#include <string>
#include <vector>

#include "exchange/windows/fixed_width_import_command.h"

inline constexpr const char* kDravelImportMenuCaption = "Importer &Dravel...";
inline constexpr const char* kDravelImportMenuHint = "Importer des fichiers export\xC3\xA9s par Dravel";
inline constexpr const char* kDravelImportHelpTopic = "OpenDravel";
inline constexpr const char* kDravelImportDialogFilter = "Fichier Dravel (ouv*.ini)|ouv*.ini";
inline constexpr const char* kVextoImportMenuCaption = "Importer &Vexto...";
inline constexpr const char* kVextoImportMenuHint = "Importer des fichiers export\xC3\xA9s par Vexto";
inline constexpr const char* kVextoImportHelpTopic = "OpenVexto";
inline constexpr const char* kVextoImportDialogFilter = "Export Vexto (*.lst)|*.lst";
inline constexpr const char* kForeignImportRemarksTitle = "Importation";

// What one run of a command did, for tests.
struct ForeignImportRun {
    bool Started = false;  // a window was created
    std::vector<std::string> Files;
    int FilesDone = 0;
    std::string Failure;  // the message of the failure that ended the import ("" none)
};

// TFMain.ImporterDravel1Click / ImporterVexto1Click.
ForeignImportRun ImporterDravel1Click(OracleImportHost& host);
ForeignImportRun ImporterVexto1Click(OracleImportHost& host);
