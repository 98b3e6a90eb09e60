#include "model/Book.h"
#include "model/Podcast.h"
#include "model/StoreQueries.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

class StoreQueriesTest : public QObject {
    Q_OBJECT

    static QStringList identifiers(const std::optional<StoreQueries::Products> &products)
    {
        QStringList list;
        for (const auto &product : products.value_or(StoreQueries::Products()))
            list << product->identifier();
        return list;
    }

private Q_SLOTS:
    void productsDueForAnUpdate()
    {
        StoreFixture store;
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        auto old = store.app(QStringLiteral("old"));
        old->setValue(QStringLiteral("lastReviewsUpdate"), now.addDays(-2));
        old->setValue(QStringLiteral("lastRatingsUpdate"), now.addDays(-2));
        auto exact = store.app(QStringLiteral("exact"));
        exact->setValue(QStringLiteral("lastReviewsUpdate"), now);
        exact->setValue(QStringLiteral("lastRatingsUpdate"), now);
        auto fresh = store.app(QStringLiteral("fresh"));
        fresh->setValue(QStringLiteral("lastReviewsUpdate"), now.addSecs(1));
        store.app(QStringLiteral("never"));
        auto book = store.context->insertNewObject(QStringLiteral("Book"));
        book->setValue(QStringLiteral("identifier"), QStringLiteral("book"));
        auto podcast = store.context->insertNewObject(QStringLiteral("Podcast"));
        podcast->setValue(QStringLiteral("identifier"), QStringLiteral("podcast"));
        podcast->setValue(QStringLiteral("lastReviewsUpdate"), now.addDays(-5));

        for (int pass = 0; pass < 2; ++pass) { // pending, then saved
            QCOMPARE(identifiers(StoreQueries::productsForReviewsNotUpatedSinceDate(
                         store.context.get(), now)),
                (QStringList {"never", "book", "podcast", "old", "exact"}));
            QCOMPARE(identifiers(StoreQueries::productsNeedingReviewsUpate(store.context.get())),
                (QStringList {"never", "book", "podcast", "old", "exact", "fresh"}));
            QCOMPARE(identifiers(StoreQueries::productsForRatingsNotUpatedSinceDate(
                         store.context.get(), now)),
                (QStringList {"fresh", "never", "old", "exact"}));
            QCOMPARE(
                identifiers(StoreQueries::productsNeedingRatingsUpate(store.context.get())).size(),
                4);
            QCOMPARE(StoreQueries::allProducts(store.context.get())->size(), 6);
            QVERIFY(store.context->save());
        }
        QVERIFY(!StoreQueries::allProducts(nullptr));
    }

    void starCountsAndRatedReviews()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        auto other = store.app(QStringLiteral("2"));
        int n = 0;
        auto add = [&](const std::shared_ptr<Product> &product, const char *country,
                       std::optional<double> rating, const char *version) {
            auto review = StoreFixture::review(
                *store.context, product, QString::number(++n), QLatin1String(country), rating);
            review->setValue(QStringLiteral("version"), QLatin1String(version));
        };
        add(app, "DE", 5, "1.0");
        add(app, "DE", 5, "2.0");
        add(app, "de", 4, "2.0");
        add(app, "US", 1, "2.0");
        add(app, "US", std::nullopt, "2.0");
        add(app, "US", 0.0, "1.0");
        add(other, "DE", 5, "2.0");
        QVERIFY(store.context->save());

        const auto all =
            StoreQueries::reviewsGroupedByStarsForProduct(store.context.get(), app.get());
        QVERIFY(all);
        QCOMPARE(all->size(), 5);
        QCOMPARE(all->at(0).value(QStringLiteral("rating")).toDouble(), 5.0);
        QCOMPARE(all->at(0).value(QStringLiteral("total")).toInt(), 2);
        QVERIFY(!all->last().contains(QStringLiteral("rating")));

        const auto german = StoreQueries::reviewsGroupedByStarsForProduct(
            store.context.get(), app.get(), QStringLiteral("de"), QStringLiteral("2.0"));
        QCOMPARE(german->size(), 2);
        QCOMPARE(german->at(0).value(QStringLiteral("total")).toInt(), 1);
        QCOMPARE(german->at(1).value(QStringLiteral("rating")).toDouble(), 4.0);

        QCOMPARE(StoreQueries::reviewsForProduct(store.context.get(), app.get())->size(), 4);
        QCOMPARE(
            StoreQueries::reviewsForProduct(store.context.get(), app.get(), QStringLiteral("dE"))
                ->size(),
            3);
        QCOMPARE(StoreQueries::reviewsForProduct(
                     store.context.get(), app.get(), {}, QStringLiteral("1.0"))
                     ->size(),
            1);
    }
};

RK_TEST_MAIN(StoreQueriesTest)
#include "tst_storequeries.moc"
