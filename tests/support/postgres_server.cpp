#include "postgres_server.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string FindBinaries()
{
    if (const char* path = std::getenv("PATH")) {
        std::string p = path;
        std::size_t start = 0;
        while (start <= p.size()) {
            const std::size_t end = p.find(':', start);
            const std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::error_code ec;
            if (!dir.empty() && fs::exists(fs::path(dir) / "initdb", ec) && fs::exists(fs::path(dir) / "pg_ctl", ec) &&
                fs::exists(fs::path(dir) / "psql", ec))
                return dir;
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    std::error_code ec;
    if (fs::is_directory("/usr/lib/postgresql", ec))
        for (const auto& version : fs::directory_iterator("/usr/lib/postgresql", ec)) {
            const fs::path bin = version.path() / "bin";
            if (fs::exists(bin / "initdb", ec) && fs::exists(bin / "pg_ctl", ec) && fs::exists(bin / "psql", ec))
                return bin.string();
        }
    return {};
}

std::string Quote(const std::string& s)
{
    std::string r = "'";
    for (char c : s) {
        if (c == '\'') r += "'\\''";
        else r += c;
    }
    return r + "'";
}

}  // namespace

PostgresServer::PostgresServer() = default;

PostgresServer::~PostgresServer()
{
    if (started_)
        std::system((Command("pg_ctl") + " -D " + Quote((dir_ / "data").string()) + " -m immediate -w stop >/dev/null 2>&1").c_str());
    server_.Stop();
}

std::string PostgresServer::Command(const std::string& tool) const
{
    const std::string exe = Quote((fs::path(bin_) / tool).string());
    if (geteuid() == 0) return "runuser -u postgres -- " + exe;
    return exe;
}

bool PostgresServer::Start()
{
    bin_ = FindBinaries();
    if (bin_.empty()) {
        problem_ = "PostgreSQL binaries (initdb, pg_ctl, psql) not found";
        return false;
    }
    if (geteuid() == 0) {
        if (std::system("id -u postgres >/dev/null 2>&1") != 0) {
            problem_ = "no user postgres to run the server";
            return false;
        }
        std::system(("chown -R postgres " + Quote(dir_.path().string())).c_str());
    }
    const std::string data = (dir_ / "data").string();
    const std::string log = (dir_ / "server.log").string();
    if (std::system((Command("initdb") + " -D " + Quote(data) + " -A trust -U postgres -E UTF8 --no-locale >" +
                     Quote((dir_ / "initdb.log").string()) + " 2>&1").c_str()) != 0) {
        problem_ = "initdb failed";
        return false;
    }
    // The server runs in the foreground as this test's child, not detached
    // by pg_ctl: a test that crashes or is killed takes it along (as root,
    // runuser ends the server it started when it is ended itself).
    std::vector<std::string> args;
    if (geteuid() == 0) args = {"/usr/sbin/runuser", "-u", "postgres", "--"};
    for (const std::string& a : {(fs::path(bin_) / "postgres").string(), std::string("-D"), data,
                                 std::string("-c"), std::string("listen_addresses="), std::string("-k"),
                                 dir_.path().string(), std::string("-p"), std::string("5432")})
        args.push_back(a);
    ChildOptions options;
    options.log = log;
    if (!server_.Start(args, {}, options)) {
        problem_ = "the server could not be started";
        return false;
    }
    started_ = true;
    // Ready once psql gets an answer.
    const std::string probe = Command("psql") + " -q -X -h " + Quote(dir_.path().string()) +
                              " -p 5432 -U postgres -d postgres -c 'SELECT 1' >/dev/null 2>&1";
    bool ready = false;
    for (int i = 0; i < 600 && !ready && server_.Running(); ++i) {
        ready = std::system(probe.c_str()) == 0;
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!ready) {
        problem_ = "the server did not start (see " + log + ")";
        return false;
    }
    std::string sql;
    {
        std::ifstream f(fs::path(CAROTIX_TEST_DATA_DIR) / "database.sql", std::ios::binary);
        sql.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    if (sql.empty() || !RunSql(sql)) {
        problem_ = "the sample database did not load";
        return false;
    }
    return true;
}

bool PostgresServer::RunSql(const std::string& sql)
{
    const fs::path file = dir_ / "script.sql";
    {
        std::ofstream f(file, std::ios::binary | std::ios::trunc);
        f << sql;
    }
    if (geteuid() == 0) std::system(("chown postgres " + Quote(file.string())).c_str());
    return std::system((Command("psql") + " -q -X -v ON_ERROR_STOP=1 -h " + Quote(dir_.path().string()) +
                        " -p 5432 -U postgres -d postgres -f " + Quote(file.string()) + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> PostgresServer::Params() const
{
    return {"SERVER NAME=" + dir_.path().string(), "PORT=5432", "DATABASE NAME=postgres", "USER NAME=postgres"};
}

std::string PostgresServer::Log() const
{
    std::ifstream f(dir_ / "server.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}
