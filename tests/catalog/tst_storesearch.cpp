#include "LocalHttpServer.h"
#include "catalog/StoreSearch.h"
#include "platform/UserDefaults.h"
#include "support/StoreAnswers.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QJsonObject>
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
        // "slow" finds one product late, anything else finds nothing.
        server_->route("/search", [](const LocalHttpServer::Request &request) {
            const bool slow = request.query().queryItemValue("term") == "slow";
            return Response::delayed(slow ? 400 : 0,
                Response::ok(
                    StoreAnswers::lookupAnswer(slow ? QList<qint64> {501} : QList<qint64> {}),
                    "text/javascript"));
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
        row("query", "  https://apps.apple.com/us/app/some-name/id284882215?mt=8\n", "284882215",
            true);
        row("books", "https://books.apple.com/us/book/title/id1234567890#top", "1234567890", true);
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
        // Neither the cancelled search nor one without results showed
        // anything, so each may run again with the same text.
        QCOMPARE(search.searchAction("slow", 15, {}), StoreSearch::Started::Search);
        Outcome none;
        for (int run = 1; run <= 2; ++run) {
            QCOMPARE(
                search.searchAction("nothing", 15, collect(none)), StoreSearch::Started::Search);
            QVERIFY(waitFor([&] { return none.calls == run; }));
        }
        QVERIFY(none.results.isEmpty() && !none.error);
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
        QCOMPARE(names(StoreSearch::sortedResults(
                     results, {{"artistName", false}, {"trackName", true}})),
            (QStringList {"B 9", "", "a", "b 10"}));
    }
};

RK_TEST_MAIN(StoreSearchTest)
#include "tst_storesearch.moc"
