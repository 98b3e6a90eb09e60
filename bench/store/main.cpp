// Store throughput and memory: reviews imported through child-context saves
// beside the same rows written with raw prepared statements; the unread and
// per-star counts of one large product beside the bare SQL; peak memory.
//   bench_store [--tiny]
#include "model/BaseNode.h"
#include "model/DataModel.h"
#include "model/Product.h"
#include "model/StoreQueries.h"
#include "platform/Clock.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

namespace {

struct Size {
    int products;
    int reviews; // over all products
    int batch;
    int bigProduct; // reviews of the product whose counts are timed
    int countRounds;
};

double peakResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// The values of one review and its original content, the same for both
// ways of writing.
struct ReviewValues {
    QString identifier, countryCode, reviewer, version, title;
    QByteArray text;
    double rating;
    qint64 voteSum, voteCount;
    bool read;
    QDateTime dateReviewed;
};

ReviewValues reviewValues(int product, int index)
{
    static const char *const countries[] = {"US", "DE", "GB", "FR", "JP", "IT", "ES", "CA"};
    ReviewValues v;
    v.identifier = QString::number(qint64(product) * 10000000 + index);
    v.countryCode = QLatin1String(countries[index % 8]);
    v.reviewer = QStringLiteral("Reviewer %1").arg(index % 997);
    v.version = QStringLiteral("2.%1").arg(index % 7);
    v.title = QStringLiteral("A title for review %1").arg(index);
    v.text = QByteArray("This is the text of a customer review, long enough to look like one. ")
                 .repeated(4);
    v.rating = 1 + index % 5;
    v.voteSum = index % 3;
    v.voteCount = index % 4;
    v.read = index % 2;
    v.dateReviewed = QDateTime::fromMSecsSinceEpoch(1600000000000 + qint64(index) * 60000, Qt::UTC);
    return v;
}

// One batch through a child context, as the review import saves it.
void importBatch(
    ManagedObjectContext &child, const ObjectID &productId, int product, int first, int count)
{
    child.performAndWait([&] {
        auto owner = std::dynamic_pointer_cast<Product>(child.existingObject(productId));
        const QDateTime now = Clock::shared().now();
        for (int i = first; i < first + count; ++i) {
            const ReviewValues v = reviewValues(product, i);
            auto review = child.insertNewObject(QStringLiteral("Review"));
            review->setObject(QStringLiteral("product"), owner);
            review->setValue(QStringLiteral("identifier"), v.identifier);
            review->setValue(QStringLiteral("countryCode"), v.countryCode);
            review->setValue(QStringLiteral("reviewer"), v.reviewer);
            review->setValue(QStringLiteral("version"), v.version);
            review->setValue(QStringLiteral("rating"), v.rating);
            review->setValue(QStringLiteral("voteSum"), v.voteSum);
            review->setValue(QStringLiteral("voteCount"), v.voteCount);
            review->setValue(QStringLiteral("dateReviewed"), v.dateReviewed);
            review->setValue(QStringLiteral("completed"), true);
            review->setValue(QStringLiteral("dateUpdated"), now);
            review->setValue(QStringLiteral("read"), v.read);
            review->setValue(QStringLiteral("displayTitle"), v.title);
            review->setValue(QStringLiteral("displayData"), v.text);
            auto content = child.insertNewObject(QStringLiteral("ReviewContent"));
            content->setObject(QStringLiteral("review"), review);
            content->setValue(QStringLiteral("title"), v.title);
            content->setValue(QStringLiteral("data"), v.text);
        }
        Error error;
        if (!child.save(&error))
            qFatal("save failed: %s", qPrintable(error.debugDescription()));
    });
}

struct RawWriter {
    SqliteConnection &db;
    qint64 nextId;
    sqlite3_stmt *review = nullptr, *content = nullptr;
    int reviewCode, contentCode;

    void bindText(sqlite3_stmt *s, int i, const QString &text)
    {
        sqlite3_bind_text16(s, i, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
    }

    void prepare()
    {
        review = db.prepare(
            "INSERT INTO \"Review\" (id, entity, \"identifier\", \"countryCode\", \"reviewer\", "
            "\"version\", \"displayTitle\", \"uuid\", \"rating\", \"voteSum\", \"voteCount\", "
            "\"dateReviewed\", \"dateCreated\", \"dateUpdated\", \"completed\", \"read\", "
            "\"displayData\", \"product_id\") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        content = db.prepare("INSERT INTO \"ReviewContent\" (id, entity, \"title\", \"uuid\", "
                             "\"data\", \"review_id\") VALUES (?,?,?,?,?,?)");
        if (!review || !content)
            qFatal("raw statements: %s", qPrintable(db.lastError().debugDescription()));
    }

    void batch(qint64 productRowId, int product, int first, int count)
    {
        db.exec("BEGIN IMMEDIATE");
        const qint64 now = Clock::shared().now().toMSecsSinceEpoch();
        for (int i = first; i < first + count; ++i) {
            const ReviewValues v = reviewValues(product, i);
            const qint64 reviewId = nextId++;
            sqlite3_bind_int64(review, 1, reviewId);
            sqlite3_bind_int(review, 2, reviewCode);
            bindText(review, 3, v.identifier);
            bindText(review, 4, v.countryCode);
            bindText(review, 5, v.reviewer);
            bindText(review, 6, v.version);
            bindText(review, 7, v.title);
            bindText(review, 8, BaseNode::newUuid());
            sqlite3_bind_double(review, 9, v.rating);
            sqlite3_bind_int64(review, 10, v.voteSum);
            sqlite3_bind_int64(review, 11, v.voteCount);
            sqlite3_bind_int64(review, 12, v.dateReviewed.toMSecsSinceEpoch());
            sqlite3_bind_int64(review, 13, now);
            sqlite3_bind_int64(review, 14, now);
            sqlite3_bind_int(review, 15, 1);
            sqlite3_bind_int(review, 16, v.read);
            sqlite3_bind_blob(review, 17, v.text.constData(), int(v.text.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(review, 18, productRowId);
            sqlite3_step(review);
            sqlite3_reset(review);

            sqlite3_bind_int64(content, 1, nextId++);
            sqlite3_bind_int(content, 2, contentCode);
            bindText(content, 3, v.title);
            bindText(content, 4, BaseNode::newUuid());
            sqlite3_bind_blob(content, 5, v.text.constData(), int(v.text.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(content, 6, reviewId);
            sqlite3_step(content);
            sqlite3_reset(content);
        }
        db.exec("COMMIT");
    }
};

// Microseconds per run, after one warm-up run.
double microseconds(int rounds, const std::function<void()> &body)
{
    body();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        body();
    return double(timer.nsecsElapsed()) / 1e3 / rounds;
}

volatile qint64 sink = 0;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool tiny = app.arguments().contains(QStringLiteral("--tiny"));
    const Size size = tiny ? Size {4, 2000, 100, 1000, 5} : Size {40, 200000, 500, 50000, 200};
    QTemporaryDir dir;

    // --- Import through child contexts --------------------------------------
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
    Error error;
    if (!coordinator->addSQLiteStore(dir.filePath(QStringLiteral("store.db")), &error))
        qFatal("%s", qPrintable(error.debugDescription()));
    ManagedObjectContext main(coordinator);
    QList<ObjectID> products;
    for (int p = 0; p <= size.products; ++p) {
        auto product = main.insertNewObject(QStringLiteral("App"));
        product->setValue(QStringLiteral("identifier"), QString::number(p));
        products << product->objectID();
    }
    main.save();
    auto child = main.newPrivateContext();

    const int perProduct = size.reviews / size.products;
    double peakAtQuarter = 0;
    int imported = 0;
    QElapsedTimer timer;
    timer.start();
    for (int p = 0; p < size.products; ++p)
        for (int first = 0; first < perProduct; first += size.batch) {
            importBatch(*child, products[p], p, first, size.batch);
            imported += size.batch;
            if (imported == size.reviews / 4)
                peakAtQuarter = peakResidentMegabytes();
        }
    const double storeSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double peakAtFull = peakResidentMegabytes();
    const double storeRate = imported / storeSeconds;

    // --- The same rows with raw statements ------------------------------------
    auto rawCoordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
    if (!rawCoordinator->addSQLiteStore(dir.filePath(QStringLiteral("raw.db")), &error))
        qFatal("%s", qPrintable(error.debugDescription()));
    const ManagedObjectModel &model = *DataModel::shared();
    RawWriter raw {*rawCoordinator->writeConnection(), 1000, nullptr, nullptr,
        model.entity(QStringLiteral("Review"))->code(),
        model.entity(QStringLiteral("ReviewContent"))->code()};
    raw.prepare();
    timer.restart();
    int rawWritten = 0;
    for (int p = 0; p < size.products; ++p)
        for (int first = 0; first < perProduct; first += size.batch) {
            raw.batch(p + 1, p, first, size.batch);
            rawWritten += size.batch;
        }
    const double rawRate = rawWritten / (double(timer.nsecsElapsed()) / 1e9);

    // --- Counts of one large product ------------------------------------------
    const ObjectID bigId = products[size.products];
    for (int first = 0; first < size.bigProduct; first += size.batch)
        importBatch(*child, bigId, size.products, first, size.batch);
    child.reset();
    auto big = std::dynamic_pointer_cast<Product>(main.existingObject(bigId));
    FetchRequest unread(QStringLiteral("Review"));
    unread.predicate = Predicate::format(QStringLiteral("product == %@ AND read == NO"), big);
    const double unreadStore =
        microseconds(size.countRounds, [&] { sink = main.countForFetchRequest(unread); });
    const qint64 unreadCount = sink;
    const double starsStore = microseconds(size.countRounds,
        [&] { sink = StoreQueries::reviewsGroupedByStarsForProduct(&main, big.get())->size(); });

    SqliteConnection bare;
    if (!bare.open(dir.filePath(QStringLiteral("store.db")), false, &error))
        qFatal("%s", qPrintable(error.debugDescription()));
    sqlite3_stmt *bareUnread =
        bare.prepare("SELECT count(*) FROM \"Review\" WHERE \"product_id\" = ? AND \"read\" = 0");
    sqlite3_stmt *bareStars = bare.prepare("SELECT \"rating\", count(*) FROM \"Review\" WHERE "
                                           "\"product_id\" = ? GROUP BY \"rating\" ORDER BY "
                                           "\"rating\" DESC");
    const double unreadBare = microseconds(size.countRounds, [&] {
        sqlite3_bind_int64(bareUnread, 1, bigId.rowId);
        sqlite3_step(bareUnread);
        sink = sqlite3_column_int64(bareUnread, 0);
        sqlite3_reset(bareUnread);
    });
    if (sink != unreadCount)
        qFatal("unread counts differ: %lld and %lld", qlonglong(sink), qlonglong(unreadCount));
    const double starsBare = microseconds(size.countRounds, [&] {
        sqlite3_bind_int64(bareStars, 1, bigId.rowId);
        qint64 groups = 0;
        while (sqlite3_step(bareStars) == SQLITE_ROW)
            groups += sqlite3_column_int64(bareStars, 1) > 0;
        sink = groups;
        sqlite3_reset(bareStars);
    });

    std::printf("store bench (%s): %d reviews over %d products, batches of %d\n",
        tiny ? "tiny" : "full", imported, size.products, size.batch);
    std::printf("import via child contexts: %10.0f reviews/s\n", storeRate);
    std::printf("import via raw statements: %10.0f reviews/s\n", rawRate);
    std::printf("  ratio store/raw: %.2f (goal >= 0.50)\n", storeRate / rawRate);
    std::printf(
        "unread count, %d reviews:   store %8.1f us, bare SQL %8.1f us, ratio %.2f (goal <= 2)\n",
        size.bigProduct, unreadStore, unreadBare, unreadStore / unreadBare);
    std::printf(
        "grouped star count:        store %8.1f us, bare SQL %8.1f us, ratio %.2f (goal <= 2)\n",
        starsStore, starsBare, starsStore / starsBare);
    std::printf("peak resident memory: %.1f MB after %d reviews, %.1f MB after %d reviews, "
                "growth %.1f MB (goal <= 64)\n",
        peakAtQuarter, size.reviews / 4, peakAtFull, size.reviews, peakAtFull - peakAtQuarter);
    return 0;
}
