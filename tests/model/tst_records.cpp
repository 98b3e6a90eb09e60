#include "model/AppGroup.h"
#include "model/BookGroup.h"
#include "model/HalfStarRounding.h"
#include "model/PodcastGroup.h"
#include "model/Rating.h"
#include "model/ReviewTranslation.h"
#include "model/ReviewVersion.h"
#include "platform/Dispatch.h"
#include "platform/ManualClock.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QRegularExpression>
#include <QTest>

namespace {
bool isCanonicalUuid(const QString &text)
{
    static const QRegularExpression pattern(
        "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    return pattern.match(text).hasMatch();
}

std::shared_ptr<Review> rated(StoreFixture &store, const std::shared_ptr<Product> &product,
    const QString &id, const QString &country, std::optional<double> stars,
    const QString &version = "1.0")
{
    auto review = StoreFixture::review(*store.context, product, id, country, stars);
    review->setValue("version", version);
    return review;
}

ManagedObjectPtr rating(StoreFixture &store, const std::shared_ptr<App> &app, const char *country,
    double average, qint64 count)
{
    auto rating = store.context->insertNewObject(
        "Rating", {{"countryCode", country}, {"averageRating", average}, {"ratingCount", count}});
    rating->setObject("product", app);
    return rating;
}

// Saves and lets the derived values hear of it.
bool save(StoreFixture &store)
{
    const bool saved = store.context->save();
    QCoreApplication::processEvents();
    return saved;
}

// A translation service that answers on the next turn of the loop with
// "<code>:<text>" for each text, or fails with `failure` when it is set.
// Each request is recorded as "<from>><to>:<text>|<text>...".
struct FakeService {
    QStringList requests;
    Error failure;

    FakeService()
    {
        ReviewTranslation::setTranslateFunction(
            [this](const QString &from, const QString &to, const QStringList &texts,
                ReviewTranslation::Completion completion) {
                requests << from + ">" + to + ":" + texts.join('|');
                dispatchMain([completion, to, texts, failure = failure] {
                    QStringList translations;
                    for (const QString &text : texts)
                        translations << to + ":" + text;
                    completion(failure ? QStringList() : translations, failure);
                });
            });
    }
    ~FakeService() { ReviewTranslation::setTranslateFunction({}); }
};

// A store whose app "1" has one saved review "r" titled "Title r".
struct ReviewStore : StoreFixture {
    std::shared_ptr<App> product = app("1");
    std::shared_ptr<Review> review = StoreFixture::review(*context, product, "r", "US");

    ReviewStore()
    {
        review->originalReviewContent()->setValue("data", QByteArray("Great app & fast"));
        if (!context->save())
            qFatal("the review was not saved");
        QCoreApplication::processEvents();
    }
};
} // namespace

// What records fill in, derive and show, and how a review keeps its
// translations.
class RecordsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Creation fills identity, dates and defaults but keeps values given;
    // the fixed groups keep their uuid, cannot be selected and hold products
    // of every kind.
    void creationFillsIdentityDatesAndDefaults()
    {
        ManualClock clock;
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(1600000000000, Qt::UTC);
        clock.setNow(now);
        Clock::setShared(&clock);
        StoreFixture store;
        LogCapture log;
        auto app = store.app("42");
        auto review = StoreFixture::review(*store.context, app, "r", "US");
        auto rating = store.context->insertNewObject<Rating>("Rating");
        auto country = store.context->insertNewObject("Country");
        for (const QString &uuid : {app->uuid(), review->uuid(), rating->uuid(),
                 review->reviewContents().first()->uuid(), country->value("uuid").toString()})
            QVERIFY2(isCanonicalUuid(uuid), qPrintable(uuid));
        QVERIFY(review->reviewContents().first()->uuid() != review->uuid());
        for (const QDateTime &created :
            {app->dateCreated(), review->dateCreated(), rating->dateCreated()})
            QCOMPARE(created, now);
        QCOMPARE(review->read(), std::optional<bool>(false));
        QVERIFY(!country->value("dateUpdated").isValid());
        // Values given at creation are kept.
        auto given = store.context->insertNewObject<BaseNode>(
            "Book", {{"uuid", "MINE"}, {"dateCreated", now.addDays(-3)}});
        QCOMPARE(given->uuid(), QString("MINE"));
        QCOMPARE(given->dateCreated(), now.addDays(-3));
        Clock::setShared(nullptr);

        auto apps = store.context->insertNewObject<AppGroup>("AppGroup");
        store.context->insertNewObject<BookGroup>("BookGroup");
        auto podcasts = store.context->insertNewObject<PodcastGroup>("PodcastGroup");
        QCOMPARE(apps->uuid(), QString("autoGenerated-AppGroup-1"));
        QCOMPARE(podcasts->isSelectable(), std::optional<bool>(false));
        podcasts->setUuid("SOMETHING-ELSE");
        QCOMPARE(podcasts->uuid(), QString("autoGenerated-PodcastGroup-1"));
        QCOMPARE(log.lines, QStringList {"uuid not setable (fixed: autoGenerated-PodcastGroup-1"});
        app->setParent(apps);
        store.context->insertNewObject("Podcast");
        QVERIFY(store.context->save());
        QCOMPARE(store.count("Product"), 3);
        QCOMPARE(apps->children().size(), 1);
        int rateable = 0;
        for (const auto &product : store.context->fetch<Product>(FetchRequest("Product")))
            rateable += product->canHaveRatings();
        QCOMPARE(rateable, 1);
    }

    // Ten pages for a product never loaded or with reviews the store has
    // not completed, one otherwise.
    void pagesForTheReviewRequest()
    {
        const struct {
            bool loaded;
            int reviews, incomplete, pages;
        } rows[] = {{false, 0, 0, 10}, {true, 50, 50, 1}, {true, 51, 0, 1}, {true, 51, 1, 10}};
        for (const auto &row : rows) {
            StoreFixture store;
            auto app = store.app("1");
            if (row.loaded)
                app->setValue("lastReviewsUpdate", QDateTime::currentDateTimeUtc());
            for (int i = 0; i < row.reviews; ++i)
                StoreFixture::review(*store.context, app, QString::number(i), "US")
                    ->setValue("completed", i >= row.incomplete);
            QCOMPARE(app->numPagesForReviewsRequest(), row.pages);
            QVERIFY(store.context->save());
            QCOMPARE(app->numPagesForReviewsRequest(), row.pages);
        }
    }

    void storePageForAnotherCountry()
    {
        const QList<std::pair<QVariant, QString>> rows {{QVariant(), QString()},
            {"https://apps.apple.com/us/app/name/id123?mt=8",
                "https://apps.apple.com/de/app/name/id123?mt=8"},
            {"https://apps.apple.com/", QString()}, {"not a url at all", QString()}};
        StoreFixture store;
        auto app = store.app("1");
        for (const auto &[link, expected] : rows) {
            app->setValue("jsonData", QVariantMap {{"trackViewUrl", link}});
            QCOMPARE(app->urlForCountryCode("DE"), QUrl(expected));
        }
    }

    void halfStarRoundingAtItsBoundaries()
    {
        const QList<std::pair<double, double>> table {{1.0, 1.0}, {3.24, 3.0}, {3.25, 3.0},
            {3.26, 3.5}, {3.5, 3.5}, {3.75, 3.5}, {3.76, 4.0}, {4.333, 4.5}, {4.95, 5.0}};
        for (const auto &[average, expected] : table)
            QVERIFY2(halfStarRounded(average) == expected, qPrintable(QString::number(average)));
    }

    void starCountsAndAveragesFollowTheListFilter()
    {
        StoreFixture store;
        auto app = store.app("1");
        rated(store, app, "a", "US", 5);
        rated(store, app, "b", "US", 4);
        rated(store, app, "c", "us", 4, "2.0");
        rated(store, app, "d", "GB", 1);
        rated(store, app, "e", "GB", std::nullopt);
        QVERIFY(store.context->save());
        // All countries: ratings 5, 4, 4, 1 → 3.5; the unrated one counts
        // in the total but in no star.
        app->updateReviewsGroupedByStarsForProduct();
        QCOMPARE((QList<qint64> {app->reviewsCount(), app->oneStarsTotal(), app->threeStarsTotal(),
                     app->fourStarsTotal(), app->maxStarsTotal()}),
            (QList<qint64> {5, 1, 0, 2, 2}));
        QCOMPARE(app->totalAverageRatingForReviews(), std::optional<double>(3.5));
        // United States only (case-insensitive): 5, 4, 4 → 4.333 → 4.5.
        app->setSelectedCountryCode("US");
        QCOMPARE(app->reviewsCount(), 3);
        QCOMPARE(app->totalAverageRatingForReviews(), std::optional<double>(4.5));
        app->setSelectedVersion("1.0");
        QCOMPARE(app->reviewsCount(), 2);
        QCOMPARE(app->totalAverageRatingForReviews(), std::optional<double>(4.5));
        app->setSelectedCountryCode("***");
        app->setSelectedVersion("***");
        QCOMPARE(app->reviewsCount(), 5);
        // A filter that matches nothing: no average at all.
        app->setSelectedCountryCode("FR");
        QCOMPARE(app->reviewsCount(), 0);
        QVERIFY(!app->totalAverageRatingForReviews());
    }

    // The totals follow each saved rating by themselves.
    void appTotalsAndTheirSummary()
    {
        StoreFixture store;
        auto app = store.app("1");
        QVERIFY(!app->totalRatingCount());
        rating(store, app, "US", 4.8, 1000);
        rating(store, app, "GB", 3.9, 10);
        auto single = store.app("2");
        rating(store, single, "US", 4.0, 1);
        auto zero = store.app("3");
        rating(store, zero, "US", 0, 0);
        QVERIFY(save(store));
        QCOMPARE(app->totalRatingCount(), std::optional<qint64>(1010));
        QCOMPARE(app->totalAverageRating(), std::optional<double>(4.5));
        QCOMPARE(app->totalAverageRatingString(), QString("1010 Ratings / 2 Countries"));
        QCOMPARE(single->totalAverageRatingString(), QString("1 Rating / 1 Country"));
        QVERIFY(!zero->totalRatingCount());
        QVERIFY(!zero->totalAverageRating());
        QVERIFY(zero->totalAverageRatingString().isEmpty());
        rating(store, zero, "DE", 3.0, 7);
        QVERIFY(save(store));
        QCOMPARE(zero->totalRatingCount(), std::optional<qint64>(7));
        QCOMPARE(zero->totalAverageRatingString(), QString("7 Ratings / 1 Country"));

        QCOMPARE((QStringList {Rating::countText(std::nullopt), Rating::countText(0),
                     Rating::countText(1), Rating::countText(2), Rating::averageText(4.5),
                     Rating::averageText(0), Rating::averageText(std::nullopt)}),
            (QStringList {"-:-", "-:-", "1 Rating", "2 Ratings", "4.5 Stars", "", ""}));
    }

    void toolTipsAndPlaceholders()
    {
        StoreFixture store;
        auto app = store.app("1");
        app->setTitle("Weather");
        for (const auto &[kind, tip] : {std::pair {"mac-software", "Weather | OS X"},
                 {"software", "Weather | iOS"}, {"other", "Weather"}}) {
            app->setValue("kind", kind);
            QCOMPARE(app->toolTip(), QString(tip));
        }
        auto book = store.context->insertNewObject<Product>("Book", {{"title", "Novel"}});
        QCOMPARE(book->toolTip(), QString("Novel | iBook"));
        auto podcast = store.context->insertNewObject<Product>("Podcast", {{"title", "Talk"}});
        QCOMPARE(podcast->toolTip(), QString("Talk | Podcast"));
        QVERIFY(!app->image().isNull());
        QVERIFY(!book->image().isNull());
        QVERIFY(app->image() != book->image());
        QImage artwork(8, 8, QImage::Format_RGB32);
        artwork.fill(Qt::red);
        app->setValue("image", artwork);
        QCOMPARE(app->image().pixel(0, 0), QColor(Qt::red).rgb());
    }

    void displayPairFollowsTheContentsByItself()
    {
        ReviewStore store;
        QCOMPARE(store.review->displayTitle(), QString("Title r"));
        QCOMPARE(store.review->displayData(), QByteArray("Great app & fast"));
        store.review->originalReviewContent()->setValue("title", "New");
        QCoreApplication::processEvents();
        QCOMPARE(store.review->displayTitle(), QString("New"));

        // A review with only a translation has no original and shows nothing.
        auto review = store.context->insertNewObject<Review>("Review");
        review->setProduct(store.product);
        store.context->insertNewObject("ReviewContent", {{"languageCode", "de"}, {"title", "Nur"}})
            ->setObject("review", review);
        QVERIFY(!review->originalReviewContent());
        review->updateDisplayReviewContent();
        QVERIFY(review->displayTitle().isNull());
        QVERIFY(review->displayData().isNull());
        // No content at all: an empty original is created on demand.
        auto bare = store.context->insertNewObject<Review>("Review");
        bare->setProduct(store.product);
        QVERIFY(bare->reviewContents().isEmpty());
        QVERIFY(bare->originalReviewContent());
        QCOMPARE(bare->reviewContents().size(), 1);
    }

    // A translation is stored and shown without anyone asking; a failed one,
    // or one overtaken by an edit of the review, stores nothing.
    void translationsStoredShownAndDropped()
    {
        ReviewStore store;
        FakeService service;
        QList<Error> completions;
        const auto done = [&](const Error &error) { completions << error; };
        store.review->translateTo("de", done);
        QTRY_COMPARE(completions.size(), 1);
        // Title and text in one request; no source language.
        QCOMPARE(service.requests, (QStringList {">de:Title r|Great app & fast"}));
        QVERIFY(store.review->hasTranslationForLanguageCode("de"));
        QCOMPARE(store.review->translatedLanguageCode(), QString("de"));
        QCoreApplication::processEvents();
        QCOMPARE(store.review->displayTitle(), QString("de:Title r"));
        QCOMPARE(store.review->displayData(), QByteArray("de:Great app & fast"));

        // A second language, then switching between all three: no request.
        store.review->translateTo("fr", done);
        QTRY_COMPARE(completions.size(), 2);
        QCOMPARE(store.review->reviewContents().size(), 3);
        service.requests.clear();
        store.review->translateTo("de", done);
        QCOMPARE(completions.size(), 2); // never inline
        QTRY_COMPARE(completions.size(), 3);
        QCOMPARE(store.review->displayTitle(), QString("de:Title r"));
        store.review->translateTo(QString(), [&] { completions << Error(); });
        QTRY_COMPARE(completions.size(), 4);
        QCOMPARE(store.review->displayTitle(), QString("Title r"));
        QVERIFY(store.review->translatedLanguageCode().isNull());
        QVERIFY(service.requests.isEmpty());

        service.failure = Error("TranslatorErrorDomain", 3); // quota used up
        store.review->translateTo("ja", done);
        QTRY_COMPARE(completions.size(), 5);
        QTest::qWait(20);
        QCOMPARE(completions, (QList<Error> {{}, {}, {}, {}, service.failure}));
        QCOMPARE(service.requests.size(), 1);
        QVERIFY(!store.review->hasTranslationForLanguageCode("ja"));
        QVERIFY(store.review->translatedLanguageCode().isNull());
        QCOMPARE(store.review->reviewContents().size(), 3);

        // The author edits the review while its translation is on the way:
        // the translation of the old text is dropped, not shown for the new.
        service.failure = Error();
        store.review->translateTo("ja", done);
        store.review->replaceWith(
            {4.0, "New title", "New text", "2.0", {}}, QDateTime::currentDateTimeUtc());
        QTRY_COMPARE(completions.size(), 6);
        QVERIFY(!completions.last());
        QVERIFY(!store.review->hasTranslationForLanguageCode("ja"));
        QVERIFY(store.review->translatedLanguageCode().isNull());
        QCOMPARE(store.review->displayTitle(), QString("New title"));
        QCOMPARE(store.review->previousVersions().size(), 1);
        QCOMPARE(store.review->previousVersions().first()->translations().size(), 2);
    }

    void smallDisplayTexts()
    {
        ReviewStore store;
        const QString frown("\u2639\uFE0F"), neutral = QString::fromUcs4(U"\U0001F610"),
                                             smile = QString::fromUcs4(U"\U0001F60A");
        for (const auto &[stars, face] : std::initializer_list<std::pair<QVariant, QString>> {
                 {1.0, frown}, {2.5, frown}, {3.0, neutral}, {4.5, smile}, {0.0, ""}, {{}, ""}}) {
            store.review->setValue("rating", stars);
            QCOMPARE(store.review->reviewSmiley(), face);
        }
        QVERIFY(store.review->voteToolTipString().isNull());
        store.review->setValue("voteSum", 3);
        store.review->setValue("voteCount", 5);
        QCOMPARE(store.review->voteToolTipString(),
            QString("3 out of 5 customers found this review helpful"));

        const QDateTime now = QDateTime::currentDateTime();
        for (const auto &[locale, date, text] :
            std::initializer_list<std::tuple<QLocale, QDateTime, QString>> {
                {QLocale("en_US"), now, "today"}, {QLocale("en_US"), now.addDays(-1), "yesterday"},
                {QLocale("de_DE"), now, "heute"}, {QLocale("de_DE"), now.addDays(-1), "gestern"},
                {QLocale::c(), {}, ""}}) {
            QLocale::setDefault(locale);
            store.review->setValue("dateReviewed", date);
            QCOMPARE(store.review->dateReviewedString().toLower(), text);
        }
        QLocale::setDefault(QLocale("en_US"));
        store.review->setValue("dateReviewed", QDateTime(QDate(2015, 8, 25), QTime(12, 0)));
        QCOMPARE(store.review->dateReviewedString(), QString("August 25, 2015"));
        QLocale::setDefault(QLocale::c());
    }
};

RK_TEST_MAIN(RecordsTest)
#include "tst_records.moc"
