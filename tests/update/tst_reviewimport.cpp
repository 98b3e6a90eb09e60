#include "support/UpdateFixture.h"

#include "model/ReviewGap.h"
#include "model/ReviewVersion.h"
#include "net/RequestQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/store/SqliteConnection.h"
#include "support/TestEnvironment.h"
#include "update/ReviewImporter.h"

#include <QTest>

using StoreAnswers::numberedReviews;

class ReviewImportTest : public QObject {
    Q_OBJECT

    struct Run {
        UpdateFixture fixture;
        ReviewImporter importer {fixture.services, &fixture.host};
        Run() { importer.requestQueue().setRequestsPerSecond(0); }

        // Loads and waits for the completion; returns how often it came.
        int load(const QList<std::shared_ptr<Product>> &products, Error *error = nullptr)
        {
            int completions = 0;
            importer.loadReviewsForProducts(products, [&](const Error &e) {
                ++completions;
                if (error)
                    *error = e;
            });
            waitFor([&] { return completions > 0; }, nullptr, 20000);
            // Nothing more may arrive afterwards.
            QTest::qWait(50);
            return completions;
        }
        QList<FeedServer::FeedRequest> requestsFor(const QString &identifier, bool json = false)
        {
            QList<FeedServer::FeedRequest> found;
            for (const auto &request : fixture.server.feedRequests())
                if (request.identifier == identifier && request.json == json)
                    found << request;
            return found;
        }
    };

    static QDateTime reviewDate(int n)
    {
        return QDateTime(QDate(2026, 6, 1), QTime(0, 0), Qt::UTC).addSecs(-3600 * n);
    }

    static QStringList pages(const QList<FeedServer::FeedRequest> &requests)
    {
        QStringList list;
        for (const auto &request : requests)
            list << request.country.toUpper() + QString::number(request.page);
        list.sort();
        return list;
    }

private Q_SLOTS:
    void firstLoadReadsEveryCountryThenOnlyRatedCountriesOnePage()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("100"));
        run.fixture.server.reviews(QStringLiteral("100"), QStringLiteral("US")) =
            numberedReviews(1, 120);
        run.fixture.server.reviews(QStringLiteral("100"), QStringLiteral("JP")) =
            numberedReviews(500, 30);
        QCOMPARE(run.load({app}), 1);
        // Pages until the first empty one, in every selected country only.
        QCOMPARE(pages(run.requestsFor(QStringLiteral("100"))),
            QStringList({"DE1", "JP1", "JP2", "US1", "US2", "US3", "US4"}));
        QCOMPARE(app->reviewsCount(), 150);
        QVERIFY(app->lastReviewsUpdate().isValid());
        QCOMPARE(run.fixture.services.notifications,
            QStringList {QStringLiteral("ReviewKeeper: You have 150 new reviews.")});
        QCOMPARE(run.fixture.host.refreshes, 1);
        QVERIFY(
            run.fixture.host.progress.contains(QStringLiteral("Updating Reviews: App 100 done")));
        QVERIFY(run.fixture.host.progress.contains(
            QStringLiteral("Updating Reviews: App 100 (%1)").arg(Country::localizedName("JP"))));

        // Reviews arrive with their original content and display pair.
        const auto stored = run.fixture.storedReviews(app);
        const auto first = stored.value(QStringLiteral("US/r1"));
        QVERIFY(first);
        QCOMPARE(first->displayTitle(), QStringLiteral("Title 1"));
        QCOMPARE(first->originalReviewContent()->data(), QByteArray("Text of review 1 & more <b>"));
        QCOMPARE(first->completed(), std::optional<bool>(true));
        QCOMPARE(first->dateReviewed(), QDateTime(QDate(2026, 1, 2), QTime(17, 0), Qt::UTC));
        QCOMPARE(first->rating(), std::optional<double>(4.0));
        QCOMPARE(first->read(), std::optional<bool>(false));

        // Routine load: one page, only where the app is rated; nothing doubles.
        run.fixture.addRating(app, QStringLiteral("US"), 10);
        run.fixture.server.clearRecorded();
        run.fixture.services.notifications.clear();
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(pages(run.requestsFor(QStringLiteral("100"))), QStringList({"US1"}));
        QCOMPARE(app->reviewsCount(), 150);
        QVERIFY(run.fixture.services.notifications.isEmpty());
        QCOMPARE(run.fixture.host.refreshes, 1);

        // Rated only in a country that is not selected: marked current, nothing asked.
        auto other = run.fixture.app(QStringLiteral("200"));
        other->setValue(
            QStringLiteral("lastReviewsUpdate"), QDateTime::currentDateTimeUtc().addDays(-3));
        run.fixture.addRating(other, QStringLiteral("FR"), 10);
        run.fixture.server.clearRecorded();
        QCOMPARE(run.load({other}), 1);
        QVERIFY(run.fixture.server.feedRequests().isEmpty());
        QVERIFY(other->lastReviewsUpdate() > QDateTime::currentDateTimeUtc().addSecs(-60));
    }

    void repeatedIdentifiersNeverDuplicateAReview()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("1"));
        auto reviews = numberedReviews(1, 3);
        reviews << reviews.first(); // the feed repeats an entry on one page
        run.fixture.server.reviews(QStringLiteral("1"), QStringLiteral("DE")) = reviews;
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(app->reviewsCount(), 3);
        QCOMPARE(run.fixture.services.notifications,
            QStringList {QStringLiteral("ReviewKeeper: You have 3 new reviews.")});
        for (int i = 0; i < 2; ++i)
            run.load({app});
        QCOMPARE(run.fixture.store.count(QStringLiteral("Review")), 3);
        QCOMPARE(run.fixture.store.count(QStringLiteral("ReviewContent")), 3);
        QCOMPARE(run.fixture.services.notifications.size(), 1);
    }

    void jsonReviewIsDatedByALaterXmlAnswerOnce()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("7"));
        auto &feed = run.fixture.server.reviews(QStringLiteral("7"), QStringLiteral("US"));
        feed = numberedReviews(1, 1);
        feed[0].voteSum = QStringLiteral("5");
        feed[0].voteCount = QStringLiteral("6");
        feed[0].updated = QString(); // an entry of the JSON feed without a date

        int completions = 0;
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        run.importer.loadReviewsForProductsAndCountries(
            {{app,
                {run.fixture.store.context->fetch<Country>(FetchRequest(QStringLiteral("Country")))
                        .first()}}},
            QStringLiteral("json"), [&](const Error &) { ++completions; });
        RK_WAIT(completions == 1);
        auto review = run.fixture.storedReviews(app).value(QStringLiteral("US/r1"));
        QVERIFY(review);
        QCOMPARE(review->completed(), std::optional<bool>(false));
        QVERIFY(review->dateReviewed() >= before);
        QCOMPARE(review->voteSum(), std::optional<qint64>(5));

        // A vote sum of 0 leaves the stored 5; the XML date completes it.
        feed[0].updated = QStringLiteral("2026-01-02T10:00:00-07:00");
        run.fixture.addRating(app, QStringLiteral("US"), 3);
        feed[0].voteSum = QStringLiteral("0");
        feed[0].voteCount = QStringLiteral("9");
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(review->completed(), std::optional<bool>(true));
        const QDateTime dated(QDate(2026, 1, 2), QTime(17, 0), Qt::UTC);
        QCOMPARE(review->dateReviewed(), dated);
        QCOMPARE(review->voteSum(), std::optional<qint64>(5));
        QCOMPARE(review->voteCount(), std::optional<qint64>(9));

        // Once complete, a different date is not taken.
        feed[0].updated = QStringLiteral("2026-03-01T00:00:00Z");
        run.load({app});
        QCOMPARE(review->dateReviewed(), dated);
        QCOMPARE(run.fixture.store.count(QStringLiteral("Review")), 1);
    }

    void rateLimitInTheXmlPassFallsBackToJsonForUnfinishedProductsOnly()
    {
        Run run;
        LogCapture log;
        auto a = run.fixture.app(QStringLiteral("1"));
        auto b = run.fixture.app(QStringLiteral("2"));
        // A has nothing to read and finishes with its first pages; B's
        // German page hits the limit after its American one was merged (B
        // was loaded before, so one page each).
        b->setValue(
            QStringLiteral("lastReviewsUpdate"), QDateTime::currentDateTimeUtc().addDays(-1));
        for (const char *country : {"US", "DE", "JP"})
            run.fixture.addRating(b, QLatin1String(country), 1);
        run.fixture.server.reviews(QStringLiteral("2"), QStringLiteral("US")) =
            numberedReviews(1, 2);
        run.fixture.server.reviews(QStringLiteral("2"), QStringLiteral("JP")) =
            numberedReviews(10, 2);
        bool limited = true;
        run.fixture.server.setFeedOverride([&](const FeedServer::FeedRequest &request)
                                               -> std::optional<LocalHttpServer::Response> {
            if (limited && !request.json && request.identifier == QLatin1String("2")
                && request.country == QLatin1String("DE"))
                return LocalHttpServer::Response::withStatus(403);
            return std::nullopt;
        });
        int rateLimitPosts = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(kRateLimitExceededNotification, &observer,
            [&](const Notification &) { ++rateLimitPosts; });

        Error error;
        QCOMPARE(run.load({a, b}, &error), 1);
        QVERIFY(!error.isError());
        QCOMPARE(log.matching(QStringLiteral("Proceeding to fallback...")).size(), 1);
        QVERIFY(run.requestsFor(QStringLiteral("1"), true).isEmpty());
        QCOMPARE(
            pages(run.requestsFor(QStringLiteral("2"), true)), QStringList({"DE1", "JP1", "US1"}));
        QCOMPARE(rateLimitPosts, 0);
        QVERIFY(a->lastReviewsUpdate().isValid());
        QVERIFY(b->lastReviewsUpdate().isValid());
        QCOMPARE(b->reviewsCount(), 4);
        // Each pass announces its own new reviews.
        QCOMPARE(run.fixture.services.notifications,
            QStringList({QStringLiteral("ReviewKeeper: You have 2 new reviews."),
                QStringLiteral("ReviewKeeper: You have 2 new reviews.")}));
        // Clicking either shows the product that received them, not the one
        // that was loaded along without news.
        const QVariantList onlyB {QVariant::fromValue(b->objectID())};
        QCOMPARE(run.fixture.services.notifiedProducts, QList<QVariantList>({onlyB, onlyB}));

        // The limit in the JSON pass as well: announced once, no third pass.
        run.fixture.server.setFeedOverride(
            [](const FeedServer::FeedRequest &) -> std::optional<LocalHttpServer::Response> {
                return LocalHttpServer::Response::withStatus(403);
            });
        b->setValue(QStringLiteral("lastReviewsUpdate"), QVariant());
        QCOMPARE(run.load({b}, &error), 1);
        QVERIFY(!error.isError());
        QCOMPARE(rateLimitPosts, 1);
        QCOMPARE(log.matching(QStringLiteral("Proceeding to fallback...")).size(), 2);
        QVERIFY(!b->lastReviewsUpdate().isValid());
    }

    void productDeletedDuringALoadCancelsTheRest()
    {
        Run run;
        auto a = run.fixture.app(QStringLiteral("4"));
        auto b = run.fixture.app(QStringLiteral("5"));
        run.fixture.server.reviews(QStringLiteral("4"), QStringLiteral("US")) =
            numberedReviews(1, 5);
        run.fixture.server.setDelayMs(100);
        int completions = 0;
        run.importer.loadReviewsForProducts({a, b}, [&](const Error &) { ++completions; });
        // A second load while the first runs completes at once and asks nothing.
        int second = 0;
        run.importer.loadReviewsForProducts({b}, [&](const Error &error) {
            QVERIFY(!error.isError());
            ++second;
        });
        RK_WAIT(second == 1);
        QCOMPARE(completions, 0);
        run.fixture.store.context->deleteObject(a);
        QVERIFY(run.fixture.store.context->save());
        RK_WAIT(completions == 1);
        QTest::qWait(50);
        QCOMPARE(completions, 1);
        QCOMPARE(run.fixture.store.count(QStringLiteral("Review")), 0);
        QVERIFY(run.fixture.server.feedRequests().size() < 6);
        QCOMPARE(run.importer.requestQueue().requestCount(), 0);
    }

    // A crash between marking a product current and storing its reviews
    // would lose them for good: the mark comes only after the merges.
    void productIsMarkedCurrentOnlyAfterItsReviewsAreStored()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("6"));
        for (const char *country : {"US", "DE", "JP"})
            run.fixture.server.reviews(QStringLiteral("6"), QLatin1String(country)) =
                numberedReviews(1, 250);
        qint64 storedWhenMarked = -1;
        run.fixture.store.context->observeObject(
            app->objectID(), nullptr, [&](const ObjectChange &change) {
                if (change.keys.contains(QStringLiteral("lastReviewsUpdate"))
                    && storedWhenMarked < 0)
                    storedWhenMarked = run.fixture.store.count(QStringLiteral("Review"));
            });
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(storedWhenMarked, 750);
        QCOMPARE(app->reviewsCount(), 750);
        QCOMPARE(run.fixture.services.notifications,
            QStringList {QStringLiteral("ReviewKeeper: You have 750 new reviews.")});
    }

    // A review its author changed keeps what it showed before, with the
    // translation of that text, and shows the store's text unread; white
    // space alone or nothing changed stores nothing new. The announcement
    // counts new and edited reviews, each in the singular when one.
    void knownReviewChangedByItsAuthor_data()
    {
        QTest::addColumn<QString>("rating");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("newReview");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("announced");
        const QString text = QStringLiteral("Text of review 1 & more <b>");
        QTest::newRow("rating 1 to 4")
            << "4"
            << "Title 1" << text << true << true << "You have 1 new review and 1 edited review.";
        QTest::newRow("title, nothing new")
            << "1"
            << "Better title" << text << false << true << "You have 1 edited review.";
        QTest::newRow("white space only") << "1"
                                          << " Title  1" << text + "\n"
                                          << true << false << "You have 1 new review.";
        QTest::newRow("unchanged") << "1"
                                   << "Title 1" << text << false << false << "";
    }

    void knownReviewChangedByItsAuthor()
    {
        QFETCH(QString, rating);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, newReview);
        QFETCH(bool, edited);
        QFETCH(QString, announced);
        Run run;
        auto app = run.fixture.app(QStringLiteral("8"));
        auto &feed = run.fixture.server.reviews(QStringLiteral("8"), QStringLiteral("US"));
        feed = numberedReviews(1, 1);
        feed[0].rating = QStringLiteral("1");
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(run.fixture.services.notifications,
            QStringList {QStringLiteral("ReviewKeeper: You have 1 new review.")});
        auto review = run.fixture.storedReviews(app).value(QStringLiteral("US/r1"));
        QVERIFY(review);
        // Read, and shown in a translation.
        auto translation =
            run.fixture.store.context->insertNewObject(QStringLiteral("ReviewContent"),
                {{QStringLiteral("languageCode"), QStringLiteral("de")},
                    {QStringLiteral("title"), QStringLiteral("Titel 1")},
                    {QStringLiteral("data"), QByteArray("Text 1")},
                    {QStringLiteral("dateTranslated"), QDateTime::currentDateTimeUtc()}});
        translation->setObject(QStringLiteral("review"), review);
        review->translateTo(QStringLiteral("de"));
        review->setRead(true);
        QVERIFY(run.fixture.store.context->save());
        QCOMPARE(review->displayTitle(), QStringLiteral("Titel 1"));

        run.fixture.addRating(app, QStringLiteral("US"), 10);
        run.fixture.services.notifications.clear();
        feed[0].rating = rating;
        feed[0].title = title;
        feed[0].text = text;
        feed[0].updated = QStringLiteral("2026-02-01T10:00:00-07:00");
        if (newReview)
            feed.prepend(numberedReviews(2, 1).first());
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(run.fixture.services.notifications,
            announced.isEmpty() ? QStringList()
                                : QStringList {QStringLiteral("ReviewKeeper: ") + announced});
        QCOMPARE(run.fixture.store.count(QStringLiteral("ReviewVersion")), edited ? 1 : 0);
        QCOMPARE(run.fixture.store.count(QStringLiteral("Review")), newReview ? 2 : 1);
        const auto versions = review->previousVersions();
        QCOMPARE(review->read(), std::optional<bool>(!edited));
        QCOMPARE(app->unReadCount().value_or(0), qint64(edited) + qint64(newReview));
        if (!edited) {
            QCOMPARE(review->displayTitle(), QStringLiteral("Titel 1"));
            QCOMPARE(review->reviewContents().size(), 2);
            QCOMPARE(review->rating(), std::optional<double>(1));
            return;
        }
        QCOMPARE(versions.size(), 1);
        const auto &earlier = versions.first();
        QCOMPARE(earlier->rating(), std::optional<double>(1));
        QCOMPARE(earlier->title(), QStringLiteral("Title 1"));
        QCOMPARE(earlier->data(), QByteArray("Text of review 1 & more <b>"));
        QCOMPARE(earlier->dateReviewed(), QDateTime(QDate(2026, 1, 2), QTime(17, 0), Qt::UTC));
        QVERIFY(earlier->dateReplaced().isValid());
        QCOMPARE(earlier->translations().size(), 1);
        QCOMPARE(earlier->translations().first().toMap().value(QStringLiteral("title")),
            QVariant(QStringLiteral("Titel 1")));
        // The review shows the store's text, untranslated, with its new date.
        QCOMPARE(review->reviewContents().size(), 1);
        QVERIFY(review->translatedLanguageCode().isNull());
        QCOMPARE(review->displayTitle(), title);
        QCOMPARE(review->rating(), std::optional<double>(rating.toDouble()));
        QCOMPARE(review->dateReviewed(), QDateTime(QDate(2026, 2, 1), QTime(17, 0), Qt::UTC));
        // Star counts follow the current rating.
        const auto stars = app->reviewsGroupedByStarsForProduct();
        QCOMPARE(stars.value(QStringLiteral("1")), rating == "1" ? 1 : 0);
        QCOMPARE(stars.value(QStringLiteral("4")), (rating == "4" ? 1 : 0) + (newReview ? 1 : 0));

        // The same answer again is no second edit.
        run.fixture.services.notifications.clear();
        run.load({app});
        QCOMPARE(run.fixture.store.count(QStringLiteral("ReviewVersion")), 1);
        QVERIFY(run.fixture.services.notifications.isEmpty());

        // A deleted product takes its reviews' earlier versions with it.
        run.fixture.store.context->deleteObject(app);
        QVERIFY(run.fixture.store.context->save());
        QCOMPARE(run.fixture.store.count(QStringLiteral("ReviewVersion")), 0);
        QCOMPARE(run.fixture.store.count(QStringLiteral("ReviewContent")), 0);
    }

    // Between two updates more reviews may arrive than one page holds: a
    // routine load reads on until it meets a stored review, and notes a gap
    // when even the feed's last page does not reach one. A first load never
    // has a gap: the feed never offered what lies beyond its last page.
    void routineLoadReadsOnUntilAStoredReview_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("arrived");
        QTest::addColumn<int>("pagesAsked");
        QTest::addColumn<int>("newReviews");
        QTest::addColumn<bool>("gap");
        QTest::newRow("exactly one page new") << 100 << 50 << 2 << 50 << false;
        QTest::newRow("600 new") << 100 << 600 << 10 << 500 << true;
        QTest::newRow("first load of 800") << 0 << 800 << 10 << 500 << false;
    }
    void routineLoadReadsOnUntilAStoredReview()
    {
        QFETCH(int, stored);
        QFETCH(int, arrived);
        QFETCH(int, pagesAsked);
        QFETCH(int, newReviews);
        QFETCH(bool, gap);
        Run run;
        LogCapture log;
        auto app = run.fixture.app(QStringLiteral("11"));
        // Newest first, an hour apart; r1 is the newest of all.
        auto &feed = run.fixture.server.reviews(QStringLiteral("11"), QStringLiteral("US"));
        const auto dated = [](int first, int count) {
            auto reviews = numberedReviews(first, count);
            for (int i = 0; i < count; ++i)
                reviews[i].updated = reviewDate(first + i).toString(Qt::ISODate);
            return reviews;
        };
        if (stored > 0) {
            feed = dated(arrived + 1, stored);
            QCOMPARE(run.load({app}), 1);
            QCOMPARE(app->reviewsCount(), stored);
            run.fixture.addRating(app, QStringLiteral("US"), 10);
        }
        feed = dated(1, arrived + stored);
        run.fixture.server.clearRecorded();
        run.fixture.services.notifications.clear();
        QCOMPARE(run.load({app}), 1);

        QStringList expected;
        for (int page = 1; page <= pagesAsked; ++page)
            expected << QStringLiteral("US%1").arg(page);
        expected.sort();
        const QStringList asked = pages(run.requestsFor(QStringLiteral("11")));
        QCOMPARE(asked.filter(QStringLiteral("US")), expected);
        QCOMPARE(app->reviewsCount(), stored + newReviews);
        QVERIFY(run.fixture.services.notifications.constLast().endsWith(
            QStringLiteral("You have %1 new reviews.").arg(newReviews)));
        QVERIFY(app->lastReviewsUpdate().isValid());

        const auto gaps = app->reviewGaps();
        QCOMPARE(gaps.size(), gap ? 1 : 0);
        QCOMPARE(log.matching(QStringLiteral("may be missing")).size(), gap ? 1 : 0);
        if (gap) {
            // From the newest stored review to the oldest one page 10 held.
            QCOMPARE(gaps.first()->countryCode(), QStringLiteral("US"));
            QCOMPARE(gaps.first()->fromDate(), reviewDate(arrived + 1));
            QCOMPARE(gaps.first()->toDate(), reviewDate(500));
            QVERIFY(gaps.first()->dateNoticed().isValid());
            // Stored for good, and gone with the product.
            QCOMPARE(run.fixture.store.count(QStringLiteral("ReviewGap")), 1);
            run.fixture.store.context->deleteObject(app);
            QVERIFY(run.fixture.store.context->save());
            QCOMPARE(run.fixture.store.count(QStringLiteral("ReviewGap")), 0);
        }
    }

    // A product the private context cannot find (its own save failed) is a
    // failed merge: nothing is stored, it is not marked current, and the
    // load reports the error once.
    void mergeWithoutItsProductFailsTheLoad()
    {
        Run run;
        auto app = run.fixture.store.context->insertNewObject<App>(
            QStringLiteral("App"), {{QStringLiteral("identifier"), QStringLiteral("12")}});
        run.fixture.server.reviews(QStringLiteral("12"), QStringLiteral("US")) =
            numberedReviews(1, 5);
        // Loaded straight from a plan, so that nothing saves the product
        // before its answer is merged.
        FetchRequest us(QStringLiteral("Country"));
        us.predicate = Predicate::format(QStringLiteral("isoCode == %@"), QStringLiteral("US"));
        const auto countries = run.fixture.store.context->fetch<Country>(us);
        Error error;
        int completions = 0;
        run.importer.loadReviewsForProductsAndCountries(
            {{app, countries}}, QStringLiteral("xml"), [&](const Error &e) {
                ++completions;
                error = e;
            });
        RK_WAIT(completions > 0);
        QCOMPARE(completions, 1);
        QVERIFY(error.isError());
        QVERIFY(!app->lastReviewsUpdate().isValid());
        QVERIFY(run.fixture.services.notifications.isEmpty());
    }

    // A piece of a merge that cannot be written (here a trigger refuses one
    // review; a full disk does the same) is the load's error, once; only the
    // reviews stored count as new, and the next load stores the rest once.
    void failedSaveCountsOnlyWhatWasStored()
    {
        Run run;
        auto app = run.fixture.app(QStringLiteral("13"));
        run.fixture.server.reviews(QStringLiteral("13"), QStringLiteral("US")) =
            numberedReviews(1, 300);
        SqliteConnection *writer = run.fixture.store.coordinator->writeConnection();
        QVERIFY(writer->exec("CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.\"Review\" "
                             "WHEN NEW.\"identifier\" = 'r150' BEGIN "
                             "SELECT RAISE(ABORT, 'disk full'); END"));
        Error error;
        QCOMPARE(run.load({app}, &error), 1);
        QVERIFY(error.isError());
        QVERIFY(!app->lastReviewsUpdate().isValid());
        QCOMPARE(run.fixture.store.count(QStringLiteral("Review")), 100);
        QVERIFY(run.fixture.services.notifications.constLast().endsWith(
            QStringLiteral("You have 100 new reviews.")));

        QVERIFY(writer->exec("DROP TRIGGER temp.refuse"));
        QCOMPARE(run.load({app}, &error), 1);
        QVERIFY(!error.isError());
        QVERIFY(app->lastReviewsUpdate().isValid());
        QCOMPARE(run.fixture.store.count(QStringLiteral("Review")), 300);
        QVERIFY2(run.fixture.services.notifications.constLast().endsWith(
                     QStringLiteral("You have 200 new reviews.")),
            qPrintable(run.fixture.services.notifications.join(QLatin1Char('\n'))));
    }

    void noRegionSelectedLoadsNothing()
    {
        Run run;
        LogCapture log;
        auto app = run.fixture.app(QStringLiteral("9"));
        UserDefaults::standard().setObject(
            QVariantMap {{QStringLiteral("Test"), false}}, QStringLiteral("SelectedRegions"));
        Error error;
        QCOMPARE(run.load({app}, &error), 1);
        QVERIFY(!error.isError());
        QVERIFY(run.fixture.server.feedRequests().isEmpty());
        QCOMPARE(log.matching(QStringLiteral("No Region Selected")).size(), 1);
    }
};

RK_TEST_MAIN(ReviewImportTest)
#include "tst_reviewimport.moc"
