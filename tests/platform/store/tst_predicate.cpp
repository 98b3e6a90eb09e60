#include "TestModel.h"
#include "platform/store/StoreFunctions.h"
#include "support/TestEnvironment.h"

#include <QTest>

// Six items, two of them in a box titled "öl", with absent values among
// their keys.
static void fillRows(TestStore &store)
{
    const QDateTime noon = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
    auto box = store.context->insertNewObject(QStringLiteral("Box"));
    box->setValue(QStringLiteral("title"), QStringLiteral("öl"));
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
    for (const Row &row : rows) {
        auto item = store.item(QString::fromUtf8(row.name), row.boxed ? box : ManagedObjectPtr());
        item->setValue(QStringLiteral("score"), row.score);
        item->setValue(QStringLiteral("count"), row.count);
        item->setValue(QStringLiteral("flag"), row.flag);
        item->setValue(QStringLiteral("when"), row.when);
    }
}

class PredicateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesTheQueryLanguage_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("valid");
        QTest::newRow("comparison") << "count <= 3" << true;
        QTest::newRow("or nil") << "when <= %@ OR when == nil" << true;
        QTest::newRow("options") << "name ==[c] %@ AND name CONTAINS[cd] 'x'" << true;
        QTest::newRow("not in") << "NOT (count IN {1, 2, 3})" << true;
        QTest::newRow("symbols") << "!(flag == YES) && score > 0.0 || name LIKE 'a*'" << true;
        QTest::newRow("key path") << "box.title BEGINSWITH[c] \"Sh\"" << true;
        QTest::newRow("dangling and") << "count == 1 AND" << false;
        QTest::newRow("no operator") << "count 1" << false;
        QTest::newRow("unterminated") << "name == 'abc" << false;
        QTest::newRow("two keys") << "name == title" << false;
        QTest::newRow("unbalanced") << "(count == 1" << false;
        QTest::newRow("garbage") << "#$%" << false;
    }

    void parsesTheQueryLanguage()
    {
        QFETCH(QString, format);
        QFETCH(bool, valid);
        const int arguments = format.count(QStringLiteral("%@"));
        QVariantList values;
        for (int i = 0; i < arguments; ++i)
            values << QStringLiteral("x");
        const Predicate predicate = Predicate::fromFormat(format, values);
        QCOMPARE(predicate.isValid(), valid);
        QCOMPARE(predicate.errorText().isEmpty(), valid);
    }

    void wrongArgumentCountsAreErrors()
    {
        QVERIFY(!Predicate::fromFormat(QStringLiteral("name == %@")).isValid());
        QVERIFY(!Predicate::format(QStringLiteral("name == %@"), QStringLiteral("a"), 2).isValid());
        QVERIFY(!Predicate::format(QStringLiteral("count IN %@"), 2).isValid());
    }

    void likeUsesStarAndQuestionMark()
    {
        QVERIFY(StoreText::like(QStringLiteral("Weather Pro"), QStringLiteral("W*P?o"), false));
        QVERIFY(!StoreText::like(QStringLiteral("Weather Pro"), QStringLiteral("w*"), false));
        QVERIFY(StoreText::like(QStringLiteral("Weather Pro"), QStringLiteral("w*"), true));
        QVERIFY(StoreText::like(QString(), QStringLiteral("*"), false));
        // No exponential backtracking.
        QVERIFY(!StoreText::like(
            QString(5000, QLatin1Char('a')), QStringLiteral("*a*a*a*a*a*b"), false));
    }

    // Every predicate gives the same records in SQL and in memory,
    // absent values and Unicode case folding included.
    void sqlAndMemoryAgree_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QStringList>("expected");
        const QDateTime noon = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        QTest::newRow("==[c] german") << "name ==[c] %@" << QVariantList {QStringLiteral("äpfel")}
                                      << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("== exact") << "name == %@" << QVariantList {QStringLiteral("äpfel")}
                                  << QStringList {"äpfel"};
        QTest::newRow("contains[c] german")
            << "name CONTAINS[c] %@" << QVariantList {QStringLiteral("STRASSE")}
            << QStringList {"Hauptstrasse"};
        QTest::newRow("contains[c] full-width")
            << "name CONTAINS[c] %@" << QVariantList {QStringLiteral("ａｐｐ")}
            << QStringList {"ＡＰＰ日本"};
        QTest::newRow("beginswith[c] japanese")
            << "name BEGINSWITH[c] %@" << QVariantList {QStringLiteral("日本")}
            << QStringList {"日本語のレビュー"};
        QTest::newRow("like[c]") << "name LIKE[c] %@" << QVariantList {QStringLiteral("ä?fel")}
                                 << QStringList {"Äpfel", "äpfel"};
        QTest::newRow("endswith") << "name ENDSWITH %@" << QVariantList {QStringLiteral("fel")}
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
            << "name IN[c] %@"
            << QVariantList {QVariantList {QStringLiteral("ÄPFEL"), QStringLiteral("zero")}}
            << QStringList {"zero", "Äpfel", "äpfel"};
        QTest::newRow("in empty") << "count IN %@" << QVariantList {QVariantList {}}
                                  << QStringList {};
        QTest::newRow("integer in")
            << "count IN {1, 3}" << QVariantList {} << QStringList {"Hauptstrasse", "Äpfel"};
        QTest::newRow("key path") << "box.title ==[c] %@" << QVariantList {QStringLiteral("ÖL")}
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
        FetchRequest request(QStringLiteral("Item"));
        request.predicate = Predicate::fromFormat(format, arguments);
        request.sortDescriptors = {{QStringLiteral("name"), true}};
        QVERIFY2(request.predicate.isValid(), qPrintable(request.predicate.errorText()));

        // Unsaved: the pending inserts are matched in memory.
        QCOMPARE(store.names(request), expected);
        QCOMPARE(store.context->countForFetchRequest(request), expected.size());
        QVERIFY(store.context->save());
        // Saved: SQL does the matching.
        store.context = std::make_unique<ManagedObjectContext>(store.coordinator);
        QCOMPARE(store.names(request), expected);
        QCOMPARE(store.context->countForFetchRequest(request), expected.size());
    }

    // A key that exists only in memory leaves the other conjuncts to SQL:
    // the records loaded are those the SQL part matches, and the result is
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
        FetchRequest request(QStringLiteral("Item"));
        request.predicate = Predicate::fromFormat(format);
        QVERIFY2(request.predicate.isValid(), qPrintable(request.predicate.errorText()));

        QStringList inMemory;
        store.context = std::make_unique<ManagedObjectContext>(store.coordinator);
        for (const auto &item :
            store.context->executeFetchRequest(FetchRequest(QStringLiteral("Item"))))
            if (request.predicate.evaluate(*item))
                inMemory << item->value(QStringLiteral("name")).toString();

        store.context = std::make_unique<ManagedObjectContext>(store.coordinator);
        TestItem::loaded = 0;
        Error error;
        QStringList names;
        for (const auto &item : store.context->executeFetchRequest(request, &error))
            names << item->value(QStringLiteral("name")).toString();
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

RK_TEST_MAIN(PredicateTest)
#include "tst_predicate.moc"
