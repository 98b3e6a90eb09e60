// Deleting records and applying delete rules; part of ManagedObjectContext.
#include "platform/store/ManagedObjectContext.h"

#include "platform/Log.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"

#include <sqlite3.h>

void ManagedObjectContext::deleteObject(const ManagedObjectPtr &object)
{
    if (!object || object->context_ != this || object->deleted_)
        return;
    materializePushed();
    deleteRecord(&object->entity(), object->rowId_, object, false);
}

void ManagedObjectContext::deleteObjects(const QList<ManagedObjectPtr> &objects)
{
    for (const ManagedObjectPtr &object : objects)
        deleteObject(object);
}

QList<ObjectID> ManagedObjectContext::membersOf(
    const PropertyDescription &toMany, qint64 ownerRowId)
{
    // Members are found by id, without loading them: stored rows, plus
    // records of this context that point at the owner but are not saved.
    QList<ObjectID> members;
    const PropertyDescription &inverse = *toMany.inverse;
    const EntityDescription &destination = *toMany.destination;
    if (connection_) {
        sqlite3_stmt *statement = connection_->prepare(
            "SELECT id, entity FROM " + destination.table() + " WHERE " + inverse.column + " = ?");
        if (statement) {
            StatementScope scope(statement);
            sqlite3_bind_int64(statement, 1, ownerRowId);
            while (sqlite3_step(statement) == SQLITE_ROW) {
                const qint64 rowId = sqlite3_column_int64(statement, 0);
                const ManagedObjectPtr live = registered(rowId);
                // A pending change may have moved it elsewhere.
                if (live && live->valueAt(inverse.slot).toLongLong() != ownerRowId)
                    continue;
                if (const EntityDescription *entity =
                        coordinator_->model().entityForCode(sqlite3_column_int(statement, 1)))
                    members.append({entity, rowId});
            }
        }
    }
    for (const auto *pending : {&inserted_, &updated_})
        for (const ManagedObjectPtr &object : *pending)
            if (object && object->entity().isKindOf(&destination)
                && object->valueAt(inverse.slot).toLongLong() == ownerRowId
                && !members.contains(object->objectID()))
                members.append(object->objectID());
    return members;
}

void ManagedObjectContext::deleteRecord(
    const EntityDescription *entity, qint64 rowId, ManagedObjectPtr live, bool cascading)
{
    if (deleted_.contains(rowId))
        return;
    if (!live)
        live = registered(rowId);
    if (live && live->deleted_)
        return;
    if (!live && !cascading)
        live = existingObject({entity, rowId});

    const bool stored = !(live && live->inserted_);
    if (live) {
        live->prepareForDeletion();
        live->deleted_ = true;
        inserted_.remove(rowId);
        updated_.remove(rowId);
        if (stored)
            deletedLive_.insert(rowId, live);
        // The destinations of its to-one relationships lose a member.
        for (const PropertyDescription *property : entity->slots())
            if (property->isToOne())
                noteInverse(*property, live->values_[size_t(property->slot)]);
    }
    if (stored)
        deleted_.insert(rowId, entity);
    excludedDirty_ = true;
    noteDeleted({entity, rowId});

    for (const PropertyDescription *property : entity->properties()) {
        if (!property->isToMany())
            continue;
        const QList<ObjectID> members = membersOf(*property, rowId);
        for (const ObjectID &member : members) {
            if (property->deleteRule == DeleteRule::Cascade) {
                deleteRecord(member.entity, member.rowId, {}, true);
            } else if (ManagedObjectPtr object = existingObject(member)) {
                object->setValueAt(*property->inverse, QVariant());
            }
        }
    }
}
