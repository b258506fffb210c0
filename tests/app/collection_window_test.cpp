// The main window and the collection windows, headless with the scripted
// prompts: opening, columns and cells, the three views in step, sorting,
// filtering, the close prompt, load failures, the table commands through the
// main window, active-window tracking, and shots of the three views.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <filesystem>

#include "app/collection_links.h"
#include "app/windows/collection_window.h"
#include "app/windows/keywords_window.h"
#include "app/windows/main_window.h"
#include "app/windows/record_sheet_window.h"
#include "app/windows/tables_window.h"
#include "app/windows/tubes_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "sample_boreholes.h"
#include "sample_collection.h"
#include "store/blocks.h"
#include "store/crx_file.h"
#include "store/options.h"
#include "store/recent_files.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

class CollectionWindowTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        RecentLoad();
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        ResetCollectionDrawing();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    std::string Save(const TDirBlock& root, const std::string& name)
    {
        const std::string path = (dir / name).string();
        root.SaveToFile(path);
        return path;
    }
    std::string SampleFile() { return Save(*BuildSampleCollection(), "exemple.crx"); }
    static std::vector<std::string> Column(TFChild& c, int col)
    {
        std::vector<std::string> v;
        for (int l = 1; l < c.GridLineCount(); ++l) v.push_back(c.GridCell(col, l));
        return v;
    }

    TempProgramDir dir;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
};

}  // namespace

TEST_F(CollectionWindowTest, OpenShowsTheConfiguredColumnsAndCells)
{
    TFMain main;
    main.show();
    const std::string file = SampleFile();
    TFChild* c = main.OpenCollectionFile(file);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(main.ActiveChild(), c);
    EXPECT_EQ(c->Caption(), file);
    EXPECT_FALSE(c->IsModified());
    EXPECT_EQ(RecentFilesList().front(), file);
    EXPECT_EQ(fake.BusyDepth(), 0);

    ASSERT_EQ(c->StringGrid->columnCount(), 5);
    const std::vector<std::string> headers{"Indice", kD, "Nature", "Lieu-Dit", "Commune"};
    for (int col = 0; col < 5; ++col) EXPECT_EQ(c->GridCell(col, 0), headers[static_cast<std::size_t>(col)]);
    EXPECT_EQ(Column(*c, 0), (std::vector<std::string>{"PUITS-1", "F-VAL-01", "F-VAL-01", "PZ-MULTI"}));
    EXPECT_EQ(Column(*c, 1), (std::vector<std::string>{"PUITS-1", "F1", "F2", "PZ-MULTI"}));
    EXPECT_EQ(c->GridCell(2, 1), "PUITS");
    // "Dossier" has no designation column: both ouvrages of F-VAL-01 show its row 0.
    EXPECT_EQ(c->GridCell(4, 2), "MELUN");
    EXPECT_EQ(c->GridCell(4, 3), "MELUN");
    for (int col = 0; col < 5; ++col) EXPECT_GE(c->StringGrid->columnWidth(col), 64);

    // Another column list in the settings.
    IniCarotix->WriteString("G\xC3\xA9n\xC3\xA9ral", "ChampsGrille", "Ouvrage\\Z,Ouvrage\\Prof");
    c->FillView(-1);
    ASSERT_EQ(c->StringGrid->columnCount(), 4);
    EXPECT_EQ(c->GridCell(2, 0), "Z");
    EXPECT_EQ(c->GridCell(2, 1), "48,2");
    EXPECT_EQ(c->GridCell(3, 2), "182");
    EXPECT_EQ(c->GridCell(2, 3), "88,1");
}

TEST_F(CollectionWindowTest, TheThreeViewsFollowTheSelection)
{
    TFMain main;
    main.show();
    TFChild* c = main.OpenCollectionFile(SampleFile());
    c->SelectRows({1, 2});
    EXPECT_EQ(c->GetSelectedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(c->SelectedRow(), 1);
    EXPECT_EQ(c->DrawGrid->SelFirst, 1);
    EXPECT_EQ(c->DrawGrid->SelLast, 2);

    // Icons: the items of the selected lines are selected when the view is filled.
    c->ShowIconView();
    EXPECT_EQ(c->ListView->count(), 4);
    EXPECT_EQ(c->ListView->item(1)->text().toStdString(), "F-VAL-01 F1");
    EXPECT_EQ(c->GetSelectedRows(), (std::vector<int>{1, 2}));
    // Selecting items moves the table's selection to their line range.
    c->ListView->clearSelection();
    c->ListView->item(3)->setSelected(true);
    c->ListView->setCurrentRow(3, QItemSelectionModel::NoUpdate);
    c->ShowListView();
    EXPECT_EQ(c->GetSelectedRows(), (std::vector<int>{3}));
    EXPECT_EQ(c->DrawGrid->SelFirst, 3);

    // Strips: selecting columns selects the table lines column + 1.
    c->ShowLogView();
    c->DrawGrid->SetSelection(0, 1);
    emit c->DrawGrid->selectionChangedByUser();
    EXPECT_EQ(c->GetSelectedRows(), (std::vector<int>{0, 1}));
    ASSERT_TRUE(c->StripRange().Valid());
    // Common range: highest top is F2's ground (88,1 m), deepest bottom F1 at 182 - 88.
    EXPECT_DOUBLE_EQ(*c->StripRange().top, -88.1);
    EXPECT_DOUBLE_EQ(*c->StripRange().bottom, 94.0);

    // Select all, invert through SelectRows, deselect.
    c->ShowListView();
    c->SelectAll();
    EXPECT_EQ(c->GetSelectedRows(), (std::vector<int>{0, 1, 2, 3}));
    c->SelectRows({});
    EXPECT_TRUE(c->GetSelectedRows().empty());
}

TEST_F(CollectionWindowTest, ThumbnailsAreSmallLogsAndARefillClearsThem)
{
    TFMain main;
    main.show();
    TFChild* c = main.OpenCollectionFile(SampleFile());
    c->ShowIconView();
    const QPixmap& p = c->RowThumbnail(1);
    EXPECT_EQ(p.width(), 45);
    EXPECT_EQ(p.height(), 64);
    const QImage img = p.toImage();
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 200;
    EXPECT_GT(dark, 20) << "the thumbnail shows a drawn log";
    for (int r = 0; r < 4; ++r) c->RowThumbnail(r);
    EXPECT_EQ(c->ThumbnailCount(), 4);
    std::vector<int> indices;
    for (int r = 0; r < 4; ++r) indices.push_back(c->Rows()[static_cast<std::size_t>(r)].ImageIndex);
    std::sort(indices.begin(), indices.end());
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 2, 3}));
    // A full refill drops the thumbnails it replaces instead of piling up new ones.
    c->FillView(-1);
    EXPECT_EQ(c->ThumbnailCount(), 0);
    for (int r = 0; r < 4; ++r) c->RowThumbnail(r);
    c->FillView(-1);
    for (int r = 0; r < 4; ++r) c->RowThumbnail(r);
    EXPECT_EQ(c->ThumbnailCount(), 4);
    // A log the drawing refuses gives a white thumbnail.
    CollectionDrawing refuse;
    refuse.drawLog = [](Canvas&, const TDirBlock&, const std::string&, const std::string&, const TRect&) { return false; };
    SetCollectionDrawing(refuse);
    c->FillView(-1);
    const QImage white = c->RowThumbnail(0).toImage();
    EXPECT_EQ(white.pixel(20, 30), QColor(Qt::white).rgb());
}

TEST_F(CollectionWindowTest, SortingByAHeaderThreeTimes)
{
    TDirBlock root("Carotix");
    root.SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
    const std::vector<std::pair<std::string, std::string>> holes{
        {"B", "10"}, {"A", "9"}, {"C", "abc"}, {"D", "Abd"}, {"E", ""}};
    for (const auto& [name, lieu] : holes) {
        root.SetPathString(name + "\\Ouvrage\\" + kD, 0, btString, name);
        root.SetPathString(name + "\\Dossier\\Lieu-Dit", 0, btString, lieu);
    }
    TFMain main;
    main.show();
    TFChild* c = main.OpenCollectionFile(Save(root, "tri.crx"));
    EXPECT_EQ(Column(*c, 0), (std::vector<std::string>{"B", "A", "C", "D", "E"}));
    c->HeaderClicked(3);  // Lieu-Dit, ascending: numbers first by value, then texts without case
    EXPECT_EQ(c->SortColumn(), 3);
    EXPECT_EQ(Column(*c, 3), (std::vector<std::string>{"9", "10", "", "abc", "Abd"}));
    c->HeaderClicked(3);  // reversed
    EXPECT_TRUE(c->SortDescending());
    EXPECT_EQ(Column(*c, 3), (std::vector<std::string>{"Abd", "abc", "", "10", "9"}));
    c->HeaderClicked(3);  // the tree order again
    EXPECT_EQ(c->SortColumn(), -1);
    EXPECT_EQ(Column(*c, 0), (std::vector<std::string>{"B", "A", "C", "D", "E"}));
    c->HeaderClicked(0);
    EXPECT_EQ(Column(*c, 0), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
    // The header mark follows.
    EXPECT_TRUE(c->StringGrid->horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(c->StringGrid->horizontalHeader()->sortIndicatorSection(), 0);
    EXPECT_EQ(fake.BusyDepth(), 0);
}

TEST_F(CollectionWindowTest, FilteringEmptyOuvrages)
{
    auto root = BuildSampleCollection();
    root->SetPathString(std::string("VIDE\\Ouvrage\\") + kD, 0, btString, "VIDE");
    TFMain main;
    main.show();
    TFChild* c = main.OpenCollectionFile(Save(*root, "filtre.crx"));
    EXPECT_EQ(c->GridLineCount(), 6);
    c->SelectRows({0, 3});
    c->SetFilterEmpty(true);
    EXPECT_TRUE(c->FilterEmpty());
    EXPECT_EQ(c->GridLineCount(), 5);
    EXPECT_EQ(Column(*c, 0), (std::vector<std::string>{"PUITS-1", "F-VAL-01", "F-VAL-01", "PZ-MULTI"}));
    EXPECT_EQ(c->GetSelectedRows(), (std::vector<int>{0, 1, 2, 3}));  // the line range of the kept rows

    // No sorting while filtering.
    fake.AnswerMessage(MsgResult::Ok, "Tri");
    c->HeaderClicked(0);
    EXPECT_EQ(fake.Prompts().back().text, "Il faut d\xC3\xA9sactiver le filtrage des ouvrages vides pour pouvoir trier.");
    EXPECT_EQ(c->SortColumn(), -1);
    c->SetFilterEmpty(false);
    EXPECT_EQ(c->GridLineCount(), 6);

    // Every ouvrage empty: the filter switches itself off and all rows show.
    TDirBlock empty("Carotix");
    empty.SetPathString(std::string("X\\Ouvrage\\") + kD, 0, btString, "X");
    empty.SetPathString(std::string("Y\\Ouvrage\\") + kD, 0, btString, "Y");
    TFChild* e = main.OpenCollectionFile(Save(empty, "vides.crx"));
    e->SetFilterEmpty(true);
    EXPECT_FALSE(e->FilterEmpty());
    EXPECT_EQ(Column(*e, 0), (std::vector<std::string>{"X", "Y"}));
    fake.AnswerMessage(MsgResult::No, "Collection vides.crx");  // no unit in the file
    e->parentWidget()->close();
}

TEST_F(CollectionWindowTest, ClosePromptAnswers)
{
    TFMain main;
    main.show();
    // A new collection counts as modified (its coordinate unit is added):
    // Cancel keeps the window, No closes it without saving.
    TFChild* c = main.Nouveau1Click();
    EXPECT_EQ(c->Caption(), "Nouveau");
    EXPECT_TRUE(c->IsModified());
    fake.AnswerMessage(MsgResult::Cancel, "Collection Nouveau");
    EXPECT_FALSE(c->parentWidget()->close());
    EXPECT_EQ(main.Children().size(), 1u);
    EXPECT_EQ(fake.Prompts().back().text, "Il y a eu des modications.\nVoulez-vous les enregistrer ?");
    EXPECT_EQ(fake.Prompts().back().buttons, MsgYesNoCancel);
    fake.AnswerMessage(MsgResult::No, "Collection Nouveau");
    EXPECT_TRUE(c->parentWidget()->close());
    QApplication::processEvents();
    EXPECT_TRUE(main.Children().empty());
    EXPECT_EQ(main.ActiveChild(), nullptr);

    // Yes without a file name asks for one; a cancelled dialog asks again.
    c = main.Nouveau1Click();
    c->AddBorehole("F1", "F1");
    const std::string target = (dir / "nouvelle.crx").string();
    fake.AnswerMessage(MsgResult::Yes, "Collection Nouveau")
        .CancelFiles("Enregistrer la collection sous...")
        .AnswerMessage(MsgResult::Yes, "Collection Nouveau")
        .AnswerFile(target, "Enregistrer la collection sous...");
    EXPECT_TRUE(c->parentWidget()->close());
    QApplication::processEvents();
    TDirBlock saved;
    saved.LoadFromFile(target);
    EXPECT_EQ(saved.GetPathString("F1\\Ouvrage\\" + kD, 0), "F1");
    EXPECT_EQ(IniCarotix->ReadString("G\xC3\xA9n\xC3\xA9ral", "R\xC3\xA9pertoire", ""), dir.path().string());
    EXPECT_EQ(RecentFilesList().front(), target);

    // Yes with a file name saves over it.
    c = main.OpenCollectionFile(target);
    c->AddBorehole("F2", "F2");
    fake.AnswerMessage(MsgResult::Yes, "Collection nouvelle.crx");
    EXPECT_TRUE(c->parentWidget()->close());
    QApplication::processEvents();
    TDirBlock again;
    again.LoadFromFile(target);
    EXPECT_EQ(again.GetPathString("F2\\Ouvrage\\" + kD, 0), "F2");

    // Yes over a file another program wrote since it was opened asks before
    // replacing it; No keeps the window open and modified, and their file.
    c = main.OpenCollectionFile(target);
    c->AddBorehole("F3", "F3");
    again.SaveToFile(target);
    const std::string theirs = ReadFileBytes(target);
    fake.AnswerMessage(MsgResult::Yes, "Collection nouvelle.crx")
        .AnswerMessage(MsgResult::No, "Collection nouvelle.crx");
    EXPECT_FALSE(c->parentWidget()->close());
    EXPECT_EQ(fake.Prompts().back().text, "Le fichier \xC2\xAB " + target +
                                              " \xC2\xBB a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9 par un autre programme "
                                              "depuis son ouverture. Voulez-vous le remplacer ?");
    EXPECT_EQ(ReadFileBytes(target), theirs);
    EXPECT_TRUE(c->IsModified());
    fake.AnswerMessage(MsgResult::No, "Collection nouvelle.crx");
    EXPECT_TRUE(c->parentWidget()->close());
}

TEST_F(CollectionWindowTest, SaveAsRenamesTheWindowOnlyAfterASuccessfulSave)
{
    TFMain main;
    main.show();
    TFChild* c = main.OpenCollectionFile(SampleFile());
    const std::string before = c->FFileName();
    fake.AnswerFile((dir / "absent" / "x.crx").string(), "Enregistrer la collection sous...");
    EXPECT_ANY_THROW(main.SaveCollectionAs(c));
    EXPECT_EQ(c->FFileName(), before);
    EXPECT_EQ(c->Caption(), before);
    const std::string other = (dir / "copie.crx").string();
    fake.AnswerFile(other, "Enregistrer la collection sous...");
    EXPECT_TRUE(main.SaveCollectionAs(c));
    EXPECT_EQ(c->Caption(), other);
    EXPECT_FALSE(c->IsModified());
}

TEST_F(CollectionWindowTest, AFileThatFailsToLoadEndsWithTheBoxAndNoWindow)
{
    TFMain main;
    main.show();
    TDirBlock foo("Foo");
    foo.SetPathString("A\\Ouvrage\\" + kD, 0, btString, "A");
    const std::string fooFile = Save(foo, "foo.crx");
    const std::string good = SampleFile();
    std::string bytes = ReadFileBytes(good);
    const std::string cut = (dir / "tronque.crx").string();
    WriteFileBytes(cut, bytes.substr(0, bytes.size() / 2));

    fake.AnswerMessage(MsgResult::Ok, "Carotix").AnswerMessage(MsgResult::Ok, "Carotix");
    RunGuarded([&] { main.OpenCollectionFile(fooFile); });
    EXPECT_EQ(fake.Prompts().back().text, "Impossible de lire \xC2\xAB " + fooFile + " \xC2\xBB : Format de fichier invalide");
    RunGuarded([&] { main.OpenCollectionFile(cut); });
    EXPECT_EQ(fake.Prompts().back().text, "Impossible de lire \xC2\xAB " + cut + " \xC2\xBB : Read beyond end of file");
    QApplication::processEvents();
    EXPECT_TRUE(main.Children().empty());
    EXPECT_EQ(main.ActiveChild(), nullptr);
    EXPECT_TRUE(main.MdiArea->subWindowList().isEmpty());
    for (const std::string& f : RecentFilesList()) {
        EXPECT_NE(f, fooFile);
        EXPECT_NE(f, cut);
    }
    EXPECT_EQ(ReadFileBytes(fooFile), SaveBlockToBytes(foo));  // nothing written over the file
    EXPECT_EQ(fake.BusyDepth(), 0);
}

TEST_F(CollectionWindowTest, TableCommandsThroughTheMainWindow)
{
    TFMain main;
    main.show();
    // The menu and the two tool bars from the shipped [Tables] and [Icônes].
    EXPECT_EQ(main.TableItems.size(), 10u);
    std::vector<std::string> texts;
    for (QAction* a : main.ToolBarLabelsBtn->actions())
        if (!a->isSeparator()) texts.push_back(a->text().toStdString());
    EXPECT_EQ(texts, (std::vector<std::string>{"GDT", "AI", "EP", "Mots"}));
    int icons = 0;
    for (QAction* a : main.ToolBarCustomIcons->actions()) icons += !a->isSeparator() && !a->icon().isNull();
    EXPECT_EQ(icons, 6);

    // No collection: a new one, and the new-ouvrage dialog; cancelling ends silently.
    fake.CancelName("Nouvel ouvrage");
    main.ExecuteTableCommand("Niveau", -1);
    ASSERT_EQ(main.Children().size(), 1u);
    TFChild* fresh = main.ActiveChild();
    EXPECT_EQ(fresh->Caption(), "Nouveau");

    // With an ouvrage named: the editor that is not part of the program yet is named in the box.
    fake.AnswerName("p1", "", "Nouvel ouvrage");
    fake.AnswerMessage(MsgResult::Ok, "Carotix");
    main.ExecuteTableCommand("Niveau", 3);
    EXPECT_EQ(fresh->Rows().back().Indice, "P1");
    EXPECT_EQ(fresh->Rows().back().Design, "F");
    const std::string text = fake.Prompts().back().text;
    EXPECT_EQ(text.rfind("Erreur lors de l'ex\xC3\xA9" "cution de la commande : ", 0), 0u) << text;
    EXPECT_NE(text.find("TFTableur"), std::string::npos) << text;

    TFChild* c = main.OpenCollectionFile(SampleFile());
    c->SelectRows({0});
    // The record sheet opens modally on the ouvrage; "Annuler" closes it.
    QTimer::singleShot(0, [] { if (FEdition) FEdition->BAnnul->click(); });
    main.ExecuteTableCommand("Informations sur l'ouvrage", 0);
    // The keywords editor opens modally on the ouvrage; "Annuler" closes it.
    QTimer::singleShot(0, [] { if (FMotCles) FMotCles->Button1Click(); });
    const std::size_t prompts = fake.Prompts().size();
    main.ExecuteTableCommand("Mots-cl\xC3\xA9s", -1);
    EXPECT_EQ(fake.Prompts().size(), prompts);
    // The tube manager opens modally; "Fermer" closes it.
    QTimer::singleShot(0, [] { if (FMultitubes) FMultitubes->Button5->click(); });
    main.ExecuteTableCommand("Gestion des tubes", -1);
    fake.AnswerMessage(MsgResult::Ok, "Carotix");
    main.ExecuteTableCommand("Tube simple", -1);  // a single-tube well: the spreadsheet on its tube
    EXPECT_NE(fake.Prompts().back().text.find("TFTableur"), std::string::npos);
    EXPECT_EQ(main.TableTubeName(), "");
    // The piezometer has three tubes.
    c->SelectRows({3});
    EXPECT_FALSE(c->HasOnlyDefaultTube());
    fake.AnswerMessage(MsgResult::Ok, "Multitubes");
    main.ExecuteTableCommand("Tube simple", -1);
    EXPECT_EQ(fake.Prompts().back().text, "Ce n'est pas un tube simple");
    fake.AnswerMessage(MsgResult::Ok, "Commande inconnue");
    main.ExecuteTableCommand("Pas une commande", -1);
    EXPECT_EQ(fake.Prompts().back().text, "Pas une commande");

    // Enabling of the O&uvrage menu: TubeSimple only on a single-tube ouvrage.
    main.Edition1Click();
    for (auto& [action, command] : main.TableItems) {
        if (command.rfind("TubeSimple(", 0) == 0) EXPECT_FALSE(action->isEnabled());
        else EXPECT_TRUE(action->isEnabled()) << command;
    }
    c->SelectRows({0});
    main.Edition1Click();
    for (auto& [action, command] : main.TableItems) EXPECT_TRUE(action->isEnabled()) << command;

    fake.AnswerMessage(MsgResult::No, "Collection Nouveau");
    fresh->parentWidget()->close();
}

TEST_F(CollectionWindowTest, TheActiveCollectionSurvivesAnotherTopLevelWindow)
{
    TFMain main;
    main.show();
    const std::string file = SampleFile();
    TFChild* a = main.OpenCollectionFile(file);
    TFChild* b = main.OpenCollectionFile(file);
    EXPECT_EQ(main.ActiveChild(), b);
    main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(a->parentWidget()));
    EXPECT_EQ(main.ActiveChild(), a);
    // The log window is a top-level window of its own; while it is active the
    // MDI area has no active document, the program still knows which one is.
    QWidget log;
    log.setWindowTitle(QStringLiteral("Coupe(s) technique et lithologique"));
    log.show();
    QApplication::setActiveWindow(&log);
    QApplication::processEvents();
    emit main.MdiArea->subWindowActivated(nullptr);
    EXPECT_EQ(main.ActiveChild(), a);
    // Closing the active one passes the activation on.
    a->parentWidget()->close();
    QApplication::processEvents();
    EXPECT_EQ(main.ActiveChild(), b);
    b->parentWidget()->close();
    QApplication::processEvents();
    EXPECT_EQ(main.ActiveChild(), nullptr);
}

TEST_F(CollectionWindowTest, FiveThousandBoreholesFillTheList)
{
    TFMain main;
    main.show();
    TFChild* c = main.OpenCollectionFile(Save(*BuildSyntheticCollection(5000), "grande.crx"));
    EXPECT_EQ(c->GridLineCount(), 5001);
    EXPECT_EQ(c->GridCell(0, 5000), "S05000");
    EXPECT_EQ(c->GridCell(4, 1), "Rennes");
}

TEST_F(CollectionWindowTest, ShotsOfTheThreeViews)
{
    TFMain main;
    main.resize(1100, 640);
    main.show();
    TFChild* c = main.OpenCollectionFile(SampleFile());
    c->SelectRows({1});
    const std::filesystem::path shots(CAROTIX_SHOTS_DIR);
    std::filesystem::create_directories(shots);
    auto shoot = [&](const char* name) {
        QApplication::processEvents();
        const QImage image = main.grab().toImage();
        EXPECT_FALSE(image.isNull());
        EXPECT_TRUE(image.save(QString::fromStdString((shots / name).string())));
    };
    shoot("collection_list.png");
    c->ShowIconView();
    shoot("collection_icons.png");
    c->ShowLogView();
    shoot("collection_logs.png");
}

namespace {

// The log window as the collection windows see it.
struct FakeLogView : LogViewLink {
    const TDirBlock* root = nullptr;
    std::string indice, design;
    std::vector<std::string> tubes;
    int chosen = -2;
    int redraws = 0;
    bool shown = false;
    int focused = 0;
    void SetBorehole(const TDirBlock* r, const std::string& i, const std::string& d) override
    {
        root = r;
        indice = i;
        design = d;
    }
    const TDirBlock* ShownRoot() const override { return root; }
    void SetTubes(const std::vector<std::string>& t, int c) override
    {
        tubes = t;
        chosen = c;
    }
    void Redraw() override { ++redraws; }
    bool IsShown() const override { return shown; }
    void ShowAndFocus() override
    {
        shown = true;
        ++focused;
    }
};

}  // namespace

TEST_F(CollectionWindowTest, TheLogWindowFollowsTheSelectedOuvrageAndIsClearedOnClose)
{
    FakeLogView log;
    SetLogViewLink(&log);
    std::vector<std::string> status;
    CollectionDrawing codes;
    codes.codeDescribed = [](const std::string& family) { return family != "REM" && family != "ARG"; };
    SetCollectionDrawing(codes);
    {
        TFMain main;
        main.show();
        TFChild* c = main.OpenCollectionFile(SampleFile());
        // Opened, the list's first line is current and the log window shows it.
        EXPECT_EQ(log.root, &c->FRoot());
        EXPECT_EQ(log.indice, "PUITS-1");
        c->StatusLine = [&](const std::string& s) { status.push_back(s); };
        c->SelectRows({3});
        EXPECT_EQ(log.root, &c->FRoot());
        EXPECT_EQ(log.indice, "PZ-MULTI");
        EXPECT_EQ(log.tubes, (std::vector<std::string>{"PMT1", "PMT2", "PMT3"}));
        EXPECT_EQ(log.chosen, 0);
        EXPECT_GT(log.redraws, 0);
        ASSERT_FALSE(status.empty());
        EXPECT_EQ(status.back(), "Codes non d\xC3\xA9" "crits : REM, ARG");
        c->SelectRows({0});
        EXPECT_EQ(log.indice, "PUITS-1");
        EXPECT_EQ(log.tubes, (std::vector<std::string>{"CUVELAGE"}));
        EXPECT_EQ(status.back(), "");

        // Enter in a view shows the log window and gives it the focus.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(c->StringGrid, &enter);
        EXPECT_TRUE(log.shown);
        EXPECT_EQ(log.focused, 1);

        // Closing the collection it shows clears the log window.
        const int before = log.redraws;
        EXPECT_TRUE(c->parentWidget()->close());
        EXPECT_EQ(log.root, nullptr);
        EXPECT_GT(log.redraws, before);
    }
    SetLogViewLink(nullptr);
}

TEST_F(CollectionWindowTest, TooltipTextUnitAndTheTablesPopup)
{
    WriteFileBytes(InfobullePath, "%Indice% (%D\xC3\xA9sign%)\r\n%Dossier\\Commune%");
    TFMain main;
    main.show();
    TFChild* c = main.OpenCollectionFile(SampleFile());
    EXPECT_EQ(c->GetTooltipText(1), "F-VAL-01 (F1)\r\nMELUN");
    EXPECT_EQ(c->GetTooltipText(-1), "");
    // The row under a point of the table view.
    const int y = c->StringGrid->rowViewportPosition(2) + 2;
    EXPECT_EQ(c->RowAtMouse(c->StringGrid->viewport(), QPoint(5, y)), 2);
    EXPECT_EQ(c->RowAtMouse(c->StringGrid->viewport(), QPoint(5, 2000)), -1);

    // The coordinate unit of the settings is the active collection's.
    EXPECT_EQ(GetUnitXY(), "m");
    SetUnitXY("km");
    EXPECT_EQ(c->GetUnitXY(), "km");
    EXPECT_TRUE(c->IsModified());

    // The pop-up lists the [Tables] names without separators and runs the picked one.
    TFTables popup;
    ASSERT_EQ(popup.ListBox1->count(), 10);
    EXPECT_EQ(popup.ListBox1->item(2)->text().toStdString(), "Niveau");
    std::vector<std::string> ran;
    popup.RunCommand = [&](const std::string& name) { ran.push_back(name); };
    popup.PopupAt(QPoint(10, 10));
    popup.TablesPick();  // nothing selected: nothing runs
    EXPECT_TRUE(ran.empty());
    // The pop-up is as wide as its widest name + 6, + 4 for the window, as
    // high as its lines + 4; at the desk's far corner it is moved left and up
    // to stay inside the desk, which is the screen inset by 4.
    {
        const QFontMetrics fm(popup.ListBox1->font());
        int widest = 0;
        for (int i = 0; i < popup.ListBox1->count(); ++i)
            widest = std::max(widest, fm.horizontalAdvance(popup.ListBox1->item(i)->text()));
        EXPECT_EQ(popup.width(), widest + 6 + 4);
        EXPECT_EQ(popup.height(), 10 * std::max(popup.ListBox1->sizeHintForRow(0), fm.height()) + 4);
        EXPECT_EQ(popup.ListBox1->width(), widest + 6);
        const QRect screen = popup.screen()->availableGeometry();
        popup.hide();
        popup.PopupAt(screen.bottomRight());
        EXPECT_EQ(popup.x(), screen.left() + screen.width() - 4 - popup.width());
        EXPECT_EQ(popup.y(), screen.top() + screen.height() - 4 - popup.height());
        popup.hide();
        popup.PopupAt(screen.topLeft());
        EXPECT_EQ(popup.pos(), screen.topLeft() + QPoint(4, 4));
    }
    popup.PopupAt(QPoint(10, 10));
    popup.ListBox1->setCurrentRow(2);
    popup.TablesPick();
    EXPECT_EQ(ran, (std::vector<std::string>{"Niveau"}));
    EXPECT_FALSE(popup.isVisible());

    // Shut-down: "Annuler" on a modified collection keeps the program running.
    fake.AnswerMessage(MsgResult::Cancel, "Collection exemple.crx");
    EXPECT_FALSE(main.close());
    EXPECT_EQ(main.Children().size(), 1u);
    fake.AnswerMessage(MsgResult::No, "Collection exemple.crx");
    EXPECT_TRUE(main.close());
}

TEST_F(CollectionWindowTest, MenusEnableWhatTheActiveCollectionAllows)
{
    TFMain main;
    main.show();
    main.Edition1Click();
    for (auto& [action, command] : main.TableItems) EXPECT_FALSE(action->isEnabled());
    EXPECT_TRUE(main.NouvelOuvrage1->isEnabled());

    // A collection without ouvrages has no current line to rename.
    main.Nouveau1Click();
    main.Edition1Click();
    EXPECT_FALSE(main.Renommer1->isEnabled());

    // An opened collection's list has its first line current, whose ouvrage
    // the log window shows, even with nothing selected.
    const std::string file = SampleFile();
    TFChild* c = main.OpenCollectionFile(file);
    c->SelectRows({});
    EXPECT_EQ(c->SelectedRow(), 0);
    main.Edition1Click();
    EXPECT_TRUE(main.Renommer1->isEnabled());

    // The recent files leave out the ones already open.
    emit main.Fichier1->aboutToShow();
    for (QAction* a : main.Ouvrirrecent1->actions()) EXPECT_NE(a->text().toStdString(), file);
    EXPECT_FALSE(main.Ouvrirrecent1->isEnabled());

    // Inverting a selection: nothing selected gives everything, and back.
    QAction* invert = nullptr;
    for (QAction* a : main.Collection1->actions())
        if (a->text().startsWith(QStringLiteral("Inverser"))) invert = a;
    ASSERT_NE(invert, nullptr);
    invert->trigger();
    EXPECT_EQ(c->GetSelectedRows(), (std::vector<int>{0, 1, 2, 3}));
    invert->trigger();
    EXPECT_TRUE(c->GetSelectedRows().empty());

    // The view items follow the active window.
    c->ShowLogView();
    emit main.Affichage1->aboutToShow();
    EXPECT_TRUE(main.Logs1->isChecked());
    EXPECT_FALSE(main.Liste1->isChecked());
}

TEST(CollectionGridModel, KeepsEveryLinesTextsThroughRewritesAndResizes)
{
    TCollectionGridModel model;
    model.SetColumnCount(3);
    model.SetRowCount(4);
    const std::string longText(300, 'x');   // a length of two bytes
    // Line 2 rewritten often enough for the buffer to be packed again.
    for (int k = 0; k < 2000; ++k) model.SetLine(2, {"I" + std::to_string(k), "", longText});
    model.SetLine(0, {"A", "\xC3\xA9t\xC3\xA9"});   // fewer texts than columns
    EXPECT_EQ(model.Text(2, 0), "I1999");
    EXPECT_EQ(model.Text(2, 1), "");
    EXPECT_EQ(model.Text(2, 2), longText);
    EXPECT_EQ(model.Text(0, 1), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(model.Text(0, 2), "");
    EXPECT_EQ(model.Text(1, 0), "");
    EXPECT_EQ(model.Text(4, 0), "");
    EXPECT_EQ(model.Text(0, 3), "");

    model.SetColumnCount(4);
    EXPECT_EQ(model.Text(2, 2), longText);
    EXPECT_EQ(model.Text(2, 3), "");
    model.SetColumnCount(1);
    EXPECT_EQ(model.Text(2, 0), "I1999");
    EXPECT_EQ(model.Text(2, 1), "");
    model.SetRowCount(1);
    model.SetRowCount(3);
    model.Squeeze();
    EXPECT_EQ(model.Text(0, 0), "A");
    EXPECT_EQ(model.Text(2, 0), "");
}
