#include "model/RatingHistory.h"

#include "model/Product.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"

#include <QSet>

#include <sqlite3.h>

namespace {

void logError(const Error &error, const char *selector)
{
    logLine(formatString(
        QStringLiteral("Error: %@ (%@)"), error.debugDescription(), QString::fromLatin1(selector)));
}

// Sums are what a dictionary fetch cannot give, so the series is read on a
// read connection of its own over the committed data (WAL lets it read
// beside the writer), with the model's table and column names.
struct SnapshotTable {
    QByteArray table, product, country, day, count, average, version;

    static std::optional<SnapshotTable> of(const ManagedObjectModel &model)
    {
        const EntityDescription *entity = model.entity(QStringLiteral("RatingSnapshot"));
        if (!entity)
            return std::nullopt;
        SnapshotTable names;
        names.table = entity->table();
        const std::pair<QByteArray *, const char *> columns[] = {{&names.product, "product"},
            {&names.country, "countryCode"}, {&names.day, "day"}, {&names.count, "ratingCount"},
            {&names.average, "averageRating"}, {&names.version, "currentVersion"}};
        for (const auto &[column, key] : columns) {
            const PropertyDescription *property = entity->property(QLatin1String(key));
            if (!property)
                return std::nullopt;
            *column = property->column;
        }
        return names;
    }
};

struct Reader {
    SqliteConnection connection;
    SnapshotTable names;
};

std::unique_ptr<Reader> openReader(
    const QString &path, const ManagedObjectModel &model, const char *selector)
{
    auto names = SnapshotTable::of(model);
    if (!names) {
        logError(Error::storeError(QStringLiteral("The record model has no ratings history.")),
            selector);
        return nullptr;
    }
    auto reader = std::make_unique<Reader>();
    reader->names = *names;
    Error error;
    if (!reader->connection.open(path, false, &error)) {
        logError(error, selector);
        return nullptr;
    }
    return reader;
}

std::unique_ptr<Reader> openReader(ManagedObjectContext *context, const char *selector)
{
    if (!context || !context->hasStore())
        return nullptr;
    const PersistentStoreCoordinator *coordinator = context->persistentStoreCoordinator();
    return openReader(coordinator->path(), coordinator->model(), selector);
}

} // namespace

std::optional<RatingHistory::Query> RatingHistory::Query::forProduct(
    const Product &product, const std::optional<QString> &countryCode)
{
    const ManagedObjectContext *context = product.managedObjectContext();
    if (!context || !context->hasStore())
        return std::nullopt;
    const PersistentStoreCoordinator *coordinator = context->persistentStoreCoordinator();
    return Query {
        coordinator->path(), coordinator->sharedModel(), product.objectID().rowId, countryCode};
}

std::optional<RatingHistory> RatingHistory::load(const Query &query)
{
    const char *selector = "ratingHistoryForProduct:countryCode:";
    if (!query.model)
        return std::nullopt;
    const auto reader = openReader(query.storePath, *query.model, selector);
    if (!reader)
        return std::nullopt;
    const SnapshotTable &n = reader->names;
    // Averages weigh by the counts of the countries that have an average;
    // sum() over no rows and a division by zero both give NULL.
    QByteArray sql = "SELECT " + n.day + ", sum(" + n.count + "), sum(" + n.count + " * "
        + n.average + ") / sum(CASE WHEN " + n.average + " IS NOT NULL THEN " + n.count
        + " END), group_concat(DISTINCT " + n.version + ") FROM " + n.table + " WHERE " + n.product
        + " = ?1";
    const std::optional<QString> &countryCode = query.countryCode;
    if (countryCode)
        sql += " AND " + n.country + " = ?2 COLLATE NOCASE";
    sql += " GROUP BY " + n.day + " ORDER BY " + n.day;
    Error error;
    sqlite3_stmt *statement = reader->connection.prepare(sql, &error);
    if (!statement) {
        logError(error, selector);
        return std::nullopt;
    }
    sqlite3_bind_int64(statement, 1, query.productRow);
    const QByteArray code = countryCode.value_or(QString()).toUtf8();
    if (countryCode)
        sqlite3_bind_text(statement, 2, code.constData(), int(code.size()), SQLITE_TRANSIENT);

    RatingHistory history;
    QSet<QString> seen;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        Day day;
        day.day = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(statement, 0), Qt::UTC);
        day.ratingCount = sqlite3_column_int64(statement, 1);
        if (sqlite3_column_type(statement, 2) != SQLITE_NULL)
            day.averageRating = sqlite3_column_double(statement, 2);
        const QString versions =
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 3)));
        // A version seen for the first time in any country is a release;
        // the versions of the first day were there before the history began.
        for (const QString &version : versions.split(u',', Qt::SkipEmptyParts)) {
            if (seen.contains(version))
                continue;
            if (!history.days.isEmpty())
                history.releases.append({day.day, version});
            seen.insert(version);
        }
        history.days.append(day);
    }
    if (rc != SQLITE_DONE) {
        logError(reader->connection.lastError(), selector);
        return std::nullopt;
    }
    return history;
}

std::optional<QStringList> RatingHistory::countries(
    ManagedObjectContext *context, const Product *product)
{
    const char *selector = "ratingHistoryCountriesForProduct:";
    const auto reader = openReader(context, selector);
    if (!reader || !product)
        return std::nullopt;
    const SnapshotTable &n = reader->names;
    Error error;
    // The bare column, so that the index gives the codes in order; case is
    // folded here.
    sqlite3_stmt *statement = reader->connection.prepare("SELECT DISTINCT " + n.country + " FROM "
            + n.table + " WHERE " + n.product + " = ?1 ORDER BY " + n.country,
        &error);
    if (!statement) {
        logError(error, selector);
        return std::nullopt;
    }
    sqlite3_bind_int64(statement, 1, product->objectID().rowId);
    QStringList codes;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        codes << QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)))
                     .toUpper();
    if (rc != SQLITE_DONE) {
        logError(reader->connection.lastError(), selector);
        return std::nullopt;
    }
    codes.sort();
    codes.removeDuplicates();
    return codes;
}
