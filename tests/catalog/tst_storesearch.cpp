#include "LocalHttpServer.h"
#include "catalog/StoreSearch.h"
#include "net/URLError.h"
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
        server_->route("/search", [](const LocalHttpServer::Request &request) {
            const QString term = request.query().queryItemValue("term");
            if (term == "nothing")
                return Response::ok(searchAnswer({}), "text/javascript");
            if (term == "broken")
                return Response::withStatus(503, "<html>down</html>");
            if (term == "garbled")
                return Response::ok("{\"results\": [", "text/javascript");
            if (term == "slow")
                return Response::delayed(
                    400, Response::ok(searchAnswer({"late"}), "text/javascript"));
            return Response::ok(searchAnswer({"b 10", "B 9", "a"}), "text/javascript");
        });
    }

    void cleanup()
    {
        delete server_;
        server_ = nullptr;
    }

    void storePageAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("term");
        QTest::newRow("apps") << "https://apps.apple.com/us/app/some-name/id284882215"
                              << "284882215";
        QTest::newRow("query") << "  https://apps.apple.com/us/app/some-name/id284882215?mt=8\n"
                               << "284882215";
        QTest::newRow("itunes") << "http://itunes.apple.com/de/app/x/id123456?ls=1&mt=12"
                                << "123456";
        QTest::newRow("books") << "https://books.apple.com/us/book/title/id1234567890#top"
                               << "1234567890";
        QTest::newRow("podcasts")
            << "https://podcasts.apple.com/us/podcast/a-show/id1200361736?i=1000600000000"
            << "1200361736";
        QTest::newRow("bare host") << "https://apple.com/id777"
                                   << "777";
        QTest::newRow("no id") << "https://apps.apple.com/us/app/some-name"
                               << "https://apps.apple.com/us/app/some-name";
        QTest::newRow("empty id") << "https://apps.apple.com/us/app/name/id?mt=8"
                                  << "https://apps.apple.com/us/app/name/id?mt=8";
        QTest::newRow("other host") << "https://notapple.com/id123"
                                    << "https://notapple.com/id123";
        QTest::newRow("host in path") << "https://example.org/apple.com/id123"
                                      << "https://example.org/apple.com/id123";
        QTest::newRow("no scheme") << "apps.apple.com/us/app/id123"
                                   << "apps.apple.com/us/app/id123";
        QTest::newRow("words") << "  Weather  Radar "
                               << "Weather  Radar";
        QTest::newRow("spaces only") << " \t\n"
                                     << "";
    }

    void storePageAddresses()
    {
        QFETCH(QString, text);
        QFETCH(QString, term);
        QCOMPARE(StoreSearch::searchTermForText(text), term);
    }

    void idsAreThreeDigitsOrMore()
    {
        QVERIFY(StoreSearch::isIdentifier("284882215"));
        QVERIFY(StoreSearch::isIdentifier("123"));
        QVERIFY(!StoreSearch::isIdentifier("12"));
        QVERIFY(!StoreSearch::isIdentifier("12a45"));
        QVERIFY(!StoreSearch::isIdentifier("123 456"));
        QVERIFY(!StoreSearch::isIdentifier(QString::fromUtf8("١٢٣٤"))); // Arabic-Indic digits
        QVERIFY(!StoreSearch::isIdentifier(QString::fromUtf8("１２３"))); // full-width
        QVERIFY(!StoreSearch::isIdentifier(QString()));
    }

    void optionsFromTheKindBoxes()
    {
        UserDefaults &defaults = UserDefaults::standard();
        const QStringList keys {StoreSearch::OSXSearchSelectedKey,
            StoreSearch::IOSSearchSelectedKey, StoreSearch::eBookSearchSelectedKey,
            StoreSearch::PodcastSearchSelectedKey};
        for (const QString &key : keys)
            defaults.setInteger(0, key);
        QCOMPARE(StoreSearch::selectedSearchOptions(defaults), quint64(15));
        defaults.setInteger(1, StoreSearch::IOSSearchSelectedKey);
        defaults.setInteger(1, StoreSearch::PodcastSearchSelectedKey);
        QCOMPARE(StoreSearch::selectedSearchOptions(defaults), quint64(10));
        // Only exactly 1 counts as on.
        defaults.setInteger(2, StoreSearch::OSXSearchSelectedKey);
        defaults.setInteger(-1, StoreSearch::eBookSearchSelectedKey);
        QCOMPARE(StoreSearch::selectedSearchOptions(defaults), quint64(10));
        defaults.setInteger(1, StoreSearch::OSXSearchSelectedKey);
        defaults.setInteger(1, StoreSearch::eBookSearchSelectedKey);
        QCOMPARE(StoreSearch::selectedSearchOptions(defaults), quint64(15));
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
        QVERIFY(waitFor([&] { return !search.isSearching(); }));

        QCOMPARE(search.searchAction("12", 2, collect(outcome)), StoreSearch::Started::Search);
        QVERIFY(waitFor([&] { return outcome.calls == 2; }));
        const auto request = server_->requestsFor("/search").first();
        QCOMPARE(request.query().queryItemValue("term"), QString("12"));
        QCOMPARE(request.query().queryItemValue("entity"), Downloader::entityListForOptions(2));
        QCOMPARE(outcome.results.size(), 3);

        // The same text with results shown asks nothing; new kinds ask again.
        QCOMPARE(search.searchAction(" 12 ", 2, collect(outcome)), StoreSearch::Started::Nothing);
        search.entityCheckboxClickedAction();
        QCOMPARE(search.searchAction("12", 15, collect(outcome)), StoreSearch::Started::Search);
        QVERIFY(waitFor([&] { return outcome.calls == 3; }));
        QCOMPARE(server_->requestsFor("/search").size(), 2);

        // No results: the same text may be searched again.
        QCOMPARE(
            search.searchAction("nothing", 15, collect(outcome)), StoreSearch::Started::Search);
        QVERIFY(waitFor([&] { return outcome.calls == 4; }));
        QVERIFY(outcome.results.isEmpty() && !outcome.error);
        QCOMPARE(
            search.searchAction("nothing", 15, collect(outcome)), StoreSearch::Started::Search);
        QVERIFY(waitFor([&] { return outcome.calls == 5; }));
    }

    void errorsAndCancellations()
    {
        StoreSearch search;
        Outcome failed;
        search.searchAction("broken", 15, collect(failed));
        QVERIFY(waitFor([&] { return failed.calls == 1; }));
        QCOMPARE(failed.error.domain(), Error::HTTPResponseErrorDomain);
        QCOMPARE(failed.error.code(), 503);
        QVERIFY(failed.results.isEmpty());
        // An answer that is no list of results is no empty search either.
        search.searchAction("garbled", 15, collect(failed));
        QVERIFY(waitFor([&] { return failed.calls == 2; }));
        QCOMPARE(failed.error.code(), int(URLError::CannotParseResponse));
        QVERIFY(!failed.error.localizedDescription().isEmpty());

        // A new search cancels the running one, which completes as cancelled.
        Outcome slow, quick;
        search.searchAction("slow", 15, collect(slow));
        QVERIFY(waitFor([&] { return server_->requestsFor("/search").size() == 3; }));
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
