// The main window's own commands headless: the enabling of "&Collection" and
// "O&pérations" with and without an active collection and a selection,
// shortcuts that stay live once a menu closed, the ouvrage commands through
// menus and tool bar between two collections, the arrangement of the document
// windows, the configuration files opened with their program and the recent
// files whose path holds an "&".
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/collection_links.h"
#include "platform/windows/name_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "sample_collection.h"
#include "store/blocks.h"
#include "store/options.h"
#include "store/recent_files.h"
#include "temp_dir.h"

namespace {

QAction* Item(const QList<QAction*>& actions, const char* caption)
{
    for (QAction* a : actions)
        if (!a->isSeparator() && a->text() == QString::fromUtf8(caption)) return a;
    ADD_FAILURE() << "no item " << caption;
    static QAction none;
    return &none;
}

std::vector<std::string> Names(const TFChild& c)
{
    std::vector<std::string> v;
    for (const CollectionRow& r : c.Rows()) v.push_back(r.Indice + "/" + r.Design);
    return v;
}

class MainCommands : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        RecentLoad();
        use = std::make_unique<ScopedUi>(fake);
        main = std::make_unique<TFMain>();
        main->show();
    }
    void TearDown() override
    {
        main.reset();
        use.reset();
        ResetCollectionDrawing();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    TFChild* OpenSample(const std::string& name = "exemple.crx")
    {
        const std::string path = (dir / name).string();
        BuildSampleCollection()->SaveToFile(path);
        return main->OpenCollectionFile(path);
    }
    QAction* Collection(const char* caption) { return Item(main->Collection1->actions(), caption); }
    QAction* Operations(const char* caption) { return Item(main->Operations1->actions(), caption); }
    void Activate(TFChild* c) { main->MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(c->parentWidget())); }

    TempProgramDir dir;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
    std::unique_ptr<TFMain> main;
};

const char* const kCouper = "Couper les ouvrages";
const char* const kCopier = "Copier les ouvrages";
const char* const kColler = "Coller dans la collection courante";
const char* const kSupprimer = "Supprimer les ouvrages";

}  // namespace

TEST_F(MainCommands, EnablingFollowsTheActiveCollectionItsRowsSelectionAndClipboard)
{
    const auto state = [this](std::initializer_list<const char*> captions) {
        std::vector<bool> v;
        for (const char* c : captions) {
            QAction* a = Item(main->Collection1->actions() + main->Operations1->actions(), c);
            v.push_back(a->isEnabled());
        }
        return v;
    };
    const auto show = [this] { emit main->Collection1->aboutToShow(); };
    const std::initializer_list<const char*> onSelection = {kCouper, kCopier, kSupprimer, "Déselectionner tout",
                                                            "Exporter métafichiers (.wmf, .emf) ..."};
    const std::initializer_list<const char*> onRows = {"Sélectionner tous les ouvrages", "Inverser la sélection",
                                                       "Boite d'impression...", "Déselectionner tous les niveaux",
                                                       "Exporter les niveaux lithologiques sélectionnés"};
    const std::initializer_list<const char*> onWindow = {"Explorer la structure de la collection...",
                                                         "Multiplier un champ..."};

    show();
    EXPECT_EQ(state(onSelection), std::vector<bool>(5, false));
    EXPECT_EQ(state(onRows), std::vector<bool>(5, false));
    EXPECT_EQ(state(onWindow), std::vector<bool>(2, false));
    EXPECT_FALSE(Collection(kColler)->isEnabled());
    EXPECT_TRUE(Operations("Configuration de l'impression...")->isEnabled());
    // Once the menu closes, the items with a shortcut work again by their keys.
    emit main->Collection1->aboutToHide();
    EXPECT_TRUE(Collection(kCopier)->isEnabled());
    EXPECT_TRUE(Collection(kColler)->isEnabled());
    EXPECT_FALSE(Collection("Multiplier un champ...")->isEnabled());

    TFChild* c = OpenSample();
    c->SelectRows({});
    show();
    EXPECT_EQ(state(onSelection), std::vector<bool>(5, false));
    EXPECT_EQ(state(onRows), std::vector<bool>(5, true));
    EXPECT_EQ(state(onWindow), std::vector<bool>(2, true));
    EXPECT_FALSE(Collection(kColler)->isEnabled());

    // Ctrl+C with nothing selected leaves the clipboard as it was.
    emit main->Collection1->aboutToHide();
    Collection(kCopier)->trigger();
    EXPECT_EQ(main->ClipboardBlock()->ItemCount(), 0);

    c->SelectRows({0, 1});
    Collection(kCopier)->trigger();
    EXPECT_EQ(main->ClipboardBlock()->ItemCount(), 2);
    show();
    EXPECT_EQ(state(onSelection), std::vector<bool>(5, true));
    EXPECT_TRUE(Collection(kColler)->isEnabled());
}

TEST_F(MainCommands, OuvrageCommandsThroughMenusAndToolBarBetweenTwoCollections)
{
    TFChild* c = OpenSample();
    c->SelectRows({1, 2});  // F-VAL-01 / F1 and F2
    QAction* copier = Item(main->ToolBarDefaut->actions(), "Copier");
    copier->trigger();

    TFChild* n = main->Nouveau1Click();
    Item(main->ToolBarDefaut->actions(), "Coller")->trigger();
    EXPECT_EQ(Names(*n), (std::vector<std::string>{"F-VAL-01/F1", "F-VAL-01/F2"}));
    EXPECT_EQ(c->FRoot().FindDir("F-VAL-01\\Niveau")->RowCount(), n->FRoot().FindDir("F-VAL-01\\Niveau")->RowCount());

    // Rename the first one to another borehole; it is selected afterwards.
    n->SelectRows({0});
    fake.AnswerName("pz9", "a", "Renommer l'ouvrage");
    main->Renommer1->trigger();
    EXPECT_EQ(Names(*n), (std::vector<std::string>{"F-VAL-01/F2", "PZ9/A"}));
    EXPECT_EQ(n->SelectedRow(), 1);

    // A new ouvrage from the menu, then delete two.
    fake.AnswerName("n1", "", "Nouvel ouvrage");
    main->NouvelOuvrage1->trigger();
    EXPECT_EQ(Names(*n).back(), "N1/F");
    n->SelectRows({0, 1});
    fake.AnswerMessage(MsgResult::Yes, "Suppression");
    Collection(kSupprimer)->trigger();
    EXPECT_EQ(Names(*n), std::vector<std::string>{"N1/F"});

    // Cut in the first collection ("Oui"), paste into the second.
    Activate(c);
    ASSERT_EQ(main->ActiveChild(), c);
    c->SelectRows({0});
    fake.AnswerMessage(MsgResult::Yes, "Suppression");
    Item(main->ToolBarDefaut->actions(), "Couper")->trigger();
    EXPECT_EQ(c->FindRow("PUITS-1", "PUITS-1"), -1);
    Activate(n);
    Collection(kColler)->trigger();
    EXPECT_EQ(Names(*n), (std::vector<std::string>{"N1/F", "PUITS-1/PUITS-1"}));
}

TEST_F(MainCommands, DocumentWindowsTileOneAboveTheOtherOrSideBySide)
{
    TFChild* a = main->Nouveau1Click();
    TFChild* b = main->Nouveau1Click();
    QWidget* sa = a->parentWidget();
    QWidget* sb = b->parentWidget();
    const QSize area = main->MdiArea->viewport()->size();
    Item(main->Affichage1->actions(), "Ranger horizontalement")->trigger();
    EXPECT_EQ(sa->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(sb->geometry(), QRect(0, area.height() / 2, area.width(), area.height() - area.height() / 2));
    Item(main->Affichage1->actions(), "Ranger verticalement")->trigger();
    EXPECT_EQ(sa->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(sb->geometry().left(), area.width() / 2);
}

TEST_F(MainCommands, ConfigurationFilesOpenWithTheirProgramAndRecentPathsKeepTheirAmpersand)
{
    std::filesystem::remove(dir / "infobulle.txt");
    Item(main->Configuration1->actions(), "Texte de l'infobulle...")->trigger();
    EXPECT_TRUE(std::filesystem::exists(dir / "infobulle.txt"));
    Item(main->Configuration1->actions(), "Structure des données...")->trigger();
    Item(main->Configuration1->actions(), "Structure des fichiers CSV...")->trigger();
    ASSERT_EQ(fake.OpenedWithProgram().size(), 3u);
    EXPECT_EQ(fake.OpenedWithProgram()[0], (dir / "infobulle.txt").string());
    EXPECT_EQ(fake.OpenedWithProgram()[1], (dir / "edition.ini").string());
    EXPECT_EQ(fake.OpenedWithProgram()[2], (dir / "csv.ini").string());

    TFChild* c = OpenSample("R&D.crx");
    c->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    emit main->Fichier1->aboutToShow();
    ASSERT_FALSE(main->Ouvrirrecent1->actions().isEmpty());
    EXPECT_EQ(main->Ouvrirrecent1->actions().front()->text(),
              QString::fromStdString((dir / "R&&D.crx").string()));
    EXPECT_TRUE(main->Ouvrirrecent1->menuAction()->isEnabled());
}

TEST(NameWindow, IsTheNamePromptOfTheProgramsPrompts)
{
    QtUiServices ui;
    ScopedUi use(ui);
    std::unique_ptr<TFNomOuvrage> window(CreateNameWindow(nullptr));
    ASSERT_EQ(FNomOuvrage, window.get());
    QTimer::singleShot(0, [] {
        FNomOuvrage->EIndice->setText(QStringLiteral("PZ2"));
        FNomOuvrage->BOk->click();
    });
    NamePrompt answer;
    EXPECT_TRUE(Ui().AskName({"Copier sous...", "PZ1", "F"}, answer));
    EXPECT_EQ(answer.indice, "PZ2");
    EXPECT_EQ(answer.design, "F");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Copier sous..."));
    window.reset();
    EXPECT_EQ(FNomOuvrage, nullptr);
}
