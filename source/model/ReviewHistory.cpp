#include "model/ReviewHistory.h"

#include "model/Product.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"

#include <QHash>

#include <numeric>

#include <sqlite3.h>

namespace {

constexpr qint64 DayMs = 24 * 60 * 60 * 1000;
constexpr qint64 WeekMs = 7 * DayMs;
// The epoch fell on a Thursday; the first Monday after it was four days on.
constexpr qint64 FirstMondayMs = 4 * DayMs;

void logError(const Error &error)
{
    logLine(formatString(QStringLiteral("Error: %@ (%@)"), error.debugDescription(),
        QStringLiteral("reviewHistoryForProduct:version:countryCode:")));
}

// The model's names for what the query reads: a grouped count is what a
// dictionary fetch cannot give per week, so the SQL is written here.
struct Names {
    QByteArray reviews, id, product, date, rating, version, country;
    QByteArray versions, versionReview;

    static std::optional<Names> of(const ManagedObjectModel &model)
    {
        const EntityDescription *review = model.entity(QStringLiteral("Review"));
        const EntityDescription *previous = model.entity(QStringLiteral("ReviewVersion"));
        if (!review || !previous)
            return std::nullopt;
        Names names;
        names.reviews = review->table();
        names.versions = previous->table();
        names.id = "id";
        const std::pair<QByteArray *, const char *> columns[] = {{&names.product, "product"},
            {&names.date, "dateReviewed"}, {&names.rating, "rating"}, {&names.version, "version"},
            {&names.country, "countryCode"}};
        for (const auto &[column, key] : columns) {
            const PropertyDescription *property = review->property(QLatin1String(key));
            if (!property)
                return std::nullopt;
            *column = property->column;
        }
        const PropertyDescription *owner = previous->property(RecordKey::review);
        if (!owner)
            return std::nullopt;
        names.versionReview = owner->column;
        return names;
    }
};

} // namespace

qint64 ReviewHistory::Week::total() const
{
    return std::accumulate(stars.begin(), stars.end(), qint64(0));
}

QDateTime ReviewHistory::weekStart(const QDateTime &date)
{
    const qint64 ms = date.toMSecsSinceEpoch();
    // Floored, so that dates before the epoch fall in their own week too.
    const qint64 into = ((ms - FirstMondayMs) % WeekMs + WeekMs) % WeekMs;
    return QDateTime::fromMSecsSinceEpoch(ms - into, Qt::UTC);
}

std::optional<ReviewHistory::Query> ReviewHistory::Query::forProduct(const Product &product)
{
    const ManagedObjectContext *context = product.managedObjectContext();
    if (!context || !context->hasStore())
        return std::nullopt;
    const PersistentStoreCoordinator *coordinator = context->persistentStoreCoordinator();
    Query query;
    query.storePath = coordinator->path();
    query.model = coordinator->sharedModel();
    query.productRow = product.objectID().rowId;
    query.version = Product::filterValue(product.selectedVersion());
    query.countryCode = Product::filterValue(product.selectedCountryCode());
    return query;
}

std::optional<ReviewHistory> ReviewHistory::load(const Query &query)
{
    const auto names = query.model ? Names::of(*query.model) : std::nullopt;
    if (!names) {
        logError(Error::storeError(QStringLiteral("The record model has no reviews history.")));
        return std::nullopt;
    }
    SqliteConnection connection;
    Error error;
    if (!connection.open(query.storePath, false, &error)) {
        logError(error);
        return std::nullopt;
    }
    const Names &n = *names;
    const QByteArray r = "r.";
    // The week's Monday as weekStart() gives it, in SQL.
    const QByteArray week = r + n.date + " - ((" + r + n.date + " - "
        + QByteArray::number(FirstMondayMs) + ") % " + QByteArray::number(WeekMs) + " + "
        + QByteArray::number(WeekMs) + ") % " + QByteArray::number(WeekMs);
    // Reviews without a rating (or with one that is no whole star) count
    // under no star, and so are not counted as edited either: a week's
    // edited mark never stands above its bar.
    //
    // Without a country, the product's rating index answers alone: it holds
    // the date too, so no row with its texts is read. A chosen country
    // takes the product and country index, the few rows it passes
    // outweighing their order; the unary plus before the rating keeps the
    // planner from the rating index then, as the one before the date always
    // keeps it from the date index, which serves the review list's order and
    // lacks the rating. The fold is the store's case-insensitive
    // comparison, which the country index is built on.
    QByteArray filter = " WHERE r." + n.product + " = ?1 AND +r." + n.date + " IS NOT NULL AND "
        + (query.countryCode.isNull() ? QByteArray("r.") : QByteArray("+r.")) + n.rating
        + " IN (1, 2, 3, 4, 5)";
    if (!query.version.isNull())
        filter += " AND r." + n.version + " = ?2";
    if (!query.countryCode.isNull())
        filter += " AND rk_fold(r." + n.country + ") = rk_fold(?3)";
    const QByteArray stars = "SELECT " + week + " AS week, r." + n.rating + ", count(*) FROM "
        + n.reviews + " AS r" + filter + " GROUP BY week, r." + n.rating + " ORDER BY week";
    // The edited ones are few: reached from the earlier versions, each
    // review once, rather than by a look-up for every review.
    const QByteArray edited = "SELECT " + week + " AS week, count(*) FROM (SELECT DISTINCT "
        + n.versionReview + " AS id FROM " + n.versions + ") AS v CROSS JOIN " + n.reviews
        + " AS r ON r." + n.id + " = v.id" + filter + " GROUP BY week";

    const QByteArray version = query.version.toUtf8();
    const QByteArray country = query.countryCode.toUtf8();
    // Both statements read one snapshot of the store.
    Transaction transaction(connection);
    if (!transaction.begin(&error)) {
        logError(error);
        return std::nullopt;
    }
    ReviewHistory history;
    QHash<qint64, qint64> editedByWeek;
    for (const bool starCounts : {true, false}) {
        const QByteArray &sql = starCounts ? stars : edited;
        sqlite3_stmt *statement = connection.prepare(sql, &error);
        if (!statement) {
            logError(error);
            return std::nullopt;
        }
        const StatementScope scope(statement);
        sqlite3_bind_int64(statement, 1, query.productRow);
        if (!query.version.isNull())
            sqlite3_bind_text(
                statement, 2, version.constData(), int(version.size()), SQLITE_STATIC);
        if (!query.countryCode.isNull())
            sqlite3_bind_text(
                statement, 3, country.constData(), int(country.size()), SQLITE_STATIC);
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            const qint64 start = sqlite3_column_int64(statement, 0);
            if (!starCounts) {
                editedByWeek.insert(start, sqlite3_column_int64(statement, 1));
                continue;
            }
            if (history.weeks.isEmpty() || history.weeks.last().start.toMSecsSinceEpoch() != start)
                history.weeks.append({QDateTime::fromMSecsSinceEpoch(start, Qt::UTC)});
            const int star = sqlite3_column_int(statement, 1);
            if (star >= 1 && star <= 5)
                history.weeks.last().stars[size_t(star - 1)] += sqlite3_column_int64(statement, 2);
        }
        if (rc != SQLITE_DONE) {
            logError(connection.lastError());
            return std::nullopt;
        }
    }
    for (Week &current : history.weeks)
        current.edited = editedByWeek.value(current.start.toMSecsSinceEpoch());
    return history;
}
