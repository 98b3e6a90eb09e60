#include "LocalHttpServer.h"
#include "net/RequestQueue.h"
#include "net/URLError.h"
#include "platform/ManualClock.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QTest>

namespace {

struct Outcome {
    bool called = false;
    int calls = 0;
    HTTPURLResponse response;
    QByteArray data;
    Error error;
};

RQOperation::CompletionHandler recorder(Outcome &outcome)
{
    return [&outcome](const HTTPURLResponse &response, const QByteArray &data, const Error &error) {
        outcome.called = true;
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

    void useManualClock()
    {
        manual_ = new ManualClock;
        Clock::setShared(manual_);
    }

private Q_SLOTS:
    void init()
    {
        server_ = new LocalHttpServer;
        QVERIFY(server_->listen());
        server_->route("/ok", LocalHttpServer::Response::ok("fine"));
        server_->route("/slow",
            LocalHttpServer::Response::delayed(20000, LocalHttpServer::Response::ok("late")));
    }

    void cleanup()
    {
        delete server_;
        server_ = nullptr;
        Clock::setShared(nullptr);
        delete manual_;
        manual_ = nullptr;
    }

    void deliversBodyAndHttpErrorFor404()
    {
        server_->route("/missing", LocalHttpServer::Response::withStatus(404, "no such page"));
        RequestQueue queue;
        Outcome outcome;
        queue.addRequest(URLRequest(server_->url("/missing")), recorder(outcome));
        QVERIFY(waitFor([&] { return outcome.called; }));
        QCOMPARE(outcome.data, QByteArray("no such page"));
        QCOMPARE(outcome.response.statusCode(), 404);
        QCOMPARE(outcome.error.domain(), Error::HTTPResponseErrorDomain);
        QCOMPARE(outcome.error.code(), 404);
        QCOMPARE(outcome.error.localizedDescription(), QString("The server returned a 404 error"));
        QCOMPARE(queue.requestCount(), 0);
    }

    void successfulAnswerHasNoError()
    {
        RequestQueue queue;
        Outcome outcome;
        URLRequest request(server_->url("/ok"));
        request.setHTTPMethod("POST");
        request.setValue("application/x-www-form-urlencoded", "Content-Type");
        request.setHTTPBody("a=1&b=2");
        queue.addRequest(request, recorder(outcome));
        QVERIFY(waitFor([&] { return outcome.called; }));
        QVERIFY(!outcome.error);
        QCOMPARE(outcome.data, QByteArray("fine"));
        QCOMPARE(server_->requests().size(), 1);
        QCOMPARE(server_->requests().first().method, QByteArray("POST"));
        QCOMPARE(server_->requests().first().body, QByteArray("a=1&b=2"));
        QCOMPARE(outcome.calls, 1);
    }

    // 4 per second means starts 0.25 s apart. The queue paces the sending;
    // the server sees each request after a latency of its own, so its
    // arrival times get a tolerance for a loaded machine.
    void pacingSpacesStarts()
    {
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(1);
        queue.setRequestsPerSecond(4);
        int done = 0;
        QList<RequestQueue::OperationPtr> ops;
        for (int i = 0; i < 4; ++i) {
            ops << queue.addRequest(URLRequest(server_->url(QString("/ok?n=%1").arg(i))),
                [&](const HTTPURLResponse &, const QByteArray &, const Error &) { ++done; });
        }
        QVERIFY(waitFor([&] { return done == 4; }, nullptr, 1900));
        const auto requests = server_->requests();
        QCOMPARE(requests.size(), 4);
        for (int i = 1; i < 4; ++i) {
            const qint64 sent = ops.at(i - 1)->startTime().msecsTo(ops.at(i)->startTime());
            QVERIFY2(sent >= 250, qPrintable(QString("sent %1 ms apart").arg(sent)));
            const qint64 gap = requests.at(i).arrivalMs - requests.at(i - 1).arrivalMs;
            QVERIFY2(gap >= 200, qPrintable(QString("arrived %1 ms apart").arg(gap)));
            QVERIFY2(gap < 700, qPrintable(QString("arrived %1 ms apart").arg(gap)));
            QCOMPARE(requests.at(i).query().queryItemValue("n"), QString::number(i));
        }
        const qint64 span = requests.last().arrivalMs - requests.first().arrivalMs;
        QVERIFY2(span >= 700, qPrintable(QString("four requests within %1 ms").arg(span)));
    }

    void idleQueueStartsAtOnce()
    {
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(1);
        queue.setRequestsPerSecond(4);
        Outcome first;
        queue.addRequest(URLRequest(server_->url("/ok?n=1")), recorder(first));
        QVERIFY(waitFor([&] { return first.called; }));
        QCOMPARE(queue.requestCount(), 0);
        // The pacing delay left by the first one must not hold the second.
        const qint64 added = server_->elapsedMs();
        Outcome second;
        queue.addRequest(URLRequest(server_->url("/ok?n=2")), recorder(second));
        QVERIFY(waitFor([&] { return second.called; }));
        QVERIFY(server_->requests().last().arrivalMs - added < 200);
    }

    // An operation that ran 0.1 s at 4 per second delays the next by 0.15 s;
    // one that ran 0.3 s by nothing.
    void pacingDelayCountsRunningTime()
    {
        useManualClock();
        server_->route(
            "/held", LocalHttpServer::Response::delayed(50, LocalHttpServer::Response::ok("held")));
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(1);
        queue.setRequestsPerSecond(4);
        Outcome a, b;
        auto opA = queue.addRequest(URLRequest(server_->url("/held?a")), recorder(a));
        queue.addRequest(URLRequest(server_->url("/held?b")), recorder(b));
        QVERIFY(waitFor([&] { return opA->isExecuting(); }, manual_));
        manual_->advanceSeconds(0.1);
        QVERIFY(waitFor([&] { return a.called; }));
        QCOMPARE(queue.timeUntilRequestCanBeExecuted(), 0.15);
        QVERIFY(!b.called);
        QCOMPARE(server_->requests().size(), 1);
        manual_->advanceSeconds(0.149);
        QVERIFY(!queue.operations().first()->isExecuting());
        manual_->advanceSeconds(0.001);
        QVERIFY(queue.operations().first()->isExecuting());
        manual_->advanceSeconds(0.3);
        QVERIFY(waitFor([&] { return b.called; }));
        QCOMPARE(queue.timeUntilRequestCanBeExecuted(), 0.0);
    }

    void unsentCancellationLeavesNoPacingDelay()
    {
        RequestQueue queue;
        queue.setRequestsPerSecond(4);
        queue.setSuspended(true);
        Outcome outcome;
        auto op = queue.addRequest(URLRequest(server_->url("/ok")), recorder(outcome));
        op->cancel();
        QCOMPARE(outcome.error.code(), -999);
        QCOMPARE(queue.requestCount(), 0);
        QCOMPARE(queue.timeUntilRequestCanBeExecuted(), 0.0);
    }

    void duplicateCancelsOlder()
    {
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(1);
        Outcome running, waiting, fresh;
        auto first = queue.addRequest(URLRequest(server_->url("/slow")), recorder(running));
        QVERIFY(waitFor([&] { return first->isExecuting(); }));
        queue.addRequest(URLRequest(server_->url("/ok")), recorder(waiting));
        // Equal to the running one: it goes, the new one takes its turn.
        queue.addRequest(URLRequest(server_->url("/slow")), recorder(fresh));
        QVERIFY(running.called);
        QCOMPARE(running.error.domain(), Error::URLErrorDomain);
        QCOMPARE(running.error.code(), -999);
        QCOMPARE(queue.requestCount(), 2);
        QVERIFY(waitFor([&] { return waiting.called; }));
        QVERIFY(!waiting.error);
        QVERIFY(!fresh.called);

        RequestQueue lenient;
        lenient.setAllowDuplicateRequests(true);
        Outcome one, two;
        lenient.addRequest(URLRequest(server_->url("/ok")), recorder(one));
        lenient.addRequest(URLRequest(server_->url("/ok")), recorder(two));
        QVERIFY(waitFor([&] { return one.called && two.called; }));
        QVERIFY(!one.error && !two.error);
        queue.cancelAllRequests();
    }

    void cancelAllCallsEveryHandlerWithEmptyQueue()
    {
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(1);
        QList<int> codes;
        QList<int> countsSeen;
        auto handler = [&](const HTTPURLResponse &, const QByteArray &, const Error &error) {
            codes.append(error.code());
            countsSeen.append(queue.requestCount());
        };
        auto running = queue.addRequest(URLRequest(server_->url("/slow")), handler);
        QVERIFY(waitFor([&] { return running->isExecuting(); }));
        for (int i = 0; i < 3; ++i)
            queue.addRequest(URLRequest(server_->url(QString("/ok?%1").arg(i))), handler);
        QCOMPARE(queue.requestCount(), 4);
        queue.cancelAllRequests();
        QCOMPARE(queue.requestCount(), 0);
        QCOMPARE(codes, (QList<int> {-999, -999, -999, -999}));
        QCOMPARE(countsSeen, (QList<int> {0, 0, 0, 0}));
        // Nothing cancelled may still start.
        QTest::qWait(50);
        QVERIFY(server_->requestsFor("/ok").isEmpty());
        QCOMPARE(codes.size(), 4);
    }

    void cancelRequestMatchesIdentityOnly()
    {
        RequestQueue queue;
        queue.setSuspended(true);
        const URLRequest request(server_->url("/ok?x"));
        Outcome mine, other;
        queue.addRequest(request, recorder(mine));
        queue.setAllowDuplicateRequests(true);
        queue.addRequest(URLRequest(server_->url("/ok?x")), recorder(other));
        URLRequest copy = request;
        queue.cancelRequest(copy);
        QCOMPARE(mine.error.code(), -999);
        QVERIFY(!other.called);
        QCOMPARE(queue.requestCount(), 1);
        queue.setSuspended(false);
        QVERIFY(waitFor([&] { return other.called; }));
        QVERIFY(!other.error);
    }

    void lastInFirstOutPutsNewAheadOfWaiting()
    {
        RequestQueue queue;
        queue.setQueueMode(1);
        queue.setMaxConcurrentRequestCount(1);
        server_->route(
            "/a", LocalHttpServer::Response::delayed(150, LocalHttpServer::Response::ok("a")));
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
        const auto requests = queue.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests.at(1).url().query(), QString("c"));
        QCOMPARE(requests.at(2).url().query(), QString("b"));
        QVERIFY(waitFor([&] { return order.size() == 3; }));
        QCOMPARE(order, (QStringList {"A", "C", "B"}));
    }

    void unlimitedConcurrencyStartsAll()
    {
        RequestQueue queue;
        queue.setMaxConcurrentRequestCount(0);
        QList<RequestQueue::OperationPtr> ops;
        for (int i = 0; i < 5; ++i)
            ops << queue.addRequest(URLRequest(server_->url(QString("/slow?%1").arg(i))), {});
        QVERIFY(waitFor([&] {
            return std::all_of(ops.begin(), ops.end(), [](auto &op) { return op->isExecuting(); });
        }));
        QVERIFY(waitFor([&] { return server_->requests().size() == 5; }));
        queue.cancelAllRequests();
    }

    void suspensionHoldsStarts()
    {
        RequestQueue queue;
        queue.setSuspended(true);
        Outcome outcome;
        queue.addRequest(URLRequest(server_->url("/ok")), recorder(outcome));
        QTest::qWait(50);
        QVERIFY(server_->requests().isEmpty());
        queue.setSuspended(false);
        QVERIFY(waitFor([&] { return outcome.called; }));
    }

    // Whatever Qt reports for an aborted reply, a timeout is -1001 and a
    // cancellation -999; no real time passes for the 15 seconds.
    void timeoutAndCancellationCodes()
    {
        useManualClock();
        RequestQueue queue;
        Outcome timedOut, cancelled;
        auto slow = queue.addRequest(URLRequest(server_->url("/slow"), 15.0), recorder(timedOut));
        auto other =
            queue.addRequest(URLRequest(server_->url("/slow?2"), 15.0), recorder(cancelled));
        QVERIFY(waitFor([&] { return server_->requests().size() == 2; }, manual_));
        other->cancel();
        QCOMPARE(cancelled.error.code(), int(URLError::Cancelled));
        manual_->advanceSeconds(14.9);
        QVERIFY(!timedOut.called);
        manual_->advanceSeconds(0.1);
        QVERIFY(timedOut.called);
        QCOMPARE(timedOut.error.domain(), Error::URLErrorDomain);
        QCOMPARE(timedOut.error.code(), int(URLError::TimedOut));
        QCOMPARE(timedOut.calls, 1);
        QCOMPARE(queue.requestCount(), 0);
        slow->cancel(); // after the end: no second call
        QCOMPARE(timedOut.calls, 1);
    }

    void transportFailuresMapToPlatformCodes()
    {
        server_->route("/drop", LocalHttpServer::Response::dropped());
        RequestQueue queue;
        Outcome dropped, refused;
        queue.addRequest(URLRequest(server_->url("/drop")), recorder(dropped));
        QVERIFY(waitFor([&] { return dropped.called; }));
        QCOMPARE(dropped.error.domain(), Error::URLErrorDomain);
        QCOMPARE(dropped.error.code(), int(URLError::NetworkConnectionLost));

        LocalHttpServer closed;
        QVERIFY(closed.listen());
        const QUrl gone = closed.url("/x");
        closed.~LocalHttpServer();
        new (&closed) LocalHttpServer;
        queue.addRequest(URLRequest(gone), recorder(refused));
        QVERIFY(waitFor([&] { return refused.called; }));
        QCOMPARE(refused.error.code(), int(URLError::CannotConnectToHost));
    }

    void autoRetryRepeatsAfterDelay()
    {
        useManualClock();
        int hits = 0;
        server_->route("/flaky", [&](const LocalHttpServer::Request &) {
            return ++hits == 1 ? LocalHttpServer::Response::delayed(
                       20000, LocalHttpServer::Response::ok("too late"))
                               : LocalHttpServer::Response::ok("second time");
        });
        RequestQueue queue;
        Outcome outcome;
        auto op = RQOperation::operationWithRequest(URLRequest(server_->url("/flaky"), 15.0));
        op->setAutoRetry(true);
        op->setCompletionHandler(recorder(outcome));
        queue.addOperation(op);
        QVERIFY(waitFor([&] { return hits == 1; }, manual_));
        manual_->advanceSeconds(15.0); // times out: -1001 is retried
        QVERIFY(!outcome.called);
        QVERIFY(op->isExecuting());
        manual_->advanceSeconds(4.9);
        QTest::qWait(20);
        QCOMPARE(hits, 1);
        manual_->advanceSeconds(0.1);
        QVERIFY(waitFor([&] { return outcome.called; }, manual_));
        QVERIFY(!outcome.error);
        QCOMPARE(outcome.data, QByteArray("second time"));
        QCOMPARE(hits, 2);
    }

    void authenticationChallenges()
    {
        server_->route("/private", [](const LocalHttpServer::Request &request) {
            if (request.header("Authorization") == "Basic " + QByteArray("me:pw").toBase64())
                return LocalHttpServer::Response::ok("secret");
            auto response = LocalHttpServer::Response::withStatus(401, "who are you?");
            response.withHeader("WWW-Authenticate", "Basic realm=\"test\"");
            return response;
        });
        RequestQueue queue;
        // Without a handler the challenge goes unanswered: the 401 is the answer.
        Outcome anonymous;
        queue.addRequest(URLRequest(server_->url("/private?1")), recorder(anonymous));
        QVERIFY(waitFor([&] { return anonymous.called; }));
        QCOMPARE(anonymous.error.domain(), Error::HTTPResponseErrorDomain);
        QCOMPARE(anonymous.error.code(), 401);
        QCOMPARE(anonymous.data, QByteArray("who are you?"));

        Outcome known;
        int challenges = 0;
        auto op = RQOperation::operationWithRequest(URLRequest(server_->url("/private?2")));
        op->setAuthenticationChallengeHandler([&](QAuthenticator *challenge) {
            ++challenges;
            challenge->setUser("me");
            challenge->setPassword("pw");
        });
        op->setCompletionHandler(recorder(known));
        queue.addOperation(op);
        QVERIFY(waitFor([&] { return known.called; }));
        QCOMPARE(challenges, 1);
        QVERIFY(!known.error);
        QCOMPARE(known.data, QByteArray("secret"));
    }

    void progressHandlerSeesEveryByte()
    {
        const QByteArray big(200000, 'x');
        server_->route("/big", LocalHttpServer::Response::ok(big));
        RequestQueue queue;
        Outcome outcome;
        auto op = RQOperation::operationWithRequest(URLRequest(server_->url("/big")));
        qint64 last = 0;
        float fraction = 0;
        op->setDownloadProgressHandler([&](qint64 soFar, qint64 expected, float f) {
            QCOMPARE(expected, qint64(big.size()));
            QVERIFY(soFar >= last);
            last = soFar;
            fraction = f;
        });
        op->setCompletionHandler(recorder(outcome));
        queue.addOperation(op);
        QVERIFY(waitFor([&] { return outcome.called; }));
        QCOMPARE(outcome.data, big);
        QCOMPARE(last, qint64(big.size()));
        QCOMPARE(fraction, 1.0f);
    }
};

RK_TEST_MAIN(RequestQueueTest)
#include "tst_requestqueue.moc"
