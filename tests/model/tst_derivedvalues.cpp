#include "model/HalfStarRounding.h"
#include "model/Rating.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

namespace {

std::shared_ptr<Review> rated(StoreFixture &store, const std::shared_ptr<Product> &product,
    const QString &id, const QString &country, double stars,
    const QString &version = QStringLiteral("1.0"))
{
    auto review = StoreFixture::review(*store.context, product, id, country, stars);
    review->setValue(QStringLiteral("version"), version);
    return review;
}

std::shared_ptr<Rating> rating(StoreFixture &store, const std::shared_ptr<App> &app,
    const QString &country, double average, qint64 count)
{
    auto rating = store.context->insertNewObject<Rating>(QStringLiteral("Rating"));
    rating->setObject(QStringLiteral("product"), app);
    rating->setValue(QStringLiteral("countryCode"), country);
    rating->setValue(QStringLiteral("averageRating"), average);
    rating->setValue(QStringLiteral("ratingCount"), count);
    return rating;
}

} // namespace

class DerivedValuesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void halfStarRoundingAtItsBoundaries()
    {
        const QList<std::pair<double, double>> table {{3.05, 3.0}, {3.1, 3.0}, {3.24, 3.0},
            {3.25, 3.0}, {3.26, 3.5}, {3.5, 3.5}, {3.75, 3.5}, {3.76, 4.0}, {4.333, 4.5},
            {4.2, 4.0}, {4.95, 5.0}, {1.0, 1.0}};
        for (const auto &[average, expected] : table)
            QVERIFY2(halfStarRounded(average) == expected, qPrintable(QString::number(average)));
    }

    void starCountsAndAveragesFollowTheListFilter()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        rated(store, app, "a", "US", 5);
        rated(store, app, "b", "US", 4);
        rated(store, app, "c", "us", 4, "2.0");
        rated(store, app, "d", "GB", 1);
        StoreFixture::review(*store.context, app, "e", "GB", std::nullopt);
        QVERIFY(store.context->save());

        // All countries: ratings 5, 4, 4, 1 → 3.5; the unrated one counts
        // in the total but in no star.
        app->updateReviewsGroupedByStarsForProduct();
        QCOMPARE(app->reviewsCount(), 5);
        QCOMPARE(app->fourStarsTotal(), 2);
        QCOMPARE(app->oneStarsTotal(), 1);
        QCOMPARE(app->threeStarsTotal(), 0);
        QCOMPARE(app->maxStarsTotal(), 2);
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

    void appTotalsAndTheirSummary()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        QVERIFY(!app->totalRatingCount());
        rating(store, app, "US", 4.8, 1000);
        rating(store, app, "GB", 3.9, 10);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QCOMPARE(app->totalRatingCount(), std::optional<qint64>(1010));
        QCOMPARE(app->totalAverageRating(), std::optional<double>(4.5));
        QCOMPARE(app->totalAverageRatingString(), QString("1010 Ratings / 2 Countries"));

        auto single = store.app(QStringLiteral("2"));
        rating(store, single, "US", 4.0, 1);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QCOMPARE(single->totalAverageRatingString(), QString("1 Rating / 1 Country"));

        auto zero = store.app(QStringLiteral("3"));
        rating(store, zero, "US", 0, 0);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QVERIFY(!zero->totalRatingCount());
        QVERIFY(!zero->totalAverageRating());
        QVERIFY(zero->totalAverageRatingString().isEmpty());

        // A later rating in another country updates the totals by itself.
        rating(store, zero, "DE", 3.0, 7);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QCOMPARE(zero->totalRatingCount(), std::optional<qint64>(7));
        QCOMPARE(zero->totalAverageRatingString(), QString("7 Ratings / 1 Country"));
    }

    void ratingTexts()
    {
        QCOMPARE(Rating::countText(std::nullopt), QString("-:-"));
        QCOMPARE(Rating::countText(0), QString("-:-"));
        QCOMPARE(Rating::countText(1), QString("1 Rating"));
        QCOMPARE(Rating::countText(2), QString("2 Ratings"));
        QCOMPARE(Rating::averageText(4.5), QString("4.5 Stars"));
        QCOMPARE(Rating::averageText(0), QString(""));
        QCOMPARE(Rating::averageText(std::nullopt), QString(""));
    }

    void unreadCountIsAbsentAtZeroAndFollowsReads()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        QVERIFY(store.context->save());
        QVERIFY(!app->unReadCount());
        auto first = rated(store, app, "a", "US", 5);
        rated(store, app, "b", "US", 3);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QCOMPARE(app->unReadCount(), std::optional<qint64>(2));

        first->setRead(true);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QCOMPARE(app->unReadCount(), std::optional<qint64>(1));
        for (const auto &review : app->reviews())
            review->setRead(true);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QVERIFY(!app->unReadCount());
    }

    void oneMergeOf500ReviewsCausesOneRecount()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        auto other = store.app(QStringLiteral("2"));
        QVERIFY(store.context->save());
        QVERIFY(!app->unReadCount());
        QVERIFY(!other->unReadCount());
        const int before = app->unreadRecounts();
        const int otherBefore = other->unreadRecounts();

        auto child = store.context->newPrivateContext();
        const ObjectID id = app->objectID();
        child->performAndWait([&] {
            auto product = std::dynamic_pointer_cast<Product>(child->existingObject(id));
            for (int i = 0; i < 500; ++i)
                StoreFixture::review(*child, product, QString::number(i), "US");
            QVERIFY(child->save());
        });
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(app->unreadRecounts() - before, 1);
        QCOMPARE(other->unreadRecounts(), otherBefore);
        QCOMPARE(app->unReadCount(), std::optional<qint64>(500));
    }

    void toolTipsAndPlaceholders()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        app->setTitle("Weather");
        app->setValue(QStringLiteral("kind"), QStringLiteral("mac-software"));
        QCOMPARE(app->toolTip(), QString("Weather | OS X"));
        app->setValue(QStringLiteral("kind"), QStringLiteral("software"));
        QCOMPARE(app->toolTip(), QString("Weather | iOS"));
        app->setValue(QStringLiteral("kind"), QStringLiteral("other"));
        QCOMPARE(app->toolTip(), QString("Weather"));
        auto book = store.context->insertNewObject<Product>(QStringLiteral("Book"));
        book->setTitle("Novel");
        QCOMPARE(book->toolTip(), QString("Novel | iBook"));
        auto podcast = store.context->insertNewObject<Product>(QStringLiteral("Podcast"));
        podcast->setTitle("Talk");
        QCOMPARE(podcast->toolTip(), QString("Talk | Podcast"));
        QVERIFY(!app->image().isNull());
        QVERIFY(!book->image().isNull());
        QVERIFY(app->image() != book->image());

        QImage artwork(8, 8, QImage::Format_RGB32);
        artwork.fill(Qt::red);
        app->setValue(QStringLiteral("image"), artwork);
        QCOMPARE(app->image().pixel(0, 0), QColor(Qt::red).rgb());
    }
};

RK_TEST_MAIN(DerivedValuesTest)
#include "tst_derivedvalues.moc"
