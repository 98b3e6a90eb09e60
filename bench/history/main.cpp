// What the ratings history costs: bytes on disk per snapshot (table and
// index, measured page by page) with values as real stores hold them, what
// that makes for 100 apps in 175 countries over a year, and how long a
// chart's series takes with one aggregate query: all countries summed per
// day, and one country.
//
//   bench_history [--tiny]

#include "../support/SnapshotWriter.h"
#include "model/App.h"
#include "model/DataModel.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

namespace {

qint64 scalar(sqlite3 *db, const QByteArray &sql)
{
    sqlite3_stmt *statement = nullptr;
    qint64 result = -1;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        result = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return result;
}

// Mean microseconds of a query over all its rows; the rows of the last run.
double timeQuery(sqlite3 *db, const QByteArray &sql, qint64 product, int rounds, int *rows)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return -1;
    }
    qint64 nanos = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        sqlite3_bind_int64(statement, 1, product);
        *rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW)
            ++*rows;
        sqlite3_reset(statement);
        nanos += timer.nsecsElapsed();
    }
    sqlite3_finalize(statement);
    return nanos / 1000.0 / rounds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool tiny = app.arguments().contains(QStringLiteral("--tiny"));
    const int apps = tiny ? 2 : 4;
    const int countries = tiny ? 5 : 40;
    const int days = tiny ? 30 : 730;
    const int rounds = tiny ? 3 : 20;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
    Error error;
    if (!coordinator->addSQLiteStore(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.debugDescription()));
        return 1;
    }
    ManagedObjectContext context(coordinator);
    QList<std::shared_ptr<App>> products;
    for (int i = 0; i < apps; ++i)
        products << context.insertNewObject<App>(QStringLiteral("App"));
    if (!context.save(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error.debugDescription()));
        return 1;
    }

    // Written day by day, as imports write them.
    qint64 snapshots = 0;
    for (int day = 0; day < days; ++day) {
        for (const auto &product : std::as_const(products))
            for (int country = 0; country < countries; ++country) {
                insertSnapshot(context, product, day, country);
                ++snapshots;
            }
        if (!context.save(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error.debugDescription()));
            return 1;
        }
    }

    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    // Bytes of the table and of its indexes, free space in their pages
    // included; without the page statistics, the pages of the whole file.
    qint64 bytes = scalar(db,
        "SELECT sum(pgsize) FROM dbstat WHERE name = 'RatingSnapshot' OR name IN (SELECT name "
        "FROM sqlite_master WHERE type = 'index' AND tbl_name = 'RatingSnapshot')");
    const bool paged = bytes > 0;
    if (!paged)
        bytes = scalar(db, "PRAGMA page_count") * scalar(db, "PRAGMA page_size");
    const double perSnapshot = double(bytes) / double(snapshots);

    const QByteArray allCountries =
        "SELECT day, sum(ratingCount), sum(ratingCount * averageRating) / sum(ratingCount) FROM "
        "\"RatingSnapshot\" WHERE product_id = ? GROUP BY day ORDER BY day";
    int allRows = 0, oneRows = 0;
    const double allMicros =
        timeQuery(db, allCountries, products.first()->objectID().rowId, rounds, &allRows);
    const double oneMicros = timeQuery(db,
        "SELECT day, ratingCount, averageRating, currentVersion FROM \"RatingSnapshot\" WHERE "
        "product_id = ? AND countryCode = 'AB' ORDER BY day",
        products.first()->objectID().rowId, rounds, &oneRows);
    const QByteArray plan = [&] {
        sqlite3_stmt *statement = nullptr;
        QByteArray text;
        sqlite3_prepare_v2(db, QByteArray("EXPLAIN QUERY PLAN " + allCountries).constData(), -1,
            &statement, nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW)
            text += QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(statement, 3)))
                + "; ";
        sqlite3_finalize(statement);
        return text;
    }();
    sqlite3_close(db);

    const double year = 100.0 * 175 * 365;
    std::printf("history bench (%s): %d apps x %d countries x %d days = %lld snapshots\n",
        tiny ? "tiny" : "full", apps, countries, days, static_cast<long long>(snapshots));
    std::printf("  on disk: %.1f bytes per snapshot, table and index (%s; goal <= 100)\n",
        perSnapshot, paged ? "their pages" : "whole file");
    std::printf("  100 apps x 175 countries x 365 days: %.0f snapshots, %.1f MB a year\n", year,
        year * perSnapshot / 1e6);
    std::printf("  chart series, all countries summed: %.0f us for %d days (goal < 100000)\n",
        allMicros, allRows);
    std::printf("  chart series, one country: %.0f us for %d days\n", oneMicros, oneRows);
    std::printf("  plan: %s\n", plan.constData());
    // At the tiny size, part-filled pages weigh on every row.
    return allRows == days && oneRows == days && (tiny || perSnapshot <= 100) ? 0 : 1;
}
