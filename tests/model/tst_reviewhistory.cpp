#include "support/StoreFixture.h"

#include "model/ReviewHistory.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTest>

namespace {

// Monday, 9 March 2026; the week before began on the 2nd.
const QDateTime kMonday(QDate(2026, 3, 9), QTime(0, 0), Qt::UTC);

struct Row {
    const char *identifier;
    qint64 secondsFromMonday;
    const char *country;
    std::optional<double> rating;
    const char *version;
    int earlierVersions;
};
// The first two fall a minute apart across the turn of the week; "d" was
// edited but has no rating; "e" was edited twice; the week of the 16th has
// no reviews.
const Row kRows[] = {
    {"a", -60, "US", 5.0, "1.0", 0},
    {"b", 0, "us", 5.0, "1.0", 0},
    {"c", 36 * 3600, "DE", 1.0, "2.0", 0},
    {"d", 37 * 3600, "US", std::nullopt, "2.0", 1},
    {"e", 2 * 86400, "US", 3.0, "2.0", 2},
    {"f", 14 * 86400 + 5, "DE", 4.0, "2.0", 1},
};

// "2026-03-09 1 0 1 0 1 e1": a week's start, its one- to five-star counts
// and its edited count.
QStringList describe(const ReviewHistory &history)
{
    QStringList weeks;
    for (const ReviewHistory::Week &week : history.weeks) {
        QString text = week.start.date().toString(Qt::ISODate);
        for (qint64 count : week.stars)
            text += QStringLiteral(" %1").arg(count);
        weeks << text + QStringLiteral(" e%1").arg(week.edited);
    }
    return weeks;
}

} // namespace

class ReviewHistoryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_;

private Q_SLOTS:
    void init()
    {
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app(QStringLiteral("1"));
        auto other = store_->app(QStringLiteral("2"));
        ManagedObjectContext &context = *store_->context;
        for (const Row &row : kRows) {
            auto review = StoreFixture::review(context, app_, QString::fromLatin1(row.identifier),
                QString::fromLatin1(row.country), row.rating);
            review->setValue(
                QStringLiteral("dateReviewed"), kMonday.addSecs(row.secondsFromMonday));
            review->setValue(QStringLiteral("version"), QString::fromLatin1(row.version));
            for (int i = 0; i < row.earlierVersions; ++i) {
                auto earlier = context.insertNewObject(QStringLiteral("ReviewVersion"));
                earlier->setObject(QStringLiteral("review"), review);
                earlier->setValue(QStringLiteral("rating"), 2.0);
            }
        }
        // Another product's review in the same week counts for it only.
        StoreFixture::review(context, other, QStringLiteral("g"), QStringLiteral("US"), 2.0)
            ->setValue(QStringLiteral("dateReviewed"), kMonday);
        QVERIFY(context.save());
    }

    void cleanup()
    {
        app_.reset();
        store_.reset();
    }

    // The filters are the review list's stored choices: "***" and nothing
    // both mean all.
    void countsPerWeekAndStar_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QStringList>("weeks");
        const QStringList all {
            "2026-03-02 0 0 0 0 1 e0", "2026-03-09 1 0 1 0 1 e1", "2026-03-23 0 0 0 1 0 e1"};
        QTest::newRow("all") << "***"
                             << "***" << all;
        QTest::newRow("no choice stored") << ""
                                          << "" << all;
        QTest::newRow("version") << "2.0"
                                 << "***"
                                 << QStringList {
                                        "2026-03-09 1 0 1 0 0 e1", "2026-03-23 0 0 0 1 0 e1"};
        QTest::newRow("country, stored in either case")
            << "***"
            << "US" << QStringList {"2026-03-02 0 0 0 0 1 e0", "2026-03-09 0 0 1 0 1 e1"};
        QTest::newRow("country chosen in lower case")
            << "***"
            << "us" << QStringList {"2026-03-02 0 0 0 0 1 e0", "2026-03-09 0 0 1 0 1 e1"};
        QTest::newRow("both") << "2.0"
                              << "de"
                              << QStringList {"2026-03-09 1 0 0 0 0 e0", "2026-03-23 0 0 0 1 0 e1"};
        QTest::newRow("nothing passes") << "1.0"
                                        << "DE" << QStringList();
    }

    void countsPerWeekAndStar()
    {
        QFETCH(QString, version);
        QFETCH(QString, country);
        QFETCH(QStringList, weeks);
        app_->setValue(QStringLiteral("selectedVersion"), version);
        app_->setValue(QStringLiteral("selectedCountryCode"), country);
        const auto query = ReviewHistory::Query::forProduct(*app_);
        QVERIFY(query);
        const auto history = ReviewHistory::load(*query);
        QVERIFY(history);
        QCOMPARE(describe(*history), weeks);
        for (const ReviewHistory::Week &week : history->weeks)
            QCOMPARE(ReviewHistory::weekStart(week.start.addSecs(7 * 86400 - 1)), week.start);
    }

    void unreadableStoreGivesNoHistoryAndALoggedLine_data()
    {
        QTest::addColumn<bool>("withModel");
        QTest::newRow("not a store") << true;
        QTest::newRow("no model") << false;
    }

    void unreadableStoreGivesNoHistoryAndALoggedLine()
    {
        QFETCH(bool, withModel);
        LogCapture log;
        auto query = ReviewHistory::Query::forProduct(*app_);
        QVERIFY(query);
        if (withModel) {
            query->storePath = store_->dir.filePath(QStringLiteral("other.db"));
            QFile junk(query->storePath);
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write(QByteArray(4096, 'x'));
        } else {
            query->model.reset();
        }
        QVERIFY(!ReviewHistory::load(*query));
        QCOMPARE(log.matching(QStringLiteral("reviewHistoryForProduct")).size(), 1);
        // The store itself is untouched.
        QCOMPARE(store_->count(QStringLiteral("Review")), qint64(std::size(kRows) + 1));
    }
};

RK_TEST_MAIN(ReviewHistoryTest)
#include "tst_reviewhistory.moc"
