#include "desktop/DesktopAppDelegate.h"
#include "model/AppGroup.h"
#include "model/Product.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"
#include "support/RecordingPresenter.h"
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
#include <QTest>
#include <QToolButton>

// The window as the desktop application builds it, over a store that holds
// products: what it opens to, and what a screen reader hears of it.
class WindowTest : public QObject {
    Q_OBJECT

    RecordingPresenter presenter_;
    QTemporaryDir prefsDir_;
    QList<ObjectID> apps_;

    // The controls of `root` that take the keyboard or a click and that a
    // screen reader would announce without a name.
    static QStringList unnamedControls(QWidget *root)
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
                unnamed << QStringLiteral("%1 %2 in %3")
                               .arg(QString::fromLatin1(widget->metaObject()->className()),
                                   widget->objectName(),
                                   widget->parentWidget() ? QString::fromLatin1(
                                       widget->parentWidget()->metaObject()->className())
                                                          : QString());
        }
        return unnamed;
    }

    // Three apps in one group, the last added first in the sidebar's order.
    void addApps(DesktopAppDelegate &delegate)
    {
        ManagedObjectContext *context = delegate.managedObjectContext();
        QVERIFY(context);
        if (!apps_.isEmpty())
            return;
        auto group = context->insertNewObject<AppGroup>(QStringLiteral("AppGroup"));
        for (int i = 0; i < 3; ++i) {
            auto app = context->insertNewObject<Product>(QStringLiteral("App"));
            app->setIdentifier(QString::number(100 + i));
            app->setTitle(QStringLiteral("App %1").arg(i));
            app->setSortIndex(2 - i);
            app->setParent(group);
        }
        QVERIFY(context->save());
        for (const auto &app : context->fetch<Product>(FetchRequest(QStringLiteral("App"))))
            apps_ << app->objectID();
    }

private Q_SLOTS:
    void init() { Presenter::setShared(&presenter_); }
    void cleanup() { Presenter::setShared(nullptr); }

    void opensToTheFirstProductThenToTheOneLastSelected()
    {
        UserDefaults defaults(prefsDir_.filePath(QStringLiteral("prefs.ini")));
        {
            DesktopAppDelegate delegate;
            delegate.setUserDefaults(&defaults);
            addApps(delegate);
            MainOutlineViewController *sidebar =
                delegate.mainWindowController() ? delegate.mainOutlineViewController() : nullptr;
            QVERIFY(sidebar);
            // Nothing saved: the first product in the sidebar's order.
            QTRY_VERIFY(sidebar->selectedProduct());
            QCOMPARE(sidebar->selectedProduct()->title(), QStringLiteral("App 2"));
            sidebar->selectProduct(std::dynamic_pointer_cast<Product>(
                delegate.managedObjectContext()->existingObject(apps_[1])));
        }
        DesktopAppDelegate delegate;
        delegate.setUserDefaults(&defaults);
        MainOutlineViewController *sidebar =
            delegate.mainWindowController() ? delegate.mainOutlineViewController() : nullptr;
        QVERIFY(sidebar);
        QTRY_VERIFY(sidebar->selectedProduct());
        QCOMPARE(sidebar->selectedProduct()->objectID(), apps_[1]);
    }

    void everyControlHasAnAccessibleName()
    {
        UserDefaults defaults(prefsDir_.filePath(QStringLiteral("prefs.ini")));
        DesktopAppDelegate delegate;
        delegate.setUserDefaults(&defaults);
        addApps(delegate);
        MainWindowController *controller = delegate.mainWindowController();
        QVERIFY(controller && delegate.mainOutlineViewController());
        QTRY_VERIFY(delegate.mainOutlineViewController()->selectedProduct());
        controller->showWindow(true);
        MainWindow *window = controller->window();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        QVERIFY2(unnamedControls(window).isEmpty(), qPrintable(unnamedControls(window).join(", ")));
        controller->action(QStringLiteral("showRatingsAction"))->trigger();
        QVERIFY2(unnamedControls(window).isEmpty(), qPrintable(unnamedControls(window).join(", ")));

        SearchPopoverViewController *search = delegate.searchPopoverViewController();
        search->showPopoverForView(delegate.mainOutlineViewController()->showSearchPopoverButton());
        QTRY_VERIFY(search->popover() && search->popover()->isVisible());
        QVERIFY2(unnamedControls(search->popover()).isEmpty(),
            qPrintable(unnamedControls(search->popover()).join(", ")));
        search->popover()->close();

        controller->showPreferencesAction();
        PreferencesPopoverViewController *preferences = delegate.preferencesPopoverViewController();
        QTRY_VERIFY(preferences->popover() && preferences->popover()->isVisible());
        QVERIFY2(unnamedControls(preferences->popover()).isEmpty(),
            qPrintable(unnamedControls(preferences->popover()).join(", ")));
    }
};

RK_TEST_GUI_MAIN(WindowTest)
#include "tst_window.moc"
