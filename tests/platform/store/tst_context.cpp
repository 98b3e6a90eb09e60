#include "TestModel.h"
#include "platform/store/SqliteConnection.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTest>

namespace {
// An item that runs fetches of its own while it is being loaded, as record
// classes with derived values do.
class NestingItem : public ManagedObject {
public:
    enum class Nesting { None, SameQuery, DistinctQueries };
    static inline Nesting nesting = Nesting::None;
    static inline int queries = 0;

protected:
    void awakeFromFetch() override
    {
        ManagedObjectContext *context = managedObjectContext();
        if (nesting == Nesting::SameQuery) {
            context->executeFetchRequest(allItemsByName());
        } else if (nesting == Nesting::DistinctQueries) {
            // Every limit is a statement the connection has not seen.
            for (int i = 0; i < 3; ++i) {
                FetchRequest boxes(QStringLiteral("Box"));
                boxes.fetchLimit = ++queries;
                context->executeFetchRequest(boxes);
            }
        }
    }

public:
    static FetchRequest allItemsByName()
    {
        FetchRequest request(QStringLiteral("Item"));
        request.sortDescriptors = {{QStringLiteral("name"), true}};
        return request;
    }
};

// What an import does with one answer: finds each item by name, inserts the
// ones it lacks, updates the rest, and saves.
bool mergeAnswer(ManagedObjectContext &child, const QStringList &names, int count, Error *error)
{
    bool saved = false;
    child.performAndWait([&] {
        for (const QString &name : names) {
            FetchRequest byName(QStringLiteral("Item"));
            byName.predicate = Predicate::format(QStringLiteral("name == %@"), name);
            ManagedObjectPtr item = child.executeFetchRequest(byName).value(0);
            if (!item)
                item =
                    child.insertNewObject(QStringLiteral("Item"), {{QStringLiteral("name"), name}});
            item->setValue(QStringLiteral("count"), count);
        }
        saved = child.save(error);
    });
    return saved;
}
} // namespace

class ContextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void attributesAreTypedAndOptional()
    {
        TestStore store;
        auto item = store.item(QStringLiteral("a"));
        item->setValue(QStringLiteral("count"), 0);
        item->setValue(QStringLiteral("flag"), false);
        item->setValue(QStringLiteral("blob"), QByteArray("\0x", 2));
        item->setValue(QStringLiteral("info"), QVariantMap {{QStringLiteral("k"), 1}});
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(1234567, Qt::UTC);
        item->setValue(QStringLiteral("when"), when);
        QVERIFY(store.context->save());
        const QUrl uri = item->uri();
        item.reset();

        store.context = std::make_unique<ManagedObjectContext>(store.coordinator);
        auto loaded = store.context->objectWithURI(uri);
        QVERIFY(loaded);
        QCOMPARE(loaded->integerValue(QStringLiteral("count")), std::optional<qint64>(0));
        QCOMPARE(loaded->boolValue(QStringLiteral("flag")), std::optional<bool>(false));
        QVERIFY(!loaded->floatValue(QStringLiteral("score")));
        QVERIFY(loaded->stringValue(QStringLiteral("nothing")).isNull());
        QCOMPARE(loaded->dataValue(QStringLiteral("blob")), QByteArray("\0x", 2));
        QCOMPARE(
            loaded->value(QStringLiteral("info")).toMap().value(QStringLiteral("k")).toInt(), 1);
        QCOMPARE(loaded->dateValue(QStringLiteral("when")), when);
        QVERIFY_THROWS_EXCEPTION(
            std::invalid_argument, loaded->setValue(QStringLiteral("nothing"), 1));
    }

    void oneLiveRecordPerIdAndSubEntitiesInFetches()
    {
        TestStore store;
        store.item(QStringLiteral("plain"));
        auto tool = store.context->insertNewObject(QStringLiteral("Tool"));
        tool->setValue(QStringLiteral("name"), QStringLiteral("tool"));
        tool->setValue(QStringLiteral("weight"), 2.5);
        QVERIFY(store.context->save());
        const auto items = store.context->executeFetchRequest(FetchRequest(QStringLiteral("Item")));
        QCOMPARE(items.size(), 2);
        const auto tools = store.context->executeFetchRequest(FetchRequest(QStringLiteral("Tool")));
        QCOMPARE(tools.size(), 1);
        QCOMPARE(tools.first().get(), tool.get());
        QVERIFY(items.contains(tool));
        QCOMPARE(tools.first()->entity().name(), QStringLiteral("Tool"));
    }

    void fetchesAndCountsSeePendingChanges()
    {
        TestStore store;
        auto a = store.item(QStringLiteral("a"));
        auto b = store.item(QStringLiteral("b"));
        auto c = store.item(QStringLiteral("c"));
        for (auto &item : {a, b, c})
            item->setValue(QStringLiteral("count"), 1);
        QVERIFY(store.context->save());
        FetchRequest ones(QStringLiteral("Item"));
        ones.predicate = Predicate::fromFormat(QStringLiteral("count == 1"));
        ones.sortDescriptors = {{QStringLiteral("name"), true}};
        QCOMPARE(store.names(ones), (QStringList {"a", "b", "c"}));

        store.item(QStringLiteral("d"))->setValue(QStringLiteral("count"), 1); // insert
        b->setValue(QStringLiteral("count"), 2); // update out
        store.context->deleteObject(c); // delete
        QCOMPARE(store.names(ones), (QStringList {"a", "d"}));
        QCOMPARE(store.context->countForFetchRequest(ones), 2);
        a->setValue(QStringLiteral("count"), 5);
        b->setValue(QStringLiteral("count"), 1); // update back in
        QCOMPARE(store.names(ones), (QStringList {"b", "d"}));
        QCOMPARE(store.context->countForFetchRequest(ones), 2);
        ones.fetchLimit = 1;
        QCOMPARE(store.names(ones), QStringList {"b"});
        QVERIFY(store.context->save());
        QCOMPARE(store.names(ones), QStringList {"b"});
        ones.fetchLimit = 0;
        QCOMPARE(store.context->countForFetchRequest(ones), 2);
    }

    void absentSortsFirstAscending()
    {
        TestStore store;
        store.item(QStringLiteral("two"))->setValue(QStringLiteral("score"), 2.0);
        store.item(QStringLiteral("none"));
        store.item(QStringLiteral("one"))->setValue(QStringLiteral("score"), 1.0);
        FetchRequest request(QStringLiteral("Item"));
        request.sortDescriptors = {{QStringLiteral("score"), true}};
        QCOMPARE(store.names(request), (QStringList {"none", "one", "two"}));
        QVERIFY(store.context->save());
        QCOMPARE(store.names(request), (QStringList {"none", "one", "two"}));
        request.sortDescriptors = {{QStringLiteral("score"), false}};
        QCOMPARE(store.names(request), (QStringList {"two", "one", "none"}));
    }

    void dictionariesDistinctValuesAndGroupedCounts()
    {
        TestStore store;
        for (double score : {5.0, 5.0, 4.0, 1.0})
            store.item(QStringLiteral("x"))->setValue(QStringLiteral("score"), score);
        store.item(QStringLiteral("y"));
        QVERIFY(store.context->save());
        store.item(QStringLiteral("unsaved"))->setValue(QStringLiteral("score"), 5.0);

        FetchRequest grouped(QStringLiteral("Item"));
        grouped.propertiesToFetch = {QStringLiteral("score")};
        grouped.propertiesToGroupBy = {QStringLiteral("score")};
        grouped.countName = QStringLiteral("total");
        grouped.sortDescriptors = {{QStringLiteral("score"), false}};
        const QList<QVariantMap> rows = store.context->executeDictionaryFetch(grouped);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].value(QStringLiteral("score")).toDouble(), 5.0);
        QCOMPARE(rows[0].value(QStringLiteral("total")).toInt(), 2); // committed data only
        QCOMPARE(rows[0].value(QStringLiteral("total")).metaType().id(), QMetaType::Int);
        QVERIFY(!rows[3].contains(QStringLiteral("score")));
        QCOMPARE(rows[3].value(QStringLiteral("total")).toInt(), 1);

        FetchRequest distinct(QStringLiteral("Item"));
        distinct.propertiesToFetch = {QStringLiteral("name")};
        distinct.returnsDistinctResults = true;
        distinct.sortDescriptors = {{QStringLiteral("name"), true}};
        QCOMPARE(store.context->executeDictionaryFetch(distinct).size(), 2);

        Error error;
        FetchRequest wrong(QStringLiteral("Item"));
        wrong.propertiesToFetch = {QStringLiteral("nothing")};
        QVERIFY(store.context->executeDictionaryFetch(wrong, &error).isEmpty());
        QVERIFY(error);
    }

    void inversesStayInStepWithoutLoadingMembers()
    {
        TestStore store;
        auto box = store.context->insertNewObject(QStringLiteral("Box"));
        auto other = store.context->insertNewObject(QStringLiteral("Box"));
        auto a = store.item(QStringLiteral("a"), box);
        QCOMPARE(box->countOfObjects(QStringLiteral("items")), 1);
        QVERIFY(store.context->save());
        box->addObject(QStringLiteral("items"), store.item(QStringLiteral("b")));
        QCOMPARE(box->countOfObjects(QStringLiteral("items")), 2);
        a->setObject(QStringLiteral("box"), other);
        QCOMPARE(box->objects(QStringLiteral("items")).size(), 1);
        QCOMPARE(other->objects(QStringLiteral("items")).first().get(), a.get());
        QVERIFY(store.context->save());
        QCOMPARE(other->countOfObjects(QStringLiteral("items")), 1);
        QCOMPARE(a->object(QStringLiteral("box")).get(), other.get());
    }

    void deleteRulesCascadeAndNullify()
    {
        TestStore store;
        auto shelf = store.context->insertNewObject(QStringLiteral("Box"));
        auto box = store.context->insertNewObject(QStringLiteral("Box"));
        box->setObject(QStringLiteral("shelf"), shelf);
        store.item(QStringLiteral("saved"), box);
        QVERIFY(store.context->save());
        store.item(QStringLiteral("pending"), box);
        auto kept = store.item(QStringLiteral("kept"));

        store.context->deleteObject(box);
        FetchRequest all(QStringLiteral("Item"));
        QCOMPARE(store.names(all), QStringList {"kept"});
        QVERIFY(store.context->save());
        QCOMPARE(store.names(all), QStringList {"kept"});

        // Nullify: the shelf loses its boxes, the boxes stay.
        auto inner = store.context->insertNewObject(QStringLiteral("Box"));
        inner->setObject(QStringLiteral("shelf"), shelf);
        QVERIFY(store.context->save());
        store.context->deleteObject(shelf);
        QVERIFY(store.context->save());
        QVERIFY(!inner->object(QStringLiteral("shelf")));
        QCOMPARE(store.context->countForFetchRequest(FetchRequest(QStringLiteral("Box"))), 1);
    }

    void recordUris()
    {
        TestStore store;
        auto a = store.item(QStringLiteral("a"));
        auto b = store.item(QStringLiteral("b"));
        QVERIFY(store.context->save());
        const QList<QUrl> uris {a->uri(), b->uri()};
        store.context->deleteObject(b);
        QVERIFY(store.context->save());
        b.reset();
        const auto found = store.context->objectsWithURIs(uris);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().get(), a.get());
        QVERIFY(!store.context->objectWithURI(QUrl(QStringLiteral("x-rkstore://other/Item/p1"))));
        QVERIFY(!store.context->objectWithURI(QUrl(QStringLiteral("https://example.com/"))));
        QUrl wrongEntity = a->uri();
        wrongEntity.setPath(QStringLiteral("/Box/p%1").arg(a->objectID().rowId));
        QVERIFY(!store.context->objectWithURI(wrongEntity));
    }

    void recordsNothingHoldsAreReleased()
    {
        TestStore store;
        for (int i = 0; i < 100; ++i)
            store.item(QString::number(i));
        QVERIFY(store.context->save());
        std::weak_ptr<ManagedObject> watched;
        {
            const auto all =
                store.context->executeFetchRequest(FetchRequest(QStringLiteral("Item")));
            QCOMPARE(all.size(), 100);
            watched = all.first();
        }
        QVERIFY(watched.expired());
        // A record with pending changes is held by its context.
        auto item =
            store.context->executeFetchRequest(FetchRequest(QStringLiteral("Item"))).first();
        item->setValue(QStringLiteral("count"), 7);
        watched = item;
        item.reset();
        QVERIFY(!watched.expired());
        QVERIFY(store.context->save());
        QVERIFY(watched.expired());
    }

    void announcementsComeOncePerTurn()
    {
        TestStore store;
        auto box = store.context->insertNewObject(QStringLiteral("Box"));
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        int notifications = 0;
        QList<ObjectChange> boxChanges;
        store.context->observeChanges(
            nullptr, [&](const ChangeNotification &) { ++notifications; });
        QObject owner;
        auto observer = store.context->observeObject(
            box->objectID(), &owner, [&](const ObjectChange &c) { boxChanges << c; });
        box->setValue(QStringLiteral("title"), QStringLiteral("one"));
        box->setValue(QStringLiteral("title"), QStringLiteral("two"));
        store.item(QStringLiteral("a"), box);
        QCOMPARE(notifications, 0);
        QCoreApplication::processEvents();
        QCOMPARE(notifications, 1);
        QCOMPARE(boxChanges.size(), 1);
        QCOMPARE(boxChanges.first().keys,
            (QSet<QString> {QStringLiteral("title"), QStringLiteral("items")}));
        store.context->removeObserver(observer);
        box->setValue(QStringLiteral("title"), QStringLiteral("three"));
        QCoreApplication::processEvents();
        QCOMPARE(boxChanges.size(), 1);
        QCOMPARE(notifications, 2);
    }

    void aFailedPushLeavesNoSecondCopy_data()
    {
        QTest::addColumn<bool>("sameChild");
        QTest::newRow("merged again by the same child") << true;
        QTest::newRow("merged again by a new child") << false;
    }

    void aFailedPushLeavesNoSecondCopy()
    {
        QFETCH(bool, sameChild);
        TestStore store;
        auto kept = store.item(QStringLiteral("kept"));
        kept->setValue(QStringLiteral("count"), 1);
        QVERIFY(store.context->save());
        const QStringList answer {"a", "kept", "b"};

        // The write connection refuses new items while the trigger exists.
        SqliteConnection *writer = store.coordinator->writeConnection();
        QVERIFY(writer->exec("CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.\"Item\" BEGIN "
                             "SELECT RAISE(ABORT, 'no room for items'); END"));
        auto child = store.context->newPrivateContext();
        Error error;
        QVERIFY(!mergeAnswer(*child, answer, 2, &error));
        QVERIFY2(error.localizedDescription().contains(QStringLiteral("no room for items")),
            qPrintable(error.debugDescription()));
        QVERIFY(!store.context->hasChanges());
        QCOMPARE(kept->integerValue(QStringLiteral("count")), std::optional<qint64>(1));
        QCOMPARE(store.names(FetchRequest(QStringLiteral("Item"))), QStringList {"kept"});

        QVERIFY(writer->exec("DROP TRIGGER temp.refuse"));
        if (!sameChild)
            child = store.context->newPrivateContext();
        error = Error();
        QVERIFY2(mergeAnswer(*child, answer, 3, &error), qPrintable(error.debugDescription()));
        QVERIFY(!store.context->hasChanges());
        child.reset();
        store.context = std::make_unique<ManagedObjectContext>(store.coordinator);
        FetchRequest all(QStringLiteral("Item"));
        all.sortDescriptors = {{QStringLiteral("name"), true}};
        QCOMPARE(store.names(all), (QStringList {"a", "b", "kept"}));
        all.predicate = Predicate::fromFormat(QStringLiteral("count == 3"));
        QCOMPARE(store.context->countForFetchRequest(all), 3);
    }

    void contextsWithoutAConnection_data()
    {
        QTest::addColumn<bool>("child");
        QTest::newRow("main context without a store: nothing to do") << false;
        QTest::newRow("child whose connection failed: errors") << true;
    }

    void contextsWithoutAConnection()
    {
        QFETCH(bool, child);
        std::unique_ptr<TestStore> store;
        std::unique_ptr<ManagedObjectContext> context;
        if (child) {
            store = std::make_unique<TestStore>();
            store->item(QStringLiteral("a"));
            QVERIFY(store->context->save());
            // A child opens the file by its path, which is gone now.
            QVERIFY(QFile::remove(store->path()));
            context = store->context->newPrivateContext();
        } else {
            context = std::make_unique<ManagedObjectContext>(
                std::make_shared<PersistentStoreCoordinator>(testModel()));
        }
        QVERIFY(!context->hasStore());
        context->performAndWait([&] {
            const FetchRequest items(QStringLiteral("Item"));
            Error error;
            QVERIFY(context->executeFetchRequest(items, &error).isEmpty());
            QCOMPARE(bool(error), child);
            error = Error();
            QCOMPARE(context->countForFetchRequest(items, &error), child ? -1 : 0);
            QCOMPARE(bool(error), child);
            error = Error();
            FetchRequest names(QStringLiteral("Item"));
            names.propertiesToFetch = {QStringLiteral("name")};
            QVERIFY(context->executeDictionaryFetch(names, &error).isEmpty());
            QCOMPARE(bool(error), child);
            if (child) {
                error = Error();
                context->insertNewObject(QStringLiteral("Item"));
                QVERIFY(!context->save(&error));
                QVERIFY(error);
            } else {
                QVERIFY(context->save());
            }
        });
    }

    void statementsInUseSurviveNestedQueries_data()
    {
        QTest::addColumn<int>("nesting");
        QTest::addColumn<int>("items");
        QTest::newRow("the same query while stepping") << int(NestingItem::Nesting::SameQuery) << 6;
        QTest::newRow("more distinct queries than the cache holds")
            << int(NestingItem::Nesting::DistinctQueries) << 200;
    }

    void statementsInUseSurviveNestedQueries()
    {
        QFETCH(int, nesting);
        QFETCH(int, items);
        TestStore store;
        store.coordinator = std::make_shared<PersistentStoreCoordinator>(
            testModel(1, [](ManagedObjectModel &model) {
                model.setClass<NestingItem>(QStringLiteral("Item"));
            }));
        QVERIFY(store.coordinator->addSQLiteStore(
            store.dir.filePath(QStringLiteral("nesting.db")), nullptr));
        store.context = std::make_unique<ManagedObjectContext>(store.coordinator);
        QStringList expected;
        for (int i = 0; i < items; ++i) {
            expected << QStringLiteral("item %1").arg(i, 3, 10, QLatin1Char('0'));
            store.item(expected.last());
        }
        QVERIFY(store.context->save());
        store.context = std::make_unique<ManagedObjectContext>(store.coordinator);
        NestingItem::nesting = NestingItem::Nesting(nesting);
        const QStringList names = store.names(NestingItem::allItemsByName());
        NestingItem::nesting = NestingItem::Nesting::None;
        QCOMPARE(names, expected);
    }
};

RK_TEST_MAIN(ContextTest)
#include "tst_context.moc"
