// What a merge of new reviews costs the main thread afterwards: the unread
// recount of the product it touched, with the product already holding many
// reviews (a tenth of them unread). Prints the recount in microseconds beside
// the bare count query on the same connection settings and index.
//
//   bench_records [--tiny]

#include "model/App.h"
#include "model/DataModel.h"
#include "model/Review.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>

namespace {

void insertReviews(
    ManagedObjectContext &context, const ObjectID &productId, int from, int count, int unreadEvery)
{
    auto product = std::dynamic_pointer_cast<Product>(context.existingObject(productId));
    for (int i = from; i < from + count; ++i) {
        auto review = context.insertNewObject<Review>(QStringLiteral("Review"));
        review->setProduct(product);
        review->setValue(QStringLiteral("identifier"), QString::number(i));
        review->setValue(QStringLiteral("countryCode"), QStringLiteral("US"));
        review->setValue(QStringLiteral("rating"), double(1 + i % 5));
        review->setValue(QStringLiteral("read"), unreadEvery > 0 && i % unreadEvery != 0);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool tiny = app.arguments().contains(QStringLiteral("--tiny"));
    const int existing = tiny ? 2000 : 50000;
    const int merged = tiny ? 50 : 500;
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
    auto product = context.insertNewObject<App>(QStringLiteral("App"));
    context.save();
    const ObjectID id = product->objectID();
    // A tenth unread.
    for (int done = 0; done < existing; done += 5000) {
        insertReviews(context, id, done, std::min(5000, existing - done), 10);
        context.save();
    }
    product->unReadCount(); // first computation, as when the sidebar shows it

    auto child = context.newPrivateContext();
    qint64 recountNanos = 0;
    int recounts = 0;
    for (int round = 0; round < rounds; ++round) {
        const int before = product->unreadRecounts();
        child->performAndWait([&] {
            insertReviews(*child, id, existing + round * merged, merged, 1);
            child->save();
        });
        QCoreApplication::processEvents();
        recounts += product->unreadRecounts() - before;
        // The recount the merge caused ran while the main context applied
        // it; time the same recount alone.
        QElapsedTimer timer;
        timer.start();
        product->updateUnReadCount();
        recountNanos += timer.nsecsElapsed();
    }

    // The bare query: the same count on a connection of its own.
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    const int prepared = sqlite3_prepare_v2(db,
        "SELECT count(*) FROM \"Review\" WHERE \"product_id\" = ? AND \"read\" = 0", -1, &statement,
        nullptr);
    qint64 bareNanos = 0;
    qint64 bareCount = -1;
    if (prepared == SQLITE_OK) {
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            sqlite3_bind_int64(statement, 1, id.rowId);
            if (sqlite3_step(statement) == SQLITE_ROW)
                bareCount = sqlite3_column_int64(statement, 0);
            sqlite3_reset(statement);
            bareNanos += timer.nsecsElapsed();
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);

    const double recountMicros = recountNanos / 1000.0 / rounds;
    const double bareMicros = bareNanos / 1000.0 / rounds;
    std::printf("records bench (%s): %d reviews, %d merged per round, %d rounds\n",
        tiny ? "tiny" : "full", existing, merged, rounds);
    std::printf("  recounts per merge: %.2f (goal 1)\n", double(recounts) / rounds);
    std::printf("  unread recount after a merge: %.0f us (goal < 2000)\n", recountMicros);
    std::printf("  bare count query: %.0f us, ratio %.2f (%s)\n", bareMicros,
        bareMicros > 0 ? recountMicros / bareMicros : 0.0,
        prepared == SQLITE_OK ? "same index" : "query failed; table layout differs");
    std::printf("  unread now: %lld (bare %lld)\n",
        static_cast<long long>(product->unReadCount().value_or(0)),
        static_cast<long long>(bareCount));
    return recounts == rounds ? 0 : 1;
}
