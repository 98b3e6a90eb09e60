#include "TestModel.h"
#include "platform/store/SqliteConnection.h"
#include "support/TestEnvironment.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

class SchemaTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void olderStoreIsUpgradedInPlace()
    {
        TestStore store(1);
        auto box = store.context->insertNewObject(QStringLiteral("Box"));
        box->setValue(QStringLiteral("title"), QStringLiteral("  shelf  "));
        store.item(QStringLiteral("hammer"), box);
        QVERIFY(store.context->save());
        const QUrl uri = box->uri();
        box.reset();
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 1);

        Error error;
        QVERIFY2(store.open(2, &error), qPrintable(error.debugDescription()));
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 2);
        auto upgraded = store.context->objectWithURI(uri);
        QVERIFY(upgraded);
        QCOMPARE(upgraded->value(QStringLiteral("title")).toString(), QStringLiteral("shelf"));
        QVERIFY(!upgraded->value(QStringLiteral("label")).isValid());
        QCOMPARE(upgraded->countOfObjects(QStringLiteral("items")), 1);
        upgraded->setValue(QStringLiteral("label"), QStringLiteral("A1"));
        QVERIFY(store.context->save());
        // New ids never reuse old ones.
        auto item = store.item(QStringLiteral("saw"));
        QVERIFY(item->objectID().rowId > upgraded->objectID().rowId);
    }

    void failedUpgradeLeavesTheStoreAsItWas()
    {
        TestStore store(1);
        store.item(QStringLiteral("hammer"));
        QVERIFY(store.context->save());
        store.context.reset();
        store.coordinator.reset();
        auto model = testModel(2);
        auto broken = std::make_shared<ManagedObjectModel>(2);
        broken->addEntity(QStringLiteral("Item"));
        broken->addAttribute(QStringLiteral("Item"), QStringLiteral("name"), AttributeType::String);
        broken->addUpgradeStep(1, {QStringLiteral("UPDATE nowhere SET x = 1")});
        broken->finalize();
        PersistentStoreCoordinator coordinator(broken);
        Error error;
        QVERIFY(!coordinator.addSQLiteStore(store.path(), &error));
        QVERIFY(error);
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 1);
        QVERIFY(store.open(1));
        QCOMPARE(store.names(FetchRequest(QStringLiteral("Item"))), QStringList {"hammer"});
    }

    void refusedFilesAreLeftAsTheyWere_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a database") << "garbage"
                                        << "not a database";
        QTest::newRow("a database of another program") << "foreign"
                                                       << "another program";
        QTest::newRow("a store of a newer version") << "newer"
                                                    << "newer";
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
        QVERIFY(store.context->executeFetchRequest(FetchRequest(QStringLiteral("Item"))).isEmpty());
        if (kind == u"newer")
            QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 2);
        QCOMPARE(checksum(), before);
        QCOMPARE(QDir(store.dir.path()).entryList(QDir::Files), filesBefore);
    }

    void hotQueriesUseTheirIndex()
    {
        TestStore store;
        SqliteConnection *db = store.coordinator->writeConnection();
        sqlite3_stmt *plan = db->prepare("EXPLAIN QUERY PLAN SELECT id FROM \"Item\" WHERE "
                                         "\"box_id\" = 1 AND rk_fold(\"name\") = rk_fold('x')");
        QVERIFY(plan);
        StatementScope scope(plan);
        QString detail;
        while (sqlite3_step(plan) == SQLITE_ROW)
            detail +=
                QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(plan, 3)));
        QVERIFY2(detail.contains(QStringLiteral("USING INDEX")), qPrintable(detail));
    }
};

RK_TEST_MAIN(SchemaTest)
#include "tst_schema.moc"
