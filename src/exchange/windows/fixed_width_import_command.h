// File > "Importer fichiers &Ora...": imports fixed-width data files (.ora)
// into a new collection window through the current filter file.
//
// The command follows the importers' common road: the help box shows the
// topic "OpenOra"; a multi-file open dialog starts in carotix.ini [Oracle]
// "Répertoire", which takes the chosen folder at once; a new collection window
// is created and shown; each file is read into its tree in the dialog's order
// under the progress window; at the end, whatever happened, the window
// rebuilds its list and takes its snapshot, so that the freshly imported
// collection counts as saved. The importer's failures and remarks are shown
// once the window is complete.
//
// The main window and the collection window are reached through the two small
// interfaces below, so that the command runs headless in tests.
#pragma once

#include <string>
#include <vector>

#include "exchange/fixed_width_import.h"
#include "platform/ui_services.h"

class TDirBlock;

// The new collection window, as the import sees it.
class OracleImportWindow {
public:
    virtual ~OracleImportWindow() = default;
    // The collection's tree, which the files are read into.
    virtual TDirBlock& ImportRoot() = 0;
    // The window's caption (the collection keeps no file name).
    virtual void SetImportCaption(const std::string& caption) = 0;
    virtual void RefreshList() = 0;
    virtual void TakeSnapshot() = 0;
};

// What the command needs of the main window and the shared windows. The help
// and progress members have defaults that drive FHelp and FProgress.
class OracleImportHost {
public:
    virtual ~OracleImportHost() = default;
    // Creates a collection window captioned `caption`, sized and shown as a new
    // collection is (maximised when it is the only one). Never null.
    virtual OracleImportWindow* NewImportWindow(const std::string& caption) = 0;

    virtual void ShowHelpTopic(const std::string& topic);
    // The help box follows the mouse again.
    virtual void HelpFollowAgain();
    // The progress window: shown with a label and a bar from 0 to `maximum`,
    // moved, and hidden.
    virtual void ProgressStart(const std::string& label, int maximum);
    virtual void ProgressStep(int position);
    virtual void ProgressEnd();
};

// The texts of the command.
inline constexpr const char* kOracleImportNoFilterTitle = "Filtres";
inline constexpr const char* kOracleImportNoFilterMessage =
    "Il faut d'abord choisir un fichier de filtres.\nPour cela, allez dans Configuration, Filtre d'import/export Ora.";
inline constexpr const char* kOracleImportHelpTopic = "OpenOra";
inline constexpr const char* kOracleImportDialogTitle = "Importer fichiers Oracle";
inline constexpr const char* kOracleImportDialogFilter = "Exports Oracle (*.ora)|*.ora";
inline constexpr const char* kOracleImportProgressLabel = "Importation des fichiers Oracle...";
inline constexpr const char* kOracleImportMenuCaption = "Importer fichiers &Ora...";
inline constexpr const char* kOracleImportMenuHint = "Importer des fichiers Oracle dans une nouvelle collection";
// The title of the box that lists the importer's remarks at the end.
inline constexpr const char* kOracleImportRemarksTitle = "Import Oracle";

// TFChild.ImportOracle: reads one data file into the window's tree through the
// current filter file (OracleFilterName), then captions the window with the
// file's folder. Failures of the importer pass to the caller; the report is
// filled up to them.
void ImportOracleIntoWindow(OracleImportWindow& window, const std::string& fileName, OracleImportReport& report);

// What one run of the command did, for tests.
struct OracleImportRun {
    bool Started = false;          // a window was created
    std::vector<std::string> Files;
    int FilesDone = 0;             // files read to their end
    std::vector<OracleImportReport> Reports;
    std::string Failure;           // the message of the failure that ended the import ("" none)
};

// TFMain.ImporterOracle1Click.
OracleImportRun ImporterOracle1Click(OracleImportHost& host);

// The folder part of a path ("" for a bare name), without a trailing "/".
std::string OracleImportFolderOf(const std::string& path);

// The importers' common road, shared by every import command:
// the multi-file open dialog (request: its title, filter and extension),
// shown with the importer's help topic and starting in the folder carotix.ini
// keeps under [section] key. The help box follows the mouse again once the
// dialog closes, or, with keepHelp, only when no file was chosen (the import
// then lets it go at its end).
std::vector<std::string> AskImportFiles(OracleImportHost& host, const std::string& topic, FileDialogRequest request,
                                        const char* section, const char* key, bool keepHelp = false);
// The end of an import, whatever happened: the boreholes read so far are
// listed and the new collection counts as saved. Answers the message of a
// failure to list them ("" for none).
std::string ListImportedCollection(OracleImportWindow& window);
// The message of a failure that stopped an import at files[failed]: the
// failure, then the names of the files after it, which were not read.
std::string WithFilesNotImported(const std::string& failure, const std::vector<std::string>& files,
                                 std::size_t failed);
