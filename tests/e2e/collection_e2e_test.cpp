// The collection window as a person uses it: what is selected after opening,
// pasting and deleting, what a right-click shows, where a click on a level of
// the log leads, the names the program keeps for the files it opened.
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QTableWidget>

#include <tuple>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/spreadsheet_window.h"
#include "app/windows/tables_window.h"
#include "drawing/hit_maps.h"
#include "drawing/windows/log_window.h"
#include "e2e_program.h"
#include "store/blocks.h"
#include "temp_dir.h"

namespace {

class CollectionE2e : public E2eTest {
protected:
    // What the log window lists as the shown ouvrage's tubes.
    static std::vector<std::string> LogTubes()
    {
        std::vector<std::string> tubes;
        for (int i = 0; i < FCoupe->CTubes->count(); ++i) tubes.push_back(FCoupe->CTubes->itemText(i).toStdString());
        return tubes;
    }
    // The lines the collection's list shows selected (0-based), and whether
    // "Copier les ouvrages" can be chosen.
    std::pair<std::vector<int>, bool> Selection(TFChild& c)
    {
        std::vector<int> lines;
        for (const QModelIndex& i : c.StringGrid->selectionModel()->selectedRows()) lines.push_back(i.row());
        std::sort(lines.begin(), lines.end());
        const bool copy = Menu({"&Collection", "Copier les ouvrages"});
        return {lines, copy};
    }
};

TEST_F(CollectionE2e, TheCurrentLineIsSelectedAfterOpenPasteAndDelete)
{
    Start();
    TFChild& c = OpenSample();
    EXPECT_EQ(Selection(c), std::pair(std::vector<int>{0}, true));
    EXPECT_EQ(LogTubes(), std::vector<std::string>{"CUVELAGE"});   // PUITS-1's log

    ClickRow(c, 3);
    ASSERT_TRUE(Menu({"&Collection", "Copier les ouvrages"}));
    Ui().AnswerMessage(MsgResult::Yes, "Copie");   // replace PZ-MULTI by its copy
    ASSERT_TRUE(Menu({"&Collection", "Coller dans la collection courante"}));
    EXPECT_EQ(Selection(c), std::pair(std::vector<int>{3}, true));

    Ui().AnswerMessage(MsgResult::Yes, "Suppression");
    ASSERT_TRUE(Menu({"&Collection", "Supprimer les ouvrages"}));
    EXPECT_EQ(c.StringGrid->model()->rowCount(), 3);
    EXPECT_EQ(Selection(c), std::pair(std::vector<int>{2}, true));
    EXPECT_EQ(c.GridCell(0, 3), "F-VAL-01");
    EXPECT_EQ(LogTubes(), std::vector<std::string>{"CUVELAGE"});
}

TEST_F(CollectionE2e, ARightClickShowsItsOuvrageInTheLogBeforeTheTablesOpen)
{
    Start();
    TFChild& c = OpenSample();
    ClickRow(c, 0);
    ClickRow(c, 3, Qt::RightButton);
    ASSERT_TRUE(FTables->isVisible());
    EXPECT_EQ(LogTubes(), (std::vector<std::string>{"PMT1", "PMT2", "PMT3"}));
    EXPECT_EQ(FCoupe->View.Chemin, "PZ-MULTI");
    Key(FTables->ListBox1, Qt::Key_Escape);
    FTables->hide();
}

// A click on a level of the log opens its ouvrage's levels with that level's
// row selected, for both ouvrages of F-VAL-01 (36 levels of F1, then the two
// of F2 in the same table).
TEST_F(CollectionE2e, AClickOnALevelSelectsItsRowInTheSpreadsheet)
{
    Start();
    TFChild& c = OpenSample();
    struct Case {
        std::string design;
        int tableRow;
        int gridRow;
        std::string depth;
    };
    for (const Case& k : {Case{"F2", 37, 1, "6"}, Case{"F1", 5, 5, ""}, Case{"F2", 36, 0, "0"}}) {
        SCOPED_TRACE(k.design + " row " + std::to_string(k.tableRow));
        ClickRow(c, c.FindRow("F-VAL-01", k.design));
        if (!FCoupe->isVisible()) {
            ASSERT_TRUE(Menu({"&Affichage", "Afficher la coupe"}));
        }
        FCoupe->Area->repaint();
        Settle();
        QPoint at(-1, -1);
        for (const TZoneRect& z : ZonesNiveaux)
            if (z.Row == k.tableRow && z.Rect.Height() > 2) at = QPoint((z.Rect.Left + z.Rect.Right) / 2, (z.Rect.Top + z.Rect.Bottom) / 2);
        ASSERT_NE(at, QPoint(-1, -1)) << "the level is not drawn";
        std::vector<int> selected;
        std::string firstCell;
        WhenShown([] { return FTableur && FTableur->isVisible(); }, [&] {
            for (const QModelIndex& i : FTableur->Grid->selectionModel()->selectedIndexes())
                if (i.column() == 0) selected.push_back(i.row());
            if (!selected.empty()) firstCell = FTableur->Grid->item(selected[0], 0)->text().toStdString();
            FTableur->close();
        });
        Click(FCoupe->Area, at);
        ASSERT_TRUE(AllShownRan());
        EXPECT_EQ(selected, std::vector<int>{k.gridRow});
        if (!k.depth.empty()) {
            EXPECT_EQ(firstCell, k.depth);
        }
    }
}

// Levels stored out of depth order are sorted as the spreadsheet opens: the
// clicked level's row is selected where the sort puts it.
TEST_F(CollectionE2e, AClickOnALevelOfAnUnsortedTableSelectsItAfterTheSort)
{
    TDirBlock root("Carotix");
    root.SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
    root.SetPathString("B1\\Ouvrage\\D\xC3\xA9sign", 0, btString, "F");
    const std::vector<std::tuple<double, double, std::string>> levels = {{5, 10, "Sable"}, {0, 5, "Argile"}};
    for (int r = 0; r < 2; ++r) {
        root.SetPathFloat("B1\\Niveau\\Deb", r, btFloat, std::get<0>(levels[r]));
        root.SetPathFloat("B1\\Niveau\\Fin", r, btFloat, std::get<1>(levels[r]));
        root.SetPathString("B1\\Niveau\\Litho", r, btString, std::get<2>(levels[r]));
    }
    root.SaveToFile(SavePath("desordre.crx").string());
    Start();
    TFChild& c = Open(SavePath("desordre.crx"));
    ClickRow(c, 0);
    if (!FCoupe->isVisible()) {
        ASSERT_TRUE(Menu({"&Affichage", "Afficher la coupe"}));
    }
    FCoupe->Area->repaint();
    Settle();
    QPoint at(-1, -1);
    for (const TZoneRect& z : ZonesNiveaux)
        if (z.Row == 0 && z.Rect.Height() > 2) at = QPoint((z.Rect.Left + z.Rect.Right) / 2, (z.Rect.Top + z.Rect.Bottom) / 2);
    ASSERT_NE(at, QPoint(-1, -1));
    std::vector<std::string> selected;
    WhenShown([] { return FTableur && FTableur->isVisible(); }, [&] {
        for (const QModelIndex& i : FTableur->Grid->selectionModel()->selectedIndexes())
            if (i.column() == 0) selected.push_back(FTableur->Grid->item(i.row(), 0)->text().toStdString());
        Ui().AnswerMessage(MsgResult::No, "Edition");   // the sorted rows are not kept
        FTableur->close();
    });
    Ui().AnswerMessage(MsgResult::Ok, "Tri automatique");
    Click(FCoupe->Area, at);
    EXPECT_EQ(selected, std::vector<std::string>{"5"});
}

// A file named on the command line relative to the working folder is known by
// its whole path: in the caption and in the recent files written at exit.
TEST_F(CollectionE2e, FilesNamedOnTheCommandLineAreKnownByTheirWholePath)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(Folder().string())));
    Start("Exemples/exemple.crx");
    QDir::setCurrent(before);
    ASSERT_EQ(Main().Children().size(), 1u);
    TFChild& c = *Main().Children().front();
    EXPECT_EQ(c.Caption(), SamplePath().string());
    EXPECT_EQ(c.FFileName(), SamplePath().string());
    Quit();
    EXPECT_NE(ReadFileBytes(Folder() / "carotix.ini").find("Fichier0=" + SamplePath().string() + "\r\n"), std::string::npos);
}

}  // namespace
