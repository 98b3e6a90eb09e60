// A child's save: its changes travel to the main context, which applies
// them and commits before the child goes on; part of ManagedObjectContext.
#include "platform/store/ManagedObjectContext.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/store/MergeInbox.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"

#include <QSet>

#include <sqlite3.h>

#include <future>

void ManagedObjectContext::enqueueForMain(std::function<void()> job)
{
    if (inbox_->add(std::move(job)))
        scheduleInboxTurn();
}

void ManagedObjectContext::scheduleInboxTurn()
{
    std::weak_ptr<MergeInbox> inbox = inbox_;
    dispatchMain([inbox] {
        const auto alive = inbox.lock();
        if (!alive)
            return;
        // One merge per turn of the main loop: timers, input and painting
        // get their turn between merges that arrive together.
        if (std::function<void()> job = alive->take()) {
            job();
            if (alive->finishTurn())
                alive->main()->scheduleInboxTurn();
        }
    });
}

void ManagedObjectContext::runInbox()
{
    while (std::function<void()> job = inbox_->take())
        job();
}

Error ManagedObjectContext::pushToParent(ChangeSet changes)
{
    auto result = std::make_shared<std::promise<Error>>();
    std::future<Error> answer = result->get_future();
    auto shared = std::make_shared<ChangeSet>(std::move(changes));
    ManagedObjectContext *main = parent_;
    main->enqueueForMain(
        [main, shared, result] { result->set_value(main->applyPushAndSave(*shared)); });
    return answer.get();
}

namespace {
void logDropped(const RowChange &row, const char *why)
{
    logLine(QStringLiteral("Dropped merged changes to %1 %2: %3")
                .arg(row.entity->name())
                .arg(row.rowId)
                .arg(QLatin1String(why)));
}
} // namespace

Error ManagedObjectContext::applyPushAndSave(ChangeSet &changes)
{
    // A push is applied with nothing else pending, so that when its write
    // fails, dropping every pending change drops exactly the push.
    Error error;
    if (hasChanges() && !save(&error)) {
        logLine(
            QStringLiteral("Error saving before merging changes:\n") + error.debugDescription());
        return error;
    }
    const ChangeNotification announcedBefore = unannounced_;
    for (const ObjectID &id : changes.deleted)
        if (!deleted_.contains(id.rowId)) {
            materializePushed();
            deleteRecord(id.entity, id.rowId, {}, false);
        }
    // A record whose owner is gone (deleted here, pending or saved) is
    // dropped, and so is whatever hangs from it in the same push: the
    // delete rule would have taken it along.
    QSet<qint64> pushed, dropped;
    for (const RowChange &row : changes.inserted)
        pushed.insert(row.rowId);
    QHash<qint64, bool> stored;
    auto ownerExists = [&](const PropertyDescription &toOne, qint64 rowId) {
        if (deleted_.contains(rowId) || dropped.contains(rowId))
            return false;
        if (pushed.contains(rowId))
            return true;
        if (const ManagedObjectPtr live = registered(rowId))
            return !live->deleted_;
        const auto known = stored.constFind(rowId);
        if (known != stored.constEnd())
            return *known;
        const bool exists = rowExists(*toOne.destination, rowId);
        stored.insert(rowId, exists);
        return exists;
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (const RowChange &row : changes.inserted) {
            if (dropped.contains(row.rowId))
                continue;
            for (const auto &[slot, value] : row.values) {
                const PropertyDescription *property = row.entity->slots()[size_t(slot)];
                if (property->isToOne() && !ownerExists(*property, value.toLongLong())) {
                    dropped.insert(row.rowId);
                    changed = true;
                    break;
                }
            }
        }
    }
    for (RowChange &row : changes.inserted) {
        if (dropped.contains(row.rowId)) {
            logDropped(row, "its owner was deleted");
            continue;
        }
        noteInserted({row.entity, row.rowId});
        for (const auto &[slot, value] : row.values) {
            const PropertyDescription *property = row.entity->slots()[size_t(slot)];
            if (property->isToOne())
                noteInverse(*property, value);
        }
        pushedInserts_.push_back(std::move(row));
    }
    for (RowChange &row : changes.updated) {
        if (deleted_.contains(row.rowId)) {
            logDropped(row, "the record was deleted");
            continue;
        }
        if (const ManagedObjectPtr live = registered(row.rowId)) {
            if (live->deleted_) {
                logDropped(row, "the record was deleted");
                continue;
            }
            // Only the properties the child changed; edits made here to
            // other properties stay.
            for (const auto &[slot, value] : row.values)
                live->setValueAt(*row.entity->slots()[size_t(slot)], value);
            continue;
        }
        for (const auto &[slot, value] : row.values) {
            const PropertyDescription *property = row.entity->slots()[size_t(slot)];
            noteUpdated({row.entity, row.rowId}, property->name);
            if (property->isToOne())
                noteInverse(*property, value);
        }
        for (const auto &[slot, former] : row.formerReferences)
            noteInverse(*row.entity->slots()[size_t(slot)], QVariant(qlonglong(former)));
        pushedUpdates_.push_back(std::move(row));
    }
    // Observers hear of nothing that failed to be written.
    if (hasChanges() && !writeChanges(&error)) {
        logLine(QStringLiteral("Error saving merged changes:\n") + error.debugDescription());
        discardChanges();
        unannounced_ = announcedBefore;
    }
    processPendingChanges();
    return error;
}

void ManagedObjectContext::materializePushed()
{
    // Pushed rows are written by the save that follows their merge without
    // becoming records. Anything else that needs them first (a fetch, a
    // delete, a failed save) turns them into records here.
    if (pushedInserts_.empty() && pushedUpdates_.empty())
        return;
    std::vector<RowChange> inserts = std::move(pushedInserts_);
    std::vector<RowChange> updates = std::move(pushedUpdates_);
    pushedInserts_.clear();
    pushedUpdates_.clear();
    for (const RowChange &row : inserts) {
        ManagedObject *object = row.entity->create();
        object->entity_ = row.entity;
        object->rowId_ = row.rowId;
        object->values_.resize(size_t(row.entity->slotCount()));
        object->changed_.assign(size_t(row.entity->slotCount()), false);
        for (const auto &[slot, value] : row.values)
            object->values_[size_t(slot)] = value;
        object->inserted_ = true;
        ManagedObjectPtr shared = adopt(object);
        inserted_.insert(row.rowId, shared);
        object->awakeFromFetch();
    }
    for (const RowChange &row : updates) {
        const ManagedObjectPtr live = existingObject({row.entity, row.rowId});
        if (!live) {
            logDropped(row, "the record was deleted");
            continue;
        }
        for (const auto &[slot, value] : row.values)
            live->setValueAt(*row.entity->slots()[size_t(slot)], value);
    }
    excludedDirty_ = true;
}

bool ManagedObjectContext::rowExists(const EntityDescription &entity, qint64 rowId)
{
    sqlite3_stmt *statement =
        connection_->prepare("SELECT 1 FROM " + entity.table() + " WHERE id = ?");
    if (!statement)
        return false;
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, rowId);
    return sqlite3_step(statement) == SQLITE_ROW;
}
