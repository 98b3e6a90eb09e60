#include "support/TestEnvironment.h"
#include "ui/sidebar/IndexPath.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/TreeItemModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

struct Node {
    QString title;
    std::optional<qint64> sortIndex;
    bool leaf = false;
    Node *parent = nullptr;
    QList<std::shared_ptr<Node>> children; // the model keeps them unordered
};

std::shared_ptr<Node> cast(const TreeObject &object)
{
    return std::static_pointer_cast<Node>(object);
}

class Accessor : public TreeContentAccessor {
public:
    QList<TreeObject> children(const TreeObject &object) const override
    {
        QList<TreeObject> list;
        for (const auto &child : cast(object)->children)
            list.append(child);
        return list;
    }
    bool isLeaf(const TreeObject &object) const override { return cast(object)->leaf; }
    std::optional<qint64> sortIndex(const TreeObject &object) const override
    {
        return cast(object)->sortIndex;
    }
    void setSortIndex(const TreeObject &object, qint64 index) override
    {
        cast(object)->sortIndex = index;
    }
    void setParent(const TreeObject &object, const TreeObject &parent) override
    {
        auto node = cast(object);
        if (node->parent)
            node->parent->children.removeIf([&](const auto &c) { return c == node; });
        node->parent = parent ? cast(parent).get() : nullptr;
        if (parent)
            cast(parent)->children.append(node);
    }
    QVariant data(const TreeObject &object, int role) const override
    {
        if (role == TreeItemModel::TitleRole)
            return cast(object)->title;
        if (role == TreeItemModel::GroupRowStyleRole)
            return !cast(object)->leaf;
        return {};
    }
};

std::shared_ptr<Node> group(const QString &title, qint64 sortIndex,
    QList<std::pair<QString, std::optional<qint64>>> products)
{
    auto g = std::make_shared<Node>(Node {title, sortIndex, false, nullptr, {}});
    // Added in reverse so that the model's order is not the shown order.
    std::reverse(products.begin(), products.end());
    for (const auto &[name, index] : products) {
        auto p = std::make_shared<Node>(Node {name, index, true, g.get(), {}});
        g->children.append(p);
    }
    return g;
}

QStringList titles(const QList<TreeObject> &objects)
{
    QStringList list;
    for (const TreeObject &object : objects)
        list << cast(object)->title;
    return list;
}

QList<qint64> sortIndexes(const std::shared_ptr<Node> &parent, const TreeController &controller)
{
    QList<qint64> list;
    for (TreeNode *node : controller.nodeForObject(parent)->childNodes())
        list << cast(node->representedObject())->sortIndex.value_or(-1);
    return list;
}

} // namespace

class TreeControllerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void indexPathAdditions()
    {
        const IndexPath path {2, 5};
        QCOMPARE(path.firstIndex(), 2);
        QCOMPARE(path.lastIndex(), 5);
        QCOMPARE(path.indexPathByIncrementingLastIndex(), (IndexPath {2, 6}));
        QCOMPARE(path.indexPathByReplacingIndexAtPosition(0, 7), (IndexPath {7, 5}));
        QCOMPARE(path.toString(), QString("2.5"));
    }

    void flattenedOrderFollowsSortIndexes()
    {
        Accessor accessor;
        QXTreeController controller(&accessor);
        auto apps = group("Apps", 1, {{"b", 1}, {"a", 0}});
        auto books = group("Books", 0, {{"d", 1}, {"c", std::nullopt}});
        controller.setContent({apps, books});
        QCOMPARE(titles(controller.flattenedObjects()),
            (QStringList {"Books", "c", "d", "Apps", "a", "b"}));
        QCOMPARE(titles(controller.rootObjects()), (QStringList {"Books", "Apps"}));
        QCOMPARE(controller.rootNodes().first()->adjacentIndexPath(), IndexPath {1});
        QCOMPARE(
            cast(controller.nodeAtIndexPath({1, 1})->representedObject())->title, QString("b"));
        QVERIFY(!controller.nodeAtIndexPath({2}));
        QVERIFY(!controller.nodeAtIndexPath({0, 9}));
        QCOMPARE(controller.rootNodes().first()->descendants().size(), 2);
    }

    void movingTheThirdProductToTheTopRenumbersEverySiblingList()
    {
        Accessor accessor;
        QXTreeController controller(&accessor);
        TreeItemModel model(&controller);
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto apps = group("Apps", 3, {{"a", 0}, {"b", 1}, {"c", 2}, {"d", 3}});
        auto books = group("Books", 7, {{"x", 5}, {"y", 9}});
        controller.setContent({apps, books});

        TreeNode *third = controller.nodeAtIndexPath({0, 2});
        QCOMPARE(cast(third->representedObject())->title, QString("c"));
        controller.setSelectedObject(third->representedObject());
        controller.moveNode(third, {0, 0});

        QCOMPARE(titles(controller.flattenedObjects()),
            (QStringList {"Apps", "c", "a", "b", "d", "Books", "x", "y"}));
        QCOMPARE(sortIndexes(apps, controller), (QList<qint64> {0, 1, 2, 3}));
        QCOMPARE(cast(controller.nodeAtIndexPath({0, 0})->representedObject())->sortIndex, 0);
        QCOMPARE(sortIndexes(books, controller), (QList<qint64> {0, 1}));
        QCOMPARE(apps->sortIndex, 0);
        QCOMPARE(books->sortIndex, 1);
        // The selection follows the moved node.
        QCOMPARE(controller.selectionIndexPaths(), QList<IndexPath> {IndexPath({0, 0})});

        // The order survives a rebuild from the model.
        controller.rearrangeObjects();
        QCOMPARE(titles(controller.flattenedObjects()),
            (QStringList {"Apps", "c", "a", "b", "d", "Books", "x", "y"}));

        // Moving down within a group and across groups.
        controller.moveNode(controller.nodeAtIndexPath({0, 0}), {0, 3});
        QCOMPARE(
            titles(controller.flattenedObjects()).mid(1, 4), (QStringList {"a", "b", "c", "d"}));
        controller.moveNodes(
            {controller.nodeAtIndexPath({0, 1}), controller.nodeAtIndexPath({0, 3})}, {1, 1});
        QCOMPARE(titles(controller.flattenedObjects()),
            (QStringList {"Apps", "a", "c", "Books", "x", "b", "d", "y"}));
        QCOMPARE(sortIndexes(books, controller), (QList<qint64> {0, 1, 2, 3}));
        QCOMPARE(apps->children.size(), 2);
        QCOMPARE(books->children.size(), 4);
        QCOMPARE(
            cast(controller.nodeAtIndexPath({1, 1})->representedObject())->parent, books.get());
    }

    void identityAndSelection()
    {
        Accessor accessor;
        QXTreeController controller(&accessor);
        auto apps = group("Apps", 0, {{"a", 0}, {"b", 1}});
        controller.setContent({apps});
        auto twin = std::make_shared<Node>(Node {"a", 0, true, nullptr, {}});
        QVERIFY(!controller.nodeForObject(twin));
        QVERIFY(controller.indexPathToObject(twin).isEmpty());

        const TreeObject b = controller.nodeAtIndexPath({0, 1})->representedObject();
        controller.setSelectedObjects({twin, b});
        QCOMPARE(titles(controller.selectedObjects()), QStringList {"b"});
        controller.setSelectedNode(nullptr); // nothing changes
        QCOMPARE(controller.selectedObjects().size(), 1);

        controller.selectParentFromSelection();
        QCOMPARE(titles(controller.selectedObjects()), QStringList {"Apps"});
        controller.selectParentFromSelection(); // a top-level node has no parent to select
        QVERIFY(controller.selectedObjects().isEmpty());
        controller.selectParentFromSelection();
        QVERIFY(controller.selectedObjects().isEmpty());

        controller.setSelectedObjects({});
        QVERIFY(controller.selectionIndexPaths().isEmpty());
    }

    void insertAndRemoveKeepTheModelAndNumbering()
    {
        Accessor accessor;
        QXTreeController controller(&accessor);
        TreeItemModel model(&controller);
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto apps = group("Apps", 0, {{"a", 0}, {"b", 1}});
        auto books = group("Books", 1, {{"x", 0}});
        controller.setContent({apps, books});

        auto fresh = std::make_shared<Node>(Node {"new", std::nullopt, true, nullptr, {}});
        controller.insertObject(fresh, {0, 1});
        QCOMPARE(fresh->parent, apps.get());
        QCOMPARE(titles(controller.flattenedObjects()).mid(0, 4),
            (QStringList {"Apps", "a", "new", "b"}));
        QCOMPARE(sortIndexes(apps, controller), (QList<qint64> {0, 1, 2}));
        QCOMPARE(titles(controller.selectedObjects()), QStringList {"new"});
        QCOMPARE(model.rowCount(model.index(0, 0)), 3);
        QCOMPARE(
            model.data(model.index(1, 0, model.index(0, 0)), TreeItemModel::TitleRole).toString(),
            QString("new"));

        controller.removeObjectsAtArrangedObjectIndexPaths({{0, 0}, {0, 1}, {1, 0}});
        QCOMPARE(titles(controller.flattenedObjects()), (QStringList {"Apps", "b", "Books"}));
        QCOMPARE(sortIndexes(apps, controller), QList<qint64> {0});
        QVERIFY(controller.selectedObjects().isEmpty());
        QVERIFY(!fresh->parent);

        // A group removed with its products selected clears the selection.
        controller.setSelectedObject(controller.nodeAtIndexPath({0, 0})->representedObject());
        controller.removeObjectAtArrangedObjectIndexPath({0});
        QVERIFY(controller.selectedObjects().isEmpty());
        QCOMPARE(titles(controller.rootObjects()), QStringList {"Books"});
        QCOMPARE(books->sortIndex, 0);
        QCOMPARE(model.rowCount(), 1);
    }
};

RK_TEST_GUI_MAIN(TreeControllerTest)
#include "tst_treecontroller.moc"
