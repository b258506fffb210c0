// What the program brings in from the database: the download of one ouvrage
// into its collection, a lexicon into edition.ini and the stratigraphic
// scale into strati.ini. All run on the one connection of the database
// window, and sql.ini alone decides what the download fetches.
#pragma once

#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/ui_services.h"

class TDirBlock;

inline constexpr const char* kAutoDesignCaption = "Designation dans la table Ouvrage";
inline constexpr const char* kOuvrageExistsTitle = "Ouvrage d\xC3\xA9j\xC3\xA0 existant";
inline constexpr const char* kOuvrageExistsText =
    "Ce nom d'ouvrage est d\xC3\xA9j\xC3\xA0 utilis\xC3\xA9 dans la collection, voulez-vous remplacer les donn\xC3\xA9" "es ?";
inline constexpr const char* kImportTitle = "Importation";

// The sheets, then the tables, in the order the download fills them.
inline constexpr const char* kDownloadSheets[] = {"Dossier", "Ouvrage"};
inline constexpr const char* kDownloadTables[] = {"Doc", "Exec", "Niveau", "Trou-nu", "Tubage", "Annulaire", "Pompage"};

// Connects when the connection is not open yet; the engine's failure passes on.
void EnsureConnected(TDatabase& database);

// The collection window as the download sees it.
class DownloadHost {
public:
    virtual ~DownloadHost() = default;
    virtual TDirBlock& Root() = 0;
    // Whether the collection lists the ouvrage.
    virtual bool HasOuvrage(const std::string& indice, const std::string& design) = 0;
    virtual void RefreshList() = 0;
    // Refills the views with the ouvrage's row selected.
    virtual void FillView(const std::string& indice, const std::string& design) = 0;
    virtual void RedrawLog() = 0;
    // The designation dialog: `lines` are "Indice designation"; answers Yes
    // (with the chosen line in `chosen`), No or Cancel.
    virtual MsgResult ChooseDesignation(const std::string& current, const std::vector<std::string>& lines,
                                        int& chosen) = 0;
    // The record sheet and the spreadsheet in their from-database mode. By
    // default the tree is filled here with the editors' own rules
    // (FillSheetFromDatabase, FillTableFromDatabase); a host may hand the work
    // to the editors themselves.
    virtual void SheetFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                                   const std::string& table);
    virtual void TableFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                                   const std::string& table);
};

// "« B12 / F »", or "« B12 »" without designation: an ouvrage in a message.
std::string OuvrageName(const std::string& indice, const std::string& design);
// What the download tells when no sheet or table read a record.
std::string NothingToDownloadText(const std::string& indice, const std::string& design);

// "Télécharger de la base de données" for the ouvrage (indice, design): the
// designation check (with its dialog), then the sheets and tables. The
// connection must be open. The busy cursor shows meanwhile; the views are
// refilled and the log redrawn at the end, also after a failure, which then
// passes on. When no sheet or table read a single record of the ouvrage (when
// sql.ini restricts some sections to the designation, only their records
// count: a dossier read by the Indice alone does not), the borehole is put
// back as it was (a renaming too) and NothingToDownloadText is shown in a box
// titled kNoInformationTitle. Answers false when the user cancelled.
bool DownloadOuvrage(DownloadHost& host, TDatabase& database, const std::string& indice, const std::string& design);

// The record sheet's fill: the first record of the table's first sql.ini
// section goes into the ouvrage's row (appended when the ouvrage has none),
// then the sheet is stored. Messages when sql.ini says nothing usable.
void FillSheetFromDatabase(TDatabase& database, TDirBlock& root, const std::string& indice,
                           const std::string& design, const std::string& table);
// The spreadsheet's fill: the ouvrage's rows of the table take the records of
// every sql.ini section of the table in turn; mapped cells of rows beyond the
// records are emptied, empty rows dropped, rows sorted by depth, and a table
// left without column is removed.
void FillTableFromDatabase(TDatabase& database, TDirBlock& root, const std::string& indice,
                           const std::string& design, const std::string& table);

// The ouvrage operations the download needs (same rules as the collection
// window's): the ouvrage's rows removed from every table that has "Désign"
// (the borehole goes when none is left), and its rows renamed.
void DeleteOuvrage(TDirBlock& root, const std::string& indice, const std::string& design);
void RenameOuvrageDesign(TDirBlock& root, const std::string& indice, const std::string& newDesign,
                         const std::string& oldDesign);

// The progress window as the imports use it.
class ImportProgress {
public:
    virtual ~ImportProgress() = default;
    virtual void Start(const std::string& caption, int minimum, int maximum) = 0;
    virtual void Step(int position) = 0;
    virtual void Finish() = 0;
};

// "Importer un lexique" and "Importer stratigraphie": questions, query,
// writing, final box. Answer false when they stopped early (cancelled, no
// record). Engine failures pass on.
bool ImportLexicon(TDatabase& database, ImportProgress& progress);
bool ImportStratigraphy(TDatabase& database, ImportProgress& progress);
