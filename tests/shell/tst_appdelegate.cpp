#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "platform/Log.h"
#include "platform/NetworkAccess.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/SharedURLCache.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifier.h"
#include "shell/AppDelegate.h"
#include "support/PrivateBus.h"
#include "support/RecordingPresenter.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QNetworkCacheMetaData>
#include <QSignalSpy>
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

struct LogCapture {
    QStringList lines;
    LogCapture()
    {
        setLogSink([this](const QString &line) { lines << line; });
    }
    ~LogCapture() { setLogSink({}); }
};

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int configs_ = 0;
    std::unique_ptr<UserDefaults> freshDefaults()
    {
        return std::make_unique<UserDefaults>(
            dir_.filePath(QString("prefs%1.conf").arg(++configs_)));
    }

private Q_SLOTS:
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
        QTest::newRow("stale lock of a dead process") << "stale" << QList<int> {} << ""
                                                      << "";
        QTest::newRow("free") << "free" << QList<int> {} << ""
                              << "";
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
        QCOMPARE(AppDelegate::exitIfRunningTwice(lock, presenter, [&](int s) { exited << s; }),
            !exits.isEmpty());
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
        if (situation == "held") {
            InstanceLock next(path);
            QVERIFY(!AppDelegate::exitIfRunningTwice(next, presenter, [&](int s) { exited << s; }));
        }
    }

    void crashMarker()
    {
        auto defaults = freshDefaults();
        TestDelegate delegate;
        delegate.setUserDefaults(defaults.get());
        {
            LogCapture log;
            delegate.awakeFromNib();
            QVERIFY(log.lines.isEmpty());
        }
        QCOMPARE(defaults->boolForKey("crashed"), true);
        {
            // The previous run never reached applicationWillTerminate.
            LogCapture log;
            delegate.awakeFromNib();
            QCOMPARE(log.lines, QStringList {"It seems that ReviewKeeper crashed!"});
        }
        delegate.applicationWillTerminate();
        QCOMPARE(defaults->boolForKey("crashed"), false);
        UserDefaults reread(defaults->fileName());
        QCOMPARE(reread.objectForKey("crashed").toString(), QString("false"));
        {
            LogCapture log;
            delegate.awakeFromNib();
            QVERIFY(log.lines.isEmpty());
        }
    }

    void activityTokenNeedsNoBalance()
    {
        TestDelegate delegate;
        delegate.beginActivity();
        delegate.beginActivity();
        QVERIFY(delegate.activity().isActive());
        QCOMPARE(delegate.activity().reason(), QString("Network activity started"));
        delegate.endActivity();
        QVERIFY(!delegate.activity().isActive());
        delegate.endActivity();
        QVERIFY(!delegate.activity().isActive());
    }

    void finishLaunchingShowsAnnouncesAndGreets()
    {
        auto defaults = freshDefaults();
        defaults->registerDefaults({{"FirstLaunch", true}});
        TestDelegate delegate;
        delegate.setUserDefaults(defaults.get());
        int started = 0;
        const void *poster = nullptr;
        const auto id = NotificationCenter::defaultCenter().addObserver(
            kApplicationDidStartNotification, nullptr, [&](const Notification &n) {
                ++started;
                poster = n.object;
            });
        LogCapture log;
        delegate.applicationDidFinishLaunching();
        delegate.applicationDidFinishLaunching();
        NotificationCenter::defaultCenter().removeObserver(id);
        QCOMPARE(delegate.shownCentred, (QList<bool> {true, false}));
        QCOMPARE(started, 2);
        QCOMPARE(poster, static_cast<const void *>(&delegate));
        QVERIFY(log.lines.contains("Welcome " + AppDelegate::userFullName()));
        QVERIFY(!AppDelegate::userFullName().isEmpty());
        QVERIFY(NetworkAccess::sharedURLCache());
    }

    void shiftAtStartClearsTheHttpCache()
    {
        TestDelegate delegate;
        delegate.setUpSharedURLCache(false);
        SharedURLCache *cache = NetworkAccess::sharedURLCache();
        QVERIFY(cache);
        QCOMPARE(cache->maximumCacheSize(), SharedURLCache::DiskCapacity);
        QVERIFY(cache->cacheDirectory().startsWith(qEnvironmentVariable("XDG_CACHE_HOME")));

        QNetworkCacheMetaData meta;
        meta.setUrl(QUrl("https://example.com/feed"));
        meta.setSaveToDisk(true);
        QIODevice *device = cache->prepare(meta);
        QVERIFY(device);
        device->write("cached body");
        cache->insert(device);
        const QNetworkCacheMetaData stored = cache->metaData(meta.url());
        QVERIFY(SharedURLCache::cachedDate(stored).isValid());

        delegate.shift = true;
        LogCapture log;
        delegate.setUpSharedURLCache(delegate.shift);
        QCOMPARE(log.lines, QStringList {"Clearing disk cache"});
        QVERIFY(!NetworkAccess::sharedURLCache()->metaData(meta.url()).isValid());
    }

    void notificationsFollowThePreferences()
    {
        PrivateBus bus;
        if (!bus.isRunning())
            QSKIP("dbus-daemon is not available");
        NotificationServiceStub service;
        QVERIFY(service.registerOn(bus.address()));

        UserNotifier notifier;
        notifier.setBusAddress(bus.address());
        QSignalSpy delivered(&notifier, &UserNotifier::delivered);
        auto defaults = freshDefaults();
        TestDelegate delegate;
        delegate.setUserDefaults(defaults.get());
        delegate.setUserNotifier(&notifier);

        defaults->setBool(false, "ShowNotifications");
        delegate.notifyWithTitle("ReviewKeeper", "You have 2 new reviews.");
        QTest::qWait(100);
        QCOMPARE(service.calls.size(), 0);

        defaults->setBool(true, "ShowNotifications");
        defaults->setBool(false, "PlayNotificationSound");
        delegate.notifyWithTitle("ReviewKeeper", "You have 2 new reviews.", "Weather Pro");
        QTRY_COMPARE(service.calls.size(), 1);
        QCOMPARE(service.calls[0].summary, QString("ReviewKeeper"));
        QCOMPARE(service.calls[0].body, QString("You have 2 new reviews.\nWeather Pro"));
        QVERIFY(!service.calls[0].hints.contains("sound-name"));
        QTRY_COMPARE(delivered.size(), 1);

        defaults->setBool(true, "PlayNotificationSound");
        delegate.notifyWithTitle("ReviewKeeper", "You have 1 new review.");
        QTRY_COMPARE(service.calls.size(), 2);
        QVERIFY(service.calls[1].hints.contains("sound-name"));
        QCOMPARE(service.calls[1].body, QString("You have 1 new review."));
    }

    void withoutAServiceTheNotificationIsLogged()
    {
        PrivateBus bus;
        if (!bus.isRunning())
            QSKIP("dbus-daemon is not available");
        UserNotifier notifier;
        notifier.setBusAddress(bus.address());
        QSignalSpy failed(&notifier, &UserNotifier::failed);
        LogCapture log;
        notifier.deliver({"ReviewKeeper", "You have 3 new reviews.", {}, {}, false});
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(log.lines, QStringList {"ReviewKeeper: You have 3 new reviews."});
    }

    void helpAddresses()
    {
        QCOMPARE(AppDelegate::supportMailURL().scheme(), QString("mailto"));
        QVERIFY(AppDelegate::supportMailURL()
                    .toString(QUrl::FullyEncoded)
                    .endsWith("?subject=ReviewKeeper%20" + AppPaths::version()));
        QCOMPARE(AppDelegate::productPageURL().scheme(), QString("https"));
    }
};

RK_TEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
