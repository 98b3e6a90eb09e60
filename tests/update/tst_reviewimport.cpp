#include "support/UpdateFixture.h"

#include "model/ReviewVersion.h"
#include "net/RequestQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "support/TestEnvironment.h"
#include "update/ReviewImporter.h"

#include <QTest>

using StoreAnswers::numberedReviews;

namespace {

struct Run : UpdateFixture {
    ReviewImporter importer {services, &host};
    Run() { importer.requestQueue().setRequestsPerSecond(0); }

    int load(const QList<std::shared_ptr<Product>> &products, Error *error = nullptr)
    {
        return awaitDone(
            importer, [&](auto done) { importer.loadReviewsForProducts(products, done); }, error);
    }
    // Loads the United States straight from a plan: nothing saves the product first.
    int loadUS(
        const std::shared_ptr<Product> &product, const QString &format, Error *error = nullptr)
    {
        FetchRequest us("Country");
        us.predicate = Predicate::format("isoCode == %@", QString("US"));
        const ReviewImporter::Plan plan {{product, store.context->fetch<Country>(us)}};
        return awaitDone(
            importer,
            [&](auto done) { importer.loadReviewsForProductsAndCountries(plan, format, done); },
            error);
    }
    // The feed pages asked for a product, as "US1", sorted.
    QStringList pages(const QString &identifier, bool json = false) const
    {
        QStringList list;
        for (const auto &request : server.feedRequests())
            if (request.identifier == identifier && request.json == json)
                list << request.country.toUpper() + QString::number(request.page);
        list.sort();
        return list;
    }
    // What the notifications said, without their title.
    QString notifications() const
    {
        return services.notifications.join('\n').remove("ReviewKeeper: ");
    }
};

const QDateTime feedDate(QDate(2026, 1, 2), QTime(17, 0), Qt::UTC);

// What the store's answer changes in a known review, and what the load says.
struct Edit {
    QString rating, title, text;
    bool newReview = false, edited = false;
    QString announced;
};

} // namespace

Q_DECLARE_METATYPE(Edit)

class ReviewImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstLoadReadsEveryCountryThenOnlyRatedCountriesOnePage()
    {
        Run run;
        LogCapture log;
        auto app = run.app("100");
        run.server.reviews("100", "US") = numberedReviews(1, 250);
        // The feed repeats an entry on one page.
        run.server.reviews("100", "JP") = numberedReviews(500, 30) + numberedReviews(500, 1);
        // A crash between marking a product current and storing its reviews
        // would lose them for good: the mark comes only after the merges.
        qint64 storedWhenMarked = -1;
        run.store.context->observeObject(app->objectID(), nullptr, [&](const ObjectChange &change) {
            if (change.keys.contains("lastReviewsUpdate") && storedWhenMarked < 0)
                storedWhenMarked = run.store.count("Review");
        });
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(storedWhenMarked, 280);
        // Pages until the first empty one, in every selected country only.
        QCOMPARE(run.pages("100"),
            QStringList({"DE1", "JP1", "JP2", "US1", "US2", "US3", "US4", "US5", "US6"}));
        QCOMPARE(app->reviewsCount(), 280);
        QCOMPARE(run.notifications(), QString("You have 280 new reviews."));

        // Routine load: one page, only where the app is rated.
        run.addRating(app, "US", 10);
        run.server.clearRecorded();
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(run.pages("100"), QStringList({"US1"}));

        // Rated only in a country that is not selected: marked current, nothing asked.
        auto other = run.app("200");
        other->setValue("lastReviewsUpdate", QDateTime::currentDateTimeUtc().addDays(-3));
        run.addRating(other, "FR", 10);
        run.server.clearRecorded();
        QCOMPARE(run.load({other}), 1);
        QVERIFY(run.server.feedRequests().isEmpty());
        QVERIFY(other->lastReviewsUpdate() > QDateTime::currentDateTimeUtc().addSecs(-60));

        // No region selected: nothing asked, and no error.
        UserDefaults::standard().setObject(QVariantMap {{"Test", false}}, "SelectedRegions");
        Error error;
        QCOMPARE(run.load({app}, &error), 1);
        QVERIFY(!error.isError());
        QVERIFY(run.server.feedRequests().isEmpty());
        QCOMPARE(log.matching("No Region Selected").size(), 1);
    }

    void jsonReviewIsDatedByALaterXmlAnswerOnce()
    {
        Run run;
        auto app = run.app("7");
        auto &feed = run.server.reviews("7", "US");
        feed = numberedReviews(1, 1);
        feed[0].voteSum = "5";
        feed[0].voteCount = "6";
        feed[0].updated = QString(); // an entry of the JSON feed without a date
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        QCOMPARE(run.loadUS(app, "json"), 1);
        auto review = run.storedReviews(app).value("US/r1");
        QVERIFY(review);
        QCOMPARE(review->completed(), std::optional<bool>(false));
        QVERIFY(review->dateReviewed() >= before);
        QCOMPARE(review->voteSum(), std::optional<qint64>(5));

        // A vote sum of 0 leaves the stored 5; the XML date completes it.
        feed[0].updated = "2026-01-02T10:00:00-07:00";
        run.addRating(app, "US", 3);
        feed[0].voteSum = "0";
        feed[0].voteCount = "9";
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(review->completed(), std::optional<bool>(true));
        QCOMPARE(review->dateReviewed(), feedDate);
        QCOMPARE(review->voteSum(), std::optional<qint64>(5));
        QCOMPARE(review->voteCount(), std::optional<qint64>(9));

        // Once complete, a different date is not taken.
        feed[0].updated = "2026-03-01T00:00:00Z";
        run.load({app});
        QCOMPARE(review->dateReviewed(), feedDate);
        QCOMPARE(run.store.count("Review"), 1);
    }

    void rateLimitInTheXmlPassFallsBackToJsonForUnfinishedProductsOnly()
    {
        Run run;
        LogCapture log;
        auto a = run.app("1");
        auto b = run.app("2");
        // A has nothing to read and finishes with its first pages; B's
        // German page hits the limit after its American one was merged (B
        // was loaded before, so one page each).
        b->setValue("lastReviewsUpdate", QDateTime::currentDateTimeUtc().addDays(-1));
        for (const char *country : {"US", "DE", "JP"})
            run.addRating(b, country, 1);
        run.server.reviews("2", "US") = numberedReviews(1, 2);
        run.server.reviews("2", "JP") = numberedReviews(10, 2);
        using Answer = std::optional<LocalHttpServer::Response>;
        run.server.setFeedOverride([&](const FeedServer::FeedRequest &request) -> Answer {
            if (!request.json && request.identifier == "2" && request.country == "DE")
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
        QVERIFY(run.pages("1", true).isEmpty());
        QCOMPARE(run.pages("2", true), QStringList({"DE1", "JP1", "US1"}));
        QCOMPARE(rateLimitPosts, 0);
        QVERIFY(a->lastReviewsUpdate().isValid());
        QVERIFY(b->lastReviewsUpdate().isValid());
        QCOMPARE(b->reviewsCount(), 4);
        // Each pass announces its own new reviews; clicking either shows the
        // product that received them, not the one loaded along without news.
        QCOMPARE(run.notifications(), QString("You have 2 new reviews.\nYou have 2 new reviews."));
        const QVariantList onlyB {QVariant::fromValue(b->objectID())};
        QCOMPARE(run.services.notifiedProducts, QList<QVariantList>({onlyB, onlyB}));

        // The limit in the JSON pass as well: announced once, no third pass.
        run.server.setFeedOverride([](const FeedServer::FeedRequest &) -> Answer {
            return LocalHttpServer::Response::withStatus(403);
        });
        b->setValue("lastReviewsUpdate", QVariant());
        QCOMPARE(run.load({b}, &error), 1);
        QVERIFY(!error.isError());
        QCOMPARE(rateLimitPosts, 1);
        QCOMPARE(log.matching("Proceeding to fallback...").size(), 2);
        QVERIFY(!b->lastReviewsUpdate().isValid());
    }

    void productDeletedDuringALoadCancelsTheRest()
    {
        Run run;
        auto a = run.app("4");
        auto b = run.app("5");
        run.server.reviews("4", "US") = numberedReviews(1, 5);
        run.server.setDelayMs(100);
        int completions = 0;
        run.importer.loadReviewsForProducts({a, b}, [&](const Error &) { ++completions; });
        // A second load while the first runs completes at once and asks nothing.
        int second = 0;
        run.importer.loadReviewsForProducts({b}, [&](const Error &error) {
            QVERIFY(!error.isError());
            ++second;
        });
        QVERIFY(waitFor([&] { return second == 1; }, nullptr, 20000));
        QCOMPARE(completions, 0);
        run.store.context->deleteObject(a);
        QVERIFY(run.store.context->save());
        QVERIFY(waitFor([&] { return completions == 1; }, nullptr, 20000));
        QTest::qWait(50);
        QCOMPARE(completions, 1);
        QCOMPARE(run.store.count("Review"), 0);
        QVERIFY(run.server.feedRequests().size() < 6);
        QCOMPARE(run.importer.requestQueue().requestCount(), 0);
    }

    // A review its author changed keeps what it showed before, with the
    // translation of that text, and shows the store's text unread; white
    // space alone or nothing changed stores nothing new. The announcement
    // counts new and edited reviews, each in the singular when one.
    void knownReviewChangedByItsAuthor_data()
    {
        QTest::addColumn<Edit>("edit");
        const QString text = "Text of review 1 & more <b>";
        QTest::newRow("rating 1 to 4") << Edit {
            "4", "Title 1", text, true, true, "You have 1 new review and 1 edited review."};
        QTest::newRow("title, nothing new")
            << Edit {"1", "Better title", text, false, true, "You have 1 edited review."};
        QTest::newRow("white space only")
            << Edit {"1", " Title  1", text + "\n", true, false, "You have 1 new review."};
        QTest::newRow("unchanged") << Edit {"1", "Title 1", text, false, false, ""};
    }

    void knownReviewChangedByItsAuthor()
    {
        QFETCH(Edit, edit);
        Run run;
        auto app = run.app("8");
        auto &feed = run.server.reviews("8", "US");
        feed = numberedReviews(1, 1);
        feed[0].rating = "1";
        QCOMPARE(run.load({app}), 1);
        auto review = run.storedReviews(app).value("US/r1");
        QVERIFY(review);
        // Read, and shown in a translation.
        auto translation = run.store.context->insertNewObject("ReviewContent",
            {{"languageCode", "de"}, {"title", "Titel 1"}, {"data", QByteArray("Text 1")},
                {"dateTranslated", QDateTime::currentDateTimeUtc()}});
        translation->setObject("review", review);
        review->translateTo("de");
        review->setRead(true);
        QVERIFY(run.store.context->save());

        run.addRating(app, "US", 10);
        run.services.notifications.clear();
        feed[0].rating = edit.rating;
        feed[0].title = edit.title;
        feed[0].text = edit.text;
        feed[0].updated = "2026-02-01T10:00:00-07:00";
        if (edit.newReview)
            feed.prepend(numberedReviews(2, 1).first());
        QCOMPARE(run.load({app}), 1);
        QCOMPARE(run.notifications(), edit.announced);
        QCOMPARE(run.store.count("ReviewVersion"), edit.edited ? 1 : 0);
        QCOMPARE(run.store.count("Review"), edit.newReview ? 2 : 1);
        QCOMPARE(review->read(), std::optional<bool>(!edit.edited));
        QCOMPARE(app->unReadCount().value_or(0), qint64(edit.edited) + qint64(edit.newReview));
        if (!edit.edited) {
            QCOMPARE(review->displayTitle(), QString("Titel 1"));
            return;
        }
        const auto earlier = review->previousVersions().value(0);
        QVERIFY(earlier);
        QCOMPARE(earlier->rating(), std::optional<double>(1));
        QCOMPARE(earlier->title(), QString("Title 1"));
        QCOMPARE(earlier->data(), QByteArray("Text of review 1 & more <b>"));
        QCOMPARE(earlier->dateReviewed(), feedDate);
        QCOMPARE(earlier->translations().size(), 1);
        QCOMPARE(earlier->translations().first().toMap().value("title"), QVariant("Titel 1"));
        // The review shows the store's text, untranslated, with its new date.
        QCOMPARE(review->reviewContents().size(), 1);
        QVERIFY(review->translatedLanguageCode().isNull());
        QCOMPARE(review->displayTitle(), edit.title);
        QCOMPARE(review->rating(), std::optional<double>(edit.rating.toDouble()));
        QCOMPARE(review->dateReviewed(), QDateTime(QDate(2026, 2, 1), QTime(17, 0), Qt::UTC));
        // Star counts follow the current rating.
        const auto stars = app->reviewsGroupedByStarsForProduct();
        QCOMPARE(stars.value("1"), edit.rating == "1" ? 1 : 0);
        QCOMPARE(stars.value("4"), (edit.rating == "4" ? 1 : 0) + (edit.newReview ? 1 : 0));
    }

    // A product the private context cannot find (its own save failed)
    // stores nothing: the failed merge is the load's error, once, and leaves
    // the product unfinished.
    void failedMergeFailsTheLoad()
    {
        Run run;
        Error error;
        auto unsaved = run.store.context->insertNewObject<App>("App", {{"identifier", "12"}});
        run.server.reviews("12", "US") = numberedReviews(1, 5);
        QCOMPARE(run.loadUS(unsaved, "xml", &error), 1);
        QVERIFY(error.isError());
        QVERIFY(!unsaved->lastReviewsUpdate().isValid());
        QVERIFY(run.services.notifications.isEmpty());
    }
};

RK_TEST_MAIN(ReviewImportTest)
#include "tst_reviewimport.moc"
