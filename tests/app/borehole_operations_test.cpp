// The ouvrage operations on a collection seen through a small fake window:
// new ouvrages and their names, renaming (designation only, to another
// borehole, collisions), deleting, copying, cutting and pasting through the
// clipboard tree, with the prompts scripted.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/borehole_operations.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/tables.h"

namespace {

const std::string kD = "Désign";

// A collection window without widgets: the rows are built from the tree on
// every refresh, as the real window does.
class FakeHost final : public BoreholeHost {
public:
    TDirBlock root{"Carotix"};
    std::vector<CollectionRow> rows;
    std::vector<int> selected;
    int focused = -1;
    bool filter = false;
    int logCleared = 0;

    TDirBlock& Root() override { return root; }
    const std::vector<CollectionRow>& Rows() const override { return rows; }
    int SelectedRow() const override { return focused; }
    std::vector<int> GetSelectedRows() const override { return selected; }
    void RefreshList() override { BuildRowList(root, rows); }
    void AddBorehole(const std::string& indice, const std::string& design) override
    {
        if (FindRow(rows, indice, design) >= 0) return;
        TDirBlock* table = root.GetOrCreateSubDir(indice, false)->GetOrCreateSubDir("Ouvrage", false);
        const int n = table->RowCount();
        if (n > 0) table->InsertRow(n);
        table->SetPathString(kD, n, btString, design);
        rows.push_back({indice, design, -1});
    }
    void SetRowDesign(int row, const std::string& design) override { rows[static_cast<std::size_t>(row)].Design = design; }
    void SelectRow(const std::string& indice, const std::string& design) override
    {
        focused = FindRow(rows, indice, design);
        selected = focused >= 0 ? std::vector<int>{focused} : std::vector<int>{};
    }
    bool FilterEmpty() const override { return filter; }
    void SetFilterEmpty(bool on) override { filter = on; }
    void ClearLog() override { ++logCleared; }

    // Selects rows by (Indice, Désign), the first one focused.
    void Select(const std::vector<std::pair<std::string, std::string>>& names)
    {
        selected.clear();
        for (const auto& [i, d] : names) selected.push_back(FindRow(rows, i, d));
        focused = selected.empty() ? -1 : selected.front();
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> v;
        for (const CollectionRow& r : rows) v.push_back(r.Indice + "/" + r.Design);
        return v;
    }
};

void Put(TDirBlock& root, const std::string& path, int i, const std::string& value)
{
    root.SetPathString(path, i, btString, value);
}

std::vector<std::string> Column(const TDirBlock& root, const std::string& path)
{
    std::vector<std::string> v;
    if (const TBlock* b = root.FindBlock(path))
        for (int i = 0; i < b->Count(); ++i) v.push_back(b->GetString(i));
    return v;
}

// A1: ouvrages F1 (two levels) and F2 (one level), a "Dossier" without
// designation. A2: ouvrage F (one level).
void BuildTwoBoreholes(TDirBlock& root)
{
    Put(root, "A1\\Ouvrage\\" + kD, 0, "F1");
    Put(root, "A1\\Ouvrage\\" + kD, 1, "F2");
    const char* levels[][2] = {{"F1", "0"}, {"F2", "5"}, {"F1", "3"}};
    for (int i = 0; i < 3; ++i) {
        Put(root, "A1\\Niveau\\" + kD, i, levels[i][0]);
        Put(root, "A1\\Niveau\\Deb", i, levels[i][1]);
    }
    Put(root, "A1\\Dossier\\Nature", 0, "Forage");
    Put(root, "A2\\Ouvrage\\" + kD, 0, "F");
    Put(root, "A2\\Niveau\\" + kD, 0, "F");
}

class BoreholeOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        BuildTwoBoreholes(host.root);
        host.RefreshList();
    }
    void TearDown() override { EXPECT_TRUE(fake.Verify()); }

    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    ScopedUi use{fake};
    FakeHost host;
};

}  // namespace

TEST_F(BoreholeOperations, NewOuvrageNamesAreUpperCasedTrimmedAndNeverHoldABackslash)
{
    host.filter = true;
    fake.AnswerName(" p1 ", "", kNewBoreholeCaption);
    NewBorehole(host);
    EXPECT_FALSE(host.filter);
    EXPECT_EQ(host.rows.back().Indice, "P1");
    EXPECT_EQ(host.rows.back().Design, "F");  // only an Indice: "F"
    EXPECT_EQ(Column(host.root, "P1\\Ouvrage\\" + kD), std::vector<std::string>{"F"});

    // The same ouvrage again: no second row, the existing one is selected.
    host.Select({});
    fake.AnswerName("p1", "f", kNewBoreholeCaption);
    NewBorehole(host);
    const std::vector<std::string> names = host.Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "P1/F"), 1);
    EXPECT_EQ(host.focused, FindRow(host.rows, "P1", "F"));

    // "\" is refused and the prompt comes back with the texts as typed;
    // an empty Indice ends the command.
    fake.AnswerName("x\\y", "g", kNewBoreholeCaption).AnswerMessage(MsgResult::Ok, "Erreur");
    fake.AnswerName("  ", "g", kNewBoreholeCaption).AnswerMessage(MsgResult::Ok, "Erreur");
    NewBorehole(host);
    const auto& p = fake.Prompts();
    ASSERT_EQ(p.size(), 6u);
    EXPECT_EQ(p[3].text, "Le caractère \"\\\" n'est pas autorisé dans l'indice");
    EXPECT_EQ(p[4].proposal, "x\\y");
    EXPECT_EQ(p[4].proposal2, "g");
    EXPECT_EQ(p[5].text, "Il n'y a pas d'indice.");
    EXPECT_EQ(host.rows.size(), 4u);
}

TEST_F(BoreholeOperations, RenamingTheDesignationRenamesItInEveryTableInAnyCase)
{
    Put(host.root, "A1\\Niveau\\" + kD, 3, "f1");
    host.RefreshList();
    ASSERT_EQ(host.Names(), (std::vector<std::string>{"A1/F1", "A1/F2", "A1/f1", "A2/F"}));
    host.Select({{"A1", "F1"}});
    fake.AnswerName("a1", "g", kRenameBoreholeCaption);
    RenameBorehole(host);
    EXPECT_EQ(Column(host.root, "A1\\Ouvrage\\" + kD), (std::vector<std::string>{"G", "F2"}));
    EXPECT_EQ(Column(host.root, "A1\\Niveau\\" + kD), (std::vector<std::string>{"G", "F2", "G", "G"}));
    // The row of the other letter case went with it: no row is left
    // pointing at a designation the tree no longer holds.
    EXPECT_EQ(host.Names(), (std::vector<std::string>{"A1/G", "A1/F2", "A2/F"}));
    EXPECT_EQ(host.focused, 0);
    EXPECT_EQ(fake.Prompts()[0].proposal, "A1");
    EXPECT_EQ(fake.Prompts()[0].proposal2, "F1");
}

TEST_F(BoreholeOperations, RenameRefusesUsedEmptyAndBackslashNamesAndEndsOnTheSameName)
{
    host.Select({{"A1", "F2"}});
    fake.AnswerName("a1", "f1", kRenameBoreholeCaption).AnswerMessage(MsgResult::Ok, "Renommer");
    fake.AnswerName("", "X", kRenameBoreholeCaption).AnswerMessage(MsgResult::Ok, "Erreur");
    fake.AnswerName("B1", "", kRenameBoreholeCaption).AnswerMessage(MsgResult::Ok, "Erreur");
    fake.AnswerName("B\\1", "X", kRenameBoreholeCaption).AnswerMessage(MsgResult::Ok, "Erreur");
    fake.AnswerName("a1", "f2", kRenameBoreholeCaption);  // the old name: nothing changes
    const std::unique_ptr<TDirBlock> before = host.root.CloneDir();
    RenameBorehole(host);
    const auto& p = fake.Prompts();
    ASSERT_EQ(p.size(), 9u);
    EXPECT_EQ(p[1].text, "Ce nom d'ouvrage est déjà utilisé");
    EXPECT_EQ(p[2].proposal, "a1");  // the prompt again, as typed
    EXPECT_EQ(p[3].text, "Il n'y a pas d'indice.");
    EXPECT_EQ(p[5].text, "Il n'y a pas de désignation");
    EXPECT_EQ(p[7].text, "Le caractère \"\\\" n'est pas autorisé dans l'indice");
    EXPECT_TRUE(SameBlock(before.get(), &host.root));

    // Without a focused row nothing is asked.
    host.Select({});
    RenameBorehole(host);
}

TEST_F(BoreholeOperations, RenameToAnotherBoreholeMovesTheOuvrageAndKeepsItWhenTheMoveFails)
{
    host.Select({{"A1", "F1"}});
    fake.AnswerName("b1", "f9", kRenameBoreholeCaption);
    RenameBorehole(host);
    EXPECT_EQ(host.Names(), (std::vector<std::string>{"A1/F2", "A2/F", "B1/F9"}));
    EXPECT_EQ(host.focused, 2);
    EXPECT_EQ(Column(host.root, "B1\\Niveau\\" + kD), (std::vector<std::string>{"F9", "F9"}));
    EXPECT_EQ(Column(host.root, "B1\\Niveau\\Deb"), (std::vector<std::string>{"0", "3"}));
    EXPECT_EQ(Column(host.root, "B1\\Dossier\\Nature"), std::vector<std::string>{"Forage"});
    EXPECT_EQ(Column(host.root, "A1\\Niveau\\" + kD), std::vector<std::string>{"F2"});
    EXPECT_EQ(Column(host.root, "A1\\Dossier\\Nature"), std::vector<std::string>{"Forage"});

    // A root value of the new name cannot become a borehole: the rename fails
    // and the ouvrage stays whole where it was.
    host.root.AddChild(std::make_unique<TStrBlock>("C1", "x"), false);
    host.Select({{"B1", "F9"}});
    fake.AnswerName("C1", "F9", kRenameBoreholeCaption);
    EXPECT_THROW(RenameBorehole(host), std::exception);
    EXPECT_EQ(Column(host.root, "B1\\Niveau\\" + kD), (std::vector<std::string>{"F9", "F9"}));
    EXPECT_NE(FindRow(host.rows, "B1", "F9"), -1);
}

TEST_F(BoreholeOperations, DeleteRemovesRowsThenTheWholeBoreholeWithItsLastOuvrage)
{
    // "Non" deletes nothing.
    host.Select({{"A1", "F1"}});
    fake.AnswerMessage(MsgResult::No, "Suppression");
    DeleteSelection(host);
    EXPECT_EQ(host.rows.size(), 3u);
    EXPECT_EQ(host.logCleared, 0);

    // One of two ouvrages: its rows go, "Dossier" stays.
    fake.AnswerMessage(MsgResult::Yes, "Suppression");
    DeleteSelection(host);
    EXPECT_EQ(fake.Prompts().back().text, "Tous les ouvrages sélectionnés seront supprimés. Etes-vous sûr ?");
    EXPECT_EQ(host.logCleared, 1);
    EXPECT_EQ(host.Names(), (std::vector<std::string>{"A1/F2", "A2/F"}));
    EXPECT_EQ(Column(host.root, "A1\\Niveau\\Deb"), std::vector<std::string>{"5"});
    EXPECT_EQ(Column(host.root, "A1\\Dossier\\Nature"), std::vector<std::string>{"Forage"});

    // The last ouvrage of a borehole: the directory goes, "Dossier" included.
    host.Select({{"A1", "F2"}, {"A2", "F"}});
    fake.AnswerMessage(MsgResult::Yes, "Suppression");
    DeleteSelection(host);
    EXPECT_TRUE(host.rows.empty());
    EXPECT_EQ(host.root.ItemCount(), 0);

    try {
        DeleteBorehole(host.root, "O'K", "F");
        ADD_FAILURE() << "no failure";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Indice 'O''K' non trouvé");
    }
}

TEST(DeleteBoreholes, LeavesTheTreeAsDeletingEachOuvrageInTurnDoes)
{
    // Enough boreholes for the directory to look names up through its index,
    // two of them named alike, and a value block among them.
    TDirBlock tree("Carotix");
    for (int i = 0; i < 40; ++i) {
        const std::string name = i == 7 ? "B3" : "B" + std::to_string(i);
        TDirBlock* hole = tree.GetOrCreateSubDir(name, true);
        hole->SetPathString("Ouvrage\\" + kD, 0, btString, "F");
        if (i % 2 == 0) hole->SetPathString("Ouvrage\\" + kD, 1, btString, "G");
        hole->SetPathString("Dossier\\Nature", 0, btString, "Forage");
    }
    tree.SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
    const std::vector<std::vector<CollectionRow>> cases = {
        {{"B3", "F", -1}, {"B3", "F", -1}, {"B1", "F", -1}, {"B10", "G", -1}, {"B39", "F", -1}},
        {{"B0", "F", -1}, {"B0", "G", -1}, {"B5", "F", -1}, {"B5", "F", -1}, {"B6", "F", -1}},   // B5 twice fails
        {{"B3", "F", -1}, {"B3", "F", -1}, {"B3", "F", -1}},                                      // a third B3 fails
    };
    for (const auto& ouvrages : cases) {
        const std::unique_ptr<TDirBlock> oneByOne = tree.CloneDir();
        std::string expected;
        try {
            for (const CollectionRow& r : ouvrages) DeleteBorehole(*oneByOne, r.Indice, r.Design);
        } catch (const std::exception& e) {
            expected = e.what();
        }
        const std::unique_ptr<TDirBlock> together = tree.CloneDir();
        std::string failure;
        try {
            DeleteBoreholes(*together, ouvrages);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        EXPECT_EQ(failure, expected);
        EXPECT_TRUE(SameBlock(together.get(), oneByOne.get()));
        for (const CollectionRow& r : ouvrages) {
            const int k = together->IndexOfDir(r.Indice);
            EXPECT_EQ(k, oneByOne->IndexOfDir(r.Indice)) << r.Indice;
            if (k >= 0) EXPECT_EQ(together->IndexOf(together->Child(k)), k);
        }
    }
}

TEST_F(BoreholeOperations, PasteAppendsToTheBoreholeOfTheSameIndiceAndReplacesItsWholeTables)
{
    TDirBlock clipboard("Carotix");
    Put(clipboard, "OLD\\Ouvrage\\" + kD, 0, "X");  // replaced by the copy
    host.Select({{"A1", "F1"}, {"A2", "F"}});
    CopySelection(host, clipboard);
    ASSERT_EQ(clipboard.ItemCount(), 2);
    EXPECT_EQ(clipboard.Child(0)->Name, "A1");

    FakeHost other;
    Put(other.root, "A1\\Ouvrage\\" + kD, 0, "F7");
    Put(other.root, "A1\\Niveau\\" + kD, 0, "F7");
    Put(other.root, "A1\\Niveau\\Deb", 0, "9");
    Put(other.root, "A1\\Dossier\\Nature", 0, "Puits");
    other.RefreshList();
    Paste(other, clipboard);
    EXPECT_EQ(other.Names(), (std::vector<std::string>{"A1/F7", "A1/F1", "A2/F"}));
    EXPECT_EQ(Column(other.root, "A1\\Niveau\\" + kD), (std::vector<std::string>{"F7", "F1", "F1"}));
    EXPECT_EQ(Column(other.root, "A1\\Niveau\\Deb"), (std::vector<std::string>{"9", "0", "3"}));
    EXPECT_EQ(Column(other.root, "A1\\Dossier\\Nature"), std::vector<std::string>{"Forage"});

    // Pasting again replaces on "Oui"; the clipboard is kept.
    fake.AnswerMessage(MsgResult::Yes, "Copie").AnswerMessage(MsgResult::Yes, "Copie");
    Paste(other, clipboard);
    EXPECT_EQ(fake.Prompts()[0].text, "L'ouvrage A1 F1 existe déjà. Voulez-vous le remplacer ?");
    EXPECT_EQ(Column(other.root, "A1\\Niveau\\Deb"), (std::vector<std::string>{"9", "0", "3"}));
    EXPECT_EQ(Column(other.root, "A2\\Niveau\\" + kD), std::vector<std::string>{"F"});

    // An empty clipboard only refreshes the list.
    TDirBlock empty("Carotix");
    other.rows.clear();
    Paste(other, empty);
    EXPECT_EQ(other.rows.size(), 3u);
}

TEST_F(BoreholeOperations, PasteIntoTheSameCollectionUnderAnotherName)
{
    TDirBlock clipboard("Carotix");
    host.Select({{"A1", "F1"}, {"A2", "F"}});
    CopySelection(host, clipboard);
    fake.AnswerMessage(MsgResult::No, "Copie").AnswerMessage(MsgResult::Yes, "Copie");
    fake.AnswerName("a1", "f1", kCopyAsCaption).AnswerMessage(MsgResult::Ok, "Erreur");
    fake.AnswerName("A3", "F1", kCopyAsCaption);
    // The second ouvrage: the name just pasted is already used, although the
    // list was not refreshed in between; giving up the prompt skips it.
    fake.AnswerMessage(MsgResult::No, "Copie").AnswerMessage(MsgResult::Yes, "Copie");
    fake.AnswerName("A3", "F1", kCopyAsCaption).AnswerMessage(MsgResult::Ok, "Renommer");
    fake.CancelName(kCopyAsCaption);
    Paste(host, clipboard);
    const auto& p = fake.Prompts();
    EXPECT_EQ(p[1].text, "Voulez-vous alors copier l'ouvrage A1 F1 sous un autre nom ?");
    EXPECT_EQ(p[1].buttons, MsgYesNoCancel);
    EXPECT_EQ(p[3].text, "Vous n'avez pas changé le nom.");
    EXPECT_EQ(p[8].text, "Ce nom d'ouvrage est déjà utilisé");
    EXPECT_EQ(host.Names(), (std::vector<std::string>{"A1/F1", "A1/F2", "A2/F", "A3/F1"}));
    EXPECT_EQ(Column(host.root, "A3\\Niveau\\Deb"), (std::vector<std::string>{"0", "3"}));
    EXPECT_EQ(Column(host.root, "A1\\Niveau\\Deb"), (std::vector<std::string>{"0", "5", "3"}));

    // "Annuler" stops the paste: the rows after it are not pasted.
    fake.Reset();
    fake.AnswerMessage(MsgResult::No, "Copie").AnswerMessage(MsgResult::Cancel, "Copie");
    Paste(host, clipboard);
    EXPECT_EQ(fake.Prompts().size(), 2u);
}

TEST_F(BoreholeOperations, CutThenPasteMovesTheOuvrageToAnotherCollection)
{
    TDirBlock clipboard("Carotix");

    // A cut answered "Non" copies without deleting.
    host.Select({{"A2", "F"}});
    fake.AnswerMessage(MsgResult::No, "Suppression");
    CutSelection(host, clipboard);
    EXPECT_EQ(host.rows.size(), 3u);
    EXPECT_EQ(clipboard.ItemCount(), 1);

    fake.AnswerMessage(MsgResult::Yes, "Suppression");
    CutSelection(host, clipboard);
    EXPECT_EQ(host.root.IndexOfDir("A2"), -1);
    FakeHost other;
    Paste(other, clipboard);
    EXPECT_EQ(other.Names(), std::vector<std::string>{"A2/F"});
    EXPECT_EQ(Column(other.root, "A2\\Ouvrage\\" + kD), std::vector<std::string>{"F"});
    EXPECT_EQ(Column(other.root, "A2\\Niveau\\" + kD), std::vector<std::string>{"F"});
}
