#include "desktop/DesktopAppDelegate.h"
#include "model/AppGroup.h"
#include "model/Product.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifier.h"
#include "platform/store/ManagedObjectContext.h"
#include "support/PrivateBus.h"
#include "support/RecordingPresenter.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/preferences/PreferencesPopoverViewController.h"
#include "ui/search/SearchPopoverViewController.h"
#include "ui/sidebar/MainOutlineViewController.h"
#include "ui/widgets/Popover.h"
#include "ui/window/MainWindow.h"
#include "ui/window/MainWindowController.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

// The window as the desktop application builds it, over a store that holds
// products: what it opens to, what a screen reader hears of it, and the
// new-review notifications it shows through a notification service on a
// private bus.
class WindowTest : public QObject {
    Q_OBJECT

    RecordingPresenter presenter_;
    std::unique_ptr<QTemporaryDir> dir_;

    // The controls of `root` that take the keyboard or a click and that a
    // screen reader would announce without a name.
    static QString unnamedControls(QWidget *root)
    {
        QStringList unnamed;
        for (QWidget *widget : root->findChildren<QWidget *>()) {
            // A scroll area's viewport is read as part of the area.
            const auto *area = qobject_cast<QAbstractScrollArea *>(widget->parentWidget());
            if (!widget->isVisible() || (area && area->viewport() == widget))
                continue;
            const bool control =
                (widget->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractButton *>(widget);
            if (!control)
                continue;
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
            if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << QString::fromLatin1(widget->metaObject()->className()) + ' '
                        + widget->objectName() + " in "
                        + QString::fromLatin1(widget->parentWidget()->metaObject()->className());
        }
        return unnamed.join(QStringLiteral(", "));
    }

    // Three apps in one group, the last added first in the sidebar's order;
    // none when the delegate has no store.
    static QList<std::shared_ptr<Product>> addApps(DesktopAppDelegate &delegate)
    {
        ManagedObjectContext *context = delegate.managedObjectContext();
        if (!context)
            return {};
        QList<std::shared_ptr<Product>> apps;
        auto group = context->insertNewObject<AppGroup>(QStringLiteral("AppGroup"));
        for (int i = 0; i < 3; ++i) {
            apps << context->insertNewObject<Product>(QStringLiteral("App"));
            apps[i]->setIdentifier(QString::number(100 + i));
            apps[i]->setTitle(QStringLiteral("App %1").arg(i));
            apps[i]->setSortIndex(2 - i);
            apps[i]->setParent(group);
        }
        return context->save() ? apps : QList<std::shared_ptr<Product>>();
    }

    // The sidebar of the window the delegate builds now.
    static MainOutlineViewController *sidebarOf(DesktopAppDelegate &delegate)
    {
        return delegate.mainWindowController() ? delegate.mainOutlineViewController() : nullptr;
    }

private Q_SLOTS:
    // Each case has a store and preferences of its own.
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir_->filePath(QStringLiteral("data"))));
        Presenter::setShared(&presenter_);
    }
    void cleanup() { Presenter::setShared(nullptr); }

    // Opens to the first product in the sidebar's order, then to the one
    // selected when it last closed; every control has a name.
    void opensToTheLastSelectedProductAndNamesEveryControl()
    {
        UserDefaults defaults(dir_->filePath(QStringLiteral("prefs.ini")));
        ObjectID chosen;
        {
            DesktopAppDelegate delegate;
            delegate.setUserDefaults(&defaults);
            const auto apps = addApps(delegate);
            QCOMPARE(apps.size(), 3);
            MainOutlineViewController *sidebar = sidebarOf(delegate);
            QVERIFY(sidebar);
            QTRY_COMPARE(sidebar->selectedProduct(), apps[2]);
            MainWindowController *controller = delegate.mainWindowController();
            controller->showWindow(true);
            MainWindow *window = controller->window();
            QVERIFY(QTest::qWaitForWindowExposed(window));

            QCOMPARE(unnamedControls(window), QString());
            controller->action(QStringLiteral("showRatingsAction"))->trigger();
            QCOMPARE(unnamedControls(window), QString());

            SearchPopoverViewController *search = delegate.searchPopoverViewController();
            search->showPopoverForView(sidebar->showSearchPopoverButton());
            QTRY_VERIFY(search->popover() && search->popover()->isVisible());
            QCOMPARE(unnamedControls(search->popover()), QString());
            search->popover()->close();

            controller->showPreferencesAction();
            PreferencesPopoverViewController *preferences =
                delegate.preferencesPopoverViewController();
            QTRY_VERIFY(preferences->popover() && preferences->popover()->isVisible());
            QCOMPARE(unnamedControls(preferences->popover()), QString());
            preferences->popover()->close();

            chosen = apps[1]->objectID();
            sidebar->selectProduct(apps[1]);
        }
        DesktopAppDelegate delegate;
        delegate.setUserDefaults(&defaults);
        MainOutlineViewController *sidebar = sidebarOf(delegate);
        QVERIFY(sidebar);
        QTRY_VERIFY(sidebar->selectedProduct());
        QCOMPARE(sidebar->selectedProduct()->objectID(), chosen);
    }

    // A notification follows the preferences, and a click on it selects the
    // first of its products that still exists; without a service it is
    // logged.
    void notificationsFollowThePreferencesAndSelectTheirProduct()
    {
        PrivateBus bus;
        if (!bus.isRunning())
            QSKIP("dbus-daemon is not available");
        UserNotifier notifier;
        notifier.setBusAddress(bus.address());
        QSignalSpy delivered(&notifier, &UserNotifier::delivered);
        UserDefaults defaults(dir_->filePath(QStringLiteral("prefs.ini")));
        DesktopAppDelegate delegate;
        delegate.setUserDefaults(&defaults);
        delegate.setUserNotifier(&notifier);
        const auto apps = addApps(delegate);
        QCOMPARE(apps.size(), 3);
        MainOutlineViewController *sidebar = sidebarOf(delegate);
        QVERIFY(sidebar);
        QTRY_COMPARE(sidebar->selectedProduct(), apps[2]);
        // The deleted product is passed over for the next one.
        const QVariantMap info {{QStringLiteral("productIDs"),
            QVariantList {QVariant::fromValue(apps[1]->objectID()),
                QVariant::fromValue(apps[0]->objectID())}}};
        ManagedObjectContext *context = delegate.managedObjectContext();
        context->deleteObject(apps[1]);
        QVERIFY(context->save());
        {
            NotificationServiceStub service;
            QVERIFY(service.registerOn(bus.address()));
            defaults.setBool(false, "ShowNotifications");
            delegate.notifyWithTitle("ReviewKeeper", "You have 2 new reviews.", {}, info);
            defaults.setBool(true, "ShowNotifications");
            defaults.setBool(false, "PlayNotificationSound");
            delegate.notifyWithTitle(
                "ReviewKeeper", "You have 3 new reviews.", "Weather Pro", info);
            QTRY_COMPARE(delivered.size(), 1);
            QCOMPARE(service.calls.size(), 1);
            QCOMPARE(service.calls[0].summary, QStringLiteral("ReviewKeeper"));
            QCOMPARE(service.calls[0].body, QStringLiteral("You have 3 new reviews.\nWeather Pro"));
            QVERIFY(!service.calls[0].hints.contains("sound-name"));
            QCOMPARE(service.calls[0].actions.value(0), QStringLiteral("default"));
            QCOMPARE(service.calls[0].replacesId, 0u);

            // A newer one replaces it instead of stacking up.
            defaults.setBool(true, "PlayNotificationSound");
            delegate.notifyWithTitle("ReviewKeeper", "You have 4 new reviews.", {}, info);
            QTRY_COMPARE(delivered.size(), 2);
            const uint shown = delivered[1][0].toUInt();
            QCOMPARE(service.calls[1].replacesId, delivered[0][0].toUInt());
            QCOMPARE(service.calls[1].body, QStringLiteral("You have 4 new reviews."));
            QVERIFY(service.calls[1].hints.contains("sound-name"));

            // Another client's notification is not ours to act on.
            service.invokeAction(shown + 100, QStringLiteral("default"));
            QTest::qWait(100);
            QCOMPARE(sidebar->selectedProduct(), apps[2]);
            service.invokeAction(shown, QStringLiteral("default"));
            QTRY_COMPARE(sidebar->selectedProduct(), apps[0]);
            QVERIFY(delegate.mainWindowController()->window()->isVisible());

            // Once closed, the next notification starts afresh.
            service.closeNotification(shown);
            QTest::qWait(100);
            delegate.notifyWithTitle(QStringLiteral("ReviewKeeper"), QStringLiteral("Again."));
            QTRY_COMPARE(service.calls.size(), 3);
            QCOMPARE(service.calls[2].replacesId, 0u);
        }
        QSignalSpy failed(&notifier, &UserNotifier::failed);
        LogCapture log;
        delegate.notifyWithTitle("ReviewKeeper", "You have 5 new reviews.");
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(
            log.matching("new reviews"), QStringList {"ReviewKeeper: You have 5 new reviews."});
    }
};

RK_TEST_GUI_MAIN(WindowTest)
#include "tst_window.moc"
