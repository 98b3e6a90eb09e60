#include "SqliteConnection.h"

#include "StoreFunctions.h"

#include <QFile>

#include <sqlite3.h>

const QString SqliteConnection::ErrorDomain = QStringLiteral("SQLiteErrorDomain");

SqliteConnection::~SqliteConnection()
{
    for (sqlite3_stmt *statement : std::as_const(statements_))
        sqlite3_finalize(statement);
    if (db_)
        sqlite3_close_v2(db_);
}

Error SqliteConnection::lastError(const QString &context) const
{
    const int code = db_ ? sqlite3_extended_errcode(db_) : SQLITE_CANTOPEN;
    QString text = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("no connection");
    if (!context.isEmpty())
        text = context + QStringLiteral(": ") + text;
    return Error(ErrorDomain, code, {{Error::LocalizedDescriptionKey, text}});
}

bool SqliteConnection::open(const QString &path, bool create, Error *error)
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr) != SQLITE_OK) {
        if (error)
            *error = lastError(path);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 5000);
    registerStoreFunctions(db_);
    // The first statement reads the header: a file that is no database
    // fails here, before anything is written to it.
    if (!exec("PRAGMA journal_mode=WAL", error) || !exec("PRAGMA synchronous=NORMAL", error)
        || !exec("PRAGMA temp_store=MEMORY", error)) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    return true;
}

bool SqliteConnection::exec(const QByteArray &sql, Error *error)
{
    char *message = nullptr;
    if (sqlite3_exec(db_, sql.constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    sqlite3_free(message);
    if (error)
        *error = lastError();
    return false;
}

sqlite3_stmt *SqliteConnection::prepare(const QByteArray &sql, Error *error)
{
    if (sqlite3_stmt *cached = statements_.value(sql))
        return cached;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v3(
            db_, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
        != SQLITE_OK) {
        if (error)
            *error = lastError(QString::fromUtf8(sql));
        return nullptr;
    }
    // Statements built from changing predicates are many; keep the cache
    // bounded so memory does not grow with the number of distinct queries.
    if (statements_.size() > 256) {
        for (sqlite3_stmt *old : std::as_const(statements_))
            sqlite3_finalize(old);
        statements_.clear();
    }
    statements_.insert(sql, statement);
    return statement;
}

int SqliteConnection::changes() const
{
    return sqlite3_changes(db_);
}

StatementScope::~StatementScope()
{
    if (statement_) {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
}

Transaction::~Transaction()
{
    if (open_)
        connection_.exec("ROLLBACK");
}

bool Transaction::begin(Error *error)
{
    open_ = connection_.exec("BEGIN IMMEDIATE", error);
    return open_;
}

bool Transaction::commit(Error *error)
{
    if (!connection_.exec("COMMIT", error))
        return false;
    open_ = false;
    return true;
}
