// Writing a main context's changes in one transaction, and collecting a
// child's changes for its parent; part of ManagedObjectContext.
#include "platform/store/ManagedObjectContext.h"

#include "platform/Log.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"
#include "platform/store/ValueCoding.h"

#include <algorithm>

#include <sqlite3.h>

bool ManagedObjectContext::save(Error *error)
{
    if (lacksConnection(error))
        return !connectionError_;
    if (type_ == ConcurrencyType::PrivateQueue) {
        processPendingChanges();
        if (!hasChanges())
            return true;
        // A push that failed left nothing behind in the main context: the
        // changes stay pending here, for a later save to write once.
        const Error failure = pushToParent(collectChanges());
        if (failure) {
            if (error)
                *error = failure;
            return false;
        }
        didPush();
        return true;
    }
    // Observers hear of the changes once they are committed, so what they
    // count is what the store holds.
    bool ok = true;
    if (hasChanges())
        ok = writeChanges(error);
    processPendingChanges();
    return ok;
}

bool ManagedObjectContext::insertRow(const EntityDescription &entity, qint64 rowId,
    const std::vector<QVariant> &values, Error *error)
{
    auto sql = insertSql_.find(&entity);
    if (sql == insertSql_.end()) {
        QByteArray columns = "id, entity", marks = "?, ?";
        for (const PropertyDescription *property : entity.slots()) {
            columns += ", " + property->column;
            marks += ", ?";
        }
        sql = insertSql_.insert(
            &entity, "INSERT INTO " + entity.table() + " (" + columns + ") VALUES (" + marks + ")");
    }
    sqlite3_stmt *statement = connection_->prepare(*sql, error);
    if (!statement)
        return false;
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, rowId);
    sqlite3_bind_int(statement, 2, entity.code());
    for (const PropertyDescription *property : entity.slots())
        ValueCoding::bindProperty(
            statement, property->slot + 3, *property, values[size_t(property->slot)]);
    if (sqlite3_step(statement) != SQLITE_DONE) {
        if (error)
            *error = connection_->lastError();
        return false;
    }
    return true;
}

bool ManagedObjectContext::updateRow(const EntityDescription &entity, qint64 rowId,
    const std::vector<std::pair<int, QVariant>> &values, bool *found, Error *error)
{
    *found = true;
    if (values.empty())
        return true;
    QByteArray sql = "UPDATE " + entity.table() + " SET ";
    for (size_t i = 0; i < values.size(); ++i)
        sql += (i ? ", " : "") + entity.slots()[size_t(values[i].first)]->column + " = ?";
    sql += " WHERE id = ?";
    sqlite3_stmt *statement = connection_->prepare(sql, error);
    if (!statement)
        return false;
    StatementScope scope(statement);
    int index = 1;
    for (const auto &[slot, value] : values)
        ValueCoding::bindProperty(statement, index++, *entity.slots()[size_t(slot)], value);
    sqlite3_bind_int64(statement, index, rowId);
    if (sqlite3_step(statement) != SQLITE_DONE) {
        if (error)
            *error = connection_->lastError();
        return false;
    }
    *found = connection_->changes() > 0;
    return true;
}

bool ManagedObjectContext::writeChanges(Error *error)
{
    Transaction transaction(*connection_);
    if (!transaction.begin(error))
        return false;
    for (const ManagedObjectPtr &object : insertedInRowOrder())
        if (!insertRow(object->entity(), object->rowId_, object->values_, error))
            return false;
    std::vector<QVariant> values;
    for (const RowChange &row : pushedInserts_) {
        values.assign(size_t(row.entity->slotCount()), QVariant());
        for (const auto &[slot, value] : row.values)
            values[size_t(slot)] = value;
        if (!insertRow(*row.entity, row.rowId, values, error))
            return false;
    }
    bool found = true;
    std::vector<std::pair<int, QVariant>> changed;
    for (const ManagedObjectPtr &object : std::as_const(updated_)) {
        changed.clear();
        for (size_t slot = 0; slot < object->changed_.size(); ++slot)
            if (object->changed_[slot])
                changed.emplace_back(int(slot), object->values_[slot]);
        if (!updateRow(object->entity(), object->rowId_, changed, &found, error))
            return false;
    }
    for (const RowChange &row : pushedUpdates_) {
        if (!updateRow(*row.entity, row.rowId, row.values, &found, error))
            return false;
        if (!found)
            logLine(QStringLiteral("Dropped merged changes to %1 %2: the record was deleted")
                        .arg(row.entity->name())
                        .arg(row.rowId));
    }
    for (auto it = deleted_.cbegin(); it != deleted_.cend(); ++it) {
        sqlite3_stmt *statement =
            connection_->prepare("DELETE FROM " + it.value()->table() + " WHERE id = ?", error);
        if (!statement)
            return false;
        StatementScope scope(statement);
        sqlite3_bind_int64(statement, 1, it.key());
        if (sqlite3_step(statement) != SQLITE_DONE) {
            if (error)
                *error = connection_->lastError();
            return false;
        }
    }
    if (!coordinator_->saveRowIdMark(error) || !transaction.commit(error))
        return false;
    didPush();
    return true;
}

// New rows in the order their ids were given out: each table then grows at
// its end, where SQLite appends, instead of splitting pages in the middle
// as the hash's order would make it.
std::vector<ManagedObjectPtr> ManagedObjectContext::insertedInRowOrder() const
{
    std::vector<ManagedObjectPtr> objects(inserted_.cbegin(), inserted_.cend());
    std::sort(objects.begin(), objects.end(),
        [](const ManagedObjectPtr &a, const ManagedObjectPtr &b) { return a->rowId_ < b->rowId_; });
    return objects;
}

ChangeSet ManagedObjectContext::collectChanges() const
{
    ChangeSet changes;
    changes.inserted.reserve(size_t(inserted_.size()));
    for (const ManagedObjectPtr &object : insertedInRowOrder()) {
        RowChange row {&object->entity(), object->rowId_, {}, {}};
        for (size_t slot = 0; slot < object->values_.size(); ++slot)
            if (object->values_[slot].isValid())
                row.values.emplace_back(int(slot), object->values_[slot]);
        changes.inserted.push_back(std::move(row));
    }
    for (const ManagedObjectPtr &object : updated_) {
        RowChange row {&object->entity(), object->rowId_, {}, {}};
        for (size_t slot = 0; slot < object->changed_.size(); ++slot) {
            if (!object->changed_[slot])
                continue;
            row.values.emplace_back(int(slot), object->values_[slot]);
            if (object->entity().slots()[slot]->isToOne() && !object->committed_.empty())
                row.formerReferences.emplace_back(int(slot), object->committed_[slot].toLongLong());
        }
        changes.updated.push_back(std::move(row));
    }
    for (auto it = deleted_.cbegin(); it != deleted_.cend(); ++it)
        changes.deleted.push_back({it.value(), it.key()});
    return changes;
}

void ManagedObjectContext::rollback()
{
    discardChanges();
}

void ManagedObjectContext::discardChanges()
{
    // Back to what the store holds: new records leave the context; changed
    // and deleted ones take their saved values again.
    for (auto it = registry_.begin(); it != registry_.end();) {
        const ManagedObjectPtr object = it->lock();
        if (object && object->inserted_) {
            object->context_ = nullptr;
            it = registry_.erase(it);
            continue;
        }
        if (object && (object->deleted_ || !object->committed_.empty())) {
            if (!object->committed_.empty())
                object->values_ = object->committed_;
            object->deleted_ = false;
            object->markSaved();
        }
        ++it;
    }
    forgetPending();
}

void ManagedObjectContext::forgetPending()
{
    inserted_.clear();
    updated_.clear();
    deletedLive_.clear();
    deleted_.clear();
    pushedInserts_.clear();
    pushedUpdates_.clear();
    excludedDirty_ = true;
}

void ManagedObjectContext::didPush()
{
    for (const ManagedObjectPtr &object : std::as_const(inserted_))
        object->markSaved();
    for (const ManagedObjectPtr &object : std::as_const(updated_))
        object->markSaved();
    for (const ManagedObjectPtr &object : std::as_const(deletedLive_)) {
        registry_.remove(object->rowId_);
        object->context_ = nullptr;
    }
    forgetPending();
}
