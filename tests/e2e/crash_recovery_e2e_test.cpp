// A person adds an ouvrage to a collection, the crash-recovery copy is
// written, and the program is killed before anything is saved. Started again,
// the program shows the collection with the new ouvrage, and "Enregistrer
// sous..." keeps it. The killed program is this test itself, started again in
// a child process that drives the program the same way on this test's folder.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/backups.h"
#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/startup.h"
#include "e2e_program.h"
#include "store/blocks.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Set in the child: the program folder to run on, and the file that tells the
// parent the copy holding the change is written.
constexpr const char* kKilledFolderVariable = "CAROTIX_E2E_KILLED_FOLDER";
constexpr const char* kReadyFileVariable = "CAROTIX_E2E_READY_FILE";

class CrashRecoveryE2e : public E2eTest {
protected:
    // The child's part: the session that is killed.
    void RunTheSessionThatIsKilled(const fs::path& folder, const fs::path& ready)
    {
        UseFolder(folder);
        Start();
        TFChild& c = OpenSample();
        Ui().AnswerName("PZ-NEUF", "A", "Nouvel ouvrage");
        ASSERT_TRUE(Menu({"O&uvrage", "Nouvel ouvrage..."}));
        ASSERT_GE(c.FindRow("PZ-NEUF", "A"), 0);
        const std::size_t from = StartupLog().size();
        ASSERT_TRUE(QTest::qWaitFor(
            [from] {
                const auto& log = StartupLog();
                return std::find(log.begin() + static_cast<std::ptrdiff_t>(std::min(from, log.size())), log.end(),
                                 "backup:pass") != log.end();
            },
            60000))
            << "no backup pass after the change";
        WriteFileBytes(ready, "pret");
        QTest::qWait(120000);
        ADD_FAILURE() << "the program was not killed";
    }
};

TEST_F(CrashRecoveryE2e, AnOuvrageAddedBeforeAKillIsThereAfterTheRestart)
{
    if (const char* folder = std::getenv(kKilledFolderVariable)) {
        RunTheSessionThatIsKilled(folder, std::getenv(kReadyFileVariable));
        return;
    }
    const std::string sample = ReadFileBytes(SamplePath());
    TempDir work;
    const fs::path ready = work / "pret";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kKilledFolderVariable, QString::fromStdString(Folder().string()));
    env.insert(kReadyFileVariable, QString::fromStdString(ready.string()));
    env.insert(kBackupPeriodVariable, "200");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=CrashRecoveryE2e.AnOuvrageAddedBeforeAKillIsThereAfterTheRestart"});
    ASSERT_TRUE(child.waitForStarted(30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(ready) || child.state() == QProcess::NotRunning; }, 120000));
    ASSERT_TRUE(fs::exists(ready)) << "the child ended before its copy was written";
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(ReadFileBytes(SamplePath()), sample) << "the collection was saved";

    Start();
    ASSERT_EQ(Main().Children().size(), 1u);
    TFChild& c = *Main().Children()[0];
    EXPECT_TRUE(c.IsModified());
    EXPECT_GE(c.FindRow("PZ-NEUF", "A"), 0);
    Ui().AnswerFile(SavePath("repris.crx").string());
    ASSERT_TRUE(Menu({"&Fichier", "Enregistrer &sous..."}));
    const auto saved = ReadCrx(SavePath("repris.crx"));
    const auto before = ReadCrx(SamplePath());
    EXPECT_GE(saved->IndexOfDir("PZ-NEUF"), 0);
    for (int i = 0; i < before->Count(); ++i)
        EXPECT_GE(saved->IndexOfName(before->Child(i)->Name), 0) << before->Child(i)->Name;
    Quit();
    EXPECT_TRUE(ListBackupCopies(Folder()).empty());
}

}  // namespace
