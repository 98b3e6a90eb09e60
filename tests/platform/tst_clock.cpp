#include "platform/ManualClock.h"
#include "platform/RealClock.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QTest>

class ClockTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void manualClockRunsDueCallsInOrder()
    {
        ManualClock clock;
        const QDateTime start = clock.now();
        QStringList ran;
        QDateTime seenAt;
        clock.callAfter(seconds(2), [&] { ran << "b"; });
        clock.callAfter(seconds(1), [&] {
            ran << "a";
            seenAt = clock.now();
        });
        clock.callAfter(seconds(2), [&] { ran << "c"; });
        clock.advanceSeconds(0.999);
        QVERIFY(ran.isEmpty());
        clock.advanceSeconds(1.001);
        QCOMPARE(ran, (QStringList{"a", "b", "c"}));
        QCOMPARE(seenAt, start.addSecs(1));
        QCOMPARE(clock.now(), start.addSecs(2));
    }

    void withdrawnCallsNeverRun()
    {
        ManualClock clock;
        int runs = 0;
        const auto id = clock.callAfter(seconds(1), [&] { ++runs; });
        QVERIFY(clock.isPending(id));
        clock.withdraw(id);
        QVERIFY(!clock.isPending(id));
        clock.advanceSeconds(10);
        QCOMPARE(runs, 0);

        // A call may withdraw a later one that is due in the same advance.
        Clock::TimerId later = 0;
        clock.callAfter(seconds(1), [&] { clock.withdraw(later); });
        later = clock.callAfter(seconds(2), [&] { ++runs; });
        clock.advanceSeconds(5);
        QCOMPARE(runs, 0);
    }

    void repeatingCallsAndContexts()
    {
        ManualClock clock;
        int ticks = 0;
        const auto id = clock.callEvery(seconds(3600), [&] { ++ticks; });
        clock.advanceSeconds(3 * 3600 + 1);
        QCOMPARE(ticks, 3);
        clock.withdraw(id);
        clock.advanceSeconds(3600);
        QCOMPARE(ticks, 3);

        auto *context = new QObject;
        int runs = 0;
        clock.callAfter(seconds(1), [&] { ++runs; }, context);
        delete context;
        clock.advanceSeconds(2);
        QCOMPARE(runs, 0);
    }

    void callsScheduledWhileRunningFallDueLater()
    {
        ManualClock clock;
        QList<qint64> at;
        const qint64 start = clock.now().toSecsSinceEpoch();
        clock.callAfter(seconds(1), [&] {
            at << clock.now().toSecsSinceEpoch() - start;
            clock.callAfter(seconds(2), [&] { at << clock.now().toSecsSinceEpoch() - start; });
        });
        clock.advanceSeconds(10);
        QCOMPARE(at, (QList<qint64>{1, 3}));
    }

    void realClockWithdrawAndFire()
    {
        RealClock clock;
        int withdrawnRuns = 0;
        bool fired = false;
        const auto id = clock.callAfter(Clock::Duration(20), [&] { ++withdrawnRuns; });
        clock.callAfter(Clock::Duration(40), [&] { fired = true; });
        clock.withdraw(id);
        QTRY_VERIFY_WITH_TIMEOUT(fired, 2000);
        QCOMPARE(withdrawnRuns, 0);

        int ticks = 0;
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

RK_TEST_MAIN(ClockTest)
#include "tst_clock.moc"
