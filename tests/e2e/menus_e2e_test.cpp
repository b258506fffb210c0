// Every item of every menu, chosen through the menu bar on the sample
// collection, runs its command: no exception box, no prompt other than the
// ones the command asks, no window left open that a person could not close.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>

#include "app/collection_window.h"
#include "app/main_window.h"
#include "app/tables_window.h"
#include "e2e_program.h"
#include "platform/printer_info.h"

namespace {

class MenusE2e : public E2eTest {};

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
             if (PrinterNeedsOutputFile(CurrentPrinter())) f.CancelFiles("Imprimer dans un fichier PDF");
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

}  // namespace
