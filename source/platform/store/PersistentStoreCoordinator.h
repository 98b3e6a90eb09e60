#pragma once

#include "platform/Error.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/SqliteConnection.h"
#include "platform/store/WalCheckpointer.h"

#include <QUrl>

#include <atomic>
#include <memory>

// Opens the store file for a record model: creates the schema on a new file,
// upgrades an older one in place inside one transaction, refuses a newer one
// and a file that is no store. Hands out permanent row ids and record URIs.
//
// The write connection belongs to the main context (main thread); each child
// context opens its own read connection.
class PersistentStoreCoordinator {
public:
    explicit PersistentStoreCoordinator(std::shared_ptr<const ManagedObjectModel> model);
    ~PersistentStoreCoordinator();

    bool addSQLiteStore(const QString &path, Error *error);
    bool hasStore() const { return writer_ != nullptr; }

    const ManagedObjectModel &model() const { return *model_; }
    // For readers on other threads, which must keep the model alive.
    std::shared_ptr<const ManagedObjectModel> sharedModel() const { return model_; }
    const QString &path() const { return path_; }
    const QString &storeIdentifier() const { return storeIdentifier_; }

    SqliteConnection *writeConnection() const { return writer_.get(); }
    const WalCheckpointer *checkpointer() const { return checkpointer_.get(); }
    std::unique_ptr<SqliteConnection> openReadConnection(Error *error) const;

    // Unique across every table, and never reused: the high mark is saved
    // with each write transaction.
    qint64 allocateRowId() { return nextRowId_.fetch_add(1); }
    qint64 nextRowId() const { return nextRowId_.load(); }
    bool saveRowIdMark(Error *error);

    QUrl uriForObjectID(const ObjectID &id) const;
    ObjectID objectIDForURI(const QUrl &uri) const;

    // The schema version written in a store file, or 0 when it has none.
    static int storedVersion(const QString &path);

private:
    // Reads the schema version and store identifier (0 and none for an empty
    // file); fails on a file of another program, a damaged version record
    // and a newer store.
    bool inspect(SqliteConnection &db, int *version, QString *identifier, Error *error) const;
    bool prepareSchema(Error *error);

    std::shared_ptr<const ManagedObjectModel> model_;
    std::unique_ptr<SqliteConnection> writer_;
    std::unique_ptr<WalCheckpointer> checkpointer_;
    QString path_;
    QString storeIdentifier_;
    std::atomic<qint64> nextRowId_ {1};
};
