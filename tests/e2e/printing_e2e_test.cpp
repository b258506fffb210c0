// Printing to a real print queue: the CUPS daemon with its PDF printer
// (Debian's cups and printer-driver-cups-pdf). The print window lists the
// system's queues; a log and a report of the sample's first ouvrage are
// printed through "Boite d'impression..." and "Impression de rapports..."
// to the PDF queue, and the pages that come out are read back with pdfinfo
// and pdffonts. Skipped with a message where no CUPS daemon runs
// and none can be started (it needs root), or where the PDF printer is
// missing.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "drawing/windows/print_window.h"
#include "e2e_program.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kQueue = "CarotixPDF";

// The output of a shell command (empty when it fails).
std::string Shell(const std::string& command, int* status = nullptr)
{
    std::string out;
    if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        const int rc = ::pclose(p);
        if (status) *status = rc;
    } else if (status) {
        *status = -1;
    }
    return out;
}

bool SchedulerRunning() { return Shell("lpstat -r").find("scheduler is running") != std::string::npos; }

// Where the PDF printer writes the jobs of this user.
fs::path OutputFolder()
{
    const passwd* pw = ::getpwuid(::getuid());
    return fs::path(pw && pw->pw_dir ? pw->pw_dir : "/root") / "PDF";
}

std::set<fs::path> PdfFiles(const fs::path& folder)
{
    std::set<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".pdf") files.insert(e.path());
    return files;
}

class CupsPrinting : public E2eTest {
protected:
    void SetUp() override
    {
        // The queue writes every job of this user to one folder: test runs
        // side by side (several builds on one machine) would take each
        // other's pages. One run prints at a time.
        lock_ = ::open((fs::temp_directory_path() / "carotix-cups-test.lock").c_str(), O_RDWR | O_CREAT, 0666);
        if (lock_ >= 0) ::flock(lock_, LOCK_EX);
        if (!SchedulerRunning()) {
            if (::geteuid() != 0 || ::access("/usr/sbin/cupsd", X_OK) != 0)
                GTEST_SKIP() << "no CUPS daemon runs and none can be started here (it needs root and cups)";
            Shell("/usr/sbin/cupsd");
            for (int i = 0; i < 100 && !SchedulerRunning(); ++i) std::this_thread::sleep_for(100ms);
            if (!SchedulerRunning()) GTEST_SKIP() << "the CUPS daemon did not start";
        }
        int status = 0;
        Shell(std::string("lpstat -p ") + kQueue, &status);
        if (status != 0) {
            const char* ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
            if (::access(ppd, R_OK) != 0 || ::access("/usr/lib/cups/backend/cups-pdf", X_OK) != 0)
                GTEST_SKIP() << "the CUPS PDF printer is not installed (printer-driver-cups-pdf)";
            Shell(std::string("lpadmin -p ") + kQueue + " -v cups-pdf:/ -E -P " + ppd, &status);
            if (status != 0) GTEST_SKIP() << "the PDF queue cannot be made here (lpadmin refused)";
        }
    }

    void TearDown() override
    {
        E2eTest::TearDown();
        if (lock_ >= 0) ::close(lock_);
    }

    int lock_ = -1;

    // Prints the first ouvrage through the print window opened by the menu
    // item, on the PDF queue; answers the PDF that came out.
    fs::path PrintFirstOuvrage(const char* itemName, std::string& listed)
    {
        const fs::path out = OutputFolder();
        const std::set<fs::path> before = PdfFiles(out);
        QAction* item = Main().findChild<QAction*>(QString::fromLatin1(itemName));
        EXPECT_TRUE(item) << itemName;
        if (!item) return {};
        WhenShown([] { return FImpression && FImpression->isVisible(); },
                  [&] {
                      TFImpression& w = *FImpression;
                      for (int i = 0; i < w.CImprimante->count(); ++i) listed += w.CImprimante->itemText(i).toStdString() + ";";
                      // The queue chosen as a person does: the list opened
                      // with the keyboard, its name typed.
                      Click(w.CImprimante);
                      KeyToFocus(Qt::Key_Escape);
                      Type(w.CImprimante, kQueue);
                      EXPECT_EQ(w.CImprimante->currentText().toStdString(), kQueue);
                      EXPECT_EQ(w.LImprime->count(), 1);
                      Click(w.Button1);
                  });
        QMenu* menu = nullptr;
        for (QObject* o : item->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o)) menu = m;
        EXPECT_TRUE(menu && Menu({menu->title().toStdString(), item->text().toStdString()}));
        // The queue turns the job into a PDF file a moment later.
        fs::path made;
        for (int i = 0; i < 600 && made.empty(); ++i) {
            for (const fs::path& f : PdfFiles(out))
                if (!before.count(f) && Shell(std::string("lpstat -o ") + kQueue).empty()) made = f;
            if (made.empty()) std::this_thread::sleep_for(100ms);
        }
        EXPECT_FALSE(made.empty()) << "no PDF came out of the queue in " << out;
        return made;
    }
};

int PageCount(const std::string& info)
{
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

TEST_F(CupsPrinting, ALogAndAReportOfTheFirstOuvrageComeOutOfThePdfQueueOnA4)
{
    Start(SamplePath().string());
    TFChild* child = Main().ActiveChild();
    ASSERT_TRUE(child);
    ClickRow(*child, 0);  // PUITS-1, one tube, 9 m: one page

    std::string listed;
    const fs::path log = PrintFirstOuvrage("Imprimer1", listed);
    EXPECT_NE(listed.find(std::string(kQueue) + ";"), std::string::npos) << "the queues listed: " << listed;
    ASSERT_FALSE(log.empty());
    const std::string info = Shell("pdfinfo '" + log.string() + "'");
    EXPECT_EQ(PageCount(info), 1) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    // The texts are printed as text, in fonts embedded in the pages (the
    // queue's PostScript step turns them into Type 3 fonts, whose text
    // pdftotext cannot read back).
    const std::string fonts = Shell("pdffonts '" + log.string() + "'");
    EXPECT_GE(std::count(fonts.begin(), fonts.end(), '\n'), 3) << fonts;
    EXPECT_NE(fonts.find(" yes "), std::string::npos) << fonts;
    fs::remove(log);

    listed.clear();
    const fs::path report = PrintFirstOuvrage("ImpressionRapports1", listed);
    ASSERT_FALSE(report.empty());
    const std::string reportInfo = Shell("pdfinfo '" + report.string() + "'");
    EXPECT_GE(PageCount(reportInfo), 1) << reportInfo;
    EXPECT_NE(reportInfo.find("(A4)"), std::string::npos) << reportInfo;
    const std::string reportFonts = Shell("pdffonts '" + report.string() + "'");
    EXPECT_NE(reportFonts.find(" yes "), std::string::npos) << reportFonts;
    fs::remove(report);
}

}  // namespace
