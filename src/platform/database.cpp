#include "platform/database.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <climits>
#include <functional>
#include <memory>
#include <libpq-fe.h>
#include <poll.h>
#include <sqlite3.h>
#include <thread>

#include "platform/base/text_codec.h"
#include "platform/database_messages.h"
#include "platform/libpq_pending.h"
#include "platform/sql_tokens.h"

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string AsciiUpper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string TrimSpaces(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

struct ConnectionParams {
    std::string database, server, port, user, password;
};

ConnectionParams ReadParams(const std::vector<std::string>& lines)
{
    ConnectionParams p;
    for (const std::string& raw : lines) {
        const std::string line = TrimSpaces(raw);
        if (line.empty()) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            throw EDatabaseError("Param\xC3\xA8tre de connexion sans valeur : " + line);
        const std::string name = AsciiUpper(TrimSpaces(line.substr(0, eq)));
        const std::string value = TrimSpaces(line.substr(eq + 1));
        if (name == "DATABASE NAME") p.database = value;
        else if (name == "SERVER NAME") p.server = value;
        else if (name == "PORT") p.port = value;
        else if (name == "USER NAME") p.user = value;
        else if (name == "PASSWORD") p.password = value;
        else throw EDatabaseError(UnknownParameterText(TrimSpaces(line.substr(0, eq))));
    }
    return p;
}

// ---- TO_CHAR on SQLite ---------------------------------------------------

bool Digits(const std::string& s, std::size_t at, std::size_t n, int& out)
{
    if (at + n > s.size()) return false;
    out = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

std::string Two(int v)
{
    std::string r(2, '0');
    r[0] = static_cast<char>('0' + (v / 10) % 10);
    r[1] = static_cast<char>('0' + v % 10);
    return r;
}

void ToCharFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc < 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const int type = sqlite3_value_type(argv[0]);
    const auto* v = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string value = v ? v : "";
    if (argc == 1) {
        sqlite3_result_text(context, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return;
    }
    const auto* f = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    std::string result;
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        // A number is formatted as the server formats a double precision
        // (or a bigint) value, or refused: never a date read from it.
        std::string problem;
        const bool done = type == SQLITE_INTEGER
                              ? SqliteNumberToChar(static_cast<std::int64_t>(sqlite3_value_int64(argv[0])), f ? f : "", result, problem)
                              : SqliteNumberToChar(sqlite3_value_double(argv[0]), f ? f : "", result, problem);
        if (!done) {
            const std::string message = "TO_CHAR : " + problem;
            sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
            return;
        }
        sqlite3_result_text(context, result.c_str(), static_cast<int>(result.size()), SQLITE_TRANSIENT);
        return;
    }
    if (!SqliteToChar(value, f ? f : "", result)) {
        const std::string message = "TO_CHAR : date invalide (" + value + ")";
        sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
        return;
    }
    sqlite3_result_text(context, result.c_str(), static_cast<int>(result.size()), SQLITE_TRANSIENT);
}

void ToDateFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (argc < 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* v = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const auto* f = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const std::string value = v ? v : "";
    std::string result;
    if (!SqliteToDate(value, f ? f : "", result)) {
        const std::string message = "TO_DATE : date invalide (" + value + ")";
        sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
        return;
    }
    sqlite3_result_text(context, result.c_str(), static_cast<int>(result.size()), SQLITE_TRANSIENT);
}

void RegisterToChar(QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw EDatabaseError("Base SQLite : acc\xC3\xA8s au moteur impossible");
    sqlite3* h = *static_cast<sqlite3* const*>(handle.data());
    if (!h) throw EDatabaseError("Base SQLite : acc\xC3\xA8s au moteur impossible");
    for (int n : {1, 2})
        if (sqlite3_create_function_v2(h, "TO_CHAR", n, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, ToCharFunction,
                                       nullptr, nullptr, nullptr) != SQLITE_OK)
            throw EDatabaseError("Base SQLite : TO_CHAR n'a pas pu \xC3\xAAtre d\xC3\xA9" "fini");
    if (sqlite3_create_function_v2(h, "TO_DATE", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, ToDateFunction, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw EDatabaseError("Base SQLite : TO_DATE n'a pas pu \xC3\xAAtre d\xC3\xA9" "fini");
    if (!RegisterSqliteCase(h))
        throw EDatabaseError("Base SQLite : UPPER et LOWER n'ont pas pu \xC3\xAAtre d\xC3\xA9" "finis");
}

std::atomic<int> gConnectionCounter{0};

// A record of at least this many bytes of text is held in libpq's own result
// rather than copied.
constexpr std::size_t kKeepResultBytes = 64 * 1024;

using Clock = std::chrono::steady_clock;

std::string DurationText(int ms)
{
    if (ms >= 1000 && ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
    return std::to_string(ms) + " ms";
}

std::string TableWords(const std::string& sql)
{
    const std::string table = QueriedTable(sql);
    return table.empty() ? std::string("La requ\xC3\xAAte") : "La requ\xC3\xAAte sur \xC2\xAB " + table + " \xC2\xBB";
}

std::string QueryTimeoutText(const std::string& sql, int ms)
{
    return TableWords(sql) + " a \xC3\xA9t\xC3\xA9 interrompue : elle a d\xC3\xA9pass\xC3\xA9 le d\xC3\xA9lai de " + DurationText(ms) + ".";
}

std::string QueryCancelledText(const std::string& sql) { return TableWords(sql) + " a \xC3\xA9t\xC3\xA9 annul\xC3\xA9" "e."; }

std::string QueryWaitText(const std::string& sql)
{
    const std::string table = QueriedTable(sql);
    return table.empty() ? std::string("Requ\xC3\xAAte en cours...") : "Lecture de \xC2\xAB " + table + " \xC2\xBB...";
}

// ---- waits ----------------------------------------------------------------------

DatabaseWait* gWait = nullptr;

const char* ReadParameterStatus(const pg_conn* conn, const char* name) { return PQparameterStatus(conn, name); }
ParameterStatusReader gParameterStatus = ReadParameterStatus;

// One wait of the link (a connection, a query with the commands around it),
// reported to the DatabaseWait installed when it began.
class Waiting {
public:
    Waiting(std::string what, int limitMs) : what_(std::move(what)), limitMs_(limitMs), start_(Clock::now()) {}
    ~Waiting()
    {
        try {
            if (reported_) view_->WaitOver();
        } catch (...) {
            // A destructor lets nothing out.
        }
    }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

    // Reports the moment (a few tens of milliseconds apart at most often);
    // true once the person has given up.
    bool Tick()
    {
        if (cancelled_ || !view_) return cancelled_;
        const auto now = Clock::now();
        if (reported_ && now - last_ < std::chrono::milliseconds(kTickMs)) return false;
        last_ = now;
        reported_ = true;
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count();
        try {
            cancelled_ = view_->StillWaiting(what_, static_cast<int>(std::min<long long>(waited, INT_MAX)), limitMs_);
        } catch (...) {
            // The engine may be calling from C (SQLite): nothing passes
            // through it; a wait that cannot be shown just goes on.
        }
        return cancelled_;
    }
    bool Cancelled() const { return cancelled_; }
    // How long one sleep between two reports may be.
    int SliceMs() const { return view_ ? kTickMs : 1000; }

    static constexpr int kTickMs = 40;

private:
    DatabaseWait* view_ = gWait;
    std::string what_;
    int limitMs_;
    Clock::time_point start_, last_;
    bool reported_ = false;
    bool cancelled_ = false;
};

// ---- SQLite: one read, prepared by the program ---------------------------------

// The functions a read may call: the engine's core text, number, date,
// aggregate and window functions, and the program's own. Anything else (the
// loading of extensions, fts3_tokenizer, which can be used to corrupt memory,
// functions an extension registered) is refused as a statement that is not
// a read.
bool ReadFunction(const char* name)
{
    static const char* const kAllowed[] = {
        // text and values
        "abs", "char", "coalesce", "concat", "concat_ws", "glob", "hex", "ifnull", "iif", "instr", "length",
        "like", "likelihood", "likely", "lower", "ltrim", "max", "min", "nullif", "octet_length", "quote",
        "replace", "round", "rtrim", "sign", "substr", "substring", "trim", "typeof", "unhex", "unicode", "unlikely",
        "upper",
        // dates
        "date", "time", "datetime", "julianday", "unixepoch", "strftime", "timediff",
        // aggregates and windows
        "avg", "count", "group_concat", "string_agg", "sum", "total", "row_number", "rank", "dense_rank",
        "percent_rank", "cume_dist", "ntile", "lag", "lead", "first_value", "last_value", "nth_value",
        // mathematics
        "acos", "acosh", "asin", "asinh", "atan", "atan2", "atanh", "ceil", "ceiling", "cos", "cosh", "degrees", "exp",
        "floor", "ln", "log", "log10", "log2", "mod", "pi", "pow", "power", "radians", "sin", "sinh", "sqrt", "tan",
        "tanh", "trunc",
        // the program's
        "to_char", "to_date"};
    if (!name) return false;
    for (const char* allowed : kAllowed)
        if (sqlite3_stricmp(name, allowed) == 0) return true;
    return false;
}

// Stops, as a statement is prepared, everything but reading: writes, ATTACH,
// DETACH, PRAGMA (its table-valued functions too), transactions, and the
// functions a read does not need.
int ReadOnlyAuthorizer(void*, int action, const char*, const char* name, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE: return SQLITE_OK;
    case SQLITE_FUNCTION: return ReadFunction(name) ? SQLITE_OK : SQLITE_DENY;
    default: return SQLITE_DENY;
    }
}

// The engine's failure in the program's words (the guard above refusing
// included), the engine's text as the detail.
std::string SqliteError(sqlite3* h, int rc)
{
    const std::string message = sqlite3_errmsg(h);
    // A refused function or table-valued pragma comes back as a plain error
    // ("not authorized", "not authorized to use function: ...").
    if ((rc & 0xff) == SQLITE_AUTH || sqlite3_errcode(h) == SQLITE_AUTH || message.rfind("not authorized", 0) == 0)
        return kReadOnlyText;
    return SqliteWords((rc & 0xff) == SQLITE_ERROR ? sqlite3_extended_errcode(h) : rc, message);
}

sqlite3* SqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.data());
}

struct SqliteStatement {
    sqlite3_stmt* st = nullptr;
    ~SqliteStatement() { sqlite3_finalize(st); }
};

// Called back by the engine as a statement works: interrupts it past its
// deadline or when the person gives up the wait.
struct SqliteDeadline {
    Clock::time_point at;
    Waiting* wait = nullptr;
    sqlite3* h = nullptr;
    bool limited = true;
    bool passed = false;
    bool cancelled = false;
    bool locked = false;  // another program held the file
};

int SqliteProgress(void* data)
{
    auto* d = static_cast<SqliteDeadline*>(data);
    if (d->limited && Clock::now() >= d->at) d->passed = true;
    if (!d->passed && !d->cancelled && d->wait && d->wait->Tick()) {
        d->cancelled = true;
        sqlite3_interrupt(d->h);
    }
    return d->passed || d->cancelled ? 1 : 0;
}

// Called by the engine while another program holds the file locked (the
// engine would otherwise sleep through its own busy time-out): the wait is
// reported like the others, in short slices, until the lock goes, the person
// gives up or the query's time runs out.
int SqliteBusy(void* data, int)
{
    auto* d = static_cast<SqliteDeadline*>(data);
    d->locked = true;
    const auto now = Clock::now();
    if (d->limited && now >= d->at) d->passed = true;
    if (!d->passed && !d->cancelled && d->wait && d->wait->Tick()) d->cancelled = true;
    if (d->passed || d->cancelled) return 0;
    auto slice = std::chrono::milliseconds(d->wait ? d->wait->SliceMs() / 2 : 20);
    if (d->limited) slice = std::min(slice, std::chrono::duration_cast<std::chrono::milliseconds>(d->at - now) +
                                                std::chrono::milliseconds(1));
    std::this_thread::sleep_for(slice);
    return 1;
}

// The engine's text kept in `texts` (reserved beforehand: the views stay put).
std::string_view SqliteText(const unsigned char* text, int bytes, std::vector<std::string>& texts)
{
    const std::string_view t = text ? std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes))
                                    : std::string_view();
    texts.push_back(IsValidUtf8(t) ? std::string(t) : Cp1252ToUtf8(t));
    return texts.back();
}

DbValue SqliteValue(sqlite3_stmt* st, int col, std::vector<std::string>& texts)
{
    DbValue v;
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_NULL: return v;
    case SQLITE_FLOAT:
        v.kind = DbValue::Kind::Number;
        v.number = sqlite3_column_double(st, col);
        return v;
    case SQLITE_BLOB: {
        const void* blob = sqlite3_column_blob(st, col);
        v.kind = DbValue::Kind::Text;
        v.text = SqliteText(static_cast<const unsigned char*>(blob), sqlite3_column_bytes(st, col), texts);
        return v;
    }
    default: {
        const unsigned char* text = sqlite3_column_text(st, col);
        v.kind = DbValue::Kind::Text;
        v.text = SqliteText(text, sqlite3_column_bytes(st, col), texts);
        return v;
    }
    }
}

// ---- PostgreSQL through libpq ------------------------------------------------
//
// Qt's driver prepares a text by sending "PREPARE ... AS <text>" as a simple
// query, which the server runs whole: a text holding a second statement (even
// one hidden from a client-side check, behind dollar quotes) would run too.
// Queries therefore go through libpq's extended protocol, where the server
// itself refuses a second statement, each inside its own read-only
// transaction that is rolled back afterwards: a setting switched by a
// function call or a large object made by one is undone with it.

// A server's refusal of a second statement and of a write, in the program's
// words (the server words them in its own language: English or French).
const char* PostgresRefusal(const PGresult* result)
{
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (!state) return nullptr;
    const std::string code = state;
    const std::string message = primary ? primary : "";
    if (code == "25006") return kReadOnlyText;  // read_only_sql_transaction
    if (code == "42601" && (message == "cannot insert multiple commands into a prepared statement" ||
                            message == "ne peut pas ins\xC3\xA9rer les commandes multiples dans une instruction "
                                       "pr\xC3\xA9par\xC3\xA9" "e"))
        return kOneStatementText;
    return nullptr;
}

// The server's failure in the program's words: its SQLSTATE says what went
// wrong; its own message (without the "ERROR:" and the excerpt of the text)
// follows as the detail.
std::string PostgresError(PGconn* conn, const PGresult* result)
{
    if (const char* refusal = PostgresRefusal(result)) return refusal;
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string text = primary ? primary : result ? PQresultErrorMessage(result) : "";
    if (text.empty() && conn) text = PQerrorMessage(conn);
    return PostgresWords(state, primary, text, !conn || PQstatus(conn) == CONNECTION_BAD);
}

struct PgResult {
    PGresult* r = nullptr;
    bool timedOut = false;   // no answer before the deadline
    bool abandoned = false;  // a row coming was refused before it was whole
    PgResult() = default;
    explicit PgResult(PGresult* result) : r(result) {}
    PgResult(PgResult&& o) noexcept : r(o.r), timedOut(o.timedOut), abandoned(o.abandoned) { o.r = nullptr; }
    PgResult& operator=(PgResult&& o) noexcept
    {
        std::swap(r, o.r);
        timedOut = o.timedOut;
        abandoned = o.abandoned;
        return *this;
    }
    ~PgResult() { PQclear(r); }
};

// Asks the server to cancel what the connection runs. libpq 15 sends the
// request only in a blocking way (a connection of its own, no time limit),
// so it goes from a short thread of its own that shares nothing with the
// program: a server that cannot be reached may hold that thread, not the
// windows, which go on waiting for the answer (one second at most, after
// which the connection is given up). Answers a flag set once the request
// has been handed over.
std::shared_ptr<std::atomic<bool>> CancelOnServer(PGconn* conn)
{
    auto delivered = std::make_shared<std::atomic<bool>>(true);
    PGcancel* cancel = PQgetCancel(conn);
    if (!cancel) return delivered;
    *delivered = false;
    try {
        std::thread([cancel, delivered] {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
            *delivered = true;
        }).detach();
    } catch (const std::system_error&) {
        // No thread could start: the connection is given up after the
        // second of grace instead.
        PQfreeCancel(cancel);
        *delivered = true;
    }
    return delivered;
}

// Sends one statement (extended protocol: the server refuses a second one)
// and waits for its answer until `deadline`, so that a server that stops
// answering cannot hold the program. The first result that is not a row is
// kept.
// With `onRow`, the rows come one at a time (single-row mode) and are handed
// to it as they arrive, so that libpq never holds the whole result; it
// answers false to stop: the statement is then cancelled on the server and
// what still comes is dropped.
// With `wait`, each moment of the wait is reported; once the person gives
// up, the statement is cancelled on the server and its answer awaited one
// second more.
// `send` Prepare only parses the text as the read's named statement (the
// server then locks what it reaches and runs nothing); Prepared runs it.
enum class PgSend { Text, Prepare, Prepared };
constexpr const char* kReadStatement = "carotix_read";
PgResult PgRun(PGconn* conn, const std::string& sql, const std::vector<const char*>& values, Clock::time_point deadline,
               Waiting* wait = nullptr, const std::function<bool(PGresult*&)>& onRow = {},
               const std::function<bool(std::size_t, int)>& onRowComing = {}, PgSend send = PgSend::Text)
{
    PgResult result;
    const int n = static_cast<int>(values.size());
    if (!(send == PgSend::Prepare    ? PQsendPrepare(conn, kReadStatement, sql.c_str(), n, nullptr)
          : send == PgSend::Prepared ? PQsendQueryPrepared(conn, kReadStatement, n, values.data(), nullptr, nullptr, 0)
                                     : PQsendQueryParams(conn, sql.c_str(), n, nullptr, values.data(), nullptr, nullptr, 0)))
        return result;
    if (onRow) PQsetSingleRowMode(conn);
    bool stopping = false;
    std::shared_ptr<std::atomic<bool>> cancelDelivered;
    const auto grace = [&] { deadline = std::min(deadline, Clock::now() + std::chrono::seconds(1)); };
    const auto stop = [&] {
        if (stopping) return;
        stopping = true;
        cancelDelivered = CancelOnServer(conn);
        grace();
    };
    if (wait && wait->Cancelled()) {
        // Given up before: what follows (the rollback) gets its second only.
        stopping = true;
        grace();
    }
    const int slice = wait ? wait->SliceMs() : 1000;
    for (;;) {
        while (PQisBusy(conn)) {
            if (wait && wait->Tick()) stop();
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                result.timedOut = true;
                return result;
            }
            pollfd p{PQsocket(conn), POLLIN, 0};
            poll(&p, 1, static_cast<int>(std::min<long long>(left, slice)));
            if (!PQconsumeInput(conn)) break;  // the connection broke: PQgetResult tells
            // A row whose header has come is judged by its size before the
            // rest of it fills libpq's buffer: refused, the connection is
            // given up, since the server sends a row to its end.
            long long rowBytes = 0;
            int rowFields = 0;
            if (onRowComing && PQisBusy(conn) && CarotixPendingRow(conn, &rowBytes, &rowFields) &&
                !onRowComing(static_cast<std::size_t>(rowBytes), rowFields)) {
                result.abandoned = true;
                return result;
            }
        }
        PGresult* r = PQgetResult(conn);
        if (!r) {
            // A statement that ended before its cancel reached the server
            // must not have the cancel fall on the next one: the server
            // drops a cancel that finds the session idle.
            while (cancelDelivered && !*cancelDelivered && Clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return result;
        }
        if (PQresultStatus(r) == PGRES_SINGLE_TUPLE) {
            // Rows still coming after a stop are handed over too (they are
            // counted, never kept).
            const bool more = onRow && onRow(r) && !stopping;  // onRow may keep r (then null)
            PQclear(r);
            if (!more) stop();
            if (wait && wait->Tick()) stop();
            continue;
        }
        if (!result.r) result.r = r;
        else PQclear(r);
    }
}

// The server of the parameters as messages name it.
std::string ServerWords(const ConnectionParams& p)
{
    return "\xC2\xAB " + (p.server.empty() ? std::string("local") : p.server) +
           (p.port.empty() ? std::string() : " (port " + p.port + ")") + " \xC2\xBB";
}

// Connects without blocking: libpq's non-blocking calls, the socket polled
// in short slices so that the wait is reported and may be given up, and
// given up at the time-out.
PGconn* ConnectPostgres(const ConnectionParams& p, int timeoutSeconds)
{
    // Every transaction of the session is read-only (each query also runs in
    // a read-only transaction of its own, rolled back after it); texts come
    // in UTF-8 and dates as yyyy-mm-dd, as the records are read; texts are
    // read with standard conforming strings, as the program's checks read
    // them (a role or database may have them off); no row-security policy
    // runs its function (a read it would filter fails).
    const std::string options =
        "-c default_transaction_read_only=on -c DateStyle=ISO -c standard_conforming_strings=on -c row_security=off";
    const std::string timeout = std::to_string(timeoutSeconds);
    const std::pair<const char*, const std::string*> given[] = {
        {"host", &p.server}, {"port", &p.port},     {"dbname", &p.database},         {"user", &p.user},
        {"password", &p.password}, {"options", &options}, {"connect_timeout", &timeout},
    };
    std::vector<const char*> keys, values;
    for (const auto& [key, value] : given)
        if (!value->empty()) {
            keys.push_back(key);
            values.push_back(value->c_str());
        }
    keys.push_back("client_encoding");
    values.push_back("UTF8");
    keys.push_back(nullptr);
    values.push_back(nullptr);

    struct Connection {
        PGconn* c;
        ~Connection() { PQfinish(c); }
    } conn{PQconnectStartParams(keys.data(), values.data(), 0)};
    if (!conn.c) throw EDatabaseError("M\xC3\xA9moire insuffisante");
    const auto failed = [&] {
        return EDatabaseError(WithDetail("La connexion au serveur " + ServerWords(p) + " a \xC3\xA9" "chou\xC3\xA9" "e.",
                                         PQerrorMessage(conn.c)));
    };
    if (PQstatus(conn.c) == CONNECTION_BAD) throw failed();
    Waiting wait("Connexion au serveur " + ServerWords(p) + "...", timeoutSeconds * 1000);
    const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK) {
        if (state == PGRES_POLLING_FAILED) throw failed();
        const short events = state == PGRES_POLLING_READING ? POLLIN : POLLOUT;
        for (;;) {
            if (wait.Tick())
                throw EDatabaseCancelled("La connexion au serveur " + ServerWords(p) + " a \xC3\xA9t\xC3\xA9 annul\xC3\xA9" "e.");
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                throw EDatabaseError("Le serveur " + ServerWords(p) + " ne r\xC3\xA9pond pas : la connexion est abandonn\xC3\xA9" "e apr\xC3\xA8s " +
                                     std::to_string(timeoutSeconds) + " s.");
            pollfd fd{PQsocket(conn.c), events, 0};
            if (poll(&fd, 1, static_cast<int>(std::min<long long>(left, wait.SliceMs()))) != 0) break;
        }
        state = PQconnectPoll(conn.c);
    }
    PGconn* open = conn.c;
    conn.c = nullptr;
    return open;
}

// A value of the server's record, its text left where libpq holds it (only
// a text that is not UTF-8 is converted, into `texts`).
DbValue PostgresValue(const PGresult* r, int row, int col, std::vector<std::string>& texts, bool copy)
{
    DbValue v;
    if (PQgetisnull(r, row, col)) return v;
    const std::string_view t(PQgetvalue(r, row, col), static_cast<std::size_t>(PQgetlength(r, row, col)));
    switch (PQftype(r, col)) {
    case 700:   // float4
    case 701:   // float8
    case 1700:  // numeric
    {
        bool ok = false;
        const double d = QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())).toDouble(&ok);
        if (ok) {
            v.kind = DbValue::Kind::Number;
            v.number = d;
            return v;
        }
        break;
    }
    case 16:  // bool
        v.kind = DbValue::Kind::Text;
        v.text = t == "t" ? "true" : "false";
        return v;
    default:
        break;
    }
    v.kind = DbValue::Kind::Text;
    if (IsValidUtf8(t) && !copy) {
        v.text = t;
    } else if (IsValidUtf8(t)) {
        texts.emplace_back(t);
        v.text = texts.back();
    } else {
        texts.push_back(Cp1252ToUtf8(t));
        v.text = texts.back();
    }
    return v;
}

}  // namespace

std::vector<std::string> DatabaseAliasNames() { return {kSqliteAlias, kPostgresAlias}; }

DatabaseWait* SetDatabaseWait(DatabaseWait* wait)
{
    DatabaseWait* previous = gWait;
    gWait = wait;
    return previous;
}

bool DatabaseWaitInstalled() { return gWait != nullptr; }

ParameterStatusReader SetParameterStatusReader(ParameterStatusReader reader)
{
    const ParameterStatusReader previous = gParameterStatus;
    gParameterStatus = reader ? reader : ReadParameterStatus;
    return previous;
}

std::string TooMuchDataText(const std::string& sql)
{
    return TableWords(sql) + " rend plus de " + std::to_string(TQuery::kMaxBytes >> 20) +
           " Mo de donn\xC3\xA9" "es : la lecture est arr\xC3\xAAt\xC3\xA9" "e.";
}

std::size_t RecordBytes(std::size_t fields, std::size_t textBytes)
{
    return sizeof(std::vector<DbValue>) + fields * sizeof(DbValue) + textBytes;
}

std::string TooManyRecordsText(const std::string& sql)
{
    return TableWords(sql) + " rend plus de 1 000 000 enregistrements : la lecture est arr\xC3\xAAt\xC3\xA9" "e.";
}

bool SqliteToChar(const std::string& value, const std::string& format, std::string& result)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!Digits(value, 0, 4, year) || value.size() < 10 || value[4] != '-' || value[7] != '-' ||
        !Digits(value, 5, 2, month) || !Digits(value, 8, 2, day) || month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    if (value.size() > 10) {
        if (value.size() < 19 || (value[10] != ' ' && value[10] != 'T') || !Digits(value, 11, 2, hour) ||
            value[13] != ':' || !Digits(value, 14, 2, minute) || value[16] != ':' || !Digits(value, 17, 2, second))
            return false;
    }
    result.clear();
    const std::string f = AsciiUpper(format);
    for (std::size_t i = 0; i < f.size();) {
        if (f.compare(i, 4, "YYYY") == 0) {
            result += Two(year / 100) + Two(year % 100);
            i += 4;
        } else if (f.compare(i, 4, "HH24") == 0) {
            result += Two(hour);
            i += 4;
        } else if (f.compare(i, 2, "YY") == 0) {
            result += Two(year % 100);
            i += 2;
        } else if (f.compare(i, 2, "DD") == 0) {
            result += Two(day);
            i += 2;
        } else if (f.compare(i, 2, "MM") == 0) {
            result += Two(month);
            i += 2;
        } else if (f.compare(i, 2, "MI") == 0) {
            result += Two(minute);
            i += 2;
        } else if (f.compare(i, 2, "SS") == 0) {
            result += Two(second);
            i += 2;
        } else {
            result += format[i];
            ++i;
        }
    }
    return true;
}

bool SqliteToDate(const std::string& value, const std::string& format, std::string& result)
{
    int year = 0, month = 1, day = 1, ignored = 0;
    const std::string f = AsciiUpper(format);
    std::size_t at = 0;
    for (std::size_t i = 0; i < f.size();) {
        const auto field = [&](std::size_t width, std::size_t digits, int& out) {
            if (!Digits(value, at, digits, out)) return false;
            i += width;
            at += digits;
            return true;
        };
        bool ok = true;
        if (f.compare(i, 4, "YYYY") == 0) ok = field(4, 4, year);
        else if (f.compare(i, 4, "HH24") == 0) ok = field(4, 2, ignored);
        else if (f.compare(i, 2, "YY") == 0) {
            ok = field(2, 2, year);
            year += year < 50 ? 2000 : 1900;  // the server's rule for two digits
        } else if (f.compare(i, 2, "DD") == 0) ok = field(2, 2, day);
        else if (f.compare(i, 2, "MM") == 0) ok = field(2, 2, month);
        else if (f.compare(i, 2, "MI") == 0 || f.compare(i, 2, "SS") == 0) ok = field(2, 2, ignored);
        else {
            ok = at < value.size() && value[at] == format[i];
            ++i;
            ++at;
        }
        if (!ok) return false;
    }
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (at != value.size() || year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
        (month == 2 && day == 29 && !leap))
        return false;
    result = Two(year / 100) + Two(year % 100) + "-" + Two(month) + "-" + Two(day);
    return true;
}

// ---- TDatabase ---------------------------------------------------------------

TDatabase::TDatabase() : connectionName_("carotix_db_" + std::to_string(++gConnectionCounter)) {}

TDatabase::~TDatabase() { Close(); }

bool TDatabase::Connected() const { return open_; }

void TDatabase::Close()
{
    searchSchemas_.clear();
    standardStrings_ = true;
    loginOid_.clear();
    loginSuper_ = false;
    reached_.clear();
    relations_.clear();
    columnsByOid_.clear();
    sqliteColumns_.clear();
    if (pg_) {
        PQfinish(pg_);
        pg_ = nullptr;
    }
    if (!QSqlDatabase::contains(Q(connectionName_))) {
        open_ = false;
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(Q(connectionName_), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(Q(connectionName_));
    open_ = false;
}

void TDatabase::Open()
{
    Close();
    const ConnectionParams p = ReadParams(Params);
    if (AliasName.empty())
        throw EDatabaseError("Aucun alias de base de donn\xC3\xA9" "es n'est choisi (Configuration, Base de donn\xC3\xA9" "es...)");
    const std::string alias = AsciiUpper(AliasName);
    if (alias == AsciiUpper(kSqliteAlias)) {
        if (p.database.empty()) throw EDatabaseError("Param\xC3\xA8tre DATABASE NAME manquant");
        std::filesystem::path file = Utf8ToPath(p.database);
        if (file.is_relative() && !BaseFolder.empty()) file = BaseFolder / file;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            throw EDatabaseError("Base de donn\xC3\xA9" "es introuvable : " + PathToUtf8(file));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Q(connectionName_));
            db.setDatabaseName(Q(PathToUtf8(file)));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (!db.open()) {
                const std::string message = ErrorText(db.lastError());
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(Q(connectionName_));
                throw EDatabaseError(message);
            }
            try {
                RegisterToChar(db);
                sqlite3* h = SqliteHandle(db);
                if (!h || sqlite3_set_authorizer(h, ReadOnlyAuthorizer, nullptr) != SQLITE_OK)
                    throw EDatabaseError("Base SQLite : acc\xC3\xA8s au moteur impossible");
            } catch (...) {
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(Q(connectionName_));
                throw;
            }
        }
    } else if (alias == AsciiUpper(kPostgresAlias)) {
        if (!p.port.empty()) {
            bool ok = false;
            const int port = Q(p.port).toInt(&ok);
            if (!ok || port <= 0 || port > 65535) throw EDatabaseError("Port invalide : " + p.port);
        }
        // A server that accepts the connection and never answers must not
        // hold the program: the connection is given up after the time-out
        // (no less than 2 s, as the client library itself counts it).
        pg_ = ConnectPostgres(p, std::max(ConnectTimeout, 2));
    } else {
        throw EDatabaseError("Alias de base de donn\xC3\xA9" "es inconnu : " + AliasName);
    }
    open_ = true;
    if (alias == AsciiUpper(kPostgresAlias)) {
        try {
            SetUpPostgresSession();
        } catch (...) {
            Close();
            throw;
        }
    }
}

namespace {

// A small command of the session set-up; a server that does not answer
// within the connection time-out is given up.
PgResult SessionCommand(PGconn* conn, const std::string& sql, const std::vector<const char*>& values, int timeout)
{
    PgResult r = PgRun(conn, sql, values, Clock::now() + std::chrono::seconds(std::max(timeout, 2)));
    if (r.timedOut)
        throw EDatabaseError("Le serveur ne r\xC3\xA9pond plus : la connexion est ferm\xC3\xA9" "e.");
    return r;
}

std::string FirstValue(const PgResult& r)
{
    if (PQresultStatus(r.r) != PGRES_TUPLES_OK || PQntuples(r.r) < 1 || PQgetisnull(r.r, 0, 0)) return {};
    return PQgetvalue(r.r, 0, 0);
}

constexpr const char* kCatalogPath = "pg_catalog, pg_temp";

}  // namespace

void TDatabase::SetUpPostgresSession()
{
    PGconn* conn = pg_;
    if (!conn) throw EDatabaseError("Base PostgreSQL : acc\xC3\xA8s au moteur impossible");
    // The connection asked for standard strings; a server that did not take
    // them is asked once more, and otherwise no text with a backslash is sent.
    const auto standard = [&] {
        const char* value = gParameterStatus(conn, "standard_conforming_strings");
        return value && std::string(value) == "on";
    };
    if (!standard()) SessionCommand(conn, "SET standard_conforming_strings = on", {}, ConnectTimeout);
    standardStrings_ = standard();
    // The schemas the role's search path gives find the tables ("$user"
    // resolved, the implicit pg_catalog first), but for a schema named like
    // the login that another role owns. Asked before the session's own path
    // is set, every name written with its schema.
    {
        const PgResult r = SessionCommand(
            conn,
            "SELECT n.oid, n.nspname OPERATOR(pg_catalog.=) CURRENT_USER AND n.nspowner OPERATOR(pg_catalog.<>) "
            "(SELECT u.oid FROM pg_catalog.pg_roles u WHERE u.rolname OPERATOR(pg_catalog.=) CURRENT_USER) "
            "FROM pg_catalog.unnest(pg_catalog.current_schemas(true)) WITH ORDINALITY AS s(name, ord) "
            "JOIN pg_catalog.pg_namespace n ON n.nspname OPERATOR(pg_catalog.=) s.name ORDER BY s.ord",
            {}, ConnectTimeout);
        if (PQresultStatus(r.r) != PGRES_TUPLES_OK) throw EDatabaseError(PostgresError(conn, r.r));
        for (int i = 0; i < PQntuples(r.r); ++i) {
            if (std::string(PQgetvalue(r.r, i, 1)) == "t") continue;
            searchSchemas_ += (searchSchemas_.empty() ? "" : ",") + std::string(PQgetvalue(r.r, i, 0));
        }
        searchSchemas_ = "{" + searchSchemas_ + "}";
    }
    // The login as the server authenticated it (a role's setting may have
    // switched the current role already).
    {
        const PgResult r = SessionCommand(
            conn, "SELECT u.oid, u.rolsuper FROM pg_catalog.pg_roles u WHERE u.rolname OPERATOR(pg_catalog.=) SESSION_USER",
            {}, ConnectTimeout);
        if (PQresultStatus(r.r) != PGRES_TUPLES_OK || PQntuples(r.r) != 1) throw EDatabaseError(PostgresError(conn, r.r));
        loginOid_ = PQgetvalue(r.r, 0, 0);
        loginSuper_ = std::string(PQgetvalue(r.r, 0, 1)) == "t";
    }
    // The queries themselves see only the server's own functions and
    // operators, and no row-security policy runs its function.
    SessionCommand(conn, std::string("SET search_path = ") + kCatalogPath, {}, ConnectTimeout);
    SessionCommand(conn, "SET row_security = off", {}, ConnectTimeout);
    if (FirstValue(SessionCommand(conn, "SELECT pg_catalog.current_setting('search_path')", {}, ConnectTimeout)) !=
        kCatalogPath)
        throw EDatabaseError("Le serveur n'a pas accept\xC3\xA9 de limiter les requ\xC3\xAAtes \xC3\xA0 ses propres "
                             "fonctions (search_path) : la connexion est ferm\xC3\xA9" "e.");
    if (FirstValue(SessionCommand(conn, "SELECT pg_catalog.current_setting('row_security')", {}, ConnectTimeout)) != "off")
        throw EDatabaseError("Le serveur n'a pas accept\xC3\xA9 de d\xC3\xA9sactiver la s\xC3\xA9" "curit\xC3\xA9 "
                             "par ligne (row_security) : la connexion est ferm\xC3\xA9" "e.");
}


std::shared_ptr<pg_result> TDatabase::Catalog(const std::string& sql, const std::vector<std::string>& values)
{
    if (!pg_) throw EDatabaseError("Base PostgreSQL : acc\xC3\xA8s au moteur impossible");
    std::vector<const char*> v;
    for (const std::string& value : values) v.push_back(value.c_str());
    PgResult r;
    try {
        r = SessionCommand(pg_, sql, v, ConnectTimeout);
    } catch (...) {
        Close();  // a server gone silent: the next command connects again
        throw;
    }
    if (PQresultStatus(r.r) != PGRES_TUPLES_OK) throw EDatabaseError(PostgresError(pg_, r.r));
    std::shared_ptr<pg_result> rows(r.r, PQclear);
    r.r = nullptr;
    return rows;
}

const std::vector<std::string>* TDatabase::ColumnsOf(const std::string& relationKey)
{
    const auto found = relations_.find(relationKey);
    if (found == relations_.end() || !found->second.found) return nullptr;
    Relation& relation = found->second;
    if (!relation.columnsRead) {
        if (const auto known = columnsByOid_.find(relation.oid); known != columnsByOid_.end()) {
            relation.columns = known->second;
            relation.columnsRead = true;
            return &relation.columns;
        }
        PgResult r;
        try {
            r = SessionCommand(pg_,
                               "SELECT attname FROM pg_attribute WHERE attrelid = $1::oid AND attnum > 0 "
                               "AND NOT attisdropped",
                               {relation.oid.c_str()}, ConnectTimeout);
        } catch (...) {
            Close();
            throw;
        }
        if (PQresultStatus(r.r) != PGRES_TUPLES_OK) throw EDatabaseError(PostgresError(pg_, r.r));
        for (int i = 0; i < PQntuples(r.r); ++i) relation.columns.emplace_back(PQgetvalue(r.r, i, 0));
        relation.columnsRead = true;
        columnsByOid_[relation.oid] = relation.columns;
    }
    return &relation.columns;
}

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Every dotted name of the text must be a column of a relation it reads
// (the server reads a.f as the call f(a): a.pg_typeof, a.row_to_json...), or
// a function or type of pg_catalog. `columnsOf(i)` gives the columns of
// relation i (nullptr: unknown to the engine, which then refuses the text
// itself). `caseless`: names compare without regard to case (SQLite).
void CheckDottedNames(const std::string& sql, const SqlTextReading& reading, bool caseless,
                      const std::function<const std::vector<std::string>*(std::size_t)>& columnsOf)
{
    const auto same = [&](const std::string& a, const std::string& b) { return caseless ? Lower(a) == Lower(b) : a == b; };
    for (const SqlDottedName& d : reading.dotted) {
        const std::string written = sql.substr(d.begin, d.end - d.begin);
        const std::string refusal =
            "La requ\xC3\xAAte nomme \xC2\xAB " + written +
            " \xC2\xBB, qui n'est pas une colonne d'une table qu'elle lit : elle n'est pas envoy\xC3\xA9" "e.";
        if (d.parts.size() == 2 && same(d.parts[0], "pg_catalog") && !d.afterParenthesis) continue;
        // A type of another schema may be a role's domain, whose CHECK runs.
        if (d.type)
            throw EDatabaseError("La requ\xC3\xAAte convertit en \xC2\xAB " + written +
                                 " \xC2\xBB, qui n'est pas un type du serveur : elle n'est pas envoy\xC3\xA9" "e.");
        if (d.call || d.afterParenthesis || d.parts.size() > 3) throw EDatabaseError(refusal);
        const std::string& column = d.parts.back();
        bool matched = false;
        for (std::size_t i = 0; i < reading.relations.size(); ++i) {
            const SqlRelationRef& r = reading.relations[i];
            const bool byName = d.parts.size() == 2
                                    ? same(r.alias.empty() ? r.parts.back() : r.alias, d.parts[0]) ||
                                          (!r.alias.empty() && same(r.parts.back(), d.parts[0]))
                                    : r.parts.size() == 2 && same(r.parts[0], d.parts[0]) && same(r.parts[1], d.parts[1]);
            if (!byName) continue;
            matched = true;
            if (column == "*") continue;
            if (std::any_of(r.columnAliases.begin(), r.columnAliases.end(), [&](const std::string& c) { return same(c, column); }))
                continue;
            if (r.withName) throw EDatabaseError(refusal);
            if (r.function) {
                if (r.columnAliases.empty() && same(r.parts.back(), column)) continue;
                throw EDatabaseError(refusal);
            }
            const std::vector<std::string>* columns = columnsOf(i);
            if (columns && std::none_of(columns->begin(), columns->end(), [&](const std::string& c) { return same(c, column); }))
                throw EDatabaseError(refusal);
        }
        if (!matched) throw EDatabaseError(refusal);
    }
}

}  // namespace

std::string TDatabase::ServerText(const std::string& sql)
{
    if (!pg_) return sql;
    if (!standardStrings_ && sql.find('\\') != std::string::npos) throw EDatabaseError(kBackslashText);
    // Each query looks at its relations again: the owner of a table read
    // before may have made it a view since (a rule, or dropped and made
    // again), given it a policy or a foreign partition. Only the columns of
    // a relation are kept for the connection.
    relations_.clear();  // looked at again
    const SqlTextReading reading = ReadSqlText(sql);
    std::vector<std::string> keys(reading.relations.size());
    std::string out;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < reading.relations.size(); ++i) {
        const SqlRelationRef& r = reading.relations[i];
        if (r.withName || r.function) continue;
        const std::string written = sql.substr(r.begin, r.end - r.begin);
        const Relation& relation = LookUpRelation(r, written);
        keys[i] = SqlRelationKey(r);
        out.append(sql, copied, r.begin - copied);
        out += relation.qualified;
        copied = r.end;
    }
    out.append(sql, copied, std::string::npos);
    CheckDottedNames(sql, reading, false, [&](std::size_t i) { return keys[i].empty() ? nullptr : ColumnsOf(keys[i]); });
    return out;
}

void TDatabase::CheckSqliteText(const std::string& sql)
{
    const SqlTextReading reading = ReadSqlText(sql);
    if (reading.dotted.empty()) return;
    sqlite3* h = SqliteHandle(QSqlDatabase::database(Q(connectionName_), false));
    CheckDottedNames(sql, reading, true, [&](std::size_t i) -> const std::vector<std::string>* {
        const SqlRelationRef& r = reading.relations[i];
        if (r.withName || r.function || !h) return nullptr;
        std::string name;
        for (const std::string& part : r.parts) name += (name.empty() ? "" : ".") + SqlQuoted(part, '"');
        const auto found = sqliteColumns_.find(Lower(name));
        if (found != sqliteColumns_.end()) return &found->second;
        // The columns as the engine gives them for the table or view (read
        // through a statement that is prepared, never run).
        SqliteStatement st;
        if (sqlite3_prepare_v2(h, ("SELECT * FROM " + name).c_str(), -1, &st.st, nullptr) != SQLITE_OK || !st.st)
            return nullptr;
        std::vector<std::string>& columns = sqliteColumns_[Lower(name)];
        for (int c = 0; c < sqlite3_column_count(st.st); ++c)
            if (const char* column = sqlite3_column_name(st.st, c)) columns.emplace_back(column);
        return &columns;
    });
}

// ---- TQuery -------------------------------------------------------------------

TQuery::TQuery(TDatabase& database) : database_(database) {}

TQuery::~TQuery() { Close(); }

void TQuery::Close()
{
    rows_.clear();
    current_ = 0;
    bytes_ = 0;
    fieldCount_ = 0;
    active_ = false;
}

void TQuery::Open()
{
    Close();
    received_ = 0;
    if (!database_.Connected()) throw EDatabaseError("La base de donn\xC3\xA9" "es n'est pas connect\xC3\xA9" "e");
    if (database_.PostgresConnection()) OpenOnPostgres(database_.PostgresConnection());
    else OpenOnSqlite(QSqlDatabase::database(Q(database_.ConnectionName()), false));
    database_.recordsRead_ += rows_.size();
}

void TQuery::OpenOnSqlite(const QSqlDatabase& db)
{
    sqlite3* h = SqliteHandle(db);
    if (!h) throw EDatabaseError("Base SQLite : acc\xC3\xA8s au moteur impossible");
    // The wait begins before the statement is prepared: reading the schema
    // may already wait for another program's lock.
    Waiting wait(QueryWaitText(SQL), std::max(database_.StatementTimeout, 0));
    SqliteDeadline deadline{Clock::now() + std::chrono::milliseconds(database_.StatementTimeout), &wait, h,
                            database_.StatementTimeout > 0};
    sqlite3_progress_handler(h, 1000, SqliteProgress, &deadline);
    sqlite3_busy_handler(h, SqliteBusy, &deadline);
    struct NoProgress {
        sqlite3* h;
        ~NoProgress()
        {
            sqlite3_progress_handler(h, 0, nullptr, nullptr);
            sqlite3_busy_handler(h, nullptr, nullptr);
        }
    } noProgress{h};
    // A failure not given up by the person: out of time (waiting for another
    // program's lock or not), or the engine's own word.
    const auto failure = [&](int code) -> EDatabaseError {
        if (deadline.passed && deadline.locked && ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED))
            return EDatabaseError(std::string(kDatabaseLockedText) + " " +
                                  QueryTimeoutText(SQL, database_.StatementTimeout));
        if (deadline.passed) return EDatabaseError(QueryTimeoutText(SQL, database_.StatementTimeout));
        return EDatabaseError(SqliteError(h, code));
    };
    // Checked under the wait: reading a table's columns may wait for a lock too.
    database_.CheckSqliteText(SQL);
    SqliteStatement statement;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(h, SQL.data(), static_cast<int>(SQL.size()), &statement.st, &tail);
    if (rc != SQLITE_OK) {
        if (deadline.cancelled) throw EDatabaseCancelled(QueryCancelledText(SQL));
        throw failure(rc);
    }
    if (!statement.st) throw EDatabaseError("La requ\xC3\xAAte ne lit aucune donn\xC3\xA9" "e");
    // What follows the first statement may only be blanks and comments.
    const std::size_t used = tail ? static_cast<std::size_t>(tail - SQL.data()) : SQL.size();
    if (used < SQL.size()) {
        SqliteStatement second;
        const int rest = static_cast<int>(SQL.size() - used);
        if (sqlite3_prepare_v2(h, SQL.data() + used, rest, &second.st, nullptr) != SQLITE_OK || second.st)
            throw EDatabaseError(kOneStatementText);
    }
    // Refused before its first step: a statement that would write (VACUUM
    // INTO writes a new file even on a read-only connection).
    if (!sqlite3_stmt_readonly(statement.st)) throw EDatabaseError(kReadOnlyText);
    if (sqlite3_column_count(statement.st) == 0) throw EDatabaseError("La requ\xC3\xAAte ne lit aucune donn\xC3\xA9" "e");
    if (sqlite3_bind_parameter_count(statement.st) != static_cast<int>(Values.size()))
        throw EDatabaseError("La requ\xC3\xAAte attend " + std::to_string(sqlite3_bind_parameter_count(statement.st)) +
                             " valeur(s), " + std::to_string(Values.size()) + " donn\xC3\xA9" "e(s)");
    for (std::size_t i = 0; i < Values.size(); ++i)
        sqlite3_bind_text(statement.st, static_cast<int>(i + 1), Values[i].data(), static_cast<int>(Values[i].size()),
                          SQLITE_TRANSIENT);

    fieldCount_ = sqlite3_column_count(statement.st);
    while ((rc = sqlite3_step(statement.st)) == SQLITE_ROW) {
        ++received_;
        if (rows_.size() >= kMaxRecords) {
            Close();
            throw EDatabaseError(TooManyRecordsText(SQL));
        }
        // Counted before it is copied: a record of long texts stops the read
        // at the byte limit without being held.
        std::size_t textBytes = 0;
        for (int i = 0; i < fieldCount_; ++i)
            if (sqlite3_column_type(statement.st, i) != SQLITE_NULL) textBytes += static_cast<std::size_t>(sqlite3_column_bytes(statement.st, i));
        bytes_ += RecordBytes(static_cast<std::size_t>(fieldCount_), textBytes);
        if (bytes_ > kMaxBytes) {
            Close();
            throw EDatabaseError(TooMuchDataText(SQL));
        }
        Record row;
        row.values.reserve(static_cast<std::size_t>(fieldCount_));
        row.texts.reserve(static_cast<std::size_t>(fieldCount_));
        for (int i = 0; i < fieldCount_; ++i) row.values.push_back(SqliteValue(statement.st, i, row.texts));
        rows_.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        Close();
        if (deadline.cancelled) throw EDatabaseCancelled(QueryCancelledText(SQL));
        throw failure(rc);
    }
    // Given up as the last record came: the person's answer holds.
    if (deadline.cancelled) {
        Close();
        throw EDatabaseCancelled(QueryCancelledText(SQL));
    }
    active_ = true;
}

void TQuery::OpenOnPostgres(PGconn* conn)
{
    const int statementMs = database_.StatementTimeout;
    Waiting wait(QueryWaitText(SQL), std::max(statementMs, 0));
    bool tooMany = false, tooBig = false;
    // The small commands around the query answer at once on a live server.
    const auto shortly = [&] { return Clock::now() + std::chrono::seconds(std::max(database_.ConnectTimeout, 2)); };
    // A server that stopped answering (or did not stop in the second it was
    // given): the connection is given up, the next command connects again.
    const auto giveUp = [&]() {
        database_.Close();
        Close();
        if (wait.Cancelled()) throw EDatabaseCancelled(QueryCancelledText(SQL));
        if (tooMany) throw EDatabaseError(TooManyRecordsText(SQL));
        if (tooBig) throw EDatabaseError(TooMuchDataText(SQL));
        const std::string table = QueriedTable(SQL);
        throw EDatabaseError("Le serveur ne r\xC3\xA9pond plus : la requ\xC3\xAAte" +
                             (table.empty() ? std::string() : " sur \xC2\xAB " + table + " \xC2\xBB") +
                             " est abandonn\xC3\xA9" "e et la connexion ferm\xC3\xA9" "e.");
    };
    const auto command = [&](const std::string& text) {
        PgResult r = PgRun(conn, text, {}, shortly(), &wait);
        if (r.timedOut) giveUp();
        return r;
    };
    {
        const PgResult begin = command("BEGIN TRANSACTION READ ONLY");
        if (PQresultStatus(begin.r) != PGRES_COMMAND_OK) throw EDatabaseError(PostgresError(conn, begin.r));
    }
    // The time limit lives and dies with the transaction.
    const PgResult limit = command("SET LOCAL statement_timeout = " + std::to_string(std::max(statementMs, 0)));
    PgResult result;
    bool checked = false;
    std::vector<const char*> values;
    values.reserve(Values.size());
    for (const std::string& v : Values) values.push_back(v.c_str());
    // The server stops each statement itself; the client waits a little
    // longer before it counts the server as gone.
    const auto deadline = [&] {
        return statementMs > 0 ? Clock::now() + std::chrono::milliseconds(statementMs) + std::chrono::seconds(5)
                               : Clock::time_point::max();
    };
    if (PQresultStatus(limit.r) == PGRES_COMMAND_OK && !wait.Cancelled()) {
        // ---- checked and read in one step. Inside the read's transaction:
        // a superuser login drops its powers (code reached through a hole
        // could otherwise write files or run programs), the text is parsed,
        // which locks every relation it reaches until the read ends, then
        // everything it reaches is checked by oid; only then does it run.
        try {
            const std::string sql = NumberPlaceholders(database_.ServerText(SQL));
            if (database_.ReadsWithoutSuperuser() &&
                PQresultStatus(command("SET LOCAL ROLE pg_read_all_data").r) != PGRES_COMMAND_OK)
                throw EDatabaseError(kSuperuserReadText);
            result = PgRun(conn, sql, values, deadline(), &wait, {}, {}, PgSend::Prepare);
            if (result.timedOut) giveUp();
            if (PQresultStatus(result.r) == PGRES_COMMAND_OK && !wait.Cancelled()) {
                database_.CheckReachedForRead();  // before anything runs
                checked = true;
            }
        } catch (const EDatabaseError&) {
            if (database_.PostgresConnection() == conn) {
                command("ROLLBACK");
                command("DEALLOCATE ALL");
            }
            throw;
        }
    }
    if (checked) {
        // ---- end of the checks
        // Records are kept as they come, up to the limits; past one, the
        // query is cancelled on the server and what still comes is dropped.
        // ---- rows: counted as they come, held once (in libpq's result) ----
        // A row is judged by its size as its header arrives, before libpq
        // holds it whole; a row that would pass the byte limit is refused
        // there and never held.
        const auto rowComing = [&](std::size_t textBytes, int fields) {
            if (tooMany || tooBig) return true;
            if (bytes_ + RecordBytes(static_cast<std::size_t>(fields), textBytes) <= kMaxBytes) return true;
            tooBig = true;
            return false;
        };
        result = PgRun(conn, "", values, deadline(), &wait, [&](PGresult*& record) {
            ++received_;
            if (tooMany || tooBig) return false;
            if (rows_.size() >= kMaxRecords) {
                tooMany = true;
                return false;
            }
            const int fields = PQnfields(record);
            std::size_t textBytes = 0;
            for (int c = 0; c < fields; ++c) textBytes += static_cast<std::size_t>(PQgetlength(record, 0, c));
            bytes_ += RecordBytes(static_cast<std::size_t>(fields), textBytes);
            if (bytes_ > kMaxBytes) {
                tooBig = true;
                return false;
            }
            Record row;
            row.values.reserve(static_cast<std::size_t>(fields));
            row.texts.reserve(static_cast<std::size_t>(fields));
            // A small record is copied (a result of its own costs kilobytes);
            // a long one stays in libpq's result, its values pointing there.
            const bool keep = textBytes >= kKeepResultBytes;
            for (int c = 0; c < fields; ++c) row.values.push_back(PostgresValue(record, 0, c, row.texts, !keep));
            if (keep) {
                row.pg.reset(record);
                record = nullptr;
            }
            rows_.push_back(std::move(row));
            return true;
        }, rowComing, PgSend::Prepared);
        // ---- end of rows ----
        if (result.timedOut || result.abandoned) giveUp();
        // Inheriting tables and partitions are locked only as the read is
        // planned, and a read-only transaction may not take the lock that
        // would stop one being added meanwhile: what the read reached is
        // looked at again, before any record is handed back, so that the rows
        // of a child added after the checks are never returned.
        if (PQresultStatus(result.r) == PGRES_TUPLES_OK && !wait.Cancelled() && !tooMany && !tooBig) {
            try {
                database_.CheckReachedAgainForRead();  // with the children the plan reached
            } catch (const EDatabaseError&) {
                Close();
                if (database_.PostgresConnection() == conn) {
                    command("ROLLBACK");
                    command("DEALLOCATE ALL");
                    command("SELECT pg_advisory_unlock_all()");
                }
                throw;
            }
        }
    }
    // Whatever the query did, the transaction ends rolled back, and the
    // session keeps no advisory lock of it (those outlive a rollback).
    command("ROLLBACK");
    command("DEALLOCATE ALL");
    command("SELECT pg_advisory_unlock_all()");
    if (wait.Cancelled()) {
        Close();
        throw EDatabaseCancelled(QueryCancelledText(SQL));
    }
    if (tooMany) {
        Close();
        throw EDatabaseError(TooManyRecordsText(SQL));
    }
    if (tooBig) {
        Close();
        throw EDatabaseError(TooMuchDataText(SQL));
    }
    if (PQresultStatus(limit.r) != PGRES_COMMAND_OK) throw EDatabaseError(PostgresError(conn, limit.r));

    const ExecStatusType status = PQresultStatus(result.r);
    if (status != PGRES_TUPLES_OK) Close();  // an error after some records keeps none of them
    if (status == PGRES_COMMAND_OK || status == PGRES_EMPTY_QUERY)
        throw EDatabaseError("La requ\xC3\xAAte ne lit aucune donn\xC3\xA9" "e");
    if (status != PGRES_TUPLES_OK) {
        const char* state = result.r ? PQresultErrorField(result.r, PG_DIAG_SQLSTATE) : nullptr;
        if (state && std::string(state) == "57014") throw EDatabaseError(QueryTimeoutText(SQL, statementMs));
        throw EDatabaseError(PostgresError(conn, result.r));
    }
    fieldCount_ = PQnfields(result.r);
    active_ = true;
}

void TQuery::Next()
{
    if (current_ < rows_.size()) ++current_;
}

void TQuery::PgResultFree::operator()(pg_result* r) const { PQclear(r); }

const DbValue& TQuery::Field(int i) const
{
    static const DbValue kNone;
    if (current_ >= rows_.size() || i < 0 || i >= fieldCount_) return kNone;
    return rows_[current_].values[static_cast<std::size_t>(i)];
}
