// The recent-files list as the File menu shows it across runs.
#include <gtest/gtest.h>

#include "store/options.h"
#include "store/recent_files.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

class RecentFilesTest : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<std::string> names;

    void SetUp() override
    {
        for (int i = 0; i < 12; ++i) {
            const fs::path p = dir / ("forage_" + std::to_string(i) + ".crx");
            WriteFileBytes(p, "");
            names.push_back(p.string());
        }
    }
    void TearDown() override
    {
        SetRecentFilesChanged(nullptr);
        OptionsRelease();
    }
    void Start(const std::string& recentSection)
    {
        WriteFileBytes(dir / "carotix.ini", "[R\xE9" "cent]\r\n" + recentSection);
        OptionsInitialize(dir.path());
        RecentLoad();
    }
};

TEST_F(RecentFilesTest, AddingMovesANameFirstAndKeepsTen)
{
    const fs::path upper = dir / "FORAGE_0.crx";
    WriteFileBytes(upper, "");
    Start("Fichier0=" + names[0] + "\r\nFichier1=" + names[1] + "\r\nFichier2=" + names[2] + "\r\nFichier3=" +
          names[3] + "\r\n");
    RecentAdd(names[2]);
    EXPECT_EQ(RecentFilesList(), (std::vector<std::string> {names[2], names[0], names[1], names[3]}));
    // Names differing only in case are different files.
    RecentAdd(upper.string());
    EXPECT_EQ(RecentFilesList(), (std::vector<std::string> {upper.string(), names[2], names[0], names[1], names[3]}));
    // An eleventh name drops the oldest.
    for (int i = 4; i < 10; ++i) RecentAdd(names[i]);
    EXPECT_EQ(RecentFilesList(), (std::vector<std::string> {names[9], names[8], names[7], names[6], names[5], names[4],
                                                             upper.string(), names[2], names[0], names[1]}));
}

TEST_F(RecentFilesTest, EntriesThatAreNotFilesDisappearAtStartUp)
{
    // A file deleted since the last run, a folder and an empty entry go.
    fs::remove(names[1]);
    fs::create_directory(dir / "dossier.crx");
    Start("Fichier0=" + names[0] + "\r\nFichier1=" + names[1] + "\r\nFichier2=" + names[2] + "\r\nFichier3=\r\n" +
          "Fichier4=" + (dir / "dossier.crx").string() + "\r\n");
    EXPECT_EQ(RecentFilesList(), (std::vector<std::string> {names[0], names[2]}));
}

TEST_F(RecentFilesTest, EveryKeyIsReadInFileOrderAndRewrittenAsFichierN)
{
    Start("Dernier=" + names[5] + "\r\n; ancien\r\nFichier0=" + names[4] + "\r\nautre=" + names[5] +
          "\r\nFichier0=" + names[6] + "\r\n");
    // Repeated names are kept once; a repeated key keeps its own value.
    EXPECT_EQ(RecentFilesList(), (std::vector<std::string> {names[5], names[4], names[6]}));
    RecentSave();
    TIniFile ini(dir / "carotix.ini");
    EXPECT_EQ(ini.ReadSectionValues("Récent"),
              (std::vector<std::string> {"Fichier0=" + names[5], "Fichier1=" + names[4], "Fichier2=" + names[6]}));
}

TEST_F(RecentFilesTest, ChangesAreAnnounced)
{
    OptionsInitialize(dir.path());
    int changes = 0;
    SetRecentFilesChanged([&] { ++changes; });
    RecentLoad();
    EXPECT_EQ(changes, 1);
    RecentAdd(names[0]);
    EXPECT_EQ(changes, 2);
    RecentSave();
    TIniFile ini(dir / "carotix.ini");
    EXPECT_EQ(ini.ReadString("Récent", "Fichier0", ""), names[0]);
    // An empty list leaves no section behind.
    WriteFileBytes(dir / "carotix.ini", "[R\xE9" "cent]\r\nFichier0=/nulle/part.crx\r\n");
    RecentLoad();
    EXPECT_TRUE(RecentFilesList().empty());
    RecentSave();
    EXPECT_EQ(ReadFileBytes(dir / "carotix.ini"), "");
}

}  // namespace
