#include "support/UpdateFixture.h"

#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectClient.h"
#include "net/RequestQueue.h"
#include "platform/PreferenceKeys.h"
#include "support/ConnectFake.h"
#include "support/TestEnvironment.h"
#include "update/AppStoreConnectImporter.h"
#include "update/ReviewImporter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const QDateTime newest(QDate(2026, 11, 1), QTime(12, 0), Qt::UTC);

QJsonObject apiReview(const QString &id, const QString &territory, int rating, const QString &title,
    const QString &body, const QDateTime &created, const QString &version = {})
{
    QJsonObject review {{"id", id}, {"rating", rating}, {"title", title}, {"body", body},
        {"reviewerNickname", QString("Reviewer " + id)},
        {"createdDate", created.toString(Qt::ISODate)}, {"territory", territory}};
    if (!version.isEmpty())
        review.insert("version", version);
    return review;
}

// The engine around an App Store Connect stand-in whose key the
// environment names, as under cron.
struct Run : UpdateFixture {
    ConnectFake connect;
    AppStoreConnectImporter importer {services, &host};
    ReviewImporter feed {services, &host};

    Run()
    {
        connect.write("AuthKey.p8", connect.keys.privateKey);
        qputenv(AppStoreConnectAccount::issuerVariable, "issuer");
        qputenv(AppStoreConnectAccount::keyIDVariable, "KEY");
        qputenv(
            AppStoreConnectAccount::keyFileVariable, QFile::encodeName(connect.path("AuthKey.p8")));
        UserDefaults::standard().setString(
            connect.server.rootURL(), Preference::AppStoreConnectURL);
        feed.requestQueue().setRequestsPerSecond(0);
    }

    Error load(const QList<std::shared_ptr<Product>> &products)
    {
        Error error;
        awaitDone(
            importer, [&](auto done) { importer.loadReviewsForProducts(products, done); }, &error);
        return error;
    }

    ReviewImporter::ReviewCounts import(
        const std::shared_ptr<Product> &product, const QList<AppStoreConnectReview> &reviews)
    {
        ReviewImporter::ReviewCounts counts;
        awaitDone(importer, [&](auto done) {
            importer.importReviews(
                reviews, {}, product, false, [&counts, done](const auto &c, const Error &error) {
                    counts = c;
                    done(error);
                });
        });
        return counts;
    }

    qint64 count(const QString &predicate = {})
    {
        return store.count(
            "Review", predicate.isEmpty() ? Predicate() : Predicate::format(predicate));
    }
};

} // namespace

class ConnectImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A first load stores every review the account has, more than the feed's
    // 500 in one country, each in its version where a version's list places
    // it; a routine load reads one page and stores nothing twice.
    void wholeHistoryThenNewestFirst()
    {
        Run run;
        auto app = run.app("100");
        run.app("200"); // tracked, but not the key's
        QJsonArray reviews;
        for (int i = 1; i <= 620; ++i)
            reviews.append(apiReview(QString::number(i), i <= 600 ? "USA" : "GBR", 1 + i % 5,
                "Title", QString("Body %1").arg(i), newest.addSecs(-600 * i),
                i == 7 ? QString() : (i % 2 ? "1.0" : "2.0")));
        QJsonObject replied = reviews[2].toObject();
        replied.insert("response",
            QJsonObject {{"id", "answer-3"}, {"responseBody", "Fixed in 2.0"},
                {"lastModifiedDate", "2026-11-02T08:00:00Z"}, {"state", "PUBLISHED"}});
        reviews[2] = replied;
        reviews.append(apiReview("621", "ZZZ", 5, "Far", "Away", newest.addDays(-30)));
        run.connect.write("connect/apps.json", QJsonArray {QJsonObject {{"id", "100"}}});
        run.connect.write("connect/reviews-100.json", reviews);
        run.connect.write("connect/versions-100.json",
            QJsonArray {QJsonObject {{"id", "v1"}, {"versionString", "1.0"},
                            {"createdDate", "2025-01-01T00:00:00Z"}},
                QJsonObject {{"id", "v2"}, {"versionString", "2.0"},
                    {"createdDate", "2026-01-01T00:00:00Z"}}});
        LogCapture log;

        QVERIFY(!run.load(run.store.context->fetch<Product>(FetchRequest("Product"))));
        QCOMPARE((QList<qint64> {run.count(), run.count("countryCode == 'US'"),
                     run.count("countryCode == 'GB'"), run.count("countryCode == 'ZZZ'"),
                     run.count("read == NO")}),
            (QList<qint64> {621, 600, 20, 1, 621}));
        QVERIFY(log.lines.join("\n").contains("territory \"ZZZ\""));
        QCOMPARE(run.services.notifications.last(), "ReviewKeeper: You have 621 new reviews.");
        const auto stored = run.storedReviews(app);
        QCOMPARE((QStringList {stored.value("US/2")->version(), stored.value("US/3")->version(),
                     stored.value("US/7")->version()}),
            (QStringList {"2.0", "1.0", ""}));
        QCOMPARE(stored.value("US/3")->reply()->text, "Fixed in 2.0");
        QVERIFY(stored.value("US/3")->reply()->isPublished());
        QCOMPARE(stored.value("US/4")->dateReviewed(), newest.addSecs(-2400));

        // Newest first until a page reaches what is stored: one page of
        // reviews, the versions, one page of the current version's list.
        const int before = run.connect.service().requestCount();
        run.services.notifications.clear();
        QVERIFY(!run.load({app}));
        QCOMPARE(run.connect.service().requestCount() - before, 4);
        QCOMPARE(run.count(), 621);
        QVERIFY(run.services.notifications.isEmpty());
    }

    // A first load cut short by the budget keeps the oldest pages; the next
    // update reads newest first down to them and the history is whole.
    void historyCutShortIsCompletedNextTime()
    {
        Run run;
        auto app = run.app("100");
        QJsonArray reviews;
        for (int i = 1; i <= 300; ++i)
            reviews.append(apiReview(QString::number(i), "USA", 5, "T", QString("B %1").arg(i),
                newest.addSecs(-600 * i)));
        run.connect.write("connect/apps.json", QJsonArray {QJsonObject {{"id", "100"}}});
        run.connect.write("connect/reviews-100.json", reviews);
        FakeAppStoreConnect::Options options;
        options.pageLimit = 10;
        // The apps and the versions, then pages until 25 requests are left
        // (where the next app would wait), and one more page.
        options.hourlyBudget = AppStoreConnectClient::reserveRequests + 2 + 1;
        run.connect.serve(options);
        QVERIFY(!run.load({app}));
        QCOMPARE(run.importer.waitingApps(), 1);
        QCOMPARE(run.count(), 260);
        QVERIFY(run.storedReviews(app).contains("US/300"));

        run.connect.serve({});
        QVERIFY(!run.load({app}));
        QCOMPARE(run.count(), 300);
    }

    // The same review from the feed and from App Store Connect is kept once,
    // whichever came first; near misses are two reviews.
    void matchWithFeedReviews_data()
    {
        QTest::addColumn<QString>("country");
        QTest::addColumn<double>("rating");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("hoursApart");
        QTest::addColumn<bool>("feedFirst");
        QTest::addColumn<bool>("same");
        QTest::newRow("other spacing, a day apart")
            << "us" << 4.0 << "Good\n  app" << 23 << true << true;
        QTest::newRow("feed after App Store Connect")
            << "US" << 4.0 << "Good app" << 2 << false << true;
        QTest::newRow("other rating") << "US" << 3.0 << "Good app" << 0 << true << false;
        QTest::newRow("other country") << "DE" << 4.0 << "Good app" << 0 << true << false;
        QTest::newRow("other text") << "US" << 4.0 << "Good apps" << 0 << true << false;
        QTest::newRow("two days apart") << "US" << 4.0 << "Good app" << 49 << true << false;
    }

    void matchWithFeedReviews()
    {
        QFETCH(QString, country);
        QFETCH(double, rating);
        QFETCH(QString, text);
        QFETCH(int, hoursApart);
        QFETCH(bool, feedFirst);
        QFETCH(bool, same);
        Run run;
        auto app = run.app("100");
        const QDateTime date = newest.addSecs(3600 * hoursApart);
        const AppStoreConnectReview fromApi {"api", 4, "Title", "Good app", "Reviewer api", newest,
            "USA", AppStoreConnectReply {"answer", "Thanks", newest, "PENDING_PUBLISH"}};
        const auto fromFeed = [&] {
            awaitDone(run.feed, [&](auto done) {
                run.feed.importReviewsFromDictionaries(
                    {{{"identifier", "feed"}, {"reviewer", "Reviewer api"}, {"rating", rating},
                        {"title", "Title"}, {"text", text}, {"version", "2.0"},
                        {"updated", date.toString(Qt::ISODate)}}},
                    app, country, [done](const auto &, const Error &) { done(); });
            });
        };
        if (feedFirst) {
            fromFeed();
            QCOMPARE(run.import(app, {fromApi}).added, same ? 0 : 1);
        } else {
            run.import(app, {fromApi});
            fromFeed();
        }
        QCOMPARE(run.count(), same ? 1 : 2);
        if (same) {
            const auto review = run.storedReviews(app).value(country + "/feed");
            QVERIFY(review);
            QCOMPARE(review->connectIdentifier(), "api");
            QCOMPARE(review->reply()->state, "PENDING_PUBLISH");
        }
    }
};

RK_TEST_MAIN(ConnectImportTest)
#include "tst_connectimport.moc"
