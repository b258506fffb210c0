#include "platform/database.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <atomic>
#include <cctype>
#include <libpq-fe.h>
#include <sqlite3.h>

#include "platform/base/text_codec.h"

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

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
        else throw EDatabaseError("Param\xC3\xA8tre de connexion inconnu : " + TrimSpaces(line.substr(0, eq)));
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
    const auto* v = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string value = v ? v : "";
    if (argc == 1) {
        sqlite3_result_text(context, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return;
    }
    const auto* f = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    std::string result;
    if (!SqliteToChar(value, f ? f : "", result)) {
        const std::string message = "TO_CHAR : date invalide (" + value + ")";
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
}

std::string ErrorText(const QSqlError& e)
{
    std::string text = S(e.databaseText());
    if (text.empty()) text = S(e.driverText());
    if (text.empty()) text = "Erreur de la base de donn\xC3\xA9" "es";
    return text;
}

DbValue ToValue(const QVariant& v)
{
    DbValue r;
    if (!v.isValid() || v.isNull()) return r;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        r.kind = DbValue::Kind::Number;
        r.number = v.toDouble();
        return r;
    case QMetaType::QDate:
        r.kind = DbValue::Kind::Text;
        r.text = S(v.toDate().toString(Qt::ISODate));
        return r;
    case QMetaType::QDateTime:
        r.kind = DbValue::Kind::Text;
        r.text = S(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        return r;
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        r.kind = DbValue::Kind::Text;
        r.text = std::string(b.constData(), static_cast<std::size_t>(b.size()));
        if (!IsValidUtf8(r.text)) r.text = Cp1252ToUtf8(r.text);
        return r;
    }
    default:
        r.kind = DbValue::Kind::Text;
        r.text = S(v.toString());
        return r;
    }
}

std::atomic<int> gConnectionCounter{0};

// ---- PostgreSQL through libpq ------------------------------------------------
//
// Qt's driver prepares a text by sending "PREPARE ... AS <text>" as a simple
// query, which the server runs whole: a text holding a second statement (even
// one hidden from a client-side check, behind dollar quotes) would run too.
// Queries therefore go through libpq's extended protocol, where the server
// itself refuses a second statement, each inside its own read-only
// transaction that is rolled back afterwards: a setting switched by a
// function call or a large object made by one is undone with it.

PGconn* PostgresHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // Qt names the type after libpq's struct (PGconn is a typedef of pg_conn).
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.data());
}

std::string PostgresError(PGconn* conn, const PGresult* result)
{
    std::string text = result ? PQresultErrorMessage(result) : "";
    if (text.empty() && conn) text = PQerrorMessage(conn);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "Erreur de la base de donn\xC3\xA9" "es";
    if (!IsValidUtf8(text)) text = Cp1252ToUtf8(text);
    return text;
}

struct PgResult {
    PGresult* r = nullptr;
    ~PgResult() { PQclear(r); }
};

// The "?" of the program's texts become $1, $2... Quoted texts, quoted
// names, dollar-quoted texts and comments are passed over; a text the scan
// misreads can only fail, since the server still parses one statement.
std::string NumberPlaceholders(const std::string& sql)
{
    std::string out;
    int n = 0;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        auto copyTo = [&](std::size_t end) {
            out.append(sql, i, end - i);
            i = end - 1;
        };
        if (c == '\'' || c == '"') {
            std::size_t close = sql.find(c, i + 1);
            copyTo(close == std::string::npos ? sql.size() : close + 1);
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const std::size_t eol = sql.find('\n', i);
            copyTo(eol == std::string::npos ? sql.size() : eol + 1);
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const std::size_t close = sql.find("*/", i + 2);
            copyTo(close == std::string::npos ? sql.size() : close + 2);
        } else if (c == '$' && (i == 0 || !(std::isalnum(static_cast<unsigned char>(sql[i - 1])) || sql[i - 1] == '_'))) {
            std::size_t j = i + 1;
            while (j < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '_')) ++j;
            if (j < sql.size() && sql[j] == '$' && !(j > i + 1 && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
                const std::string tag = sql.substr(i, j - i + 1);
                const std::size_t close = sql.find(tag, j + 1);
                copyTo(close == std::string::npos ? sql.size() : close + tag.size());
            } else {
                out += c;
            }
        } else if (c == '?') {
            out += "$" + std::to_string(++n);
        } else {
            out += c;
        }
    }
    return out;
}

DbValue PostgresValue(const PGresult* r, int row, int col)
{
    DbValue v;
    if (PQgetisnull(r, row, col)) return v;
    const char* text = PQgetvalue(r, row, col);
    const std::string t(text, static_cast<std::size_t>(PQgetlength(r, row, col)));
    switch (PQftype(r, col)) {
    case 700:   // float4
    case 701:   // float8
    case 1700:  // numeric
    {
        bool ok = false;
        const double d = QString::fromStdString(t).toDouble(&ok);
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
    v.text = IsValidUtf8(t) ? t : Cp1252ToUtf8(t);
    return v;
}

}  // namespace

std::vector<std::string> DatabaseAliasNames() { return {kSqliteAlias, kPostgresAlias}; }

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

// ---- TDatabase ---------------------------------------------------------------

TDatabase::TDatabase() : connectionName_("carotix_db_" + std::to_string(++gConnectionCounter)) {}

TDatabase::~TDatabase() { Close(); }

bool TDatabase::Connected() const { return open_; }

void TDatabase::Close()
{
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
            } catch (...) {
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(Q(connectionName_));
                throw;
            }
        }
    } else if (alias == AsciiUpper(kPostgresAlias)) {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            throw EDatabaseError("Le pilote PostgreSQL n'est pas install\xC3\xA9");
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Q(connectionName_));
        db.setDatabaseName(Q(p.database));
        if (!p.server.empty()) db.setHostName(Q(p.server));
        if (!p.port.empty()) {
            bool ok = false;
            const int port = Q(p.port).toInt(&ok);
            if (!ok || port <= 0 || port > 65535) {
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(Q(connectionName_));
                throw EDatabaseError("Port invalide : " + p.port);
            }
            db.setPort(port);
        }
        db.setUserName(Q(p.user));
        db.setPassword(Q(p.password));
        // Every transaction of the session is read-only (each query also runs
        // in a read-only transaction of its own, rolled back after it).
        db.setConnectOptions(QStringLiteral("options='-c default_transaction_read_only=on'"));
        if (!db.open()) {
            const std::string message = ErrorText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(Q(connectionName_));
            throw EDatabaseError(message);
        }
    } else {
        throw EDatabaseError("Alias de base de donn\xC3\xA9" "es inconnu : " + AliasName);
    }
    open_ = true;
}

// ---- TQuery -------------------------------------------------------------------

TQuery::TQuery(TDatabase& database) : database_(database) {}

TQuery::~TQuery() { Close(); }

void TQuery::Close()
{
    rows_.clear();
    current_ = 0;
    fieldCount_ = 0;
    active_ = false;
}

void TQuery::Open()
{
    Close();
    if (!database_.Connected()) throw EDatabaseError("La base de donn\xC3\xA9" "es n'est pas connect\xC3\xA9" "e");
    QSqlDatabase db = QSqlDatabase::database(Q(database_.ConnectionName()), false);
    if (db.driverName() == QStringLiteral("QPSQL")) {
        OpenOnPostgres(db);
        return;
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    // Prepared, so that a text holding a second statement is refused.
    if (!q.prepare(Q(SQL))) throw EDatabaseError(ErrorText(q.lastError()));
    for (const std::string& v : Values) q.addBindValue(Q(v));
    if (!q.exec()) throw EDatabaseError(ErrorText(q.lastError()));
    if (!q.isSelect()) throw EDatabaseError("La requ\xC3\xAAte ne lit aucune donn\xC3\xA9" "e");
    fieldCount_ = q.record().count();
    while (q.next()) {
        if (rows_.size() >= kMaxRecords) {
            Close();
            throw EDatabaseError("La requ\xC3\xAAte rend trop d'enregistrements");
        }
        std::vector<DbValue> row;
        row.reserve(static_cast<std::size_t>(fieldCount_));
        for (int i = 0; i < fieldCount_; ++i) row.push_back(ToValue(q.value(i)));
        rows_.push_back(std::move(row));
    }
    if (q.lastError().isValid()) {
        const std::string message = ErrorText(q.lastError());
        Close();
        throw EDatabaseError(message);
    }
    active_ = true;
}

void TQuery::OpenOnPostgres(const QSqlDatabase& db)
{
    PGconn* conn = PostgresHandle(db);
    if (!conn) throw EDatabaseError("Base PostgreSQL : acc\xC3\xA8s au moteur impossible");
    {
        PgResult begin{PQexec(conn, "BEGIN TRANSACTION READ ONLY")};
        if (PQresultStatus(begin.r) != PGRES_COMMAND_OK) throw EDatabaseError(PostgresError(conn, begin.r));
    }
    // Whatever the query did, the transaction ends rolled back.
    struct Rollback {
        PGconn* conn;
        ~Rollback() { PQclear(PQexec(conn, "ROLLBACK")); }
    } rollback{conn};
    const std::string sql = NumberPlaceholders(SQL);
    std::vector<const char*> values;
    values.reserve(Values.size());
    for (const std::string& v : Values) values.push_back(v.c_str());
    PgResult result{PQexecParams(conn, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                                 nullptr, 0)};
    const ExecStatusType status = PQresultStatus(result.r);
    if (status == PGRES_COMMAND_OK || status == PGRES_EMPTY_QUERY)
        throw EDatabaseError("La requ\xC3\xAAte ne lit aucune donn\xC3\xA9" "e");
    if (status != PGRES_TUPLES_OK) throw EDatabaseError(PostgresError(conn, result.r));
    const int rows = PQntuples(result.r);
    if (static_cast<std::size_t>(rows) > kMaxRecords)
        throw EDatabaseError("La requ\xC3\xAAte rend trop d'enregistrements");
    fieldCount_ = PQnfields(result.r);
    rows_.reserve(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        std::vector<DbValue> row;
        row.reserve(static_cast<std::size_t>(fieldCount_));
        for (int c = 0; c < fieldCount_; ++c) row.push_back(PostgresValue(result.r, r, c));
        rows_.push_back(std::move(row));
    }
    active_ = true;
}

void TQuery::Next()
{
    if (current_ < rows_.size()) ++current_;
}

DbValue TQuery::Field(int i) const
{
    if (current_ >= rows_.size() || i < 0 || i >= fieldCount_) return {};
    return rows_[current_][static_cast<std::size_t>(i)];
}
