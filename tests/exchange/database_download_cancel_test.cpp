// Annuler during the download: the wait given up in the middle of the
// ouvrage's tables leaves the collection as it was before the download.
#include <gtest/gtest.h>

#include "exchange/database_download.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "postgres_server.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"
#include "tree_text.h"

namespace {

struct CollectionHost : DownloadHost {
    TDirBlock root{"Carotix"};
    std::string shown;
    int redraws = 0;
    TDirBlock& Root() override { return root; }
    bool HasOuvrage(const std::string&, const std::string&) override { return false; }
    void RefreshList() override {}
    void FillView(const std::string& i, const std::string& d) override { shown = i + "/" + d; }
    void RedrawLog() override { ++redraws; }
    MsgResult ChooseDesignation(const std::string&, const std::vector<std::string>&, int&) override
    {
        return MsgResult::Cancel;
    }
};

// Gives up the wait of the query numbered `at` (from 0), as Annuler does.
class GiveUpQuery final : public DatabaseWait {
public:
    explicit GiveUpQuery(int at) : at_(at) {}
    bool StillWaiting(const std::string&, int, int) override { return over_ == at_; }
    void WaitOver() override { ++over_; }

private:
    int at_;
    int over_ = 0;
};

// Ends the session from the server's side during the query numbered `at`, as
// a server restarted or a network cut would.
class CutQuery final : public DatabaseWait {
public:
    CutQuery(int at, PostgresServer& server) : at_(at), server_(server) {}
    bool StillWaiting(const std::string&, int, int) override
    {
        if (over_ == at_ && !cut_)
            cut_ = server_.RunSql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE backend_type = "
                                  "'client backend' AND pid <> pg_backend_pid()");
        return false;
    }
    void WaitOver() override { ++over_; }

private:
    int at_;
    PostgresServer& server_;
    int over_ = 0;
    bool cut_ = false;
};

}  // namespace

TEST(DatabaseDownloadCancelTest, AnnulerLeavesTheCollectionAsItWas)
{
    PostgresServer server;
    if (!server.Start()) GTEST_SKIP() << "PostgreSQL test skipped: " << server.Problem();
    TempProgramDir program;
    OptionsInitialize(program.path());
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    fake.SetAutoOk(true);
    ScopedUi ui(fake);
    ScopedDecimalSeparator comma(',');
    TDatabase db;
    db.AliasName = kPostgresAlias;
    db.Params = server.Params();
    EnsureConnected(db);

    CollectionHost host;
    host.root.SetPathString("0385-2X-0041\\Ouvrage\\D\xC3\xA9sign", 0, btString, "F");
    host.root.SetPathString("0385-2X-0041\\Niveau\\Lithologie", 0, btString, "saisi ici");
    const std::string before = TreeText(host.root);
    // The designation and the two sheets come; "Niveau" is given up.
    GiveUpQuery annuler(3);
    DatabaseWait* previous = SetDatabaseWait(&annuler);
    std::string message;
    try {
        DownloadOuvrage(host, db, "0385-2X-0041", "F");
    } catch (const EDatabaseCancelled& e) {
        message = e.what();
    }
    SetDatabaseWait(previous);
    EXPECT_EQ(message, "La requ\xC3\xAAte sur \xC2\xAB NIVEAU \xC2\xBB a \xC3\xA9t\xC3\xA9 annul\xC3\xA9" "e.\nLe "
                       "t\xC3\xA9l\xC3\xA9" "chargement n'est pas all\xC3\xA9 jusqu'au bout : le forage \xC2\xAB 0385-2X-0041 "
                       "\xC2\xBB est rest\xC3\xA9 tel qu'il \xC3\xA9tait avant.");
    EXPECT_EQ(TreeText(host.root), before);
    EXPECT_EQ(host.shown, "0385-2X-0041/F");
    EXPECT_EQ(host.redraws, 1);
    EXPECT_EQ(fake.BusyDepth(), 0);
    // The session goes on: the next download fills the sheets.
    ASSERT_TRUE(DownloadOuvrage(host, db, "0385-2X-0041", "F"));
    EXPECT_NE(TreeText(host.root), before);

    // A connection lost after the sheets came puts them back too.
    host.root.SetPathString("0385-2X-0041\\Dossier\\Commune", 0, btString, "saisie ici");
    const std::string edited = TreeText(host.root);
    CutQuery cut(3, server);
    previous = SetDatabaseWait(&cut);
    message.clear();
    try {
        DownloadOuvrage(host, db, "0385-2X-0041", "F");
    } catch (const EDatabaseError& e) {
        message = e.what();
    }
    SetDatabaseWait(previous);
    EXPECT_EQ(message.substr(0, message.find('\n')), kConnectionLostText) << message;
    EXPECT_NE(message.find("\nLe t\xC3\xA9l\xC3\xA9" "chargement n'est pas all\xC3\xA9 jusqu'au bout"), std::string::npos);
    EXPECT_EQ(TreeText(host.root), edited);
    OptionsRelease();
}
