// A throw-away PostgreSQL server for the database tests: a cluster in a
// temporary folder, listening only on a Unix socket in that folder, loaded
// with the tests' database (tests/data/database.sql), stopped and
// removed at the end, and ended with the test however the test ends. As root
// the server runs as the user postgres.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"
#include "temp_dir.h"

class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Starts the server and loads the sample; false with the reason in
    // Problem() when it cannot (binaries missing: tests skip then).
    bool Start();
    const std::string& Problem() const { return problem_; }
    // The connection parameters of the program's engine (db_params.txt lines).
    std::vector<std::string> Params() const;
    // Runs SQL through psql as the server's owner; true when it succeeded.
    bool RunSql(const std::string& sql);
    // What the server wrote to its log so far (RAISE LOG of a function ends
    // there: a trace that the function ran).
    std::string Log() const;

private:
    std::string Command(const std::string& tool) const;  // the tool, run as the right user
    TempDir dir_;
    ChildProcess server_;
    std::string bin_;
    std::string problem_;
    bool started_ = false;
};
