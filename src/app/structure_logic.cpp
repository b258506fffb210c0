#include "app/structure_logic.h"

#include <cmath>
#include <stdexcept>

#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/numbers.h"
#include "store/options.h"

std::string BlockTypeName(int code)
{
    switch (code) {
    case 1: return "R\xC3\xA9pertoire";
    case 5:
    case 8: return "Chaine de caract\xC3\xA8re";
    case 9:
    case 10: return "Nombre entier";
    case 11:
    case 12: return "Nombre \xC3\xA0 virgule";
    default: return "Inconnu";
    }
}

bool StructureReadOnlySetting()
{
    return IniCarotix ? IniCarotix->ReadBool("G\xC3\xA9n\xC3\xA9ral", "StructureLectureSeule", true) : true;
}

TBlock* BlockAtChain(const TDirBlock& root, const StructureChain& chain)
{
    const TDirBlock* dir = &root;
    TBlock* block = const_cast<TDirBlock*>(&root);
    for (const int index : chain) {
        if (!dir) return nullptr;
        block = dir->Child(index);
        if (!block) return nullptr;
        dir = block->IsDir() ? static_cast<const TDirBlock*>(block) : nullptr;
    }
    return block;
}

void StructureBrowser::Reset()
{
    Path.clear();
    Index = 0;
    Chain.clear();
}

StructureSelection StructureBrowser::Select(const StructureChain& chain)
{
    StructureSelection s;
    Chain = chain;
    Index = 0;
    Path.clear();
    if (!Root) return s;
    const TDirBlock* dir = Root;
    for (std::size_t k = 0; k < chain.size() && dir; ++k) {
        const TBlock* b = dir->Child(chain[k]);
        if (!b) break;
        if (k > 0) Path += "\\";
        Path += b->Name;
        dir = b->IsDir() ? static_cast<const TDirBlock*>(b) : nullptr;
    }
    s.Path = Path;
    s.Chemin = Root->Name + "\\" + Path;
    const TBlock* block = BlockAtChain(*Root, chain);
    if (!block || !block->IsValue()) {
        s.TypeName = BlockTypeName(1);
        return s;
    }
    s.TypeName = BlockTypeName(block->BlockType());
    for (int k = 0; k < block->Count(); ++k) s.Values.push_back(block->GetString(k));
    if (block->Name == "D\xC3\xA9sign" && ReadOnly) {
        s.Mode = StructureValuesMode::PickOnly;
    } else {
        s.Mode = StructureValuesMode::Editable;
        s.ChangeEnabled = true;
    }
    return s;
}

std::string StructureBrowser::Change(const std::string& text)
{
    if (!Root) return text;
    TBlock* block = BlockAtChain(*Root, Chain);
    if (!block || !block->IsValue() || Chain.empty()) {
        // Nothing selected there any more: made as text at the path.
        Root->ForceBlock(Path, btString, "");
        TBlock* made = Root->FindBlock(Path);
        if (made) made->SetString(Index, text);
        return made ? made->GetString(Index) : text;
    }
    // Through the holding directory, which promotes a single value when need
    // be (the block may be replaced on the way).
    TDirBlock* parent = block->Parent();
    const int c = Chain.back();
    parent->SetTextAt(c, Index, text);
    return parent->Child(c)->GetString(Index);
}

bool StructureBrowser::Rename(const std::string& name)
{
    if (!Root || Chain.empty() || name.empty() || name.find('\\') != std::string::npos) return false;
    TBlock* block = BlockAtChain(*Root, Chain);
    if (!block || !block->Parent()) return false;
    if (!block->Parent()->RenameChild(Chain.back(), name, false)) {
        ShowBox("Renommer", "Ce nom est d\xC3\xA9j\xC3\xA0 utilis\xC3\xA9");
        return false;
    }
    return true;
}

std::vector<std::string> MultiplyFieldList(const TDirBlock& root)
{
    std::vector<std::string> list;
    CollectBlockPaths(root, list, {btFloat, btFloatArray});
    return list;
}

void MultiplyField(TDirBlock& root, const std::string& path, const std::string& sub, const std::string& mul,
                   const std::string& add)
{
    const double s = StrToFloatDot(TrimBlanks(sub));
    const double m = StrToFloatDot(TrimBlanks(mul));
    const double a = StrToFloatDot(TrimBlanks(add));
    bool finite = std::isfinite(s) && std::isfinite(m) && std::isfinite(a);
    for (int i = 0; finite && i < root.ItemCount(); ++i) {
        const TDirBlock* borehole = root.ChildDir(i);
        const TBlock* block = borehole ? borehole->FindBlock(path) : nullptr;
        if (!block || (block->BlockType() != btFloat && block->BlockType() != btFloatArray)) continue;
        for (int k = 0; finite && k < block->Count(); ++k) {
            const double v = block->GetFloat(k);
            if (std::isfinite(v)) finite = std::isfinite((v - s) * m + a);
        }
    }
    if (!finite) throw std::runtime_error(kMultiplyOutOfRange);
    RescaleFloatBlocks(root, path, a, m, s);
}
