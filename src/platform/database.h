// The database engine of the program: one connection chosen by an alias and
// configured by NAME=value parameters (the lines of db_params.txt), and
// queries on it that are opened, read record by record and closed.
//
// Two aliases exist:
//   "SQLite"      the embedded database, a file. Parameter DATABASE NAME (a
//                 path; a relative one is taken from the program folder).
//   "PostgreSQL"  a server. Parameters SERVER NAME (host name, or the folder
//                 of the server's socket), PORT, DATABASE NAME, USER NAME,
//                 PASSWORD.
// Parameter names compare without regard to case; an unknown one is refused
// when the connection opens, so that a typing mistake does not go unnoticed.
//
// Sessions only read: the embedded file is opened read-only; on the server
// every query runs alone in a read-only transaction that is rolled back after
// it. A query holds exactly one statement: a second one is refused by the
// engines themselves (SQLite prepares one statement; the server is sent the
// text as one prepared statement). Values go to the engine as bound
// parameters ("?" in the text).
//
// Nothing may hang the program: connecting to a server gives up after
// ConnectTimeout seconds and a query after StatementTimeout milliseconds,
// each with a message naming the server or the table read. The time limit
// of a query is set inside its own transaction, so that the session keeps
// nothing of it; on the server, advisory locks a query may have taken are
// released after it as well.
//
// On SQLite the statement is prepared by the program itself and must be a
// read before it runs: an authorizer stops ATTACH, PRAGMA and every write as
// it is prepared, and a statement the engine does not call read-only (such as
// VACUUM INTO, which would write a file) is refused before its first step.
//
// On SQLite the functions TO_CHAR(date, format) and TO_DATE(text, format) of
// the server databases are provided, so that the same SQL texts run on both
// (dates are ISO texts there); of the engine's own
// functions only those a read needs may be called (no extension loading, no
// tokenizer registration). A dotted name a.b must be a column b of a table
// a of the query there too (the columns the engine gives for the table), so
// that a text is accepted or refused alike on both engines.
//
// On the server only the server's own functions and operators may run: a
// role that may create objects in a schema of the search path could plant a
// function whose argument types match better than the built-in one. The
// session's search path is therefore pg_catalog alone (pg_temp last), and
// every table a query reads (at any depth) is written with its schema, as
// the role's own search path finds it, but never in a "$user" schema that the
// login does not own (a role that may create schemas could make one named
// like the login). A relation is code too, and so is what it reaches: the
// trust rule is applied to what the server reads, not to what the text
// names. Each read runs in its own read-only transaction: the text is first
// parsed as a prepared statement, which locks every relation it reaches
// (those behind views included) until the transaction ends, so that nobody
// can rename, replace or turn into a view what is then checked; then
// everything the read reaches is looked at by oid (the relations the parse
// locked, those behind views at any depth, inheriting tables and partitions
// at any depth, and the functions, operators and types the views use); only
// then does the statement run. Plain and partitioned tables and
// materialized views of any owner are read; a view or a foreign table, a
// function, an operator or a type only when the server or a trusted role
// owns it (the login or a role it is a member of, a superuser, the
// database's owner), since its code would run as the reader; anything else
// is refused naming the object and its owner. So is a relation with a column
// whose type (through domains, arrays, ranges and composites) another role
// gave a cast made by its own function, which a comparison of the column
// with a text would call, and a type after "::" or in CAST that is not in
// pg_catalog. The planner runs code of the tables it reads too: it folds the
// expressions of their indexes, partition keys, statistics and CHECK
// constraints, calling a function with constant arguments; the functions and
// operators these use are judged like a view's, whoever owns the table. Inheriting tables and partitions are locked only as the read
// is planned (a read-only transaction may not take the lock that stops one
// being added): when the plan locked a relation the first look did not
// reach, everything is looked at again before a record is handed back.
//
// A superuser login reads without its powers: each read's transaction runs
// as pg_read_all_data (SET LOCAL ROLE), so that code reached through a hole
// in the checks cannot write files or run programs on the server. That code
// could still take the powers back (RESET ROLE), which PostgreSQL 15 cannot
// forbid: the recommended setup is a login that is not a superuser (a
// member of pg_read_all_data, or granted SELECT on the tables read).
//
// Each query looks at its relations again, since their owners may have
// changed them after an earlier query; only their columns are kept for the
// connection. Row security is off for the session, so that a policy's
// function never runs: a read it would filter fails instead (ownership of
// the table judged as the server judges it, through role membership). (The
// server's restrict_nonsystem_relation_kind is not used: it refuses the
// trusted views too.) A dotted name a.b is accepted only where a is a table
// of the query and b one of its columns (read once per connection), since
// the server reads a.f as the call f(a), and (expression).f or array[i].f
// alike; a name qualified by a schema is a call, an operator (OPERATOR(s.op))
// or a type, and a function of the FROM list, only in pg_catalog. Texts are read with standard
// conforming strings (a backslash is itself); a session where that cannot be
// set refuses every text holding a backslash.
//
// Waiting keeps the windows alive: connecting and querying never block in a
// system call for long. The link polls the server's socket (libpq's
// non-blocking calls) or, on SQLite, is called back by the engine as it
// works, and reports each moment of a wait to the DatabaseWait installed by
// the window layer, which shows it and may answer that the person gave up.
// A query given up is cancelled on the server (or interrupted on SQLite).
// Only the look-up of the server's host name, done by the system before the
// connection starts, is not polled. Records are read as they come, so that
// memory holds no more than the records kept, which are bounded in number
// and in bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sql_tokens.h"
#include "platform/ui_services.h"

class QSqlDatabase;
struct pg_conn;
struct pg_result;
struct sqlite3;

// A failure of the engine; what() is the message shown to the user.
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A connection or a query the person gave up while it waited: the command
// ends, and its message is information, not a failure.
class EDatabaseCancelled : public EDatabaseError, public CancelledByPerson {
public:
    using EDatabaseError::EDatabaseError;
};

// What the link reports while it waits (for a server to connect or answer,
// for the embedded engine to finish a query). The window layer installs one
// at start-up; without one the link waits without a word.
class DatabaseWait {
public:
    virtual ~DatabaseWait() = default;
    // Called again and again while one wait lasts (every few tens of
    // milliseconds): `what` says in French what is waited for, `waitedMs`
    // since the wait began, `limitMs` when it will be given up (0: no limit).
    // Answers true once the person asked to stop waiting.
    virtual bool StillWaiting(const std::string& what, int waitedMs, int limitMs) = 0;
    // The wait is over, whatever ended it. Called only after StillWaiting.
    virtual void WaitOver() = 0;
};
// Installs the one the link reports to (nullptr: none); answers the previous.
DatabaseWait* SetDatabaseWait(DatabaseWait* wait);
bool DatabaseWaitInstalled();

inline constexpr const char* kSqliteAlias = "SQLite";
inline constexpr const char* kPostgresAlias = "PostgreSQL";

// The aliases the engine offers, in the order of the alias list.
std::vector<std::string> DatabaseAliasNames();

// One value read from a record. Its text is the one the query holds (a
// record is held once: on the server, in the client library's own result):
// it stays valid until the query moves to another record, is opened again
// or closed, so a caller that keeps it copies it.
struct DbValue {
    enum class Kind { Null, Number, Text };
    Kind kind = Kind::Null;
    double number = 0.0;    // Number: a floating value
    std::string_view text;  // Text: integers as their digits, dates as yyyy-mm-dd
    bool IsNull() const { return kind == Kind::Null; }
};

class TDatabase {
public:
    TDatabase();
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    std::string AliasName;
    // NAME=value lines; blank lines are ignored.
    std::vector<std::string> Params;
    // Where a relative DATABASE NAME of the embedded database is found.
    std::filesystem::path BaseFolder;
    // How long a connection may take, in seconds (the server's client library
    // takes no less than 2), and how long one query may run, in milliseconds.
    int ConnectTimeout = kDefaultConnectTimeout;
    int StatementTimeout = kDefaultStatementTimeout;
    static constexpr int kDefaultConnectTimeout = 15;
    static constexpr int kDefaultStatementTimeout = 60'000;

    // Connects (closing a previous connection first). Throws EDatabaseError.
    void Open();
    void Close();
    bool Connected() const;
    // How many records the queries on this connection have read, all told: a
    // command that runs several queries tells by it whether any answered.
    std::size_t RecordsRead() const { return recordsRead_; }

    // Internal: the Qt connection name of the embedded database, and the
    // server's connection (nullptr on the embedded database).
    const std::string& ConnectionName() const { return connectionName_; }
    // Internal: a query text as the server is sent it: its tables qualified
    // with their schemas, each relation it reads and each dotted name it
    // uses checked. Throws EDatabaseError.
    std::string ServerText(const std::string& sql);
    // Internal: whether the reads run as pg_read_all_data (a superuser login).
    bool ReadsWithoutSuperuser() const { return loginSuper_; }
    void CheckReachedForRead() { CheckReached(); }
    // Internal, once the read ran (before its records are handed back): the
    // same checks when the plan locked a relation the first look did not
    // reach (an inheriting table or a partition added since).
    void CheckReachedAgainForRead() { CheckReachedAgain(); }
    // Internal: the same checks of the dotted names on the embedded database.
    void CheckSqliteText(const std::string& sql);
    pg_conn* PostgresConnection() const { return pg_; }

private:
    // A relation of the server as a query names it.
    struct Relation {
        bool found = false;
        std::string qualified;  // "schema"."name", or the name as written when not found
        std::string oid;
        bool columnsRead = false;
        std::vector<std::string> columns;
    };
    void SetUpPostgresSession();
    const Relation& LookUpRelation(const SqlRelationRef& ref, const std::string& written);
    const std::vector<std::string>* ColumnsOf(const std::string& relationKey);
    // Internal, inside the read's transaction once its text is parsed (the
    // server then holds a lock on every relation the text reaches): checks
    // by oid everything the read reaches. Throws EDatabaseError.
    void CheckReached();
    void CheckReachedAgain();
    void CheckColumnCasts(const std::string& oids);
    std::string RowSecurityText(const std::string& named) const;
    // A catalog question of the session: its rows, or EDatabaseError (the
    // connection closed when the server no longer answers).
    std::shared_ptr<struct pg_result> Catalog(const std::string& sql, const std::vector<std::string>& values);
    std::string connectionName_;
    pg_conn* pg_ = nullptr;
    bool open_ = false;
    // The server session: the schemas (oids) where the role's search path
    // finds tables, a "$user" schema of another owner left out; whether a
    // backslash in a quoted text is itself.
    std::string searchSchemas_;
    bool standardStrings_ = true;
    // The login (the session user) and whether it is a superuser: its reads
    // then run as pg_read_all_data, without a superuser's powers.
    std::string loginOid_;
    bool loginSuper_ = false;
    // The relations the last look reached (an array of oids, as text).
    std::string reached_;
    std::map<std::string, Relation> relations_;  // those of the query being sent
    std::map<std::string, std::vector<std::string>> columnsByOid_;
    std::map<std::string, std::vector<std::string>> sqliteColumns_;
    std::size_t recordsRead_ = 0;
    friend class TQuery;
};

// Tests only: how the session set-up reads a setting the server reports
// (libpq's PQparameterStatus unless replaced), so that a server that keeps a
// setting against the session's request can be played. Answers the previous.
using ParameterStatusReader = const char* (*)(const pg_conn* conn, const char* name);
ParameterStatusReader SetParameterStatusReader(ParameterStatusReader reader);

class TQuery {
public:
    explicit TQuery(TDatabase& database);
    ~TQuery();
    TQuery(const TQuery&) = delete;
    TQuery& operator=(const TQuery&) = delete;

    std::string SQL;
    // Bound in order to the "?" of the text.
    std::vector<std::string> Values;

    // Runs the text and reads its records. Throws EDatabaseError (the
    // driver's message) when it fails or when the connection is not open.
    void Open();
    void Close();
    bool Active() const { return active_; }
    int RecordCount() const { return static_cast<int>(rows_.size()); }
    bool Eof() const { return current_ >= rows_.size(); }
    void Next();
    int FieldCount() const { return fieldCount_; }
    // Column i of the current record; Null past the end or out of range.
    const DbValue& Field(int i) const;

    // How many records the engine handed over during the last Open, kept
    // and dropped alike: a query stopped at a limit is seen to stop early.
    std::size_t RecordsReceived() const { return received_; }

    // The most records one query reads, and the most bytes its records may
    // take in memory; more is refused with a message (TooManyRecordsText,
    // TooMuchDataText) as soon as the next record comes, and the query is
    // stopped on the server.
    static constexpr std::size_t kMaxRecords = 1'000'000;
    static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

private:
    void OpenOnPostgres(pg_conn* conn);
    void OpenOnSqlite(const QSqlDatabase& db);
    TDatabase& database_;
    // A record as it is held: the server's in the client library's result
    // (its values point into it), the embedded engine's texts in `texts`.
    struct PgResultFree {
        void operator()(pg_result* r) const;
    };
    struct Record {
        std::vector<DbValue> values;
        std::vector<std::string> texts;
        std::unique_ptr<pg_result, PgResultFree> pg;
    };
    std::vector<Record> rows_;
    std::size_t current_ = 0;
    std::size_t bytes_ = 0;
    std::size_t received_ = 0;
    int fieldCount_ = 0;
    bool active_ = false;
};

// The message of a refused second statement in a query text.
inline constexpr const char* kOneStatementText =
    "Une requ\xC3\xAAte ne contient qu'une seule instruction SELECT : le texte en contient une autre.";
// The message of a statement that is not a read.
inline constexpr const char* kReadOnlyText =
    "Une requ\xC3\xAAte ne peut que lire la base de donn\xC3\xA9" "es : cette instruction est refus\xC3\xA9" "e.";

// Failures of the engines in the program's words. The engine's own text
// follows on a second line, after "Détail : ".
inline constexpr const char* kDatabaseLockedText =
    "La base de donn\xC3\xA9" "es est verrouill\xC3\xA9" "e par un autre programme.";
inline constexpr const char* kOutOfMemoryText = "M\xC3\xA9moire insuffisante pour ex\xC3\xA9" "cuter la requ\xC3\xAAte.";
inline constexpr const char* kTooComplexText =
    "La requ\xC3\xAAte est trop complexe (imbrication trop profonde ou trop de termes).";
inline constexpr const char* kNumericOverflowText =
    "D\xC3\xA9passement de capacit\xC3\xA9 : une valeur num\xC3\xA9rique sort des limites de son type.";
inline constexpr const char* kDivisionByZeroText = "Division par z\xC3\xA9ro dans la requ\xC3\xAAte.";
inline constexpr const char* kUnknownFunctionText = "La requ\xC3\xAAte appelle une fonction inconnue.";
inline constexpr const char* kWrongArgumentsText =
    "La requ\xC3\xAAte appelle une fonction avec un mauvais nombre d'arguments.";
inline constexpr const char* kFunctionArgumentsText =
    "La requ\xC3\xAAte appelle une fonction inconnue, ou avec des arguments qu'elle n'accepte pas.";
inline constexpr const char* kTooBigText = "Un texte ou une valeur d\xC3\xA9passe la taille permise.";
inline constexpr const char* kUnknownTableText = "La requ\xC3\xAAte lit une table inconnue.";
inline constexpr const char* kUnknownColumnText = "La requ\xC3\xAAte lit une colonne inconnue ou ambigu\xC3\xAB.";
inline constexpr const char* kSyntaxErrorText = "Erreur de syntaxe dans la requ\xC3\xAAte.";
inline constexpr const char* kInvalidValueText = "Une valeur de la requ\xC3\xAAte n'est pas valide pour son type.";
inline constexpr const char* kPermissionText = "Droits insuffisants pour lire ces donn\xC3\xA9" "es.";
inline constexpr const char* kConnectionLostText = "La connexion au serveur a \xC3\xA9t\xC3\xA9 perdue.";
inline constexpr const char* kAuthenticationText = "Le serveur a refus\xC3\xA9 l'identification.";
inline constexpr const char* kUnknownDatabaseText = "Base de donn\xC3\xA9" "es inconnue sur le serveur.";
inline constexpr const char* kServerResourcesText = "Le serveur manque de ressources pour ex\xC3\xA9" "cuter la requ\xC3\xAAte.";
inline constexpr const char* kServerDiskFullText = "Le disque du serveur est plein.";
inline constexpr const char* kTooManyConnectionsText = "Le serveur n'accepte plus de connexion.";
inline constexpr const char* kServerStoppedText = "Le serveur a interrompu la requ\xC3\xAAte (arr\xC3\xAAt ou red\xC3\xA9marrage).";
inline constexpr const char* kServerRefusedText = "Le serveur de base de donn\xC3\xA9" "es a refus\xC3\xA9 la requ\xC3\xAAte.";
inline constexpr const char* kSqliteRefusedText = "Le moteur SQLite a refus\xC3\xA9 la requ\xC3\xAAte.";
inline constexpr const char* kNotADatabaseText =
    "Le fichier n'est pas une base de donn\xC3\xA9" "es SQLite, ou il est endommag\xC3\xA9.";
inline constexpr const char* kCannotOpenText = "Le fichier de la base de donn\xC3\xA9" "es ne peut pas \xC3\xAAtre ouvert.";
inline constexpr const char* kFileErrorText = "Erreur de lecture du fichier de la base de donn\xC3\xA9" "es.";

// The connection parameters each alias accepts, with an example, as the
// refusal of an unknown name lists them.
inline constexpr const char* kConnectionParametersText =
    "PostgreSQL : SERVER NAME, PORT, DATABASE NAME, USER NAME, PASSWORD "
    "(exemple : SERVER NAME=localhost, PORT=5432, DATABASE NAME=carotix, USER NAME=lecteur, PASSWORD=secret) ; "
    "SQLite : DATABASE NAME (exemple : DATABASE NAME=carotix.db).";

// The message of a superuser login whose read could not give up the
// superuser's powers.
inline constexpr const char* kSuperuserReadText =
    "Le serveur n'a pas permis de lire sans les droits de superutilisateur (SET ROLE pg_read_all_data) : la "
    "requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e.";

// The message of a text holding a backslash on a server that reads it as an
// escape.
inline constexpr const char* kBackslashText =
    "Le serveur lit la barre oblique inverse (\\) d'un texte entre apostrophes comme un caract\xC3\xA8re "
    "d'\xC3\xA9" "chappement (standard_conforming_strings est d\xC3\xA9sactiv\xC3\xA9) : une requ\xC3\xAAte qui en "
    "contient une n'est pas envoy\xC3\xA9" "e.";

// The message of a query that gives more than TQuery::kMaxRecords records,
// naming the table it reads.
std::string TooManyRecordsText(const std::string& sql);
// The message of a query whose records would take more than
// TQuery::kMaxBytes, naming the table it reads.
std::string TooMuchDataText(const std::string& sql);
// The bytes one record of `fields` values takes in memory, its texts of
// `textBytes` bytes in all, as the byte limit counts them.
std::size_t RecordBytes(std::size_t fields, std::size_t textBytes);

// The TO_CHAR of the embedded database on one value, for tests: `value` an
// ISO date "yyyy-mm-dd" (optionally followed by a time), `format` made of dd,
// mm, yyyy, yy, hh24, mi, ss and other characters copied as they are. False
// when the value is not such a date.
bool SqliteToChar(const std::string& value, const std::string& format, std::string& result);
// TO_CHAR of a number on SQLite, written as the server writes a double
// precision (or a bigint) with the format's 9, 0, point, comma, D, G and FM;
// false with the French reason for any other format.
bool SqliteNumberToChar(double value, const std::string& format, std::string& result, std::string& problem);
bool SqliteNumberToChar(std::int64_t value, const std::string& format, std::string& result, std::string& problem);
// The TO_DATE of the embedded database, for tests: `value` read by `format`
// (dd, mm, yyyy, yy, hh24, mi, ss; other characters must be there as they
// are) into an ISO date "yyyy-mm-dd". False when it does not fit.
bool SqliteToDate(const std::string& value, const std::string& format, std::string& result);

// UPPER and LOWER of the embedded database: `text` with its case changed as
// the server changes it in a UTF-8 database of character type C.UTF-8 (a
// text that is not UTF-8 is read as Windows-1252 first). Registered on a
// connection by RegisterSqliteCase, false when the engine refused.
std::string ServerCaseText(std::string_view text, bool upper);
bool RegisterSqliteCase(sqlite3* h);
