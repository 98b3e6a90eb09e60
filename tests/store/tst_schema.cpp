#include "SqliteConnection.h"
#include "TestEnvironment.h"
#include "TestModel.h"

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

    void newerStoreIsRefused()
    {
        TestStore store(2);
        store.item(QStringLiteral("hammer"));
        QVERIFY(store.context->save());
        Error error;
        QVERIFY(!store.open(1, &error));
        QVERIFY(error.localizedDescription().contains(QStringLiteral("newer")));
        QVERIFY(!store.context->hasStore());
        QVERIFY(store.context->executeFetchRequest(FetchRequest(QStringLiteral("Item"))).isEmpty());
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 2);
    }

    void fileThatIsNoStoreIsRefusedAndLeftAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("garbage.db"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray garbage = QByteArray("this is not a database\n").repeated(400);
        file.write(garbage);
        file.close();
        PersistentStoreCoordinator coordinator(testModel());
        Error error;
        QVERIFY(!coordinator.addSQLiteStore(path, &error));
        QVERIFY(error);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);

        // A database of some other program is not taken over either.
        const QString other = dir.filePath(QStringLiteral("other.db"));
        SqliteConnection connection;
        QVERIFY(connection.open(other, true, nullptr));
        QVERIFY(connection.exec("CREATE TABLE notes (text TEXT)"));
        QVERIFY(!coordinator.addSQLiteStore(other, &error));
        QVERIFY(error.localizedDescription().contains(QStringLiteral("another program")));
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
