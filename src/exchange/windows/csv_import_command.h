// File > "Importer &Csv...": imports CSV files (one collection table each,
// named by the file) into a new collection window.
//
// The command follows the importers' common road, through the same host and
// window interfaces as the fixed-width import: the help box shows "OpenCsv";
// a multi-file open dialog starts in carotix.ini [CSV] "Répertoire", which
// takes the chosen folder at once; a new collection window is created and
// shown; each file is read into its tree in the dialog's order under the
// progress window; at the end, whatever happened, the window rebuilds its list
// and takes its snapshot, so that the freshly imported collection counts as
// saved.
#pragma once

#include <string>
#include <vector>

#include "exchange/csv_exchange.h"
#include "exchange/windows/fixed_width_import_command.h"

inline constexpr const char* kCsvImportMenuCaption = "Importer &Csv...";
inline constexpr const char* kCsvImportMenuHint = "Importer des fichiers Csv dans une nouvelle collection";
inline constexpr const char* kCsvImportHelpTopic = "OpenCsv";
inline constexpr const char* kCsvImportDialogTitle = "Importer fichiers Csv";
inline constexpr const char* kCsvImportDialogFilter = "Fichiers Csv (*.csv)|*.csv";
inline constexpr const char* kCsvImportProgressLabel = "Importation des fichiers Csv...";
inline constexpr const char* kCsvImportRemarksTitle = "Import Csv";

// What one run of the command did, for tests.
struct CsvImportRun {
    bool Started = false;  // a window was created
    std::vector<std::string> Files;
    int FilesDone = 0;
    std::string Failure;  // the message of the failure that ended the import ("" none)
};

// TFChild.ImportCsv: reads one CSV file into the window's tree.
void ImportCsvIntoWindow(OracleImportWindow& window, const std::string& fileName, CsvReport& report);

// TFMain.ImporterCsv1Click.
CsvImportRun ImporterCsv1Click(OracleImportHost& host);
