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

class DispatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Work for the main thread never runs inline: a group's notification
    // comes on a later turn even when the group is empty, and once when work
    // from many threads ends.
    void mainQueueAndGroupsRunLater()
    {
        QThread *seen = nullptr;
        std::thread worker([&] { dispatchMain([&] { seen = QThread::currentThread(); }); });
        worker.join();
        QTRY_COMPARE(seen, QCoreApplication::instance()->thread());
        DispatchGroup group;
        group.leave(); // unbalanced: harmless
        QCOMPARE(group.count(), 0);
        bool ran = false;
        group.notify([&] { ran = true; });
        QVERIFY(!ran);
        QTRY_VERIFY(ran);
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
    }

    // Observers hear their name, from their sender when they name one; one
    // whose context is gone hears nothing more, and an observer may remove
    // another while the notification is delivered.
    void notificationCenterFiltersAndCleansUp()
    {
        NotificationCenter center;
        QStringList heard;
        const int a = 1, b = 2;
        auto *context = new QObject;
        center.addObserver("n", context, [&](const Notification &) { heard << "any"; });
        center.addObserver(
            "n", nullptr,
            [&](const Notification &n) { heard << "a" + n.userInfo.value("k").toString(); }, &a);
        center.post("n", &a, {{"k", 7}});
        center.post("n", &b, {{"k", 7}});
        center.post("other", &a);
        delete context;
        center.post("n", &b);
        QCOMPARE(center.observerCount("n"), 1);
        NotificationCenter::ObserverId removed = 0;
        center.addObserver(
            "m", nullptr, [&](const Notification &) { center.removeObserver(removed); });
        removed = center.addObserver("m", nullptr, [&](const Notification &) { heard << "m"; });
        center.post("m");
        QCOMPARE(heard, (QStringList {"any", "a7", "any"}));
    }

    // Due calls run in order of due time, then of scheduling, each seeing
    // its own due time; a call scheduled while one runs falls due later.
    // Withdrawn calls, and calls whose context is gone, never run (repeating
    // calls drive the update controller's hourly timer in its test).
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
        const auto withdrawn = clock.callAfter(seconds(1), record("withdrawn"));
        QVERIFY(clock.isPending(withdrawn));
        clock.withdraw(withdrawn);
        QVERIFY(!clock.isPending(withdrawn));
        // A call may withdraw a later one that is due in the same advance.
        Clock::TimerId later = 0;
        clock.callAfter(seconds(1), [&] { clock.withdraw(later); });
        later = clock.callAfter(seconds(2), record("later"));
        auto *context = new QObject;
        clock.callAfter(seconds(1), record("orphan"), context);
        delete context;
        clock.advanceSeconds(0.999);
        QVERIFY(ran.isEmpty());
        clock.advanceSeconds(1.001);
        QCOMPARE(ran, (QStringList {"a@1", "b@2", "c@2"}));
        QCOMPARE(clock.now(), start.addSecs(2));
        clock.advanceSeconds(10);
        QCOMPARE(ran.last(), QString("d@3"));
        QCOMPARE(ran.size(), 4);
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
        clock.callAfter(Clock::Duration(3600000), [] {}); // still pending when the clock goes
    }
};

RK_TEST_MAIN(DispatchTest)
#include "tst_dispatch.moc"
