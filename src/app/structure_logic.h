// The rules of two tools on the raw block tree of a collection, without
// widgets: the structure browser (every block as a tree node, its type and
// values, a value changed, a block renamed) and the field multiplier (a linear
// change of one float column in every borehole).
#pragma once

#include <string>
#include <vector>

class TBlock;
class TDirBlock;

inline constexpr const char* kStructureCaption = "Structure";
inline constexpr const char* kMultiplyCaption = "Multiplier un champ";
inline constexpr const char* kMultiplyDoneTitle = "Multiplication";
inline constexpr const char* kMultiplyDoneText = "Effectu\xC3\xA9";
// A change whose results would not all be numbers is refused as a whole.
inline constexpr const char* kMultiplyOutOfRange =
    "Le calcul donne des valeurs hors limites : aucune valeur n'a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9" "e.";

// "Répertoire" (1), "Chaine de caractère" (5, 8), "Nombre entier" (9, 10),
// "Nombre à virgule" (11, 12), "Inconnu" (any other).
std::string BlockTypeName(int code);
// carotix.ini [Général] "StructureLectureSeule" (default true).
bool StructureReadOnlySetting();

// How the values list of a selected block is offered.
enum class StructureValuesMode { Disabled, PickOnly, Editable };

struct StructureSelection {
    std::string Path;      // below the root, "\"-joined
    std::string Chemin;    // the root's name + "\" + Path
    std::string TypeName;
    std::vector<std::string> Values;
    StructureValuesMode Mode = StructureValuesMode::Disabled;
    bool ChangeEnabled = false;
};

// A tree node is named by the child index of each block below the root, so
// that two siblings of the same name stay two nodes.
using StructureChain = std::vector<int>;
TBlock* BlockAtChain(const TDirBlock& root, const StructureChain& chain);

class StructureBrowser {
public:
    TDirBlock* Root = nullptr;
    bool ReadOnly = true;
    std::string Path;
    int Index = 0;
    StructureChain Chain;

    // FormShow.
    void Reset();
    // TreeView1Change with a selected node.
    StructureSelection Select(const StructureChain& chain);
    // ComboBox1Click.
    void Choose(int line)
    {
        if (line >= 0) Index = line;
    }
    // BChangeClick: element Index of the selected block from the text (the
    // block store converts it; a missing block is created as text). Answers
    // the element's text as stored. Conversion failures pass on.
    std::string Change(const std::string& text);
    // TreeView1Edited: the selected block takes the name. Refused (false) for
    // the root, an empty name, a name holding "\" and, with a box, a name a
    // sibling already bears.
    bool Rename(const std::string& name);
};

// The multiplier's field list: the paths, relative to a borehole, of every
// float block of any borehole, once each, first met first.
std::vector<std::string> MultiplyFieldList(const TDirBlock& root);
// BEffClick: in every borehole holding the field, each value v becomes
// (v - sub) x mul + add; missing values stay missing. The texts are read as
// numbers ("." or the decimal separator); a text that is not one throws
// EConvertError; results that would not be numbers refuse the whole change.
void MultiplyField(TDirBlock& root, const std::string& path, const std::string& sub, const std::string& mul,
                   const std::string& add);
