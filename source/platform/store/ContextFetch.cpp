// Fetches: records, counts and dictionaries; part of ManagedObjectContext.
#include "platform/store/ManagedObjectContext.h"

#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"
#include "platform/store/ValueCoding.h"

#include <sqlite3.h>

#include <algorithm>

namespace {
const PropertyDescription *columnProperty(const EntityDescription &entity, const QString &key)
{
    for (const EntityDescription *member : entity.family())
        if (const PropertyDescription *property = member->property(key))
            if (!property->isToMany())
                return property;
    return nullptr;
}

void bindAll(sqlite3_stmt *statement, const QVariantList &bindings)
{
    for (qsizetype i = 0; i < bindings.size(); ++i)
        ValueCoding::bind(statement, int(i + 1), bindings[i]);
}
} // namespace

Error ManagedObjectContext::fetchError(const QString &text) const
{
    return Error(
        SqliteConnection::ErrorDomain, SQLITE_ERROR, {{Error::LocalizedDescriptionKey, text}});
}

void ManagedObjectContext::syncExcluded()
{
    // Rows this context changed or deleted are left out of SQL results and
    // matched in memory instead, so results reflect pending changes.
    if (!excludedDirty_)
        return;
    excludedDirty_ = false;
    const bool empty = updated_.isEmpty() && deleted_.isEmpty();
    if (empty && excludedEmpty_)
        return;
    connection_->exec("CREATE TEMP TABLE IF NOT EXISTS rk_excluded (id INTEGER PRIMARY KEY)");
    connection_->exec("DELETE FROM temp.rk_excluded");
    excludedEmpty_ = empty;
    if (empty)
        return;
    connection_->exec("SAVEPOINT rk_excluded");
    sqlite3_stmt *insert =
        connection_->prepare("INSERT OR IGNORE INTO temp.rk_excluded VALUES (?)");
    StatementScope scope(insert);
    auto add = [insert](qint64 rowId) {
        sqlite3_bind_int64(insert, 1, rowId);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    };
    for (auto it = updated_.cbegin(); it != updated_.cend(); ++it)
        add(it.key());
    for (auto it = deleted_.cbegin(); it != deleted_.cend(); ++it)
        add(it.key());
    connection_->exec("RELEASE rk_excluded");
}

bool ManagedObjectContext::buildWhere(const EntityDescription &entity, const Predicate &predicate,
    QByteArray &sql, QVariantList &bindings, bool excludePending, Error *error)
{
    QByteArrayList terms;
    if (entity.parent() || entity.hasSubentities()) {
        QByteArray codes;
        for (const EntityDescription *member : entity.family())
            codes += (codes.isEmpty() ? "" : ", ") + QByteArray::number(member->code());
        terms << "entity IN (" + codes + ")";
    }
    if (!predicate.matchesAll()) {
        QByteArray condition;
        QString problem;
        if (!predicate.toSql(entity, condition, bindings, &problem)) {
            if (error)
                *error = fetchError(problem);
            return false;
        }
        terms << condition;
    }
    if (excludePending && !excludedEmpty_)
        terms << "id NOT IN temp.rk_excluded";
    if (!terms.isEmpty())
        sql += " WHERE " + terms.join(" AND ");
    return true;
}

QList<ManagedObjectPtr> ManagedObjectContext::pendingMatches(
    const EntityDescription &entity, const Predicate &predicate) const
{
    QList<ManagedObjectPtr> matches;
    auto consider = [&](const ManagedObjectPtr &object) {
        if (object && !object->deleted_ && object->entity().isKindOf(&entity)
            && predicate.evaluate(*object))
            matches.append(object);
    };
    for (const ManagedObjectPtr &object : inserted_)
        consider(object);
    for (const ManagedObjectPtr &object : updated_)
        consider(object);
    return matches;
}

void ManagedObjectContext::sortInMemory(
    QList<ManagedObjectPtr> &objects, const QList<SortDescriptor> &order) const
{
    if (order.isEmpty())
        return;
    std::stable_sort(objects.begin(), objects.end(),
        [&order](const ManagedObjectPtr &a, const ManagedObjectPtr &b) {
            for (const SortDescriptor &sort : order) {
                const PropertyDescription *property = a->entity().property(sort.key);
                const int c = ValueCoding::compare(
                    ValueCoding::comparable(property, a->valueForKey(sort.key)),
                    ValueCoding::comparable(property, b->valueForKey(sort.key)));
                if (c != 0)
                    return sort.ascending ? c < 0 : c > 0;
            }
            // Ties go by id, as in SQL, so pending and saved records come
            // in the same order.
            return a->objectID().rowId < b->objectID().rowId;
        });
}

const EntityDescription *ManagedObjectContext::requestedEntity(
    const FetchRequest &request, bool checkPredicate, Error *error) const
{
    const EntityDescription *entity = coordinator_->model().entity(request.entityName);
    QString problem;
    if (!entity)
        problem = QStringLiteral("no entity named %1").arg(request.entityName);
    else if (checkPredicate && !request.predicate.isValid())
        problem = request.predicate.errorText();
    if (problem.isNull())
        return entity;
    if (error)
        *error = fetchError(problem);
    return nullptr;
}

QList<ManagedObjectPtr> ManagedObjectContext::existingObjects(
    const QList<ObjectID> &ids, Error *error)
{
    QList<ManagedObjectPtr> objects;
    if (!connection_)
        return objects;
    materializePushed();
    QHash<const EntityDescription *, QList<qint64>> missing;
    for (const ObjectID &id : ids) {
        if (!id.isValid() || deleted_.contains(id.rowId))
            continue;
        if (const ManagedObjectPtr live = registered(id.rowId)) {
            if (!live->deleted_)
                objects.append(live);
            continue;
        }
        missing[id.entity->root()].append(id.rowId);
    }
    // Row ids are integers written into the text, so any number of them
    // fits in one statement; it is not kept, as each list is new.
    for (auto it = missing.cbegin(); it != missing.cend(); ++it) {
        QByteArray list;
        for (qint64 rowId : it.value())
            list += (list.isEmpty() ? "" : ",") + QByteArray::number(rowId);
        const QByteArray sql = "SELECT " + coordinator_->model().selectList(it.key()) + " FROM "
            + it.key()->table() + " WHERE id IN (" + list + ")";
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(
                connection_->handle(), sql.constData(), int(sql.size()), &statement, nullptr)
            != SQLITE_OK) {
            if (error)
                *error = connection_->lastError();
            sqlite3_finalize(statement);
            return objects;
        }
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            if (ManagedObjectPtr object = objectFromRow(statement);
                object && object->entity().root() == it.key())
                objects.append(std::move(object));
        if (rc != SQLITE_DONE && error)
            *error = connection_->lastError();
        sqlite3_finalize(statement);
    }
    return objects;
}

QList<ManagedObjectPtr> ManagedObjectContext::executeFetchRequest(
    const FetchRequest &request, Error *error)
{
    if (lacksConnection(error))
        return {};
    const EntityDescription *entity = requestedEntity(request, true, error);
    if (!entity)
        return {};
    materializePushed();
    syncExcluded();

    // Keys that exist only in memory (derived values) are filtered there;
    // the conjuncts beside them still narrow the rows in SQL.
    QByteArray where;
    QVariantList bindings;
    Predicate inMemory;
    bool filterInMemory = false;
    if (!buildWhere(*entity, request.predicate, where, bindings, true, nullptr)) {
        where.clear();
        bindings.clear();
        filterInMemory = true;
        const Predicate inSql = request.predicate.sqlPart(*entity, &inMemory);
        if (!buildWhere(*entity, inSql, where, bindings, true, error))
            return {};
    }
    const QList<ManagedObjectPtr> pending = pendingMatches(*entity, request.predicate);
    bool sqlOrder = true;
    QByteArray orderBy;
    for (const SortDescriptor &sort : request.sortDescriptors) {
        const PropertyDescription *property = columnProperty(*entity, sort.key);
        if (!property) {
            sqlOrder = false;
            break;
        }
        orderBy += (orderBy.isEmpty() ? " ORDER BY " : ", ") + property->column
            + (sort.ascending ? " ASC" : " DESC");
    }
    if (!orderBy.isEmpty())
        orderBy += ", id ASC";
    const bool exact = pending.isEmpty() && !filterInMemory && sqlOrder;
    QByteArray sql = "SELECT " + coordinator_->model().selectList(entity->root()) + " FROM "
        + entity->table() + where + (sqlOrder ? orderBy : QByteArray());
    if (exact && request.fetchLimit > 0)
        sql += " LIMIT " + QByteArray::number(request.fetchLimit);

    sqlite3_stmt *statement = connection_->prepare(sql, error);
    if (!statement)
        return {};
    StatementScope scope(statement);
    bindAll(statement, bindings);
    QList<ManagedObjectPtr> results;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        ManagedObjectPtr object = objectFromRow(statement);
        if (!object || object->deleted_ || object->hasChanges())
            continue;
        if (filterInMemory && !inMemory.evaluate(*object))
            continue;
        results.append(std::move(object));
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = connection_->lastError();
        return {};
    }
    if (exact)
        return results;
    results += pending;
    sortInMemory(results, request.sortDescriptors);
    if (request.fetchLimit > 0 && results.size() > request.fetchLimit)
        results.resize(request.fetchLimit);
    return results;
}

qint64 ManagedObjectContext::countForFetchRequest(const FetchRequest &request, Error *error)
{
    if (lacksConnection(error))
        return connectionError_ ? -1 : 0;
    const EntityDescription *entity = requestedEntity(request, true, error);
    if (!entity)
        return -1;
    materializePushed();
    syncExcluded();
    QByteArray where;
    QVariantList bindings;
    if (!buildWhere(*entity, request.predicate, where, bindings, true, nullptr)) {
        Error fetchFailure;
        const qint64 count = executeFetchRequest(request, &fetchFailure).size();
        if (fetchFailure && error)
            *error = fetchFailure;
        return fetchFailure ? -1 : count;
    }
    sqlite3_stmt *statement =
        connection_->prepare("SELECT count(*) FROM " + entity->table() + where, error);
    if (!statement)
        return -1;
    StatementScope scope(statement);
    bindAll(statement, bindings);
    if (sqlite3_step(statement) != SQLITE_ROW) {
        if (error)
            *error = connection_->lastError();
        return -1;
    }
    qint64 count =
        sqlite3_column_int64(statement, 0) + pendingMatches(*entity, request.predicate).size();
    if (request.fetchLimit > 0)
        count = std::min<qint64>(count, request.fetchLimit);
    return count;
}

QList<QVariantMap> ManagedObjectContext::executeDictionaryFetch(
    const FetchRequest &request, Error *error)
{
    if (lacksConnection(error))
        return {};
    const EntityDescription *entity = requestedEntity(request, false, error);
    if (!entity)
        return {};
    QByteArrayList columns;
    QList<const PropertyDescription *> properties;
    for (const QString &key : request.propertiesToFetch) {
        // The row's id, so that a list can hold ids and load records later.
        if (key == ObjectIDKey) {
            columns << "id";
            properties << nullptr;
            continue;
        }
        const PropertyDescription *property = columnProperty(*entity, key);
        if (!property) {
            if (error)
                *error = fetchError(QStringLiteral("no stored key \"%1\"").arg(key));
            return {};
        }
        columns << property->column;
        properties << property;
    }
    if (!request.countName.isEmpty())
        columns << "count(*)";
    if (columns.isEmpty()) {
        if (error)
            *error = fetchError(QStringLiteral("a dictionary fetch needs properties"));
        return {};
    }
    QByteArray sql = "SELECT " + QByteArray(request.returnsDistinctResults ? "DISTINCT " : "")
        + columns.join(", ") + " FROM " + entity->table();
    QVariantList bindings;
    if (!buildWhere(*entity, request.predicate, sql, bindings, false, error))
        return {};
    QByteArrayList groups;
    for (const QString &key : request.propertiesToGroupBy) {
        const PropertyDescription *property = columnProperty(*entity, key);
        if (!property) {
            if (error)
                *error = fetchError(QStringLiteral("no stored key \"%1\"").arg(key));
            return {};
        }
        groups << property->column;
    }
    if (!groups.isEmpty())
        sql += " GROUP BY " + groups.join(", ");
    QByteArrayList order;
    for (const SortDescriptor &sort : request.sortDescriptors) {
        const PropertyDescription *property = columnProperty(*entity, sort.key);
        if (property)
            order << property->column + (sort.ascending ? " ASC" : " DESC");
        else if (sort.key == ObjectIDKey)
            order << QByteArray("id") + (sort.ascending ? " ASC" : " DESC");
        else if (sort.key == request.countName && !request.countName.isEmpty())
            order << QByteArray("count(*)") + (sort.ascending ? " ASC" : " DESC");
    }
    if (!order.isEmpty())
        sql += " ORDER BY " + order.join(", ");
    if (request.fetchLimit > 0 || request.fetchOffset > 0)
        sql += " LIMIT " + QByteArray::number(request.fetchLimit > 0 ? request.fetchLimit : -1);
    if (request.fetchOffset > 0)
        sql += " OFFSET " + QByteArray::number(request.fetchOffset);

    sqlite3_stmt *statement = connection_->prepare(sql, error);
    if (!statement)
        return {};
    StatementScope scope(statement);
    bindAll(statement, bindings);
    QList<QVariantMap> rows;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QVariantMap row;
        for (qsizetype i = 0; i < properties.size(); ++i) {
            if (!properties[i]) {
                row.insert(request.propertiesToFetch[i],
                    QVariant::fromValue(
                        ObjectID {entity, sqlite3_column_int64(statement, int(i))}));
                continue;
            }
            const QVariant value = ValueCoding::read(statement, int(i), *properties[i]);
            // An absent value is an absent key, as in the records.
            if (value.isValid())
                row.insert(request.propertiesToFetch[i], value);
        }
        if (!request.countName.isEmpty())
            row.insert(request.countName, sqlite3_column_int(statement, int(properties.size())));
        rows.append(row);
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = connection_->lastError();
        return {};
    }
    return rows;
}
