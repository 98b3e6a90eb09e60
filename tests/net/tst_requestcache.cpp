#include "LocalHttpServer.h"
#include "net/RequestQueue.h"
#include "platform/ManualClock.h"
#include "platform/NetworkAccess.h"
#include "platform/SharedURLCache.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QTemporaryDir>
#include <QTest>

// The request queue's own cache rule at its edges, on a clock the test moves:
// an answer the application stored is reused without asking the server for
// max(max-age, 3960) seconds after "CachedDate", counted either way; any
// other stored answer with a validator is asked for again conditionally. The
// promises built on it are tried end to end in cli/tst_promises.
class RequestCacheTest : public QObject {
    Q_OBJECT

    QTemporaryDir cacheFolder_;
    ManualClock clock_;
    LocalHttpServer server_;

    struct Fetched {
        bool asked = false;
        QByteArray validator; // If-None-Match or If-Modified-Since as sent
        QByteArray body;
    };

    Fetched fetch(const QString &path)
    {
        const qsizetype before = server_.requests().size();
        RequestQueue queue;
        Fetched fetched;
        bool done = false;
        queue.addRequest(URLRequest(server_.url(path)),
            [&](const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
                done = true;
                fetched.body = data;
                if (error || response.statusCode() != 200)
                    qWarning() << "unexpected answer" << error.debugDescription();
            });
        if (!waitFor([&] { return done; }, &clock_))
            qWarning() << "no answer for" << path;
        if (server_.requests().size() > before) {
            const auto &request = server_.requests().constLast();
            fetched.asked = true;
            fetched.validator =
                request.header("If-None-Match") + request.header("If-Modified-Since");
        }
        return fetched;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Clock::setShared(&clock_);
        QVERIFY(server_.listen());
        NetworkAccess::installSharedURLCache(new SharedURLCache(cacheFolder_.path(), &clock_));
    }

    void cleanupTestCase() { Clock::setShared(nullptr); }

    // A second request for what the first stored, `secondsLater`; the server
    // answers 304 to a request that names its validator, and the caller gets
    // the stored body either way. An answer marked no-store is never kept.
    // max-age=0, no max-age and an ETag are tried end to end (cli/tst_promises).
    void reuseAndRevalidation_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("etag");
        QTest::addColumn<int>("secondsLater");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QByteArray>("validator");
        const auto row = [](const char *name, const char *value, int secondsLater, bool asked,
                             const char *header = "Cache-Control", bool etag = false,
                             const char *validator = "") {
            QTest::newRow(name) << QByteArray(header) << QByteArray(value) << etag << secondsLater
                                << asked << QByteArray(validator);
        };
        row("max-age=60, 3959 s later", "max-age=60", 3959, false);
        row("max-age=60, 3960 s later", "max-age=60", 3960, true);
        row("max-age=7200, 7199 s later", "public, max-age=7200", 7199, false);
        row("max-age=7200, 7200 s later", "public, max-age=7200", 7200, true);
        row("clock set back 3959 s", "max-age=60,private", -3959, false);
        row("clock set back 3960 s", "max-age=60,private", -3960, true);
        row("Last-Modified, no Cache-Control", "Thu, 01 Jan 2015 00:00:00 GMT", 0, true,
            "Last-Modified", false, "Thu, 01 Jan 2015 00:00:00 GMT");
        row("no-store", "no-store, max-age=600", 0, true, "Cache-Control", true);
    }

    void reuseAndRevalidation()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, value);
        QFETCH(bool, etag);
        QFETCH(int, secondsLater);
        QFETCH(bool, asked);
        QFETCH(QByteArray, validator);
        const QString path = QStringLiteral("/%1").arg(QTest::currentDataTag()).remove(' ');
        server_.route(path, [=](const LocalHttpServer::Request &request) {
            const bool confirmed = !request.header("If-None-Match").isEmpty()
                || !request.header("If-Modified-Since").isEmpty();
            auto response = confirmed ? LocalHttpServer::Response::withStatus(304)
                                      : LocalHttpServer::Response::ok("the body");
            response.withHeader(header, value);
            if (etag)
                response.withHeader("ETag", "\"v1\"");
            return response;
        });
        QCOMPARE(fetch(path).validator, QByteArray());
        clock_.setNow(clock_.now().addSecs(secondsLater));
        const Fetched second = fetch(path);
        QCOMPARE(second.asked, asked);
        QCOMPARE(second.validator, validator);
        QCOMPARE(second.body, QByteArray("the body"));
        // The answer, new or confirmed, is stored again with the clock's time.
        if (asked && value.split(',').contains("max-age=60")) {
            clock_.advanceSeconds(100);
            QVERIFY(!fetch(path).asked);
        }
    }
};

RK_TEST_MAIN(RequestCacheTest)
#include "tst_requestcache.moc"
