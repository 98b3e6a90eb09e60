#include "support/UiRecorders.h"

#include "LocalHttpServer.h"
#include "model/AppGroup.h"
#include "model/BookGroup.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/UserDefaults.h"
#include "ui/sidebar/MainOutlineViewController.h"
#include "ui/sidebar/OutlineView.h"
#include "ui/sidebar/OutlineViewState.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/SidebarItemModel.h"
#include "ui/sidebar/TreeNode.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>

namespace {

// A store with the group "Apps" of `appCount` apps and, when `bookCount` > 0,
// the group "Books" after it; the sidebar over it with its own preferences.
struct Sidebar {
    StoreFixture store;
    QTemporaryDir prefsDir;
    std::unique_ptr<UserDefaults> defaults;
    RecordingPresenter presenter;
    std::shared_ptr<AppGroup> appGroup;
    std::shared_ptr<BookGroup> bookGroup;
    QList<std::shared_ptr<Product>> apps, books;
    std::unique_ptr<MainOutlineViewController> controller;
    std::unique_ptr<QAbstractItemModelTester> tester;

    Sidebar(int appCount, int bookCount)
    {
        appGroup = store.context->insertNewObject<AppGroup>("AppGroup");
        add(appGroup, {}, "Apps", 0);
        for (int i = 0; i < appCount; ++i)
            apps << add(store.app(QString::number(100 + i)), appGroup, QString("App %1").arg(i), i);
        if (bookCount > 0)
            add(bookGroup = store.context->insertNewObject<BookGroup>("BookGroup"), {}, "Books", 1);
        for (int i = 0; i < bookCount; ++i)
            books << add(store.context->insertNewObject<Product>("Book"), bookGroup,
                QString("Book %1").arg(i), i);
        if (!store.context->save())
            qFatal("fixture save failed");
        open();
    }
    template<typename T>
    static std::shared_ptr<T> add(std::shared_ptr<T> node, const std::shared_ptr<BaseNode> &group,
        const QString &title, int sortIndex)
    {
        node->setTitle(title);
        node->setSortIndex(sortIndex);
        node->setParent(group);
        return node;
    }

    // Starts the sidebar, as the application does, over the preference file.
    void open()
    {
        tester.reset();
        controller.reset();
        defaults = std::make_unique<UserDefaults>(prefsDir.filePath("prefs.ini"));
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
    QModelIndex indexAt(const QList<int> &path) const
    {
        return path.isEmpty() ? QModelIndex()
                              : controller->model()->indexForNode(
                                  controller->treeController()->nodeAtIndexPath(IndexPath(path)));
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
    // Every sibling list numbered from 0, in the records.
    bool numbered() const
    {
        for (TreeNode *node : controller->treeController()->flattenedNodes())
            if (BaseNodeTreeAccessor::node(node->representedObject())->sortIndex() != node->row())
                return false;
        return true;
    }
    QStringList titles(bool groups = true) const
    {
        QStringList list;
        for (const TreeObject &object : controller->treeController()->flattenedObjects()) {
            const auto node = BaseNodeTreeAccessor::node(object);
            if (groups || !node->isGroupRowStyle().value_or(false))
                list << node->title();
        }
        return list;
    }
};

} // namespace

class MainOutlineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { NotificationCenter::defaultCenter(); }

    // The row above takes the selection, never a group; an emptied group goes.
    void deletionMovesSelectionAbove_data()
    {
        QTest::addColumn<int>("deleted"); // of the apps, then the book
        QTest::addColumn<QString>("selectedAfter");
        QTest::addColumn<int>("groupsAfter");
        QTest::newRow("first app") << 0 << QString() << 2;
        QTest::newRow("middle app") << 1 << QString("App 0") << 2;
        QTest::newRow("last app") << 2 << QString("App 1") << 2;
        QTest::newRow("only book: not onto the app above") << 3 << QString() << 1;
    }
    void deletionMovesSelectionAbove()
    {
        QFETCH(int, deleted);
        QFETCH(QString, selectedAfter);
        QFETCH(int, groupsAfter);
        Sidebar sidebar(3, 1);
        sidebar.defaults->setBool(true, MainOutlineViewController::DeleteProductAlertSuppress);
        const std::shared_ptr<Product> doomed = (sidebar.apps + sidebar.books).at(deleted);
        const QString doomedUuid = doomed->uuid(), bookGroupUuid = sidebar.bookGroup->uuid();
        sidebar.selectInView(doomed);

        sidebar.controller->performAction("delete", {});
        QVERIFY(sidebar.presenter.alerts.isEmpty());
        QVERIFY(doomed->isDeleted());
        QCOMPARE(sidebar.store.count("Group"), groupsAfter);
        QCOMPARE(sidebar.controller->model()->rowCount(), groupsAfter);
        QVERIFY(!sidebar.store.context->hasChanges());
        const auto selected = sidebar.controller->selectedProduct();
        QCOMPARE(selected ? selected->title() : QString(), selectedAfter);
        QCOMPARE(sidebar.controller->outlineView()->selectionModel()->selectedRows().size(),
            selectedAfter.isEmpty() ? 0 : 1);
        // The clean-up dropped the entries of what is gone.
        QVERIFY(!sidebar.savedState().contains(doomedUuid));
        QCOMPARE(sidebar.savedState().contains(bookGroupUuid), groupsAfter == 2);
        // With nothing selected there is nothing to delete.
        if (!selected) {
            LogCapture log;
            QVERIFY(!sidebar.controller->validateAction("delete", nullptr));
            sidebar.controller->deleteAction();
            QCOMPARE(log.matching("No objects to delete found!").size(), 1);
        }
    }

    // Delete and Backspace ask first; the answer arrives on a later turn of
    // the event loop, and the box's state is kept whichever button ended it.
    void deleteAlertAndSuppression_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("checked");
        QTest::newRow("delete") << int(Qt::Key_Delete) << 0 << false;
        QTest::newRow("cancel with the box ticked") << int(Qt::Key_Backspace) << 1 << true;
        QTest::newRow("delete with the box ticked: the store empties")
            << int(Qt::Key_Delete) << 0 << true;
    }
    void deleteAlertAndSuppression()
    {
        QFETCH(int, key);
        QFETCH(int, button);
        QFETCH(bool, checked);
        Sidebar sidebar(2, 0);
        sidebar.presenter.response = {button, checked};
        sidebar.selectInView(sidebar.apps[1]);
        QTest::keyClick(sidebar.controller->outlineView(), Qt::Key_A);
        QVERIFY(sidebar.presenter.alerts.isEmpty());
        sidebar.selectInView(sidebar.apps[1]);
        QTest::keyClick(sidebar.controller->outlineView(), Qt::Key(key));
        QCOMPARE(sidebar.presenter.alerts.size(), 1);
        QCOMPARE(sidebar.presenter.alerts.first().messageText,
            QString("Are you sure you want to delete “App 1”?"));
        QVERIFY(!sidebar.apps[1]->isDeleted());
        QCoreApplication::processEvents();
        QCOMPARE(sidebar.apps[1]->isDeleted(), button == 0);
        QCOMPARE(
            sidebar.defaults->boolForKey(MainOutlineViewController::DeleteProductAlertSuppress),
            checked);

        // The next deletion asks only when the box was left clear.
        sidebar.presenter.response = {1, checked};
        sidebar.selectInView(sidebar.apps[0]);
        sidebar.controller->deleteAction();
        QCOMPARE(sidebar.presenter.alerts.size(), checked ? 1 : 2);
        // The sidebar may be gone before the answer arrives.
        sidebar.tester.reset();
        sidebar.controller.reset();
        QCoreApplication::processEvents();
        QCOMPARE(sidebar.apps[0]->isDeleted(), checked);
    }

    // Rows move among their siblings only; the new order is saved, numbered
    // from 0 in every sibling list.
    void dragAndDrop_data()
    {
        QTest::addColumn<QList<int>>("dragged");
        QTest::addColumn<QList<int>>("parent"); // empty: the top level
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("order"); // empty: refused, nothing moves
        QTest::newRow("product among its siblings")
            << QList<int> {0, 2} << QList<int> {0} << 0
            << QStringList {"Apps", "App 2", "App 0", "App 1", "Books", "Book 0"};
        QTest::newRow("groups reordered")
            << QList<int> {1} << QList<int> {} << 0
            << QStringList {"Books", "Book 0", "Apps", "App 0", "App 1", "App 2"};
        const auto refused = [](const char *name, QList<int> dragged, QList<int> parent, int row) {
            QTest::newRow(name) << dragged << parent << row << QStringList();
        };
        refused("product into another kind's group", {0, 0}, {1}, 0);
        refused("product to the top level", {0, 0}, {}, 0);
        refused("group into a group", {0}, {1}, 0);
        refused("group into itself", {0}, {0}, 1);
        refused("onto a product rather than between rows", {0, 0}, {0, 1}, -1);
        refused("onto its own group rather than between rows", {0, 0}, {0}, -1);
    }
    void dragAndDrop()
    {
        QFETCH(QList<int>, dragged);
        QFETCH(QList<int>, parent);
        QFETCH(int, row);
        QFETCH(QStringList, order);
        Sidebar sidebar(3, 1);
        SidebarItemModel *model = sidebar.controller->model();
        const QStringList before = sidebar.titles();
        std::unique_ptr<QMimeData> data(model->mimeData({sidebar.indexAt(dragged)}));
        QVERIFY(data && data->hasFormat(SidebarItemModel::ProductNodesPBoardType));
        const QModelIndex target = sidebar.indexAt(parent);
        QCOMPARE(
            model->canDropMimeData(data.get(), Qt::MoveAction, row, 0, target), !order.isEmpty());
        QCOMPARE(model->dropMimeData(data.get(), Qt::MoveAction, row, 0, target), !order.isEmpty());
        QCOMPARE(sidebar.titles(), order.isEmpty() ? before : order);
        QVERIFY(!sidebar.store.context->hasChanges());
        QVERIFY(sidebar.numbered());
    }

    // The tree controller beneath, beyond what a drop asks of it: rows without
    // a sort index come first; moves down, of several rows and into another
    // group, inserts and removals keep the model whole, every sibling list
    // numbered and the selection on what is still shown.
    void treeControllerEdits()
    {
        const IndexPath path {2, 5};
        QCOMPARE(path.firstIndex(), 2);
        QCOMPARE(path.indexPathByReplacingIndexAtPosition(0, 7), (IndexPath {7, 5}));
        QCOMPARE(path.toString(), QString("2.5"));
        Sidebar sidebar(4, 2);
        QXTreeController *tree = sidebar.controller->treeController();
        const auto node = [&](const QList<int> &at) {
            return tree->nodeAtIndexPath(IndexPath(at));
        };
        const auto object = [](const std::shared_ptr<BaseNode> &record) {
            return TreeObject(record);
        };
        sidebar.appGroup->setSortIndex(3);
        sidebar.apps[2]->setSortIndex(std::nullopt);
        tree->rearrangeObjects();
        QCOMPARE(sidebar.titles(),
            (QStringList {
                "Books", "Book 0", "Book 1", "Apps", "App 2", "App 0", "App 1", "App 3"}));
        QVERIFY(!node({2}) && !node({1, 9}));
        QCOMPARE(tree->rootNodes().first()->adjacentIndexPath(), IndexPath {1});

        // Objects outside the tree are left out of the selection, which
        // follows the nodes moved.
        const std::shared_ptr<BaseNode> stranger = sidebar.store.app("999");
        QVERIFY(tree->indexPathToObject(stranger).isEmpty());
        tree->setSelectedObject(stranger); // nothing changes
        tree->setSelectedObjects({stranger, object(sidebar.apps[0])});
        tree->moveNode(node({1, 1}), {1, 4});
        QCOMPARE(sidebar.titles(false),
            (QStringList {"Book 0", "Book 1", "App 2", "App 1", "App 3", "App 0"}));
        QCOMPARE(tree->selectionIndexPaths(), QList<IndexPath> {IndexPath({1, 3})});
        QVERIFY(sidebar.numbered());
        QVERIFY(sidebar.store.context->save());
        tree->rearrangeObjects();
        QCOMPARE(sidebar.titles(false),
            (QStringList {"Book 0", "Book 1", "App 2", "App 1", "App 3", "App 0"}));
        tree->moveNodes({node({1, 0}), node({1, 2})}, {0, 1});
        QCOMPARE(sidebar.titles(false),
            (QStringList {"Book 0", "App 2", "App 3", "Book 1", "App 1", "App 0"}));
        QCOMPARE(sidebar.apps[3]->parent(), sidebar.bookGroup);
        QVERIFY(sidebar.numbered());

        // Inserted rows are selected when the controller is asked to; removed
        // ones leave the selection (the view, allowed one row, would select
        // the next).
        sidebar.controller->outlineView()->setSelectionMode(QAbstractItemView::MultiSelection);
        tree->setSelectsInsertedObjects(true);
        const std::shared_ptr<BaseNode> fresh = sidebar.store.app("998");
        fresh->setTitle("New");
        tree->insertObject(fresh, {1, 1});
        QCOMPARE(fresh->parent(), sidebar.appGroup);
        QCOMPARE(sidebar.titles().mid(5), (QStringList {"Apps", "App 1", "New", "App 0"}));
        QCOMPARE(tree->selectedObjects(), QList<TreeObject> {fresh});
        QVERIFY(sidebar.numbered());
        tree->removeObjectsAtArrangedObjectIndexPaths({{1, 0}, {1, 1}, {0, 0}});
        QCOMPARE(
            sidebar.titles(), (QStringList {"Books", "App 2", "App 3", "Book 1", "Apps", "App 0"}));
        QVERIFY(tree->selectedObjects().isEmpty());
        QVERIFY(!fresh->parent());
        QVERIFY(sidebar.numbered());
        // A group goes with its rows, and with the selection among them.
        tree->setSelectedObject(object(sidebar.apps[3]));
        tree->removeObjectAtArrangedObjectIndexPath({0});
        QVERIFY(tree->selectedObjects().isEmpty());
        QCOMPARE(sidebar.titles(), (QStringList {"Apps", "App 0"}));
        QCOMPARE(sidebar.appGroup->sortIndex(), 0);
    }

    void foreignAndStaleDropsAreRefused()
    {
        Sidebar sidebar(2, 1);
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

        sidebar.open();
        view = sidebar.controller->outlineView();
        QVERIFY(!view->isExpanded(sidebar.indexOf(sidebar.appGroup)));
        QVERIFY(view->isExpanded(sidebar.indexOf(sidebar.bookGroup)));
        QTRY_COMPARE(view->selectionModel()->selectedRows(),
            QModelIndexList {sidebar.indexOf(sidebar.books[1])});

        // Rows follow what reaches the store elsewhere (an update, the
        // companion); the rebuilt tree keeps the selection and the groups as
        // they were.
        StoreFixture::review(*sidebar.store.context, sidebar.books[1], "r1", "DE")->setRead(false);
        QVERIFY(sidebar.store.context->save());
        const QModelIndex row = sidebar.indexOf(sidebar.books[1]);
        QTRY_COMPARE(sidebar.controller->model()->data(row, TreeItemModel::UnreadCountRole), 1);
        QCOMPARE(sidebar.controller->model()->data(row, Qt::AccessibleTextRole).toString(),
            QString("Book 1, 1 unread"));
        Sidebar::add(sidebar.store.app("150"), sidebar.appGroup, "Elsewhere", 5);
        QVERIFY(sidebar.store.context->save());
        QTRY_COMPARE(sidebar.controller->model()->rowCount(sidebar.indexOf(sidebar.appGroup)), 3);
        QCOMPARE(sidebar.controller->selectedProduct(), sidebar.books[1]);
        QVERIFY(!view->isExpanded(sidebar.indexOf(sidebar.appGroup)));
        QVERIFY(view->isExpanded(sidebar.indexOf(sidebar.bookGroup)));

        // Leaving the application drops entries of rows no longer stored.
        QVariantMap withStale = sidebar.savedState();
        withStale.insert("NOT-A-NODE", QVariantMap {{"expanded", true}});
        OutlineViewState(*sidebar.defaults, MainOutlineViewController::AutosaveName)
            .savePrefDictionary(withStale);
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!sidebar.savedState().contains("NOT-A-NODE"));
        QVERIFY(sidebar.savedState().contains(sidebar.bookGroup->uuid()));
    }

    // A selection is posted; a book, or none, shows the reviews.
    void selectionPostsAndSwitchesToReviews()
    {
        Sidebar sidebar(1, 1);
        int posts = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(
            kMainOutlineViewSelectionDidChange, &observer, [&](const Notification &) { ++posts; });
        QSignalSpy actions(
            sidebar.controller.get(), &MainOutlineViewController::sendActionRequested);
        sidebar.selectInView(sidebar.apps[0]);
        QCOMPARE(sidebar.controller->selectedProduct(), sidebar.apps[0]);
        QCOMPARE(actions.size(), 0);
        sidebar.selectInView(sidebar.books[0]);
        sidebar.controller->treeController()->selectNone();
        QCOMPARE(posts, 3);
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.first().at(0).toString(), QString("changeViewControllerAction"));
        QCOMPARE(actions.first().at(1).toInt(), 0);

        QSignalSpy shown(
            sidebar.controller.get(), &MainOutlineViewController::showSearchPopoverRequested);
        sidebar.controller->showSearchPopoverButton()->click();
        QCOMPARE(shown.size(), 1);
    }

    // Only new products are added, into open groups, and saved.
    void notificationAddsProducts()
    {
        Sidebar sidebar(1, 0);
        int added = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(
            kNewProductsAddedNotification, &observer, [&](const Notification &) { ++added; });
        const auto post = [this](const QVariantList &results) {
            NotificationCenter::defaultCenter().post(
                kAddProductsForResultsNotification, this, {{"results", results}});
        };
        const auto result = [](qint64 id, const char *kind, const char *name) {
            return QVariantMap {{"trackId", id}, {"kind", kind}, {"trackName", name}};
        };
        post({result(100, "software", "Already stored")});
        QCOMPARE(sidebar.titles(false), QStringList {"App 0"});
        QCOMPARE(added, 0);
        post({result(900, "software", "New App"), result(901, "ebook", "New Book")});
        QCOMPARE(sidebar.titles(false), (QStringList {"App 0", "New App", "New Book"}));
        QCOMPARE(added, 1);
        QVERIFY(!sidebar.store.context->hasChanges());
        for (const TreeObject &group : sidebar.controller->treeController()->rootObjects())
            QVERIFY(sidebar.controller->outlineView()->isExpanded(
                sidebar.indexOf(BaseNodeTreeAccessor::node(group))));
    }

    // A product's menu marks its reviews, opens its store page in the
    // user's country (web addresses only) and passes updating on.
    void contextMenu()
    {
        Sidebar sidebar(1, 0);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        OpenedUrls opened;
        auto review = StoreFixture::review(*sidebar.store.context, sidebar.apps[0], "r1", "DE");
        sidebar.apps[0]->setValue(
            "jsonData", QVariantMap {{"trackViewUrl", "https://apps.example.com/us/app/x/id1"}});
        QVERIFY(sidebar.store.context->save());
        QMenu *menu = sidebar.controller->contextMenu();
        sidebar.controller->menuNeedsUpdate(menu, sidebar.indexOf(sidebar.appGroup));
        QVERIFY(menu->isEmpty());
        sidebar.controller->menuNeedsUpdate(menu, sidebar.indexOf(sidebar.apps[0]));
        QCOMPARE(menu->actions().size(), 9);

        menu->actions().at(0)->trigger();
        QCOMPARE(review->read(), std::optional<bool>(true));
        QVERIFY(!sidebar.store.context->hasChanges());
        menu->actions().at(1)->trigger();
        QCOMPARE(review->read(), std::optional<bool>(false));

        menu->actions().at(3)->trigger();
        sidebar.apps[0]->setValue("jsonData", QVariantMap {{"trackViewUrl", "file:///us/x"}});
        menu->actions().at(3)->trigger();
        QCOMPARE(opened, QList<QUrl> {QUrl("https://apps.example.com/de/app/x/id1")});

        QSignalSpy actions(
            sidebar.controller.get(), &MainOutlineViewController::sendActionRequested);
        menu->actions().at(5)->trigger();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first().at(0).toString(), QString("performLoadAction"));
        QCOMPARE(actions.first().at(1).value<QObject *>()->property("representedObject"),
            QVariant::fromValue(ManagedObjectPtr(sidebar.apps[0])));
        QLocale::setDefault(QLocale::c());
    }

    // A server error is shown and changes nothing; the answer renames the
    // product and stores its version (the lookup's other fields: tst_storelookup).
    void reloadProductDetails()
    {
        Sidebar sidebar(1, 0);
        LocalHttpServer server;
        QVERIFY(server.listen());
        UserDefaults::standard().setString(server.rootURL(), "StoreRootURL");
        QMenu *menu = sidebar.controller->contextMenu();
        sidebar.controller->menuNeedsUpdate(menu, sidebar.indexOf(sidebar.apps[0]));
        QAction *reload = menu->findChild<QAction *>("reloadProductAction");
        server.route("/lookup", LocalHttpServer::Response::withStatus(500));
        reload->trigger();
        QTRY_COMPARE(sidebar.presenter.errors.size(), 1);
        QCOMPARE(sidebar.apps[0]->title(), QString("App 0"));

        const QByteArray answer = R"({"resultCount":1,"results":[{"trackId":100,"kind":"software",
            "trackName":"Renamed","version":"2.0","currentVersionReleaseDate":"2024-01-02T03:04:05Z"}]})";
        server.route("/lookup", LocalHttpServer::Response::ok(answer, "text/javascript"));
        reload->trigger();
        QTRY_COMPARE(sidebar.apps[0]->title(), QString("Renamed"));
        QCOMPARE(sidebar.presenter.errors.size(), 1);
        QCOMPARE(sidebar.apps[0]->currentVersion(), QString("2.0"));
        UserDefaults::standard().removeObjectForKey("StoreRootURL");
    }

    // The artwork placeholder is drawn in the text colour, whatever the base.
    void placeholderFollowsPalette()
    {
        Sidebar sidebar(1, 0);
        OutlineView *view = sidebar.controller->outlineView();
        view->resize(240, 120);
        for (const auto &[base, text] : {std::pair {QColor(Qt::white), QColor(Qt::black)},
                 std::pair {QColor(30, 30, 30), QColor(Qt::white)}}) {
            QPalette palette = view->palette();
            palette.setColor(QPalette::Base, base);
            palette.setColor(QPalette::Text, text);
            view->setPalette(palette);
            const QImage shot = view->viewport()->grab().toImage();
            const QRect row = view->visualRect(sidebar.indexOf(sidebar.apps[0]));
            int closest = 255 * 3;
            for (int y = row.top(); y <= row.bottom(); ++y)
                for (int x = row.left(); x < row.left() + 24; ++x) {
                    const QColor pixel = shot.pixelColor(x, y);
                    closest = std::min(closest,
                        std::abs(pixel.red() - text.red()) + std::abs(pixel.green() - text.green())
                            + std::abs(pixel.blue() - text.blue()));
                }
            QVERIFY2(closest < 60, qPrintable(QString::number(closest)));
        }
    }
};

RK_TEST_GUI_MAIN(MainOutlineTest)
#include "tst_mainoutline.moc"
