// File > "Importer fichiers &Ora...", headless: the command against a fake
// main window and collection window, with the scripted prompts, over the
// sample data files and the shipped filter file.
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "platform/windows/progress_window.h"
#include "exchange/windows/fixed_width_import_command.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class FakeImportWindow final : public OracleImportWindow {
public:
    explicit FakeImportWindow(std::vector<std::string>* events) : events_(events) {}
    TDirBlock& ImportRoot() override { return root; }
    void SetImportCaption(const std::string& c) override
    {
        caption = c;
        events_->push_back("caption:" + c);
    }
    void RefreshList() override
    {
        ++refreshes;
        events_->push_back("refresh:" + std::to_string(root.ItemCount()));
    }
    void TakeSnapshot() override
    {
        ++snapshots;
        events_->push_back("snapshot");
    }

    TDirBlock root{"Carotix"};
    std::string caption;
    int refreshes = 0;
    int snapshots = 0;

private:
    std::vector<std::string>* events_;
};

class FakeImportHost final : public OracleImportHost {
public:
    OracleImportWindow* NewImportWindow(const std::string& caption) override
    {
        events.push_back("new:" + caption);
        window = std::make_unique<FakeImportWindow>(&events);
        window->caption = caption;
        return window.get();
    }
    void ShowHelpTopic(const std::string& topic) override { events.push_back("help:" + topic); }
    void HelpFollowAgain() override { events.push_back("follow"); }
    void ProgressStart(const std::string& label, int maximum) override
    {
        events.push_back("progress:" + label + ":" + std::to_string(maximum));
        OracleImportHost::ProgressStart(label, maximum);
    }
    void ProgressStep(int position) override
    {
        events.push_back("step:" + std::to_string(position));
        OracleImportHost::ProgressStep(position);
    }
    void ProgressEnd() override
    {
        events.push_back("end");
        OracleImportHost::ProgressEnd();
    }

    std::vector<std::string> events;
    std::unique_ptr<FakeImportWindow> window;
};

class ImportCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        OracleFilterName = (program_ / "filtre_bss.txt").string();
        fs::create_directory(data_ / "ora");
        for (const char* name : {"ouvrage.ora", "niveau.ora", "equipement.ora"})
            fs::copy_file(fs::path(CAROTIX_TEST_DATA_DIR) / name, Data(name));
        progress_ = std::make_unique<TFProgress>();
        FProgress = progress_.get();
    }
    void TearDown() override
    {
        FProgress = nullptr;
        OptionsRelease();
    }

    std::string Data(const std::string& name) const { return (data_ / "ora" / name).string(); }
    std::string Folder() const { return (data_ / "ora").string(); }
    std::string IniRepertoire() const
    {
        TIniFile ini(program_ / "carotix.ini");
        return ini.ReadString("Oracle", "Répertoire", "<none>");
    }

    // The sample files write their numbers the French way.
    ScopedDecimalSeparator comma_{','};
    TempProgramDir program_;
    TempDir data_;
    std::unique_ptr<TFProgress> progress_;
    FakeUiServices fake_{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(ImportCommandTest, WithoutAFilterFileOnlyTheFilterBoxIsShown)
{
    ScopedUi use(fake_);
    FakeImportHost host;
    for (const std::string& filter : {std::string(), (program_ / "filtre_absent.txt").string(), Folder()}) {
        OracleFilterName = filter;
        fake_.AnswerMessage(MsgResult::Ok, "Filtres");
        const OracleImportRun run = ImporterOracle1Click(host);
        EXPECT_FALSE(run.Started);
    }
    ASSERT_EQ(fake_.Prompts().size(), 3u);
    EXPECT_EQ(fake_.Prompts()[0].text,
              "Il faut d'abord choisir un fichier de filtres.\nPour cela, allez dans Configuration, Filtre "
              "d'import/export Ora.");
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(fake_.Verify());
}

TEST_F(ImportCommandTest, CancellingTheDialogCreatesNothingAndLetsTheHelpFollowAgain)
{
    ScopedUi use(fake_);
    IniCarotix->WriteString("Oracle", "Répertoire", "/ailleurs");
    FakeImportHost host;
    fake_.CancelFiles("Importer fichiers Oracle");

    const OracleImportRun run = ImporterOracle1Click(host);

    EXPECT_FALSE(run.Started);
    EXPECT_EQ(host.events, (std::vector<std::string>{"help:OpenOra", "follow"}));
    ASSERT_EQ(fake_.Prompts().size(), 1u);
    const FileDialogRequest& dialog = fake_.Prompts()[0].file;
    EXPECT_EQ(dialog.kind, FileDialogKind::OpenMulti);
    EXPECT_EQ(dialog.filter, "Exports Oracle (*.ora)|*.ora");
    EXPECT_EQ(dialog.folder, "/ailleurs");
    EXPECT_TRUE(dialog.mustExist);
    EXPECT_EQ(IniRepertoire(), "/ailleurs");
    EXPECT_TRUE(fake_.Verify());
}

TEST_F(ImportCommandTest, TwoFilesAreReadInDialogOrderIntoOneNewWindowThatEndsListedAndSaved)
{
    ScopedUi use(fake_);
    FakeImportHost host;
    fake_.AnswerFiles({Data("ouvrage.ora"), Data("niveau.ora")}, "Importer fichiers Oracle");
    // Both files name the borehole "06987X0123/F", stored as it is: no remark.

    const OracleImportRun run = ImporterOracle1Click(host);

    EXPECT_TRUE(run.Started);
    EXPECT_EQ(run.FilesDone, 2);
    EXPECT_EQ(run.Failure, "");
    EXPECT_EQ(IniRepertoire(), Folder());
    EXPECT_EQ(host.events,
              (std::vector<std::string>{"help:OpenOra", "follow", "new:" + Folder(),
                                        "progress:Importation des fichiers Oracle...:2", "caption:" + Folder(),
                                        "step:1", "caption:" + Folder(), "step:2", "end", "refresh:3", "snapshot"}));
    EXPECT_FALSE(FProgress->isVisible());
    EXPECT_EQ(FProgress->ProgressBar->maximum(), 2);
    EXPECT_EQ(fake_.BusyCount(), 1);
    EXPECT_EQ(fake_.BusyDepth(), 0);

    const TDirBlock& root = host.window->root;
    ASSERT_EQ(root.ItemCount(), 3);
    EXPECT_EQ(root.Child(0)->Name, "06987X0123/F");
    EXPECT_EQ(root.Child(1)->Name, "06987X0145");
    EXPECT_EQ(root.Child(2)->Name, "07218X0009");
    EXPECT_EQ(root.GetPathString("06987X0145\\Ouvrage\\Désign", 0), "PZ2");
    EXPECT_EQ(root.GetPathFloat("06987X0145\\Ouvrage\\Z", 0), 208.0);
    EXPECT_EQ(root.FindDir("06987X0123/F\\Niveau")->RowCount(), 3);
    EXPECT_EQ(root.GetPathFloat("06987X0123/F\\Niveau\\Fin", 1), 12.4);
    EXPECT_EQ(root.GetPathString("06987X0123/F\\Niveau\\Litho", 0), "Terre végétale limoneuse brune");

    EXPECT_EQ(fake_.Prompts().size(), 1u);
    EXPECT_TRUE(fake_.Verify());
}

// A text padded with spaces to a width.
std::string Pad(const std::string& text, std::size_t width)
{
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

TEST_F(ImportCommandTest, AFailureStopsTheFilesButKeepsWhatWasReadListedAndSaved)
{
    ScopedUi use(fake_);
    // The second record's designation runs one character past its width.
    const std::string good = Pad("07218X0009", 12) + ";" + Pad("PUITS", 20) + ";      0;     12;COUPE ;" + Pad("", 12)
        + ";" + Pad("", 20) + ";Sables\r\n";
    const std::string bad = Pad("07218X0010", 12) + ";" + Pad("PUITS", 21) + ";      0;     12;COUPE ;\r\n";
    WriteFileBytes(data_ / "ora" / "niveau.ora", good + bad);
    FakeImportHost host;
    fake_.AnswerFiles({Data("niveau.ora"), Data("ouvrage.ora")});
    fake_.AnswerMessage(MsgResult::Ok, "Carotix");

    const OracleImportRun run = ImporterOracle1Click(host);

    EXPECT_EQ(run.FilesDone, 0);
    EXPECT_EQ(run.Failure.rfind("Filre: erreur de longueur de champ (Niveau\\Désign)", 0), 0u) << run.Failure;
    ASSERT_NE(host.window, nullptr);
    EXPECT_EQ(host.window->root.ItemCount(), 1);  // the first record stays; the second file is not read
    EXPECT_EQ(host.window->refreshes, 1);
    EXPECT_EQ(host.window->snapshots, 1);
    EXPECT_EQ(host.events.back(), "snapshot");
    EXPECT_FALSE(FProgress->isVisible());
    EXPECT_EQ(fake_.BusyDepth(), 0);
    // The box shows the program's message, then where the record lies.
    ASSERT_EQ(fake_.Prompts().size(), 2u);
    const std::string& text = fake_.Prompts()[1].text;
    EXPECT_EQ(text.rfind(run.Failure, 0), 0u);
    EXPECT_NE(text.find("Fichier : " + Data("niveau.ora") + "\nLigne : 2\nCet enregistrement et les suivants n'ont pas "
                        "été importés.\n\nFichier(s) non importé(s) : ouvrage.ora"),
              std::string::npos)
        << text;
    EXPECT_TRUE(fake_.Verify());
}

TEST_F(ImportCommandTest, AFileWithoutItsFilterIsSaidAndTheOthersAreStillRead)
{
    ScopedUi use(fake_);
    WriteFileBytes(program_ / "filtre_bss.txt", "T\r\n->autre.ora\r\n*Indice:A2,V:A1\r\n");
    WriteFileBytes(data_ / "ora" / "Autre.ora", "P1A\r\nP2B\r\n");
    fake_.AnswerFiles({Data("ouvrage.ora"), Data("Autre.ora")});
    fake_.AnswerMessage(MsgResult::Ok, "Erreur");
    FakeImportHost host;

    const OracleImportRun run = ImporterOracle1Click(host);

    EXPECT_EQ(run.FilesDone, 2);
    ASSERT_EQ(fake_.Prompts().size(), 2u);
    EXPECT_EQ(fake_.Prompts()[1].text, "Pas de filtre \"ouvrage.ora\"");
    EXPECT_TRUE(fake_.Verify());
    ASSERT_EQ(host.window->root.ItemCount(), 2);
    EXPECT_EQ(host.window->root.GetPathString("P2\\V", 0), "B");
    EXPECT_EQ(host.window->snapshots, 1);
}

TEST_F(ImportCommandTest, MissingSubFiltersAreSaidOnceEachAndRemarksListedAtTheEnd)
{
    ScopedUi use(fake_);
    WriteFileBytes(program_ / "filtre_bss.txt",
                   "T\r\n->puits.ora\r\n*Indice:A2,V:A1,%tubage,pompe:A6\r\n<-tubage\r\nTubage\\Diam:F3\r\n");
    // pompe, tubage, pompe again, then a record without key.
    WriteFileBytes(data_ / "ora" / "puits.ora",
                   "P1Apompe\r\nP1Btubage\r\n1,5\r\nP2Cpompe\r\n  Dtubage\r\nxyz\r\n");
    fake_.AnswerFiles({Data("puits.ora")});
    fake_.AnswerMessage(MsgResult::Ok, "Erreur");
    fake_.AnswerMessage(MsgResult::Ok, "Import Oracle");
    FakeImportHost host;

    const OracleImportRun run = ImporterOracle1Click(host);

    EXPECT_EQ(run.FilesDone, 1);
    ASSERT_EQ(fake_.Prompts().size(), 3u);
    EXPECT_EQ(fake_.Prompts()[1].text, "Pas de filtre \"pompe\"");
    EXPECT_EQ(fake_.Prompts()[1].icon, MsgIcon::Error);
    // The record without key is dropped and said in the end box.
    EXPECT_NE(fake_.Prompts()[2].text.find("sans clé"), std::string::npos) << fake_.Prompts()[2].text;
    const TDirBlock& root = host.window->root;
    EXPECT_EQ(root.ItemCount(), 2);
    EXPECT_EQ(root.GetPathFloat("P1\\Tubage\\Diam", 0), 1.5);
    EXPECT_EQ(root.GetPathString("P2\\Pompe\\V", 0), "C");
    EXPECT_TRUE(fake_.Verify());
}

// The whole command from the main window's menu: two sample files into a new
// collection window of the real program.
TEST_F(ImportCommandTest, MenuCommandImportsTwoFilesIntoANewCollectionWindow)
{
    ScopedUi use(fake_);
    TFMain main;
    main.show();
    QAction* item = main.findChild<QAction*>(QStringLiteral("ImporterOracle1"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(main.Fichier1->actions().contains(item));
    EXPECT_EQ(FromQString(item->text()), "Importer fichiers &Ora...");
    EXPECT_EQ(FromQString(item->statusTip()), "Importer des fichiers Oracle dans une nouvelle collection");

    fake_.AnswerFiles({Data("niveau.ora"), Data("ouvrage.ora")}, "Importer fichiers Oracle");
    item->trigger();
    EXPECT_TRUE(fake_.Verify());
    EXPECT_EQ(fake_.BusyDepth(), 0);
    EXPECT_FALSE(FProgress->isVisible());

    TFChild* c = main.ActiveChild();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(main.Children().size(), 1u);
    EXPECT_EQ(c->Caption(), Folder());
    EXPECT_EQ(c->FFileName(), "");
    EXPECT_TRUE(c->parentWidget()->isMaximized());
    EXPECT_FALSE(c->IsModified());  // a fresh import counts as saved
    EXPECT_EQ(IniRepertoire(), Folder());

    // The list: one line per ouvrage, in the order the files named them.
    ASSERT_EQ(c->GridLineCount(), 4);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"06987X0123/F", "F1 LES GRANGES"}, {"06987X0145", "PZ2"}, {"07218X0009", "PUITS COMMUNAL"}};
    for (int line = 1; line <= 3; ++line) {
        EXPECT_EQ(c->GridCell(0, line), expected[static_cast<std::size_t>(line - 1)].first);
        EXPECT_EQ(c->GridCell(1, line), expected[static_cast<std::size_t>(line - 1)].second);
    }
    EXPECT_EQ(c->GridCell(0, 0), "Indice");
    EXPECT_EQ(c->GridCell(2, 1), "FORAGE");        // Dossier\Nature
    EXPECT_EQ(c->GridCell(4, 2), "Vaulx-en-Velin");  // Dossier\Commune

    // The levels, row by row.
    const TDirBlock& root = c->FRoot();
    const TDirBlock* levels = root.FindDir("06987X0123/F\\Niveau");
    ASSERT_NE(levels, nullptr);
    ASSERT_EQ(levels->RowCount(), 3);
    EXPECT_EQ(levels->GetPathString("D\xC3\xA9sign", 2), "F1 LES GRANGES");
    EXPECT_EQ(levels->GetPathFloat("Deb", 1), 0.8);
    EXPECT_EQ(levels->GetPathFloat("Fin", 2), 45.0);
    EXPECT_EQ(levels->GetPathString("Type", 0), "COUPE");
    EXPECT_EQ(levels->GetPathString("CodeNiv", 1), "GRAV SAB");
    EXPECT_EQ(levels->GetPathString("Strati", 2), "Mioc\xC3\xA8ne");
    EXPECT_EQ(levels->GetPathString("Litho", 2), "Molasse gr\xC3\xA9seuse jaune \xC3\xA0 ocre, pass\xC3\xA9" "es marneuses");
    const TDirBlock* puits = root.FindDir("07218X0009\\Niveau");
    ASSERT_NE(puits, nullptr);
    EXPECT_EQ(puits->RowCount(), 1);
    EXPECT_EQ(puits->GetPathString("CodeNiv", 0), "");
    EXPECT_EQ(puits->GetPathString("Litho", 0), "Sables et graviers \xC5\x93uvr\xC3\xA9s");
    EXPECT_EQ(root.FindDir("06987X0145\\Niveau")->RowCount(), 2);
    EXPECT_EQ(root.GetPathFloat("07218X0009\\Ouvrage\\X", 0), 851.4);

    // A second import makes a second window.
    fake_.AnswerFiles({Data("ouvrage.ora")});
    item->trigger();
    EXPECT_EQ(main.Children().size(), 2u);
    EXPECT_NE(main.ActiveChild(), c);
    EXPECT_EQ(main.ActiveChild()->GridLineCount(), 4);
    EXPECT_TRUE(fake_.Verify());
}

TEST_F(ImportCommandTest, FilterChoiceIsWiredIntoTheConfigurationMenu)
{
    TFMain main;
    QAction* item = main.findChild<QAction*>(QStringLiteral("FiltredimporationOracle1"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(main.Configuration1->actions().contains(item));
    EXPECT_EQ(FromQString(item->text()), "Filtre d'import/export Ora...");
}

TEST(ImportCommandFolder, FolderOfAPath)
{
    EXPECT_EQ(OracleImportFolderOf("/data/ora/niveau.ora"), "/data/ora");
    EXPECT_EQ(OracleImportFolderOf("/niveau.ora"), "/");
    EXPECT_EQ(OracleImportFolderOf("niveau.ora"), "");
}

} // namespace
