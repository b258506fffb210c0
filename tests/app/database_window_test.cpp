// The database window (alias, parameters, sql.ini, the two imports), the
// designation dialog, and the download command of the main window, headless
// through the scripted prompts.
#include "exchange/windows/database_window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/windows/collection_window.h"
#include "app/windows/database_commands.h"
#include "app/windows/main_window.h"
#include "platform/windows/progress_window.h"
#include "app/windows/spreadsheet_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class DatabaseWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        // The tests' own database, not the shipped sample's.
        std::filesystem::copy_file(std::filesystem::path(CAROTIX_TEST_DATA_DIR) / "carotix.db", program_ / "carotix.db",
                                   std::filesystem::copy_options::overwrite_existing);
        progress_ = std::make_unique<TFProgress>();
        FProgress = progress_.get();
        fake_.SetAutoOk(true);
    }
    void TearDown() override
    {
        delete FDatabase;
        SetDesignationChooser({});
        FProgress = nullptr;
        EXPECT_EQ(fake_.BusyDepth(), 0);
        OptionsRelease();
    }
    TempProgramDir program_;
    ScopedDecimalSeparator comma_{','};
    std::unique_ptr<TFProgress> progress_;
    FakeUiServices fake_{[](const std::string& m) { ADD_FAILURE() << m; }};
    ScopedUi ui_{fake_};
};

}  // namespace

TEST_F(DatabaseWindowTest, AliasAndParametersAreKept)
{
    TFDatabase& w = DatabaseWindow(nullptr);
    EXPECT_EQ(FromQString(w.windowTitle()), "Base de donn\xC3\xA9" "e");
    ASSERT_EQ(w.CDatabases->count(), 2);
    EXPECT_EQ(w.CDatabases->currentText(), "SQLite");  // the shipped settings
    EXPECT_EQ(w.Database1.Params, (std::vector<std::string>{"DATABASE NAME=carotix.db"}));
    w.FormShow();
    EXPECT_EQ(w.Memo1->toPlainText(), "DATABASE NAME=carotix.db");
    EXPECT_EQ(FromQString(w.Button3->text()), "Config. SQL");

    // The sample database answers with the shipped settings.
    EnsureConnected(w.Database1);
    EXPECT_TRUE(w.Database1.Connected());

    w.Memo1->setPlainText("SERVER NAME=/tmp\n\nUSER NAME=geologue");
    w.CDatabases->setCurrentIndex(1);
    w.Button1->click();
    EXPECT_FALSE(w.Database1.Connected());  // the next command connects anew
    EXPECT_EQ(w.Database1.AliasName, "PostgreSQL");
    EXPECT_EQ(IniCarotix->ReadString("G\xC3\xA9n\xC3\xA9ral", kDbAliasKey, ""), "PostgreSQL");
    delete FDatabase;
    EXPECT_EQ(ReadFileBytes(program_ / "db_params.txt"), "SERVER NAME=/tmp\r\nUSER NAME=geologue\r\n");
    EXPECT_EQ(DatabaseWindow(nullptr).CDatabases->currentText(), "PostgreSQL");

    DatabaseWindow(nullptr).Button3->click();
    ASSERT_EQ(fake_.OpenedWithProgram().size(), 1u);
    EXPECT_EQ(fake_.OpenedWithProgram()[0], PathToUtf8(program_ / "sql.ini"));
}

TEST_F(DatabaseWindowTest, ImportButtons)
{
    TFDatabase& w = DatabaseWindow(nullptr);
    for (const char* a : {"STRATIGRAPHIE", "DEBUT", "FIN", "NOM"}) fake_.AnswerText(a, "Importer stratigraphie");
    w.Button5->click();
    EXPECT_EQ(fake_.Prompts().back().title, "Importation");
    EXPECT_EQ(ProgramFile("strati.ini").empty(), false);
    StratiScaleLoad();
    EXPECT_EQ(StratiScale.size(), 17u);
    EXPECT_FALSE(FProgress->isVisible());
    // A name that is not a plain name never reaches the database.
    fake_.AnswerText("LEX_LITHO.CODE FROM LEX_LITHO UNION SELECT 1", "Importer lexique");
    w.Button4->click();
    EXPECT_EQ(fake_.Prompts().back().title, "Carotix");
    EXPECT_NE(fake_.Prompts().back().text.find("invalide"), std::string::npos);
    EXPECT_TRUE(fake_.Verify());
}

TEST_F(DatabaseWindowTest, DesignationDialog)
{
    TFAutoDesign dialog;
    EXPECT_EQ(FromQString(dialog.windowTitle()), "Designation dans la table Ouvrage");
    QTimer::singleShot(0, [&] {
        dialog.LOuvr->setCurrentRow(1);
        dialog.Button1->click();
    });
    int chosen = -1;
    EXPECT_EQ(dialog.Choose("X", {"B12 F1", "B12 F2"}, chosen), MsgResult::Yes);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(dialog.LCur->text(), "X");
    QTimer::singleShot(0, [&] { dialog.Button3->click(); });
    EXPECT_EQ(dialog.Choose("X", {"B12 F1"}, chosen), MsgResult::Cancel);
    QTimer::singleShot(0, [&] { dialog.Button2->click(); });
    EXPECT_EQ(dialog.Choose("X", {"B12 F1"}, chosen), MsgResult::No);
}

TEST_F(DatabaseWindowTest, MenuDownloadsTheSelectedOuvrage)
{
    TFMain main;
    ASSERT_NE(main.TelechargeBDD1, nullptr);
    EXPECT_EQ(FromQString(main.TelechargeBDD1->text()), "T\xC3\xA9l\xC3\xA9" "charger de la base de donn\xC3\xA9" "es");
    EXPECT_TRUE(main.Edition1->actions().contains(main.TelechargeBDD1));
    EXPECT_EQ(FromQString(main.Basededonne1->statusTip()), "Acc\xC3\xA8s \xC3\xA0 la base de donn\xC3\xA9" "e");
    EXPECT_TRUE(main.Configuration1->actions().contains(main.Basededonne1));

    main.TelechargeBDD1->trigger();  // no collection: nothing happens
    TFChild* child = main.Nouveau1Click();
    child->AddBorehole("PUITS-1", "PUITS-1");
    child->AddBorehole("0385-2X-0041", "F");
    child->SelectRow("PUITS-1", "PUITS-1");
    std::vector<std::string> offered;
    SetDesignationChooser([&](const std::string& current, const std::vector<std::string>& lines, int& chosen) {
        offered = lines;
        chosen = 0;
        return MsgResult::Yes;
    });
    main.TelechargeBDD1->trigger();
    EXPECT_EQ(offered, (std::vector<std::string>{"PUITS-1 P"}));
    EXPECT_GE(child->FindRow("PUITS-1", "P"), 0);
    EXPECT_LT(child->FindRow("PUITS-1", "PUITS-1"), 0);
    EXPECT_EQ(child->FRoot().GetPathString("PUITS-1\\Dossier\\Commune", 0), "BAIN-DE-BRETAGNE");
    EXPECT_EQ(child->FRoot().FindDir("PUITS-1\\Niveau")->RowCount(), 2);
    EXPECT_TRUE(child->IsModified());
    EXPECT_TRUE(fake_.Prompts().empty());

    // A connection that does not open ends the command with its message.
    DatabaseWindow(&main).Database1.Params = {"DATABASE NAME=absente.db"};
    DatabaseWindow(&main).Database1.Close();
    child->SelectRow("0385-2X-0041", "F");
    main.TelechargeBDD1->trigger();
    ASSERT_EQ(fake_.Prompts().size(), 1u);
    EXPECT_NE(fake_.Prompts()[0].text.find("introuvable"), std::string::npos);
    EXPECT_EQ(child->FRoot().FindDir("0385-2X-0041\\Niveau"), nullptr);
    delete FDatabase;
}

// With the editor windows of the program, the download goes through their
// from-database mode, on the database window's connection.
TEST_F(DatabaseWindowTest, DownloadThroughTheEditors)
{
    TFMain main;
    FTableur = new TFTableur(&main);
    TFChild* child = main.Nouveau1Click();
    child->AddBorehole("0385-2X-0041", "F");
    child->SelectRow("0385-2X-0041", "F");
    main.TelechargeBDD1->trigger();
    // The spreadsheet tells that it sorted the levels by depth; nothing else.
    for (const PromptRecord& p : fake_.Prompts()) EXPECT_EQ(p.title, "Tri automatique") << p.text;
    const TDirBlock& r = child->FRoot();
    EXPECT_EQ(r.GetPathString("0385-2X-0041\\Ouvrage\\DateEau", 0), "20040617");
    EXPECT_EQ(r.GetPathString("0385-2X-0041\\Dossier\\Commune", 0), "GUICHEN");
    ASSERT_NE(r.FindDir("0385-2X-0041\\Niveau"), nullptr);
    EXPECT_EQ(r.FindDir("0385-2X-0041\\Niveau")->RowCount(), 6);
    EXPECT_EQ(r.GetPathString("0385-2X-0041\\Niveau\\Litho", 1), "Limon argileux ocre");
    EXPECT_EQ(r.GetPathInt("0385-2X-0041\\Tubage\\Type", 0), 10);
    EXPECT_EQ(r.GetPathInt("0385-2X-0041\\Trou-nu\\M\xC3\xA9thode", 1), 2);
    EXPECT_EQ(r.FindDir("0385-2X-0041\\Doc"), nullptr);
    EXPECT_GE(child->FindRow("0385-2X-0041", "F"), 0);

    // Through the editors too, a download stopped after some tables were
    // read (here by a later section refused) leaves the borehole as it was.
    WriteFileBytes(program_ / "sql.ini", "[DOSSIER=Dossier]\r\nCOMMUNE=Commune\r\n[NIVEAU=Niveau]\r\nDESIGNATION=\r\n"
                                         "PROF_DEB=Deb\r\n[TUBAGE=Tubage]\r\nFROM=TUBAGE; DELETE FROM TUBAGE\r\n"
                                         "PROF_DEB=Deb\r\n");
    child->FRoot().SetPathString("0385-2X-0041\\Dossier\\Commune", 0, btString, "saisie");
    // A renaming onto an ouvrage of the collection, after Ok, is undone too;
    // a collection saved before stays unmodified.
    child->AddBorehole("PUITS-1", "PUITS-1");
    child->AddBorehole("PUITS-1", "P");
    child->TakeSnapshot();
    child->FRoot().SaveToFile((program_ / "avant.crx").string());
    SetDesignationChooser([](const std::string&, const std::vector<std::string>&, int& chosen) {
        chosen = 0;
        return MsgResult::Yes;
    });
    for (const std::string ouvrage : {"0385-2X-0041", "PUITS-1"}) {
        fake_.Reset();
        if (ouvrage == "PUITS-1") fake_.AnswerMessage(MsgResult::Ok, kOuvrageExistsTitle);
        child->SelectRow(ouvrage, ouvrage == "PUITS-1" ? "PUITS-1" : "F");
        main.TelechargeBDD1->trigger();
        child->FRoot().SaveToFile((program_ / "apres.crx").string());
        EXPECT_EQ(ReadFileBytes(program_ / "apres.crx"), ReadFileBytes(program_ / "avant.crx")) << ouvrage;
        EXPECT_FALSE(child->IsModified());
        EXPECT_GE(child->FindRow("PUITS-1", "P"), 0);
    }
    ASSERT_FALSE(fake_.Prompts().empty());
    EXPECT_NE(fake_.Prompts().back().text.find("est rest\xC3\xA9 tel qu'il \xC3\xA9tait avant."), std::string::npos)
        << fake_.Prompts().back().text;
    delete FTableur;
    FTableur = nullptr;
    delete FDatabase;
}
