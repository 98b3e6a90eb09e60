// Creating and upgrading the tables of a store; part of
// PersistentStoreCoordinator.
#include "platform/store/PersistentStoreCoordinator.h"

#include "platform/StringFormat.h"

#include <QSet>
#include <QUuid>

#include <sqlite3.h>

namespace {
Error schemaError(const QString &text)
{
    return Error(
        SqliteConnection::ErrorDomain, SQLITE_CORRUPT, {{Error::LocalizedDescriptionKey, text}});
}

bool scalarQuery(SqliteConnection &db, const QByteArray &sql, QVariant *result, Error *error)
{
    sqlite3_stmt *statement = db.prepare(sql, error);
    if (!statement)
        return false;
    StatementScope scope(statement);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        *result = sqlite3_column_type(statement, 0) == SQLITE_NULL
            ? QVariant()
            : QVariant(QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
        return true;
    }
    if (rc == SQLITE_DONE) {
        *result = QVariant();
        return true;
    }
    if (error)
        *error = db.lastError();
    return false;
}
} // namespace

bool PersistentStoreCoordinator::inspect(
    SqliteConnection &db, int *version, QString *identifier, Error *error) const
{
    QVariant hasMetadata, otherTables;
    if (!scalarQuery(db,
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = "
            "'rk_metadata'",
            &hasMetadata, error)
        || !scalarQuery(db, "SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_%'",
            &otherTables, error))
        return false;

    *version = 0;
    if (hasMetadata.toInt()) {
        QVariant stored, storedIdentifier;
        if (!scalarQuery(db, "SELECT value FROM rk_metadata WHERE key = 'version'", &stored, error)
            || !scalarQuery(db, "SELECT value FROM rk_metadata WHERE key = 'storeIdentifier'",
                &storedIdentifier, error))
            return false;
        *version = stored.toInt();
        *identifier = storedIdentifier.toString();
        if (*version <= 0 || identifier->isEmpty()) {
            if (error)
                *error = schemaError(QStringLiteral("The store's version record is damaged."));
            return false;
        }
    } else if (otherTables.toInt()) {
        if (error)
            *error = schemaError(QStringLiteral("The file is a database of another program."));
        return false;
    }
    if (*version > model_->version()) {
        if (error)
            *error = schemaError(
                formatString(QStringLiteral("The store was written by a newer version (schema "
                                            "%ld); this version reads schema %ld and older."),
                    *version, model_->version()));
        return false;
    }
    return true;
}

bool PersistentStoreCoordinator::prepareSchema(Error *error)
{
    SqliteConnection &db = *writer_;
    int version = 0;
    if (!inspect(db, &version, &storeIdentifier_, error))
        return false;

    if (version < model_->version()) {
        // A new store and an upgrade take the same road, all or nothing.
        Transaction transaction(db);
        if (!transaction.begin(error))
            return false;
        if (version == 0) {
            storeIdentifier_ = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            if (!db.exec("CREATE TABLE rk_metadata (key TEXT PRIMARY KEY, value)", error)
                || !db.exec("INSERT INTO rk_metadata VALUES ('storeIdentifier', '"
                        + storeIdentifier_.toUtf8() + "')",
                    error))
                return false;
        }
        for (int step = version; version > 0 && step < model_->version(); ++step)
            for (const QString &statement : model_->upgradeStatements(step))
                if (!db.exec(statement.toUtf8(), error))
                    return false;
        for (const EntityDescription *root : model_->rootEntities()) {
            const auto columns = model_->columnsOfTable(root);
            QByteArrayList definitions;
            for (const auto &column : columns)
                definitions << column.first + ' ' + column.second;
            if (!db.exec("CREATE TABLE IF NOT EXISTS " + root->table() + " ("
                        + definitions.join(", ") + ")",
                    error))
                return false;
            // Columns the model gained since the store was written.
            QSet<QByteArray> present;
            sqlite3_stmt *info = db.prepare("PRAGMA table_info(" + root->table() + ")", error);
            if (!info)
                return false;
            {
                StatementScope scope(info);
                while (sqlite3_step(info) == SQLITE_ROW)
                    present.insert('"'
                        + QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(info, 1)))
                        + '"');
            }
            for (const auto &column : columns)
                if (column.first != "id" && column.first != "entity"
                    && !present.contains(column.first))
                    if (!db.exec("ALTER TABLE " + root->table() + " ADD COLUMN " + column.first
                                + ' ' + column.second,
                            error))
                        return false;
        }
        for (const QString &statement : model_->indexStatements())
            if (!db.exec(statement.toUtf8(), error))
                return false;
        if (!db.exec("INSERT OR REPLACE INTO rk_metadata VALUES ('version', "
                    + QByteArray::number(model_->version()) + ")",
                error)
            || !transaction.commit(error))
            return false;
    }

    qint64 next = 1;
    QVariant mark;
    if (!scalarQuery(db, "SELECT value FROM rk_metadata WHERE key = 'nextRowId'", &mark, error))
        return false;
    next = std::max(next, mark.toLongLong());
    for (const EntityDescription *root : model_->rootEntities()) {
        QVariant highest;
        if (!scalarQuery(db, "SELECT max(id) FROM " + root->table(), &highest, error))
            return false;
        next = std::max(next, highest.toLongLong() + 1);
    }
    nextRowId_.store(next);
    return true;
}
