// Every window of the program at the size it opens with, with the installed
// fonts: the windows of the start-up, then the windows and dialogs their
// commands open, each opened as a person opens it (menus, tool buttons).
// Each must show the whole text of its labels, check boxes, radio buttons,
// push and tool buttons, hide no tool bar button behind an extension button
// and keep its caption button inside the window (window_geometry.h). A
// picture of each goes to the build's shots/windows/ for people to look at.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <functional>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <string>
#include <vector>

#include "app/windows/collection_window.h"
#include "platform/windows/info_window.h"
#include "platform/windows/name_window.h"
#include "platform/windows/progress_window.h"
#include "platform/windows/question_window.h"
#include "app/tubes_logic.h"
#include "coding/windows/lexicon_picker_window.h"
#include "exchange/windows/database_window.h"
#include "exchange/windows/fixed_width_import_command.h"
#include "app/windows/main_window.h"
#include "drawing/code_models.h"
#include "drawing/windows/colours_window.h"
#include "drawing/windows/palette_window.h"
#include "e2e_program.h"
#include "store/blocks.h"
#include "temp_dir.h"
#include "window_geometry.h"

namespace fs = std::filesystem;

namespace {

class WindowGeometry : public E2eTest {
protected:
    // Checks a window as it shows now and keeps its picture.
    void Check(QWidget* window, const std::string& name)
    {
        ASSERT_TRUE(window) << name;
        Settle();
        // A screen narrower than the usual desk (the test runs on one too):
        // every window still fits it, shows its texts whole and folds no
        // tool bar button or menu away; only long status messages are cut.
        const QRect screen = window->screen()->availableGeometry();
        const bool small = screen.width() < 1024;
        for (const std::string& fault : WindowGeometryFaults(window, small)) faults_.push_back(name + ": " + fault);
        fs::path shots = fs::path(CAROTIX_SHOTS_DIR) / "windows";
        if (small) shots /= std::to_string(screen.width()) + "x" + std::to_string(screen.height());
        SaveWindowShot(window, shots / (name + ".png"));
        ++checked_;
    }

    // Opens a modal window through a menu item of the main window (found by
    // its name, reached through the menu bar by its captions), checks it
    // and closes it with Escape.
    void CheckModal(const char* itemName, const std::string& name)
    {
        QAction* item = Main().findChild<QAction*>(QString::fromLatin1(itemName));
        ASSERT_TRUE(item) << itemName;
        QMenu* menu = nullptr;
        for (QObject* o : item->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o)) menu = m;
        ASSERT_TRUE(menu) << itemName;
        CheckModalAfter(name, [&] {
            EXPECT_TRUE(Menu({menu->title().toStdString(), item->text().toStdString()})) << itemName;
        });
    }

    // Runs an action that shows a modal window, checks the window, runs
    // `inside` in it and closes it.
    void CheckModalAfter(const std::string& name, const std::function<void()>& action,
                         const std::function<void(QWidget*)>& inside = {})
    {
        bool seen = false;
        WhenShown([] { return QApplication::activeModalWidget() != nullptr; },
                  [&] {
                      QWidget* w = QApplication::activeModalWidget();
                      seen = true;
                      Check(w, name);
                      if (inside) inside(w);
                      if (w->isVisible()) Key(w, Qt::Key_Escape);
                  });
        action();
        Settle();
        EXPECT_TRUE(seen) << name << " did not show";
    }

    // Inside a modal window: runs an action that shows another modal window
    // above it, checks that one and closes it. (The scheduled actions of
    // WhenShown do not run again while one of them runs.)
    void CheckInnerModal(const std::string& name, const std::function<void()>& action)
    {
        QWidget* outer = QApplication::activeModalWidget();
        bool seen = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (seen || !w || w == outer) return;
            seen = true;
            poll.stop();
            Check(w, name);
            Key(w, Qt::Key_Escape);
        });
        poll.start();
        action();
        poll.stop();
        Settle();
        EXPECT_TRUE(seen) << name << " did not show";
    }

    std::vector<std::string> faults_;
    int checked_ = 0;
};

TEST_F(WindowGeometry, EveryWindowShowsItsWholeTextsAtTheSizeItOpensWith)
{
    // The fixed-width export needs a filter file chosen beforehand.
    {
        const fs::path ini = Folder() / "carotix.ini";
        std::string text = ReadFileBytes(ini);
        const std::string key = "\r\nFiltre=\r\n";
        const std::size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, key.size(), "\r\nFiltre=" + (Folder() / "filtre_bss.txt").string() + "\r\n");
        WriteFileBytes(ini, text);
    }
    Start(SamplePath().string());
    TFChild* child = Main().ActiveChild();
    ASSERT_TRUE(child);
    ClickRow(*child, 0);

    // The start-up: the main window with its collection, the log window
    // beside it, the help box; then the help topics through "Aide" > "Index".
    Check(&Main(), "main");
    Check(Window("TFCoupe"), "log");
    Check(Window("TFHelp"), "help");
    ASSERT_TRUE(Menu({"Ai&de", "Index"}));
    Check(Window("TFRubriques"), "help-topics");

    // The dialogs of the menus.
    CheckModal("Imprimer1", "print");
    CheckModal("ImpressionRapports1", "print-reports");
    CheckModal("ExporterWMF1", "metafile-export");
    CheckModal("ExporterOracle1", "fixed-width-export");
    CheckModal("ExporterCsv1", "csv-export");
    CheckModal("RechNiv1", "level-search");
    // The code models, and the pattern chooser of their "Motif" column (a
    // right click on a cell).
    CheckModalAfter(
        "code-models", [&] { EXPECT_TRUE(Menu({"Confi&guration", "Mod\xC3\xA8les de motifs et couleurs..."})); },
        [&](QWidget* w) {
            auto* grid = w->findChild<QTableView*>(QStringLiteral("Grid"));
            ASSERT_TRUE(grid);
            CheckInnerModal("patterns", [&] { ClickCell(grid, 1, kModelColMotif, Qt::RightButton); });
        });
    CheckModal("Editiondubandeau1", "title-block");
    CheckModal("Choixdescouleurs1", "colours");
    CheckModal("Configurationdudessin1", "drawing-options");
    CheckModal("FiltredimporationOracle1", "filter-choice");
    CheckModal("ExplorerStructure1", "structure");
    CheckModal("MultiplierChamp1", "multiply");
    CheckModal("Basededonne1", "database");
    // The coding rules, and the words they use ("Mots employ\xC3\xA9s...").
    CheckModalAfter(
        "coding", [&] { EXPECT_TRUE(Menu({"Confi&guration", "Configuration du codage..."})); },
        [&](QWidget* w) {
            auto* words = w->findChild<QPushButton*>(QStringLiteral("Button1"));
            ASSERT_TRUE(words);
            CheckInnerModal("word-lists", [&] { Click(words); });
            // Only its buttons close it: "Annuler" drops what was typed.
            Click(w->findChild<QPushButton*>(QStringLiteral("Button3")));
        });
    ASSERT_TRUE(Menu({"&Affichage", "Afficher l'image"}));
    Check(Window("TFImage"), "picture");
    // It stays on top: it opens where it hides no menu, tool bar or button
    // of the main window or of the log window.
    {
        const QRect picture = Window("TFImage")->frameGeometry();
        EXPECT_TRUE(Window("TFImage")->screen()->availableGeometry().contains(picture));
        for (QWidget* window : {static_cast<QWidget*>(&Main()), Window("TFCoupe")})
            for (QWidget* w : window->findChildren<QWidget*>())
                if (w->isVisible() && (qobject_cast<QMenuBar*>(w) || qobject_cast<QToolBar*>(w) ||
                                       qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w))) {
                    EXPECT_FALSE(picture.intersects(QRect(w->mapToGlobal(QPoint(0, 0)), w->size())))
                        << "the picture at " << picture.x() << "," << picture.y() << " hides "
                        << w->metaObject()->className() << " " << w->objectName().toStdString();
                }
    }

    // The editors of the ouvrage's tables, through the "O&uvrage" menu on the
    // first ouvrage.
    const char* const tables[][2] = {{"Informations sur l'ouvrage", "record-sheet"},
                                     {"Gestion des tubes", "tubes"},
                                     {"Mots-cl\xC3\xA9s", "keywords"}};
    for (const auto& [caption, name] : tables)
        CheckModalAfter(name, [&] { EXPECT_TRUE(Menu({"O&uvrage", caption})) << caption; });
    // The level spreadsheet, and the pickers of its cells (a right click):
    // the stratigraphy chooser and the list of codes.
    CheckModalAfter(
        "spreadsheet", [&] { EXPECT_TRUE(Menu({"O&uvrage", "Niveau"})); },
        [&](QWidget* w) {
            auto* grid = w->findChild<QTableWidget*>(QStringLiteral("Grid"));
            ASSERT_TRUE(grid);
            for (const auto& [title, name] : {std::pair{"Stratigraphie", "stratigraphy"}, std::pair{"Code", "code-list"}})
                for (int c = 0; c < grid->columnCount(); ++c)
                    if (grid->horizontalHeaderItem(c) && grid->horizontalHeaderItem(c)->text() == QString::fromUtf8(title))
                        CheckInnerModal(name, [&] { ClickCell(grid, 0, c, Qt::RightButton); });
        });
    // The report of the selected ouvrage, by the main window's tool button.
    CheckModalAfter("report", [&] {
        QAction* report = Main().findChild<QAction*>(QStringLiteral("ToolButtonRapport"));
        ASSERT_TRUE(report);
        for (QToolButton* b : Main().findChildren<QToolButton*>())
            if (b->isVisible() && b->text() == report->text()) return Click(b);  // the bar's or its row's
        ADD_FAILURE() << "no visible tool button shows the report";
    });

    // Last, as it hides the help box.
    CheckModalAfter("about", [&] { EXPECT_TRUE(Menu({"Ai&de", "A propos"})); });

    EXPECT_EQ(checked_, 30);
    std::string all;
    for (const std::string& f : faults_) all += "\n  " + f;
    EXPECT_TRUE(faults_.empty()) << faults_.size() << " fault(s):" << all;
}

}  // namespace

namespace {

// The palette opened from the colour table ("Palette..."): its current cell
// shows the colour it opens on, framed in black, not the selection's
// highlight.
TEST_F(WindowGeometry, ThePaletteShowsTheColourItOpensOnWithABlackOutline)
{
    Start();
    QAction* item = Main().findChild<QAction*>(QStringLiteral("Choixdescouleurs1"));
    ASSERT_TRUE(item);
    QMenu* menu = nullptr;
    for (QObject* o : item->associatedObjects())
        if (auto* m = qobject_cast<QMenu*>(o)) menu = m;
    ASSERT_TRUE(menu);
    bool checked = false;
    WhenShown([] { return FCouleurs && FCouleurs->isVisible(); },
              [&] {
                  QTimer::singleShot(300, [&] {
                      QWidget* w = QApplication::activeModalWidget();
                      ASSERT_TRUE(FPalette && w == FPalette);
                      Check(FPalette, "palette");
                      QTableWidget* grid = FPalette->DrawGrid;
                      const QModelIndex cell = grid->model()->index(grid->currentRow(), grid->currentColumn());
                      const QRect r = grid->visualRect(cell);
                      const QImage picture = grid->viewport()->grab().toImage();
                      const QColor colour = grid->item(cell.row(), cell.column())->background().color();
                      EXPECT_EQ(picture.pixelColor(r.center()), colour);
                      EXPECT_EQ(picture.pixelColor(r.topLeft()), QColor(Qt::black));
                      EXPECT_EQ(picture.pixelColor(r.bottomRight()), QColor(Qt::black));
                      checked = true;
                      Key(FPalette, Qt::Key_Escape);
                  });
                  Click(FCouleurs->Button3);
                  Key(FCouleurs, Qt::Key_Escape);
              });
    ASSERT_TRUE(Menu({menu->title().toStdString(), item->text().toStdString()}));
    Settle();
    EXPECT_TRUE(checked);
    EXPECT_TRUE(faults_.empty());
}

}  // namespace

namespace {

// The program's own prompts and pop-ups, shown with the texts the program
// gives them: the question and name windows (which the scripted prompts
// stand in for elsewhere), a message asking "Voulez-vous ...", the progress
// window, the information pop-up, the designation chooser of the download
// and the lexicon picker.
TEST_F(WindowGeometry, EveryPromptAndPopUpShowsItsWholeTexts)
{
    Start();
    QtUiServices qt;
    qt.SetParentWindow(&Main());
    qt.SetQuestionDialog(FQuestion);
    qt.SetNameDialog(FNomOuvrage);
    std::string answer;
    CheckModalAfter("question", [&] { qt.AskText({kTubeAddCaption, kTubeAddQuestion, ""}, answer); });
    CheckModalAfter("question-field", [&] {
        qt.AskText({"Importer lexique", "Champ dans la collection (R\xC3\xA9pertoire\\NomChamp) :", "Ouvrage\\Lithologie"},
                   answer);
    });
    NamePrompt name{"Nouvel ouvrage", "BSS000ABCD", "FORAGE DE LA FONTAINE SAINT-MARTIN"};
    CheckModalAfter("name", [&] { qt.AskName(name, name); });
    CheckModalAfter("yes-no", [&] {
        qt.Message({"Copie",
                    "L'ouvrage BSS000ABCD FORAGE DE LA FONTAINE SAINT-MARTIN existe d\xC3\xA9j\xC3\xA0. "
                    "Voulez-vous le remplacer ?",
                    MsgIcon::Question, MsgYesNoCancel});
    });

    ASSERT_TRUE(FProgress);
    FProgress->Start("Progression...", kOracleImportProgressLabel, 0, 10);
    FProgress->SetLabel("/home/utilisateur/Documents/Forages/Campagne 2026/export_bss_departement_35.txt");
    Check(FProgress, "progress");
    FProgress->hide();

    ASSERT_TRUE(FInfo);
    InfoSetText("Indice :\tBSS000ABCD\r\nD\xC3\xA9signation :\tFORAGE DE LA FONTAINE SAINT-MARTIN\r\n"
                "Profondeur :\t152,40 m\r\nNiveaux :\t23");
    FInfo->move(Main().geometry().center());
    FInfo->show();
    for (const InfoPiece& p : FInfo->Pieces)
        EXPECT_LE(p.x + FInfo->Measure(p.text).width, FInfo->width()) << p.text;
    Check(FInfo, "information");
    FInfo->hide();

    ASSERT_TRUE(FAutoDesign);
    int chosen = -1;
    CheckModalAfter("designation-chooser", [&] {
        FAutoDesign->Choose("FORAGE DE LA FONTAINE SAINT-MARTIN",
                            {"BSS000ABCD FORAGE FONTAINE ST MARTIN", "BSS000ABCE PIEZOMETRE DU BOURG"}, chosen);
    });
    std::string code;
    CheckModalAfter("lexicon", [&] {
        PickLexicon({"AL", "AR", "CA", "GR", "LI", "MA", "SA", "SI", "TO", "TV"},
                    {"Alluvions", "Argile", "Calcaire", "Granite", "Limon", "Marne", "Sable", "Silex", "Terre v\xC3\xA9g\xC3\xA9tale",
                     "Tout-venant"},
                    code);
    });

    EXPECT_EQ(checked_, 8);
    std::string all;
    for (const std::string& f : faults_) all += "\n  " + f;
    EXPECT_TRUE(faults_.empty()) << faults_.size() << " fault(s):" << all;
}

}  // namespace
