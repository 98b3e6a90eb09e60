#include "LocalHttpServer.h"
#include "net/RequestQueue.h"
#include "net/URLError.h"
#include "platform/ManualClock.h"
#include "platform/NetworkAccess.h"
#include "platform/SharedURLCache.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QTemporaryDir>
#include <QTest>

using Response = LocalHttpServer::Response;

namespace {

struct Outcome {
    int calls = 0;
    HTTPURLResponse response;
    QByteArray data;
    Error error;
};

RQOperation::CompletionHandler recorder(Outcome &outcome)
{
    return [&outcome](const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
        ++outcome.calls;
        outcome.response = response;
        outcome.data = data;
        outcome.error = error;
    };
}

} // namespace

class RequestQueueTest : public QObject {
    Q_OBJECT

private:
    LocalHttpServer *server_ = nullptr;
    ManualClock *manual_ = nullptr;
    QTemporaryDir cacheFolder_;

    void useManualClock()
    {
        manual_ = new ManualClock;
        Clock::setShared(manual_);
    }

    RequestQueue::OperationPtr add(RequestQueue &queue, const QString &path, Outcome &outcome,
        double timeout = URLRequest::defaultTimeoutInterval)
    {
        return queue.addRequest(URLRequest(server_->url(path), timeout), recorder(outcome));
    }

    struct Fetched {
        bool asked = false;
        QByteArray validator; // If-None-Match or If-Modified-Since as sent
        QByteArray body;
    };

    // `path` through a queue of its own, on the manual clock.
    Fetched fetch(const QString &path)
    {
        const qsizetype before = server_->requests().size();
        RequestQueue queue;
        Outcome outcome;
        add(queue, path, outcome);
        if (!waitFor([&] { return outcome.calls; }, manual_) || outcome.error
            || outcome.response.statusCode() != 200)
            qWarning() << "no good answer for" << path << outcome.error.debugDescription();
        Fetched fetched {server_->requests().size() > before, {}, outcome.data};
        if (fetched.asked) {
            const auto &request = server_->requests().constLast();
            fetched.validator =
                request.header("If-None-Match") + request.header("If-Modified-Since");
        }
        return fetched;
    }

private Q_SLOTS:
    void init()
    {
        server_ = new LocalHttpServer;
        QVERIFY(server_->listen());
        server_->route("/ok", Response::ok("fine"));
        server_->route("/slow", Response::delayed(20000, Response::ok("late")));
    }

    void cleanup()
    {
        NetworkAccess::installSharedURLCache(nullptr);
        delete server_;
        Clock::setShared(nullptr);
        delete manual_;
        manual_ = nullptr;
    }

    // The queue's own cache rule at its edges: an answer the application
    // stored is reused without asking the server for max(max-age, 3960)
    // seconds after "CachedDate", counted either way; any other stored answer
    // with a validator is asked for again conditionally, the server answers
    // 304, and the caller gets the stored body either way. An answer marked
    // no-store is never kept. The promises built on it (max-age=0, no
    // max-age, an ETag) are tried end to end in cli/tst_promises.
    void cacheReuseAndRevalidation_data()
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

    void cacheReuseAndRevalidation()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, value);
        QFETCH(bool, etag);
        QFETCH(int, secondsLater);
        QFETCH(bool, asked);
        QFETCH(QByteArray, validator);
        useManualClock();
        NetworkAccess::installSharedURLCache(new SharedURLCache(cacheFolder_.path(), manual_));
        const QString path = QStringLiteral("/%1").arg(QTest::currentDataTag()).remove(' ');
        server_->route(path, [=](const LocalHttpServer::Request &request) {
            const bool confirmed = !request.header("If-None-Match").isEmpty()
                || !request.header("If-Modified-Since").isEmpty();
            auto response = confirmed ? Response::withStatus(304) : Response::ok("the body");
            response.withHeader(header, value);
            if (etag)
                response.withHeader("ETag", "\"v1\"");
            return response;
        });
        QCOMPARE(fetch(path).validator, QByteArray());
        manual_->setNow(manual_->now().addSecs(secondsLater));
        const Fetched second = fetch(path);
        QCOMPARE(second.asked, asked);
        QCOMPARE(second.validator, validator);
        QCOMPARE(second.body, QByteArray("the body"));
        // The answer, new or confirmed, is stored again with the clock's time.
        if (asked && value.split(',').contains("max-age=60")) {
            manual_->advanceSeconds(100);
            QVERIFY(!fetch(path).asked);
        }
    }

    // At 4 per second, an operation that ran 0.1 s delays the next by 0.15 s;
    // one that ran 0.3 s by nothing. The delay left by the last request does
    // not hold a request added to an idle queue.
    void pacingDelayCountsRunningTime()
    {
        useManualClock();
        server_->route("/held", Response::delayed(50, Response::ok("held")));
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(1);
        queue.setRequestsPerSecond(4);
        Outcome a, b, c;
        auto opA = add(queue, "/held?a", a);
        add(queue, "/held?b", b);
        QVERIFY(waitFor([&] { return opA->isExecuting(); }, manual_));
        manual_->advanceSeconds(0.1);
        QVERIFY(waitFor([&] { return a.calls; }));
        QCOMPARE(queue.timeUntilRequestCanBeExecuted(), 0.15);
        manual_->advanceSeconds(0.149);
        QVERIFY(!queue.operations().first()->isExecuting());
        manual_->advanceSeconds(0.001);
        QVERIFY(queue.operations().first()->isExecuting());
        manual_->advanceSeconds(0.1);
        QVERIFY(waitFor([&] { return b.calls; }));
        QCOMPARE(queue.timeUntilRequestCanBeExecuted(), 0.15);
        auto opC = add(queue, "/held?c", c);
        QVERIFY(waitFor([&] { return opC->isExecuting(); }, manual_));
        manual_->advanceSeconds(0.3);
        QVERIFY(waitFor([&] { return c.calls; }));
        QCOMPARE(queue.timeUntilRequestCanBeExecuted(), 0.0);
    }

    // A request equal to the running one cancels it and takes its turn
    // behind the waiting one. Cancelling all calls every handler with the
    // queue already empty, and nothing cancelled starts later.
    void duplicateCancelsOlderAndCancelAllEmpties()
    {
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(1);
        QList<int> codes, countsSeen;
        auto handler = [&](const HTTPURLResponse &, const QByteArray &, const Error &error) {
            codes.append(error.code());
            countsSeen.append(queue.requestCount());
        };
        Outcome running, waiting;
        auto first = add(queue, "/slow", running);
        QVERIFY(waitFor([&] { return first->isExecuting(); }));
        add(queue, "/ok", waiting);
        auto fresh = queue.addRequest(URLRequest(server_->url("/slow")), handler);
        QCOMPARE(running.calls, 1);
        QCOMPARE(running.error.code(), -999);
        QCOMPARE(queue.requestCount(), 2);
        QVERIFY(waitFor([&] { return waiting.calls && fresh->isExecuting(); }));
        QVERIFY(!waiting.error);
        QVERIFY(codes.isEmpty());
        for (int i = 0; i < 3; ++i)
            queue.addRequest(URLRequest(server_->url(QString("/ok?%1").arg(i))), handler);
        QCOMPARE(queue.requestCount(), 4);
        queue.cancelAllRequests();
        QCOMPARE(queue.requestCount(), 0);
        QCOMPARE(codes, (QList<int> {-999, -999, -999, -999}));
        QCOMPARE(countsSeen, (QList<int> {0, 0, 0, 0}));
        QTest::qWait(50);
        QCOMPARE(server_->requestsFor("/ok").size(), 1);
    }

    // Cancelling a request cancels that one, not an equal one, and leaves no
    // pacing delay when it was never sent; a suspended queue sends nothing
    // until it resumes.
    void cancelRequestMatchesIdentityOnly()
    {
        RequestQueue queue;
        queue.setRequestsPerSecond(4);
        queue.setSuspended(true);
        const URLRequest request(server_->url("/ok?x"));
        Outcome mine, other;
        queue.addRequest(request, recorder(mine));
        queue.setAllowDuplicateRequests(true);
        add(queue, "/ok?x", other);
        URLRequest copy = request;
        queue.cancelRequest(copy);
        QCOMPARE(mine.error.code(), -999);
        QCOMPARE(queue.requestCount(), 1);
        QCOMPARE(queue.timeUntilRequestCanBeExecuted(), 0.0);
        QTest::qWait(50);
        QVERIFY(server_->requests().isEmpty());
        queue.setSuspended(false);
        QVERIFY(waitFor([&] { return other.calls; }));
        QVERIFY(!other.error);
    }

    void lastInFirstOutPutsNewAheadOfWaiting()
    {
        RequestQueue queue;
        queue.setQueueMode(1);
        queue.setMaxConcurrentRequestCount(1);
        server_->route("/a", Response::delayed(150, Response::ok("a")));
        QStringList order;
        auto note = [&](const QString &name) {
            return [&order, name](const HTTPURLResponse &, const QByteArray &, const Error &) {
                order << name;
            };
        };
        auto a = queue.addRequest(URLRequest(server_->url("/a")), note("A"));
        QVERIFY(waitFor([&] { return a->isExecuting(); }));
        queue.addRequest(URLRequest(server_->url("/ok?b")), note("B"));
        queue.addRequest(URLRequest(server_->url("/ok?c")), note("C"));
        QCOMPARE(queue.requests().at(1).url().query(), QString("c"));
        QVERIFY(waitFor([&] { return order.size() == 3; }));
        QCOMPARE(order, (QStringList {"A", "C", "B"}));
    }

    void transportFailuresMapToPlatformCodes()
    {
        server_->route("/drop", Response::dropped());
        RequestQueue queue;
        Outcome dropped, refused;
        add(queue, "/drop", dropped);
        QVERIFY(waitFor([&] { return dropped.calls; }));
        QCOMPARE(dropped.error.code(), int(URLError::NetworkConnectionLost));

        QUrl gone;
        {
            LocalHttpServer closed;
            QVERIFY(closed.listen());
            gone = closed.url("/x");
        }
        queue.addRequest(URLRequest(gone), recorder(refused));
        QVERIFY(waitFor([&] { return refused.calls; }));
        QCOMPARE(refused.error.code(), int(URLError::CannotConnectToHost));
    }

    // Whatever Qt reports for an aborted reply, a timeout is -1001 (a
    // cancellation -999: duplicateCancelsOlderAndCancelAllEmpties), and
    // nothing is called after the end; with auto-retry the request is sent
    // again 5 s later and answers once. No real time passes.
    void timeoutAndAutoRetry()
    {
        useManualClock();
        int hits = 0;
        server_->route("/flaky", [&](const LocalHttpServer::Request &) {
            return ++hits == 1 ? Response::delayed(20000, Response::ok("too late"))
                               : Response::ok("second time");
        });
        RequestQueue queue;
        Outcome timedOut, retried;
        auto slow = add(queue, "/slow", timedOut, 15.0);
        auto op = RQOperation::operationWithRequest(URLRequest(server_->url("/flaky"), 15.0));
        op->setAutoRetry(true);
        op->setCompletionHandler(recorder(retried));
        queue.addOperation(op);
        QVERIFY(waitFor([&] { return server_->requests().size() == 2; }, manual_));
        manual_->advanceSeconds(14.9);
        QVERIFY(!timedOut.calls);
        manual_->advanceSeconds(0.1);
        QCOMPARE(timedOut.calls, 1);
        QCOMPARE(timedOut.error.code(), int(URLError::TimedOut));
        slow->cancel();
        QCOMPARE(timedOut.calls, 1);
        QVERIFY(!retried.calls);
        manual_->advanceSeconds(4.9);
        QTest::qWait(20);
        QCOMPARE(hits, 1);
        manual_->advanceSeconds(0.1);
        QVERIFY(waitFor([&] { return retried.calls; }, manual_));
        QCOMPARE(retried.data, QByteArray("second time"));
    }

    // Without a handler a challenge goes unanswered and the 401 is the
    // answer; with one, it is answered once, and the progress handler sees
    // every byte of the answer.
    void authenticationChallengesAndProgress()
    {
        const QByteArray big(200000, 'x');
        server_->route("/private", [&big](const LocalHttpServer::Request &request) {
            if (request.header("Authorization") == "Basic " + QByteArray("me:pw").toBase64())
                return Response::ok(big);
            return Response::withStatus(401, "who are you?")
                .withHeader("WWW-Authenticate", "Basic realm=\"test\"");
        });
        RequestQueue queue;
        Outcome anonymous, known;
        add(queue, "/private?1", anonymous);
        QVERIFY(waitFor([&] { return anonymous.calls; }));
        QCOMPARE(anonymous.error.code(), 401);
        QCOMPARE(anonymous.data, QByteArray("who are you?"));

        int challenges = 0;
        auto op = RQOperation::operationWithRequest(URLRequest(server_->url("/private?2")));
        op->setCompletionHandler(recorder(known));
        op->setAuthenticationChallengeHandler([&](QAuthenticator *challenge) {
            ++challenges;
            challenge->setUser("me");
            challenge->setPassword("pw");
        });
        qint64 last = 0;
        float fraction = 0;
        op->setDownloadProgressHandler([&](qint64 soFar, qint64 expected, float f) {
            QCOMPARE(expected, qint64(big.size()));
            QVERIFY(soFar >= last);
            last = soFar;
            fraction = f;
        });
        queue.addOperation(op);
        QVERIFY(waitFor([&] { return known.calls; }));
        QCOMPARE(challenges, 1);
        QCOMPARE(known.data, big);
        QCOMPARE(last, qint64(big.size()));
        QCOMPARE(fraction, 1.0f);
    }
};

RK_TEST_MAIN(RequestQueueTest)
#include "tst_requestqueue.moc"
