#include "platform/store/PersistentStoreCoordinator.h"

#include "platform/store/ValueCoding.h"

#include <QFileInfo>

#include <sqlite3.h>

PersistentStoreCoordinator::PersistentStoreCoordinator(
    std::shared_ptr<const ManagedObjectModel> model)
    : model_(std::move(model))
{
}

PersistentStoreCoordinator::~PersistentStoreCoordinator()
{
    // The checkpoint thread stops before the writer's hook goes away.
    checkpointer_.reset();
}

bool PersistentStoreCoordinator::addSQLiteStore(const QString &path, Error *error)
{
    // A file that will be refused is inspected without writing to it:
    // opening it for writing would switch its journal to WAL first.
    if (QFileInfo(path).size() > 0) {
        SqliteConnection inspection;
        int version = 0;
        QString identifier;
        if (!inspection.openForInspection(path, error)
            || !inspect(inspection, &version, &identifier, error))
            return false;
    }
    auto connection = std::make_unique<SqliteConnection>();
    if (!connection->open(path, true, error))
        return false;
    writer_ = std::move(connection);
    path_ = path;
    if (!prepareSchema(error)) {
        writer_.reset();
        path_.clear();
        return false;
    }
    checkpointer_ = std::make_unique<WalCheckpointer>(path);
    checkpointer_->attach(writer_->handle());
    return true;
}

std::unique_ptr<SqliteConnection> PersistentStoreCoordinator::openReadConnection(Error *error) const
{
    auto connection = std::make_unique<SqliteConnection>();
    if (path_.isEmpty() || !connection->open(path_, false, error))
        return {};
    return connection;
}

bool PersistentStoreCoordinator::saveRowIdMark(Error *error)
{
    sqlite3_stmt *statement = writer_->prepare(
        "INSERT OR REPLACE INTO rk_metadata (key, value) VALUES ('nextRowId', ?)", error);
    if (!statement)
        return false;
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, nextRowId_.load());
    if (sqlite3_step(statement) != SQLITE_DONE) {
        if (error)
            *error = writer_->lastError();
        return false;
    }
    return true;
}

QUrl PersistentStoreCoordinator::uriForObjectID(const ObjectID &id) const
{
    if (!id.isValid())
        return {};
    QUrl uri;
    uri.setScheme(QStringLiteral("x-rkstore"));
    uri.setHost(storeIdentifier_.toLower());
    uri.setPath(QStringLiteral("/%1/p%2").arg(id.entity->name()).arg(id.rowId));
    return uri;
}

ObjectID PersistentStoreCoordinator::objectIDForURI(const QUrl &uri) const
{
    if (uri.scheme() != u"x-rkstore" || uri.host() != storeIdentifier_.toLower())
        return {};
    const QStringList parts = uri.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() != 2 || !parts[1].startsWith(QLatin1Char('p')))
        return {};
    bool ok = false;
    const qint64 rowId = parts[1].mid(1).toLongLong(&ok);
    const EntityDescription *entity = model_->entity(parts[0]);
    if (!ok || rowId <= 0 || !entity)
        return {};
    return {entity, rowId};
}

int PersistentStoreCoordinator::storedVersion(const QString &path)
{
    SqliteConnection connection;
    if (!QFileInfo::exists(path) || !connection.openForInspection(path, nullptr))
        return 0;
    sqlite3_stmt *statement =
        connection.prepare("SELECT value FROM rk_metadata WHERE key = 'version'");
    if (!statement)
        return 0;
    StatementScope scope(statement);
    return sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : 0;
}
