// The program itself, two instances on one program folder, the one that does
// not own the folder's copies killed after its backup pass and started again:
// its collection comes back whole. Runs the built executable headless on a
// temporary copy of the program folder, with a short backup period. (A change
// made through the windows before a kill is followed by the end-to-end tests.)
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/backups.h"
#include "app/windows/startup.h"
#include "sample_boreholes.h"
#include "store/blocks.h"
#include "store/crx_file.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kProgram = fs::path(CAROTIX_PROGRAM_DIR) / "carotix";

class CrashRecovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(kProgram)) GTEST_SKIP() << "the program is not built: " << kProgram;
        TDirBlock root("Carotix");
        BuildShallowWell(root, "PZ1");
        root.SetPathString("Unit\xC3\xA9XY", 0, btString, "km");
        root.SetPathString("PZ1\\Ouvrage\\Commentaire", 0, btString, "avant l'arr\xC3\xAAt brutal");
        expected_ = SaveBlockToBytes(root);
        collection_ = work_ / "puits.crx";
        root.SaveToFile(collection_.string());
    }
    void TearDown() override
    {
        if (process_.state() != QProcess::NotRunning) Kill();
    }

    void Launch(const QStringList& args)
    {
        fs::remove(work_ / "steps.log");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CAROTIX_HOME", QString::fromStdString(program_.path().string()));
        env.insert(kBackupPeriodVariable, "150");
        env.insert(kStartupLogVariable, QString::fromStdString((work_ / "steps.log").string()));
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(QString::fromStdString(kProgram.string()), args);
        ASSERT_TRUE(process_.waitForStarted(30000));
    }
    // Waits until the program's log holds `step` (after `after`, when given).
    bool WaitForStep(const std::string& step, const std::string& after = {})
    {
        for (int i = 0; i < 1200; ++i) {
            std::error_code ec;
            if (fs::exists(work_ / "steps.log", ec)) {
                const std::string log = ReadFileBytes(work_ / "steps.log");
                std::size_t from = 0;
                if (!after.empty()) {
                    from = log.find(after + "\n");
                    if (from == std::string::npos) from = log.size();
                }
                if (log.find(step + "\n", from) != std::string::npos) return true;
            }
            if (process_.state() == QProcess::NotRunning) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    void Kill()
    {
        ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
        process_.waitForFinished(30000);
    }
    std::string CopyBytes(const fs::path& copy)
    {
        TDirBlock root("Carotix");
        root.LoadFromFile(copy.string());
        return SaveBlockToBytes(root);
    }

    TempProgramDir program_{true, true};
    TempDir work_;
    fs::path collection_;
    std::string expected_;
    QProcess process_;
};

// Two instances on one program folder: the second does not own the folder's
// copies but keeps its own; killed, its collection comes back in the next
// instance started beside the owner.
TEST_F(CrashRecovery, TheKilledInstanceThatDidNotOwnTheCopiesGetsItsCollectionBack)
{
    QProcess owner;
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CAROTIX_HOME", QString::fromStdString(program_.path().string()));
        env.insert(kBackupPeriodVariable, "150");
        env.insert(kStartupLogVariable, QString::fromStdString((work_ / "owner.log").string()));
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        owner.setProcessEnvironment(env);
        owner.setProcessChannelMode(QProcess::ForwardedChannels);
        owner.start(QString::fromStdString(kProgram.string()), {});
        ASSERT_TRUE(owner.waitForStarted(30000));
        for (int i = 0; i < 1200 && !(fs::exists(work_ / "owner.log") &&
                                      ReadFileBytes(work_ / "owner.log").find("backup:pass\n") != std::string::npos);
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The second instance, on the collection.
    Launch({QString::fromStdString(collection_.string())});
    ASSERT_TRUE(WaitForStep("backup:not-owner"));
    ASSERT_TRUE(WaitForStep("backup:instance-pass"));
    Kill();
    std::vector<fs::path> left;
    for (const fs::path& copy : ListBackupCopies(program_.path()))
        if (!InstanceTagOf(copy.filename().string()).empty()) left.push_back(copy);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(CopyBytes(left[0]), expected_);

    // A third instance beside the owner takes the killed one's collection.
    Launch({});
    ASSERT_TRUE(WaitForStep("show:reopen:" + left[0].filename().string() + ":modified"));
    ASSERT_TRUE(WaitForStep("backup:instance-pass", "show:timers"));
    Kill();
    EXPECT_FALSE(fs::exists(left[0]));
    std::vector<fs::path> now;
    for (const fs::path& copy : ListBackupCopies(program_.path()))
        if (!InstanceTagOf(copy.filename().string()).empty()) now.push_back(copy);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(CopyBytes(now[0]), expected_);
    ::kill(static_cast<pid_t>(owner.processId()), SIGKILL);
    owner.waitForFinished(30000);
}

}  // namespace
