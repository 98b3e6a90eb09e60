#include "ReviewHistory.h"

#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "Product.h"
#include "SqliteConnection.h"
#include "StringFormat.h"

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
        const PropertyDescription *owner = previous->property(QStringLiteral("review"));
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
    // The week's Monday as weekStart() gives it, in SQL.
    const QByteArray week = n.date + " - ((" + n.date + " - " + QByteArray::number(FirstMondayMs)
        + ") % " + QByteArray::number(WeekMs) + " + " + QByteArray::number(WeekMs) + ") % "
        + QByteArray::number(WeekMs);
    // Reviews without a rating (or with one that is no whole star) count
    // under no star, and so are not counted as edited either: a week's
    // edited mark never stands above its bar. EXISTS counts a review with
    // several earlier versions once.
    //
    // Without a country, the product's date index leads: it visits the rows
    // in about the order they were written, which reads the table's pages
    // in turn instead of jumping between them (half the time at 50,000
    // reviews). A chosen country takes the product and country index, the
    // few rows it passes outweighing their order; the unary plus keeps the
    // planner from the date index then, as the one before the rating keeps
    // it from the rating index, which nearly every review passes. The fold
    // is the store's case-insensitive comparison, which that index is built
    // on.
    const QByteArray date = query.countryCode.isNull() ? n.date : "+" + n.date;
    QByteArray sql = "SELECT " + week + " AS week, " + n.rating
        + ", count(*), sum(EXISTS (SELECT 1 FROM " + n.versions + " WHERE " + n.versions + "."
        + n.versionReview + " = " + n.reviews + "." + n.id + ")) FROM " + n.reviews + " WHERE "
        + n.product + " = ?1 AND " + date + " IS NOT NULL AND +" + n.rating + " IN (1, 2, 3, 4, 5)";
    if (!query.version.isNull())
        sql += " AND " + n.version + " = ?2";
    if (!query.countryCode.isNull())
        sql += " AND rk_fold(" + n.country + ") = rk_fold(?3)";
    sql += " GROUP BY week, " + n.rating + " ORDER BY week";
    sqlite3_stmt *statement = connection.prepare(sql, &error);
    if (!statement) {
        logError(error);
        return std::nullopt;
    }
    const StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, query.productRow);
    const QByteArray version = query.version.toUtf8();
    const QByteArray country = query.countryCode.toUtf8();
    if (!query.version.isNull())
        sqlite3_bind_text(statement, 2, version.constData(), int(version.size()), SQLITE_STATIC);
    if (!query.countryCode.isNull())
        sqlite3_bind_text(statement, 3, country.constData(), int(country.size()), SQLITE_STATIC);

    ReviewHistory history;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const qint64 start = sqlite3_column_int64(statement, 0);
        if (history.weeks.isEmpty() || history.weeks.last().start.toMSecsSinceEpoch() != start)
            history.weeks.append({QDateTime::fromMSecsSinceEpoch(start, Qt::UTC)});
        Week &current = history.weeks.last();
        const int star = sqlite3_column_int(statement, 1);
        if (star < 1 || star > 5)
            continue;
        current.stars[size_t(star - 1)] += sqlite3_column_int64(statement, 2);
        current.edited += sqlite3_column_int64(statement, 3);
    }
    if (rc != SQLITE_DONE) {
        logError(connection.lastError());
        return std::nullopt;
    }
    return history;
}
