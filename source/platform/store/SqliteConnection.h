#pragma once

#include "platform/Error.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One SQLite connection with a cache of prepared statements. A connection is
// used by one thread at a time: the main context's writes, or one child
// context's reads.
class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    // Opens (creating when `create`) the file, registers the text functions
    // and sets WAL. Fails on a file that is not a database.
    bool open(const QString &path, bool create, Error *error);
    // Opens an existing file for reading without changing it or creating
    // anything beside it; no WAL switch. Fails on a file that is not a
    // database (at the first statement).
    bool openForInspection(const QString &path, Error *error);
    bool isOpen() const { return db_ != nullptr; }

    bool exec(const QByteArray &sql, Error *error = nullptr);
    // A cached statement, reset and without bindings; null on a syntax error.
    // Hold it in a StatementScope before preparing another: statements held
    // so are never handed out twice nor finalized while held.
    sqlite3_stmt *prepare(const QByteArray &sql, Error *error = nullptr);

    Error lastError(const QString &context = {}) const;
    sqlite3 *handle() const { return db_; }
    int changes() const;

    static const QString ErrorDomain;

private:
    struct Cached {
        sqlite3_stmt *statement;
        quint64 lastUse;
    };
    void evictIdle();
    // Opens `name` (a file name or a URI) with the settings every
    // connection shares; `path` names the file in errors.
    bool openWithFlags(const QByteArray &name, const QString &path, int flags, Error *error);

    sqlite3 *db_ = nullptr;
    // Usually one statement per text; more when the same query runs nested
    // inside itself.
    QHash<QByteArray, std::vector<Cached>> statements_;
    qsizetype cachedCount_ = 0;
    quint64 uses_ = 0;
};

// Marks a cached statement as in use on this thread (a connection is used
// by one thread at a time), and resets it when leaving scope, so that no
// read transaction stays open between uses (a child's next fetch must see
// new commits).
class StatementScope {
public:
    explicit StatementScope(sqlite3_stmt *statement);
    ~StatementScope();
    StatementScope(const StatementScope &) = delete;
    StatementScope &operator=(const StatementScope &) = delete;

    static bool isInUse(sqlite3_stmt *statement);

private:
    sqlite3_stmt *statement_;
};

// A write transaction that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(SqliteConnection &connection) : connection_(connection) { }
    ~Transaction();
    bool begin(Error *error);
    bool commit(Error *error);

private:
    SqliteConnection &connection_;
    bool open_ = false;
};
