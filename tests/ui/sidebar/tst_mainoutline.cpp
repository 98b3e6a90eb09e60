#include "LocalHttpServer.h"
#include "model/AppGroup.h"
#include "model/BookGroup.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "support/RecordingPresenter.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/sidebar/MainOutlineViewController.h"
#include "ui/sidebar/OutlineView.h"
#include "ui/sidebar/OutlineViewState.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/SidebarItemModel.h"
#include "ui/sidebar/TreeNode.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

// A store with an app group of `apps` products and, when `books` > 0, a book
// group after it; the sidebar over it with its own preferences.
struct Sidebar {
    StoreFixture store;
    QTemporaryDir prefsDir;
    std::unique_ptr<UserDefaults> defaults;
    RecordingPresenter presenter;
    std::shared_ptr<AppGroup> appGroup;
    std::shared_ptr<BookGroup> bookGroup;
    QList<std::shared_ptr<Product>> apps;
    QList<std::shared_ptr<Product>> books;
    std::unique_ptr<MainOutlineViewController> controller;
    std::unique_ptr<QAbstractItemModelTester> tester;

    Sidebar(int appCount, int bookCount)
    {
        defaults = std::make_unique<UserDefaults>(prefsDir.filePath(QStringLiteral("prefs.ini")));
        appGroup = store.context->insertNewObject<AppGroup>(QStringLiteral("AppGroup"));
        appGroup->setSortIndex(0);
        for (int i = 0; i < appCount; ++i) {
            auto app = store.app(QString::number(100 + i));
            app->setTitle(QStringLiteral("App %1").arg(i));
            app->setSortIndex(i);
            app->setParent(appGroup);
            app->setValue(QStringLiteral("jsonData"),
                QVariantMap {{QStringLiteral("trackViewUrl"),
                    QStringLiteral("https://apps.example.com/us/app/app-%1/id%2")
                        .arg(i)
                        .arg(100 + i)}});
            apps << app;
        }
        if (bookCount > 0) {
            bookGroup = store.context->insertNewObject<BookGroup>(QStringLiteral("BookGroup"));
            bookGroup->setSortIndex(1);
            for (int i = 0; i < bookCount; ++i) {
                auto book = store.context->insertNewObject<Product>(QStringLiteral("Book"));
                book->setValue(QStringLiteral("identifier"), QString::number(200 + i));
                book->setTitle(QStringLiteral("Book %1").arg(i));
                book->setSortIndex(i);
                book->setParent(bookGroup);
                books << book;
            }
        }
        if (!store.context->save())
            qFatal("fixture save failed");
        open();
    }

    void open()
    {
        tester.reset();
        controller =
            std::make_unique<MainOutlineViewController>(*store.context, *defaults, presenter);
        tester = std::make_unique<QAbstractItemModelTester>(
            controller->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    QModelIndex indexOf(const std::shared_ptr<BaseNode> &object) const
    {
        TreeNode *node = controller->treeController()->nodeForObject(object);
        return node ? controller->model()->indexForNode(node) : QModelIndex();
    }

    QModelIndex indexAt(const IndexPath &path) const
    {
        return controller->model()->indexForNode(
            controller->treeController()->nodeAtIndexPath(path));
    }

    std::shared_ptr<Product> product(const QString &name) const
    {
        for (const auto &product : apps + books)
            if (product->title() == name)
                return product;
        return nullptr;
    }

    void selectInView(const std::shared_ptr<BaseNode> &object)
    {
        controller->outlineView()->selectionModel()->select(
            indexOf(object), QItemSelectionModel::ClearAndSelect);
    }

    QVariantMap savedState() const
    {
        return OutlineViewState(*defaults, MainOutlineViewController::AutosaveName)
            .mutablePrefDictionary();
    }
};

int groupCount(ManagedObjectContext &context)
{
    return int(context.countForFetchRequest(FetchRequest(QStringLiteral("Group"))));
}

} // namespace

class MainOutlineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { NotificationCenter::defaultCenter(); }

    void deletionMovesSelectionAbove_data()
    {
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QString>("selectedAfter");
        QTest::addColumn<int>("groupsAfter");
        QTest::newRow("first app: not onto its group") << "App 0"
                                                       << "" << 2;
        QTest::newRow("middle app") << "App 1"
                                    << "App 0" << 2;
        QTest::newRow("last app") << "App 2"
                                  << "App 1" << 2;
        QTest::newRow("only book: group goes, not onto the app above") << "Book 0"
                                                                       << "" << 1;
    }
    void deletionMovesSelectionAbove()
    {
        QFETCH(QString, deleted);
        QFETCH(QString, selectedAfter);
        QFETCH(int, groupsAfter);
        Sidebar sidebar(3, 1);
        sidebar.defaults->setBool(true, MainOutlineViewController::DeleteProductAlertSuppress);
        const auto doomed = sidebar.product(deleted);
        const QString doomedUuid = doomed->uuid();
        const QString bookGroupUuid = sidebar.bookGroup->uuid();
        sidebar.selectInView(doomed);
        QCOMPARE(sidebar.controller->selectedProduct(), doomed);
        QVERIFY(sidebar.savedState().contains(doomedUuid));

        sidebar.controller->performAction(QStringLiteral("delete"), {});

        QVERIFY(sidebar.presenter.alerts.isEmpty());
        QVERIFY(doomed->isDeleted());
        QCOMPARE(groupCount(*sidebar.store.context), groupsAfter);
        QVERIFY(!sidebar.store.context->hasChanges());
        const auto selected = sidebar.controller->selectedProduct();
        QCOMPARE(selected ? selected->title() : QString(), selectedAfter);
        // Nothing selected is a group, in the controller or the view.
        for (const TreeObject &object : sidebar.controller->treeController()->selectedObjects())
            QVERIFY(!BaseNodeTreeAccessor::node(object)->isGroupRowStyle().value_or(false));
        QCOMPARE(sidebar.controller->outlineView()->selectionModel()->selectedRows().size(),
            selectedAfter.isEmpty() ? 0 : 1);
        QCOMPARE(sidebar.controller->model()->rowCount(), groupsAfter);
        // The clean-up dropped the entries of what is gone.
        QVERIFY(!sidebar.savedState().contains(doomedUuid));
        if (groupsAfter == 1)
            QVERIFY(!sidebar.savedState().contains(bookGroupUuid));
    }

    void deleteAlertAndSuppression_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("deletes");
        QTest::newRow("delete") << 0 << false << true;
        QTest::newRow("cancel") << 1 << false << false;
        QTest::newRow("cancel with the box ticked") << 1 << true << false;
        QTest::newRow("delete with the box ticked") << 0 << true << true;
    }
    void deleteAlertAndSuppression()
    {
        QFETCH(int, button);
        QFETCH(bool, checked);
        QFETCH(bool, deletes);
        Sidebar sidebar(2, 0);
        sidebar.presenter.response = {button, checked};
        sidebar.selectInView(sidebar.apps[1]);
        sidebar.controller->deleteAction();
        QCOMPARE(sidebar.presenter.alerts.size(), 1);
        const Alert alert = sidebar.presenter.alerts.first();
        QCOMPARE(alert.messageText, QString("Are you sure you want to delete “App 1”?"));
        QCOMPARE(alert.informativeText, QString("You can’t undo this action."));
        QCOMPARE(alert.buttons, (QStringList {"Delete", "Cancel"}));
        QVERIFY(alert.showsSuppressionButton);
        // The answer arrives on a later turn of the event loop.
        QVERIFY(!sidebar.apps[1]->isDeleted());
        QCoreApplication::processEvents();
        QCOMPARE(sidebar.apps[1]->isDeleted(), deletes);
        QCOMPARE(
            sidebar.defaults->boolForKey(MainOutlineViewController::DeleteProductAlertSuppress),
            checked);

        // The next deletion asks only when the box was left clear.
        sidebar.presenter.response = {1, checked};
        sidebar.selectInView(sidebar.apps[0]);
        sidebar.controller->deleteAction();
        QCOMPARE(sidebar.presenter.alerts.size(), checked ? 1 : 2);
        QCoreApplication::processEvents();
        QCOMPARE(sidebar.apps[0]->isDeleted(), checked);
    }

    void keysDelete_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("asks");
        QTest::newRow("delete") << int(Qt::Key_Delete) << true;
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << true;
        QTest::newRow("letter") << int(Qt::Key_A) << false;
        QTest::newRow("arrow") << int(Qt::Key_Up) << false;
    }
    void keysDelete()
    {
        QFETCH(int, key);
        QFETCH(bool, asks);
        Sidebar sidebar(2, 0);
        sidebar.presenter.response = {1, false};
        sidebar.selectInView(sidebar.apps[1]);
        QTest::keyClick(sidebar.controller->outlineView(), Qt::Key(key));
        QCOMPARE(sidebar.presenter.alerts.size(), asks ? 1 : 0);
    }

    void deleteWithoutObjectsIsLogged()
    {
        Sidebar sidebar(1, 0);
        LogCapture log;
        QVERIFY(!sidebar.controller->validateAction(QStringLiteral("delete"), nullptr));
        sidebar.controller->deleteAction();
        QVERIFY(sidebar.presenter.alerts.isEmpty());
        QCOMPARE(log.matching(QStringLiteral("No objects to delete found!")).size(), 1);
    }

    void dragAndDrop_data()
    {
        QTest::addColumn<QList<int>>("dragged");
        QTest::addColumn<QList<int>>("parent"); // empty: the top level
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("order"); // titles of the flattened tree afterwards
        const QStringList unchanged {"Apps", "App 0", "App 1", "App 2", "Books", "Book 0"};
        QTest::newRow("product among its siblings")
            << QList<int> {0, 2} << QList<int> {0} << 0 << true
            << QStringList {"Apps", "App 2", "App 0", "App 1", "Books", "Book 0"};
        QTest::newRow("groups reordered")
            << QList<int> {1} << QList<int> {} << 0 << true
            << QStringList {"Books", "Book 0", "Apps", "App 0", "App 1", "App 2"};
        QTest::newRow("product into another kind's group")
            << QList<int> {0, 0} << QList<int> {1} << 0 << false << unchanged;
        QTest::newRow("product to the top level")
            << QList<int> {0, 0} << QList<int> {} << 0 << false << unchanged;
        QTest::newRow("group into a group")
            << QList<int> {0} << QList<int> {1} << 0 << false << unchanged;
        QTest::newRow("group into itself")
            << QList<int> {0} << QList<int> {0} << 1 << false << unchanged;
        QTest::newRow("onto a product rather than between rows")
            << QList<int> {0, 0} << QList<int> {0, 1} << -1 << false << unchanged;
        QTest::newRow("onto its own group rather than between rows")
            << QList<int> {0, 0} << QList<int> {0} << -1 << false << unchanged;
    }
    void dragAndDrop()
    {
        QFETCH(QList<int>, dragged);
        QFETCH(QList<int>, parent);
        QFETCH(int, row);
        QFETCH(bool, accepted);
        QFETCH(QStringList, order);
        Sidebar sidebar(3, 1);
        sidebar.appGroup->setTitle(QStringLiteral("Apps"));
        sidebar.bookGroup->setTitle(QStringLiteral("Books"));
        QVERIFY(sidebar.store.context->save());
        SidebarItemModel *model = sidebar.controller->model();

        std::unique_ptr<QMimeData> data(model->mimeData({sidebar.indexAt(IndexPath(dragged))}));
        QVERIFY(data);
        QVERIFY(data->hasFormat(SidebarItemModel::ProductNodesPBoardType));
        const QModelIndex target =
            parent.isEmpty() ? QModelIndex() : sidebar.indexAt(IndexPath(parent));
        QCOMPARE(model->canDropMimeData(data.get(), Qt::MoveAction, row, 0, target), accepted);
        QCOMPARE(model->dropMimeData(data.get(), Qt::MoveAction, row, 0, target), accepted);

        QStringList titles;
        for (const TreeObject &object : sidebar.controller->treeController()->flattenedObjects())
            titles << BaseNodeTreeAccessor::node(object)->title();
        QCOMPARE(titles, order);
        // The new order is saved, numbered from 0 in every sibling list.
        QVERIFY(!sidebar.store.context->hasChanges());
        for (TreeNode *node : sidebar.controller->treeController()->flattenedNodes()) {
            const auto record = BaseNodeTreeAccessor::node(node->representedObject());
            QCOMPARE(record->sortIndex().value_or(-1), qint64(node->row()));
        }
    }

    void foreignDropsAreRefused()
    {
        Sidebar sidebar(2, 0);
        SidebarItemModel *model = sidebar.controller->model();
        QMimeData foreign;
        foreign.setData(SidebarItemModel::ProductNodesPBoardType, QByteArray());
        QVERIFY(!model->canDropMimeData(&foreign, Qt::MoveAction, 0, 0, sidebar.indexAt({0})));
        // A drag that started here but whose tree was rebuilt meanwhile.
        std::unique_ptr<QMimeData> data(model->mimeData({sidebar.indexAt({0, 1})}));
        sidebar.controller->treeController()->rearrangeObjects();
        QVERIFY(!model->dropMimeData(data.get(), Qt::MoveAction, 0, 0, sidebar.indexAt({0})));
    }

    void stateRestoredAfterRestart()
    {
        Sidebar sidebar(2, 2);
        OutlineView *view = sidebar.controller->outlineView();
        // An empty saved state opens every group.
        QVERIFY(view->isExpanded(sidebar.indexOf(sidebar.appGroup)));
        QVERIFY(view->isExpanded(sidebar.indexOf(sidebar.bookGroup)));
        view->collapse(sidebar.indexOf(sidebar.appGroup));
        sidebar.selectInView(sidebar.books[1]);
        QVERIFY(sidebar.defaults->synchronize());

        // Quit, and start again over the same store and preference file.
        sidebar.controller.reset();
        sidebar.defaults =
            std::make_unique<UserDefaults>(sidebar.prefsDir.filePath(QStringLiteral("prefs.ini")));
        QSignalSpy posted(sidebar.defaults.get(), &UserDefaults::valueChanged);
        sidebar.open();
        view = sidebar.controller->outlineView();
        QVERIFY(!view->isExpanded(sidebar.indexOf(sidebar.appGroup)));
        QVERIFY(view->isExpanded(sidebar.indexOf(sidebar.bookGroup)));
        QTRY_COMPARE(sidebar.controller->selectedProduct(), sidebar.books[1]);
        QCOMPARE(view->selectionModel()->selectedRows(),
            QModelIndexList {sidebar.indexOf(sidebar.books[1])});
        const QVariantMap state = sidebar.savedState();
        QVERIFY(OutlineViewState::entryHas(state, sidebar.books[1]->uuid(), "selected"));
        QVERIFY(!OutlineViewState::entryHas(state, sidebar.appGroup->uuid(), "expanded"));

        // A product added later does not select or expand anything again.
        sidebar.controller->reloadContent();
        QCOMPARE(sidebar.controller->selectedProduct(), sidebar.books[1]);
    }

    void cleanupOnDeactivationKeepsStoredRows()
    {
        Sidebar sidebar(1, 0);
        QVariantMap state = sidebar.savedState();
        state.insert(QStringLiteral("NOT-A-NODE"), QVariantMap {{"expanded", true}});
        OutlineViewState(*sidebar.defaults, MainOutlineViewController::AutosaveName)
            .savePrefDictionary(state);
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!sidebar.savedState().contains(QStringLiteral("NOT-A-NODE")));
        QVERIFY(sidebar.savedState().contains(sidebar.appGroup->uuid()));
    }

    void selectionPostsAndSwitchesToReviews_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("switches");
        QTest::newRow("app keeps the view") << "App 0" << false;
        QTest::newRow("book shows reviews") << "Book 0" << true;
    }
    void selectionPostsAndSwitchesToReviews()
    {
        QFETCH(QString, selected);
        QFETCH(bool, switches);
        Sidebar sidebar(1, 1);
        int posts = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(
            kMainOutlineViewSelectionDidChange, &observer, [&](const Notification &) { ++posts; });
        QSignalSpy actions(
            sidebar.controller.get(), &MainOutlineViewController::sendActionRequested);
        sidebar.selectInView(sidebar.product(selected));
        QCOMPARE(posts, 1);
        QCOMPARE(sidebar.controller->selectedProduct(), sidebar.product(selected));
        QCOMPARE(actions.size(), switches ? 1 : 0);
        if (switches) {
            QCOMPARE(actions.first().at(0).toString(), QString("changeViewControllerAction"));
            QCOMPARE(actions.first().at(1).toInt(), 0);
        }
        // Clearing the selection posts again and shows reviews.
        sidebar.controller->treeController()->selectNone();
        QCOMPARE(posts, 2);
        QCOMPARE(actions.size(), switches ? 2 : 1);
    }

    void notificationAddsProducts_data()
    {
        QTest::addColumn<QVariantList>("results");
        QTest::addColumn<QStringList>("order");
        const auto result = [](qint64 id, const char *kind, const char *name) {
            return QVariantMap {{"trackId", id}, {"kind", kind}, {"trackName", name}};
        };
        QTest::newRow("an app and the first book")
            << QVariantList {result(900, "software", "New App"), result(901, "ebook", "New Book")}
            << QStringList {"App 0", "App 1", "New App", "New Book"};
        QTest::newRow("already stored: nothing")
            << QVariantList {result(100, "software", "Again")} << QStringList {"App 0", "App 1"};
        QTest::newRow("unknown kind skipped") << QVariantList {result(902, "feature-movie", "Film"),
            result(903, "mac-software", "Mac App")}
                                              << QStringList {"App 0", "App 1", "Mac App"};
    }
    void notificationAddsProducts()
    {
        QFETCH(QVariantList, results);
        QFETCH(QStringList, order);
        Sidebar sidebar(2, 0);
        int added = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(
            kNewProductsAddedNotification, &observer, [&](const Notification &) { ++added; });
        NotificationCenter::defaultCenter().post(
            kAddProductsForResultsNotification, this, {{"results", results}});
        QStringList titles;
        for (const TreeObject &object : sidebar.controller->treeController()->flattenedObjects()) {
            const auto node = BaseNodeTreeAccessor::node(object);
            if (!node->isGroupRowStyle().value_or(false))
                titles << node->title();
            else
                QVERIFY(sidebar.controller->outlineView()->isExpanded(sidebar.indexOf(node)));
        }
        QCOMPARE(titles, order);
        QCOMPARE(added, order.size() > 2 ? 1 : 0);
        QVERIFY(!sidebar.store.context->hasChanges());
    }

    void contextMenu()
    {
        Sidebar sidebar(1, 0);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QList<QUrl> opened;
        UrlOpener::setHandler([&](const QUrl &url) {
            opened << url;
            return true;
        });
        auto review = StoreFixture::review(*sidebar.store.context, sidebar.apps[0], "r1", "DE");
        QVERIFY(sidebar.store.context->save());
        QMenu *menu = sidebar.controller->contextMenu();
        QCOMPARE(menu->objectName(), QString("ProductContextMenu"));

        sidebar.controller->menuNeedsUpdate(menu, sidebar.indexOf(sidebar.appGroup));
        QVERIFY(menu->isEmpty());
        sidebar.controller->menuNeedsUpdate(menu, sidebar.indexOf(sidebar.apps[0]));
        QStringList titles;
        for (QAction *item : menu->actions())
            titles << (item->isSeparator() ? QString("-") : item->text());
        QCOMPARE(titles,
            (QStringList {"Mark All Reviews as Read", "Mark All Reviews as Unread", "-",
                "Open in Browser", "-", "Update Reviews & Ratings", "Reload Product Details", "-",
                "Delete “App 0”"}));

        menu->actions().at(0)->trigger();
        QCOMPARE(review->read(), std::optional<bool>(true));
        QVERIFY(!sidebar.store.context->hasChanges());
        menu->actions().at(1)->trigger();
        QCOMPARE(review->read(), std::optional<bool>(false));

        menu->actions().at(3)->trigger();
        QCOMPARE(opened, QList<QUrl> {QUrl("https://apps.example.com/de/app/app-0/id100")});

        // An address of another scheme from the store is not opened.
        sidebar.apps[0]->setValue(
            QStringLiteral("jsonData"), QVariantMap {{"trackViewUrl", "file:///us/etc/passwd"}});
        menu->actions().at(3)->trigger();
        QCOMPARE(opened.size(), 1);

        QSignalSpy actions(
            sidebar.controller.get(), &MainOutlineViewController::sendActionRequested);
        menu->actions().at(5)->trigger();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first().at(0).toString(), QString("performLoadAction"));
        QCOMPARE(actions.first()
                     .at(1)
                     .value<QObject *>()
                     ->property("representedObject")
                     .value<ManagedObjectPtr>(),
            ManagedObjectPtr(sidebar.apps[0]));
        UrlOpener::setHandler({});
        QLocale::setDefault(QLocale::c());
    }

    // Rows follow what reaches the store elsewhere (an update, the companion).
    void followsStoreChanges()
    {
        Sidebar sidebar(1, 0);
        SidebarItemModel *model = sidebar.controller->model();
        sidebar.selectInView(sidebar.apps[0]);
        auto review = StoreFixture::review(*sidebar.store.context, sidebar.apps[0], "r1", "DE");
        review->setRead(false);
        QVERIFY(sidebar.store.context->save());
        QTRY_COMPARE(
            model->data(sidebar.indexOf(sidebar.apps[0]), TreeItemModel::UnreadCountRole).toInt(),
            1);
        QCOMPARE(model->data(sidebar.indexOf(sidebar.apps[0]), Qt::AccessibleTextRole).toString(),
            QString("App 0, 1 unread"));

        auto added = sidebar.store.app(QStringLiteral("150"));
        added->setTitle(QStringLiteral("Elsewhere"));
        added->setSortIndex(5);
        added->setParent(sidebar.appGroup);
        QVERIFY(sidebar.store.context->save());
        QTRY_COMPARE(model->rowCount(sidebar.indexOf(sidebar.appGroup)), 2);
        // The rebuilt tree keeps the selection and the open group.
        QCOMPARE(sidebar.controller->selectedProduct(), sidebar.apps[0]);
        QVERIFY(sidebar.controller->outlineView()->isExpanded(sidebar.indexOf(sidebar.appGroup)));
    }

    void reloadProductDetails_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("errors");
        QTest::newRow("answer") << 200 << "Renamed" << 0;
        QTest::newRow("server error is shown, nothing changes") << 500 << "App 0" << 1;
    }
    void reloadProductDetails()
    {
        QFETCH(int, status);
        QFETCH(QString, title);
        QFETCH(int, errors);
        Sidebar sidebar(1, 0);
        LocalHttpServer server;
        QVERIFY(server.listen());
        UserDefaults::standard().setString(server.rootURL(), QStringLiteral("StoreRootURL"));
        const QByteArray answer = R"({"resultCount":1,"results":[{"trackId":100,"kind":"software",
            "trackName":"Renamed","version":"2.0","currentVersionReleaseDate":"2024-01-02T03:04:05Z"}]})";
        server.route(QStringLiteral("/lookup"),
            status == 200 ? LocalHttpServer::Response::ok(answer, "text/javascript")
                          : LocalHttpServer::Response::withStatus(status));

        QMenu *menu = sidebar.controller->contextMenu();
        sidebar.controller->menuNeedsUpdate(menu, sidebar.indexOf(sidebar.apps[0]));
        menu->findChild<QAction *>(QStringLiteral("reloadProductAction"))->trigger();
        QTRY_COMPARE(server.requestsFor(QStringLiteral("/lookup")).size(), 1);
        QTRY_COMPARE(sidebar.apps[0]->title(), title);
        QTRY_COMPARE(sidebar.presenter.errors.size(), errors);
        if (errors == 0) {
            QCOMPARE(sidebar.apps[0]->currentVersion(), QString("2.0"));
            QVERIFY(sidebar.apps[0]->dateUpdated().isValid());
            QCOMPARE(sidebar.apps[0]->currentVersionReleaseDate(),
                QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC));
        }
        UserDefaults::standard().removeObjectForKey(QStringLiteral("StoreRootURL"));
    }

    void placeholderFollowsPalette_data()
    {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(30, 30, 30) << QColor(Qt::white);
    }
    void placeholderFollowsPalette()
    {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        Sidebar sidebar(1, 0);
        OutlineView *view = sidebar.controller->outlineView();
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, text);
        view->setPalette(palette);
        view->resize(240, 120);
        const QImage shot = view->viewport()->grab().toImage();
        const QRect row = view->visualRect(sidebar.indexOf(sidebar.apps[0]));
        // The artwork placeholder is drawn in the text colour, whatever the base.
        int closest = 255 * 3;
        for (int y = row.top(); y <= row.bottom(); ++y) {
            for (int x = row.left(); x < row.left() + 24; ++x) {
                const QColor pixel = shot.pixelColor(x, y);
                closest = std::min(closest,
                    std::abs(pixel.red() - text.red()) + std::abs(pixel.green() - text.green())
                        + std::abs(pixel.blue() - text.blue()));
            }
        }
        QVERIFY2(closest < 60, qPrintable(QString::number(closest)));
    }

    void addButton()
    {
        Sidebar sidebar(1, 0);
        QSignalSpy shown(
            sidebar.controller.get(), &MainOutlineViewController::showSearchPopoverRequested);
        sidebar.controller->showSearchPopoverButton()->click();
        QCOMPARE(shown.size(), 1);
        QVERIFY(!sidebar.controller->showSearchPopoverButton()->accessibleName().isEmpty());
        QVERIFY(sidebar.controller->respondsToAction(QStringLiteral("showSearchPopoverAction")));
    }
};

RK_TEST_GUI_MAIN(MainOutlineTest)
#include "tst_mainoutline.moc"
