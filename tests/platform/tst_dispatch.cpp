#include "platform/Dispatch.h"
#include "platform/DispatchGroup.h"
#include "platform/NotificationCenter.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

class DispatchTest : public QObject
{
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
        int notified = 0;
        constexpr int Workers = 8;
        for (int i = 0; i < Workers; ++i)
            group.enter();
        group.notify([&] { ++notified; });
        std::vector<std::thread> threads;
        for (int i = 0; i < Workers; ++i)
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

    void unbalancedLeaveIsHarmless()
    {
        DispatchGroup group;
        group.leave();
        QCOMPARE(group.count(), 0);
        group.enter();
        QCOMPARE(group.count(), 1);
    }

    void notificationCenterFiltersAndCleansUp()
    {
        NotificationCenter center;
        int any = 0, fromA = 0;
        const int a = 1, b = 2;
        auto *context = new QObject;
        center.addObserver("n", context, [&](const Notification &) { ++any; });
        center.addObserver("n", nullptr, [&](const Notification &n) {
            ++fromA;
            QCOMPARE(n.userInfo.value("k").toInt(), 7);
        }, &a);
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
        int first = 0, second = 0;
        NotificationCenter::ObserverId secondId = 0;
        center.addObserver("n", nullptr, [&](const Notification &) {
            ++first;
            center.removeObserver(secondId);
        });
        secondId = center.addObserver("n", nullptr, [&](const Notification &) { ++second; });
        center.post("n");
        QCOMPARE(first, 1);
        QCOMPARE(second, 0);
    }
};

RK_TEST_MAIN(DispatchTest)
#include "tst_dispatch.moc"
