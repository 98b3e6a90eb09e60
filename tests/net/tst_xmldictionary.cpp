#include "net/XMLDictionary.h"
#include "net/XMLDictionaryParser.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QtTest>

#include <thread>

using XD = XMLDictionary;
using Parser = XMLDictionaryParser;

class XMLDictionaryTest : public QObject {
    Q_OBJECT

private:
    static QVariantMap parse(const QByteArray &xml, const Parser &options = {})
    {
        Parser parser(options);
        return parser.dictionaryWithData(xml).value_or(QVariantMap {{"nil", true}});
    }

private Q_SLOTS:
    // By default a text-only element is its text, attributes and prefixes
    // keep their names, and repeated elements become a list.
    void defaultsCollapseTextAndKeepPrefixes()
    {
        const QVariantMap feed =
            parse("<feed xmlns:im=\"http://itunes.apple.com/rss\"><entry><im:rating>5</im:rating>"
                  "<content type=\"text\">Good</content><author><name>A</name></author>"
                  "<author><name>B</name></author></entry></feed>");
        QCOMPARE(feed.value("__name").toString(), QString("feed"));
        QCOMPARE(feed.value("_xmlns:im").toString(), QString("http://itunes.apple.com/rss"));
        const QVariantMap entry = feed.value("entry").toMap();
        QCOMPARE(entry.value("im:rating"), QVariant(QString("5")));
        QVERIFY(!entry.contains("__name"));
        QCOMPARE(
            entry.value("content").toMap(), (QVariantMap {{"_type", "text"}, {"__text", "Good"}}));
        QCOMPARE(entry.value("author").toList().at(1).toMap().value("name"), QVariant("B"));

        const QVariantMap split = parse("<p>one <b>two</b> three</p>");
        QCOMPARE(XD::innerText(split), QString("one\nthree"));
        QCOMPARE(parse("<a><t><![CDATA[x <y> ]]>&amp; z</t></a>").value("t").toString(),
            QString("x <y> & z"));
        // Without preserveComments a comment does not keep an element alive.
        QCOMPARE(parse("<a><b><!--x-->1</b></a>").value("b"), QVariant(QString("1")));
        // A text the reader hands over in pieces arrives whole.
        const QByteArray body(4 * 1024 * 1024, 'x');
        QCOMPARE(parse("<a><b>" + body + "</b></a>").value("b").toString().size(), body.size());
    }

    void options()
    {
        Parser keep;
        keep.setStripEmptyNodes(false);
        keep.setCollapseTextNodes(false);
        keep.setTrimWhiteSpace(false);
        const QVariantMap kept = parse("<a><e/><f> 1 </f></a>", keep);
        QCOMPARE(kept.value("e").toMap(), (QVariantMap {{"__text", ""}}));
        QCOMPARE(kept.value("f").toMap(), (QVariantMap {{"__text", " 1 "}}));

        Parser arrays;
        arrays.setAlwaysUseArrays(true);
        const QVariantMap node = parse("<a><f>1</f><g><h>2</h></g><e/></a>", arrays);
        QCOMPARE(node.value("f").toList(), QVariantList {"1"});
        // A stripped single child leaves its (empty) list behind.
        QCOMPARE(node.value("e").toList(), QVariantList());

        const QByteArray xml = "<a><c x=\"1\" y=\"2\">t</c><x>child</x></a>";
        Parser dictionary;
        dictionary.setAttributesMode(Parser::XMLDictionaryAttributesModeDictionary);
        QCOMPARE(parse(xml, dictionary).value("c").toMap().value("__attributes").toMap(),
            (QVariantMap {{"x", "1"}, {"y", "2"}}));
        Parser unprefixed;
        unprefixed.setAttributesMode(Parser::XMLDictionaryAttributesModeUnprefixed);
        QCOMPARE(parse("<a x=\"attr\"><x>child</x></a>", unprefixed).value("x").toList(),
            (QVariantList {"attr", "child"}));
        Parser discard;
        discard.setAttributesMode(7);
        QCOMPARE(parse(xml, discard).value("c"), QVariant(QString("t")));

        Parser always;
        always.setNodeNameMode(Parser::XMLDictionaryNodeNameModeAlways);
        always.setPreserveComments(true);
        const QVariantMap named = parse("<a><!-- note --><b><c>1</c></b></a>", always);
        QCOMPARE(named.value("__comments").toList(), QVariantList {" note "});
        QCOMPARE(named.value("b").toMap().value("__name").toString(), QString("b"));
        Parser never;
        never.setNodeNameMode(Parser::XMLDictionaryNodeNameModeNever);
        never.setWrapRootNode(true);
        QCOMPARE(parse("<a><b>1</b></a>", never), (QVariantMap {{"a", QVariantMap {{"b", "1"}}}}));
    }

    // The shared parser's options apply, and parses on several threads at
    // once each work on their own copy.
    void sharedInstanceIsCopiedForEachParse()
    {
        Parser &shared = Parser::sharedInstance();
        shared.setAlwaysUseArrays(true);
        const auto withArrays = XD::dictionaryWithXMLString("<a><b>1</b></a>");
        shared.setAlwaysUseArrays(false);
        QVERIFY(withArrays);
        QCOMPARE(withArrays->value("b").toList(), QVariantList {"1"});

        QList<QVariantMap> results(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&results, i] {
                for (int n = 0; n < 200; ++n)
                    results[i] =
                        XD::dictionaryWithXMLData("<r><v>" + QByteArray::number(i) + "</v></r>")
                            .value_or(QVariantMap());
            });
        }
        for (auto &thread : threads)
            thread.join();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(results[i].value("v").toString(), QString::number(i));
    }

    // A cut document keeps what was built and names the open elements; the
    // next parse with the same object starts clean. Bad input stops cleanly,
    // with what came before an error.
    void truncatedDocumentKeepsWhatWasBuilt()
    {
        for (const auto &[xml, hasResult] : {std::pair<QByteArray, bool> {QByteArray(), false},
                 {"CustomerReviews RSS page depth is limited to 10", false},
                 {"<a>\xff\xfe\xc3</a>", false}, {"<a><b>1</b>&nbsp;</a>", true},
                 {"<a><b></a></b>", true}})
            QVERIFY2(bool(Parser().dictionaryWithData(xml)) == hasResult, xml.constData());

        // What the feed decoder makes of the entries kept: its cutOffXmlDropsTheOpenEntry.
        Parser parser;
        const auto result =
            parser.dictionaryWithData("<feed><entry><id>1</id></entry><entry><id>2</id><title>cut");
        QVERIFY(parser.stoppedAtError());
        QCOMPARE(parser.openElementsAtError(), (QStringList {"feed", "entry", "title"}));
        QCOMPARE(result.value_or(QVariantMap()).value("entry").toList().size(), 2);

        QVERIFY(parser.dictionaryWithData("<a>1</a>"));
        QVERIFY(!parser.stoppedAtError());
        QVERIFY(parser.openElementsAtError().isEmpty());
    }

    // Neither parsing nor writing a deep document exhausts the stack, and
    // nested entities do not expand without end.
    void depthAndEntitiesAreBounded()
    {
        Parser parser;
        const auto deep = parser.dictionaryWithData(QByteArray("<d>").repeated(100000));
        QVERIFY(parser.stoppedAtError());
        QVERIFY(deep);
        QCOMPARE(parser.openElementsAtError().size(), Parser::maximumDepth);
        QVERIFY(!XD::XMLString(*deep).isEmpty());

        QByteArray xml = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lollollollol\">";
        xml += "<!ENTITY l1 \"" + QByteArray("&lol;").repeated(10) + "\">";
        for (int i = 2; i <= 9; ++i) {
            const QByteArray prev = "&l" + QByteArray::number(i - 1) + ";";
            xml += "<!ENTITY l" + QByteArray::number(i) + " \"" + prev.repeated(10) + "\">";
        }
        xml += "]><lolz>&l9;</lolz>";
        const auto result = parser.dictionaryWithData(xml);
        QVERIFY(parser.stoppedAtError());
        QVERIFY(!result || result->value("__text").toString().size() < 100000);
    }

    void nodeViewsAndOutput()
    {
        const QVariantMap node {{"__name", "item"}, {"_id", "7"},
            {"__text", QVariantList {"a", "b"}}, {"__comments", QVariantList {"c"}},
            {"child", "v"}};
        QCOMPARE(XD::attributes(node), (QVariantMap {{"id", "7"}}));
        QCOMPARE(XD::childNodes(node), (QVariantMap {{"child", "v"}}));
        QCOMPARE(XD::nodeName(node), QString("item"));
        QCOMPARE(XD::comments(node), QVariantList {"c"});
        QCOMPARE(XD::innerXML(node), QString("<!--c-->\n<child>v</child>\na\nb"));
        QCOMPARE(
            XD::XMLString(node), QString("<item id=\"7\"><!--c-->\n<child>v</child>\na\nb</item>"));

        QCOMPARE(XD::XMLStringForNode(QVariantList {"1", "<2>"}, "n"),
            QString("<n>1</n>\n<n>&lt;2&gt;</n>"));
        QCOMPARE(XD::XMLStringForNode(QVariantMap {{"_a", "x\"y"}}, "e"),
            QString("<e a=\"x&quot;y\"/>"));
        // A wrapper dictionary writes its content only.
        QCOMPARE(XD::XMLString(QVariantMap {{"root", QVariantMap {{"b", "1"}}}}),
            QString("<root><b>1</b></root>"));
        QCOMPARE(XD::XMLEncodedString("a&lt;b \"c\" 'd' <e>"),
            QString("a&amp;lt;b &quot;c&quot; &apos;d&apos; &lt;e&gt;"));
        const auto parsed = XD::dictionaryWithXMLString("<r k=\"v\"><x>1 &amp; 2</x><x>3</x></r>");
        QVERIFY(parsed);
        QCOMPARE(
            XD::dictionaryWithXMLString(XD::XMLString(*parsed)).value_or(QVariantMap()), *parsed);
    }

    void typedKeyPathReads()
    {
        const QVariantMap node {
            {"list", QVariantList {QVariantMap {{"__text", "first"}}, "second"}}, {"one", "text"},
            {"nested", QVariantMap {{"leaf", QVariantMap {{"__text", "deep"}}}}},
            {"empty", QVariantList {}}};
        QCOMPARE(XD::arrayValueForKeyPath(node, u"one"), QVariantList {"text"});
        QCOMPARE(XD::arrayValueForKeyPath(node, u"list").size(), 2);
        QVERIFY(XD::arrayValueForKeyPath(node, u"missing").isEmpty());
        QCOMPARE(XD::stringValueForKeyPath(node, u"list"), QString("first"));
        QCOMPARE(XD::stringValueForKeyPath(node, u"nested.leaf"), QString("deep"));
        QVERIFY(XD::stringValueForKeyPath(node, u"empty").isNull());
        QCOMPARE(XD::dictionaryValueForKeyPath(node, u"one").value_or(QVariantMap()),
            (QVariantMap {{"__text", "text"}}));
        QCOMPARE(XD::dictionaryValueForKeyPath(node, u"list").value_or(QVariantMap()),
            (QVariantMap {{"__text", "first"}}));
        QVERIFY(!XD::dictionaryValueForKeyPath(node, u"empty"));
    }

    void translationAnswer()
    {
        const QString folder = qEnvironmentVariable("RK_FIXTURES");
        if (folder.isEmpty() || !QDir(folder).exists())
            QSKIP("store fixtures not available");
        const auto answer = XD::dictionaryWithXMLFile(folder + "/translate-answer-1.xml");
        QVERIFY(answer);
        QCOMPARE(answer->value("__name").toString(), QString("string"));
        QCOMPARE(answer->value("__text").toString(), QString("こんにちは"));
        QVERIFY(!XD::dictionaryWithXMLFile(folder + "/missing.xml"));
    }
};

RK_TEST_MAIN(XMLDictionaryTest)
#include "tst_xmldictionary.moc"
