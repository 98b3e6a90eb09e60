#include "support/UiRecorders.h"
#include "support/UpdateFixture.h"

#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "ui/sidebar/BaseNodeTreeAccessor.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/widgets/ZQSpinningProgressIndicator.h"
#include "ui/window/HostViewController.h"
#include "ui/window/MainWindow.h"
#include "ui/window/MainWindowController.h"
#include "ui/window/MessageBoxPresenter.h"
#include "update/UpdateController.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kSelectedMainView = QStringLiteral("SelectedMainView");
const QString kSuppress = QStringLiteral("RateLimitExceededSuppress");

// Takes the actions it is given and records those performed, in order.
class RecordingResponder : public ActionResponder {
public:
    explicit RecordingResponder(QStringList actions) : actions_(std::move(actions)) { }
    bool respondsToAction(const QString &action) const override
    {
        return actions_.contains(action);
    }
    void performAction(const QString &action, const QVariant &) override { performed << action; }
    QStringList performed;

private:
    QStringList actions_;
};

// The content host with placeholder pages, its engine and the sidebar's
// tree over one app and one book.
struct HostFixture {
    StoreFixture store;
    UserDefaults defaults {store.dir.filePath("prefs.ini")};
    RecordingServices services;
    RecordingPresenter presenter;
    HostViewController host {&defaults};
    UpdateController engine {services, host};
    QWidget reviews, ratings;
    RecordingResponder reviewActions {{"performFindPanelAction"}};
    RecordingResponder ratingsActions {{"copy"}};
    BaseNodeTreeAccessor accessor;
    QXTreeController tree {&accessor};
    std::shared_ptr<App> app;
    std::shared_ptr<Product> book;
    QList<const void *> shownViews;

    HostFixture()
    {
        services.context = store.context.get();
        engine.setUserDefaults(&defaults);
        host.setUpdateController(&engine);
        host.setPresenter(&presenter);
        host.setTreeController(&tree);
        host.setReviewController(&reviews, &reviewActions);
        host.setRatingsViewController(&ratings, &ratingsActions);
        app = store.app("1");
        book = store.context->insertNewObject<Product>("Book");
        store.context->save();
        tree.setContent({BaseNodeTreeAccessor::object(app), BaseNodeTreeAccessor::object(book)});
        NotificationCenter::defaultCenter().addObserver(kViewControllerDidChangeNotification, &host,
            [this](const Notification &note) { shownViews << note.object; });
    }
    ~HostFixture()
    {
        // The pages belong to the fixture, not to the host's view.
        reviews.setParent(nullptr);
        ratings.setParent(nullptr);
    }

    void select(const std::shared_ptr<Product> &product)
    {
        if (product)
            tree.setSelectedObject(BaseNodeTreeAccessor::object(product));
        else
            tree.selectNone();
    }
};

} // namespace

class HostViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The page shown follows the sender, is stored and announced.
    void viewSwitch_data()
    {
        QTest::addColumn<QVariant>("sender");
        QTest::addColumn<int>("expected"); // -1: refused and logged
        const auto item = [this](int tag) {
            auto *action = new QAction(this);
            action->setData(tag);
            return QVariant::fromValue<QObject *>(action);
        };
        QTest::newRow("menu item tag 1") << item(1) << 1;
        QTest::newRow("number 1") << QVariant(1) << 1;
        QTest::newRow("number 2 refused") << QVariant(2) << -1;
    }
    void viewSwitch()
    {
        QFETCH(QVariant, sender);
        QFETCH(int, expected);
        HostFixture fixture;
        HostViewController &host = fixture.host;
        fixture.defaults.setInteger(1, kSelectedMainView);
        host.viewDidLoad();
        QCOMPARE(host.currentView(), &fixture.ratings);
        // Start from the other page than the one asked for.
        const int start = expected == 1 ? 0 : 1;
        host.changeViewControllerAction(start);
        fixture.shownViews.clear();
        LogCapture log;
        host.performAction("changeViewControllerAction", sender);

        const int shown = expected < 0 ? start : expected;
        QCOMPARE(host.currentView(), shown == 0 ? &fixture.reviews : &fixture.ratings);
        QVERIFY(host.currentView()->isVisibleTo(host.view()));
        QCOMPARE(fixture.shownViews,
            expected < 0 ? QList<const void *>() : QList<const void *> {host.currentView()});
        const QString refusal = "Invalid selection for controller: " + sender.toString();
        QCOMPARE(log.matching(refusal).size(), expected < 0 ? 1 : 0);
        QCOMPARE(fixture.defaults.integerForKey(kSelectedMainView), qint64(shown));
    }

    // Leaving the app for a book or for nothing sends the ratings page back
    // to the reviews, which is then the only page its menu item enables.
    void viewMenuItems_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<int>("page");
        QTest::newRow("app, reviews shown") << "app" << 0;
        QTest::newRow("app, ratings shown") << "app" << 1;
        QTest::newRow("book") << "book" << 1;
        QTest::newRow("nothing selected") << "none" << 1;
    }
    void viewMenuItems()
    {
        QFETCH(QString, selection);
        QFETCH(int, page);
        HostFixture fixture;
        fixture.host.viewDidLoad();
        fixture.select(fixture.app);
        fixture.host.changeViewControllerAction(page);
        fixture.select(selection == u"app" ? fixture.app
                : selection == u"book"     ? fixture.book
                                           : nullptr);
        const int shown = selection == u"app" ? page : 0;
        QCOMPARE(fixture.host.currentIndex(), shown);
        QCOMPARE(fixture.defaults.integerForKey(kSelectedMainView), shown);
        QAction reviews, ratings;
        reviews.setData(0);
        ratings.setData(1);
        QVERIFY(fixture.host.validateAction("changeViewControllerAction", &reviews));
        QCOMPARE(fixture.host.validateAction("changeViewControllerAction", &ratings),
            selection == u"app");
        QCOMPARE(reviews.isChecked(), shown == 0);
        QCOMPARE(ratings.isChecked(), shown == 1);
    }

    // Update All is left to the timer, which a new interval starts or stops,
    // unless Ctrl is held; the item must not keep what an earlier pass set.
    void updateAllValidation_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("automatic off") << 0 << false << true;
        QTest::newRow("automatic on") << 3600 << false << false;
        QTest::newRow("automatic on, Ctrl") << 3600 << true << true;
    }
    void updateAllValidation()
    {
        QFETCH(int, interval);
        QFETCH(bool, ctrl);
        QFETCH(bool, enabled);
        HostFixture fixture;
        fixture.defaults.setInteger(interval, "AutomaticUpdateInterval");
        NotificationCenter::defaultCenter().post(kAutoUpdateTimeDidChangeNotification);
        QCOMPARE(fixture.engine.hasAutoUpdateTimer(), interval > 0);
        Qt::KeyboardModifiers held = ctrl ? Qt::NoModifier : Qt::ControlModifier;
        fixture.host.setKeyboardModifiersSource([&held] { return held; });
        const QString title = QStringLiteral("Update All Reviews && Ratings");
        QAction item(title);
        fixture.host.validateAction("performLoadAllAction", &item);
        held = ctrl ? Qt::ControlModifier | Qt::ShiftModifier : Qt::NoModifier;
        QCOMPARE(fixture.host.validateAction("performLoadAllAction", &item), enabled);
        QCOMPARE(item.text(), enabled ? title : title + "\n( will be done automatically )");
        QCOMPARE(item.statusTip().isEmpty(), enabled);
        // Other items are enabled whether an update runs or not.
        QAction load;
        QVERIFY(fixture.host.validateAction("performLoadAction", &load));
        QVERIFY(fixture.host.validateAction("performCancelLoadAction", &load));
    }

    // The rate-limit alert is a window-modal message box on the window; once
    // its box is ticked, it shows no more.
    void rateLimitAlert_data()
    {
        QTest::addColumn<bool>("suppressedBefore");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<int>("alerts");
        QTest::newRow("box left empty: shown every time") << false << false << 2;
        QTest::newRow("box ticked: shown once") << false << true << 1;
        QTest::newRow("suppressed before: never") << true << false << 0;
    }
    void rateLimitAlert()
    {
        QFETCH(bool, suppressedBefore);
        QFETCH(bool, tick);
        QFETCH(int, alerts);
        HostFixture fixture;
        fixture.defaults.setBool(suppressedBefore, kSuppress);
        MessageBoxPresenter boxes;
        QWidget window;
        fixture.host.view()->setParent(&window);
        boxes.setWindow(&window);
        fixture.host.setPresenter(&boxes);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int shown = 0;
        for (int i = 0; i < 2; ++i) {
            NotificationCenter::defaultCenter().post(kRateLimitExceededNotification);
            if (QMessageBox *box = window.findChild<QMessageBox *>()) {
                ++shown;
                QCOMPARE(box->windowModality(), Qt::WindowModal);
                box->checkBox()->setChecked(tick);
                box->buttons().first()->click();
                QVERIFY(waitFor([&] { return !window.findChild<QMessageBox *>(); }));
            }
        }
        QCOMPARE(shown, alerts);
        QCOMPARE(fixture.defaults.boolForKey(kSuppress), suppressedBefore || tick);
        fixture.host.view()->setParent(nullptr);
    }

    void progressStripShowsAndHides()
    {
        HostFixture fixture;
        HostViewController &host = fixture.host;
        QWidget *strip = host.progressView();
        QCOMPARE(strip->maximumHeight(), 0);
        host.showProgressView();
        host.updateProgress("Updating ratings…");
        QCOMPARE(strip->maximumHeight(), HostViewController::progressViewHeight);
        QVERIFY(host.progressIndicator()->isAnimating());
        QCOMPARE(host.progressTextField()->text(), QString("Updating ratings…"));

        host.hideProgressView();
        QVERIFY(host.progressTextField()->text().isEmpty());
        // The spinner stops by fading out.
        QVERIFY(
            host.progressIndicator()->isFadingOut() || !host.progressIndicator()->isAnimating());
        QVERIFY(waitFor([&] { return strip->maximumHeight() == 0; }));

        // A new update while the strip closes opens it again for good.
        host.showProgressView();
        host.hideProgressView();
        host.showProgressView();
        QTest::qWait(HostViewController::progressAnimationMilliseconds + 100);
        QCOMPARE(strip->maximumHeight(), HostViewController::progressViewHeight);
    }

    // The update actions and the view switch are the host's own; other
    // actions go to the page shown.
    void actionsReachThePageShown()
    {
        HostFixture fixture;
        HostViewController &host = fixture.host;
        host.viewDidLoad();
        for (const char *own : {"performLoadAction", "performLoadAllAction",
                 "performCancelLoadAction", "changeViewControllerAction"})
            QVERIFY2(host.respondsToAction(own), own);
        QVERIFY(!host.respondsToAction("copy"));
        host.performAction("performFindPanelAction", {});
        QCOMPARE(fixture.reviewActions.performed, QStringList {"performFindPanelAction"});

        host.changeViewControllerAction(1);
        QVERIFY(!host.respondsToAction("performFindPanelAction"));
        host.performAction("copy", {});
        host.performAction("performFindPanelAction", {});
        QCOMPARE(fixture.ratingsActions.performed, QStringList {"copy"});
        QCOMPARE(fixture.reviewActions.performed.size(), 1);

        // With nothing to update, the actions start nothing.
        host.performAction("performLoadAction", {});
        host.performAction("performCancelLoadAction", {});
        QCOMPARE(fixture.engine.runningUpdates(), 0);
        QCOMPARE(fixture.services.activities, 0);
    }

    // Closing the window asks the delegate, which alone quits, as Quit does.
    void windowShowsItsPartsAndClosingAsksBeforeQuitting()
    {
        MainWindowController controller;
        int asked = 0;
        controller.onQuitRequested = [&] { ++asked; };
        controller.showWindow(true);
        MainWindow *window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->sidebar()->isVisible() && window->prefsButton()->isVisible());
        QVERIFY(window->sidebar()->width() < window->contentHost()->width());
        QStringList menus;
        for (QAction *item : window->menuBar()->actions())
            menus << item->text().remove('&');
        QCOMPARE(menus, (QStringList {"File", "Edit", "View", "Help"}));

        window->close();
        QCOMPARE(asked, 1);
        QVERIFY(window->isVisible());
        controller.action("terminateAction")->trigger();
        QCOMPARE(asked, 2);
    }

    void actionsGoToTheHostFirstThenTheSidebar()
    {
        MainWindowController controller;
        RecordingResponder host({"performLoadAllAction", "delete"});
        RecordingResponder sidebar({"delete", "markAllReadAction"});
        controller.setHostViewController(&host);
        controller.setMainOutlineViewController(&sidebar);
        controller.action("delete")->trigger();
        controller.action("markAllReadAction")->trigger();
        controller.action("performLoadAllAction")->trigger();
        QCOMPARE(host.performed, (QStringList {"delete", "performLoadAllAction"}));
        QCOMPARE(sidebar.performed, QStringList {"markAllReadAction"});
        QVERIFY(!controller.sendAction("performCancelLoadAction"));
    }

    void alertsReportTheButtonAndSuppression()
    {
        MessageBoxPresenter presenter;
        Alert alert;
        alert.buttons = QStringList {"Quit anyway", "Cancel"};
        alert.showsSuppressionButton = true;
        QTimer::singleShot(0, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box && box->buttons().size() == 2);
            box->checkBox()->setChecked(true);
            for (QAbstractButton *button : box->buttons())
                if (button->text() == "Cancel")
                    button->click();
        });
        const AlertResponse response = presenter.runModal(alert);
        QCOMPARE(response.buttonIndex, 1);
        QVERIFY(response.suppressionChecked);
    }
};

RK_TEST_GUI_MAIN(HostViewTest)
#include "tst_hostview.moc"
