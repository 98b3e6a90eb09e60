#include "platform/AppPaths.h"
#include "platform/Log.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"
#include "shell/AppDelegate.h"
#include "support/RecordingPresenter.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

namespace {
const QString GeneralReason =
    QStringLiteral("There was an error creating or loading the application's saved data.");
const QString Description = QStringLiteral("Failed to initialize the application's saved data");

qint64 countries(AppDelegate &delegate)
{
    return delegate.managedObjectContext()->countForFetchRequest(
        FetchRequest(QStringLiteral("Country")));
}
} // namespace

class StoreStackTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    int homes_ = 0;
    RecordingPresenter presenter_;

private Q_SLOTS:
    void init()
    {
        // A data home of its own for each case; it does not exist yet.
        const QString home = root_.filePath(QStringLiteral("home%1/data").arg(++homes_));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home));
        presenter_ = RecordingPresenter();
        Presenter::setShared(&presenter_);
    }
    void cleanup() { Presenter::setShared(nullptr); }

    void firstStartCreatesTheFolderTheStoreAndTheCountries()
    {
        QVERIFY(!QFileInfo::exists(AppDelegate::applicationSupportDirectory()));
        {
            AppDelegate delegate;
            delegate.initializeDataBaseIfRequired();
            QVERIFY(presenter_.errors.isEmpty());
            QCOMPARE(AppDelegate::localStoreURL().toLocalFile(),
                QDir(AppDelegate::applicationSupportDirectory())
                    .filePath(QStringLiteral("ReviewKeeper.db")));
            QVERIFY(QFileInfo(AppDelegate::localStoreURL().toLocalFile()).isFile());
            QCOMPARE(countries(delegate), 175);
            QVERIFY(!delegate.managedObjectContext()->hasChanges());
            QCOMPARE(delegate.managedObjectContext(), delegate.managedObjectContext());
        }
        AppDelegate second;
        second.initializeDataBaseIfRequired();
        QCOMPARE(countries(second), 175);
    }

    void aStoreWithOneCountryIsLeftAlone()
    {
        {
            AppDelegate delegate;
            delegate.managedObjectContext()->insertNewObject(
                QStringLiteral("Country"), {{QStringLiteral("isoCode"), QStringLiteral("DE")}});
            delegate.saveAction();
        }
        AppDelegate delegate;
        delegate.initializeDataBaseIfRequired();
        QCOMPARE(countries(delegate), 1);
    }

    void aFileWhereTheFolderShouldBe()
    {
        const QString folder = AppDelegate::applicationSupportDirectory();
        QVERIFY(QDir().mkpath(QFileInfo(folder).path()));
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("plain");
        file.close();

        AppDelegate delegate;
        delegate.initializeDataBaseIfRequired();
        QVERIFY(!delegate.managedObjectContext());
        QVERIFY(!delegate.persistentStoreCoordinator());
        QCOMPARE(presenter_.errors.size(), 1);
        const Error error = presenter_.errors.first();
        QCOMPARE(error.domain(), QStringLiteral("YOUR_ERROR_DOMAIN"));
        QCOMPARE(error.code(), 9999);
        QCOMPARE(error.localizedDescription(), Description);
        QCOMPARE(error.localizedFailureReason(),
            QStringLiteral("Expected a folder to store application data, found a file (%1).")
                .arg(folder));
        // The application runs on without a store, and says so once.
        delegate.saveAction();
        QVERIFY(delegate.applicationShouldTerminate());
        QCOMPARE(presenter_.errors.size(), 1);
        QVERIFY(presenter_.alerts.isEmpty());
    }

    void aFileThatIsNoStore()
    {
        QVERIFY(QDir().mkpath(AppDelegate::applicationSupportDirectory()));
        QFile file(AppDelegate::localStoreURL().toLocalFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray garbage = QByteArray("\x01\x02 garbage ", 11).repeated(1000);
        file.write(garbage);
        file.close();

        AppDelegate delegate;
        delegate.initializeDataBaseIfRequired();
        QVERIFY(!delegate.managedObjectContext());
        QCOMPARE(presenter_.errors.size(), 1);
        QCOMPARE(presenter_.errors.first().localizedDescription(), Description);
        QCOMPARE(presenter_.errors.first().localizedFailureReason(), GeneralReason);
        QVERIFY(presenter_.errors.first().hasUnderlyingError());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);
    }

    void aStoreFromANewerVersion()
    {
        {
            AppDelegate delegate;
            delegate.initializeDataBaseIfRequired();
        }
        SqliteConnection connection;
        QVERIFY(connection.open(AppDelegate::localStoreURL().toLocalFile(), false, nullptr));
        QVERIFY(connection.exec("UPDATE rk_metadata SET value = 99 WHERE key = 'version'"));

        AppDelegate delegate;
        delegate.initializeDataBaseIfRequired();
        QVERIFY(!delegate.managedObjectContext());
        QCOMPARE(presenter_.errors.size(), 1);
        QCOMPARE(presenter_.errors.first().localizedFailureReason(), GeneralReason);
        QVERIFY(presenter_.errors.first().underlyingError().localizedDescription().contains(
            QStringLiteral("newer")));
        QCOMPARE(
            PersistentStoreCoordinator::storedVersion(AppDelegate::localStoreURL().toLocalFile()),
            99);
    }

    void quittingWithoutChangesAsksNothing()
    {
        AppDelegate never;
        QVERIFY(never.applicationShouldTerminate());
        AppDelegate delegate;
        delegate.initializeDataBaseIfRequired();
        QVERIFY(delegate.applicationShouldTerminate());
        QVERIFY(presenter_.alerts.isEmpty());
        QVERIFY(presenter_.errors.isEmpty());
    }

    void quittingWhenEditingCannotBeCommitted()
    {
        AppDelegate delegate;
        delegate.managedObjectContext()->setCommitEditingHandler([] { return false; });
        QStringList lines;
        setLogSink([&](const QString &line) { lines << line; });
        QVERIFY(!delegate.applicationShouldTerminate());
        delegate.saveAction();
        setLogSink({});
        QCOMPARE(lines,
            (QStringList {
                "AppDelegate:applicationShouldTerminate: unable to commit editing to terminate",
                "AppDelegate:saveAction: unable to commit editing before saving"}));
    }

    void quittingWhenTheSaveFails_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("terminates");
        QTest::newRow("Quit anyway") << 0 << true;
        QTest::newRow("Cancel") << 1 << false;
    }

    void quittingWhenTheSaveFails()
    {
        QFETCH(int, button);
        QFETCH(bool, terminates);
        AppDelegate delegate;
        ManagedObjectContext *context = delegate.managedObjectContext();
        // Another writer took the row id the next record will get, so the
        // save fails on a constraint.
        const qint64 taken = delegate.persistentStoreCoordinator()->nextRowId();
        SqliteConnection other;
        QVERIFY(other.open(AppDelegate::localStoreURL().toLocalFile(), false, nullptr));
        QVERIFY(other.exec(
            "INSERT INTO \"Country\" (id, entity) VALUES (" + QByteArray::number(taken) + ", 10)"));
        context->insertNewObject(QStringLiteral("Country"));

        presenter_.response.buttonIndex = button;
        QCOMPARE(delegate.applicationShouldTerminate(), terminates);
        QCOMPARE(presenter_.errors.size(), 1);
        QCOMPARE(presenter_.alerts.size(), 1);
        const Alert alert = presenter_.alerts.first();
        QCOMPARE(alert.messageText,
            QStringLiteral("Could not save changes while quitting. Quit anyway?"));
        QCOMPARE(alert.informativeText,
            QStringLiteral(
                "Quitting now will lose any changes you have made since the last successful save"));
        QCOMPARE(alert.buttons, (QStringList {"Quit anyway", "Cancel"}));
        QVERIFY(context->hasChanges());

        // A save error during normal use is presented and the changes stay.
        delegate.saveAction();
        QCOMPARE(presenter_.errors.size(), 2);
        QVERIFY(context->hasChanges());
    }
};

RK_TEST_MAIN(StoreStackTest)
#include "tst_store.moc"
