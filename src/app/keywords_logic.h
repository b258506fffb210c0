// The keywords editor's rules, without widgets. A keyword table of a borehole
// (a [Tables] command "MotClés(table)") holds one row per keyword of an
// ouvrage; a keyword is one value per column of the table's field
// definitions, each drawn from its lexicon, a later column's lexicon possibly
// depending on the code chosen in the column before it (section
// "table\path" + that code).
//
// Lines are the texts shown, one per column: a stored code of the column's
// lexicon shows as "[code] label" (the code alone when the label is empty or
// the code itself); the code of a shown text is what stands between the
// leading "[" and the first "]", else the whole text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/field_defs.h"

class TDirBlock;

using KeywordLine = std::vector<std::string>;

inline constexpr const char* kKeywordsCaption = "Mot-cl\xC3\xA9s";
inline constexpr const char* kKeywordsInvalidRow =
    "Impossible d'afficher les mots-cl\xC3\xA9s parce que l'indice de l'ouvrage est invalide.";
inline constexpr const char* kKeywordsPrepareFailed = "Erreur lors de la pr\xC3\xA9paration de la table.";
inline constexpr const char* kKeywordsPrepareTitle = "Mot-cl\xC3\xA9s";
inline constexpr const char* kKeywordsChangedQuestion =
    "La liste de mots-cl\xC3\xA9s a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9" "e. Voulez-vous valider les modifications ?";
inline constexpr const char* kKeywordsChangedTitle = "Mots-cl\xC3\xA9s";
// The available list stops growing here: every combination of long lexicons
// would otherwise fill the memory.
inline constexpr std::size_t kKeywordsMaxAvailable = 20000;

std::string KeywordText(std::string_view code, std::string_view label);
std::string KeywordCode(std::string_view shown);

// One line of "Autres ouvrages avec les mots-clés :".
struct KeywordOuvrage {
    std::string Indice;
    std::string Design;
    friend bool operator==(const KeywordOuvrage&, const KeywordOuvrage&) = default;
};

class KeywordsEditor {
public:
    // MotClesOpen without its window: the definitions of `table` (paths
    // relative to the table) less "Désign", the caption, the table directory
    // (created when missing), then MotClesPrepare.
    void Open(TDirBlock& root, const std::string& indice, const std::string& design, const std::string& table);
    // MotClesPrepare: the ouvrage's lines, the snapshot, the available list.
    // False when there is no table.
    bool Prepare();

    // "Ajouter": the available lines given, from the last to the first,
    // appended unless an equal line is there.
    void Add(const std::vector<int>& availableLines);
    // "Supprimer".
    void Remove(std::vector<int> lines);
    // A click on a column title: ascending by that column, ignoring case.
    static void SortLines(std::vector<KeywordLine>& lines, int column);
    // The ouvrages of the collection carrying every one of the given lines.
    std::vector<KeywordOuvrage> OuvragesWith(const std::vector<int>& lines) const;

    bool Changed() const { return Lines != Snapshot; }
    // MotClesStore: the ouvrage's rows replaced by the lines, stored as codes.
    void Store();
    // "Annuler": the current list becomes the snapshot.
    void Discard() { Snapshot = Lines; }
    // After the window: with dropIfEmpty, a table left without column goes.
    void DropIfEmpty();

    TStructTable Defs;
    std::string Indice;
    std::string Design;  // only when the table has a "Désign" definition
    bool HasDesign = false;
    std::string Table;
    std::string Caption;
    TDirBlock* Root = nullptr;
    TDirBlock* TableDir = nullptr;
    std::vector<KeywordLine> Lines;      // ListView_MotsCles
    std::vector<KeywordLine> Snapshot;
    std::vector<KeywordLine> Available;  // ListView_Dispo

private:
    void LoadDispo(std::size_t k, KeywordLine& prefix);
    std::string ShownText(std::size_t column, const std::string& stored, const KeywordLine& before) const;
};
