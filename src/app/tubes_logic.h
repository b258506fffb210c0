// The tube manager's rules, without widgets. Every row of a borehole's casing
// table names its tube in "NomTube"; a row without one belongs to the single
// tube (setting NomTubeSimple). Tubes whose name begins with EnteteMultitube
// are multi-tubes, drawn one at a time. TubeManager lists the tubes of one
// ouvrage, adds (in the list only, until rows are entered), renames and
// deletes them; its questions and boxes go through the program's prompts.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TDirBlock;

inline constexpr const char* kTubesCaption = "Multitubes";
inline constexpr const char* kTubesListLabel = "Liste des tubes et/ou cr\xC3\xA9pines";
inline constexpr const char* kTubesHeaderHint =
    "Cette ent\xC3\xAAte doit commencer le nom du tube pour qu'il soit consid\xC3\xA9r\xC3\xA9 comme un point multiple";
inline constexpr const char* kTubeAddCaption = "Ajouter un tube";
inline constexpr const char* kTubeAddQuestion = "Nom du tube :";
inline constexpr const char* kTubeExistsTitle = "Nouveau tube";
inline constexpr const char* kTubeExistsText = "Ce nom de tube existe d\xC3\xA9j\xC3\xA0";
inline constexpr const char* kTubeRenameCaption = "Renommer le tube ";
inline constexpr const char* kTubeRenameQuestion = "Nouveau nom :";
inline constexpr const char* kTubeRenameTitle = "Renommer";
inline constexpr const char* kTubeNameUsed = "Ce nom est d\xC3\xA9j\xC3\xA0 utilis\xC3\xA9";
inline constexpr const char* kTubeDeleteTitle = "Supprimer";
inline constexpr const char* kTubeCloseTitle = "Tube simple et multitubes";

class TubeManager {
public:
    // Set by the opener: the collection root, the table's path below it
    // (Indice\table) and the ouvrage. The table is looked up on every use: the
    // spreadsheet may remove it when its last row goes.
    TDirBlock* Root = nullptr;
    std::string TablePath;
    std::string Designation;

    std::vector<std::string> Items;
    int Selected = -1;

    // FormShow's refresh: the tubes of the ouvrage's rows, first met first,
    // NomTubeSimple alone when there is none; the first one selected.
    void Refresh();
    bool IsListed(const std::string& name) const;
    // The name "Ajouter" proposes.
    std::string ProposeName() const;
    // "Ajouter", "Renommer", "Supprimer": each asks and answers whether it
    // changed something.
    bool Add();
    bool Rename();
    bool Delete();
    // "Editer...": `editTable` opens the spreadsheet on the tube's rows; the
    // list is refreshed afterwards, the tube selected again when still listed.
    void Edit(const std::function<void(const std::string& tube)>& editTable);
    // The closing question; false keeps the window open.
    bool CanClose() const;

    // The two help texts ("?" and "Aide").
    static std::string HeaderHelpText();
    static std::string HelpText();

private:
    TDirBlock* Table() const;
    // The ouvrage's rows, in table order.
    std::vector<int> OuvrageRows() const;
    std::string RowTube(const TDirBlock& table, int row) const;
    void SelectName(const std::string& name);
};
