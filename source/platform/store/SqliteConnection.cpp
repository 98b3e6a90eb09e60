#include "platform/store/SqliteConnection.h"

#include "platform/store/StoreFunctions.h"

#include <QFile>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>

namespace {
// Beyond this many cached statements, the least recently used idle half
// goes: statements built from changing predicates are many, and memory must
// not grow with the number of distinct queries.
constexpr qsizetype CacheLimit = 256;

thread_local std::vector<sqlite3_stmt *> statementsInUse;
} // namespace

const QString SqliteConnection::ErrorDomain = QStringLiteral("SQLiteErrorDomain");

SqliteConnection::~SqliteConnection()
{
    for (const std::vector<Cached> &copies : std::as_const(statements_))
        for (const Cached &cached : copies)
            sqlite3_finalize(cached.statement);
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
    if (!openWithFlags(QFile::encodeName(path), path, flags, error))
        return false;
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

bool SqliteConnection::openForInspection(const QString &path, Error *error)
{
    // A read-only connection to a WAL file creates -wal and -shm files when
    // they are missing; with no -wal file there is nothing beyond the main
    // file to read, so it is opened as immutable, which touches nothing.
    QUrl uri = QUrl::fromLocalFile(path);
    if (!QFile::exists(path + QStringLiteral("-wal")))
        uri.setQuery(QStringLiteral("immutable=1"));
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX;
    return openWithFlags(uri.toEncoded(), path, flags, error);
}

bool SqliteConnection::openWithFlags(
    const QByteArray &name, const QString &path, int flags, Error *error)
{
    if (sqlite3_open_v2(name.constData(), &db_, flags, nullptr) != SQLITE_OK) {
        if (error)
            *error = lastError(path);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 5000);
    registerStoreFunctions(db_);
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
    ++uses_;
    const auto found = statements_.find(sql);
    if (found != statements_.end())
        for (Cached &cached : *found)
            if (!StatementScope::isInUse(cached.statement)) {
                cached.lastUse = uses_;
                return cached.statement;
            }
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v3(
            db_, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
        != SQLITE_OK) {
        if (error)
            *error = lastError(QString::fromUtf8(sql));
        return nullptr;
    }
    if (cachedCount_ >= CacheLimit)
        evictIdle();
    statements_[sql].push_back({statement, uses_});
    ++cachedCount_;
    return statement;
}

void SqliteConnection::evictIdle()
{
    // Statements in use by a caller up the stack stay, whatever their age.
    std::vector<quint64> ages;
    for (const std::vector<Cached> &copies : std::as_const(statements_))
        for (const Cached &cached : copies)
            if (!StatementScope::isInUse(cached.statement))
                ages.push_back(cached.lastUse);
    if (ages.empty())
        return;
    const auto middle = ages.begin() + qsizetype(ages.size()) / 2;
    std::nth_element(ages.begin(), middle, ages.end());
    const quint64 newestEvicted = *middle;
    for (auto it = statements_.begin(); it != statements_.end();) {
        std::erase_if(*it, [&](const Cached &cached) {
            if (cached.lastUse > newestEvicted || StatementScope::isInUse(cached.statement))
                return false;
            sqlite3_finalize(cached.statement);
            --cachedCount_;
            return true;
        });
        it = it->empty() ? statements_.erase(it) : std::next(it);
    }
}

int SqliteConnection::changes() const
{
    return sqlite3_changes(db_);
}

StatementScope::StatementScope(sqlite3_stmt *statement) : statement_(statement)
{
    if (statement_)
        statementsInUse.push_back(statement_);
}

StatementScope::~StatementScope()
{
    if (!statement_)
        return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    const auto held = std::find(statementsInUse.rbegin(), statementsInUse.rend(), statement_);
    if (held != statementsInUse.rend())
        statementsInUse.erase(std::next(held).base());
}

bool StatementScope::isInUse(sqlite3_stmt *statement)
{
    return std::find(statementsInUse.begin(), statementsInUse.end(), statement)
        != statementsInUse.end();
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
