#include "support/UpdateFixture.h"

#include "model/RatingSnapshot.h"
#include "net/RequestQueue.h"
#include "support/TestEnvironment.h"
#include "update/RatingsImporter.h"

#include <QJsonObject>
#include <QScopeGuard>
#include <QTest>

class RatingsImportTest : public QObject {
    Q_OBJECT

    struct Run {
        UpdateFixture fixture;
        RatingsImporter importer {fixture.services, &fixture.host};
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
        std::shared_ptr<Rating> rating(
            const std::shared_ptr<Product> &product, const QString &country)
        {
            for (const auto &rating : product->ratings())
                if (rating->countryCode().compare(country, Qt::CaseInsensitive) == 0)
                    return rating;
            return {};
        }
        qint64 merge(const QJsonObject &record, const std::shared_ptr<Product> &product,
            const QString &country)
        {
            qint64 result = 0;
            bool done = false;
            QJsonObject withId = record;
            if (!withId.contains("trackId"))
                withId.insert("trackId", product->identifier());
            importer.importRatingsFromDictionaries({withId},
                {{product->identifier(), product->objectID()}}, country,
                [&](qint64 newRatings, const Error &) {
                    result = newRatings;
                    done = true;
                });
            waitFor([&] { return done; }, nullptr, 5000);
            return result;
        }
    };

    static QJsonObject counts(int all, int current, double average = 4.5)
    {
        return {{"userRatingCount", all}, {"userRatingCountForCurrentVersion", current},
            {"averageUserRating", average}, {"averageUserRatingForCurrentVersion", 4.0}};
    }

private Q_SLOTS:
    void oneLookupPerFiftyProductsAndCountry()
    {
        Run run;
        QList<std::shared_ptr<Product>> products;
        for (int i = 1; i <= 120; ++i) {
            auto app = run.fixture.store.app(QString::number(1000 + i));
            products << app;
        }
        QVERIFY(run.fixture.store.context->save());
        run.fixture.server.setLookupRecord(
            QStringLiteral("1001"), QStringLiteral("US"), counts(10, 2));
        run.fixture.server.setLookupRecord(
            QStringLiteral("1120"), QStringLiteral("JP"), counts(7, 7));
        QCOMPARE(run.load(products), 1);
        QCOMPARE(run.fixture.server.lookupRequests().size(), 9);
        for (const auto &lookup : run.fixture.server.lookupRequests())
            QVERIFY(lookup.identifiers.size() <= 50);
        auto rating = run.rating(products.first(), QStringLiteral("US"));
        QVERIFY(rating);
        QCOMPARE(rating->integerValue(QStringLiteral("ratingCount")), std::optional<qint64>(10));
        QCOMPARE(rating->floatValue(QStringLiteral("averageRating")), std::optional<double>(4.5));
        QVERIFY(run.rating(products.last(), QStringLiteral("JP")));
        QCOMPARE(run.fixture.store.count(QStringLiteral("Rating")), 2);
        for (const auto &product : products)
            QVERIFY(product->lastRatingsUpdate().isValid());
        QVERIFY(run.fixture.host.progress.contains(
            QStringLiteral("Updating Ratings: %1")
                .arg(Country::localizedName(QStringLiteral("JP")))));
    }

    void countsRiseAndFallAndZeroCountsChangeNothing()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("42"));
        run.fixture.addRating(app, QStringLiteral("us"), 100);
        QCOMPARE(run.merge(counts(104, 0), app, QStringLiteral("US")), 4);
        QCOMPARE(run.merge(counts(98, 0), app, QStringLiteral("US")), -6);
        QCOMPARE(run.fixture.store.count(QStringLiteral("Rating")), 1);
        auto rating = run.rating(app, QStringLiteral("US"));
        QCOMPARE(rating->integerValue(QStringLiteral("ratingCount")), std::optional<qint64>(98));

        // No ratings at all: nothing created, the stored one unchanged.
        QCOMPARE(run.merge(counts(0, 0), app, QStringLiteral("DE")), 0);
        QCOMPARE(run.merge(counts(0, 0), app, QStringLiteral("US")), 0);
        QCOMPARE(run.fixture.store.count(QStringLiteral("Rating")), 1);
        QCOMPARE(rating->integerValue(QStringLiteral("ratingCount")), std::optional<qint64>(98));

        // Unusable records are skipped.
        LogCapture log;
        QJsonObject broken = counts(5, 5);
        broken.insert("trackId", QJsonObject {});
        bool done = false;
        QJsonObject fraction = counts(5, 5);
        fraction.insert("trackId", 42.5);
        QJsonObject unknown = counts(5, 5);
        unknown.insert("trackId", 99);
        run.importer.importRatingsFromDictionaries({broken, fraction, unknown},
            {{QStringLiteral("42"), app->objectID()}}, QStringLiteral("DE"),
            [&](qint64, const Error &) { done = true; });
        RK_WAIT(done);
        QCOMPARE(log.matching(QStringLiteral("Invalid trackId")).size(), 2);
        QCOMPARE(run.fixture.store.count(QStringLiteral("Rating")), 1);
    }

    // A record finds its product by a trackId in any form the lookup gives,
    // and its stored rating among those of the other products in the answer;
    // one repeated within an answer updates the same rating.
    void recordsFindTheirProductAndRating_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QJsonValue>("trackId");
        QTest::addColumn<int>("repeats");
        QTest::newRow("number") << "42" << QJsonValue(qint64(42)) << 1;
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
        auto rated = run.fixture.app(QStringLiteral("77"));
        run.fixture.addRating(rated, QStringLiteral("us"), 100);
        auto app = run.fixture.app(identifier);
        QJsonObject raised = counts(104, 0);
        raised.insert("trackId", 77);
        QList<QJsonObject> records {raised};
        QJsonObject record = counts(5, 5);
        record.insert("trackId", trackId);
        for (int i = 0; i < repeats; ++i)
            records << record;
        qint64 newRatings = -1;
        run.importer.importRatingsFromDictionaries(records,
            {{QStringLiteral("77"), rated->objectID()}, {identifier, app->objectID()}},
            QStringLiteral("US"), [&](qint64 count, const Error &) { newRatings = count; });
        RK_WAIT(newRatings >= 0);
        QCOMPARE(newRatings, 14);
        QCOMPARE(run.fixture.store.count(QStringLiteral("Rating")), 2);
        QCOMPARE(
            run.rating(rated, QStringLiteral("US"))->integerValue(QStringLiteral("ratingCount")),
            std::optional<qint64>(104));
        auto rating = run.rating(app, QStringLiteral("US"));
        QVERIFY(rating);
        QCOMPARE(rating->integerValue(QStringLiteral("ratingCount")), std::optional<qint64>(5));
    }

    // One snapshot per product, country and day: a later import the same day
    // replaces its values, an unchanged one writes nothing, the next day adds
    // one; the product's deletion takes them all.
    void snapshotPerDay_data()
    {
        QTest::addColumn<QDateTime>("later");
        QTest::addColumn<int>("laterCount");
        QTest::addColumn<int>("snapshots");
        QTest::addColumn<bool>("written");
        const QDate day(2026, 3, 10);
        QTest::newRow("same day, new values")
            << QDateTime(day, QTime(23, 59), Qt::UTC) << 12 << 1 << true;
        QTest::newRow("same day, unchanged")
            << QDateTime(day, QTime(18, 0), Qt::UTC) << 10 << 1 << false;
        QTest::newRow("next day") << QDateTime(day.addDays(1), QTime(0, 1), Qt::UTC) << 12 << 2
                                  << true;
    }

    void snapshotPerDay()
    {
        QFETCH(QDateTime, later);
        QFETCH(int, laterCount);
        QFETCH(int, snapshots);
        QFETCH(bool, written);
        ManualClock clock(QDateTime(QDate(2026, 3, 10), QTime(0, 0), Qt::UTC));
        Clock::setShared(&clock);
        const auto restore = qScopeGuard([] { Clock::setShared(nullptr); });
        Run run;
        auto app = run.fixture.app(QStringLiteral("46"));
        auto other = run.fixture.app(QStringLiteral("47"));
        QJsonObject first = counts(10, 2, 4.5);
        first.insert("version", "1.0");
        run.merge(first, app, QStringLiteral("us"));
        run.merge(counts(3, 3), other, QStringLiteral("US"));
        run.merge(counts(5, 5), app, QStringLiteral("DE"));

        int snapshotWrites = 0;
        run.fixture.store.context->observeChanges(
            &run.importer, [&](const ChangeNotification &change) {
                for (const ObjectID &id : change.inserted)
                    snapshotWrites += id.entity->name() == QLatin1String("RatingSnapshot");
                for (auto it = change.updated.cbegin(); it != change.updated.cend(); ++it)
                    snapshotWrites += it.key().entity->name() == QLatin1String("RatingSnapshot");
            });
        clock.setNow(later);
        QJsonObject second = counts(laterCount, 2, laterCount == 10 ? 4.5 : 4.2);
        second.insert("version", "1.0");
        run.merge(second, app, QStringLiteral("US"));
        QTest::qWait(20);
        QCOMPARE(snapshotWrites > 0, written);

        FetchRequest request(QStringLiteral("RatingSnapshot"));
        request.predicate = Predicate::format(
            QStringLiteral("product == %@ AND countryCode == %@"), app.get(), QStringLiteral("US"));
        request.sortDescriptors = {{QStringLiteral("day")}};
        const auto series = run.fixture.store.context->fetch<RatingSnapshot>(request);
        QCOMPARE(series.size(), snapshots);
        const auto last = series.last();
        QCOMPARE(last->day(), RatingSnapshot::dayOf(later));
        QCOMPARE(last->ratingCount(), std::optional<qint64>(laterCount));
        QCOMPARE(last->averageRating(), std::optional<double>(laterCount == 10 ? 4.5 : 4.2));
        QCOMPARE(last->ratingCountForCurrentVersion(), std::optional<qint64>(2));
        QCOMPARE(last->averageRatingForCurrentVersion(), std::optional<double>(4.0));
        QCOMPARE(last->currentVersion(), QStringLiteral("1.0"));
        QCOMPARE(
            series.first()->ratingCount(), std::optional<qint64>(snapshots == 2 ? 10 : laterCount));
        QCOMPARE(run.fixture.store.count(QStringLiteral("RatingSnapshot")), snapshots + 2);

        run.fixture.store.context->deleteObject(app);
        QVERIFY(run.fixture.store.context->save());
        QCOMPARE(run.fixture.store.count(QStringLiteral("RatingSnapshot")), 1);
    }

    void laterReleaseMovesTheCurrentVersionForward()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("43"));
        const QDateTime released(QDate(2026, 5, 1), QTime(0, 0), Qt::UTC);
        app->setValue(QStringLiteral("currentVersionReleaseDate"), released);
        app->setValue(QStringLiteral("currentVersion"), QStringLiteral("1.0"));
        QVERIFY(run.fixture.store.context->save());
        QJsonObject record = counts(0, 0);
        record.insert("trackId", 43);
        record.insert("version", "0.9");
        record.insert("currentVersionReleaseDate", "2026-04-01T00:00:00Z");
        run.merge(record, app, QStringLiteral("US"));
        QCOMPARE(app->currentVersion(), QStringLiteral("1.0"));
        record.insert("version", "2.0");
        record.insert("currentVersionReleaseDate", "2026-06-01T07:00:00Z");
        run.merge(record, app, QStringLiteral("US"));
        QCOMPARE(app->currentVersion(), QStringLiteral("2.0"));
        QCOMPARE(
            app->currentVersionReleaseDate(), QDateTime(QDate(2026, 6, 1), QTime(7, 0), Qt::UTC));
    }

    void rateLimitStopsTheLoadQuietly()
    {
        Run run;
        LogCapture log;
        auto app = run.fixture.app(QStringLiteral("44"));
        run.fixture.server.setLookupRecord(
            QStringLiteral("44"), QStringLiteral("US"), counts(3, 3));
        run.fixture.server.setLookupRecord(
            QStringLiteral("44"), QStringLiteral("JP"), counts(3, 3));
        run.fixture.server.setLookupOverride([](const FeedServer::LookupRequest &request)
                                                 -> std::optional<LocalHttpServer::Response> {
            if (request.country == QLatin1String("DE"))
                return LocalHttpServer::Response::withStatus(403);
            return std::nullopt;
        });
        Error error;
        QCOMPARE(run.load({app}, &error), 1);
        QVERIFY(!error.isError());
        // Japan's lookup may have started already; its answer is not used.
        QVERIFY(run.rating(app, QStringLiteral("US")));
        QVERIFY(!run.rating(app, QStringLiteral("JP")));
        QVERIFY(app->lastRatingsUpdate().isValid());
        QCOMPARE(log.matching(QStringLiteral("Rate limit exceeded (%1)")
                                  .arg(Country::localizedName(QStringLiteral("DE"))))
                     .size(),
            1);

        // Any other failure reaches the caller.
        run.fixture.server.setLookupOverride(
            [](const FeedServer::LookupRequest &) -> std::optional<LocalHttpServer::Response> {
                return LocalHttpServer::Response::withStatus(500, "<html>error</html>");
            });
        QCOMPARE(run.load({app}, &error), 1);
        QCOMPARE(error.code(), 500);
    }

    void secondLoadWhileOneRunsCompletesAtOnce()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("45"));
        run.fixture.server.setDelayMs(100);
        int first = 0, second = 0;
        run.importer.loadRatingsForProducts({app}, [&](const Error &) { ++first; });
        run.importer.loadRatingsForProducts({app}, [&](const Error &) { ++second; });
        RK_WAIT(second == 1);
        QCOMPARE(first, 0);
        RK_WAIT(first == 1);
        QCOMPARE(run.fixture.server.lookupRequests().size(), 3);
    }
};

RK_TEST_MAIN(RatingsImportTest)
#include "tst_ratingsimport.moc"
