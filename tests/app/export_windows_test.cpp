// The export dialogs, the CSV import command, the folder tree and the caption
// button, headless: commands against a fake main window with the scripted
// prompts, over temporary folders and the shipped settings.
#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/windows/caption_button.h"
#include "platform/windows/dir_tree.h"
#include "exchange/fixed_width_import.h"
#include "exchange/windows/csv_export_window.h"
#include "exchange/windows/csv_import_command.h"
#include "exchange/windows/save_oracle_window.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string Slash(const fs::path& p) { return PathToUtf8(p) + "/"; }

// ---- the folder tree ---------------------------------------------------------

TEST(DirTree, SelectsFoldersReadsThemOneLevelAheadAndFiltersThem)
{
    TempDir dir;
    for (const char* sub : {"b", "A", "A/deep", ".cache"}) fs::create_directories(dir / sub);
    TDirTree tree;
    EXPECT_EQ(tree.GetSelectedPath(), "?");
    tree.SetSelectedPath(PathToUtf8(dir.path()));
    EXPECT_EQ(tree.GetSelectedPath(), Slash(dir.path()));
    QTreeWidgetItem* node = tree.currentItem();
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->childCount(), 3);  // every folder with dtAll, sorted without regard to case
    EXPECT_EQ(node->child(0)->text(0), ".cache");
    EXPECT_EQ(node->child(1)->text(0), "A");
    EXPECT_EQ(node->child(2)->text(0), "b");
    tree.setCurrentItem(node->child(1));
    tree.currentItem()->setExpanded(true);
    EXPECT_EQ(tree.currentItem()->childCount(), 1);  // read one level ahead

    tree.SetSelectedPath(PathToUtf8(dir / "A" / "deep"));
    EXPECT_EQ(tree.GetSelectedPath(), Slash(dir / "A" / "deep"));
    EXPECT_THROW(tree.SetSelectedPath(""), std::runtime_error);
    tree.SetSelectedPath("?");
    EXPECT_EQ(tree.GetSelectedPath(), Slash(dir / "A" / "deep"));

    // Without dtAll, hidden folders need dtHidden; OnAddDir may refuse one.
    tree.OnAddDir = [](const std::string& path, bool& accept) {
        if (path.size() > 3 && path.compare(path.size() - 3, 3, "/b/") == 0) accept = false;
    };
    tree.SetDirTypes(dtNormal);
    tree.SetSelectedPath(PathToUtf8(dir.path()));
    node = tree.FindNode(PathToUtf8(dir.path()));
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->childCount(), 1);
    EXPECT_EQ(node->child(0)->text(0), "A");

    // A folder that is gone selects the root that holds the current folder.
    fs::remove_all(dir / "A");
    tree.SetSelectedPath(PathToUtf8(dir / "A"));
    EXPECT_EQ(tree.currentItem()->parent(), nullptr);
}

// ---- the caption button ------------------------------------------------------

void Mouse(QWidget* w, QEvent::Type type, QPoint at)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(CaptionButton, FiresOnlyWhenReleasedOnItAndFollowsTheWindow)
{
    QWidget window;
    window.resize(400, 300);
    TCaptionButton first(&window), second(&window);
    EXPECT_NE(first.HitCode(), second.HitCode());
    int clicks = 0;
    first.OnClick = [&] { ++clicks; };
    window.show();
    EXPECT_EQ(first.ButtonRect().right() + 1, 400 - TCaptionButton::kDefaultRightMargin);
    QToolButton* b = first.Button();
    const QPoint inside = b->rect().center();
    Mouse(b, QEvent::MouseButtonPress, inside);
    Mouse(b, QEvent::MouseButtonRelease, inside);
    EXPECT_EQ(clicks, 1);
    Mouse(b, QEvent::MouseButtonPress, inside);
    Mouse(b, QEvent::MouseMove, QPoint(-50, -50));
    Mouse(b, QEvent::MouseButtonRelease, QPoint(-50, -50));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(b->isDown());

    first.SetRightMargin(60);
    window.resize(500, 300);
    EXPECT_EQ(first.ButtonRect().right() + 1, 440);
    first.SetVisible(false);
    EXPECT_FALSE(b->isVisible());
}

// ---- the commands ----------------------------------------------------------

class TestExportHost final : public ExportHost {
public:
    TDirBlock* ActiveRoot() override { return root; }
    std::vector<CsvExportRow> ActiveRows() override { return rows; }
    bool RunDialog(QDialog& dialog) override
    {
        ++dialogs;
        auto& d = static_cast<TExportDialog&>(dialog);
        shownItems = d.Items();
        d.DirTree->SetSelectedPath(folder);
        // Never let a test write anywhere but into its own folder.
        if (d.DirTree->GetSelectedPath() != folder + "/") {
            ADD_FAILURE() << "the tree did not select " << folder;
            return false;
        }
        if (tick) {
            std::vector<ExportCheckItem> items = d.Items();
            for (ExportCheckItem& i : items) i.Checked = true;
            d.SetItems(items);
        }
        return accept;
    }
    void ProgressStart(const std::string&, int) override {}
    void ProgressStep(int) override {}
    void ProgressEnd() override {}

    TDirBlock* root = nullptr;
    std::vector<CsvExportRow> rows;
    std::string folder;
    bool accept = true;
    bool tick = false;
    int dialogs = 0;
    std::vector<ExportCheckItem> shownItems;
};

class ImportWindow final : public OracleImportWindow {
public:
    TDirBlock& ImportRoot() override { return root; }
    void SetImportCaption(const std::string& c) override { caption = c; }
    void RefreshList() override { ++refreshes; }
    void TakeSnapshot() override { ++snapshots; }
    TDirBlock root{"Carotix"};
    std::string caption;
    int refreshes = 0;
    int snapshots = 0;
};

class ImportHost final : public OracleImportHost {
public:
    OracleImportWindow* NewImportWindow(const std::string& caption) override
    {
        window = std::make_unique<ImportWindow>();
        window->caption = caption;
        return window.get();
    }
    void ShowHelpTopic(const std::string& topic) override { help = topic; }
    void HelpFollowAgain() override {}
    void ProgressStart(const std::string&, int) override {}
    void ProgressStep(int) override {}
    void ProgressEnd() override {}
    std::unique_ptr<ImportWindow> window;
    std::string help;
};

class ExportCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        OracleFilterName = PathToUtf8(program_ / "filtre_bss.txt");
        root_.SetPathString("P1\\Ouvrage\\D\xC3\xA9sign", 0, btString, "A");
        root_.SetPathFloat("P1\\Ouvrage\\Prof", 0, btFloat, 45.5);
        root_.SetPathString("P1\\Niveau\\Litho", 0, btString, "Argile; sable");
        host_.root = &root_;
        host_.rows = {{"P1", "A"}};
        host_.folder = PathToUtf8(out_.path());
    }
    void TearDown() override
    {
        // The export dialogs live for the run and keep the tables ticked in
        // the last export: the next test starts from new ones.
        delete FExpCsv;
        delete FSaveOracle;
        OptionsRelease();
    }
    std::string Ini(const char* section) const
    {
        return TIniFile(program_ / "carotix.ini").ReadString(section, "R\xC3\xA9pertoire", "");
    }

    ScopedDecimalSeparator comma_{','};
    TempProgramDir program_;
    TempDir out_;
    TDirBlock root_{"Carotix"};
    TestExportHost host_;
    FakeUiServices fake_{[](const std::string& m) { ADD_FAILURE() << m; }};
};

TEST_F(ExportCommands, OracleExportTicksThePresentTablesAsksOnceAndCountsTheFiles)
{
    ScopedUi use(fake_);
    WriteFileBytes(out_ / "ouvrage.ora", "old");
    fake_.AnswerMessage(MsgResult::Ok, "Export oracle").AnswerMessage(MsgResult::Ok, "Export Oracle");
    const ExportRun run = ExporterOracle1Click(host_);
    EXPECT_TRUE(fake_.Verify());
    ASSERT_EQ(host_.shownItems.size(), 3u);
    EXPECT_TRUE(host_.shownItems[0].Checked);   // ouvrage.ora
    EXPECT_TRUE(host_.shownItems[1].Checked);   // niveau.ora
    EXPECT_FALSE(host_.shownItems[2].Checked);  // equipement.ora
    EXPECT_EQ(fake_.Prompts()[0].text, "L'export va \xC3\xA9" "craser le(s) fichier(s) suivant(s) :\nouvrage.ora");
    EXPECT_EQ(fake_.Prompts()[1].text, "2 fichier(s) cr\xC3\xA9\xC3\xA9(s)");
    EXPECT_EQ(run.Files.size(), 2u);
    EXPECT_EQ(Ini("Oracle"), Slash(out_.path()));

    TDirBlock back("Carotix");
    OracleImportReport report;
    ImportOracleFile(PathToUtf8(out_ / "niveau.ora"), &back, OracleFilterName, report);
    EXPECT_EQ(back.GetPathString("P1\\Niveau\\Litho", 0), "Argile; sable");

    // Refusing the overwrite writes nothing.
    fake_.Reset();
    fake_.AnswerMessage(MsgResult::Cancel, "Export oracle");
    WriteFileBytes(out_ / "ouvrage.ora", "old");
    EXPECT_TRUE(ExporterOracle1Click(host_).Files.empty());
    EXPECT_EQ(ReadFileBytes(out_ / "ouvrage.ora"), "old");
}

TEST_F(ExportCommands, OracleExportShowsTheLastFailureThenTheCount)
{
    ScopedUi use(fake_);
    OracleFilterName = PathToUtf8(out_ / "filtre_test.txt");
    WriteFileBytes(OracleFilterName, "Test\r\n->a.ora(Niveau)\r\n*I:A4,Niveau\\Litho:A20\r\n->B.ora(Niveau)\r\n"
                                     "*I:A4\r\n->C.ora(Niveau)\r\n*I:A4\r\n");
    TempDir target;
    host_.folder = PathToUtf8(target.path());
    fake_.AnswerMessage(MsgResult::Ok, "Erreur").AnswerMessage(MsgResult::Ok, "Export Oracle");
    fake_.AnswerMessage(MsgResult::Ok, "Export Oracle");
    const ExportRun run = ExporterOracle1Click(host_);
    EXPECT_TRUE(fake_.Verify());
    EXPECT_EQ(run.Failures.size(), 2u);
    EXPECT_EQ(fake_.Prompts()[0].text, MissingFilterMessage("c.ora"));
    EXPECT_EQ(fake_.Prompts()[1].text, "1 fichier(s) cr\xC3\xA9\xC3\xA9(s)");
    // The file written carries the levels alone; the ouvrage is named.
    EXPECT_EQ(fake_.Prompts()[2].text, "Non export\xC3\xA9 (absent du filtre) : Ouvrage (toutes les colonnes)");
    EXPECT_FALSE(fs::exists(target / "B.ora"));

    fake_.Reset();
    OracleFilterName = PathToUtf8(out_ / "absent.txt");
    fake_.AnswerMessage(MsgResult::Ok, "Filtres");
    EXPECT_FALSE(ExporterOracle1Click(host_).Shown);
    host_.root = nullptr;
    OracleFilterName = PathToUtf8(program_ / "filtre_bss.txt");
    EXPECT_FALSE(ExporterOracle1Click(host_).Shown);
}

TEST_F(ExportCommands, CsvExportWritesTheTablesWithRowsAndTheImportReadsThemBack)
{
    ScopedUi use(fake_);
    fake_.AnswerMessage(MsgResult::Ok, "Export Oracle");
    const ExportRun run = ExporterCsv1Click(host_);
    EXPECT_TRUE(fake_.Verify());
    EXPECT_EQ(fake_.Prompts()[0].text, "2 fichier(s) cr\xC3\xA9\xC3\xA9(s)");
    EXPECT_TRUE(fs::exists(out_ / "Ouvrages.csv"));
    EXPECT_TRUE(fs::exists(out_ / "Niveaux.csv"));
    EXPECT_EQ(Ini("CSV"), Slash(out_.path()));

    fake_.Reset();
    ImportHost importHost;
    fake_.AnswerFiles({PathToUtf8(out_ / "Ouvrages.csv"), PathToUtf8(out_ / "Niveaux.csv")}, "Importer fichiers Csv");
    const CsvImportRun in = ImporterCsv1Click(importHost);
    EXPECT_TRUE(fake_.Verify());
    EXPECT_EQ(in.FilesDone, 2);
    EXPECT_EQ(importHost.help, "OpenCsv");
    ASSERT_NE(importHost.window, nullptr);
    EXPECT_EQ(importHost.window->snapshots, 1);
    EXPECT_EQ(importHost.window->root.GetPathString("P1\\Niveau\\Litho", 0), "Argile; sable");
    EXPECT_EQ(importHost.window->root.GetPathFloat("P1\\Ouvrage\\Prof", 0), 45.5);

    // A file without index column ends the import, and the message names the
    // files not read; the window still takes its snapshot.
    fake_.Reset();
    WriteFileBytes(out_ / "Niveaux.csv", "DE;A\r\n1;2\r\n");
    fake_.AnswerFiles({PathToUtf8(out_ / "Niveaux.csv"), PathToUtf8(out_ / "Ouvrages.csv"),
                       PathToUtf8(out_ / "Tubages.csv")})
        .AnswerMessage(MsgResult::Ok, "Carotix");
    const CsvImportRun failed = ImporterCsv1Click(importHost);
    EXPECT_TRUE(fake_.Verify());
    EXPECT_EQ(failed.FilesDone, 0);
    EXPECT_EQ(fake_.Prompts().back().text, "Pas de champ Indice dans '" + PathToUtf8(out_ / "Niveaux.csv")
                                               + "'\n\nFichier(s) non import\xC3\xA9(s) : Ouvrages.csv, Tubages.csv");
    EXPECT_EQ(importHost.window->snapshots, 1);

    // The lines of the failing file before its failure stay, and so do their
    // remarks; the failing line's own index is not counted.
    fake_.Reset();
    WriteFileBytes(out_ / "Niveaux.csv", "INDICE;DE\r\nA\\B;1\r\nC\\D;x\r\n");
    fake_.AnswerFiles({PathToUtf8(out_ / "Ouvrages.csv"), PathToUtf8(out_ / "Niveaux.csv")})
        .AnswerMessage(MsgResult::Ok, "Carotix")
        .AnswerMessage(MsgResult::Ok, "Import Csv");
    EXPECT_EQ(ImporterCsv1Click(importHost).FilesDone, 1);
    EXPECT_TRUE(fake_.Verify());
    EXPECT_EQ(fake_.Prompts().back().text, PathToUtf8(out_ / "Niveaux.csv")
                                               + " :\n- 1 indice(s) contenant \\, enregistr\xC3\xA9(s) avec _");
}

// The export names, once for all its files, the tables and columns holding a
// value that csv.ini does not carry; the sample, all of whose values the
// shipped csv.ini carries, is written without a remark.
TEST_F(ExportCommands, CsvExportNamesOnceWhatCsvIniDoesNotCarry)
{
    ScopedUi use(fake_);
    root_.SetPathFloat("P1\\Tubage\\Deb", 0, btFloat, 1.0);
    root_.SetPathString("P1\\Tubage\\Remarque", 0, btString, "ciment\xC3\xA9");
    root_.SetPathString("P1\\Essai\\Duree", 0, btString, "3");
    root_.SetPathString("P2\\Tubage\\Remarque", 0, btString, "x");
    host_.rows = {{"P1", "A"}, {"P2", ""}};
    fake_.AnswerMessage(MsgResult::Ok, "Export Oracle").AnswerMessage(MsgResult::Ok, "Export Oracle");
    EXPECT_EQ(ExporterCsv1Click(host_).Files.size(), 3u);
    EXPECT_TRUE(fake_.Verify());
    ASSERT_EQ(fake_.Prompts().size(), 2u);
    EXPECT_EQ(fake_.Prompts()[0].text, "3 fichier(s) cr\xC3\xA9\xC3\xA9(s)");
    EXPECT_EQ(fake_.Prompts()[1].text,
              "Non export\xC3\xA9 (absent de csv.ini) : Tubage\\Remarque, Essai (toutes les colonnes)");

    fake_.Reset();
    TDirBlock sample("Carotix");
    sample.LoadFromFile((fs::path(CAROTIX_DATA_DIR) / "Exemples" / "exemple.crx").string());
    host_.root = &sample;
    host_.rows.clear();
    for (const auto& b : sample.Items())
        if (const TDirBlock* ouvrage = b->IsDir() ? static_cast<const TDirBlock&>(*b).FindDir("Ouvrage") : nullptr)
            for (int r = 0; r < ouvrage->RowCount(); ++r)
                host_.rows.push_back({b->Name, ouvrage->GetPathString("D\xC3\xA9sign", r)});
    ASSERT_EQ(host_.rows.size(), 4u);
    fake_.AnswerMessage(MsgResult::Ok, "Export oracle").AnswerMessage(MsgResult::Ok, "Export Oracle");
    EXPECT_EQ(ExporterCsv1Click(host_).Files.size(), 7u);
    EXPECT_TRUE(fake_.Verify());
    ASSERT_EQ(fake_.Prompts().size(), 2u);
    EXPECT_EQ(fake_.Prompts()[1].text, "7 fichier(s) cr\xC3\xA9\xC3\xA9(s)");
}

TEST_F(ExportCommands, CsvCommandsWithoutSettingsPointToTheConfiguration)
{
    ScopedUi use(fake_);
    WriteFileBytes(program_ / "csv.ini", "; vide\r\n");
    fake_.AnswerMessage(MsgResult::Ok, "Configuration").AnswerMessage(MsgResult::Ok, "Configuration");
    EXPECT_FALSE(ExporterCsv1Click(host_).Shown);
    ImportHost importHost;
    EXPECT_FALSE(ImporterCsv1Click(importHost).Started);
    EXPECT_TRUE(fake_.Verify());
}

TEST_F(ExportCommands, NewFolderIsMadeInTheTreesFolderAndSelected)
{
    ScopedUi use(fake_);
    TFSaveOracle dialog;
    dialog.DirTree->SetSelectedPath(PathToUtf8(out_.path()));
    fake_.AnswerText("Rapports", "Cr\xC3\xA9" "er un dossier");
    dialog.BNewFoldClick();
    EXPECT_TRUE(fs::is_directory(out_ / "Rapports"));
    EXPECT_EQ(dialog.DirTree->GetSelectedPath(), Slash(out_ / "Rapports"));
    // The same name again cannot be made.
    dialog.DirTree->SetSelectedPath(PathToUtf8(out_.path()));
    fake_.AnswerText("Rapports", "Cr\xC3\xA9" "er un dossier").AnswerMessage(MsgResult::Ok, "Cr\xC3\xA9" "er un dossier");
    dialog.BNewFoldClick();
    EXPECT_TRUE(fake_.Verify());
    EXPECT_EQ(fake_.Prompts().back().text, "Impossible de cr\xC3\xA9" "er le dossier " + Slash(out_.path()) + "Rapports");
}

} // namespace
