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

// One statement only: a ";" may end the text but nothing may follow it
// (quotes, quoted names and comments are skipped). The server driver prepares
// a text by sending it whole, so this is what keeps a second statement out.
bool SingleStatement(const std::string& sql)
{
    bool ended = false;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == ';') {
            ended = true;
            continue;
        }
        if (ended) return false;
        if (c == '\'' || c == '"') {
            const std::size_t close = sql.find(c, i + 1);
            if (close == std::string::npos) return true;  // the driver reports it
            i = close;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            const std::size_t eol = sql.find('\n', i);
            if (eol == std::string::npos) return true;
            i = eol;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            const std::size_t close = sql.find("*/", i + 2);
            if (close == std::string::npos) return true;
            i = close + 1;
        }
    }
    return true;
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
        // Every transaction of the session is read-only.
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
    if (!SingleStatement(SQL))
        throw EDatabaseError("Une requ\xC3\xAAte ne peut contenir qu'une seule instruction SQL");
    QSqlDatabase db = QSqlDatabase::database(Q(database_.ConnectionName()), false);
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

void TQuery::Next()
{
    if (current_ < rows_.size()) ++current_;
}

DbValue TQuery::Field(int i) const
{
    if (current_ >= rows_.size() || i < 0 || i >= fieldCount_) return {};
    return rows_[current_][static_cast<std::size_t>(i)];
}
