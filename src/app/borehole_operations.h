// New, rename, delete, cut, copy and paste of ouvrages, without any widget.
//
// An ouvrage is an (Indice, Désign) pair: the borehole directory named Indice
// and, in each of its tables that has a "Désign" column, the rows whose
// "Désign" is that designation; a table without that column belongs to the
// whole Indice. Copies travel between collections through the main window's
// clipboard tree (a directory named "Carotix" laid out like a collection),
// never through the system clipboard.
//
// The tree operations (RenameDesign, DeleteBorehole, CopyBorehole) work on any
// tree. The commands (NewBorehole ... Paste) work on a collection window seen
// through BoreholeHost and ask the user through the program's prompts
// (platform/ui_services.h), so that every flow runs headless in tests.
#pragma once

#include <string>
#include <vector>

#include "app/collection_rows.h"

class TDirBlock;

// Captions of the name prompt.
inline constexpr const char* kNewBoreholeCaption = "Nouvel ouvrage";
inline constexpr const char* kRenameBoreholeCaption = "Renommer l'ouvrage";
inline constexpr const char* kCopyAsCaption = "Copier sous...";
// The designation of a new ouvrage named without one.
inline constexpr const char* kDefaultDesign = "F";

// What CopyBorehole did.
enum CopyResult : int {
    kCopySourceMissing = 0,  // no borehole of that Indice in the source
    kCopyRefused = 1,        // the user kept the ouvrage already in the destination
    kCopyDone = 2,
};

// The names of a new ouvrage as read back from the prompt: upper-cased (ASCII
// letters) and trimmed of blanks; an empty designation becomes "F".
std::string NormaliseNewIndice(const std::string& typed);
std::string NormaliseNewDesign(const std::string& typed);

// "Indice 'X' non trouvé" (an apostrophe inside the name doubled).
std::string IndiceNotFoundMessage(const std::string& indice);

// Every row of the borehole `indice` whose "Désign", upper-cased, equals
// `oldDesign` upper-cased gets "Désign" := `newDesign`, in each table that has
// a "Désign" column; other tables are untouched. Raises "Indice '...' non
// trouvé" when the tree has no such borehole.
void RenameDesign(TDirBlock& tree, const std::string& indice, const std::string& newDesign,
                  const std::string& oldDesign);

// Deletes the rows whose "Désign" equals `design` exactly from every table of
// the borehole that has that column; a table left without columns goes, and
// when no such table keeps a column the whole borehole directory goes, tables
// without "Désign" included. Raises "Indice '...' non trouvé".
void DeleteBorehole(TDirBlock& tree, const std::string& indice, const std::string& design);
// DeleteBorehole of each ouvrage in turn, in a time that grows with the tree
// and not with its square. A failing look-up raises after the ouvrages before
// it are deleted.
void DeleteBoreholes(TDirBlock& tree, const std::vector<CollectionRow>& ouvrages);

// Copies the ouvrage from `source` into `destination`: the rows of `design`
// appended to the tables of the same name, the tables without "Désign" cloned
// over the destination's. When the destination already holds a row of that
// designation (a table without "Désign" counting as rows of the empty one),
// asks "L'ouvrage ... existe déjà. Voulez-vous le remplacer ?"; Yes deletes it
// first, No copies nothing.
int CopyBorehole(const std::string& indice, const std::string& design, TDirBlock& destination,
                 const TDirBlock& source);

// The collection window as the commands see it.
class BoreholeHost {
public:
    virtual ~BoreholeHost() = default;
    virtual TDirBlock& Root() = 0;
    // The listed rows, in display order.
    virtual const std::vector<CollectionRow>& Rows() const = 0;
    // The focused row (-1 none) and the selected rows, in selection order.
    virtual int SelectedRow() const = 0;
    virtual std::vector<int> GetSelectedRows() const = 0;
    // The row list built again from the tree and shown.
    virtual void RefreshList() = 0;
    // A new ouvrage: a row and one "Ouvrage" row, unless it is listed already.
    virtual void AddBorehole(const std::string& indice, const std::string& design) = 0;
    // The row's Désign changed in the tree: the row follows and is shown again.
    virtual void SetRowDesign(int row, const std::string& design) = 0;
    virtual void SelectRow(const std::string& indice, const std::string& design) = 0;
    virtual bool FilterEmpty() const = 0;
    // As "Filtrer les ouvrages vides" does (keeps the selection).
    virtual void SetFilterEmpty(bool on) = 0;
    // The log window shows no collection any more, and is redrawn.
    virtual void ClearLog() = 0;
};

// "Nouvel ouvrage...".
void NewBorehole(BoreholeHost& host);
// "Renommer..." on the focused row.
void RenameBorehole(BoreholeHost& host);
// "Supprimer les ouvrages": asks, then deletes every selected ouvrage.
void DeleteSelection(BoreholeHost& host);
// "Copier les ouvrages": the clipboard holds the selected ouvrages only.
void CopySelection(BoreholeHost& host, TDirBlock& clipboard);
// "Couper les ouvrages": copy, then delete (with its question).
void CutSelection(BoreholeHost& host, TDirBlock& clipboard);
// "Coller dans la collection courante".
void Paste(BoreholeHost& host, const TDirBlock& clipboard);
