// Every item of every menu, chosen through the menu bar on the sample
// collection, runs its command: no exception box, no prompt other than the
// ones the command asks, no window left open that a person could not close.
// The pop-up menus inside the windows too: the spreadsheet's cell menus, the
// code models' "Classer" menu and the coding rules' clipboard menu.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QMenu>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/spreadsheet_window.h"
#include "app/windows/tables_window.h"
#include "coding/windows/coding_rules_window.h"
#include "drawing/code_models.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "e2e_program.h"
#include "platform/printer_info.h"
#include "store/blocks.h"
#include "temp_dir.h"

namespace {

class MenusE2e : public E2eTest {
protected:
    // Opens a pop-up menu by `open` (a right-click or a click on its button)
    // and clicks its item `caption`. A menu without that item is closed and
    // fails the pick, as does no menu at all: the run never hangs.
    void Pick(const std::string& caption, const std::function<void()>& open)
    {
        bool done = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (done || !menu || !menu->isVisible()) return;
            done = true;
            for (QAction* a : menu->actions())
                if (!a->isSeparator() && a->isVisible() && PlainCaption(a->text()).toStdString() == caption) {
                    const QPoint at = menu->actionGeometry(a).center();
                    QTest::mouseMove(menu, at);
                    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
                    return;
                }
            ADD_FAILURE() << caption << ": not in the pop-up";
            menu->close();
        });
        watch.start(10);
        open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return done && !QApplication::activePopupWidget(); }, 2000))
            << caption << ": no pop-up, or it stayed open";
        Settle();
    }
    static std::string Clipboard() { return QApplication::clipboard()->text().toStdString(); }
};

struct MenuPath {
    std::vector<std::string> path;
    std::string text;
};

std::vector<MenuPath> AllItems(QMenuBar* bar)
{
    std::vector<MenuPath> items;
    std::function<void(QMenu*, std::vector<std::string>)> walk = [&](QMenu* menu, std::vector<std::string> path) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            std::vector<std::string> p = path;
            p.push_back(a->text().toStdString());
            if (a->menu()) {
                walk(a->menu(), p);
                continue;
            }
            std::string text;
            for (const std::string& s : p) text += (text.empty() ? "" : " > ") + PlainCaption(QString::fromStdString(s)).toStdString();
            items.push_back({p, text});
        }
    };
    for (QAction* top : bar->actions())
        if (top->menu()) walk(top->menu(), {top->text().toStdString()});
    return items;
}

// Closes the modal windows the items open as a person would: Escape first,
// then the window's "Annuler", "Fermer" or "Ok" button. A window still open
// two seconds later, a box shown outside the prompt layer or a pop-up left
// open fails the item and is closed by force: the run never hangs.
class ModalCloser {
public:
    // The menus of the bar and the pop-ups the test itself opens are left alone.
    ModalCloser(QMenuBar* bar, const std::string& item, std::vector<QWidget*> ownPopups = {})
        : item_(item), barMenus_(std::move(ownPopups))
    {
        for (QMenu* m : bar->findChildren<QMenu*>()) barMenus_.push_back(m);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(20);
    }

    // How many modal windows showed.
    int Seen() const { return seen_; }

private:
    void Tick()
    {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            if (std::find(barMenus_.begin(), barMenus_.end(), popup) != barMenus_.end()) return;
            ADD_FAILURE() << item_ << ": a pop-up " << popup->metaObject()->className() << " stayed open";
            popup->close();
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != modal_) {
            modal_ = modal;
            ticks_ = 0;
            if (modal) ++seen_;
            if (qobject_cast<QMessageBox*>(modal))
                ADD_FAILURE() << item_ << ": a box outside the prompt layer: " << PlainCaption(modal->windowTitle()).toStdString();
        }
        if (!modal) return;
        ++ticks_;
        if (ticks_ == 1) {
            QTest::keyClick(modal, Qt::Key_Escape);
        } else if (ticks_ == 10) {
            for (const char* caption : {"Annuler", "Fermer", "Ok", "OK"})
                for (QPushButton* b : modal->findChildren<QPushButton*>())
                    if (b->isVisible() && b->isEnabled() && PlainCaption(b->text()) == QString::fromUtf8(caption)) {
                        QTest::mouseClick(b, Qt::LeftButton);
                        return;
                    }
        } else if (ticks_ == 100) {
            ADD_FAILURE() << item_ << ": the modal window " << modal->metaObject()->className() << " stayed open";
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
            else modal->hide();
        }
    }

    const std::string& item_;
    std::vector<QWidget*> barMenus_;
    QTimer timer_;
    QWidget* modal_ = nullptr;
    int ticks_ = 0;
    int seen_ = 0;
};

TEST_F(MenusE2e, EveryItemRunsOnTheSampleCollection)
{
    Start();
    std::string current;
    ModalCloser closer(Main().menuBar(), current);
    // Boxes with only "OK" are read and closed; the questions and dialogs
    // each item asks are answered below, in order.
    Ui().SetAutoOk(true);
    const std::string pdf = SavePath("motifs.pdf").string();
    const std::map<std::string, std::function<void(FakeUiServices&)>> answers = {
        {"Fichier > Ouvrir...", [](FakeUiServices& f) { f.CancelFiles(); }},
        {"Fichier > Enregistrer sous...", [](FakeUiServices& f) { f.CancelFiles(); }},
        {"Fichier > Importer Dravel...", [](FakeUiServices& f) { f.CancelFiles(); }},
        {"Fichier > Importer Vexto...", [](FakeUiServices& f) { f.CancelFiles(); }},
        {"Fichier > Importer Csv...", [](FakeUiServices& f) { f.CancelFiles("Importer fichiers Csv"); }},
        {"Collection > Couper les ouvrages", [](FakeUiServices& f) { f.AnswerMessage(MsgResult::No, "Suppression"); }},
        {"Collection > Coller dans la collection courante",
         [](FakeUiServices& f) { f.AnswerMessage(MsgResult::No, "Copie").AnswerMessage(MsgResult::No, "Copie"); }},
        {"Collection > Supprimer les ouvrages", [](FakeUiServices& f) { f.AnswerMessage(MsgResult::No, "Suppression"); }},
        {"Op\xC3\xA9rations > Exporter les niveaux lithologiques s\xC3\xA9lectionn\xC3\xA9s",
         [](FakeUiServices& f) { f.CancelFiles(); }},
        // A machine without a printer prints into a file: the dialog, cancelled;
        // with one, the question of the page count, declined.
        {"Op\xC3\xA9rations > Imprimer la liste des motifs...",
         [](FakeUiServices& f) {
             if (PrinterWritesPdfFile(CurrentPrinter())) f.CancelFiles("Imprimer dans un fichier PDF");
             else f.AnswerMessage(MsgResult::No);
         }},
        {"Ouvrage > Nouvel ouvrage...", [](FakeUiServices& f) { f.CancelName("Nouvel ouvrage"); }},
        {"Ouvrage > Renommer...", [](FakeUiServices& f) { f.CancelName("Renommer l'ouvrage"); }},
    };
    const std::vector<MenuPath> items = AllItems(Main().menuBar());
    std::vector<std::string> ran;
    for (const MenuPath& item : items) {
        if (item.text == "Fichier > Quitter") continue;
        // Back to the sample alone, unchanged, as a list, its first ouvrage
        // selected.
        while (TFChild* c = Main().ActiveChild()) {
            if (c->FFileName() == SamplePath().string() && !c->IsModified() && !c->FilterEmpty() &&
                c->CurrentView() == TFChild::View::List)
                break;
            if (c->IsModified()) Ui().AnswerMessage(MsgResult::No);
            ASSERT_TRUE(Menu({"&Fichier", "Fermer"}));
        }
        if (Main().Children().empty()) OpenSample();
        TFChild* c = Main().ActiveChild();
        ASSERT_TRUE(c);
        if (c->GetSelectedRows() != std::vector<int>{0}) ClickRow(*c, 0);
        current = item.text;
        Ui().SetFailureReporter([&item](const std::string& m) { ADD_FAILURE() << item.text << ": " << m; });
        if (const auto it = answers.find(item.text); it != answers.end()) it->second(Ui());
        if (Menu(item.path)) ran.push_back(item.text);
        Settle(20);
        EXPECT_EQ(Ui().PendingAnswers(), 0u) << item.text << ": a scripted answer was not asked for";
        while (Ui().PendingAnswers() > 0) Ui().Reset();
        Ui().SetFailureReporter([](const std::string& m) { ADD_FAILURE() << m; });
    }
    // Every item was enabled and reached on the sample with a selection.
    std::vector<std::string> notRun;
    for (const MenuPath& item : items)
        if (item.text != "Fichier > Quitter" && std::find(ran.begin(), ran.end(), item.text) == ran.end())
            notRun.push_back(item.text);
    EXPECT_EQ(notRun, std::vector<std::string>{});
    // The menus of every window: the main window's bar is the only one.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != &Main()) EXPECT_TRUE(w->findChildren<QMenuBar*>().empty()) << w->metaObject()->className();
    // And the last item ends the program.
    current = "Fichier > Quitter";
    for (TFChild* child : Main().Children())
        if (child->IsModified()) Ui().AnswerMessage(MsgResult::No);
    Quit();
}

// The collection window's own menu, the list of tables a right-click opens:
// each entry opens its editor on the clicked ouvrage.
TEST_F(MenusE2e, EveryEntryOfTheTablesPopUpOpensItsEditor)
{
    Start();
    TFChild& c = OpenSample();
    std::string current;
    ModalCloser closer(Main().menuBar(), current, {FTables});
    const int entries = FTables->ListBox1->count();
    ASSERT_GT(entries, 0);
    for (int i = 0; i < entries; ++i) {
        current = FTables->ListBox1->item(i)->text().toStdString();
        const int before = closer.Seen();
        ClickRow(c, 0, Qt::RightButton);
        ASSERT_TRUE(FTables->isVisible()) << current;
        ClickCell(FTables->ListBox1, i, 0);
        Settle(20);
        EXPECT_EQ(closer.Seen(), before + 1) << current << ": no editor showed";
        EXPECT_FALSE(FTables->isVisible()) << current;
    }
    EXPECT_FALSE(c.IsModified());
}

// The spreadsheet's cell menus, opened by the right button and by the
// "Lexique" button: the form's menu on a column without lexicon, the
// lexicon's own menu on "Type"; what they did is what is saved.
TEST_F(MenusE2e, TheSpreadsheetCellMenusRunEachItem)
{
    Start();
    const auto before = ReadCrx(SamplePath());
    TFChild& c = OpenSample();
    ClickRow(c, c.FindRow("PUITS-1", "PUITS-1"));
    bool ran = false;
    WhenShown([] { return FTableur && FTableur->isVisible() && QApplication::activeModalWidget() == FTableur; }, [&] {
        ran = true;
        TFTableur& t = *FTableur;
        auto column = [&t](const char* title) {
            for (int col = 0; col < t.Grid->columnCount(); ++col)
                if (t.Grid->horizontalHeaderItem(col)->text() == QString::fromUtf8(title)) return col;
            ADD_FAILURE() << "no column " << title;
            return 0;
        };
        auto shown = [&t](int row, int col) {
            const QTableWidgetItem* item = t.Grid->item(row, col);
            return item ? item->text().toStdString() : std::string();
        };
        auto rightClick = [&t](int row, int col) { return [&t, row, col] { ClickCell(t.Grid, row, col, Qt::RightButton); }; };
        const int from = column("De (m)"), type = column("Type");
        const std::string depth = shown(0, from);
        ASSERT_FALSE(depth.empty());

        Pick("Copier les cases", rightClick(0, from));
        EXPECT_EQ(Clipboard(), depth + "\r\n");
        Pick("Couper les cases s\xC3\xA9lectionn\xC3\xA9" "es", rightClick(0, from));
        EXPECT_EQ(shown(0, from), "");
        Pick("Coller les cases", rightClick(0, from));
        EXPECT_EQ(shown(0, from), depth);
        Pick("S\xC3\xA9lectionner/d\xC3\xA9s\xC3\xA9lectionner la ligne", rightClick(0, from));
        ClickCell(t.Grid, 1, from);
        Pick("Copier les cases", [&t] { Click(t.ToolPopup); });
        EXPECT_EQ(Clipboard(), shown(1, from) + "\r\n");
        // Two columns selected: the form's menu whatever the column.
        ClickCell(t.Grid, 1, type, Qt::LeftButton, Qt::ShiftModifier);
        Pick("Copier les cases", rightClick(1, type));
        std::string row;
        for (int col = from; col <= type; ++col) row += (col > from ? "\t" : "") + shown(1, col);
        EXPECT_EQ(Clipboard(), row + "\r\n");

        ClickCell(t.Grid, 1, type);  // one cell again: its lexicon's menu
        Pick("DIAGRAPHIE. Diagraphie", rightClick(1, type));
        EXPECT_EQ(shown(1, type), "DIAGRAPHIE");
        Pick("Copier", rightClick(1, type));
        EXPECT_EQ(Clipboard(), "DIAGRAPHIE\r\n");
        Pick("Couper", rightClick(1, type));
        EXPECT_EQ(shown(1, type), "");
        Pick("Coller", rightClick(2, type));
        EXPECT_EQ(shown(2, type), "DIAGRAPHIE");
        Pick("S\xC3\xA9lectionner/d\xC3\xA9selectionner la ligne", rightClick(1, type));
        Click(t.ToolButton9);  // the check mark saves and closes
    });
    ASSERT_TRUE(Menu({"O&uvrage", "Niveau"}));
    ASSERT_TRUE(ran);
    ASSERT_TRUE(Menu({"&Fichier", "En&registrer"}));
    const auto saved = ReadCrx(SamplePath());
    EXPECT_NEAR(saved->GetPathFloat("PUITS-1\\Niveau\\Deb", 0), before->GetPathFloat("PUITS-1\\Niveau\\Deb", 0), 1e-9);
    EXPECT_EQ(saved->GetPathString("PUITS-1\\Niveau\\Type", 1), "");
    EXPECT_EQ(saved->GetPathInt("PUITS-1\\Niveau\\S\xC3\xA9lection", 0), 1);
    EXPECT_EQ(saved->GetPathInt("PUITS-1\\Niveau\\S\xC3\xA9lection", 1), 1);
    EXPECT_EQ(saved->GetPathString("PUITS-1\\Niveau\\Type", 2), "DIAGRAPHIE");
}

// The code models' "Classer" menu, dropped down by its tool button: each
// sort orders the rows by its key; closing without saving keeps the file.
TEST_F(MenusE2e, TheClasserMenuSortsTheCodeModel)
{
    Start();
    Main().resize(1400, 900);
    const std::string models = ReadFileBytes(Folder() / "modeles.ini");
    bool ran = false;
    WhenShown([] { return FCodeMotifCoul && FCodeMotifCoul->isVisible(); }, [&] {
        ran = true;
        TFCodeMotifCoul& w = *FCodeMotifCoul;
        // The sample's settings name no current model: the person picks one.
        Key(w.CModele, Qt::Key_Down);
        ASSERT_EQ(w.CModele->currentText().toStdString(), "Standard");
        const QAbstractItemModel* grid = w.Grid->model();
        const int rows = grid->rowCount() - 2;  // less the header and the blank row
        ASSERT_GT(rows, 10);
        auto cell = [grid](int row, int col) { return grid->index(row, col).data().toString(); };
        auto rgb = [&](int row) {
            return std::array<double, 3>{cell(row, kModelColRouge).toDouble() / 255, cell(row, kModelColVert).toDouble() / 255,
                                         cell(row, kModelColBleu).toDouble() / 255};
        };
        auto luminance = [&](int row) {
            const auto [r, g, b] = rgb(row);
            return std::pow(0.2126 * std::pow(r, 2.2) + 0.7152 * std::pow(g, 2.2) + 0.0722 * std::pow(b, 2.2), 1 / 2.2);
        };
        auto hue = [&](int row) {
            const auto [r, g, b] = rgb(row);
            const double p = (2 * r - g - b) / std::sqrt(6.0), q = (g - b) / std::sqrt(2.0);
            if (std::abs(p) < 1e-6 && std::abs(q) < 1e-6) return -1.0;
            double a = std::atan2(q, p);
            if (a < -1e-6) a += 2 * M_PI;
            return a / (2 * M_PI);
        };
        std::vector<QString> before;
        for (int r = 1; r <= rows; ++r) before.push_back(cell(r, kModelColCode));
        const std::vector<std::pair<const char*, std::function<double(int)>>> sorts = {
            {"Classer par motif", [&](int r) { return cell(r, kModelColMotif).toDouble(); }},
            {"Classer par teinte", hue},
            {"Classer par luminosit\xC3\xA9", luminance},
            {"Classer par code", nullptr},
        };
        for (const auto& [caption, key] : sorts) {
            Pick(caption, [&w] { Click(w.ToolButton9); });
            std::vector<QString> codes;
            for (int r = 1; r <= rows; ++r) {
                codes.push_back(cell(r, kModelColCode));
                if (key && r > 1) {
                    EXPECT_LE(key(r - 1), key(r) + 1e-6) << caption << " at row " << r;
                }
            }
            EXPECT_TRUE(std::is_permutation(codes.begin(), codes.end(), before.begin(), before.end())) << caption;
            if (!key) {
                EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end())) << caption;
            }
        }
        // Closed by Escape: the model is not saved.
        Ui().AnswerMessage(MsgResult::No, "Motifs et couleurs");
        KeyToFocus(Qt::Key_Escape);
    });
    ASSERT_TRUE(Menu({"Confi&guration", "Mod\xC3\xA8les de motifs et couleurs..."}));
    ASSERT_TRUE(ran);
    EXPECT_FALSE(FCodeMotifCoul->isVisible());
    EXPECT_EQ(ReadFileBytes(Folder() / "modeles.ini"), models);
}

// The coding rules' clipboard menu on a right-click: a rule copied, pasted
// into the blank last row, that copy cut again; "Ok" saves the same rules.
TEST_F(MenusE2e, TheCodingRulesMenuCopiesPastesAndCuts)
{
    Start();
    Main().resize(1400, 900);
    const std::string rules = ReadFileBytes(Folder() / "Descriptions.csv");
    bool ran = false;
    WhenShown([] { return FCodage && FCodage->isVisible(); }, [&] {
        ran = true;
        QTableView* grid = FCodage->GridDescr;
        auto text = [grid](int row, int col) { return grid->model()->index(row, col).data().toString().toStdString(); };
        const int rows = grid->model()->rowCount();
        const int blank = rows - 1;
        ASSERT_EQ(text(blank, 0), "");
        ClickCell(grid, 0, 0);
        Pick("Copier", [&] { ClickCell(grid, 0, 0, Qt::RightButton); });
        EXPECT_EQ(Clipboard().substr(0, Clipboard().find('\t')), text(0, 0));
        ClickCell(grid, blank, 0);
        Pick("Coller", [&] { ClickCell(grid, blank, 0, Qt::RightButton); });
        EXPECT_EQ(grid->model()->rowCount(), rows + 1);
        EXPECT_EQ(text(blank, 0), text(0, 0));
        EXPECT_EQ(text(blank, 1), text(0, 1));
        Pick("Couper", [&] { ClickCell(grid, blank, 0, Qt::RightButton); });
        EXPECT_EQ(grid->model()->rowCount(), rows);
        EXPECT_EQ(text(blank, 0), "");
        Click(FCodage->Button2);  // "Ok"
    });
    ASSERT_TRUE(Menu({"Confi&guration", "Configuration du codage..."}));
    ASSERT_TRUE(ran);
    EXPECT_EQ(ReadFileBytes(Folder() / "Descriptions.csv"), rules);
}

}  // namespace
