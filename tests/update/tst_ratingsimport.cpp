#include "support/UpdateFixture.h"

#include "model/RatingSnapshot.h"
#include "net/RequestQueue.h"
#include "support/TestEnvironment.h"
#include "update/RatingsImporter.h"

#include <QJsonObject>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

namespace {

struct Run : UpdateFixture {
    RatingsImporter importer {services, &host};
    Run() { importer.requestQueue().setRequestsPerSecond(0); }

    int load(const QList<std::shared_ptr<Product>> &products, Error *error = nullptr)
    {
        return awaitDone(
            importer, [&](auto done) { importer.loadRatingsForProducts(products, done); }, error);
    }
    std::shared_ptr<Rating> rating(const std::shared_ptr<Product> &product, const QString &country)
    {
        for (const auto &rating : product->ratings())
            if (rating->countryCode().compare(country, Qt::CaseInsensitive) == 0)
                return rating;
        return {};
    }
    std::optional<qint64> ratingCount(
        const std::shared_ptr<Product> &product, const QString &country)
    {
        const auto found = rating(product, country);
        return found ? found->integerValue("ratingCount") : std::nullopt;
    }
    // Merges records of one answer for `country`; returns the change in ratings.
    qint64 mergeAll(const QList<QJsonObject> &records,
        const RatingsImporter::ProductsByIdentifier &products, const QString &country)
    {
        qint64 result = 0;
        awaitDone(importer, [&](auto done) {
            importer.importRatingsFromDictionaries(
                records, products, country, [&result, done](qint64 newRatings, const Error &error) {
                    result = newRatings;
                    done(error);
                });
        });
        return result;
    }
    qint64 merge(
        QJsonObject record, const std::shared_ptr<Product> &product, const QString &country)
    {
        if (!record.contains("trackId"))
            record.insert("trackId", product->identifier());
        return mergeAll({record}, {{product->identifier(), product->objectID()}}, country);
    }
};

QJsonObject counts(int all, int current, double average = 4.5)
{
    return {{"userRatingCount", all}, {"userRatingCountForCurrentVersion", current},
        {"averageUserRating", average}, {"averageUserRatingForCurrentVersion", 4.0}};
}

QJsonObject with(QJsonObject record, const QString &key, const QJsonValue &value)
{
    record.insert(key, value);
    return record;
}

} // namespace

class RatingsImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneLookupPerFiftyProductsAndCountry()
    {
        Run run;
        QList<std::shared_ptr<Product>> products;
        for (int i = 1; i <= 120; ++i)
            products << run.store.app(QString::number(1000 + i));
        QVERIFY(run.store.context->save());
        run.server.setLookupRecord("1001", "US", counts(10, 2));
        run.server.setLookupRecord("1120", "JP", counts(7, 7));
        // A second load while one runs completes at once and asks nothing.
        qsizetype askedWhenSecondEnded = -1;
        QTimer::singleShot(0, [&] {
            run.importer.loadRatingsForProducts(products,
                [&](const Error &) { askedWhenSecondEnded = run.server.lookupRequests().size(); });
        });
        QCOMPARE(run.load(products), 1);
        QVERIFY(askedWhenSecondEnded >= 0 && askedWhenSecondEnded < 9);
        QCOMPARE(run.server.lookupRequests().size(), 9);
        for (const auto &lookup : run.server.lookupRequests())
            QVERIFY(lookup.identifiers.size() <= 50);
        QCOMPARE(run.ratingCount(products.first(), "US"), std::optional<qint64>(10));
        QVERIFY(run.rating(products.last(), "JP"));
        QCOMPARE(run.store.count("Rating"), 2);
        for (const auto &product : products)
            QVERIFY(product->lastRatingsUpdate().isValid());
    }

    // A record finds its product by a trackId in any form the lookup gives,
    // and its stored rating among those of the other products in the answer.
    void countsRiseAndFallAndZeroCountsChangeNothing()
    {
        Run run;
        auto app = run.app("42");
        run.addRating(app, "us", 100);
        QCOMPARE(run.merge(counts(104, 0), app, "US"), 4);
        QCOMPARE(run.merge(counts(98, 0), app, "US"), -6);
        QCOMPARE(run.store.count("Rating"), 1);
        QCOMPARE(run.ratingCount(app, "US"), std::optional<qint64>(98));

        // No ratings at all: nothing created, the stored one unchanged.
        QCOMPARE(run.merge(counts(0, 0), app, "DE"), 0);
        QCOMPARE(run.merge(counts(0, 0), app, "US"), 0);
        QCOMPARE(run.store.count("Rating"), 1);
        QCOMPARE(run.ratingCount(app, "US"), std::optional<qint64>(98));

        // A trackId as text, one beyond a double's digits repeated within the
        // answer (one rating, counted once), and unusable ones, skipped.
        LogCapture log;
        auto big = run.app("9007199254740993");
        const QJsonObject bigRecord = with(counts(5, 5), "trackId", qint64(9007199254740993));
        const QList<QJsonObject> records {with(counts(104, 0), "trackId", "42"), bigRecord,
            bigRecord, with(counts(5, 5), "trackId", QJsonObject {}),
            with(counts(5, 5), "trackId", 42.5), with(counts(5, 5), "trackId", 99)};
        QCOMPARE(run.mergeAll(records,
                     {{"42", app->objectID()}, {big->identifier(), big->objectID()}}, "US"),
            16);
        QCOMPARE(log.matching("Invalid trackId").size(), 2);
        QCOMPARE(run.store.count("Rating"), 2);
        QCOMPARE(run.ratingCount(app, "US"), std::optional<qint64>(104));
        QCOMPARE(run.ratingCount(big, "US"), std::optional<qint64>(5));
    }

    // One snapshot per product, country and day: a later import the same day
    // replaces its values, the next day adds one.
    void snapshotPerDay()
    {
        ManualClock clock(QDateTime(QDate(2026, 3, 10), QTime(18, 0), Qt::UTC));
        Clock::setShared(&clock);
        const auto restore = qScopeGuard([] { Clock::setShared(nullptr); });
        Run run;
        auto app = run.app("46");
        run.merge(counts(3, 3), run.app("47"), "US");
        run.merge(counts(10, 2), app, "us");
        clock.advanceSeconds(5 * 3600 + 59 * 60); // 23:59
        run.merge(counts(12, 2, 4.2), app, "US");
        clock.advanceSeconds(120);
        run.merge(counts(15, 2, 4.0), app, "US");
        FetchRequest request("RatingSnapshot");
        request.predicate = Predicate::format("product == %@", app.get());
        request.sortDescriptors = {{"day"}};
        const auto series = run.store.context->fetch<RatingSnapshot>(request);
        QCOMPARE(series.size(), 2);
        QCOMPARE(series.first()->ratingCount(), std::optional<qint64>(12));
        QCOMPARE(series.first()->averageRating(), std::optional<double>(4.2));
        QCOMPARE(series.last()->day(), RatingSnapshot::dayOf(clock.now()));
        QCOMPARE(series.last()->ratingCount(), std::optional<qint64>(15));
        QCOMPARE(run.store.count("RatingSnapshot"), 3);
    }

    void rateLimitStopsTheLoadQuietly()
    {
        Run run;
        LogCapture log;
        auto app = run.app("44");
        run.server.setLookupRecord("44", "US", counts(3, 3));
        run.server.setLookupRecord("44", "JP", counts(3, 3));
        using Answer = std::optional<LocalHttpServer::Response>;
        run.server.setLookupOverride([](const FeedServer::LookupRequest &request) -> Answer {
            if (request.country == "DE")
                return LocalHttpServer::Response::withStatus(403);
            return std::nullopt;
        });
        Error error;
        QCOMPARE(run.load({app}, &error), 1);
        QVERIFY(!error.isError());
        // Japan's lookup may have started already; its answer is not used.
        QVERIFY(run.rating(app, "US"));
        QVERIFY(!run.rating(app, "JP"));
        QVERIFY(app->lastRatingsUpdate().isValid());
        const QString limited =
            QString("Rate limit exceeded (%1)").arg(Country::localizedName("DE"));
        QCOMPARE(log.matching(limited).size(), 1);
    }
};

RK_TEST_MAIN(RatingsImportTest)
#include "tst_ratingsimport.moc"
