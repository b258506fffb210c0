#include "app/tubes_logic.h"

#include <algorithm>

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"

namespace {

const std::string kDesign = "D\xC3\xA9sign";
const std::string kNomTube = "NomTube";

}  // namespace

TDirBlock* TubeManager::Table() const { return Root ? Root->FindDir(TablePath) : nullptr; }

std::vector<int> TubeManager::OuvrageRows() const
{
    std::vector<int> rows;
    const TDirBlock* table = Table();
    if (!table) return rows;
    const int n = table->RowCount();
    for (int r = 0; r < n; ++r)
        if (table->GetPathString(kDesign, r) == Designation) rows.push_back(r);
    return rows;
}

std::string TubeManager::RowTube(const TDirBlock& table, int row) const
{
    std::string tube = table.GetPathString(kNomTube, row);
    return tube.empty() ? OptNomTubeSimple : tube;
}

bool TubeManager::IsListed(const std::string& name) const
{
    return std::find(Items.begin(), Items.end(), name) != Items.end();
}

void TubeManager::SelectName(const std::string& name)
{
    const auto it = std::find(Items.begin(), Items.end(), name);
    Selected = it == Items.end() ? (Items.empty() ? -1 : 0) : static_cast<int>(it - Items.begin());
}

void TubeManager::Refresh()
{
    Items.clear();
    if (const TDirBlock* table = Table())
        for (const int r : OuvrageRows()) {
            const std::string tube = RowTube(*table, r);
            if (!IsListed(tube)) Items.push_back(tube);
        }
    if (Items.empty()) Items.push_back(OptNomTubeSimple);
    Selected = 0;
}

std::string TubeManager::ProposeName() const
{
    std::string prefix = OptEnteteMultitube;
    int counter = 1;
    if (prefix.empty()) {
        prefix = "TUBE";
        counter = static_cast<int>(Items.size()) + 1;
    }
    while (IsListed(prefix + IntToStr(counter))) ++counter;
    return prefix + IntToStr(counter);
}

bool TubeManager::Add()
{
    std::string text = ProposeName();
    for (;;) {
        if (!AskQuestion(kTubeAddCaption, kTubeAddQuestion, text)) return false;
        // An empty name is the single tube's, as the table reads it.
        std::string name = UpperCase(TrimBlanks(text));
        if (name.empty()) name = OptNomTubeSimple;
        if (!IsListed(name)) {
            Items.push_back(name);
            Selected = static_cast<int>(Items.size()) - 1;
            return true;
        }
        ShowBox(kTubeExistsTitle, kTubeExistsText);
    }
}

bool TubeManager::Rename()
{
    if (Selected < 0 || Selected >= static_cast<int>(Items.size())) return false;
    const std::string old = Items[static_cast<std::size_t>(Selected)];
    std::string text = UpperCase(old);
    if (!AskQuestion(kTubeRenameCaption + old, kTubeRenameQuestion, text)) return false;
    std::string name = TrimBlanks(UpperCase(text));
    if (name.empty()) name = OptNomTubeSimple;
    if (name == old) return false;
    if (IsListed(name)) {
        ShowBox(kTubeRenameTitle, kTubeNameUsed);
        return false;
    }
    Items[static_cast<std::size_t>(Selected)] = name;
    if (TDirBlock* table = Table()) {
        const std::vector<int> rows = OuvrageRows();
        for (auto r = rows.rbegin(); r != rows.rend(); ++r)
            if (RowTube(*table, *r) == old) table->SetPathString(kNomTube, *r, btString, name);
    }
    return true;
}

bool TubeManager::Delete()
{
    if (Selected < 0 || Selected >= static_cast<int>(Items.size())) return false;
    const std::string name = Items[static_cast<std::size_t>(Selected)];
    if (AskYesNo(kTubeDeleteTitle, "Etes-vous s\xC3\xBBr de vouloir supprimer\nle tube " + name + " ?") != MsgResult::Yes)
        return false;
    if (TDirBlock* table = Table()) {
        const std::vector<int> rows = OuvrageRows();
        for (auto r = rows.rbegin(); r != rows.rend(); ++r)
            if (RowTube(*table, *r) == name) table->DeleteRow(*r);
    }
    Items.erase(Items.begin() + Selected);
    if (Selected >= static_cast<int>(Items.size())) Selected = static_cast<int>(Items.size()) - 1;
    return true;
}

void TubeManager::Edit(const std::function<void(const std::string& tube)>& editTable)
{
    if (Selected < 0 || Selected >= static_cast<int>(Items.size())) return;
    const std::string tube = Items[static_cast<std::size_t>(Selected)];
    editTable(tube);
    Refresh();
    SelectName(tube);
}

bool TubeManager::CanClose() const
{
    int count = 0;
    bool other = false;
    for (const std::string& name : Items) {
        if (IsMultiTubeName(name, OptEnteteMultitube)) ++count;
        else other = true;
    }
    if (other) ++count;
    if (count != 1 || Items.front() == OptNomTubeSimple) return true;
    const std::string text = "Quand il n'y a qu'un seul tube, on l'appelle " + OptNomTubeSimple + ".\n" +
                             "Quand il y en a plusieurs, on les appelle " + OptEnteteMultitube + "...\n" +
                             "Voulez-vous quand m\xC3\xAAme continuer ?";
    return AskYesNo(kTubeCloseTitle, text) == MsgResult::Yes;
}

std::string TubeManager::HeaderHelpText()
{
    const std::string& e = OptEnteteMultitube;
    return "L'ent\xC3\xAAte multitube est un texte qui commence le nom d'un tube\n"
           "pour indiquer qu'il s'agit d'un point multiple. Par exemple,\n"
           "il peut y avoir un tube appel\xC3\xA9 PRINCIPAL et deux autres appel\xC3\xA9s\n" +
           e + "1 et " + e + "2.\n\n" + "Cette ent\xC3\xAAte est d\xC3\xA9" "finie dans le fichier \"carotix.ini\".";
}

std::string TubeManager::HelpText()
{
    const std::string& e = OptEnteteMultitube;
    return "Il peut y avoir plusieurs tube dans un forage. Le principe des multi-tubes\n"
           "est de pouvoir d\xC3\xA9" "finir des tubages principaux et des multi-tubes. Un seul multi-tube\n"
           "est dessin\xC3\xA9 \xC3\xA0 la fois sur la coupe, tandis que les tubes principaux sont toujours dessin\xC3\xA9s.\n"
           "Pour distinguer les multi-tubes, leur nom de tube doit commencer par l'ent\xC3\xAAte multi-tube,\n"
           "par exemple " +
           e + "1 et " + e + "2.\n\n" +
           "Quand la coupe est affich\xC3\xA9" "e, on peut choisir quel tube on veut afficher gr\xC3\xA2" "ce en utilisant\n" +
           "la boite d\xC3\xA9roulante dans la barre d'outils.";
}
