#pragma once

#include "Error.h"

#include <QByteArray>
#include <QHash>
#include <QString>

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
    bool isOpen() const { return db_ != nullptr; }

    bool exec(const QByteArray &sql, Error *error = nullptr);
    // A cached statement, reset and without bindings; null on a syntax error.
    sqlite3_stmt *prepare(const QByteArray &sql, Error *error = nullptr);

    Error lastError(const QString &context = {}) const;
    sqlite3 *handle() const { return db_; }
    int changes() const;

    static const QString ErrorDomain;

private:
    sqlite3 *db_ = nullptr;
    QHash<QByteArray, sqlite3_stmt *> statements_;
};

// Resets a cached statement when leaving scope, so that no read transaction
// stays open between uses (a child's next fetch must see new commits).
class StatementScope {
public:
    explicit StatementScope(sqlite3_stmt *statement) : statement_(statement) { }
    ~StatementScope();
    StatementScope(const StatementScope &) = delete;
    StatementScope &operator=(const StatementScope &) = delete;

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
