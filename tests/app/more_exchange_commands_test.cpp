// The Dravel and Vexto imports, the selected-levels export, the clearing of
// the marks and the KML export, headless through the main window's menus and
// the scripted prompts: each import is a real round into a new collection
// window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <filesystem>
#include <memory>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kGeneral = "G\xC3\xA9n\xC3\xA9ral";

class MoreExchangeCommandsTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    static void Trigger(QMenu* menu, const std::string& caption)
    {
        for (QAction* a : menu->actions())
            if (a->text() == QString::fromStdString(caption)) {
                a->trigger();
                return;
            }
        ADD_FAILURE() << "no item " << caption;
    }
    std::string Data(const char* name) { return PathToUtf8(fs::path(CAROTIX_TEST_DATA_DIR) / name); }

    TempProgramDir dir;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
};

TEST_F(MoreExchangeCommandsTest, ImportsGoIntoNewCollectionWindows)
{
    TFMain main;
    main.show();
    fake.AnswerFiles({Data("ouv0001.ini"), Data("ouv0002.ini")});
    Trigger(main.Fichier1, "Importer &Dravel...");
    TFChild* dravel = main.ActiveChild();
    ASSERT_NE(dravel, nullptr);
    EXPECT_EQ(dravel->Rows().size(), 2u);
    EXPECT_FALSE(dravel->IsModified());  // a fresh import counts as saved
    EXPECT_EQ(IniCarotix->ReadString(kGeneral, "R\xC3\xA9pertoireDravel", ""), CAROTIX_TEST_DATA_DIR);
    EXPECT_EQ(fake.BusyDepth(), 0);

    fake.AnswerFiles({Data("vexto_deux.lst")});
    Trigger(main.Fichier1, "Importer &Vexto...");
    TFChild* vexto = main.ActiveChild();
    ASSERT_NE(vexto, dravel);
    EXPECT_EQ(vexto->Rows().size(), 2u);
    EXPECT_FALSE(vexto->IsModified());
    EXPECT_EQ(vexto->FRoot().GetPathString("0123-4X-0056\\Niveau\\Litho", 2), "Craie blanche");

    // A cancelled dialog creates no window.
    fake.AnswerFiles({});
    Trigger(main.Fichier1, "Importer &Vexto...");
    EXPECT_EQ(main.ActiveChild(), vexto);
}

TEST_F(MoreExchangeCommandsTest, LevelsAndKmlExports)
{
    TFMain main;
    main.show();
    fake.AnswerFiles({Data("vexto_deux.lst")});
    Trigger(main.Fichier1, "Importer &Vexto...");
    TFChild* c = main.ActiveChild();
    ASSERT_NE(c, nullptr);
    const std::string sel = "0123-4X-0056\\Niveau\\S\xC3\xA9lection";
    c->FRoot().SetPathInt(sel, 1, btInt, 1);

    const fs::path levels = dir.path() / "niveaux.csv";
    fake.AnswerFile(PathToUtf8(levels), "Exporter les niveaux vers...");
    Trigger(main.Operations1, "Exporter les niveaux lithologiques s\xC3\xA9lectionn\xC3\xA9s");
    const std::string text = ReadFileBytes(levels);
    EXPECT_NE(text.find("\r\n0123-4X-0056;F1;9;2,35;48,85;112;;Les Pr\xE9s;"), std::string::npos) << text;
    EXPECT_EQ(IniCarotix->ReadString("CSV", "R\xC3\xA9pertoire", ""), PathToUtf8(dir.path()));
    EXPECT_FALSE(IniCarotix->ReadString(kGeneral, "ChampsNiveaux", "").empty());  // stored on first use

    Trigger(main.Operations1, "D\xC3\xA9selectionner tous les niveaux");
    EXPECT_EQ(c->FRoot().FindBlock(sel), nullptr);

    const fs::path kml = dir.path() / "points.kml";
    fake.AnswerFile(PathToUtf8(kml)).AnswerMessage(MsgResult::Ok, "Carotix");
    Trigger(main.Fichier1, "Exporter vers Google Earth...");
    EXPECT_NE(ReadFileBytes(kml).find("<coordinates>2.35,48.85,0</coordinates>"), std::string::npos);

    // Without a geographic ouvrage: the box and no dialog.
    c->FRoot().SetPathString("0123-4X-0056\\Ouvrage\\Zone", 0, btInt, "2");
    fake.AnswerMessage(MsgResult::Ok, "Carotix");
    Trigger(main.Fichier1, "Exporter vers Google Earth...");
}

}  // namespace
