// A collection file that cannot be read is told by its name, whichever way
// the person opened it, and keeps the other files from nothing.
#include <filesystem>
#include <string>
#include <vector>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "e2e_program.h"
#include "platform/base/safe_files.h"
#include "store/blocks.h"

namespace fs = std::filesystem;

namespace {

class UnreadableFilesE2e : public E2eTest {
protected:
    std::string Told(const fs::path& file, const std::string& reason)
    {
        return "Impossible de lire \xC2\xAB " + file.string() + " \xC2\xBB : " + reason;
    }
    // The sample cut in its middle.
    fs::path Truncated(const std::string& name)
    {
        std::string bytes;
        EXPECT_TRUE(ReadFileBounded(SamplePath(), bytes, nullptr, kMaxTextFileBytes));
        const fs::path file = SavePath(name);
        WriteBytes(file, bytes.substr(0, bytes.size() / 2));
        return file;
    }
    static void WriteBytes(const fs::path& file, const std::string& bytes)
    {
        SafeTempFile temp(file);
        temp.Write(bytes);
        temp.Commit();
    }
};

TEST_F(UnreadableFilesE2e, OpeningSeveralFilesNamesEachThatFails)
{
    struct Bad {
        std::string name;
        std::string reason;
    };
    const std::vector<Bad> bad = {
        {"tronque.crx", "Read beyond end of file"},
        {"valeur.crx", "Invalid block type"},
        {"autre racine.crx", "Format de fichier invalide"},
    };
    Truncated(bad[0].name);
    TIntBlock("R", 5).SaveToFile(SavePath(bad[1].name).string());
    TDirBlock("Foo").SaveToFile(SavePath(bad[2].name).string());

    Start();
    std::vector<std::string> files;
    for (const Bad& b : bad) files.push_back(SavePath(b.name).string());
    files.insert(files.begin() + 1, SamplePath().string());
    Ui().AnswerFiles(files);
    for (std::size_t i = 0; i < bad.size(); ++i) Ui().AnswerMessage(MsgResult::Ok, "Carotix");
    ASSERT_TRUE(Menu({"&Fichier", "Ou&vrir..."}));

    // One box per file that failed, in the dialog's order; the good file opens.
    const auto& prompts = Ui().Prompts();
    ASSERT_EQ(prompts.size(), 1 + bad.size());
    for (std::size_t i = 0; i < bad.size(); ++i)
        EXPECT_EQ(prompts[1 + i].text, Told(SavePath(bad[i].name), bad[i].reason));
    ASSERT_EQ(Main().Children().size(), 1u);
    EXPECT_EQ(Main().Children()[0]->FFileName(), SamplePath().string());
}

TEST_F(UnreadableFilesE2e, TheCommandLineAndTheRecentFilesNameTheFileToo)
{
    const fs::path cut = Truncated("tronque.crx");
    Ui().AnswerMessage(MsgResult::Ok, "Carotix");
    Start(cut.string());
    ASSERT_EQ(Ui().Prompts().size(), 1u);
    EXPECT_EQ(Ui().Prompts()[0].text, Told(cut, "Read beyond end of file"));
    EXPECT_TRUE(Main().Children().empty());

    // A file opened and closed, then spoilt by another program: its entry
    // of the recent files tells which file it is.
    const fs::path later = SavePath("plus tard.crx");
    fs::copy_file(SamplePath(), later);
    Open(later);
    ASSERT_TRUE(Menu({"&Fichier", "Fermer"}));
    WriteBytes(later, std::string("\x03") + "Foo");
    Ui().AnswerMessage(MsgResult::Ok, "Carotix");
    ASSERT_TRUE(Menu({"&Fichier", "Ouvrir r\xC3\xA9" "cent", later.string()}));
    EXPECT_EQ(Ui().Prompts().back().text, Told(later, "Read beyond end of file"));
    EXPECT_TRUE(Main().Children().empty());
}

}  // namespace
