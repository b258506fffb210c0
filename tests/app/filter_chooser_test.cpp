// The chooser of the current filter file (TFFiltreOra), headless: its list,
// "Ok" writing the choice at once, "Editer..." through the scripted prompts,
// the placement of its buttons and the whole Configuration command.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "exchange/windows/filter_chooser_window.h"
#include "platform/base/ini_file.h"
#include "platform/fake_ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class FilterChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The shipped filter files plus a few of our own, and things the
        // chooser must pass over.
        WriteFileBytes(dir_ / "FILTRE_Zeta.TXT", "Zeta en capitales\r\n->z.ora\r\n*Indice:A3\r\n");
        WriteFileBytes(dir_ / "filtre_alpha.txt", "Alpha\r\n->a.ora\r\n*Indice:A3\r\n");
        WriteFileBytes(dir_ / "filtre_vide.txt", "\r\n->v.ora\r\n");
        WriteFileBytes(dir_ / "autre.txt", "Pas un filtre\r\n");
        WriteFileBytes(dir_ / "filtre_ancien.txt.bak", "Copie\r\n");
        fs::create_directory(dir_ / "filtre_dossier.txt");
        OptionsInitialize(dir_.path());
        OracleFilterName.clear();
    }
    void TearDown() override
    {
        delete FFiltreOra;
        FFiltreOra = nullptr;
        OptionsRelease();
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string IniFiltre() const
    {
        TIniFile ini(dir_ / "carotix.ini");
        return ini.ReadString("Oracle", "Filtre", "<none>");
    }

    TempProgramDir dir_;
};

std::vector<std::string> FileNames(const FilterChooserList& list)
{
    std::vector<std::string> names;
    for (const std::string& p : list.FilterPaths)
        names.push_back(fs::u8path(p).filename().string());
    return names;
}

TEST_F(FilterChooserTest, ListsTheFilterFilesOfTheFolderByTheirFirstLineWithTheCurrentOneSelected)
{
    // The current filter is found without regard to case.
    FilterChooserList list = LoadFilterChooserList(dir_.path().string(), Path("FILTRE_ALPHA.txt"));
    EXPECT_EQ(FileNames(list), (std::vector<std::string>{"filtre_alpha.txt", "filtre_bss.txt", "filtre_chantier.txt",
                                                         "filtre_vide.txt", "FILTRE_Zeta.TXT"}));
    ASSERT_EQ(list.Titles.size(), 5u);
    EXPECT_EQ(list.Titles[0], "Alpha");
    EXPECT_EQ(list.Titles[1], "Filtres BSS : ouvrages, coupes géologiques et équipement");  // Windows-1252 file
    EXPECT_EQ(list.Titles[3], "");
    EXPECT_EQ(list.Titles[4], "Zeta en capitales");
    EXPECT_EQ(list.Selected, 0);
    for (const std::string& p : list.FilterPaths)
        EXPECT_TRUE(fs::path(p).is_absolute()) << p;

    EXPECT_EQ(LoadFilterChooserList(dir_.path().string(), "").Selected, -1);
    EXPECT_EQ(LoadFilterChooserList(dir_.path().string(), Path("filtre_autre.txt")).Selected, -1);
}

TEST_F(FilterChooserTest, OkMakesTheChosenFileCurrentAndWritesItAtOnce)
{
    const FilterChooserList list = LoadFilterChooserList(dir_.path().string(), "");
    ASSERT_TRUE(AcceptFilterChoice(list, 1));
    EXPECT_EQ(OracleFilterName, Path("filtre_bss.txt"));
    EXPECT_EQ(IniFiltre(), Path("filtre_bss.txt"));

    // No line selected, a line out of range, an empty list: nothing changes.
    EXPECT_FALSE(AcceptFilterChoice(list, -1));
    EXPECT_FALSE(AcceptFilterChoice(list, 5));
    EXPECT_FALSE(AcceptFilterChoice(FilterChooserList{}, 0));
    EXPECT_EQ(OracleFilterName, Path("filtre_bss.txt"));
    EXPECT_EQ(IniFiltre(), Path("filtre_bss.txt"));
}

TEST_F(FilterChooserTest, EditOpensTheSelectedFileWithItsProgramAndSaysSoWhenItCannot)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    const FilterChooserList list = LoadFilterChooserList(dir_.path().string(), "");

    EXPECT_TRUE(EditFilterFile(list, 2));
    EXPECT_FALSE(EditFilterFile(list, -1));
    EXPECT_EQ(fake.OpenedWithProgram(), std::vector<std::string>{Path("filtre_chantier.txt")});

    fake.SetOpenSucceeds(false);
    fake.AnswerMessage(MsgResult::Ok, "Filtre d'import/export Oracle");
    EXPECT_FALSE(EditFilterFile(list, 0));
    ASSERT_EQ(fake.Prompts().size(), 1u);
    EXPECT_NE(fake.Prompts()[0].text.find(Path("filtre_alpha.txt")), std::string::npos);
    EXPECT_TRUE(fake.Verify());
    // Editing never changes the current filter.
    EXPECT_EQ(OracleFilterName, "");
}

TEST_F(FilterChooserTest, ButtonsAreCentredOnTheClientWidth)
{
    const FilterChooserButtonLefts even = FilterChooserButtons(387, 75, 75, 75);
    EXPECT_EQ(even.annul, 193 - 37);
    EXPECT_EQ(even.ok, 193 - 75 - 37 - 4);
    EXPECT_EQ(even.edit, 193 + 38 + 4);
    const FilterChooserButtonLefts odd = FilterChooserButtons(300, 80, 76, 90);
    EXPECT_EQ(odd.annul, 150 - 38);
    EXPECT_EQ(odd.ok, 150 - 80 - 38 - 4);
    EXPECT_EQ(odd.edit, 150 + 38 + 4);  // (76 + 1) / 2
}

TEST_F(FilterChooserTest, WindowShowsTheListAndPlacesItsControls)
{
    OracleFilterName = Path("filtre_chantier.txt");
    TFFiltreOra window;
    EXPECT_EQ(FromQString(window.windowTitle()), "Filtre d'import/export Oracle");
    EXPECT_EQ(FromQString(window.Label1->text()), "Choisissez le filtre");
    EXPECT_EQ(FromQString(window.BEdit->text()), "Editer...");
    EXPECT_TRUE(window.BOk->isDefault());
    EXPECT_EQ(window.minimumSize(), QSize(307, 222));
    EXPECT_EQ(window.size(), QSize(387, 263));

    window.show();
    QApplication::processEvents();
    ASSERT_EQ(window.ListFiltres->count(), 5);
    EXPECT_EQ(window.SelectedLine(), 2);
    EXPECT_EQ(FromQString(window.ListFiltres->item(3)->text()), "filtre_vide.txt");  // a blank title shows the name
    EXPECT_EQ(window.FilterPaths.size(), 5u);

    window.resize(500, 300);
    QApplication::processEvents();
    const FilterChooserButtonLefts lefts =
        FilterChooserButtons(500, window.BOk->width(), window.BAnnul->width(), window.BEdit->width());
    EXPECT_EQ(window.BOk->x(), lefts.ok);
    EXPECT_EQ(window.BAnnul->x(), lefts.annul);
    EXPECT_EQ(window.BEdit->x(), lefts.edit);
    // The list fills the width less its margins and ends at the panel.
    EXPECT_EQ(window.ListFiltres->x() * 2 + window.ListFiltres->width(), 500);
    EXPECT_EQ(window.ListFiltres->geometry().bottom() + 1, window.Panel1->y());
    EXPECT_EQ(window.Panel1->geometry().bottom() + 1, 300);

    // Showing it again re-reads the folder.
    window.hide();
    WriteFileBytes(dir_ / "filtre_nouveau.txt", "Nouveau\r\n");
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.ListFiltres->count(), 6);
    EXPECT_EQ(window.SelectedLine(), 2);
    window.hide();
}

TEST_F(FilterChooserTest, CommandWritesTheLineChosenByOkOrDoubleClickAndNothingOnCancel)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);

    // Cancel: nothing changes.
    QTimer::singleShot(0, [] {
        FFiltreOra->ListFiltres->setCurrentRow(1);
        FFiltreOra->BAnnul->click();
    });
    FiltredimporationOracle1Click(nullptr);
    ASSERT_NE(FFiltreOra, nullptr);
    EXPECT_EQ(OracleFilterName, "");
    EXPECT_EQ(IniFiltre(), "");

    // "Editer..." then "Ok": the window stays open while the file is edited.
    QTimer::singleShot(0, [] {
        FFiltreOra->ListFiltres->setCurrentRow(1);
        FFiltreOra->BEdit->click();
        EXPECT_TRUE(FFiltreOra->isVisible());
        FFiltreOra->BOk->click();
    });
    FiltredimporationOracle1Click(nullptr);
    EXPECT_EQ(fake.OpenedWithProgram(), std::vector<std::string>{Path("filtre_bss.txt")});
    EXPECT_EQ(OracleFilterName, Path("filtre_bss.txt"));
    EXPECT_EQ(IniFiltre(), Path("filtre_bss.txt"));

    // The same window is reused; it opens on the current filter, and a double
    // click on a line acts as "Ok".
    TFFiltreOra* first = FFiltreOra;
    QTimer::singleShot(0, [] {
        EXPECT_EQ(FFiltreOra->SelectedLine(), 1);
        QListWidgetItem* item = FFiltreOra->ListFiltres->item(4);
        FFiltreOra->ListFiltres->setCurrentItem(item);
        emit FFiltreOra->ListFiltres->itemDoubleClicked(item);
    });
    FiltredimporationOracle1Click(nullptr);
    EXPECT_EQ(FFiltreOra, first);
    EXPECT_EQ(OracleFilterName, Path("FILTRE_Zeta.TXT"));
    EXPECT_EQ(IniFiltre(), Path("FILTRE_Zeta.TXT"));

    // "Ok" without a selected line leaves the choice as it was.
    QTimer::singleShot(0, [] {
        FFiltreOra->ListFiltres->clearSelection();
        FFiltreOra->ListFiltres->setCurrentRow(-1);
        FFiltreOra->BOk->click();
    });
    FiltredimporationOracle1Click(nullptr);
    EXPECT_EQ(OracleFilterName, Path("FILTRE_Zeta.TXT"));
    EXPECT_TRUE(fake.Verify());
}

} // namespace
