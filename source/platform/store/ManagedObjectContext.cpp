#include "platform/store/ManagedObjectContext.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/store/ContextWorker.h"
#include "platform/store/MergeInbox.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"
#include "platform/store/ValueCoding.h"

#include <QObject>

#include <sqlite3.h>

#include <chrono>
#include <future>

// Releases a record when the last holder lets go: the unload hook runs, and
// the context forgets the id.
struct ManagedObjectReleaser {
    void operator()(ManagedObject *object) const
    {
        object->willTurnIntoFault();
        if (object->context_)
            object->context_->forget(object);
        delete object;
    }
};

ManagedObjectContext::ManagedObjectContext(std::shared_ptr<PersistentStoreCoordinator> coordinator)
    : type_(ConcurrencyType::MainQueue), coordinator_(std::move(coordinator))
{
    connection_ = coordinator_ ? coordinator_->writeConnection() : nullptr;
    inbox_ = std::make_shared<MergeInbox>(this);
}

ManagedObjectContext::ManagedObjectContext(ManagedObjectContext *parent)
    : type_(ConcurrencyType::PrivateQueue), coordinator_(parent->coordinator_), parent_(parent)
{
    if (parent->hasStore()) {
        Error error;
        ownConnection_ = coordinator_->openReadConnection(&error);
        if (!ownConnection_) {
            logLine(
                QStringLiteral("Could not open a read connection: ") + error.debugDescription());
            connectionError_ = error ? error
                                     : Error(SqliteConnection::ErrorDomain, SQLITE_CANTOPEN,
                                         {{Error::LocalizedDescriptionKey,
                                             QStringLiteral("no connection to the store")}});
        }
        connection_ = ownConnection_.get();
    }
    // A main thread that waits for this context (performAndWait, draining)
    // waits on the inbox: it is woken as soon as the last block is done.
    std::weak_ptr<MergeInbox> inbox = parent->inbox_;
    worker_ = std::make_unique<ContextWorker>([this] { processPendingChanges(); },
        [inbox] {
            if (const auto alive = inbox.lock())
                alive->wake();
        });
}

ManagedObjectContext::~ManagedObjectContext()
{
    if (type_ == ConcurrencyType::PrivateQueue) {
        // Blocks still queued run first; their merges need the main context,
        // so a main thread waiting here keeps serving them.
        if (isMainThread())
            while (!worker_->isIdle()) {
                parent_->runInbox();
                parent_->inbox_->waitForJob(std::chrono::milliseconds(2));
            }
        worker_.reset();
        std::lock_guard lock(parent_->childrenMutex_);
        std::erase(parent_->children_, this);
    } else {
        runInbox();
    }
    for (auto it = registry_.begin(); it != registry_.end(); ++it)
        if (ManagedObjectPtr object = it->lock())
            object->context_ = nullptr;
}

std::unique_ptr<ManagedObjectContext> ManagedObjectContext::newPrivateContext()
{
    Q_ASSERT(type_ == ConcurrencyType::MainQueue);
    std::unique_ptr<ManagedObjectContext> child(new ManagedObjectContext(this));
    std::lock_guard lock(childrenMutex_);
    children_.push_back(child.get());
    return child;
}

void ManagedObjectContext::perform(std::function<void()> block)
{
    if (worker_)
        worker_->post(std::move(block));
    else
        dispatchMain(std::move(block));
}

void ManagedObjectContext::performAndWait(const std::function<void()> &block)
{
    if (!worker_ || worker_->isCurrentThread()) {
        block();
        return;
    }
    if (isMainThread()) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        worker_->post([block, done] {
            block();
            done->store(true);
        });
        MergeInbox &inbox = *parent_->inbox_;
        while (!done->load() || !worker_->isIdle()) {
            parent_->runInbox();
            inbox.waitForJob(std::chrono::milliseconds(2));
        }
        parent_->runInbox();
        return;
    }
    std::promise<void> finished;
    worker_->post([&] {
        block();
        finished.set_value();
    });
    finished.get_future().wait();
}

bool ManagedObjectContext::childrenIdle() const
{
    std::lock_guard lock(childrenMutex_);
    for (ManagedObjectContext *child : children_)
        if (!child->worker_->isIdle())
            return false;
    return true;
}

void ManagedObjectContext::drainChildren()
{
    Q_ASSERT(type_ == ConcurrencyType::MainQueue);
    for (;;) {
        runInbox();
        if (childrenIdle() && inbox_->isEmpty())
            return;
        inbox_->waitForJob(std::chrono::milliseconds(2));
    }
}

// --- Records -----------------------------------------------------------------

ManagedObjectPtr ManagedObjectContext::adopt(ManagedObject *object)
{
    ManagedObjectPtr shared(object, ManagedObjectReleaser());
    object->context_ = this;
    registry_.insert(object->rowId_, shared);
    return shared;
}

ManagedObjectPtr ManagedObjectContext::registered(qint64 rowId) const
{
    const auto found = registry_.constFind(rowId);
    return found == registry_.constEnd() ? ManagedObjectPtr() : found->lock();
}

void ManagedObjectContext::forget(const ManagedObject *object)
{
    const auto found = registry_.find(object->rowId_);
    if (found != registry_.end() && found->expired())
        registry_.erase(found);
}

ManagedObjectPtr ManagedObjectContext::insertNewObject(
    const QString &entityName, const QVariantMap &values)
{
    const EntityDescription *entity =
        coordinator_ ? coordinator_->model().entity(entityName) : nullptr;
    if (!entity) {
        logLine(QStringLiteral("No entity named %1 in the record model").arg(entityName));
        return {};
    }
    ManagedObject *object = entity->create();
    object->entity_ = entity;
    object->rowId_ = coordinator_->allocateRowId();
    object->values_.resize(size_t(entity->slotCount()));
    object->changed_.assign(size_t(entity->slotCount()), false);
    object->inserted_ = true;
    ManagedObjectPtr shared = adopt(object);
    inserted_.insert(object->rowId_, shared);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        object->setPrimitiveValue(it.key(), it.value());
    object->awakeFromInsert();
    noteInserted(object->objectID());
    return shared;
}

ManagedObjectPtr ManagedObjectContext::objectFromRow(sqlite3_stmt *statement)
{
    const qint64 rowId = sqlite3_column_int64(statement, 0);
    const EntityDescription *entity =
        coordinator_->model().entityForCode(sqlite3_column_int(statement, 1));
    if (!entity)
        return {};
    if (ManagedObjectPtr live = registered(rowId)) {
        // A child sees what others committed: records without changes of
        // their own take the stored values.
        if (type_ == ConcurrencyType::PrivateQueue && !live->hasChanges())
            for (const PropertyDescription *property : entity->slots())
                live->values_[size_t(property->slot)] =
                    ValueCoding::read(statement, property->tableColumn, *property);
        return live;
    }
    ManagedObject *object = entity->create();
    object->entity_ = entity;
    object->rowId_ = rowId;
    object->values_.resize(size_t(entity->slotCount()));
    object->changed_.assign(size_t(entity->slotCount()), false);
    for (const PropertyDescription *property : entity->slots())
        object->values_[size_t(property->slot)] =
            ValueCoding::read(statement, property->tableColumn, *property);
    ManagedObjectPtr shared = adopt(object);
    object->awakeFromFetch();
    return shared;
}

ManagedObjectPtr ManagedObjectContext::existingObject(const ObjectID &id, Error *error)
{
    if (!id.isValid() || lacksConnection(error))
        return {};
    if (ManagedObjectPtr live = registered(id.rowId))
        return live->deleted_ ? ManagedObjectPtr() : live;
    if (deleted_.contains(id.rowId))
        return {};
    materializePushed();
    if (ManagedObjectPtr live = registered(id.rowId))
        return live->deleted_ ? ManagedObjectPtr() : live;
    const EntityDescription *root = id.entity->root();
    const QByteArray sql = "SELECT " + coordinator_->model().selectList(root) + " FROM "
        + root->table() + " WHERE id = ?";
    sqlite3_stmt *statement = connection_->prepare(sql, error);
    if (!statement)
        return {};
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, id.rowId);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        ManagedObjectPtr object = objectFromRow(statement);
        return object && object->entity().root() == root ? object : ManagedObjectPtr();
    }
    if (rc != SQLITE_DONE && error)
        *error = connection_->lastError();
    return {};
}

QUrl ManagedObjectContext::uriForObjectID(const ObjectID &id) const
{
    return coordinator_ ? coordinator_->uriForObjectID(id) : QUrl();
}

ManagedObjectPtr ManagedObjectContext::objectWithURI(const QUrl &uri)
{
    if (!coordinator_)
        return {};
    const ObjectID id = coordinator_->objectIDForURI(uri);
    if (!id.isValid())
        return {};
    ManagedObjectPtr object = existingObject(id);
    return object && object->entity().isKindOf(id.entity) ? object : ManagedObjectPtr();
}

QList<ManagedObjectPtr> ManagedObjectContext::objectsWithURIs(const QList<QUrl> &uris)
{
    QList<ManagedObjectPtr> objects;
    for (const QUrl &uri : uris)
        if (ManagedObjectPtr object = objectWithURI(uri))
            objects.append(object);
    return objects;
}

bool ManagedObjectContext::lacksConnection(Error *error) const
{
    if (connection_)
        return false;
    if (connectionError_ && error)
        *error = connectionError_;
    return true;
}

bool ManagedObjectContext::hasChanges() const
{
    return !inserted_.isEmpty() || !updated_.isEmpty() || !deleted_.isEmpty()
        || !deletedLive_.isEmpty() || !pushedInserts_.empty() || !pushedUpdates_.empty();
}

bool ManagedObjectContext::commitEditing()
{
    return commitEditingHandler_ ? commitEditingHandler_() : true;
}

void ManagedObjectContext::setCommitEditingHandler(std::function<bool()> handler)
{
    commitEditingHandler_ = std::move(handler);
}

void ManagedObjectContext::recordDidChange(
    ManagedObject &object, const PropertyDescription &property, const QVariant &former)
{
    // A new record is announced as inserted; its keys are not news.
    if (!object.inserted_) {
        updated_.insert(object.rowId_, registered(object.rowId_));
        excludedDirty_ = true;
        noteUpdated(object.objectID(), property.name);
    }
    if (property.isToOne()) {
        noteInverse(property, former);
        noteInverse(property, object.values_[size_t(property.slot)]);
    }
}
