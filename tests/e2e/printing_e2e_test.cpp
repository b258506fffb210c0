// Printing with a print queue present. Each test starts a CUPS server of its
// own (configuration, spool and socket in a temporary folder, reached through
// CUPS_SERVER) with one PDF queue whose pages land in a file of that folder,
// so the machine's own printing is never touched. The program is started
// after the server, so Qt's CUPS support sees only the private queue.
//
// Two things outlive a test in this process and are reset by every one:
// libcups reads CUPS_SERVER once and keeps the server it named (the last
// test's, gone since), and the program's current printer keeps the queue the
// last test chose.
//
// Skipped with a message where cupsd cannot run.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>

#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <grp.h>
#include <pwd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "child_process.h"
#include "coding/windows/coding_rules_window.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "drawing/windows/print_window.h"
#include "drawing/windows/report_window.h"
#include "e2e_program.h"
#include "platform/printer_info.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kQueue = "CarotixPDF";
constexpr const char* kPdfPrompt = "Imprimer dans un fichier PDF";

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

void WriteFile(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

// Points libcups at `server` (null: back to what the environment names). It
// keeps the first server it was told of for the whole process, whatever
// CUPS_SERVER says later. libcups is reached as Qt's CUPS support loads it.
void UseCupsServer(const char* server)
{
    static void* const libcups = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!libcups) return;
    using SetServer = void (*)(const char*);
    if (auto set = reinterpret_cast<SetServer>(::dlsym(libcups, "cupsSetServer"))) set(server);
}

// A printer that takes PDF and hands it on as PDF (CUPS's pdftopdf only), so
// the file the queue writes can be read back with pdfinfo.
constexpr const char* kPdfPpd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "CAROTIX.PPD"
*Manufacturer: "Carotix"
*Product: "(Carotix PDF)"
*ModelName: "Carotix PDF"
*ShortNickName: "Carotix PDF"
*NickName: "Carotix PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/vnd.cups-pdf 0 -"
*OpenUI *PageSize/Page Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)ppd";

// A CUPS server of the test's own, with the PDF queue as its default
// destination. Every lp* command and the program reach it through
// CUPS_SERVER, set in this process for as long as it runs.
class PrivateCups {
public:
    PrivateCups()
    {
        if (::access("/usr/sbin/cupsd", X_OK) != 0) {
            why_ = "cupsd is not installed (cups)";
            return;
        }
        char pattern[] = "/tmp/carotix-cups.XXXXXX";
        if (!::mkdtemp(pattern)) {
            why_ = "no temporary folder";
            return;
        }
        dir_ = pattern;
        // The filters run as the server's user and read the spool below.
        ::chmod(dir_.c_str(), 0755);
        for (const char* sub : {"root", "spool", "spool/tmp", "cache", "state", "log"}) fs::create_directories(dir_ / sub);
        const std::string d = dir_.string();
        WriteFile(dir_ / "cupsd.conf", "Listen " + d + "/cups.sock\nLogLevel warn\nWebInterface No\nBrowsing Off\n"
                                       "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                       "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
        std::string files = "ServerRoot " + d + "/root\nRequestRoot " + d + "/spool\nTempDir " + d +
                            "/spool/tmp\nCacheDir " + d + "/cache\nStateDir " + d + "/state\nAccessLog " + d +
                            "/log/access_log\nErrorLog " + d + "/log/error_log\nPageLog " + d +
                            "/log/page_log\nPrintcap " + d + "/printcap\nFileDevice Yes\n";
        if (::geteuid() != 0) {
            // Not root: the server runs as this user.
            const passwd* pw = ::getpwuid(::geteuid());
            const group* gr = ::getgrgid(::getegid());
            if (pw && gr)
                files += std::string("User ") + pw->pw_name + "\nGroup " + gr->gr_name + "\nSystemGroup " + gr->gr_name + "\n";
        }
        WriteFile(dir_ / "cups-files.conf", files);
        WriteFile(dir_ / "carotix-pdf.ppd", kPdfPpd);

        // Ended with the test, even when the test crashes.
        const std::string conf = d + "/cupsd.conf", filesConf = d + "/cups-files.conf";
        if (!server_.Start({"/usr/sbin/cupsd", "-f", "-c", conf, "-s", filesConf})) {
            why_ = "the private CUPS server could not be started";
            return;
        }
        ::setenv("CUPS_SERVER", (d + "/cups.sock").c_str(), 1);
        UseCupsServer((d + "/cups.sock").c_str());
        for (int i = 0; i < 100 && server_.Running() && !Running(); ++i) std::this_thread::sleep_for(100ms);
        if (!Running()) {
            why_ = "the private CUPS server did not start";
            return;
        }
        int status = 0;
        Shell(std::string("lpadmin -p ") + kQueue + " -v 'file:" + QueueOutput().string() + "' -P '" +
                  (dir_ / "carotix-pdf.ppd").string() + "' -E",
              &status);
        if (status == 0) Shell(std::string("lpadmin -d ") + kQueue, &status);
        if (status != 0) why_ = "lpadmin refused the private queue";
    }

    ~PrivateCups()
    {
        server_.Stop();
        ::unsetenv("CUPS_SERVER");
        UseCupsServer(nullptr);
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

    // Empty when the queue is ready, else why not.
    const std::string& Failure() const { return why_; }
    // The file the queue writes each job to.
    fs::path QueueOutput() const { return dir_ / "queue-output.pdf"; }
    // Every job the queue was given, finished or not (one line each).
    std::string Jobs() const { return Shell(std::string("lpstat -W all -o ") + kQueue); }
    bool Idle() const { return Shell(std::string("lpstat -o ") + kQueue).empty(); }

private:
    bool Running() const { return Shell("lpstat -r").find("scheduler is running") != std::string::npos; }

    fs::path dir_;
    ChildProcess server_;
    std::string why_;
};

int PageCount(const std::string& info)
{
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

class CupsPrinting : public E2eTest {
protected:
    void SetUp() override
    {
        cups_ = std::make_unique<PrivateCups>();
        if (!cups_->Failure().empty()) GTEST_SKIP() << cups_->Failure();
        // The program makes its printer on first use: with this server's queue
        // as the default, not the one an earlier test chose.
        SetCurrentPrinter(nullptr);
    }

    void TearDown() override
    {
        E2eTest::TearDown();
        SetCurrentPrinter(nullptr);
        cups_.reset();
    }

    // Runs a print item of the main window's menus by its name.
    void RunItem(const char* itemName)
    {
        QAction* item = Main().findChild<QAction*>(QString::fromLatin1(itemName));
        ASSERT_TRUE(item) << itemName;
        QMenu* menu = nullptr;
        for (QObject* o : item->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o)) menu = m;
        ASSERT_TRUE(menu && Menu({menu->title().toStdString(), item->text().toStdString()})) << itemName;
    }

    // Opens the print window by the item, picks the output as a person does
    // (the list opened with the keyboard, the name typed) and presses
    // "Imprimer"; answers the names the list showed. The test fails when the
    // window does not open.
    std::string PrintThroughWindow(const char* itemName, const std::string& output)
    {
        // The action may outlive this call (a window that opens later): it
        // owns what it writes to.
        auto listed = std::make_shared<std::string>();
        const std::size_t action = WhenShown(
            [] { return FImpression && FImpression->isVisible(); },
            [this, listed, output] {
                TFImpression& w = *FImpression;
                for (int i = 0; i < w.CImprimante->count(); ++i) *listed += w.CImprimante->itemText(i).toStdString() + ";";
                Click(w.CImprimante);
                KeyToFocus(Qt::Key_Escape);
                Type(w.CImprimante, output);
                EXPECT_EQ(w.CImprimante->currentText().toStdString(), output);
                EXPECT_EQ(w.LImprime->count(), 1);
                Click(w.Button1);
                // A cancelled file leaves the window open.
                if (w.isVisible()) Click(w.Button2);
            });
        RunItem(itemName);
        if (!ShownRan(action)) {
            CancelShown(action);
            ADD_FAILURE() << "the print window did not open for " << itemName;
        }
        return *listed;
    }

    // Waits for the queue to write out its job.
    fs::path QueueResult()
    {
        for (int i = 0; i < 600; ++i) {
            if (fs::exists(cups_->QueueOutput()) && cups_->Idle() && !cups_->Jobs().empty()) return cups_->QueueOutput();
            std::this_thread::sleep_for(100ms);
        }
        ADD_FAILURE() << "no page came out of the queue; its jobs: " << cups_->Jobs();
        return {};
    }

    std::unique_ptr<PrivateCups> cups_;
};

TEST_F(CupsPrinting, ALogAndAReportOfTheFirstOuvrageComeOutOfTheQueueOnA4)
{
    Start(SamplePath().string());
    TFChild* child = Main().ActiveChild();
    ASSERT_TRUE(child);
    ClickRow(*child, 0);  // PUITS-1, one tube, 9 m: one page

    for (const char* item : {"Imprimer1", "ImpressionRapports1"}) {
        SCOPED_TRACE(item);
        const std::string listed = PrintThroughWindow(item, kQueue);
        EXPECT_NE(listed.find(std::string(kQueue) + ";"), std::string::npos) << "the queues listed: " << listed;
        const fs::path out = QueueResult();
        ASSERT_FALSE(out.empty());
        const std::string info = Shell("pdfinfo '" + out.string() + "'");
        EXPECT_GE(PageCount(info), 1) << info;
        EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
        // Texts are printed as text, in fonts embedded in the pages.
        EXPECT_NE(Shell("pdffonts '" + out.string() + "'").find(" yes "), std::string::npos);
        fs::remove(out);
    }
}

// "Fichier PDF" chosen once in the print window: every command that prints
// then asks for its file, writes it, and gives the queue nothing, although
// the queue is the system's default.
TEST_F(CupsPrinting, EveryCommandAsksForThePdfFileChosenAndLeavesTheQueueAlone)
{
    Start(SamplePath().string());
    TFChild* child = Main().ActiveChild();
    ASSERT_TRUE(child);
    ClickRow(*child, 0);

    // A cancelled file prints nothing, anywhere.
    Ui().CancelFiles(kPdfPrompt);
    PrintThroughWindow("Imprimer1", "Fichier PDF");
    EXPECT_EQ(Ui().PendingAnswers(), 0u) << "the PDF file was not asked for";
    while (Ui().PendingAnswers() > 0) Ui().Reset();

    struct Command {
        const char* name;
        bool asksPageCount;  // the lists ask whether to print their pages
        std::function<void()> run;
    };
    const Command commands[] = {
        {"logs", false, [&] { PrintThroughWindow("Imprimer1", "Fichier PDF"); }},
        {"reports", false, [&] { PrintThroughWindow("ImpressionRapports1", "Fichier PDF"); }},
        {"report preview", false,
         [&] {
             WhenShown([] { return FRapport && FRapport->isVisible(); }, [] {
                 Click(FRapport->ToolButton1);
                 KeyToFocus(Qt::Key_Escape);
             });
             QToolButton* button = nullptr;
             for (QToolButton* b : Main().findChildren<QToolButton*>())
                 if (b->defaultAction() && b->defaultAction()->objectName() == QStringLiteral("ToolButtonRapport")) button = b;
             ASSERT_TRUE(button);
             Click(button);
         }},
        {"code model", true,
         [&] {
             WhenShown([] { return FCodeMotifCoul && FCodeMotifCoul->isVisible(); }, [] {
                 // The sample's settings name no current model: one is picked.
                 Key(FCodeMotifCoul->CModele, Qt::Key_Down);
                 Click(FCodeMotifCoul->ToolButton10);
                 KeyToFocus(Qt::Key_Escape);
             });
             ASSERT_TRUE(Menu({"Confi&guration", "Mod\xC3\xA8les de motifs et couleurs..."}));
         }},
        {"pattern list", true,
         [&] { ASSERT_TRUE(Menu({"Op\xC3\xA9rations", "Imprimer la liste des motifs..."})); }},
        {"coding rules", true,
         [&] {
             WhenShown([] { return FCodage && FCodage->isVisible(); }, [] {
                 Click(FCodage->BitBtn1);
                 Click(FCodage->Button3);
             });
             ASSERT_TRUE(Menu({"Confi&guration", "Configuration du codage..."}));
         }},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        const fs::path pdf = SavePath(std::string(c.name) + ".pdf");
        Ui().AnswerFile(pdf.string(), kPdfPrompt);
        if (c.asksPageCount) Ui().AnswerMessage(MsgResult::Yes);
        c.run();
        Settle(20);
        EXPECT_EQ(Ui().PendingAnswers(), 0u) << "the PDF file was not asked for";
        while (Ui().PendingAnswers() > 0) Ui().Reset();
        const std::string info = Shell("pdfinfo '" + pdf.string() + "'");
        EXPECT_GE(PageCount(info), 1) << "no PDF written: " << info;
    }
    // Whatever went wrong would have reached the queue by now.
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(cups_->Jobs(), "");
    EXPECT_FALSE(fs::exists(cups_->QueueOutput()));
}

}  // namespace
