#include "desktop/DesktopAppDelegate.h"
#include "model/AppGroup.h"
#include "model/Product.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifier.h"
#include "platform/store/ManagedObjectContext.h"
#include "support/PrivateBus.h"
#include "support/RecordingPresenter.h"
#include "support/TestEnvironment.h"
#include "ui/sidebar/MainOutlineViewController.h"
#include "ui/window/MainWindow.h"
#include "ui/window/MainWindowController.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

// Clicking a new-review notification, through a notification service on a
// private bus, as the desktop shows it.
class NotificationActionTest : public QObject {
    Q_OBJECT

    RecordingPresenter presenter_;

private Q_SLOTS:
    void init() { Presenter::setShared(&presenter_); }
    void cleanup() { Presenter::setShared(nullptr); }

    void clickingTheNotificationSelectsTheFirstProductThatStillExists()
    {
        PrivateBus bus;
        if (!bus.isRunning())
            QSKIP("dbus-daemon is not available");
        NotificationServiceStub service;
        QVERIFY(service.registerOn(bus.address()));
        UserNotifier notifier;
        notifier.setBusAddress(bus.address());
        QSignalSpy delivered(&notifier, &UserNotifier::delivered);

        QTemporaryDir prefsDir;
        UserDefaults defaults(prefsDir.filePath(QStringLiteral("prefs.ini")));
        defaults.setBool(true, "ShowNotifications");
        DesktopAppDelegate delegate;
        delegate.setUserDefaults(&defaults);
        delegate.setUserNotifier(&notifier);

        ManagedObjectContext *context = delegate.managedObjectContext();
        QVERIFY(context);
        auto group = context->insertNewObject<AppGroup>(QStringLiteral("AppGroup"));
        QList<std::shared_ptr<Product>> apps;
        for (int i = 0; i < 3; ++i) {
            auto app = context->insertNewObject<Product>(QStringLiteral("App"));
            app->setValue(QStringLiteral("identifier"), QString::number(100 + i));
            app->setTitle(QStringLiteral("App %1").arg(i));
            app->setSortIndex(i);
            app->setParent(group);
            apps << app;
        }
        QVERIFY(context->save());
        MainOutlineViewController *sidebar =
            delegate.mainWindowController() ? delegate.mainOutlineViewController() : nullptr;
        QVERIFY(sidebar);
        sidebar->selectProduct(apps[0]);

        // The deleted product is passed over for the next one.
        const QVariantList ids {
            QVariant::fromValue(apps[1]->objectID()), QVariant::fromValue(apps[2]->objectID())};
        context->deleteObject(apps[1]);
        QVERIFY(context->save());

        delegate.notifyWithTitle(QStringLiteral("ReviewKeeper"),
            QStringLiteral("You have 3 new reviews."), {}, {{QStringLiteral("productIDs"), ids}});
        QTRY_COMPARE(delivered.size(), 1);
        QCOMPARE(service.calls[0].actions.value(0), QStringLiteral("default"));
        QCOMPARE(service.calls[0].replacesId, 0u);

        // A newer one replaces it instead of stacking up.
        delegate.notifyWithTitle(QStringLiteral("ReviewKeeper"),
            QStringLiteral("You have 4 new reviews."), {}, {{QStringLiteral("productIDs"), ids}});
        QTRY_COMPARE(delivered.size(), 2);
        const uint shown = delivered[1][0].toUInt();
        QCOMPARE(service.calls[1].replacesId, delivered[0][0].toUInt());

        // Another client's notification is not ours to act on.
        service.invokeAction(shown + 100, QStringLiteral("default"));
        QTest::qWait(100);
        QCOMPARE(sidebar->selectedProduct(), apps[0]);

        service.invokeAction(shown, QStringLiteral("default"));
        QTRY_COMPARE(sidebar->selectedProduct(), apps[2]);
        QVERIFY(delegate.mainWindowController()->window()->isVisible());

        // Once closed, the next notification starts afresh.
        service.closeNotification(shown);
        QTest::qWait(100);
        delegate.notifyWithTitle(QStringLiteral("ReviewKeeper"), QStringLiteral("Again."));
        QTRY_COMPARE(service.calls.size(), 3);
        QCOMPARE(service.calls[2].replacesId, 0u);
    }
};

RK_TEST_GUI_MAIN(NotificationActionTest)
#include "tst_notificationaction.moc"
