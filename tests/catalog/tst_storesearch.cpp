#include "LocalHttpServer.h"
#include "catalog/StoreSearch.h"
#include "platform/UserDefaults.h"
#include "support/StoreAnswers.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using Response = LocalHttpServer::Response;

namespace {

struct Outcome {
    int calls = 0;
    Downloader::ProductRecords results;
    Error error;
};

StoreSearch::Completion collect(Outcome &into)
{
    return [&into](const Downloader::ProductRecords &results, const Error &error) {
        ++into.calls;
        into.results = results;
        into.error = error;
    };
}

QByteArray searchAnswer(const QStringList &names)
{
    QJsonArray results;
    qint64 id = 500;
    for (const QString &name : names)
        results.append(QJsonObject {{"trackId", ++id}, {"trackName", name}, {"kind", "software"}});
    return QJsonDocument(QJsonObject {{"resultCount", int(results.size())}, {"results", results}})
        .toJson();
}

} // namespace

class StoreSearchTest : public QObject {
    Q_OBJECT

    LocalHttpServer *server_ = nullptr;

private Q_SLOTS:
    void init()
    {
        server_ = new LocalHttpServer;
        QVERIFY(server_->listen());
        UserDefaults::standard().setString(server_->rootURL(), "StoreRootURL");
        server_->route("/lookup", [](const LocalHttpServer::Request &request) {
            const QString id = request.query().queryItemValue("id");
            return Response::ok(StoreAnswers::lookupAnswer({id.toLongLong()}), "text/javascript");
        });
        // "slow" is found late, anything else finds nothing.
        server_->route("/search", [](const LocalHttpServer::Request &request) {
            if (request.query().queryItemValue("term") == "slow")
                return Response::delayed(
                    400, Response::ok(searchAnswer({"late"}), "text/javascript"));
            return Response::ok(searchAnswer({}), "text/javascript");
        });
    }

    void cleanup()
    {
        delete server_;
        server_ = nullptr;
    }

    // Store page addresses become their id, other text is searched trimmed;
    // only three ASCII digits or more make an id.
    void searchTerms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("identifier");
        const auto row = [](const char *name, const char *text, const char *term, bool id) {
            QTest::newRow(name) << QString(text) << QString(term) << id;
        };
        const auto same = [&](const char *n, const char *t) { row(n, t, t, false); };
        row("apps", "https://apps.apple.com/us/app/some-name/id284882215", "284882215", true);
        row("query", "  https://apps.apple.com/us/app/some-name/id284882215?mt=8\n", "284882215",
            true);
        row("itunes", "http://itunes.apple.com/de/app/x/id123456?ls=1&mt=12", "123456", true);
        row("books", "https://books.apple.com/us/book/title/id1234567890#top", "1234567890", true);
        row("podcasts", "https://podcasts.apple.com/us/podcast/a-show/id1200361736?i=1000600000000",
            "1200361736", true);
        row("bare host", "https://apple.com/id777", "777", true);
        same("no id", "https://apps.apple.com/us/app/some-name");
        same("empty id", "https://apps.apple.com/us/app/name/id?mt=8");
        same("other host", "https://notapple.com/id123");
        same("host in path", "https://example.org/apple.com/id123");
        same("no scheme", "apps.apple.com/us/app/id123");
        row("words", "  Weather  Radar ", "Weather  Radar", false);
        row("spaces only", " \t\n", "", false);
        row("three digits", "123", "123", true);
        same("two digits", "12");
        same("digits and a letter", "12a45");
        same("Arabic-Indic digits", "١٢٣٤");
    }

    void searchTerms()
    {
        QFETCH(QString, text);
        QFETCH(QString, term);
        QFETCH(bool, identifier);
        QCOMPARE(StoreSearch::searchTermForText(text), term);
        QCOMPARE(StoreSearch::isIdentifier(term), identifier);
    }

    void lookupsAndSearches()
    {
        StoreSearch search;
        Outcome outcome;
        QCOMPARE(search.searchAction("  \n", 15, collect(outcome)), StoreSearch::Started::Nothing);

        QCOMPARE(search.searchAction(
                     "https://apps.apple.com/us/app/x/id284882215?mt=8", 15, collect(outcome)),
            StoreSearch::Started::Lookup);
        QVERIFY(search.isSearching());
        QVERIFY(waitFor([&] { return outcome.calls == 1; }));
        QVERIFY(!outcome.error);
        QCOMPARE(outcome.results.size(), 1);
        QCOMPARE(outcome.results.first().value("trackId").toInteger(), 284882215LL);
        QCOMPARE(server_->requestsFor("/lookup").size(), 1);
        QVERIFY(!server_->requestsFor("/lookup").first().query().hasQueryItem("country"));

        // No results: the same text may be searched again.
        QCOMPARE(
            search.searchAction("nothing", 15, collect(outcome)), StoreSearch::Started::Search);
        QVERIFY(waitFor([&] { return outcome.calls == 2; }));
        QVERIFY(outcome.results.isEmpty() && !outcome.error);
        QCOMPARE(
            search.searchAction("nothing", 15, collect(outcome)), StoreSearch::Started::Search);
        QVERIFY(waitFor([&] { return outcome.calls == 3; }));
    }

    void newSearchOrCancelEndsTheRunningOne()
    {
        StoreSearch search;
        // A new search cancels the running one, which completes as cancelled.
        Outcome slow, quick;
        search.searchAction("slow", 15, collect(slow));
        QVERIFY(waitFor([&] { return server_->requestsFor("/search").size() == 1; }));
        search.searchAction("123456", 15, collect(quick));
        QVERIFY(waitFor([&] { return slow.calls == 1 && quick.calls == 1; }));
        QVERIFY(slow.error.isCancellation());
        QVERIFY(!quick.error);
        QCOMPARE(quick.results.size(), 1);

        Outcome closed;
        search.searchAction("slow", 15, collect(closed));
        search.cancelAllRequests();
        QVERIFY(waitFor([&] { return closed.calls == 1; }));
        QVERIFY(closed.error.isCancellation());
        QVERIFY(!search.isSearching());
        // The cancelled search showed nothing, so its text may run again.
        QCOMPARE(search.searchAction("slow", 15, {}), StoreSearch::Started::Search);
    }

    void resultsInTableOrder()
    {
        Downloader::ProductRecords results {QJsonObject {{"trackName", "b 10"}},
            QJsonObject {{"trackName", "B 9"}, {"artistName", "Z"}}, QJsonObject {},
            QJsonObject {{"trackName", "a"}, {"artistName", QJsonValue::Null}}};
        auto names = [](const Downloader::ProductRecords &records) {
            QStringList list;
            for (const auto &record : records)
                list << record.value("trackName").toString();
            return list;
        };
        QCOMPARE(names(StoreSearch::sortedResults(results, {{"trackName", true}})),
            (QStringList {"", "a", "B 9", "b 10"}));
        QCOMPARE(names(StoreSearch::sortedResults(results, {{"trackName", false}})),
            (QStringList {"b 10", "B 9", "a", ""}));
        QCOMPARE(names(StoreSearch::sortedResults(
                     results, {{"artistName", false}, {"trackName", true}})),
            (QStringList {"B 9", "", "a", "b 10"}));
    }
};

RK_TEST_MAIN(StoreSearchTest)
#include "tst_storesearch.moc"
