#include "app/borehole_operations.h"

#include <functional>
#include <stdexcept>
#include <unordered_set>

#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/tables.h"

namespace {

const char* const kDesign = "Désign";

const char* const kNoIndice = "Il n'y a pas d'indice.";
const char* const kNoDesign = "Il n'y a pas de désignation";
const char* const kNameUsed = "Ce nom d'ouvrage est déjà utilisé";
const char* const kNameUnchanged = "Vous n'avez pas changé le nom.";
const char* const kBackslashRefused = "Le caractère \"\\\" n'est pas autorisé dans l'indice";

// The "Désign" column of a table, null when it has none.
const TBlock* DesignColumn(const TDirBlock& table)
{
    const TBlock* column = table.FindBlock(kDesign);
    return column && !column->IsDir() ? column : nullptr;
}

int ValueColumnCount(const TDirBlock& table)
{
    int n = 0;
    for (const auto& child : table.Items()) n += child->IsValue() ? 1 : 0;
    return n;
}

TDirBlock& BoreholeOf(TDirBlock& tree, const std::string& indice)
{
    TDirBlock* hole = tree.ChildDir(tree.IndexOfDir(indice));
    if (!hole) throw std::runtime_error(IndiceNotFoundMessage(indice));
    return *hole;
}

// The destination already holds a row of the designation; a table without
// "Désign" counts as rows of the empty designation.
bool HoldsDesign(const TDirBlock& hole, const std::string& design)
{
    for (const auto& child : hole.Items()) {
        if (!child->IsDir()) continue;
        const auto& table = static_cast<const TDirBlock&>(*child);
        const TBlock* column = DesignColumn(table);
        const int rows = table.RowCount();
        for (int r = 0; r < rows; ++r)
            if ((column ? column->GetString(r) : std::string()) == design) return true;
    }
    return false;
}

// Replaces the destination's child of the table's name by a copy of the table.
// An existing directory keeps its place among the borehole's children.
void ReplaceTable(TDirBlock& hole, const TDirBlock& table)
{
    const int at = hole.IndexOfName(table.Name);
    if (TDirBlock* existing = at >= 0 ? hole.ChildDir(at) : nullptr) {
        existing->Clear();
        for (const auto& column : table.Items()) existing->AddChild(column->Clone(), true);
        return;
    }
    if (at >= 0) hole.DeleteChild(at);
    hole.AddChild(table.CloneDir(), true);
}

// The name prompt's answer, upper-cased as the prompt itself does it.
struct TypedName {
    std::string indice;
    std::string design;
};

// Checks shared by the rename and the copy under another name: the message to
// show, or nullptr when the name may be used. A "\" in an Indice would split
// the borehole's paths (Indice\Table\Column) and make it unreachable, so it is
// refused here as it is for a new ouvrage.
const char* RefusedName(const TypedName& name, const std::vector<CollectionRow>& rows, std::string& title)
{
    title = "Erreur";
    if (name.indice.empty()) return kNoIndice;
    if (name.design.empty()) return kNoDesign;
    if (name.indice.find('\\') != std::string::npos) return kBackslashRefused;
    if (FindRow(rows, name.indice, name.design) >= 0) {
        title = "Renommer";
        return kNameUsed;
    }
    return nullptr;
}

// The typed name is the old one: compared as the prompt's texts are
// normalised (ASCII letters upper-cased), so that an old name the prompt
// proposes back untouched counts as unchanged.
bool SameName(const TypedName& typed, const std::string& indice, const std::string& design)
{
    return typed.indice == UpperCaseAscii(indice) && typed.design == UpperCaseAscii(design);
}

// Runs the name prompt until a usable name is typed or the prompt is given
// up. `unchangedRefused`: typing the old name again is an error (copy under
// another name) rather than the end of the command (rename).
enum class NameAnswer { Cancelled, Unchanged, Accepted };
NameAnswer AskNewName(const char* caption, const std::string& indice, const std::string& design,
                      bool unchangedRefused, const std::function<std::vector<CollectionRow>()>& currentRows,
                      TypedName& name)
{
    NamePrompt prompt{caption, indice, design};
    for (;;) {
        NamePrompt answer;
        if (!Ui().AskName(prompt, answer)) return NameAnswer::Cancelled;
        name = {UpperCaseAscii(answer.indice), UpperCaseAscii(answer.design)};
        prompt.indice = answer.indice;
        prompt.design = answer.design;
        if (SameName(name, indice, design)) {
            if (!unchangedRefused) return NameAnswer::Unchanged;
            ShowErrorBox("Erreur", kNameUnchanged);
            continue;
        }
        std::string title;
        if (const char* refused = RefusedName(name, currentRows(), title)) {
            ShowErrorBox(title, refused);
            continue;
        }
        return NameAnswer::Accepted;
    }
}

// Copies the ouvrage (indice, design) of `source` into `destination` under a
// new name, through a temporary tree.
int CopyUnderName(const std::string& indice, const std::string& design, const TDirBlock& source,
                  const TypedName& name, TDirBlock& destination)
{
    TDirBlock temporary("Carotix");
    CopyBorehole(indice, design, temporary, source);
    RenameDesign(temporary, indice, name.design, design);
    temporary.RenameChild(temporary.IndexOfDir(indice), name.indice, true);
    return CopyBorehole(name.indice, name.design, destination, temporary);
}

// Refreshes the list on every way out, so that what a failing command did
// before its failure shows.
class RefreshOnExit {
public:
    explicit RefreshOnExit(BoreholeHost& host) : host_(host) {}
    ~RefreshOnExit()
    {
        RunGuarded([this] { host_.RefreshList(); });
    }
    RefreshOnExit(const RefreshOnExit&) = delete;
    RefreshOnExit& operator=(const RefreshOnExit&) = delete;

private:
    BoreholeHost& host_;
};

}  // namespace

std::string NormaliseNewIndice(const std::string& typed) { return TrimBlanks(UpperCaseAscii(typed)); }

std::string NormaliseNewDesign(const std::string& typed)
{
    std::string design = TrimBlanks(UpperCaseAscii(typed));
    return design.empty() ? std::string(kDefaultDesign) : design;
}

std::string IndiceNotFoundMessage(const std::string& indice)
{
    std::string quoted = "'";
    for (char c : indice) {
        quoted += c;
        if (c == '\'') quoted += c;
    }
    return "Indice " + quoted + "' non trouvé";
}

void RenameDesign(TDirBlock& tree, const std::string& indice, const std::string& newDesign,
                  const std::string& oldDesign)
{
    TDirBlock& hole = BoreholeOf(tree, indice);
    const std::string old = UpperCase(oldDesign);
    for (int t = 0; t < hole.ItemCount(); ++t) {
        TDirBlock* table = hole.ChildDir(t);
        if (!table || !DesignColumn(*table)) continue;
        const int count = DesignColumn(*table)->Count();
        for (int i = 0; i < count; ++i)
            // A store may replace the column (a single value becomes an
            // array): it is looked up again for every row.
            if (UpperCase(DesignColumn(*table)->GetString(i)) == old)
                table->SetPathString(kDesign, i, btString, newDesign);
    }
}

namespace {

// Deletes the ouvrage's rows from the borehole's tables; answers whether the
// borehole is left without any table that has a "Désign" column, and so is
// to go as a whole.
bool DeleteOuvrageRows(TDirBlock& hole, const std::string& design)
{
    bool used = false;
    for (int t = hole.ItemCount() - 1; t >= 0; --t) {
        TDirBlock* table = hole.ChildDir(t);
        if (!table || !DesignColumn(*table)) continue;
        for (int r = table->RowCount() - 1; r >= 0; --r) {
            // Deleting a row may destroy the column: looked up every time.
            const TBlock* column = DesignColumn(*table);
            if ((column ? column->GetString(r) : std::string()) == design) table->DeleteRow(r);
        }
        if (ValueColumnCount(*table) == 0) hole.DeleteChild(t);
        else used = true;
    }
    return !used;
}

}  // namespace

void DeleteBorehole(TDirBlock& tree, const std::string& indice, const std::string& design)
{
    TDirBlock& hole = BoreholeOf(tree, indice);
    if (DeleteOuvrageRows(hole, design)) tree.DeleteChild(tree.IndexOf(&hole));
}

void DeleteBoreholes(TDirBlock& tree, const std::vector<CollectionRow>& ouvrages)
{
    // The emptied boreholes stay in the tree until the end, passed over by
    // the look-ups of the following ouvrages as if they were gone, and then
    // leave together, even when a look-up fails half-way.
    std::unordered_set<const TBlock*> emptied;
    struct RemoveEmptied {
        TDirBlock& tree;
        std::unordered_set<const TBlock*>& emptied;
        ~RemoveEmptied()
        {
            if (!emptied.empty()) tree.DeleteChildrenIf([this](const TBlock& b) { return emptied.count(&b) > 0; });
        }
    } removeAtEnd{tree, emptied};
    for (const CollectionRow& row : ouvrages) {
        int k = tree.IndexOfDir(row.Indice);
        // Another borehole of the same name may follow an emptied one.
        while (k >= 0 && emptied.count(tree.Child(k))) {
            const int from = k + 1;
            k = -1;
            for (int j = from; j < tree.ItemCount(); ++j)
                if (tree.Child(j)->IsDir() && tree.Child(j)->Name == row.Indice) {
                    k = j;
                    break;
                }
        }
        if (k < 0) throw std::runtime_error(IndiceNotFoundMessage(row.Indice));
        TDirBlock& hole = *tree.ChildDir(k);
        if (DeleteOuvrageRows(hole, row.Design)) emptied.insert(&hole);
    }
}

int CopyBorehole(const std::string& indice, const std::string& design, TDirBlock& destination,
                 const TDirBlock& source)
{
    const TDirBlock* from = source.ChildDir(source.IndexOfDir(indice));
    if (!from) return kCopySourceMissing;
    TDirBlock* to = destination.GetOrCreateSubDir(indice, false);
    if (HoldsDesign(*to, design)) {
        if (AskYesNo("Copie", "L'ouvrage " + indice + " " + design + " existe déjà. Voulez-vous le remplacer ?") !=
            MsgResult::Yes)
            return kCopyRefused;
        DeleteBorehole(destination, indice, design);
        to = destination.GetOrCreateSubDir(indice, false);
    }
    for (const auto& child : from->Items()) {
        if (!child->IsDir()) continue;
        const auto& table = static_cast<const TDirBlock&>(*child);
        const TBlock* column = DesignColumn(table);
        if (!column) {
            ReplaceTable(*to, table);
            continue;
        }
        TDirBlock* target = nullptr;
        const int rows = table.RowCount();
        for (int r = 0; r < rows; ++r) {
            if (column->GetString(r) != design) continue;
            if (!target) target = to->GetOrCreateSubDir(table.Name, false);
            target->AppendRowFrom(table, r);
        }
    }
    return kCopyDone;
}

// ---- commands ----------------------------------------------------------------

void NewBorehole(BoreholeHost& host)
{
    NamePrompt prompt{kNewBoreholeCaption, "", ""};
    for (;;) {
        NamePrompt answer;
        if (!Ui().AskName(prompt, answer)) return;
        const std::string indice = NormaliseNewIndice(answer.indice);
        const std::string design = NormaliseNewDesign(answer.design);
        if (indice.empty()) {
            ShowErrorBox("Erreur", kNoIndice);
            return;
        }
        if (indice.find('\\') != std::string::npos) {
            ShowErrorBox("Erreur", kBackslashRefused);
            prompt.indice = answer.indice;
            prompt.design = answer.design;
            continue;
        }
        if (host.FilterEmpty()) host.SetFilterEmpty(false);
        host.AddBorehole(indice, design);
        host.SelectRow(indice, design);
        return;
    }
}

void RenameBorehole(BoreholeHost& host)
{
    const int row = host.SelectedRow();
    if (row < 0 || row >= static_cast<int>(host.Rows().size())) return;
    const CollectionRow old = host.Rows()[static_cast<std::size_t>(row)];
    TypedName name;
    const NameAnswer answer = AskNewName(kRenameBoreholeCaption, old.Indice, old.Design, false,
                                         [&host] { return host.Rows(); }, name);
    if (answer != NameAnswer::Accepted) return;

    TDirBlock& root = host.Root();
    if (name.indice != UpperCaseAscii(old.Indice)) {
        // Another borehole: the ouvrage is copied under its new name first and
        // deleted from its old borehole only once the copy is in, so that a
        // refused or failed copy leaves it where it was.
        RefreshOnExit refresh(host);
        if (CopyUnderName(old.Indice, old.Design, root, name, root) == kCopyDone)
            DeleteBorehole(root, old.Indice, old.Design);
    } else {
        RenameDesign(root, old.Indice, name.design, old.Design);
        // Rows of the same borehole whose designation differs from the old one
        // by letter case only were renamed too: the list is built again.
        bool others = false;
        const std::string upperOld = UpperCase(old.Design);
        for (std::size_t i = 0; i < host.Rows().size(); ++i)
            others = others || (static_cast<int>(i) != row && host.Rows()[i].Indice == old.Indice &&
                                UpperCase(host.Rows()[i].Design) == upperOld);
        if (others) host.RefreshList();
        else host.SetRowDesign(row, name.design);
    }
    host.SelectRow(name.indice, name.design);
}

void DeleteSelection(BoreholeHost& host)
{
    const std::vector<int> selected = host.GetSelectedRows();
    if (selected.empty()) return;
    if (AskYesNo("Suppression", "Tous les ouvrages sélectionnés seront supprimés. Etes-vous sûr ?") != MsgResult::Yes)
        return;
    std::vector<CollectionRow> doomed;
    for (int r : selected)
        if (r >= 0 && r < static_cast<int>(host.Rows().size())) doomed.push_back(host.Rows()[static_cast<std::size_t>(r)]);
    host.ClearLog();
    RefreshOnExit refresh(host);
    DeleteBoreholes(host.Root(), doomed);
}

void CopySelection(BoreholeHost& host, TDirBlock& clipboard)
{
    clipboard.Clear();
    for (int r : host.GetSelectedRows()) {
        if (r < 0 || r >= static_cast<int>(host.Rows().size())) continue;
        const CollectionRow row = host.Rows()[static_cast<std::size_t>(r)];
        CopyBorehole(row.Indice, row.Design, clipboard, host.Root());
    }
}

void CutSelection(BoreholeHost& host, TDirBlock& clipboard)
{
    CopySelection(host, clipboard);
    DeleteSelection(host);
}

void Paste(BoreholeHost& host, const TDirBlock& clipboard)
{
    RefreshOnExit refresh(host);
    std::vector<CollectionRow> copied;
    BuildRowList(clipboard, copied);
    TDirBlock& root = host.Root();
    // The window's list does not show the ouvrages pasted so far: names are
    // checked against the collection as it is now.
    const auto currentRows = [&root] {
        std::vector<CollectionRow> rows;
        BuildRowList(root, rows);
        return rows;
    };
    for (const CollectionRow& row : copied) {
        if (CopyBorehole(row.Indice, row.Design, root, clipboard) != kCopyRefused) continue;
        const MsgResult again = AskYesNoCancel(
            "Copie", "Voulez-vous alors copier l'ouvrage " + row.Indice + " " + row.Design + " sous un autre nom ?");
        if (again == MsgResult::Cancel) break;
        if (again != MsgResult::Yes) continue;
        TypedName name;
        if (AskNewName(kCopyAsCaption, row.Indice, row.Design, true, currentRows, name) != NameAnswer::Accepted)
            continue;
        CopyUnderName(row.Indice, row.Design, clipboard, name, root);
    }
}
