// The collection window as a person uses it: what is selected after opening,
// pasting, deleting and sorting, how wide the log strips are, what a
// right-click shows, where a click on a level of the log leads, the names the
// program keeps for the files it opened, and a save over a file that another
// writer changed since it was opened.
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QTableWidget>

#include <fstream>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(LogTubes(), std::vector<std::string>{});   // F2's log: sealed, no tube left
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
// row selected, for both ouvrages of F-VAL-01 (13 levels of F1, then the five
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
    for (const Case& k : {Case{"F2", 16, 3, "13"}, Case{"F1", 5, 5, "21"}, Case{"F2", 13, 0, "0"}}) {
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

// A header click sorts the list and selects the current line, so that the
// commands on selected ouvrages work at once, as after opening.
TEST_F(CollectionE2e, TheCurrentLineIsSelectedAfterASort)
{
    Start();
    TFChild& c = OpenSample();
    QHeaderView* header = c.StringGrid->horizontalHeader();
    auto clickHeader = [&](int column) {
        Click(header->viewport(), QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    clickHeader(0);   // by Indice: F-VAL-01 F1, F-VAL-01 F2, PUITS-1, PZ-MULTI
    EXPECT_EQ(c.GridCell(0, 1), "F-VAL-01");
    EXPECT_EQ(c.GridCell(0, 4), "PZ-MULTI");
    EXPECT_EQ(Selection(c), std::pair(std::vector<int>{0}, true));
    EXPECT_EQ(FCoupe->View.Chemin, "F-VAL-01");

    ClickRow(c, 2);
    clickHeader(0);   // reversed
    EXPECT_EQ(c.GridCell(0, 1), "PZ-MULTI");
    EXPECT_EQ(Selection(c), std::pair(std::vector<int>{2}, true));
}

// The log strips are wide enough for their Indices: the two ouvrages of
// F-VAL-01 and the piezometer show their names whole in the headers.
TEST_F(CollectionE2e, TheLogStripHeadersShowTheIndicesWhole)
{
    Start();
    TFChild& c = OpenSample();
    ASSERT_TRUE(Menu({"&Affichage", "Logs"}));
    Settle();
    QWidget* strips = c.DrawGrid;
    ASSERT_TRUE(strips->isVisible());
    // The header cells are outlined in light grey: on the row below their top
    // edge, above the text, only their left and right edges are grey.
    const QImage shot = strips->grab().toImage();
    const QRgb grey = QColor(Qt::lightGray).rgb();
    std::vector<int> edges;
    for (int x = 0; x < shot.width(); ++x)
        if (shot.pixel(x, 1) == grey) edges.push_back(x);
    ASSERT_GE(edges.size(), 2u);
    const int width = edges[1] + 1;
    EXPECT_GE(width, 64);
    const QFontMetrics fm(strips->font());
    for (int col = 0; col < 4 && (col + 1) * width <= shot.width(); ++col) {
        const std::string indice = c.GridCell(0, col + 1);
        SCOPED_TRACE(indice);
        EXPECT_EQ(shot.pixel(col * width, 1), grey);
        EXPECT_EQ(shot.pixel(col * width + width - 1, 1), grey);
        // Drawn one pixel in, within the cell's outline.
        EXPECT_LE(1 + fm.horizontalAdvance(QString::fromStdString(indice)), width - 2);
    }
    // A click on the last strip selects its line in the list.
    Click(strips, QPoint(3 * width + width / 2, strips->height() / 2));
    EXPECT_EQ(c.StringGrid->currentRow(), 3);
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

// Two writers of one collection: the sample open in two windows, as in two
// instances. The second window cuts PUITS-1 and saves; the first, opened
// before that save, cuts PZ-MULTI and saves. It asks before writing over the
// other's change: "Non" writes nothing and leaves the window modified, to be
// saved under another name; there, a change made by another program is asked
// about too, and "Oui" replaces it. A window's own saves ask nothing.
TEST_F(CollectionE2e, ASaveOverAFileAnotherWriterChangedAsksFirst)
{
    Start();
    TFChild& first = OpenSample();
    TFChild& second = OpenSample();
    auto cut = [&](TFChild& c, const std::string& indice, const std::string& design) {
        ClickRow(c, c.FindRow(indice, design));
        Ui().AnswerMessage(MsgResult::Yes, "Suppression");
        ASSERT_TRUE(Menu({"&Collection", "Couper les ouvrages"}));
        ASSERT_LT(c.FindRow(indice, design), 0);
    };
    auto question = [](const std::filesystem::path& file) {
        return "Le fichier \xC2\xAB " + file.string() +
               " \xC2\xBB a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9 par un autre programme depuis son ouverture. "
               "Voulez-vous le remplacer ?";
    };

    cut(second, "PUITS-1", "PUITS-1");
    ASSERT_TRUE(Menu({"&Fichier", "En&registrer"}));
    const std::string savedBySecond = ReadFileBytes(SamplePath());
    ASSERT_LT(ReadCrx(SamplePath())->IndexOfDir("PUITS-1"), 0);
    ASSERT_TRUE(Menu({"&Fichier", "Fermer"}));
    Settle();
    ASSERT_EQ(Main().ActiveChild(), &first);

    cut(first, "PZ-MULTI", "PZ-MULTI");
    const std::size_t asked = Ui().Prompts().size();
    Ui().AnswerMessage(MsgResult::No, "Collection exemple.crx");
    ASSERT_TRUE(Menu({"&Fichier", "En&registrer"}));
    ASSERT_EQ(Ui().Prompts().size(), asked + 1);
    EXPECT_EQ(Ui().Prompts().back().text, question(SamplePath()));
    EXPECT_EQ(Ui().Prompts().back().buttons, MsgYesNo);
    EXPECT_EQ(ReadFileBytes(SamplePath()), savedBySecond);
    EXPECT_TRUE(first.IsModified());

    const std::filesystem::path mine = SavePath("mien.crx");
    Ui().AnswerFile(mine.string(), "Enregistrer la collection sous...");
    ASSERT_TRUE(Menu({"&Fichier", "Enregistrer &sous..."}));
    EXPECT_FALSE(first.IsModified());
    EXPECT_GE(ReadCrx(mine)->IndexOfDir("PUITS-1"), 0);
    EXPECT_LT(ReadCrx(mine)->IndexOfDir("PZ-MULTI"), 0);
    EXPECT_EQ(ReadFileBytes(SamplePath()), savedBySecond);

    // Another program rewrites the new file, byte for byte as it was, within
    // the same second as the window's save: the stamp still tells.
    const std::string before = ReadFileBytes(mine);
    ReadCrx(mine)->SaveToFile(mine.string());
    ASSERT_EQ(ReadFileBytes(mine), before);
    cut(first, "PUITS-1", "PUITS-1");
    Ui().AnswerMessage(MsgResult::Yes, "Collection mien.crx");
    ASSERT_TRUE(Menu({"&Fichier", "En&registrer"}));
    EXPECT_EQ(Ui().Prompts().back().text, question(mine));
    EXPECT_FALSE(first.IsModified());
    EXPECT_LT(ReadCrx(mine)->IndexOfDir("PUITS-1"), 0);

    // After its own save, the window asks nothing (an unscripted box fails).
    cut(first, "F-VAL-01", "F2");
    ASSERT_TRUE(Menu({"&Fichier", "En&registrer"}));
    EXPECT_FALSE(first.IsModified());
    Quit();
}

// Another program rewrites the open collection in place, keeping its size
// and its inode, and puts back its modification time to the nanosecond (as a
// sync tool or `touch -r` does): the save still asks before writing over it,
// and "Non" leaves their file as they wrote it.
TEST_F(CollectionE2e, ASaveAfterARewriteThatKeptItsTimeAsksFirst)
{
    Start();
    TFChild& c = OpenSample();
    const std::filesystem::path file = SamplePath();
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    // File times come from the kernel's coarse clock: the rewrite comes once
    // it has passed the file's change time, as a later program's would.
    for (timespec now {}; ::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0 &&
                          (now.tv_sec < before.st_ctim.tv_sec ||
                           (now.tv_sec == before.st_ctim.tv_sec && now.tv_nsec <= before.st_ctim.tv_nsec));)
        ::usleep(1000);
    std::string theirs = ReadFileBytes(file);
    const std::size_t at = theirs.find("PZ-MULTI");
    ASSERT_NE(at, std::string::npos);
    theirs.replace(at, 8, "PZ-MULTX");
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << theirs;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    ASSERT_EQ(after.st_size, before.st_size);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    ClickRow(c, c.FindRow("PUITS-1", "PUITS-1"));
    Ui().AnswerMessage(MsgResult::Yes, "Suppression");
    ASSERT_TRUE(Menu({"&Collection", "Couper les ouvrages"}));
    const std::size_t asked = Ui().Prompts().size();
    Ui().AnswerMessage(MsgResult::No, "Collection exemple.crx");
    ASSERT_TRUE(Menu({"&Fichier", "En&registrer"}));
    ASSERT_EQ(Ui().Prompts().size(), asked + 1) << "the save asked nothing";
    EXPECT_EQ(Ui().Prompts().back().text,
              "Le fichier \xC2\xAB " + file.string() +
                  " \xC2\xBB a \xC3\xA9t\xC3\xA9 modifi\xC3\xA9 par un autre programme depuis son ouverture. "
                  "Voulez-vous le remplacer ?");
    EXPECT_EQ(ReadFileBytes(file), theirs);
    EXPECT_TRUE(c.IsModified());
    Ui().AnswerMessage(MsgResult::No, "Collection exemple.crx");
    Quit();
}

}  // namespace
