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
        int completions = 0;
        importer.loadRatingsForProducts(products, [&](const Error &e) {
            ++completions;
            if (error)
                *error = e;
        });
        waitFor([&] { return completions > 0; }, nullptr, 20000);
        importer.drainMerges();
        QTest::qWait(20);
        return completions;
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
        bool done = false;
        importer.importRatingsFromDictionaries(
            records, products, country, [&](qint64 newRatings, const Error &) {
                result = newRatings;
                done = true;
            });
        waitFor([&] { return done; }, nullptr, 5000);
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

        // Unusable records are skipped.
        LogCapture log;
        run.mergeAll({with(counts(5, 5), "trackId", QJsonObject {}),
                         with(counts(5, 5), "trackId", 42.5), with(counts(5, 5), "trackId", 99)},
            {{"42", app->objectID()}}, "DE");
        QCOMPARE(log.matching("Invalid trackId").size(), 2);
        QCOMPARE(run.store.count("Rating"), 1);
    }

    // A record finds its product by a trackId in any form the lookup gives,
    // and its stored rating among those of the other products in the answer;
    // one repeated within an answer updates the same rating.
    void recordsFindTheirProductAndRating_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QJsonValue>("trackId");
        QTest::addColumn<int>("repeats");
        QTest::newRow("text") << "42" << QJsonValue("42") << 1;
        QTest::newRow("beyond a double's digits")
            << "9007199254740993" << QJsonValue(qint64(9007199254740993)) << 1;
        QTest::newRow("repeated") << "42" << QJsonValue(qint64(42)) << 3;
    }

    void recordsFindTheirProductAndRating()
    {
        QFETCH(QString, identifier);
        QFETCH(QJsonValue, trackId);
        QFETCH(int, repeats);
        Run run;
        auto rated = run.app("77");
        run.addRating(rated, "us", 100);
        auto app = run.app(identifier);
        QList<QJsonObject> records {with(counts(104, 0), "trackId", 77)};
        for (int i = 0; i < repeats; ++i)
            records << with(counts(5, 5), "trackId", trackId);
        QCOMPARE(
            run.mergeAll(records, {{"77", rated->objectID()}, {identifier, app->objectID()}}, "US"),
            14);
        QCOMPARE(run.store.count("Rating"), 2);
        QCOMPARE(run.ratingCount(rated, "US"), std::optional<qint64>(104));
        QCOMPARE(run.ratingCount(app, "US"), std::optional<qint64>(5));
    }

    // One snapshot per product, country and day: a later import the same day
    // replaces its values, an unchanged one writes nothing, the next day adds
    // one; the product's deletion takes them all.
    void snapshotPerDay_data()
    {
        QTest::addColumn<QDateTime>("later");
        QTest::addColumn<int>("laterCount");
        QTest::addColumn<int>("snapshots");
        const QDate day(2026, 3, 10);
        QTest::newRow("same day, new values") << QDateTime(day, QTime(23, 59), Qt::UTC) << 12 << 1;
        QTest::newRow("same day, unchanged") << QDateTime(day, QTime(18, 0), Qt::UTC) << 10 << 1;
        QTest::newRow("next day") << QDateTime(day.addDays(1), QTime(0, 1), Qt::UTC) << 12 << 2;
    }

    void snapshotPerDay()
    {
        QFETCH(QDateTime, later);
        QFETCH(int, laterCount);
        QFETCH(int, snapshots);
        ManualClock clock(QDateTime(QDate(2026, 3, 10), QTime(0, 0), Qt::UTC));
        Clock::setShared(&clock);
        const auto restore = qScopeGuard([] { Clock::setShared(nullptr); });
        Run run;
        auto app = run.app("46");
        run.merge(with(counts(10, 2, 4.5), "version", "1.0"), app, "us");
        run.merge(counts(3, 3), run.app("47"), "US");
        run.merge(counts(5, 5), app, "DE");
        clock.setNow(later);
        const double average = laterCount == 10 ? 4.5 : 4.2;
        run.merge(with(counts(laterCount, 2, average), "version", "1.0"), app, "US");

        FetchRequest request("RatingSnapshot");
        request.predicate =
            Predicate::format("product == %@ AND countryCode == %@", app.get(), QString("US"));
        request.sortDescriptors = {{"day"}};
        const auto series = run.store.context->fetch<RatingSnapshot>(request);
        QCOMPARE(series.size(), snapshots);
        const auto last = series.last();
        QCOMPARE(last->day(), RatingSnapshot::dayOf(later));
        QCOMPARE(last->ratingCount(), std::optional<qint64>(laterCount));
        QCOMPARE(last->averageRating(), std::optional<double>(average));
        QCOMPARE(last->currentVersion(), QString("1.0"));
        QCOMPARE(
            series.first()->ratingCount(), std::optional<qint64>(snapshots == 2 ? 10 : laterCount));
        QCOMPARE(run.store.count("RatingSnapshot"), snapshots + 2);

        run.store.context->deleteObject(app);
        QVERIFY(run.store.context->save());
        QCOMPARE(run.store.count("RatingSnapshot"), 1);
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
