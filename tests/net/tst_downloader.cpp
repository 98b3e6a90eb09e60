#include "LocalHttpServer.h"
#include "net/Downloader.h"
#include "net/RequestQueue.h"
#include "net/URLError.h"
#include "platform/Log.h"
#include "platform/ManualClock.h"
#include "platform/UserDefaults.h"
#include "support/StoreAnswers.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QRegularExpression>
#include <QTest>

using Response = LocalHttpServer::Response;

namespace {

// A paged download: the pages that have reviews, the one refused (0: none),
// and the pages that must be asked for.
struct Paging {
    QString format;
    quint64 maxPages = 0;
    int fullPages = 0;
    QList<int> pages;
    QString segment;
    int refusedPage = 0;
};

} // namespace

Q_DECLARE_METATYPE(Paging)

class DownloaderTest : public QObject {
    Q_OBJECT

private:
    LocalHttpServer *server_ = nullptr;
    RequestQueue *queue_ = nullptr;
    QStringList log_;
    // Reviews per page by page number; a missing page answers an empty feed.
    QMap<int, int> reviewsOnPage_;
    QMap<int, int> statusOfPage_;

    struct Reviews {
        bool called = false;
        Downloader::FeedRecords records;
        Error error;
    };

    Downloader::ReviewsCompletion collect(Reviews &into)
    {
        return [&into](const Downloader::FeedRecords &records, const Error &error) {
            into.called = true;
            into.records = records;
            into.error = error;
        };
    }

    static Downloader &dl() { return Downloader::sharedInstance(); }

    QList<int> pagesRequested() const
    {
        static const QRegularExpression page("/page=(\\d+)/");
        QList<int> pages;
        for (const auto &request : server_->requests())
            pages << page.match(request.path()).captured(1).toInt();
        return pages;
    }

private Q_SLOTS:
    void init()
    {
        server_ = new LocalHttpServer;
        QVERIFY(server_->listen());
        UserDefaults::standard().setString(server_->rootURL(), "StoreRootURL");
        queue_ = new RequestQueue;
        queue_->setMaxConcurrentRequestCount(1);
        reviewsOnPage_.clear();
        statusOfPage_.clear();
        log_.clear();
        setLogSink([this](const QString &line) { log_ << line; });

        static const QRegularExpression feed(
            "^/(\\w+)/rss/customerreviews/page=(\\d+)/id=(\\d+)/sortBy=mostRecent/(xml|json)$");
        server_->setFallback(
            [this](const LocalHttpServer::Request &request) -> std::optional<Response> {
                const auto match = feed.match(request.path());
                if (!match.hasMatch())
                    return std::nullopt;
                const int page = match.captured(2).toInt();
                if (statusOfPage_.contains(page))
                    return Response::withStatus(statusOfPage_.value(page), "<html>limit</html>");
                const auto reviews =
                    StoreAnswers::numberedReviews(page * 100, reviewsOnPage_.value(page, 0));
                return match.captured(4) == "xml"
                    ? Response::ok(StoreAnswers::xmlFeedPage(reviews), "application/xml")
                    : Response::ok(StoreAnswers::jsonFeedPage(reviews), "application/json");
            });
    }

    void cleanup()
    {
        setLogSink({});
        delete queue_;
        delete server_;
        UserDefaults::standard().removeObjectForKey("StoreRootURL");
        Clock::setShared(nullptr);
    }

    // Addresses that are no http(s) ones give way to the store's, and are logged.
    void storeRootComesFromThePreference()
    {
        QCOMPARE(Downloader::storeRootURL(), server_->rootURL());
        const QString store = "https://itunes.apple.com/";
        for (const auto &[set, used] :
            {std::pair<const char *, QString> {"http://127.0.0.1:9", "http://127.0.0.1:9/"},
                {"ftp://example.org/", store}, {"not a url", store}, {nullptr, store}}) {
            if (set)
                UserDefaults::standard().setString(set, "StoreRootURL");
            else
                UserDefaults::standard().removeObjectForKey("StoreRootURL");
            QCOMPARE(Downloader::storeRootURL(), used);
        }
        QVERIFY(log_.join('\n').contains("StoreRootURL"));
        QCOMPARE(Downloader::reviewsURL("375380948", "jp", 2, false).toString(),
            store + "jp/rss/customerreviews/page=2/id=375380948/sortBy=mostRecent/xml");
    }

    // A refused page ends the paging, keeping the pages before it.
    void pagingFollowsThePages_data()
    {
        QTest::addColumn<Paging>("paging");
        QTest::newRow("0 pages means one") << Paging {"xml", 0, 20, {1}, "xml"};
        QTest::newRow("25 pages means ten")
            << Paging {{}, 25, 20, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "xml"};
        QTest::newRow("empty second page") << Paging {"JSON", 10, 1, {1, 2}, "json"};
        QTest::newRow("third page refused") << Paging {"xml", 10, 10, {1, 2, 3}, "xml", 3};
    }

    void pagingFollowsThePages()
    {
        QFETCH(Paging, paging);
        for (int page = 1; page <= paging.fullPages; ++page)
            reviewsOnPage_[page] = 3;
        if (paging.refusedPage)
            statusOfPage_[paging.refusedPage] = 403;
        Reviews result;
        dl().reviewsForId("42", "us", paging.format, paging.maxPages, queue_, collect(result));
        QVERIFY(!result.called);
        QVERIFY(waitFor([&] { return result.called; }));
        QCOMPARE(result.error.code(), paging.refusedPage ? 403 : 0);
        QCOMPARE(pagesRequested(), paging.pages);
        QVERIFY(server_->requests().first().path().endsWith("/" + paging.segment));
        // Page order, then feed order.
        const int withReviews = std::min<int>(int(paging.pages.size()), paging.fullPages)
            - (paging.refusedPage ? 1 : 0);
        QCOMPARE(result.records.size(), qsizetype(3 * withReviews));
        QCOMPARE(result.records.last().value("identifier").toString(),
            QString("r%1").arg(withReviews * 100 + 2));
        QCOMPARE(result.records.first().value("text").toString(),
            QString("Text of review 100 & more <b>"));
    }

    // Products are fetched side by side: a next page waits behind the other
    // product's first.
    void pagesJoinTheEndOfTheQueue()
    {
        reviewsOnPage_[1] = 1;
        reviewsOnPage_[2] = 1;
        Reviews a, b;
        dl().RSSById("1", "us", 2, queue_, collect(a));
        dl().RSSById("2", "us", 2, queue_, collect(b));
        QVERIFY(waitFor([&] { return a.called && b.called; }));
        QStringList order;
        for (const auto &request : server_->requests())
            order << request.path().section('/', 4, 5);
        QCOMPARE(order, (QStringList {"page=1/id=1", "page=1/id=2", "page=2/id=1", "page=2/id=2"}));
    }

    // An answer that is empty, no JSON or without results is no record and
    // no error; a refusal is its status; a country that is none is not sent.
    // (Batches of fifty and identifiers beyond a double's digits are read by
    // update/tst_ratingsimport.)
    void lookupBadAnswers()
    {
        server_->route("/lookup", [](const LocalHttpServer::Request &request) {
            const QString id = request.query().queryItemValue("id");
            return id == "1" ? Response::ok("{\"resultCount\":0,\"results\":[]}")
                : id == "2"  ? Response::ok("<html>not json</html>")
                : id == "3"  ? Response::ok("{\"results\":null}")
                             : Response::withStatus(503, "{\"results\":[{\"trackId\":4}]}");
        });
        QList<std::optional<QJsonObject>> answers;
        QList<Error> errors;
        auto record = [&](const std::optional<QJsonObject> &result, const Error &error) {
            answers << result;
            errors << error;
        };
        dl().lookupById("1", QString(), queue_, record);
        dl().lookupById("2", "u", queue_, record);
        dl().lookupById("3", "", queue_, record);
        dl().lookupById("4", "de", queue_, record);
        QVERIFY(waitFor([&] { return answers.size() == 4; }));
        for (const auto &answer : answers)
            QVERIFY(!answer);
        QVERIFY(!errors.at(0) && !errors.at(1) && !errors.at(2));
        QCOMPARE(errors.at(3).code(), 503);
        QVERIFY(log_.join('\n').contains("Error parsing json: "));
        const auto requests = server_->requests();
        QVERIFY(!requests.at(0).query().hasQueryItem("country"));
        QVERIFY(!requests.at(1).query().hasQueryItem("country"));
        QCOMPARE(requests.at(3).query().queryItemValue("country"), QString("de"));

        // No identifiers: no request, an empty answer, still later.
        bool called = false;
        dl().lookupByIds({}, "us", queue_,
            [&](const auto &records, const Error &error) { called = records.isEmpty() && !error; });
        QVERIFY(!called);
        QVERIFY(waitFor([&] { return called; }));
        QCOMPARE(server_->requests().size(), 4);
    }

    // The term is the row's name.
    void searchEncodesTheTermAndEntities_data()
    {
        QTest::addColumn<quint64>("options");
        QTest::addColumn<QString>("entities");
        QTest::addColumn<QByteArray>("sent");
        const auto row = [](const char *term, quint64 options, const char *entities,
                             const char *sent) {
            QTest::newRow(term) << options << QString(entities) << QByteArray(sent);
        };
        row("angry birds", 2, "software,iPadSoftware", "angry%20birds");
        row("C++ a&b=c;d#e 100% sure?", 9, "macSoftware,podcast",
            "C%2B%2B%20a%26b%3Dc%3Bd%23e%20100%25%20sure?");
        row("Größe ½", 15, "software,iPadSoftware,macSoftware,ebook,podcast",
            "Gr%C3%B6%C3%9Fe%20%C2%BD");
        row("nothing", 0, "", "nothing");
    }

    void searchEncodesTheTermAndEntities()
    {
        QFETCH(quint64, options);
        QFETCH(QString, entities);
        QFETCH(QByteArray, sent);
        const QString term = QString::fromUtf8(QTest::currentDataTag());
        server_->route("/search", Response::ok(StoreAnswers::lookupAnswer({7, 8})));
        std::optional<Downloader::ProductRecords> results;
        dl().search(term, options, queue_, [&](const auto &found, const Error &error) {
            results = found;
            QVERIFY(!error);
        });
        QVERIFY(waitFor([&] { return bool(results); }));
        QCOMPARE(results->size(), 2);
        const auto request = server_->requests().first();
        const QUrlQuery query = request.query();
        QCOMPARE(query.queryItemValue("term", QUrl::FullyDecoded), term);
        QCOMPARE(query.queryItemValue("entity"), entities);
        QCOMPARE(query.queryItemValue("limit"), QString("50"));
        QVERIFY2(request.target.startsWith(QByteArray("/search?term=" + sent + "&entity=")),
            request.target.constData());
    }

    void imageTimeoutCompletesWithoutError()
    {
        ManualClock clock;
        Clock::setShared(&clock);
        server_->route("/slow.png", Response::delayed(20000, Response::ok("late")));
        bool called = false;
        QImage image(1, 1, QImage::Format_RGB32);
        Error error(Error::URLErrorDomain, 1);
        {
            RequestQueue queue;
            dl().loadImageFromURL(
                server_->url("/slow.png"), queue, [&](const QImage &i, const Error &e) {
                    called = true;
                    image = i;
                    error = e;
                });
            QVERIFY(waitFor([&] { return server_->requests().size() == 1; }, &clock));
            clock.advanceSeconds(15);
            QVERIFY(waitFor([&] { return called; }));
        }
        QVERIFY(image.isNull());
        QVERIFY(!error);
        QVERIFY(log_.contains("Loading image timed out."));
        Clock::setShared(nullptr);
    }
};

RK_TEST_MAIN(DownloaderTest)
#include "tst_downloader.moc"
