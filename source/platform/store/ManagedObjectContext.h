#pragma once

#include "platform/Error.h"
#include "platform/store/ChangeNotification.h"
#include "platform/store/ChangeSet.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObject.h"

#include <QHash>
#include <QPointer>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class ContextWorker;
class MergeInbox;
class PersistentStoreCoordinator;
class QObject;
class SqliteConnection;
struct sqlite3_stmt;

// A scratch space of records over the store. There is one main context,
// used only on the main thread, which writes to the store; private contexts
// are its children, each with its own worker thread and read connection,
// reached through perform(). Saving a child pushes the properties it changed
// into the main context, which applies them and writes one transaction before
// the child's save returns.
//
// A context holds at most one live record per id. Records nothing holds and
// that have no pending changes are released. Changes are announced once per
// turn of the context's event loop (the main loop, or each block of a
// child), to the observers of each record concerned and to whole-context
// observers.
class ManagedObjectContext {
public:
    enum class ConcurrencyType { MainQueue, PrivateQueue };

    // The main context over a coordinator (which may have no store: then
    // every fetch yields nothing and every save does nothing).
    explicit ManagedObjectContext(std::shared_ptr<PersistentStoreCoordinator> coordinator);
    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext &) = delete;
    ManagedObjectContext &operator=(const ManagedObjectContext &) = delete;

    // A private child of this main context with its own thread.
    std::unique_ptr<ManagedObjectContext> newPrivateContext();

    ConcurrencyType concurrencyType() const { return type_; }
    PersistentStoreCoordinator *persistentStoreCoordinator() const { return coordinator_.get(); }
    bool hasStore() const { return connection_ != nullptr; }

    // Runs `block` on the context's thread: the worker of a child, the main
    // loop (on a later turn) for the main context.
    void perform(std::function<void()> block);
    // Runs `block` and returns when it has run. On the main thread, waiting
    // for a child keeps serving that child's merges.
    void performAndWait(const std::function<void()> &block);

    // --- Records -------------------------------------------------------------

    // A new record; `values` are set before its creation hook runs.
    ManagedObjectPtr insertNewObject(const QString &entityName, const QVariantMap &values = {});
    template<typename T>
    std::shared_ptr<T> insertNewObject(const QString &entityName, const QVariantMap &values = {})
    {
        return std::dynamic_pointer_cast<T>(insertNewObject(entityName, values));
    }
    // Deleting a record applies its relationships' delete rules: members of
    // a cascading to-many go with it, others lose their reference.
    void deleteObject(const ManagedObjectPtr &object);
    void deleteObjects(const QList<ManagedObjectPtr> &objects);

    // The live record for an id, loaded when needed; null when there is
    // none (never stored, deleted, or a store error).
    ManagedObjectPtr existingObject(const ObjectID &id, Error *error = nullptr);
    // The live records for many ids, those not loaded yet read with one
    // query per table; ids with no record are left out.
    QList<ManagedObjectPtr> existingObjects(const QList<ObjectID> &ids, Error *error = nullptr);
    ManagedObjectPtr objectWithURI(const QUrl &uri);
    QList<ManagedObjectPtr> objectsWithURIs(const QList<QUrl> &uris);
    QUrl uriForObjectID(const ObjectID &id) const;

    // --- Fetching --------------------------------------------------------------

    // Records and counts include this context's pending inserts, updates and
    // deletes. A predicate on keys that exist only in memory is evaluated
    // there. On an error, the result is empty (-1 for a count).
    QList<ManagedObjectPtr> executeFetchRequest(
        const FetchRequest &request, Error *error = nullptr);
    template<typename T>
    QList<std::shared_ptr<T>> fetch(const FetchRequest &request, Error *error = nullptr)
    {
        return recordsCast<T>(executeFetchRequest(request, error));
    }
    qint64 countForFetchRequest(const FetchRequest &request, Error *error = nullptr);
    // Property dictionaries, distinct values and grouped counts, computed by
    // SQL over committed data.
    QList<QVariantMap> executeDictionaryFetch(const FetchRequest &request, Error *error = nullptr);

    // --- Saving ----------------------------------------------------------------

    bool hasChanges() const;
    bool save(Error *error = nullptr);
    // Drops every pending change: new records leave the context, changed and
    // deleted ones take their stored values again.
    void rollback();
    // Commits edits in progress in bound editors; see setCommitEditingHandler.
    bool commitEditing();
    void setCommitEditingHandler(std::function<bool()> handler);
    // Undo bracketing for bulk insertions: contexts here keep no undo
    // history, so both only process pending changes.
    void disableUndo() { processPendingChanges(); }
    void enableUndo() { processPendingChanges(); }

    // --- Announcements ---------------------------------------------------------

    void processPendingChanges();

    using ObserverId = quint64;
    // Observes one record; ends with removeObserver or when `owner` is
    // destroyed (`owner` may be null).
    ObserverId observeObject(
        const ObjectID &id, QObject *owner, std::function<void(const ObjectChange &)> handler);
    ObserverId observeChanges(
        QObject *owner, std::function<void(const ChangeNotification &)> handler);
    void removeObserver(ObserverId id);

    // Main context: waits until every child has run all its queued blocks,
    // serving their merges meanwhile. For shutdown, before the last save.
    void drainChildren();

    // For the store's record classes.
    void recordDidChange(
        ManagedObject &object, const PropertyDescription &property, const QVariant &former);

private:
    ManagedObjectContext(ManagedObjectContext *parent);

    // records
    ManagedObjectPtr adopt(ManagedObject *object);
    ManagedObjectPtr registered(qint64 rowId) const;
    ManagedObjectPtr objectFromRow(sqlite3_stmt *statement);
    void forget(const ManagedObject *object);
    friend struct ManagedObjectReleaser;

    // deleting (ContextDelete.cpp)
    void deleteRecord(
        const EntityDescription *entity, qint64 rowId, ManagedObjectPtr live, bool cascading);
    QList<ObjectID> membersOf(const PropertyDescription &toMany, qint64 ownerRowId);

    // fetching (ContextFetch.cpp)
    bool buildWhere(const EntityDescription &entity, const Predicate &predicate, QByteArray &sql,
        QVariantList &bindings, bool excludePending, Error *error);
    void syncExcluded();
    QList<ManagedObjectPtr> pendingMatches(
        const EntityDescription &entity, const Predicate &predicate) const;
    void sortInMemory(QList<ManagedObjectPtr> &objects, const QList<SortDescriptor> &order) const;
    Error fetchError(const QString &text) const;
    // The request's entity, or null with the error set when there is no
    // such entity (or, when asked, the predicate did not parse).
    const EntityDescription *requestedEntity(
        const FetchRequest &request, bool checkPredicate, Error *error) const;

    // saving and merging (ContextSave.cpp, ContextMerge.cpp)
    bool writeChanges(Error *error);
    bool insertRow(const EntityDescription &entity, qint64 rowId,
        const std::vector<QVariant> &values, Error *error);
    bool updateRow(const EntityDescription &entity, qint64 rowId,
        const std::vector<std::pair<int, QVariant>> &values, bool *found, Error *error);
    ChangeSet collectChanges() const;
    void didPush();
    void discardChanges();
    // Empties the lists of pending changes, whatever became of them.
    void forgetPending();
    Error pushToParent(ChangeSet changes);
    Error applyPushAndSave(ChangeSet &changes);
    void materializePushed();
    std::vector<ManagedObjectPtr> insertedInRowOrder() const;
    bool rowExists(const EntityDescription &entity, qint64 rowId);
    void runInbox();
    void scheduleInboxTurn();
    void enqueueForMain(std::function<void()> job);
    // True when there is no connection; a child whose connection could not
    // be opened then sets `error`.
    bool lacksConnection(Error *error) const;
    bool childrenIdle() const;

    // announcing (ContextChanges.cpp)
    void noteInserted(const ObjectID &id);
    void noteUpdated(const ObjectID &id, const QString &key);
    void noteDeleted(const ObjectID &id);
    void noteInverse(const PropertyDescription &toOne, const QVariant &destinationRowId);
    void scheduleAnnouncement();
    void pruneObservers();

    ConcurrencyType type_;
    std::shared_ptr<PersistentStoreCoordinator> coordinator_;
    ManagedObjectContext *parent_ = nullptr;
    SqliteConnection *connection_ = nullptr;
    std::unique_ptr<SqliteConnection> ownConnection_;
    Error connectionError_;

    QHash<qint64, std::weak_ptr<ManagedObject>> registry_;
    QHash<qint64, ManagedObjectPtr> inserted_;
    QHash<qint64, ManagedObjectPtr> updated_;
    QHash<qint64, ManagedObjectPtr> deletedLive_;
    QHash<qint64, const EntityDescription *> deleted_;
    std::vector<RowChange> pushedInserts_;
    std::vector<RowChange> pushedUpdates_;
    bool excludedDirty_ = true;
    bool excludedEmpty_ = true;

    ChangeNotification unannounced_;
    bool announcementScheduled_ = false;

    struct ObjectObserver {
        ObserverId id;
        QPointer<QObject> owner;
        bool owned;
        std::function<void(const ObjectChange &)> handler;
    };
    struct ChangesObserver {
        ObserverId id;
        QPointer<QObject> owner;
        bool owned;
        std::function<void(const ChangeNotification &)> handler;
    };
    QHash<qint64, std::vector<ObjectObserver>> objectObservers_;
    QHash<ObserverId, qint64> observedRow_;
    std::vector<ChangesObserver> changesObservers_;
    ObserverId nextObserverId_ = 1;

    std::function<bool()> commitEditingHandler_;
    QHash<const EntityDescription *, QByteArray> insertSql_;

    // main context: the children's merges wait here; child: its thread
    std::shared_ptr<MergeInbox> inbox_;
    mutable std::mutex childrenMutex_;
    std::vector<ManagedObjectContext *> children_;
    std::unique_ptr<ContextWorker> worker_;
};
