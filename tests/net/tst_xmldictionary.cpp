#include "net/XMLDictionary.h"
#include "net/XMLDictionaryParser.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <thread>

class XMLDictionaryTest : public QObject {
    Q_OBJECT

private:
    static QVariantMap parse(const QByteArray &xml, const XMLDictionaryParser &options = {})
    {
        XMLDictionaryParser parser(options);
        const auto result = parser.dictionaryWithData(xml);
        return result.value_or(QVariantMap {{QStringLiteral("nil"), true}});
    }

private Q_SLOTS:
    void defaultsCollapseTextAndKeepPrefixes()
    {
        const QVariantMap feed =
            parse("<feed xmlns:im=\"http://itunes.apple.com/rss\"><entry><im:rating>5</im:rating>"
                  "<content type=\"text\">Good</content><author><name>A</name></author>"
                  "<author><name>B</name></author></entry></feed>");
        QCOMPARE(feed.value("__name").toString(), QStringLiteral("feed"));
        QCOMPARE(feed.value("_xmlns:im").toString(), QStringLiteral("http://itunes.apple.com/rss"));
        const QVariantMap entry = feed.value("entry").toMap();
        QCOMPARE(entry.value("im:rating"), QVariant(QStringLiteral("5")));
        QVERIFY(!entry.contains("__name"));
        const QVariantMap content = entry.value("content").toMap();
        QCOMPARE(content.value("_type").toString(), QStringLiteral("text"));
        QCOMPARE(content.value("__text").toString(), QStringLiteral("Good"));
        const QVariantList authors = entry.value("author").toList();
        QCOMPARE(authors.size(), 2);
        QCOMPARE(authors.at(1).toMap().value("name").toString(), QStringLiteral("B"));
    }

    void rootIsNeverCollapsedAndSplitTextBecomesAList()
    {
        QCOMPARE(parse("<a>  hello </a>"), (QVariantMap {{"__name", "a"}, {"__text", "hello"}}));
        const QVariantMap split = parse("<p>one <b>two</b> three</p>");
        QCOMPARE(split.value("__text").toList(), (QVariantList {"one", "three"}));
        QCOMPARE(split.value("b").toString(), QStringLiteral("two"));
        QCOMPARE(XMLDictionary::innerText(split), QStringLiteral("one\nthree"));
    }

    void cdataAndEntitiesJoinTheText()
    {
        const QVariantMap node = parse("<a><t><![CDATA[x <y> ]]>&amp; z</t></a>");
        QCOMPARE(node.value("t").toString(), QStringLiteral("x <y> & z"));
    }

    void emptyElementsAndTheirOptions()
    {
        QVERIFY(!parse("<a><e/><f>1</f></a>").contains("e"));

        XMLDictionaryParser keep;
        keep.setStripEmptyNodes(false);
        keep.setCollapseTextNodes(false);
        const QVariantMap kept = parse("<a><e/><f>1</f></a>", keep);
        QCOMPARE(kept.value("e").toMap(), (QVariantMap {{"__text", ""}}));
        QCOMPARE(kept.value("f").toMap(), (QVariantMap {{"__text", "1"}}));

        XMLDictionaryParser noTrim;
        noTrim.setTrimWhiteSpace(false);
        QCOMPARE(parse("<a><f> 1 </f></a>", noTrim).value("f").toString(), QStringLiteral(" 1 "));
    }

    void alwaysUseArrays()
    {
        XMLDictionaryParser arrays;
        arrays.setAlwaysUseArrays(true);
        const QVariantMap node = parse("<a><f>1</f><g><h>2</h></g><e/></a>", arrays);
        QCOMPARE(node.value("f").toList(), QVariantList {"1"});
        const QVariantList g = node.value("g").toList();
        QCOMPARE(g.size(), 1);
        QCOMPARE(g.first().toMap().value("h").toList(), QVariantList {"2"});
        // A stripped single child leaves its (empty) list behind.
        QCOMPARE(node.value("e").toList(), QVariantList());
    }

    void attributeModes()
    {
        const QByteArray xml = "<a><c x=\"1\" y=\"2\">t</c><x>child</x></a>";
        XMLDictionaryParser dictionary;
        dictionary.setAttributesMode(XMLDictionaryParser::XMLDictionaryAttributesModeDictionary);
        QCOMPARE(parse(xml, dictionary).value("c").toMap().value("__attributes").toMap(),
            (QVariantMap {{"x", "1"}, {"y", "2"}}));

        XMLDictionaryParser unprefixed;
        unprefixed.setAttributesMode(XMLDictionaryParser::XMLDictionaryAttributesModeUnprefixed);
        const QVariantMap merged = parse("<a x=\"attr\"><x>child</x></a>", unprefixed);
        QCOMPARE(merged.value("x").toList(), (QVariantList {"attr", "child"}));

        XMLDictionaryParser discard;
        discard.setAttributesMode(7);
        QCOMPARE(parse(xml, discard).value("c"), QVariant(QStringLiteral("t")));
    }

    void nodeNamesWrapAndComments()
    {
        XMLDictionaryParser always;
        always.setNodeNameMode(XMLDictionaryParser::XMLDictionaryNodeNameModeAlways);
        always.setPreserveComments(true);
        const QVariantMap node = parse("<a><!-- note --><b><c>1</c></b></a>", always);
        QCOMPARE(node.value("__comments").toList(), QVariantList {" note "});
        QCOMPARE(node.value("b").toMap().value("__name").toString(), QStringLiteral("b"));

        XMLDictionaryParser never;
        never.setNodeNameMode(XMLDictionaryParser::XMLDictionaryNodeNameModeNever);
        never.setWrapRootNode(true);
        const QVariantMap wrapped = parse("<a><b>1</b></a>", never);
        QCOMPARE(wrapped, (QVariantMap {{"a", QVariantMap {{"b", "1"}}}}));
        // Without preserveComments a comment does not keep an element alive.
        QCOMPARE(parse("<a><b><!--x-->1</b></a>").value("b"), QVariant(QStringLiteral("1")));
    }

    void sharedInstanceIsCopiedForEachParse()
    {
        XMLDictionaryParser &shared = XMLDictionaryParser::sharedInstance();
        shared.setAlwaysUseArrays(true);
        const auto withArrays =
            XMLDictionary::dictionaryWithXMLString(QStringLiteral("<a><b>1</b></a>"));
        shared.setAlwaysUseArrays(false);
        QVERIFY(withArrays);
        QCOMPARE(withArrays->value("b").toList(), QVariantList {"1"});

        // Parses on several threads at once each work on their own copy.
        QList<QVariantMap> results(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&results, i] {
                for (int n = 0; n < 200; ++n)
                    results[i] = XMLDictionary::dictionaryWithXMLData(
                        "<r><v>" + QByteArray::number(i) + "</v></r>")
                                     .value_or(QVariantMap());
            });
        }
        for (auto &thread : threads)
            thread.join();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(results[i].value("v").toString(), QString::number(i));
    }

    void badInputStopsCleanly_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("hasResult");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("not xml") << QByteArray("CustomerReviews RSS page depth is limited to 10")
                                 << false;
        QTest::newRow("json") << QByteArray("{\"feed\":{}}") << false;
        QTest::newRow("html error page")
            << QByteArray("<html><body><h1>503 Service Unavailable</h1><br></body></html>") << true;
        QTest::newRow("truncated") << QByteArray("<feed><entry><id>1</id><title>T") << true;
        QTest::newRow("invalid utf-8") << QByteArray("<a>\xff\xfe\xc3</a>") << false;
        QTest::newRow("undeclared entity") << QByteArray("<a><b>1</b>&nbsp;</a>") << true;
        QTest::newRow("mismatched tags") << QByteArray("<a><b></a></b>") << true;
    }

    void badInputStopsCleanly()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, hasResult);
        XMLDictionaryParser parser;
        const auto result = parser.dictionaryWithData(xml);
        QCOMPARE(bool(result), hasResult);
    }

    void truncatedDocumentKeepsWhatWasBuiltAndNamesOpenElements()
    {
        XMLDictionaryParser parser;
        const auto result =
            parser.dictionaryWithData("<feed><entry><id>1</id></entry><entry><id>2</id><title>cut");
        QVERIFY(result);
        QVERIFY(parser.stoppedAtError());
        QCOMPARE(parser.openElementsAtError(), (QStringList {"feed", "entry", "title"}));
        const QVariantList entries = result->value("entry").toList();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).toMap().value("id").toString(), QStringLiteral("1"));
        QCOMPARE(entries.at(1).toMap().value("id").toString(), QStringLiteral("2"));

        // The next parse with the same object starts clean.
        QVERIFY(parser.dictionaryWithData("<a>1</a>"));
        QVERIFY(!parser.stoppedAtError());
        QVERIFY(parser.openElementsAtError().isEmpty());
    }

    void deepNestingIsBounded()
    {
        QByteArray xml;
        for (int i = 0; i < 100000; ++i)
            xml += "<d>";
        XMLDictionaryParser parser;
        const auto result = parser.dictionaryWithData(xml);
        QVERIFY(parser.stoppedAtError());
        QVERIFY(result);
        QCOMPARE(parser.openElementsAtError().size(), XMLDictionaryParser::maximumDepth);
        // Writing it out again must not exhaust the stack either.
        QVERIFY(!XMLDictionary::XMLString(*result).isEmpty());
    }

    void entityExpansionIsBounded()
    {
        QByteArray xml = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lollollollol\">";
        xml += "<!ENTITY l1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
        for (int i = 2; i <= 9; ++i) {
            const QByteArray prev = "&l" + QByteArray::number(i - 1) + ";";
            xml += "<!ENTITY l" + QByteArray::number(i) + " \"" + prev.repeated(10) + "\">";
        }
        xml += "]><lolz>&l9;</lolz>";
        QElapsedTimer timer;
        timer.start();
        XMLDictionaryParser parser;
        const auto result = parser.dictionaryWithData(xml);
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(parser.stoppedAtError());
        QVERIFY(!result || result->value("__text").toString().size() < 100000);
    }

    void longTextsSurvive()
    {
        const QByteArray body(4 * 1024 * 1024, 'x');
        const auto result = XMLDictionary::dictionaryWithXMLData("<a><b>" + body + "</b></a>");
        QVERIFY(result);
        QCOMPARE(result->value("b").toString().size(), body.size());
    }

    void nodeViews()
    {
        const QVariantMap node {{"__name", "item"}, {"_id", "7"},
            {"__text", QVariantList {"a", "b"}}, {"__comments", QVariantList {"c"}},
            {"child", "v"}};
        QCOMPARE(XMLDictionary::attributes(node), (QVariantMap {{"id", "7"}}));
        QCOMPARE(XMLDictionary::childNodes(node), (QVariantMap {{"child", "v"}}));
        QCOMPARE(XMLDictionary::nodeName(node), QStringLiteral("item"));
        QCOMPARE(XMLDictionary::comments(node), QVariantList {"c"});
        QCOMPARE(XMLDictionary::innerXML(node), QStringLiteral("<!--c-->\n<child>v</child>\na\nb"));
        QCOMPARE(XMLDictionary::XMLString(node),
            QStringLiteral("<item id=\"7\"><!--c-->\n<child>v</child>\na\nb</item>"));
        QVERIFY(XMLDictionary::attributes(QVariantMap {{"__text", "x"}}).isEmpty());
    }

    void xmlOutput()
    {
        QCOMPARE(XMLDictionary::XMLStringForNode(QVariantList {"1", "<2>"}, "n"),
            QStringLiteral("<n>1</n>\n<n>&lt;2&gt;</n>"));
        QCOMPARE(XMLDictionary::XMLStringForNode(QVariantMap {{"_a", "x\"y"}}, "e"),
            QStringLiteral("<e a=\"x&quot;y\"/>"));
        // A wrapper dictionary writes its content only.
        QCOMPARE(XMLDictionary::XMLString(QVariantMap {{"root", QVariantMap {{"b", "1"}}}}),
            QStringLiteral("<root><b>1</b></root>"));
        QCOMPARE(XMLDictionary::XMLString(QVariantMap {{"_a", "1"}, {"b", "2"}}),
            QStringLiteral("<root a=\"1\"><b>2</b></root>"));
        // Round trip of a parsed document.
        const auto parsed = XMLDictionary::dictionaryWithXMLString(
            QStringLiteral("<r k=\"v\"><x>1 &amp; 2</x><x>3</x></r>"));
        QVERIFY(parsed);
        const auto again =
            XMLDictionary::dictionaryWithXMLString(XMLDictionary::XMLString(*parsed));
        QVERIFY(again);
        QCOMPARE(*again, *parsed);
    }

    void escaping()
    {
        QCOMPARE(XMLDictionary::XMLEncodedString(QStringLiteral("a&lt;b \"c\" 'd' <e>")),
            QStringLiteral("a&amp;lt;b &quot;c&quot; &apos;d&apos; &lt;e&gt;"));
    }

    void typedKeyPathReads()
    {
        const QVariantMap node {
            {"list", QVariantList {QVariantMap {{"__text", "first"}}, "second"}}, {"one", "text"},
            {"nested", QVariantMap {{"leaf", QVariantMap {{"__text", "deep"}}}}},
            {"empty", QVariantList {}}};
        QCOMPARE(XMLDictionary::arrayValueForKeyPath(node, u"one"), QVariantList {"text"});
        QCOMPARE(XMLDictionary::arrayValueForKeyPath(node, u"list").size(), 2);
        QVERIFY(XMLDictionary::arrayValueForKeyPath(node, u"missing").isEmpty());
        QCOMPARE(XMLDictionary::stringValueForKeyPath(node, u"list"), QStringLiteral("first"));
        QCOMPARE(
            XMLDictionary::stringValueForKeyPath(node, u"nested.leaf"), QStringLiteral("deep"));
        QVERIFY(XMLDictionary::stringValueForKeyPath(node, u"empty").isNull());
        QCOMPARE(XMLDictionary::dictionaryValueForKeyPath(node, u"one").value_or(QVariantMap()),
            (QVariantMap {{"__text", "text"}}));
        QCOMPARE(XMLDictionary::dictionaryValueForKeyPath(node, u"list").value_or(QVariantMap()),
            (QVariantMap {{"__text", "first"}}));
        QVERIFY(!XMLDictionary::dictionaryValueForKeyPath(node, u"missing"));
    }

    void translationAnswer()
    {
        const QString folder = qEnvironmentVariable("RK_FIXTURES");
        if (folder.isEmpty() || !QDir(folder).exists())
            QSKIP("store fixtures not available");
        const auto answer = XMLDictionary::dictionaryWithXMLFile(
            folder + QStringLiteral("/translate-answer-1.xml"));
        QVERIFY(answer);
        QCOMPARE(answer->value("__name").toString(), QStringLiteral("string"));
        QCOMPARE(answer->value("__text").toString(), QString::fromUtf8("こんにちは"));
        QVERIFY(!XMLDictionary::dictionaryWithXMLFile(folder + QStringLiteral("/missing.xml")));
    }
};

RK_TEST_MAIN(XMLDictionaryTest)
#include "tst_xmldictionary.moc"
