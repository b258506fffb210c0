// What the settings layer has to tell reaches the user in a box: a folder
// name the Windows-1252 settings file cannot hold is written there as "?",
// and the user is told so, once.
#include <filesystem>

#include "app/windows/main_window.h"
#include "e2e_program.h"

namespace {

class SettingsReportsE2e : public E2eTest {};

TEST_F(SettingsReportsE2e, ACharacterWrittenAsQuestionMarkIsToldInABox)
{
    Start();
    // Greek capital omega has no Windows-1252 byte.
    const std::filesystem::path folder = SavePath("Forages \xCE\xA9");
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(SamplePath(), folder / "exemple.crx");
    const std::string told = "Des caract\xC3\xA8res sans \xC3\xA9quivalent dans l'encodage du fichier \xC2\xAB " +
                             (Folder() / "carotix.ini").string() +
                             " \xC2\xBB y ont \xC3\xA9t\xC3\xA9 \xC3\xA9\x63rits sous la forme \xC2\xAB ? \xC2\xBB.";
    Ui().AnswerFiles({(folder / "exemple.crx").string()});
    // Told when the folder is remembered; the recent-files list written at
    // the end of the run holds the same name, and the user is not told twice.
    Ui().AnswerMessage(MsgResult::Ok, "Carotix");
    ASSERT_TRUE(Menu({"&Fichier", "Ou&vrir..."}));
    EXPECT_EQ(Main().Children().size(), 1u);
    ASSERT_EQ(Ui().Prompts().size(), 2u);
    EXPECT_EQ(Ui().Prompts()[1].title, "Carotix");
    EXPECT_EQ(Ui().Prompts()[1].text, told);
    Quit();
    int boxes = 0;
    for (const auto& p : Ui().Prompts()) boxes += p.text == told ? 1 : 0;
    EXPECT_EQ(boxes, 1);
}

}  // namespace
