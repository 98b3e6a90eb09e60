#include "LocalHttpServer.h"
#include "ManualClock.h"
#include "NetworkAccess.h"
#include "RequestQueue.h"
#include "SharedURLCache.h"
#include "TestEnvironment.h"
#include "WaitFor.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

// The queue's own cache rule: an answer the application stored is reused
// without network access for max(max-age, 3960) seconds after "CachedDate".
class RequestCacheTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir cacheFolder_;
    ManualClock clock_;
    LocalHttpServer server_;

    // Qt's own cache rules (in real time) would serve a max-age=60 answer
    // within the test's few milliseconds; "must-revalidate" keeps them out,
    // so whatever is served without the network comes from the queue's rule.
    void serve(const QString &path, const QByteArray &cacheControl)
    {
        server_.route(path, [cacheControl, path](const LocalHttpServer::Request &) {
            auto response = LocalHttpServer::Response::ok("body of " + path.toUtf8());
            response.withHeader("Date", "Thu, 01 Jan 2015 00:00:00 GMT");
            if (!cacheControl.isEmpty())
                response.withHeader("Cache-Control", cacheControl);
            return response;
        });
    }

    // Runs one request; true when it reached the server.
    bool fetch(const QString &path, QByteArray *body = nullptr)
    {
        const int before = int(server_.requests().size());
        RequestQueue queue;
        bool done = false;
        queue.addRequest(URLRequest(server_.url(path)),
            [&](const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
                done = true;
                if (body)
                    *body = data;
                if (error || response.statusCode() != 200)
                    qWarning() << "unexpected answer" << error.debugDescription();
            });
        if (!waitFor([&] { return done; }, &clock_)) {
            qWarning() << "no answer for" << path;
            return false;
        }
        return server_.requests().size() > before;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Clock::setShared(&clock_);
        QVERIFY(server_.listen());
        NetworkAccess::installSharedURLCache(new SharedURLCache(cacheFolder_.path(), &clock_));
    }

    void cleanupTestCase() { Clock::setShared(nullptr); }

    void shortMaxAgeIsStretchedTo3960Seconds()
    {
        serve("/short", "max-age=60, must-revalidate");
        QVERIFY(fetch("/short"));
        clock_.advanceSeconds(3959);
        QByteArray body;
        QVERIFY(!fetch("/short", &body));
        QCOMPARE(body, QByteArray("body of /short"));
        // Exactly 3960 seconds after it was stored: no longer served.
        clock_.advanceSeconds(1);
        QVERIFY(fetch("/short"));
        // The fresh answer was stored again, with a new date.
        clock_.advanceSeconds(100);
        QVERIFY(!fetch("/short"));
    }

    void longMaxAgeHolds()
    {
        serve("/long", "public, max-age=7200, must-revalidate");
        QVERIFY(fetch("/long"));
        clock_.advanceSeconds(7199);
        QVERIFY(!fetch("/long"));
        clock_.advanceSeconds(1);
        QVERIFY(fetch("/long"));
    }

    void noOrZeroMaxAgeGoesToTheNetwork()
    {
        serve("/none", "");
        serve("/zero", "max-age=0, must-revalidate");
        serve("/private", "private, must-revalidate");
        for (const char *path : {"/none", "/zero", "/private"}) {
            QVERIFY(fetch(path));
            clock_.advanceSeconds(10);
            QVERIFY2(fetch(path), path);
        }
    }

    void cachedDateInTheFutureCountsByDistance()
    {
        serve("/future", "max-age=60,must-revalidate");
        QVERIFY(fetch("/future"));
        clock_.setNow(clock_.now().addSecs(-3959));
        QVERIFY(!fetch("/future"));
        clock_.setNow(clock_.now().addSecs(-1));
        QVERIFY(fetch("/future"));
    }
};

RK_TEST_MAIN(RequestCacheTest)
#include "tst_requestcache.moc"
