#include "catalog/ReviewFilter.h"
#include "model/Book.h"
#include "model/Country.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

class ReviewFilterTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_;

    void addReview(const char *identifier, const char *country, const char *version,
        const QString &title, const QString &reviewer, int day)
    {
        auto review = StoreFixture::review(*store_->context, app_, identifier, country);
        review->setValue("version", version);
        review->setValue("displayTitle", title);
        review->setValue("reviewer", reviewer);
        review->setValue("dateReviewed", QDateTime(QDate(2026, 1, day), QTime(12, 0), Qt::UTC));
    }

    static QStringList ids(const QList<std::shared_ptr<Review>> &reviews)
    {
        QStringList list;
        for (const auto &review : reviews)
            list << review->identifier();
        return list;
    }

    QStringList listed(const QString &version, const QString &country, const QString &text)
    {
        app_->setSelectedVersion(version);
        app_->setSelectedCountryCode(country);
        ReviewFilter filter(*store_->context);
        filter.updateReviewRatingsFilterPredicate(app_);
        filter.searchAction(text);
        return ids(filter.reviews());
    }

private Q_SLOTS:
    void init()
    {
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app("1");
        addReview("de-old", "DE", "1.9", QString::fromUtf8("Über alles"), "Anna", 1);
        addReview("us", "US", "1.10", "Great app", "bob", 4);
        addReview("jp", "JP", "1.10", QString::fromUtf8("すばらしいＡＰＰです"),
            QString::fromUtf8("山田"), 3);
        addReview("de-new", "DE", "2.0", "Meh", QString::fromUtf8("ÖLAF"), 5);
        auto other = store_->app("2");
        auto foreign = StoreFixture::review(*store_->context, other, "other", "DE");
        foreign->setValue("version", "1.10");
        foreign->setValue("displayTitle", "Great app");
        QVERIFY(store_->context->save());
    }

    void cleanup()
    {
        app_.reset();
        store_.reset();
    }

    void predicatesFollowTheChoices()
    {
        QVERIFY(!ReviewFilter::reviewRatingsPredicateForProduct(*app_));
        QVERIFY(!ReviewFilter::searchPredicate(QString(), false));
        app_->setSelectedVersion("1.10");
        auto both = ReviewFilter::reviewRatingsPredicateForProduct(*app_);
        QVERIFY(both && both->isValid());
        QVERIFY(ReviewFilter::searchPredicate("%@ ' \" )", true)->isValid());
        QVERIFY(ReviewFilter::searchPredicate("%@ ' \" )", false)->isValid());

        ReviewFilter filter(*store_->context);
        QVERIFY(!filter.filterPredicate());
        QVERIFY(filter.reviews().isEmpty()); // no product
        QVERIFY(filter.searchAction("bob"));
        QVERIFY(!filter.searchAction("bob"));
        QVERIFY(filter.filterPredicate());
        QVERIFY(filter.reviews().isEmpty());
        filter.updateReviewRatingsFilterPredicate(app_);
        QVERIFY(filter.reviewRatingsPredicate());
        QCOMPARE(ids(filter.reviews()), QStringList {"us"});
        QVERIFY(filter.searchAction(QString()));
        QCOMPARE(ids(filter.reviews()), (QStringList {"us", "jp"}));
    }

    void combinations_data()
    {
        const QString germany = Country::localizedName("DE");
        QVERIFY(germany.size() > 3);
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all, newest first") << "***"
                                           << "***"
                                           << "" << QStringList {"de-new", "us", "jp", "de-old"};
        QTest::newRow("version") << "1.10"
                                 << "***"
                                 << "" << QStringList {"us", "jp"};
        QTest::newRow("country") << "***"
                                 << "DE"
                                 << "" << QStringList {"de-new", "de-old"};
        QTest::newRow("both") << "2.0"
                              << "DE"
                              << "" << QStringList {"de-new"};
        QTest::newRow("nothing of both") << "2.0"
                                         << "US"
                                         << "" << QStringList {};
        QTest::newRow("German title, other case")
            << "***"
            << "***" << QString::fromUtf8("üBER") << QStringList {"de-old"};
        QTest::newRow("German reviewer")
            << "***"
            << "***" << QString::fromUtf8("ölaf") << QStringList {"de-new"};
        QTest::newRow("Japanese") << "***"
                                  << "***" << QString::fromUtf8("すばらしい") << QStringList {"jp"};
        QTest::newRow("full-width, other case")
            << "***"
            << "***" << QString::fromUtf8("ａｐｐ") << QStringList {"jp"};
        QTest::newRow("version pattern") << "***"
                                         << "***"
                                         << "1.1?" << QStringList {"us", "jp"};
        QTest::newRow("version is a pattern, not a part") << "***"
                                                          << "***"
                                                          << "1." << QStringList {};
        QTest::newRow("country name start")
            << "***"
            << "***" << germany.left(3).toUpper() << QStringList {"de-new", "de-old"};
        QTest::newRow("country name middle") << "***"
                                             << "***" << germany.mid(1) << QStringList {};
        QTest::newRow("narrowed: title") << "1.10"
                                         << "***"
                                         << "GREAT" << QStringList {"us"};
        QTest::newRow("narrowed: no version match") << "***"
                                                    << "DE"
                                                    << "1.9" << QStringList {};
        QTest::newRow("narrowed: no country match") << "1.9"
                                                    << "***" << germany.left(3) << QStringList {};
        QTest::newRow("narrowed: reviewer") << "***"
                                            << "DE"
                                            << "anna" << QStringList {"de-old"};
    }

    void combinations()
    {
        QFETCH(QString, version);
        QFETCH(QString, country);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(listed(version, country, text), expected);
    }

    void pendingReviewsAndOtherOrders()
    {
        addReview("pending", "US", "3.0", "Fresh", "bz", 9);
        ReviewFilter filter(*store_->context);
        filter.updateReviewRatingsFilterPredicate(app_);
        QCOMPARE(ids(filter.reviews()).first(), QString("pending"));
        filter.setSortDescriptors({{"reviewer", true}});
        QCOMPARE(ids(filter.reviews()), (QStringList {"de-old", "us", "pending", "de-new", "jp"}));
    }

    void choosingVersionsAndCountries()
    {
        ReviewFilter filter(*store_->context);
        QCOMPARE(filter.versionsForProduct(*app_), (QStringList {"2.0", "1.9", "1.10"}));
        QCOMPARE(filter.countryCodesForProduct(*app_), (QStringList {"DE", "JP", "US"}));

        QVERIFY(filter.selectVersion(app_, "1.10"));
        QCOMPARE(app_->selectedVersion(), QString("1.10"));
        QCOMPARE(filter.product(), app_);
        QCOMPARE(ids(filter.reviews()), (QStringList {"us", "jp"}));
        QVERIFY(!filter.selectVersion(app_, "1.10"));
        // A version no review has means all versions.
        QVERIFY(filter.selectVersion(app_, "9.9"));
        QCOMPARE(app_->selectedVersion(), QString("***"));
        QVERIFY(!filter.selectVersion(app_, "***"));
        QVERIFY(!filter.selectVersion(app_, QString()));

        QVERIFY(filter.selectCountryCode(app_, "JP"));
        QCOMPARE(ids(filter.reviews()), QStringList {"jp"});
        QVERIFY(filter.selectCountryCode(app_, "XX"));
        QCOMPARE(app_->selectedCountryCode(), QString("***"));
        QVERIFY(!filter.selectCountryCode(app_, "XX"));
        QVERIFY(!filter.selectCountryCode(nullptr, "JP"));

        // Only apps choose a version.
        auto book = store_->context->insertNewObject<Book>("Book");
        QVERIFY(!filter.selectVersion(book, "1.0"));
        QCOMPARE(book->selectedVersion(), QString("***"));
    }
};

RK_TEST_MAIN(ReviewFilterTest)
#include "tst_reviewfilter.moc"
