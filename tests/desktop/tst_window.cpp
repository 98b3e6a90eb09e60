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
                unnamed << QStringLiteral("%1 %2 in %3")
                               .arg(QString::fromLatin1(widget->metaObject()->className()),
                                   widget->objectName(),
                                   widget->parentWidget() ? QString::fromLatin1(
                                       widget->parentWidget()->metaObject()->className())
                                                          : QString());
        }
        return unnamed.join(QStringLiteral(", "));
    }

    // Three apps in one group, the last added first in the sidebar's order.
    static QList<std::shared_ptr<Product>> addApps(ManagedObjectContext &context)
    {
        QList<std::shared_ptr<Product>> apps;
        auto group = context.insertNewObject<AppGroup>(QStringLiteral("AppGroup"));
        for (int i = 0; i < 3; ++i) {
            auto app = context.insertNewObject<Product>(QStringLiteral("App"));
            app->setIdentifier(QString::number(100 + i));
            app->setTitle(QStringLiteral("App %1").arg(i));
            app->setSortIndex(2 - i);
            app->setParent(group);
            apps << app;
        }
        return context.save() ? apps : QList<std::shared_ptr<Product>>();
    }

private Q_SLOTS:
    void init() { Presenter::setShared(&presenter_); }
    void cleanup() { Presenter::setShared(nullptr); }

    // Opens to the first product in the sidebar's order, then to the one
    // selected when it last closed; every control has a name.
    void opensToTheLastSelectedProductAndNamesEveryControl()
    {
        QTemporaryDir prefsDir;
        UserDefaults defaults(prefsDir.filePath(QStringLiteral("prefs.ini")));
        ObjectID chosen;
        {
            DesktopAppDelegate delegate;
            delegate.setUserDefaults(&defaults);
            QVERIFY(delegate.managedObjectContext());
            const auto apps = addApps(*delegate.managedObjectContext());
            QCOMPARE(apps.size(), 3);
            MainWindowController *controller = delegate.mainWindowController();
            MainOutlineViewController *sidebar = delegate.mainOutlineViewController();
            QVERIFY(controller && sidebar);
            QTRY_VERIFY(sidebar->selectedProduct());
            QCOMPARE(sidebar->selectedProduct()->title(), QStringLiteral("App 2"));
            controller->showWindow(true);
            MainWindow *window = controller->window();
            QVERIFY(QTest::qWaitForWindowExposed(window));

            QVERIFY2(unnamedControls(window).isEmpty(), qPrintable(unnamedControls(window)));
            controller->action(QStringLiteral("showRatingsAction"))->trigger();
            QVERIFY2(unnamedControls(window).isEmpty(), qPrintable(unnamedControls(window)));

            SearchPopoverViewController *search = delegate.searchPopoverViewController();
            search->showPopoverForView(sidebar->showSearchPopoverButton());
            QTRY_VERIFY(search->popover() && search->popover()->isVisible());
            QVERIFY2(unnamedControls(search->popover()).isEmpty(),
                qPrintable(unnamedControls(search->popover())));
            search->popover()->close();

            controller->showPreferencesAction();
            PreferencesPopoverViewController *preferences =
                delegate.preferencesPopoverViewController();
            QTRY_VERIFY(preferences->popover() && preferences->popover()->isVisible());
            QVERIFY2(unnamedControls(preferences->popover()).isEmpty(),
                qPrintable(unnamedControls(preferences->popover())));
            preferences->popover()->close();

            chosen = apps[1]->objectID();
            sidebar->selectProduct(apps[1]);
        }
        DesktopAppDelegate delegate;
        delegate.setUserDefaults(&defaults);
        MainOutlineViewController *sidebar =
            delegate.mainWindowController() ? delegate.mainOutlineViewController() : nullptr;
        QVERIFY(sidebar);
        QTRY_VERIFY(sidebar->selectedProduct());
        QCOMPARE(sidebar->selectedProduct()->objectID(), chosen);
    }
};

RK_TEST_GUI_MAIN(WindowTest)
#include "tst_window.moc"
