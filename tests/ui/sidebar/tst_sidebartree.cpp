#include "model/AppGroup.h"
#include "model/BookGroup.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/sidebar/BaseNodeTreeAccessor.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/TreeItemModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QImage>
#include <QTest>

// The tree controller over real group and product records: the order the
// user gives is saved in the store.
class SidebarTreeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void movesAreSavedAsSortIndexes()
    {
        StoreFixture store;
        auto apps = store.context->insertNewObject<AppGroup>(QStringLiteral("AppGroup"));
        auto books = store.context->insertNewObject<BookGroup>(QStringLiteral("BookGroup"));
        apps->setSortIndex(0);
        books->setSortIndex(1);
        QList<std::shared_ptr<App>> products;
        for (int i = 0; i < 4; ++i) {
            auto app = store.app(QString::number(100 + i));
            app->setTitle(QStringLiteral("App %1").arg(i));
            app->setSortIndex(i * 10); // gaps, as direct inserts may leave
            app->setParent(apps);
            products << app;
        }
        QVERIFY(store.context->save());

        BaseNodeTreeAccessor accessor;
        QXTreeController controller(&accessor);
        TreeItemModel model(&controller);
        QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller.setContent({apps, books});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.rowCount(model.index(0, 0)), 4);
        QCOMPARE(model.data(model.index(0, 0), TreeItemModel::GroupRowStyleRole).toBool(), true);
        QCOMPARE(model.data(model.index(2, 0, model.index(0, 0))).toString(), QString("App 2"));
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsSelectable));
        const QModelIndex first = model.index(0, 0, model.index(0, 0));
        QVERIFY(!model.data(first, TreeItemModel::UnreadCountRole).isValid()); // none unread
        QVERIFY(!model.data(first, TreeItemModel::ImageRole).value<QImage>().isNull());
        QVERIFY(model.flags(model.index(0, 0, model.index(0, 0))) & Qt::ItemIsSelectable);

        // Third product to the top.
        controller.moveNode(controller.nodeForObject(products[2]), {0, 0});
        QVERIFY(store.context->save());
        QCOMPARE(products[2]->sortIndex(), 0);
        QCOMPARE(products[0]->sortIndex(), 1);
        QCOMPARE(products[1]->sortIndex(), 2);
        QCOMPARE(products[3]->sortIndex(), 3);

        // One product into the book group: the relationship follows.
        controller.moveNode(controller.nodeForObject(products[3]), {1, 0});
        QCOMPARE(products[3]->parent(), std::static_pointer_cast<BaseNode>(books));
        QCOMPARE(apps->children().size(), 3);
        QVERIFY(store.context->save());

        // A fresh tree from the store shows the same order.
        QXTreeController again(&accessor);
        again.setContent({apps, books});
        QStringList titles;
        for (const TreeObject &object : again.flattenedObjects())
            titles << BaseNodeTreeAccessor::node(object)->title();
        QCOMPARE(titles.mid(1, 3), (QStringList {"App 2", "App 0", "App 1"}));
        QCOMPARE(titles.last(), QString("App 3"));
    }
};

RK_TEST_GUI_MAIN(SidebarTreeTest)
#include "tst_sidebartree.moc"
