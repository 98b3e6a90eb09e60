#include "TestModel.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

// The store file: upgrades, files it must refuse, and its write-ahead log.
class SchemaTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A failed upgrade leaves the store as it was; the next one succeeds.
    void olderStoreIsUpgradedInPlace()
    {
        TestStore store(1);
        auto box = store.context->insertNewObject("Box", {{"title", "  shelf  "}});
        store.item("hammer", box);
        QVERIFY(store.context->save());
        const QUrl uri = box->uri();
        box.reset();
        store.context.reset();
        store.coordinator.reset();
        auto broken = std::make_shared<ManagedObjectModel>(2);
        broken->addEntity("Item");
        broken->addAttribute("Item", "name", AttributeType::String);
        broken->addUpgradeStep(1, {"UPDATE nowhere SET x = 1"});
        broken->finalize();
        Error error;
        QVERIFY(!PersistentStoreCoordinator(broken).addSQLiteStore(store.path(), &error));
        QVERIFY(error);
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 1);

        QVERIFY2(store.open(2, &error), qPrintable(error.debugDescription()));
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 2);
        auto upgraded = store.context->objectWithURI(uri);
        QVERIFY(upgraded);
        QCOMPARE(upgraded->value("title").toString(), QString("shelf"));
        QVERIFY(!upgraded->value("label").isValid());
        QCOMPARE(upgraded->countOfObjects("items"), 1);
        QCOMPARE(store.names(FetchRequest("Item")), QStringList {"hammer"});
        upgraded->setValue("label", "A1");
        QVERIFY(store.context->save());
        // New ids never reuse old ones.
        QVERIFY(store.item("saw")->objectID().rowId > upgraded->objectID().rowId);
    }

    void refusedFilesAreLeftAsTheyWere_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a database") << QString("garbage") << "not a database";
        QTest::newRow("a database of another program") << QString("foreign") << "another program";
        QTest::newRow("a store of a newer version") << QString("newer") << "newer";
    }

    void refusedFilesAreLeftAsTheyWere()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        // The store is made by version 2 and opened by version 1.
        TestStore store(2);
        store.context.reset();
        store.coordinator.reset();
        if (kind == u"garbage") {
            QVERIFY(QFile::remove(store.path()));
            QFile file(store.path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("this is not a database\n").repeated(400));
        } else {
            if (kind == u"foreign")
                QVERIFY(QFile::remove(store.path()));
            // Other programs, and versions to come, may keep another journal.
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(store.path()).constData(), &db), SQLITE_OK);
            const char *sql = kind == u"newer"
                ? "PRAGMA journal_mode=DELETE"
                : "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('keep me')";
            QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        const QStringList filesBefore = QDir(store.dir.path()).entryList(QDir::Files);
        QCOMPARE(filesBefore, QStringList {"store.db"});
        auto checksum = [&] {
            QFile file(store.path());
            return file.open(QIODevice::ReadOnly)
                ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                : QByteArray();
        };
        const QByteArray before = checksum();

        Error error;
        QVERIFY(!store.open(1, &error));
        QVERIFY2(
            error.localizedDescription().contains(reason), qPrintable(error.debugDescription()));
        QVERIFY(!store.context->hasStore());
        if (kind == u"newer")
            QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 2);
        QCOMPARE(checksum(), before);
        QCOMPARE(QDir(store.dir.path()).entryList(QDir::Files), filesBefore);
    }

    // The log is copied back by the checkpoint thread, so it stops growing,
    // while a reader keeps seeing whole commits. Commits come spaced out, as
    // imports make them; a writer without pauses is held in check by its
    // own checkpoints past a larger size.
    void logIsCheckpointedAwayFromTheWriter()
    {
        TestStore store;
        const QString wal = store.path() + "-wal";
        auto child = store.context->newPrivateContext();
        qint64 largest = 0;
        for (int commit = 0; commit < 600; ++commit) {
            for (int i = 0; i < 20; ++i)
                store.item(QString(200, 'x'));
            QVERIFY(store.context->save());
            QThread::msleep(1);
            largest = std::max(largest, QFileInfo(wal).size());
            if (commit % 100 == 0) {
                qint64 seen = -1;
                child->performAndWait(
                    [&] { seen = child->countForFetchRequest(FetchRequest("Item")); });
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
        QCOMPARE(store.count("Item"), 12000);
    }
};

RK_TEST_MAIN(SchemaTest)
#include "tst_schema.moc"
