#include "catalog/ReviewFilter.h"
#include "model/Book.h"
#include "model/Country.h"
#include "model/StoreQueries.h"
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
        addReview("de-old", "DE", "1.9", "Über alles", "Anna", 1);
        addReview("us", "US", "1.10", "Great app", "bob", 4);
        addReview("jp", "JP", "1.10", "すばらしいＡＰＰです", "山田", 3);
        addReview("de-new", "DE", "2.0", "Meh", "ÖLAF", 5);
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
        // A text that would break a format stays a value.
        QVERIFY(StoreQueries::reviewFilter(*app_, "US", {}, "%@ ' \" )").isValid());
        QVERIFY(StoreQueries::reviewFilter(*app_, {}, {}, "%@ ' \" )").isValid());
        app_->setSelectedVersion("1.10");

        ReviewFilter filter(*store_->context);
        QVERIFY(!filter.filterPredicate());
        QVERIFY(filter.reviews().isEmpty()); // no product
        QVERIFY(filter.searchAction("bob"));
        QVERIFY(!filter.searchAction("bob"));
        QVERIFY(filter.reviews().isEmpty());
        filter.updateReviewRatingsFilterPredicate(app_);
        QVERIFY(filter.filterPredicate());
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
        const auto row = [](const char *name, const char *version, const char *country,
                             const QString &text, const QStringList &expected) {
            QTest::newRow(name) << QString(version) << QString(country) << text << expected;
        };
        row("all, newest first", "***", "***", "", {"de-new", "us", "jp", "de-old"});
        row("both", "2.0", "DE", "", {"de-new"});
        row("German reviewer", "***", "***", "ölaf", {"de-new"});
        row("version pattern", "***", "***", "1.1?", {"us", "jp"});
        row("version is a pattern, not a part", "***", "***", "1.", {});
        row("country name start", "***", "***", germany.left(3).toUpper(), {"de-new", "de-old"});
        row("country name middle", "***", "***", germany.mid(1), {});
        row("narrowed: title", "1.10", "***", "GREAT", {"us"});
        row("narrowed: no version match", "***", "DE", "1.9", {});
        row("narrowed: no country match", "1.9", "***", germany.left(3), {});
        row("narrowed: reviewer", "***", "DE", "anna", {"de-old"});
    }

    void combinations()
    {
        QFETCH(QString, version);
        QFETCH(QString, country);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(listed(version, country, text), expected);
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

        // A review not saved yet is listed too, in any order.
        addReview("pending", "US", "3.0", "Fresh", "bz", 9);
        QCOMPARE(ids(filter.reviews()).first(), QString("pending"));
        filter.setSortDescriptors({{"reviewer", true}});
        QCOMPARE(ids(filter.reviews()), (QStringList {"de-old", "us", "pending", "de-new", "jp"}));

        // Only apps choose a version.
        auto book = store_->context->insertNewObject<Book>("Book");
        QVERIFY(!filter.selectVersion(book, "1.0"));
        QCOMPARE(book->selectedVersion(), QString("***"));
    }
};

RK_TEST_MAIN(ReviewFilterTest)
#include "tst_reviewfilter.moc"
