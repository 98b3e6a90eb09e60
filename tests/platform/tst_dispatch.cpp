#include "platform/Dispatch.h"
#include "platform/DispatchGroup.h"
#include "platform/ManualClock.h"
#include "platform/NotificationCenter.h"
#include "platform/RealClock.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <QThread>

#include <thread>
#include <vector>

// Work that runs later: on the main thread, after a group, at a time of a
// clock, or for a notification.
class DispatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dispatchMainRunsLaterOnTheMainThread()
    {
        bool ran = false;
        dispatchMain([&] { ran = true; });
        QVERIFY(!ran); // never re-entrant
        QTRY_VERIFY(ran);
        QThread *seen = nullptr;
        std::thread worker([&] { dispatchMain([&] { seen = QThread::currentThread(); }); });
        worker.join();
        QTRY_VERIFY(seen);
        QCOMPARE(seen, QCoreApplication::instance()->thread());
    }

    void groupNotifiesOnceWhenWorkFromManyThreadsEnds()
    {
        DispatchGroup group;
        group.leave(); // unbalanced: harmless
        QCOMPARE(group.count(), 0);
        int notified = 0;
        for (int i = 0; i < 8; ++i)
            group.enter();
        group.notify([&] { ++notified; });
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([group]() mutable { group.leave(); });
        for (auto &t : threads)
            t.join();
        QTRY_COMPARE(notified, 1);
        QCOMPARE(group.count(), 0);
        QTest::qWait(10);
        QCOMPARE(notified, 1);
        // Empty group: notify runs on the next turn, not at once.
        bool ran = false;
        group.notify([&] { ran = true; });
        QVERIFY(!ran);
        QTRY_VERIFY(ran);
    }

    void notificationCenterFiltersAndCleansUp()
    {
        NotificationCenter center;
        int any = 0, fromA = 0;
        const int a = 1, b = 2;
        auto *context = new QObject;
        center.addObserver("n", context, [&](const Notification &) { ++any; });
        center.addObserver(
            "n", nullptr,
            [&](const Notification &n) {
                ++fromA;
                QCOMPARE(n.userInfo.value("k").toInt(), 7);
            },
            &a);
        center.post("n", &a, {{"k", 7}});
        center.post("n", &b, {{"k", 7}});
        center.post("other", &a);
        QCOMPARE(any, 2);
        QCOMPARE(fromA, 1);
        delete context;
        center.post("n", &b);
        QCOMPARE(any, 2);
        QCOMPARE(center.observerCount("n"), 1);
    }

    void observersMayRemoveThemselvesWhileCalled()
    {
        NotificationCenter center;
        int second = 0;
        NotificationCenter::ObserverId secondId = 0;
        center.addObserver(
            "n", nullptr, [&](const Notification &) { center.removeObserver(secondId); });
        secondId = center.addObserver("n", nullptr, [&](const Notification &) { ++second; });
        center.post("n");
        QCOMPARE(second, 0);
    }

    // Due calls run in order of due time, then of scheduling, each seeing
    // its own due time; a call scheduled while one runs falls due later.
    void manualClockRunsDueCallsInOrder()
    {
        ManualClock clock;
        const QDateTime start = clock.now();
        QStringList ran;
        const auto record = [&](const QString &name) {
            return [&, name] { ran << name + "@" + QString::number(start.secsTo(clock.now())); };
        };
        clock.callAfter(seconds(2), record("b"));
        clock.callAfter(seconds(1), [&] {
            record("a")();
            clock.callAfter(seconds(2), record("d"));
        });
        clock.callAfter(seconds(2), record("c"));
        clock.advanceSeconds(0.999);
        QVERIFY(ran.isEmpty());
        clock.advanceSeconds(1.001);
        QCOMPARE(ran, (QStringList {"a@1", "b@2", "c@2"}));
        QCOMPARE(clock.now(), start.addSecs(2));
        clock.advanceSeconds(10);
        QCOMPARE(ran.last(), QString("d@3"));
    }

    void withdrawnRepeatingAndOrphanedCalls()
    {
        ManualClock clock;
        int runs = 0, ticks = 0;
        const auto id = clock.callAfter(seconds(1), [&] { ++runs; });
        QVERIFY(clock.isPending(id));
        clock.withdraw(id);
        QVERIFY(!clock.isPending(id));
        // A call may withdraw a later one that is due in the same advance.
        Clock::TimerId later = 0;
        clock.callAfter(seconds(1), [&] { clock.withdraw(later); });
        later = clock.callAfter(seconds(2), [&] { ++runs; });
        // A call whose context is gone never runs.
        auto *context = new QObject;
        clock.callAfter(
            seconds(1), [&] { ++runs; }, context);
        delete context;
        const auto every = clock.callEvery(seconds(3600), [&] { ++ticks; });
        clock.advanceSeconds(3 * 3600 + 1);
        QCOMPARE(runs, 0);
        QCOMPARE(ticks, 3);
        clock.withdraw(every);
        clock.advanceSeconds(3600);
        QCOMPARE(ticks, 3);
    }

    void realClockWithdrawAndFire()
    {
        RealClock clock;
        int withdrawnRuns = 0, ticks = 0;
        bool fired = false;
        const auto id = clock.callAfter(Clock::Duration(20), [&] { ++withdrawnRuns; });
        clock.callAfter(Clock::Duration(40), [&] { fired = true; });
        clock.withdraw(id);
        QTRY_VERIFY_WITH_TIMEOUT(fired, 2000);
        QCOMPARE(withdrawnRuns, 0);
        Clock::TimerId every = 0;
        every = clock.callEvery(Clock::Duration(5), [&] {
            if (++ticks == 3)
                clock.withdraw(every);
        });
        QTRY_COMPARE_WITH_TIMEOUT(ticks, 3, 2000);
        QTest::qWait(30);
        QCOMPARE(ticks, 3);
    }
};

RK_TEST_MAIN(DispatchTest)
#include "tst_dispatch.moc"
