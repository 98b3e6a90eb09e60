#include "support/UiRecorders.h"

#include "model/BaseNode.h"
#include "ui/sidebar/BaseNodeTreeAccessor.h"
#include "ui/sidebar/IndexPath.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/TreeItemModel.h"

namespace {

using Node = std::shared_ptr<BaseNode>;

// The tree controller and its item model over group and product records.
struct Tree {
    StoreFixture store;
    BaseNodeTreeAccessor accessor;
    QXTreeController controller {&accessor};
    TreeItemModel model {&controller};
    QAbstractItemModelTester tester {
        &model, QAbstractItemModelTester::FailureReportingMode::QtTest};

    Node record(const char *entity, const QString &title, std::optional<qint64> sortIndex)
    {
        auto node = store.context->insertNewObject<BaseNode>(entity);
        node->setTitle(title);
        node->setSortIndex(sortIndex);
        return node;
    }
    // A group of apps whose products are named by letter, with their sort indexes.
    Node group(const QString &title, qint64 sortIndex, const QList<std::optional<qint64>> &products)
    {
        const Node group = record("AppGroup", title, sortIndex);
        for (int i = 0; i < products.size(); ++i)
            record("App", QString(QChar('a' + i + (title == "Books" ? 23 : 0))), products[i])
                ->setParent(group);
        return group;
    }
    QStringList titles(const QList<TreeObject> &objects) const
    {
        QStringList list;
        for (const TreeObject &object : objects)
            list << BaseNodeTreeAccessor::node(object)->title();
        return list;
    }
    QStringList titles() const { return titles(controller.flattenedObjects()); }
    Node at(const IndexPath &path) const
    {
        return BaseNodeTreeAccessor::node(controller.nodeAtIndexPath(path)->representedObject());
    }
    QList<qint64> sortIndexes(const Node &parent) const
    {
        QList<qint64> list;
        for (TreeNode *node : controller.nodeForObject(parent)->childNodes())
            list << BaseNodeTreeAccessor::node(node->representedObject())->sortIndex().value_or(-1);
        return list;
    }
};

} // namespace

class TreeControllerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Rows follow the sort indexes, those without one first.
    void flattenedOrderFollowsSortIndexes()
    {
        const IndexPath path {2, 5};
        QCOMPARE(path.firstIndex(), 2);
        QCOMPARE(path.indexPathByIncrementingLastIndex(), (IndexPath {2, 6}));
        QCOMPARE(path.indexPathByReplacingIndexAtPosition(0, 7), (IndexPath {7, 5}));
        QCOMPARE(path.toString(), QString("2.5"));

        Tree tree;
        tree.controller.setContent(
            {tree.group("Apps", 1, {1, 0}), tree.group("Books", 0, {1, {}})});
        QCOMPARE(tree.titles(), (QStringList {"Books", "y", "x", "Apps", "b", "a"}));
        QCOMPARE(tree.titles(tree.controller.rootObjects()), (QStringList {"Books", "Apps"}));
        QCOMPARE(tree.controller.rootNodes().first()->adjacentIndexPath(), IndexPath {1});
        QCOMPARE(tree.at({1, 1})->title(), QString("a"));
        QVERIFY(!tree.controller.nodeAtIndexPath({2}));
        QVERIFY(!tree.controller.nodeAtIndexPath({0, 9}));
        QCOMPARE(tree.controller.rootNodes().first()->descendants().size(), 2);
        const QModelIndex apps = tree.model.index(1, 0);
        QVERIFY(tree.model.data(apps, TreeItemModel::GroupRowStyleRole).toBool());
        QVERIFY(!(tree.model.flags(apps) & Qt::ItemIsSelectable));
        QVERIFY(tree.model.flags(tree.model.index(0, 0, apps)) & Qt::ItemIsSelectable);
        QVERIFY(!tree.model.data(tree.model.index(0, 0, apps), TreeItemModel::ImageRole)
                     .value<QImage>()
                     .isNull());
    }

    // Every sibling list is numbered from 0 again after a move, in the store;
    // the selection follows the moved nodes and leaves out objects not shown.
    void movingRenumbersEverySiblingList()
    {
        Tree tree;
        QXTreeController &controller = tree.controller;
        const Node apps = tree.group("Apps", 3, {0, 1, 2, 3});
        const Node books = tree.group("Books", 7, {5, 9});
        controller.setContent({apps, books});

        // Objects outside the tree are left out of the selection.
        const Node stranger = tree.record("App", "a", 0);
        QVERIFY(controller.indexPathToObject(stranger).isEmpty());
        controller.setSelectedObject(stranger); // nothing changes
        controller.setSelectedObjects({stranger, tree.at({0, 2})});
        QCOMPARE(tree.titles(controller.selectedObjects()), QStringList {"c"});
        controller.moveNode(controller.nodeAtIndexPath({0, 2}), {0, 0});
        const QStringList moved {"Apps", "c", "a", "b", "d", "Books", "x", "y"};
        QCOMPARE(tree.titles(), moved);
        QCOMPARE(tree.sortIndexes(apps), (QList<qint64> {0, 1, 2, 3}));
        QCOMPARE(tree.sortIndexes(books), (QList<qint64> {0, 1}));
        QCOMPARE(apps->sortIndex(), 0);
        QCOMPARE(books->sortIndex(), 1);
        // The selection follows the moved node.
        QCOMPARE(controller.selectionIndexPaths(), QList<IndexPath> {IndexPath({0, 0})});
        // The order survives a rebuild from the store.
        QVERIFY(tree.store.context->save());
        controller.rearrangeObjects();
        QCOMPARE(tree.titles(), moved);

        // Moving down within a group and across groups.
        controller.moveNode(controller.nodeAtIndexPath({0, 0}), {0, 3});
        QCOMPARE(tree.titles().mid(1, 4), (QStringList {"a", "b", "c", "d"}));
        controller.moveNodes(
            {controller.nodeAtIndexPath({0, 1}), controller.nodeAtIndexPath({0, 3})}, {1, 1});
        QCOMPARE(tree.titles(), (QStringList {"Apps", "a", "c", "Books", "x", "b", "d", "y"}));
        QCOMPARE(tree.sortIndexes(books), (QList<qint64> {0, 1, 2, 3}));
        QCOMPARE(apps->childrenCount(), 2);
        QCOMPARE(tree.at({1, 1})->parent(), books);
    }

    void insertAndRemoveKeepTheModelAndNumbering()
    {
        Tree tree;
        QXTreeController &controller = tree.controller;
        const Node apps = tree.group("Apps", 0, {0, 1});
        const Node books = tree.group("Books", 1, {0});
        controller.setContent({apps, books});

        const Node fresh = tree.record("App", "new", {});
        controller.insertObject(fresh, {0, 1});
        QCOMPARE(fresh->parent(), apps);
        QCOMPARE(tree.titles().mid(0, 4), (QStringList {"Apps", "a", "new", "b"}));
        QCOMPARE(tree.sortIndexes(apps), (QList<qint64> {0, 1, 2}));
        QCOMPARE(tree.titles(controller.selectedObjects()), QStringList {"new"});
        QCOMPARE(tree.model.index(1, 0, tree.model.index(0, 0)).data(TreeItemModel::TitleRole),
            QVariant("new"));

        controller.removeObjectsAtArrangedObjectIndexPaths({{0, 0}, {0, 1}, {1, 0}});
        QCOMPARE(tree.titles(), (QStringList {"Apps", "b", "Books"}));
        QCOMPARE(tree.sortIndexes(apps), QList<qint64> {0});
        QVERIFY(controller.selectedObjects().isEmpty());
        QVERIFY(!fresh->parent());

        // A group removed with its products selected clears the selection.
        controller.setSelectedObject(tree.at({0, 0}));
        controller.removeObjectAtArrangedObjectIndexPath({0});
        QVERIFY(controller.selectedObjects().isEmpty());
        QCOMPARE(tree.titles(controller.rootObjects()), QStringList {"Books"});
        QCOMPARE(books->sortIndex(), 0);
        QCOMPARE(tree.model.rowCount(), 1);
    }
};

RK_TEST_GUI_MAIN(TreeControllerTest)
#include "tst_treecontroller.moc"
