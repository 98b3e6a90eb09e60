#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/SqliteConnection.h"
#include "platform/store/StoreFunctions.h"
#include "support/TestEnvironment.h"
#include "support/WaitFor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

#include <sqlite3.h>

namespace {
// Items have a key that exists only in memory, "initial" (the first letter
// of the name), and count how many were loaded from the store.
class TestItem : public ManagedObject {
public:
    static inline int loaded = 0;
    void awakeFromFetch() override { ++loaded; }
    QVariant valueForKey(const QString &key) const override
    {
        if (key != u"initial")
            return ManagedObject::valueForKey(key);
        const QString name = value("name").toString();
        return name.isEmpty() ? QVariant() : QVariant(name.left(1));
    }
};

// A small model of boxes holding items with every attribute type.
// `customize` runs before the model is finalized (to set record classes).
std::shared_ptr<ManagedObjectModel> testModel(
    int version = 1, const std::function<void(ManagedObjectModel &)> &customize = {})
{
    using T = AttributeType;
    auto model = std::make_shared<ManagedObjectModel>(version);
    model->addEntity("Box");
    model->addEntity("Item");
    model->addAttribute("Box", "title", T::String);
    for (const auto &[name, type] :
        {std::pair {"name", T::String}, {"score", T::Float}, {"count", T::Integer},
            {"flag", T::Boolean}, {"when", T::Date}, {"blob", T::Data}, {"info", T::Object}})
        model->addAttribute("Item", name, type);
    model->addRelationship("Item", "box", "Box", "items", DeleteRule::Cascade);
    model->addRelationship("Box", "shelf", "Box", "boxes", DeleteRule::Nullify);
    model->addIndex("Item", {"box", "rk_fold(\"name\")"});
    model->setClass<TestItem>("Item");
    if (version >= 2) {
        model->addAttribute("Box", "label", T::String);
        model->addIndex("Box", {"label"});
        // Version 1 stored titles with padding; version 2 trims them.
        model->addUpgradeStep(1, {"UPDATE \"Box\" SET \"title\" = trim(\"title\")"});
    }
    if (customize)
        customize(*model);
    model->finalize();
    return model;
}

struct TestStore {
    QTemporaryDir dir;
    std::shared_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;

    explicit TestStore(int version = 1) { open(version); }
    QString path() const { return dir.filePath("store.db"); }
    bool open(int version, Error *error = nullptr)
    {
        context.reset();
        coordinator = std::make_shared<PersistentStoreCoordinator>(testModel(version));
        Error failure;
        const bool ok = coordinator->addSQLiteStore(path(), &failure);
        if (error)
            *error = failure;
        context = std::make_unique<ManagedObjectContext>(coordinator);
        return ok;
    }
    // A fresh main context over the same store, that has loaded nothing.
    void reload() { context = std::make_unique<ManagedObjectContext>(coordinator); }
    ManagedObjectPtr item(const QString &name, const ManagedObjectPtr &box = {})
    {
        auto item = context->insertNewObject("Item");
        item->setValue("name", name);
        if (box)
            item->setObject("box", box);
        return item;
    }
    QStringList names(const FetchRequest &request)
    {
        QStringList names;
        for (const auto &object : context->executeFetchRequest(request))
            names << object->value("name").toString();
        return names;
    }
    qint64 count(const QString &entity, const QString &predicate = {})
    {
        FetchRequest request(entity);
        if (!predicate.isEmpty())
            request.predicate = Predicate::fromFormat(predicate);
        return context->countForFetchRequest(request);
    }
};

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
// and in memory, merges from children (how changes are announced is the
// merge test's). Then the store file: upgrades, files it must refuse, and
// its write-ahead log.
class StoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Values keep their types through the store and absent ones stay absent;
    // an address finds its record until the record is deleted.
    void attributesAreTypedAndOptional()
    {
        TestStore store;
        auto item = store.item("a");
        auto gone = store.item("b");
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(1234567, Qt::UTC);
        for (const auto &[key, value] :
            std::initializer_list<std::pair<const char *, QVariant>> {{"count", 0}, {"flag", false},
                {"blob", QByteArray("\0x", 2)}, {"info", QVariantMap {{"k", 1}}}, {"when", when}})
            item->setValue(key, value);
        QVERIFY(store.context->save());
        const QList<QUrl> uris {item->uri(), gone->uri()};
        store.context->deleteObject(gone);
        QVERIFY(store.context->save());
        gone.reset();
        item.reset();
        store.reload();
        const auto found = store.context->objectsWithURIs(uris);
        QCOMPARE(found.size(), 1);
        const ManagedObjectPtr loaded = found.first();
        QCOMPARE(loaded->integerValue("count"), std::optional<qint64>(0));
        QCOMPARE(loaded->boolValue("flag"), std::optional<bool>(false));
        QVERIFY(!loaded->floatValue("score"));
        QVERIFY(loaded->stringValue("nothing").isNull());
        QCOMPARE(loaded->dataValue("blob"), QByteArray("\0x", 2));
        QCOMPARE(loaded->value("info").toMap().value("k").toInt(), 1);
        QCOMPARE(loaded->dateValue("when"), when);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, loaded->setValue("nothing", 1));
        QUrl wrongEntity = uris.first();
        wrongEntity.setPath(QStringLiteral("/Box/p%1").arg(loaded->objectID().rowId));
        for (const QUrl &uri : {QUrl("x-rkstore://other/Item/p1"), QUrl("https://x/"), wrongEntity})
            QVERIFY2(!store.context->objectWithURI(uri), qPrintable(uri.toString()));
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
    }

    void dictionariesDistinctValuesAndGroupedCounts()
    {
        TestStore store;
        for (double score : {5.0, 5.0, 4.0, 1.0})
            store.item("x")->setValue("score", score);
        store.item("y");
        // Absent values sort first ascending, in memory as in SQL.
        QCOMPARE(store.names(sorted("Item", "score")).first(), QString("y"));
        QVERIFY(store.context->save());
        store.reload();
        QCOMPARE(store.names(sorted("Item", "score")).first(), QString("y"));
        QCOMPARE(store.names(sorted("Item", "score", false)).last(), QString("y"));
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

    // Inverses stay in step without loading members. Deleting a box takes
    // its items, saved or pending; deleting a shelf leaves its boxes.
    void relationshipsAndDeleteRules()
    {
        TestStore store;
        auto shelf = store.context->insertNewObject("Box");
        auto box = store.context->insertNewObject("Box");
        auto other = store.context->insertNewObject("Box");
        box->setObject("shelf", shelf);
        other->setObject("shelf", shelf);
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

        store.item("pending", box);
        store.context->deleteObject(box);
        QCOMPARE(store.names(FetchRequest("Item")), QStringList {"a"});
        QVERIFY(store.context->save());
        QCOMPARE(store.names(FetchRequest("Item")), QStringList {"a"});
        store.context->deleteObject(shelf);
        QVERIFY(store.context->save());
        QVERIFY(!other->object("shelf"));
        QCOMPARE(store.count("Box"), 1);
    }

    // A record with pending changes is held by its context until saved.
    void recordsNothingHoldsAreReleased()
    {
        TestStore store;
        for (int i = 0; i < 100; ++i)
            store.item(QString::number(i));
        QVERIFY(store.context->save());
        std::weak_ptr<ManagedObject> watched =
            store.context->executeFetchRequest(FetchRequest("Item")).first();
        QVERIFY(watched.expired());
        auto item = store.context->executeFetchRequest(FetchRequest("Item")).first();
        item->setValue("count", 7);
        watched = item;
        item.reset();
        QVERIFY(!watched.expired());
        QVERIFY(store.context->save());
        QVERIFY(watched.expired());
    }

    // An answer merged again after its save failed, by the same child or by
    // a new one, leaves no second copy.
    void aFailedPushLeavesNoSecondCopy()
    {
        for (const bool sameChild : {true, false}) {
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
    }

    // A main context without a store has nothing to do; a child whose
    // connection failed reports errors.
    void contextsWithoutAConnection()
    {
        for (const bool child : {false, true}) {
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
    }

    // The same query while stepping, and more distinct queries than the
    // statement cache holds.
    void statementsInUseSurviveNestedQueries()
    {
        using N = NestingItem::Nesting;
        for (const auto &[nesting, items] :
            {std::pair {N::SameQuery, 6}, {N::DistinctQueries, 200}}) {
            TestStore store;
            store.coordinator = std::make_shared<PersistentStoreCoordinator>(testModel(
                1, [](ManagedObjectModel &model) { model.setClass<NestingItem>("Item"); }));
            QVERIFY(store.coordinator->addSQLiteStore(store.dir.filePath("nesting.db"), nullptr));
            store.reload();
            QStringList expected;
            for (int i = 0; i < items; ++i)
                store.item(
                    expected.emplaceBack(QStringLiteral("item %1").arg(i, 3, 10, QChar('0'))));
            QVERIFY(store.context->save());
            store.reload();
            NestingItem::nesting = nesting;
            const QStringList names = store.names(NestingItem::allItemsByName());
            NestingItem::nesting = N::None;
            QCOMPARE(names, expected);
        }
    }

    // Each "%@" takes the next argument, "x"; too few or too many are errors.
    void parsesTheQueryLanguage()
    {
        const struct {
            const char *format;
            int arguments;
            bool valid;
        } rows[] = {
            {"!(flag == YES) && score > 0.0 || name CONTAINS[cd] \"x\"", 0, true},
            {"count == 1 AND", 0, false},
            {"count 1", 0, false},
            {"name == 'abc", 0, false},
            {"name == title", 0, false},
            {"(count == 1", 0, false},
            {"#$%", 0, false},
            {"name == %@", 0, false},
            {"name == %@", 2, false},
            {"count IN %@", 1, false},
        };
        for (const auto &row : rows) {
            const Predicate predicate =
                Predicate::fromFormat(row.format, QVariantList(row.arguments, "x"));
            QVERIFY2(predicate.isValid() == row.valid, row.format);
            QVERIFY2(predicate.errorText().isEmpty() == row.valid, row.format);
        }
    }

    // Stars on a long text that never matches take linear time.
    void likeNeverBacktracksWithoutEnd()
    {
        QVERIFY(!StoreText::like(QString(5000, QLatin1Char('a')), "*a*a*a*a*a*b", false));
    }

    // Every predicate gives the same records in SQL and in memory, absent
    // values and Unicode case folding included. A key that exists only in
    // memory, "initial", leaves the other conjuncts to SQL: the records loaded
    // are those the SQL conditions match (`loaded`, or else the matches).
    void sqlAndMemoryAgree_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("loaded");
        const auto row = [](const char *tag, const char *format, const QVariantList &arguments,
                             const QStringList &expected, int loaded = -1) {
            QTest::newRow(tag) << QString::fromUtf8(format) << arguments << expected << loaded;
        };
        const QDateTime noon = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        row("==[c] german", "name ==[c] %@", {"äpfel"}, {"Äpfel", "äpfel"});
        row("== exact", "name == %@", {"äpfel"}, {"äpfel"});
        row("contains[c] german", "name CONTAINS[c] %@", {"STRASSE"}, {"Hauptstrasse"});
        row("contains[c] full-width", "name CONTAINS[c] %@", {"ａｐｐ"}, {"ＡＰＰ日本"});
        row("beginswith[c] japanese", "name BEGINSWITH[c] %@", {"日本"}, {"日本語のレビュー"});
        row("like[c]", "name LIKE[c] %@", {"ä?f*"}, {"Äpfel", "äpfel"});
        row("like", "name LIKE 'H*s?e' OR name LIKE 'äpfel*'", {}, {"Hauptstrasse", "äpfel"});
        row("endswith", "name ENDSWITH %@", {"fel"}, {"Äpfel", "äpfel"});
        row("nil", "score == nil", {}, {"Hauptstrasse", "日本語のレビュー", "ＡＰＰ日本"});
        row("not nil", "score != nil", {}, {"zero", "Äpfel", "äpfel"});
        row("!= keeps absent", "score != 2.0", {},
            {"Hauptstrasse", "zero", "Äpfel", "日本語のレビュー", "ＡＰＰ日本"});
        row("not > keeps absent", "NOT (score > 1)", {},
            {"Hauptstrasse", "zero", "日本語のレビュー", "ＡＰＰ日本"});
        row("float > 0", "score > 0.0", {}, {"Äpfel", "äpfel"});
        row("bool NO", "flag == NO", {}, {"zero"});
        row("date <=", "when <= %@", {noon}, {"Äpfel", "äpfel"});
        row("date < excludes equal", "when < %@", {noon}, {"Äpfel"});
        row("in list[c]", "name IN[c] %@", {QVariant(QVariantList {"ÄPFEL", "zero"})},
            {"zero", "Äpfel", "äpfel"});
        row("in empty", "count IN %@", {QVariant(QVariantList())}, {});
        row("integer in", "count IN {1, 3}", {}, {"Hauptstrasse", "Äpfel"});
        row("and or", "(count == 1 OR count == 2) AND name BEGINSWITH 'Ä'", {}, {"Äpfel"});
        row("falsepredicate", "FALSEPREDICATE", {}, {});
        row("in memory alone", "initial ==[c] 'ä'", {}, {"Äpfel", "äpfel"}, 6);
        row("in memory beside a nested and", "(count == 2 AND initial == 'ä') AND score > 1", {},
            {"äpfel"}, 1);
        row("an or with a key in memory stays there, its sibling goes to SQL",
            "count >= 2 AND (initial == 'H' OR name == 'zero')", {}, {"Hauptstrasse"}, 2);
        row("key path beside an or in memory",
            "(initial == 'H' OR count == 1) AND box.title ==[c] 'ÖL'", {}, {"Äpfel"}, 2);
        row("not stays whole in memory", "NOT (initial == 'z' AND flag == NO)", {},
            {"Hauptstrasse", "Äpfel", "äpfel", "日本語のレビュー", "ＡＰＰ日本"}, 6);
        row("unknown key", "nickname == 'a' AND count > 0", {}, {}, 3);
    }

    void sqlAndMemoryAgree()
    {
        QFETCH(QString, format);
        QFETCH(QVariantList, arguments);
        QFETCH(QStringList, expected);
        QFETCH(int, loaded);
        TestStore store;
        fillRows(store);
        FetchRequest request = sorted("Item", "name");
        request.predicate = Predicate::fromFormat(format, arguments);
        QVERIFY2(request.predicate.isValid(), qPrintable(request.predicate.errorText()));

        // Unsaved: the pending inserts are matched in memory.
        QCOMPARE(store.names(request), expected);
        QCOMPARE(store.context->countForFetchRequest(request), expected.size());
        QVERIFY(store.context->save());
        store.reload();
        QStringList inMemory;
        for (const auto &item : store.context->executeFetchRequest(sorted("Item", "name")))
            if (request.predicate.evaluate(*item))
                inMemory << item->value("name").toString();
        QCOMPARE(inMemory, expected);
        // Saved: SQL does the matching.
        store.reload();
        TestItem::loaded = 0;
        Error error;
        QStringList names;
        for (const auto &item : store.context->executeFetchRequest(request, &error))
            names << item->value("name").toString();
        QVERIFY(!error);
        QCOMPARE(names, expected);
        QCOMPARE(TestItem::loaded, loaded < 0 ? int(expected.size()) : loaded);
        QCOMPARE(store.context->countForFetchRequest(request), expected.size());
    }

    // A failed upgrade leaves the store as it was; the next one succeeds.
    void olderStoreIsUpgradedInPlace()
    {
        TestStore store(1);
        auto box = store.context->insertNewObject("Box", {{"title", "  shelf  "}});
        store.item("hammer", box);
        QVERIFY(store.context->save());
        const QUrl uri = box->uri();
        box.reset();
        store.context.reset();
        store.coordinator.reset();
        auto broken = std::make_shared<ManagedObjectModel>(2);
        broken->addEntity("Item");
        broken->addAttribute("Item", "name", AttributeType::String);
        broken->addUpgradeStep(1, {"UPDATE nowhere SET x = 1"});
        broken->finalize();
        Error error;
        QVERIFY(!PersistentStoreCoordinator(broken).addSQLiteStore(store.path(), &error));
        QVERIFY(error);
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 1);

        QVERIFY2(store.open(2, &error), qPrintable(error.debugDescription()));
        QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 2);
        auto upgraded = store.context->objectWithURI(uri);
        QVERIFY(upgraded);
        QCOMPARE(upgraded->value("title").toString(), QString("shelf"));
        QVERIFY(!upgraded->value("label").isValid());
        QCOMPARE(upgraded->countOfObjects("items"), 1);
        QCOMPARE(store.names(FetchRequest("Item")), QStringList {"hammer"});
        upgraded->setValue("label", "A1");
        QVERIFY(store.context->save());
        // New ids never reuse old ones.
        QVERIFY(store.item("saw")->objectID().rowId > upgraded->objectID().rowId);
    }

    void refusedFilesAreLeftAsTheyWere_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a database") << QString("garbage") << "not a database";
        QTest::newRow("a database of another program") << QString("foreign") << "another program";
        QTest::newRow("a store of a newer version") << QString("newer") << "newer";
    }

    void refusedFilesAreLeftAsTheyWere()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        // The store is made by version 2 and opened by version 1.
        TestStore store(2);
        store.context.reset();
        store.coordinator.reset();
        if (kind == u"garbage") {
            QVERIFY(QFile::remove(store.path()));
            QFile file(store.path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("this is not a database\n").repeated(400));
        } else {
            if (kind == u"foreign")
                QVERIFY(QFile::remove(store.path()));
            // Other programs, and versions to come, may keep another journal.
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(store.path()).constData(), &db), SQLITE_OK);
            const char *sql = kind == u"newer"
                ? "PRAGMA journal_mode=DELETE"
                : "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('keep me')";
            QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        const QStringList filesBefore = QDir(store.dir.path()).entryList(QDir::Files);
        QCOMPARE(filesBefore, QStringList {"store.db"});
        auto checksum = [&] {
            QFile file(store.path());
            return file.open(QIODevice::ReadOnly)
                ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                : QByteArray();
        };
        const QByteArray before = checksum();

        Error error;
        QVERIFY(!store.open(1, &error));
        QVERIFY2(
            error.localizedDescription().contains(reason), qPrintable(error.debugDescription()));
        QVERIFY(!store.context->hasStore());
        if (kind == u"newer")
            QCOMPARE(PersistentStoreCoordinator::storedVersion(store.path()), 2);
        QCOMPARE(checksum(), before);
        QCOMPARE(QDir(store.dir.path()).entryList(QDir::Files), filesBefore);
    }

    // The log is copied back by the checkpoint thread, so it stops growing,
    // while a reader keeps seeing whole commits. Commits come spaced out, as
    // imports make them; a writer without pauses is held in check by its
    // own checkpoints past a larger size.
    void logIsCheckpointedAwayFromTheWriter()
    {
        TestStore store;
        const QString wal = store.path() + "-wal";
        auto child = store.context->newPrivateContext();
        qint64 largest = 0;
        for (int commit = 0; commit < 600; ++commit) {
            for (int i = 0; i < 20; ++i)
                store.item(QString(200, 'x'));
            QVERIFY(store.context->save());
            QThread::msleep(1);
            largest = std::max(largest, QFileInfo(wal).size());
            if (commit % 100 == 0) {
                qint64 seen = -1;
                child->performAndWait(
                    [&] { seen = child->countForFetchRequest(FetchRequest("Item")); });
                QCOMPARE(seen, qint64(20 * (commit + 1)));
            }
        }
        QVERIFY(waitFor(
            [&] { return store.coordinator->checkpointer()->checkpoints() > 0; }, nullptr, 10000));
        // 600 commits write about 17 MB of log pages; checkpoints keep the log
        // near its 4 MB limit when the thread keeps up, and below 32 MB when not.
        QVERIFY2(largest < 34 * 1024 * 1024, qPrintable(QString::number(largest)));
        child.reset();
        store.context.reset();
        store.coordinator.reset();
        QVERIFY(!QFileInfo::exists(wal) || QFileInfo(wal).size() == 0);
        QVERIFY(store.open(1));
        QCOMPARE(store.count("Item"), 12000);
    }
};

RK_TEST_MAIN(StoreTest)
#include "tst_store.moc"
