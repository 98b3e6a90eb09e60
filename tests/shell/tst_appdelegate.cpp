#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "platform/NetworkAccess.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/SharedURLCache.h"
#include "platform/UserDefaults.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"
#include "shell/AppDelegate.h"
#include "support/RecordingPresenter.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QNetworkCacheMetaData>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Shows the window and answers Shift as a test wants.
class TestDelegate : public AppDelegate {
public:
    bool shift = false;
    QList<bool> shownCentred;

protected:
    void showMainWindow(bool centre) override { shownCentred << centre; }
    bool isShiftKeyHeld() const override { return shift; }
};
} // namespace

// Every test has a data folder that does not exist yet, fresh preferences
// and a delegate that uses them.
class AppDelegateTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int runs_ = 0;
    RecordingPresenter presenter_;
    std::unique_ptr<UserDefaults> defaults_;
    std::unique_ptr<TestDelegate> delegate_;

    static QString storeFile() { return AppDelegate::localStoreURL().toLocalFile(); }

private Q_SLOTS:
    void init()
    {
        ++runs_;
        qputenv("XDG_DATA_HOME",
            QFile::encodeName(dir_.filePath(QStringLiteral("home%1/data").arg(runs_))));
        presenter_ = RecordingPresenter();
        Presenter::setShared(&presenter_);
        defaults_ = std::make_unique<UserDefaults>(
            dir_.filePath(QStringLiteral("prefs%1.conf").arg(runs_)));
        delegate_ = std::make_unique<TestDelegate>();
        delegate_->setUserDefaults(defaults_.get());
    }
    void cleanup()
    {
        delegate_.reset();
        defaults_.reset();
        Presenter::setShared(nullptr);
    }

    void startWithTheLock_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QList<int>>("exits");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("information");
        QTest::newRow("held by a live process")
            << "held" << QList<int> {0} << "ReviewKeeper is already running." << QString();
        // A folder whose parent is a file fails for root too.
        QTest::newRow("lock file cannot be written")
            << "unwritable" << QList<int> {1} << "ReviewKeeper cannot start."
            << "The lock file %1 could not be created: Not a directory.";
        QTest::newRow("stale lock of a dead process")
            << QString("stale") << QList<int> {} << QString() << "";
    }

    void startWithTheLock()
    {
        QFETCH(QString, situation);
        QFETCH(QList<int>, exits);
        QFETCH(QString, message);
        QFETCH(QString, information);
        QString path = AppPaths::lockFile();
        InstanceLock holder(path);
        if (situation == "held") {
            QVERIFY(holder.tryLock());
            QCOMPARE(holder.holderPid(), QCoreApplication::applicationPid());
        } else if (situation == "unwritable") {
            QFile file(dir_.filePath("plain-file"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            path = dir_.filePath("plain-file/store/ReviewKeeper.lock");
        } else if (situation == "stale") {
            path = dir_.filePath("stale.lock");
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            // QLockFile's format: pid, application name, host name. Pid
            // 2^22+1 is above the kernel's default pid_max and never alive.
            file.write("4194305\nReviewKeeper\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        InstanceLock lock(path);
        RecordingPresenter presenter;
        QList<int> exited;
        const auto exit = [&](int status) { exited << status; };
        QCOMPARE(AppDelegate::exitIfRunningTwice(lock, presenter, exit), !exits.isEmpty());
        QCOMPARE(exited, exits);
        QCOMPARE(lock.isLocked(), exits.isEmpty());
        QCOMPARE(presenter.alerts.size(), exits.size());
        if (!exits.isEmpty()) {
            QCOMPARE(presenter.alerts.first().messageText, message);
            QCOMPARE(presenter.alerts.first().informativeText, information.arg(path));
        }
        // Once the holder is gone, the next start goes on.
        holder.unlock();
        lock.unlock();
        InstanceLock next(path);
        QCOMPARE(AppDelegate::exitIfRunningTwice(next, presenter, exit), situation == "unwritable");
    }

    // Each start creates what is missing (the folder, the store, and the
    // countries in a store without any, and only then) and reports once a
    // run that never reached applicationWillTerminate (the desktop start
    // checks the marker that tells).
    void startsCreateTheStoreAndReportACrashOnce()
    {
        QVERIFY(!QFileInfo::exists(AppDelegate::applicationSupportDirectory()));
        const FetchRequest countries("Country");
        for (const QStringList &expected :
            {QStringList(), {"It seems that ReviewKeeper crashed!"}}) {
            LogCapture log;
            delegate_->awakeFromNib();
            QCOMPARE(log.lines, expected);
            QCOMPARE(delegate_->managedObjectContext()->countForFetchRequest(countries), 175);
        }
        QVERIFY(presenter_.errors.isEmpty());
        QVERIFY(QFileInfo(storeFile()).isFile());
        ManagedObjectContext *context = delegate_->managedObjectContext();
        // Quitting without changes asks nothing.
        QVERIFY(delegate_->applicationShouldTerminate());
        QVERIFY(presenter_.alerts.isEmpty());

        context->deleteObject(context->executeFetchRequest(FetchRequest("Country")).first());
        delegate_->saveAction();
        delegate_->applicationWillTerminate();
        delegate_ = std::make_unique<TestDelegate>();
        delegate_->setUserDefaults(defaults_.get());
        LogCapture log;
        delegate_->awakeFromNib();
        QVERIFY(log.lines.isEmpty());
        QCOMPARE(delegate_->managedObjectContext()->countForFetchRequest(countries), 174);
    }

    void activityTokenNeedsNoBalance()
    {
        delegate_->beginActivity();
        delegate_->beginActivity();
        QVERIFY(delegate_->activity().isActive());
        QCOMPARE(delegate_->activity().reason(), QString("Network activity started"));
        delegate_->endActivity();
        QVERIFY(!delegate_->activity().isActive());
        delegate_->endActivity();
        QVERIFY(!delegate_->activity().isActive());
    }

    void finishLaunchingShowsAnnouncesAndGreets()
    {
        defaults_->registerDefaults({{"FirstLaunch", true}});
        QList<const void *> posters;
        const auto id =
            NotificationCenter::defaultCenter().addObserver(kApplicationDidStartNotification,
                nullptr, [&](const Notification &n) { posters << n.object; });
        LogCapture log;
        delegate_->applicationDidFinishLaunching();
        delegate_->applicationDidFinishLaunching();
        NotificationCenter::defaultCenter().removeObserver(id);
        QCOMPARE(delegate_->shownCentred, (QList<bool> {true, false}));
        QCOMPARE(posters, (QList<const void *> {delegate_.get(), delegate_.get()}));
        QVERIFY(!AppDelegate::userFullName().isEmpty());
        QVERIFY(log.lines.contains("Welcome " + AppDelegate::userFullName()));
        QVERIFY(NetworkAccess::sharedURLCache());
    }

    void shiftAtStartClearsTheHttpCache()
    {
        delegate_->setUpSharedURLCache(false);
        SharedURLCache *cache = NetworkAccess::sharedURLCache();
        QVERIFY(cache);
        QVERIFY(cache->cacheDirectory().startsWith(qEnvironmentVariable("XDG_CACHE_HOME")));
        QNetworkCacheMetaData meta;
        meta.setUrl(QUrl("https://example.com/feed"));
        meta.setSaveToDisk(true);
        QIODevice *device = cache->prepare(meta);
        QVERIFY(device);
        device->write("cached body");
        cache->insert(device);
        QVERIFY(SharedURLCache::cachedDate(cache->metaData(meta.url())).isValid());
        LogCapture log;
        delegate_->setUpSharedURLCache(true);
        QCOMPARE(log.lines, QStringList {"Clearing disk cache"});
        QVERIFY(!NetworkAccess::sharedURLCache()->metaData(meta.url()).isValid());
    }

    void helpAddresses()
    {
        QCOMPARE(AppDelegate::supportMailURL().scheme(), QString("mailto"));
        QVERIFY(AppDelegate::supportMailURL()
                    .toString(QUrl::FullyEncoded)
                    .endsWith("?subject=ReviewKeeper%20" + AppPaths::version()));
        QCOMPARE(AppDelegate::productPageURL().scheme(), QString("https"));
    }

    // The application runs on without a store, says so once, and leaves the
    // file it refused as it was.
    void refusedStores_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file where the folder should be") << QString(
            "folder") << "Expected a folder to store application data, found a file (%1).";
        QTest::newRow("a file that is no store") << QString(
            "garbage") << "There was an error creating or loading the application's saved data.";
    }

    void refusedStores()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString folder = AppDelegate::applicationSupportDirectory();
        const QString path = kind == "folder" ? folder : storeFile();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray garbage = QByteArray("\x01\x02 garbage ", 11).repeated(1000);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(garbage) == garbage.size());
        file.close();

        delegate_->initializeDataBaseIfRequired();
        QVERIFY(!delegate_->managedObjectContext());
        QVERIFY(!delegate_->persistentStoreCoordinator());
        QCOMPARE(presenter_.errors.size(), 1);
        const Error error = presenter_.errors.first();
        QCOMPARE(error.localizedDescription(),
            QString("Failed to initialize the application's saved data"));
        QCOMPARE(error.localizedFailureReason(), reason.arg(folder));
        QCOMPARE(error.hasUnderlyingError(), kind == "garbage");
        delegate_->saveAction();
        QVERIFY(delegate_->applicationShouldTerminate());
        QCOMPARE(presenter_.errors.size(), 1);
        QVERIFY(presenter_.alerts.isEmpty());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), garbage);
    }

    void quittingWhenEditingCannotBeCommitted()
    {
        delegate_->managedObjectContext()->setCommitEditingHandler([] { return false; });
        LogCapture log;
        QVERIFY(!delegate_->applicationShouldTerminate());
        delegate_->saveAction();
        QCOMPARE(log.lines,
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
        TestDelegate &delegate = *delegate_;
        ManagedObjectContext *context = delegate.managedObjectContext();
        // Another writer took the row id the next record will get, so the
        // save fails on a constraint.
        const qint64 taken = delegate.persistentStoreCoordinator()->nextRowId();
        SqliteConnection other;
        QVERIFY(other.open(storeFile(), false, nullptr));
        QVERIFY(other.exec(
            "INSERT INTO \"Country\" (id, entity) VALUES (" + QByteArray::number(taken) + ", 10)"));
        context->insertNewObject("Country");

        presenter_.response.buttonIndex = button;
        QCOMPARE(delegate.applicationShouldTerminate(), terminates);
        QCOMPARE(presenter_.errors.size(), 1);
        QCOMPARE(presenter_.alerts.size(), 1);
        QCOMPARE(presenter_.alerts.first().buttons, (QStringList {"Quit anyway", "Cancel"}));
        QVERIFY(context->hasChanges());
        // A save error during normal use is presented and the changes stay.
        delegate.saveAction();
        QCOMPARE(presenter_.errors.size(), 2);
        QVERIFY(context->hasChanges());
    }
};

RK_TEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
