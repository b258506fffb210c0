// The database link's waits as a person lives them: a server that accepts
// the connection and says nothing holds the download; after a moment the
// progress window says what is waited for, with "Annuler", the windows go on
// repainting, and Annuler ends the wait at once with the collection as it
// was.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <fstream>
#include <iterator>
#include <memory>
#include <sqlite3.h>

#include "app/windows/collection_window.h"
#include "e2e_program.h"
#include "platform/windows/progress_window.h"
#include "platform/windows/qt_ui_services.h"
#include "silent_tcp_server.h"
#include "tree_text.h"

namespace {

std::string ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

// What a test timer saw of the progress window while the download waited.
struct Seen {
    int ticks = 0;            // timer ticks while the window showed
    bool modal = false;       // the window kept the other windows' commands out
    bool menuClosed = true;   // no menu left drawn open
    std::string caption, label;
    int firstPosition = -1, laterPosition = -1;
    QImage first, later;
    bool clicked = false;
};

class DatabaseWaitE2e : public E2eTest {
protected:
    // Downloads the selected ouvrage while a test timer watches the screen:
    // each of its ticks during the wait is an event the program let through.
    // Once the bar has moved (the window repainted with the time waited),
    // Annuler is clicked.
    std::shared_ptr<Seen> DownloadAndAnnuler()
    {
        auto seen = std::make_shared<Seen>();
        QTimer watch;
        watch.setInterval(20);
        QObject::connect(&watch, &QTimer::timeout, [seen] {
            if (!FProgress || !FProgress->isVisible() || seen->clicked) return;
            ++seen->ticks;
            if (seen->first.isNull()) {
                seen->first = FProgress->grab().toImage();
                seen->firstPosition = FProgress->ProgressBar->value();
                seen->caption = FromQString(FProgress->windowTitle());
                seen->label = FromQString(FProgress->Label1->text());
                seen->modal = QApplication::activeModalWidget() == FProgress;
                seen->menuClosed = QApplication::activePopupWidget() == nullptr;
                return;
            }
            if (FProgress->ProgressBar->value() == seen->firstPosition) return;
            seen->later = FProgress->grab().toImage();
            seen->laterPosition = FProgress->ProgressBar->value();
            seen->clicked = true;
            Click(FProgress->BAnnuler);
        });
        watch.start();
        Ui().AnswerMessage(MsgResult::Ok, "Carotix");
        EXPECT_TRUE(Menu({"O&uvrage", "T\xC3\xA9l\xC3\xA9" "charger de la base de donn\xC3\xA9" "es"}));
        watch.stop();
        return seen;
    }

    // The wait showed with its label, moving, and Annuler (not a time-out)
    // ended it with `message`, as information.
    void ExpectGivenUp(const Seen& seen, const std::string& label, const std::string& message)
    {
        ASSERT_TRUE(seen.clicked) << "the progress window never showed a moving wait";
        EXPECT_GE(seen.ticks, 2);
        EXPECT_TRUE(seen.modal);
        EXPECT_TRUE(seen.menuClosed);
        EXPECT_EQ(seen.caption, "Progression...");
        EXPECT_EQ(seen.label, label);
        EXPECT_GT(seen.laterPosition, seen.firstPosition);
        EXPECT_NE(seen.first, seen.later);
        ASSERT_FALSE(Ui().Prompts().empty());
        EXPECT_EQ(Ui().Prompts().back().text, message);
        EXPECT_EQ(Ui().Prompts().back().icon, MsgIcon::Information);  // told, not a failure
        EXPECT_FALSE(FProgress->isVisible());
        EXPECT_FALSE(FProgress->BAnnuler->isVisible());
        EXPECT_EQ(FProgress->windowModality(), Qt::NonModal);
    }
};

}  // namespace

TEST_F(DatabaseWaitE2e, AnnulerEndsTheWaitForASilentServer)
{
    SilentTcpServer server;
    ASSERT_TRUE(server.Ok());
    const std::string port = std::to_string(server.Port());
    // The connection as it is set beside the program: the server's alias and
    // its parameters.
    WriteAll(Folder() / "db_params.txt",
             "SERVER NAME=127.0.0.1\r\nPORT=" + port + "\r\nDATABASE NAME=carotix\r\nUSER NAME=carotix\r\n");
    std::string ini = ReadAll(Folder() / "carotix.ini");
    const std::string sqlite = "DB Alias=SQLite";
    const std::size_t at = ini.find(sqlite);
    ASSERT_NE(at, std::string::npos);
    WriteAll(Folder() / "carotix.ini", ini.replace(at, sqlite.size(), "DB Alias=PostgreSQL"));

    Start();
    TFChild& c = OpenSample();
    ClickRow(c, c.FindRow("F-VAL-01", "F1"));
    const std::string before = TreeText(c.FRoot());
    const auto seen = DownloadAndAnnuler();
    ExpectGivenUp(*seen, "Connexion au serveur \xC2\xAB 127.0.0.1 (port " + port + ") \xC2\xBB...",
                  "La connexion au serveur \xC2\xAB 127.0.0.1 (port " + port + ") \xC2\xBB a \xC3\xA9t\xC3\xA9 annul\xC3\xA9" "e.");
    EXPECT_EQ(TreeText(c.FRoot()), before);
}

// The embedded database held locked by another program (BEGIN EXCLUSIVE):
// the same wait, the same Annuler.
TEST_F(DatabaseWaitE2e, AnnulerEndsTheWaitForALockedDatabase)
{
    Start();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((Folder() / "carotix.db").string().c_str(), &other), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(other, sqlite3_close);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    TFChild& c = OpenSample();
    ClickRow(c, c.FindRow("F-VAL-01", "F1"));
    const std::string before = TreeText(c.FRoot());
    const auto seen = DownloadAndAnnuler();
    ExpectGivenUp(*seen, "Lecture de \xC2\xAB ouvrage \xC2\xBB...",
                  "La requ\xC3\xAAte sur \xC2\xAB ouvrage \xC2\xBB a \xC3\xA9t\xC3\xA9 annul\xC3\xA9" "e.");
    EXPECT_EQ(TreeText(c.FRoot()), before);
}

// Without a wait: "Télécharger de la base de données" on each ouvrage of the
// sample, from the program folder's own carotix.db, gives back what the
// collection held, value for value, and asks nothing.
TEST_F(DatabaseWaitE2e, EachSampleOuvrageComesBackFromTheSampleDatabaseAsItWas)
{
    Start();
    TFChild& c = OpenSample();
    const std::vector<std::string> download = {"O&uvrage", "T\xC3\xA9l\xC3\xA9" "charger de la base de donn\xC3\xA9" "es"};
    for (const auto& [indice, design] : std::vector<std::pair<std::string, std::string>>{
             {"F-VAL-01", "F1"}, {"F-VAL-01", "F2"}, {"PZ-MULTI", "PZ-MULTI"}, {"PUITS-1", "PUITS-1"}}) {
        SCOPED_TRACE(indice + "/" + design);
        ClickRow(c, c.FindRow(indice, design));
        Settle(20);
        const std::string before = TreeText(c.FRoot());
        const std::size_t asked = Ui().Prompts().size();
        EXPECT_TRUE(Menu(download));
        Settle(20);
        EXPECT_EQ(Ui().Prompts().size(), asked);
        EXPECT_EQ(TreeText(c.FRoot()), before);
    }
}
