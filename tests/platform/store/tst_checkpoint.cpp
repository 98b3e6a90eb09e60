#include "TestModel.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QFileInfo>
#include <QTest>
#include <QThread>

class CheckpointTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The log is copied back by the checkpoint thread, so it stops growing,
    // while a reader keeps seeing whole commits. Commits come spaced out, as
    // imports make them; a writer without pauses is held in check by its
    // own checkpoints past a larger size.
    void logIsCheckpointedAwayFromTheWriter()
    {
        TestStore store;
        const QString wal = store.path() + QStringLiteral("-wal");
        auto child = store.context->newPrivateContext();
        qint64 largest = 0;
        for (int commit = 0; commit < 600; ++commit) {
            for (int i = 0; i < 20; ++i) {
                auto item = store.context->insertNewObject(QStringLiteral("Item"));
                item->setValue(QStringLiteral("name"), QString(200, QLatin1Char('x')));
            }
            QVERIFY(store.context->save());
            QThread::msleep(1);
            largest = std::max(largest, QFileInfo(wal).size());
            if (commit % 100 == 0) {
                qint64 seen = -1;
                child->performAndWait([&] {
                    seen = child->countForFetchRequest(FetchRequest(QStringLiteral("Item")));
                });
                QCOMPARE(seen, qint64(20 * (commit + 1)));
            }
        }
        QVERIFY(waitFor(
            [&] { return store.coordinator->checkpointer()->checkpoints() > 0; }, nullptr, 10000));
        // 600 commits write about 17 MB of log pages; checkpoints keep the log
        // near its 4 MB limit when the thread keeps up, and below 32 MB when not.
        QVERIFY2(largest < 34 * 1024 * 1024, qPrintable(QString::number(largest)));
        child.reset();
        store.context.reset();
        store.coordinator.reset();
        QVERIFY(!QFileInfo::exists(wal) || QFileInfo(wal).size() == 0);
        QVERIFY(store.open(1));
        QCOMPARE(store.context->countForFetchRequest(FetchRequest(QStringLiteral("Item"))), 12000);
    }
};

RK_TEST_MAIN(CheckpointTest)
#include "tst_checkpoint.moc"
