#include "TestModel.h"
#include "platform/store/SqliteConnection.h"
#include "platform/store/StoreFunctions.h"
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

    static FetchRequest allItemsByName()
    {
        FetchRequest request("Item");
        request.sortDescriptors = {{"name", true}};
        return request;
    }

protected:
    void awakeFromFetch() override
    {
        if (nesting == Nesting::SameQuery)
            managedObjectContext()->executeFetchRequest(allItemsByName());
        // Every limit is a statement the connection has not seen.
        for (int i = 0; nesting == Nesting::DistinctQueries && i < 3; ++i) {
            FetchRequest boxes("Box");
            boxes.fetchLimit = ++queries;
            managedObjectContext()->executeFetchRequest(boxes);
        }
    }
};

// What an import does with one answer: finds each item by name, inserts the
// ones it lacks, updates the rest, and saves.
bool mergeAnswer(ManagedObjectContext &child, const QStringList &names, int count, Error *error)
{
    bool saved = false;
    child.performAndWait([&] {
        for (const QString &name : names) {
            FetchRequest byName("Item");
            byName.predicate = Predicate::format("name == %@", name);
            ManagedObjectPtr item = child.executeFetchRequest(byName).value(0);
            if (!item)
                item = child.insertNewObject("Item", {{"name", name}});
            item->setValue("count", count);
        }
        saved = child.save(error);
    });
    return saved;
}

FetchRequest sorted(const char *entity, const char *key, bool ascending = true)
{
    FetchRequest request(entity);
    request.sortDescriptors = {{key, ascending}};
    return request;
}
// Six items, two of them in a box titled "öl", with absent values among
// their keys.
void fillRows(TestStore &store)
{
    const QDateTime noon = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
    auto box = store.context->insertNewObject("Box");
    box->setValue("title", "öl");
    struct Row {
        const char *name;
        QVariant score;
        QVariant count;
        QVariant flag;
        QVariant when;
        bool boxed;
    };
    const Row rows[] = {
        {"Äpfel", 1.5, 1, true, noon.addSecs(-60), true},
        {"äpfel", 2.0, 2, true, noon, true},
        {"Hauptstrasse", {}, 3, {}, noon.addSecs(60), false},
        {"zero", 0.0, {}, false, {}, false},
        {"日本語のレビュー", {}, {}, {}, {}, false},
        {"ＡＰＰ日本", {}, {}, {}, {}, false},
    };
    for (const Row &row : rows)
        store.context
            ->insertNewObject("Item",
                {{"name", QString::fromUtf8(row.name)}, {"score", row.score}, {"count", row.count},
                    {"flag", row.flag}, {"when", row.when}})
            ->setObject("box", row.boxed ? box : ManagedObjectPtr());
}
} // namespace

// Records in a context: their values, relations and life, fetches in SQL
// and in memory, merges from children.
class ContextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void attributesAreTypedAndOptional()
    {
        TestStore store;
        auto item = store.item("a");
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(1234567, Qt::UTC);
        for (const auto &[key, value] :
            std::initializer_list<std::pair<const char *, QVariant>> {{"count", 0}, {"flag", false},
                {"blob", QByteArray("\0x", 2)}, {"info", QVariantMap {{"k", 1}}}, {"when", when}})
            item->setValue(key, value);
        QVERIFY(store.context->save());
        const QUrl uri = item->uri();
        item.reset();
        store.reload();
        auto loaded = store.context->objectWithURI(uri);
        QVERIFY(loaded);
        QCOMPARE(loaded->integerValue("count"), std::optional<qint64>(0));
        QCOMPARE(loaded->boolValue("flag"), std::optional<bool>(false));
        QVERIFY(!loaded->floatValue("score"));
        QVERIFY(loaded->stringValue("nothing").isNull());
        QCOMPARE(loaded->dataValue("blob"), QByteArray("\0x", 2));
        QCOMPARE(loaded->value("info").toMap().value("k").toInt(), 1);
        QCOMPARE(loaded->dateValue("when"), when);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, loaded->setValue("nothing", 1));
    }

    void oneLiveRecordPerIdAndSubEntitiesInFetches()
    {
        TestStore store;
        store.item("plain");
        auto tool = store.context->insertNewObject("Tool", {{"name", "tool"}, {"weight", 2.5}});
        QVERIFY(store.context->save());
        const auto items = store.context->executeFetchRequest(FetchRequest("Item"));
        QCOMPARE(items.size(), 2);
        QVERIFY(items.contains(tool));
        QCOMPARE(store.context->executeFetchRequest(FetchRequest("Tool")), QList {tool});
        QCOMPARE(tool->entity().name(), QString("Tool"));
    }

    void fetchesAndCountsSeePendingChanges()
    {
        TestStore store;
        auto a = store.item("a");
        auto b = store.item("b");
        auto c = store.item("c");
        for (auto &item : {a, b, c})
            item->setValue("count", 1);
        QVERIFY(store.context->save());
        FetchRequest ones = sorted("Item", "name");
        ones.predicate = Predicate::format("count == %@", 1);
        QCOMPARE(store.names(ones), (QStringList {"a", "b", "c"}));

        store.item("d")->setValue("count", 1); // insert
        b->setValue("count", 2); // update out
        store.context->deleteObject(c); // delete
        QCOMPARE(store.names(ones), (QStringList {"a", "d"}));
        QCOMPARE(store.context->countForFetchRequest(ones), 2);
        a->setValue("count", 5);
        b->setValue("count", 1); // update back in
        QCOMPARE(store.names(ones), (QStringList {"b", "d"}));
        QCOMPARE(store.context->countForFetchRequest(ones), 2);
        ones.fetchLimit = 1;
        QCOMPARE(store.names(ones), QStringList {"b"});
        QVERIFY(store.context->save());
        QCOMPARE(store.names(ones), QStringList {"b"});
        QCOMPARE(store.count("Item", "count == 1"), 2);
    }

    void absentSortsFirstAscending()
    {
        TestStore store;
        store.item("two")->setValue("score", 2.0);
        store.item("none");
        store.item("one")->setValue("score", 1.0);
        QCOMPARE(store.names(sorted("Item", "score")), (QStringList {"none", "one", "two"}));
        QVERIFY(store.context->save());
        QCOMPARE(store.names(sorted("Item", "score")), (QStringList {"none", "one", "two"}));
        QCOMPARE(store.names(sorted("Item", "score", false)), (QStringList {"two", "one", "none"}));
    }

    void dictionariesDistinctValuesAndGroupedCounts()
    {
        TestStore store;
        for (double score : {5.0, 5.0, 4.0, 1.0})
            store.item("x")->setValue("score", score);
        store.item("y");
        QVERIFY(store.context->save());
        store.item("unsaved")->setValue("score", 5.0);

        FetchRequest grouped = sorted("Item", "score", false);
        grouped.propertiesToFetch = {"score"};
        grouped.propertiesToGroupBy = {"score"};
        grouped.countName = "total";
        const QList<QVariantMap> rows = store.context->executeDictionaryFetch(grouped);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].value("score").toDouble(), 5.0);
        QCOMPARE(rows[0].value("total").toInt(), 2); // committed data only
        QCOMPARE(rows[0].value("total").metaType().id(), QMetaType::Int);
        QVERIFY(!rows[3].contains("score"));
        QCOMPARE(rows[3].value("total").toInt(), 1);

        FetchRequest distinct = sorted("Item", "name");
        distinct.propertiesToFetch = {"name"};
        distinct.returnsDistinctResults = true;
        QCOMPARE(store.context->executeDictionaryFetch(distinct).size(), 2);

        Error error;
        FetchRequest wrong("Item");
        wrong.propertiesToFetch = {"nothing"};
        QVERIFY(store.context->executeDictionaryFetch(wrong, &error).isEmpty());
        QVERIFY(error);
    }

    void inversesStayInStepWithoutLoadingMembers()
    {
        TestStore store;
        auto box = store.context->insertNewObject("Box");
        auto other = store.context->insertNewObject("Box");
        auto a = store.item("a", box);
        QCOMPARE(box->countOfObjects("items"), 1);
        QVERIFY(store.context->save());
        box->addObject("items", store.item("b"));
        QCOMPARE(box->countOfObjects("items"), 2);
        a->setObject("box", other);
        QCOMPARE(box->objects("items").size(), 1);
        QCOMPARE(other->objects("items").first().get(), a.get());
        QVERIFY(store.context->save());
        QCOMPARE(other->countOfObjects("items"), 1);
        QCOMPARE(a->object("box").get(), other.get());
    }

    void deleteRulesCascadeAndNullify()
    {
        TestStore store;
        auto shelf = store.context->insertNewObject("Box");
        auto box = store.context->insertNewObject("Box");
        box->setObject("shelf", shelf);
        store.item("saved", box);
        QVERIFY(store.context->save());
        store.item("pending", box);
        store.item("kept");
        store.context->deleteObject(box);
        QCOMPARE(store.names(FetchRequest("Item")), QStringList {"kept"});
        QVERIFY(store.context->save());
        QCOMPARE(store.names(FetchRequest("Item")), QStringList {"kept"});

        // Nullify: the shelf loses its boxes, the boxes stay.
        auto inner = store.context->insertNewObject("Box");
        inner->setObject("shelf", shelf);
        QVERIFY(store.context->save());
        store.context->deleteObject(shelf);
        QVERIFY(store.context->save());
        QVERIFY(!inner->object("shelf"));
        QCOMPARE(store.count("Box"), 1);
    }

    void recordUris()
    {
        TestStore store;
        auto a = store.item("a");
        auto b = store.item("b");
        QVERIFY(store.context->save());
        const QList<QUrl> uris {a->uri(), b->uri()};
        store.context->deleteObject(b);
        QVERIFY(store.context->save());
        b.reset();
        QCOMPARE(store.context->objectsWithURIs(uris), QList<ManagedObjectPtr> {a});
        QUrl wrongEntity = a->uri();
        wrongEntity.setPath(QStringLiteral("/Box/p%1").arg(a->objectID().rowId));
        for (const QUrl &uri : {QUrl("x-rkstore://other/Item/p1"), QUrl("https://x/"), wrongEntity})
            QVERIFY2(!store.context->objectWithURI(uri), qPrintable(uri.toString()));
    }

    void recordsNothingHoldsAreReleased()
    {
        TestStore store;
        for (int i = 0; i < 100; ++i)
            store.item(QString::number(i));
        QVERIFY(store.context->save());
        std::weak_ptr<ManagedObject> watched;
        {
            const auto all = store.context->executeFetchRequest(FetchRequest("Item"));
            QCOMPARE(all.size(), 100);
            watched = all.first();
        }
        QVERIFY(watched.expired());
        // A record with pending changes is held by its context.
        auto item = store.context->executeFetchRequest(FetchRequest("Item")).first();
        item->setValue("count", 7);
        watched = item;
        item.reset();
        QVERIFY(!watched.expired());
        QVERIFY(store.context->save());
        QVERIFY(watched.expired());
    }

    void announcementsComeOncePerTurn()
    {
        TestStore store;
        auto box = store.context->insertNewObject("Box");
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        int notifications = 0;
        QList<ObjectChange> boxChanges;
        store.context->observeChanges(
            nullptr, [&](const ChangeNotification &) { ++notifications; });
        QObject owner;
        auto observer = store.context->observeObject(
            box->objectID(), &owner, [&](const ObjectChange &c) { boxChanges << c; });
        box->setValue("title", "one");
        box->setValue("title", "two");
        store.item("a", box);
        QCOMPARE(notifications, 0);
        QCoreApplication::processEvents();
        QCOMPARE(notifications, 1);
        QCOMPARE(boxChanges.size(), 1);
        QCOMPARE(boxChanges.first().keys, (QSet<QString> {"title", "items"}));
        store.context->removeObserver(observer);
        box->setValue("title", "three");
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
        auto kept = store.item("kept");
        kept->setValue("count", 1);
        QVERIFY(store.context->save());
        const QStringList answer {"a", "kept", "b"};

        // The write connection refuses new items while the trigger exists.
        SqliteConnection *writer = store.coordinator->writeConnection();
        QVERIFY(writer->exec("CREATE TEMP TRIGGER refuse BEFORE INSERT ON main.\"Item\" BEGIN "
                             "SELECT RAISE(ABORT, 'no room for items'); END"));
        auto child = store.context->newPrivateContext();
        Error error;
        QVERIFY(!mergeAnswer(*child, answer, 2, &error));
        QVERIFY2(error.localizedDescription().contains("no room for items"),
            qPrintable(error.debugDescription()));
        QVERIFY(!store.context->hasChanges());
        QCOMPARE(kept->integerValue("count"), std::optional<qint64>(1));
        QCOMPARE(store.names(FetchRequest("Item")), QStringList {"kept"});

        QVERIFY(writer->exec("DROP TRIGGER temp.refuse"));
        if (!sameChild)
            child = store.context->newPrivateContext();
        error = Error();
        QVERIFY2(mergeAnswer(*child, answer, 3, &error), qPrintable(error.debugDescription()));
        QVERIFY(!store.context->hasChanges());
        child.reset();
        store.reload();
        QCOMPARE(store.names(sorted("Item", "name")), (QStringList {"a", "b", "kept"}));
        QCOMPARE(store.count("Item", "count == 3"), 3);
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
        TestStore store;
        std::unique_ptr<ManagedObjectContext> context;
        if (child) {
            store.item("a");
            QVERIFY(store.context->save());
            // A child opens the file by its path, which is gone now.
            QVERIFY(QFile::remove(store.path()));
            context = store.context->newPrivateContext();
        } else {
            context = std::make_unique<ManagedObjectContext>(
                std::make_shared<PersistentStoreCoordinator>(testModel()));
        }
        QVERIFY(!context->hasStore());
        context->performAndWait([&] {
            FetchRequest items("Item");
            Error error;
            QVERIFY(context->executeFetchRequest(items, &error).isEmpty());
            QCOMPARE(bool(std::exchange(error, Error())), child);
            QCOMPARE(context->countForFetchRequest(items, &error), child ? -1 : 0);
            QCOMPARE(bool(std::exchange(error, Error())), child);
            items.propertiesToFetch = {"name"};
            QVERIFY(context->executeDictionaryFetch(items, &error).isEmpty());
            QCOMPARE(bool(std::exchange(error, Error())), child);
            if (child)
                context->insertNewObject("Item");
            QCOMPARE(context->save(&error), !child);
            QCOMPARE(bool(error), child);
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
            testModel(1, [](ManagedObjectModel &model) { model.setClass<NestingItem>("Item"); }));
        QVERIFY(store.coordinator->addSQLiteStore(store.dir.filePath("nesting.db"), nullptr));
        store.reload();
        QStringList expected;
        for (int i = 0; i < items; ++i)
            store.item(expected.emplaceBack(QStringLiteral("item %1").arg(i, 3, 10, QChar('0'))));
        QVERIFY(store.context->save());
        store.reload();
        NestingItem::nesting = NestingItem::Nesting(nesting);
        const QStringList names = store.names(NestingItem::allItemsByName());
        NestingItem::nesting = NestingItem::Nesting::None;
        QCOMPARE(names, expected);
    }

    // Each "%@" takes the next argument, "x"; too few or too many are errors.
    void parsesTheQueryLanguage_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("arguments");
        QTest::addColumn<bool>("valid");
        QTest::newRow("comparison") << "count <= 3" << 0 << true;
        QTest::newRow("or nil") << "when <= %@ OR when == nil" << 1 << true;
        QTest::newRow("options") << "name ==[c] %@ AND name CONTAINS[cd] 'x'" << 1 << true;
        QTest::newRow("not in") << "NOT (count IN {1, 2, 3})" << 0 << true;
        QTest::newRow("symbols") << "!(flag == YES) && score > 0.0 || name LIKE 'a*'" << 0 << true;
        QTest::newRow("key path") << "box.title BEGINSWITH[c] \"Sh\"" << 0 << true;
        QTest::newRow("dangling and") << "count == 1 AND" << 0 << false;
        QTest::newRow("no operator") << "count 1" << 0 << false;
        QTest::newRow("unterminated") << "name == 'abc" << 0 << false;
        QTest::newRow("two keys") << "name == title" << 0 << false;
        QTest::newRow("unbalanced") << "(count == 1" << 0 << false;
        QTest::newRow("garbage") << "#$%" << 0 << false;
        QTest::newRow("missing argument") << "name == %@" << 0 << false;
        QTest::newRow("extra argument") << "name == %@" << 2 << false;
        QTest::newRow("IN without a list") << "count IN %@" << 1 << false;
    }

    void parsesTheQueryLanguage()
    {
        QFETCH(QString, format);
        QFETCH(int, arguments);
        QFETCH(bool, valid);
        const Predicate predicate = Predicate::fromFormat(format, QVariantList(arguments, "x"));
        QCOMPARE(predicate.isValid(), valid);
        QCOMPARE(predicate.errorText().isEmpty(), valid);
    }

    void likeUsesStarAndQuestionMark()
    {
        QVERIFY(StoreText::like("Weather Pro", "W*P?o", false));
        QVERIFY(!StoreText::like("Weather Pro", "w*", false));
        QVERIFY(StoreText::like("Weather Pro", "w*", true));
        QVERIFY(StoreText::like(QString(), "*", false));
        // No exponential backtracking.
        QVERIFY(!StoreText::like(QString(5000, QLatin1Char('a')), "*a*a*a*a*a*b", false));
    }

    // Every predicate gives the same records in SQL and in memory,
    // absent values and Unicode case folding included.
    void sqlAndMemoryAgree_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QStringList>("expected");
        const QDateTime noon = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        QTest::newRow("==[c] german")
            << "name ==[c] %@" << QVariantList {"äpfel"} << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("== exact") << "name == %@" << QVariantList {"äpfel"}
                                  << QStringList {"äpfel"};
        QTest::newRow("contains[c] german")
            << "name CONTAINS[c] %@" << QVariantList {"STRASSE"} << QStringList {"Hauptstrasse"};
        QTest::newRow("contains[c] full-width")
            << "name CONTAINS[c] %@" << QVariantList {"ａｐｐ"} << QStringList {"ＡＰＰ日本"};
        QTest::newRow("beginswith[c] japanese")
            << "name BEGINSWITH[c] %@" << QVariantList {"日本"} << QStringList {"日本語のレビュー"};
        QTest::newRow("like[c]") << "name LIKE[c] %@" << QVariantList {"ä?fel"}
                                 << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("endswith") << "name ENDSWITH %@" << QVariantList {"fel"}
                                  << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("nil") << "score == nil" << QVariantList {}
                             << QStringList {"Hauptstrasse", "日本語のレビュー", "ＡＰＰ日本"};
        QTest::newRow("not nil") << "score != nil" << QVariantList {}
                                 << QStringList {"zero", "Äpfel", "äpfel"};
        QTest::newRow("!= keeps absent")
            << "score != 2.0" << QVariantList {}
            << QStringList {"Hauptstrasse", "zero", "Äpfel", "日本語のレビュー", "ＡＰＰ日本"};
        QTest::newRow("not > keeps absent")
            << "NOT (score > 1)" << QVariantList {}
            << QStringList {"Hauptstrasse", "zero", "日本語のレビュー", "ＡＰＰ日本"};
        QTest::newRow("float > 0")
            << "score > 0.0" << QVariantList {} << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("bool NO") << "flag == NO" << QVariantList {} << QStringList {"zero"};
        QTest::newRow("date <=") << "when <= %@" << QVariantList {noon}
                                 << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("date < excludes equal")
            << "when < %@" << QVariantList {noon} << QStringList {"Äpfel"};
        QTest::newRow("in list[c]")
            << "name IN[c] %@" << QVariantList {QVariantList {"ÄPFEL", "zero"}}
            << QStringList {"zero", "Äpfel", "äpfel"};
        QTest::newRow("in empty") << "count IN %@" << QVariantList {QVariantList {}}
                                  << QStringList {};
        QTest::newRow("integer in")
            << "count IN {1, 3}" << QVariantList {} << QStringList {"Hauptstrasse", "Äpfel"};
        QTest::newRow("key path") << "box.title ==[c] %@" << QVariantList {"ÖL"}
                                  << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("and or") << "(count == 1 OR count == 2) AND name BEGINSWITH 'Ä'"
                                << QVariantList {} << QStringList {"Äpfel"};
        QTest::newRow("falsepredicate") << "FALSEPREDICATE" << QVariantList {} << QStringList {};
    }

    void sqlAndMemoryAgree()
    {
        QFETCH(QString, format);
        QFETCH(QVariantList, arguments);
        QFETCH(QStringList, expected);

        TestStore store;
        fillRows(store);
        FetchRequest request("Item");
        request.predicate = Predicate::fromFormat(format, arguments);
        request.sortDescriptors = {{"name", true}};
        QVERIFY2(request.predicate.isValid(), qPrintable(request.predicate.errorText()));

        // Unsaved: the pending inserts are matched in memory.
        QCOMPARE(store.names(request), expected);
        QCOMPARE(store.context->countForFetchRequest(request), expected.size());
        QVERIFY(store.context->save());
        // Saved: SQL does the matching.
        store.reload();
        QCOMPARE(store.names(request), expected);
        QCOMPARE(store.context->countForFetchRequest(request), expected.size());
    }

    // A key that exists only in memory leaves the other conjuncts to SQL:
    // the records loaded are those the SQL conditions match, and the result is
    // what evaluating the whole predicate in memory gives.
    void inMemoryKeysLeaveTheRestToSql_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("alone") << "initial ==[c] 'ä'" << 6 << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("beside a stored key")
            << "initial == 'Ä' AND count == 1" << 1 << QStringList {"Äpfel"};
        QTest::newRow("nested and")
            << "(count == 2 AND initial == 'ä') AND score > 1" << 1 << QStringList {"äpfel"};
        QTest::newRow("or stays in memory, its sibling goes to SQL")
            << "count >= 2 AND (initial == 'H' OR name == 'zero')" << 2
            << QStringList {"Hauptstrasse"};
        QTest::newRow("key path beside an or")
            << "(initial == 'H' OR count == 1) AND box.title ==[c] 'ÖL'" << 2
            << QStringList {"Äpfel"};
        QTest::newRow("not stays whole")
            << "NOT (initial == 'z' AND flag == NO)" << 6
            << QStringList {"Hauptstrasse", "äpfel", "Äpfel", "日本語のレビュー", "ＡＰＰ日本"};
        QTest::newRow("unknown key") << "nickname == 'a' AND count > 0" << 3 << QStringList {};
    }

    void inMemoryKeysLeaveTheRestToSql()
    {
        QFETCH(QString, format);
        QFETCH(int, loaded);
        QFETCH(QStringList, expected);

        TestStore store;
        fillRows(store);
        QVERIFY(store.context->save());
        FetchRequest request("Item");
        request.predicate = Predicate::fromFormat(format);
        QVERIFY2(request.predicate.isValid(), qPrintable(request.predicate.errorText()));

        QStringList inMemory;
        store.reload();
        for (const auto &item : store.context->executeFetchRequest(FetchRequest("Item")))
            if (request.predicate.evaluate(*item))
                inMemory << item->value("name").toString();

        store.reload();
        TestItem::loaded = 0;
        Error error;
        QStringList names;
        for (const auto &item : store.context->executeFetchRequest(request, &error))
            names << item->value("name").toString();
        QVERIFY(!error);
        QCOMPARE(TestItem::loaded, loaded);
        names.sort();
        inMemory.sort();
        expected.sort();
        QCOMPARE(names, inMemory);
        QCOMPARE(names, expected);
        QCOMPARE(store.context->countForFetchRequest(request), expected.size());
    }
};

RK_TEST_MAIN(ContextTest)
#include "tst_context.moc"
