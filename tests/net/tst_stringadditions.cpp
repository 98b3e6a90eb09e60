#include "net/DictionaryAdditions.h"
#include "net/StringAdditions.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QtTest>

using SA = StringAdditions;
using DA = DictionaryAdditions;

class StringAdditionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Null and missing keys read as nothing, in maps and JSON alike; a list
    // on the way applies the rest of the path to each entry.
    void nullSafeReads()
    {
        const QJsonObject json = QJsonDocument::fromJson(R"({"a":null,"b":{"c":null,"d":"x"},
            "im:rating":{"label":"5"},"list":[{"v":1},{"w":2},{"v":null}]})")
                                     .object();
        const QVariantMap map = json.toVariantMap();
        for (const QString missing :
            {"a", "b.c", "nope", "b.nope.deeper", "b.d.e", "im:rating.x"}) {
            QVERIFY2(!DA::objectForKeyPathOrNil(map, missing).isValid(), qPrintable(missing));
            QVERIFY2(DA::objectForKeyPathOrNil(json, missing).isUndefined(), qPrintable(missing));
        }
        QCOMPARE(DA::objectForKeyPathOrNil(map, u"im:rating.label").toString(), QString("5"));
        QCOMPARE(DA::objectForKeyPathOrNil(json, u"im:rating.label").toString(), QString("5"));
        const QVariantList values = DA::objectForKeyPathOrNil(map, u"list.v").toList();
        QCOMPARE(values.size(), 3);
        QCOMPARE(values.at(0).toInt(), 1);
        QVERIFY(DA::isNil(values.at(1)) && DA::isNil(values.at(2)));
        const QJsonArray jsonValues = DA::objectForKeyPathOrNil(json, u"list.v").toArray();
        QCOMPARE(jsonValues.size(), 3);
        QVERIFY(jsonValues.at(1).isNull());
    }

    // Existing escapes and reserved characters stay; escapes that are no text
    // in the encoding are kept as they are instead of turning into garbage.
    void urlEscaping()
    {
        QCOMPARE(SA::stringByEncodingIllegalURLCharacters(
                     "a%20b<a>{b}|c\\d^e` Grüße ✓&b=c;d/e?f#g[h]@!$'()*+,\"100%"),
            QString("a%20b%3Ca%3E%7Bb%7D%7Cc%5Cd%5Ee%60%20Gr%C3%BC%C3%9Fe%20%E2%9C%93"
                    "&b=c;d/e?f#g[h]@!$'()*+,\"100%"));
        QString inPlace = "a b";
        QCOMPARE(SA::encodeIllegalURLCharacters(inPlace), QString("a%20b"));
        QCOMPARE(
            SA::stringByEncodingIllegalURLCharactersUsingEncoding("é", SA::ISOLatin1StringEncoding),
            QString("%E9"));
        QVERIFY(SA::stringByEncodingIllegalURLCharactersUsingEncoding("x", SA::SymbolStringEncoding)
                    .isNull());
        QCOMPARE(SA::stringByDecodingIllegalURLCharacters("%E9%ZZ"), QString("%E9%ZZ"));
        QString text = "a%C3%A9";
        QCOMPARE(SA::decodeIllegalURLCharacters(text), QString("aé"));
    }

    // Only the five XML entities are decoded, once.
    void xmlEntities()
    {
        QCOMPARE(SA::stringByDecodingXMLEntities("&amp;lt; &#169; &lt;&gt;&quot;&apos;"),
            QString("&lt; &#169; <>\"'"));
        QCOMPARE(SA::stringByEncodingXMLEntities("a &amp; b <c> 'd'"),
            QString("a &amp; b &lt;c&gt; &apos;d&apos;"));
        QCOMPARE(SA::stringByEncodingXMLEntities("plain"), QString("plain"));
    }

    void linesCaseEncodingsAndTypes()
    {
        QCOMPARE(SA::arrayOfLines("one\r\ntwo\rthree\n"), (QStringList {"one", "two", "three"}));
        QCOMPARE(SA::caseInsensitiveRangeOfString("Hello World", "WORLD"), 6);
        QVERIFY(SA::caseInsensitiveEqualToString("Ärger", "äRGER"));
        QCOMPARE(SA::nameOfStringEncoding(4), QString("NSUTF8StringEncoding"));
        QVERIFY(SA::nameOfStringEncoding(16).isNull());
        QCOMPARE(SA::IANACharSetNameToNSStringEncoding("Shift_JIS"), 8u);
        QCOMPARE(SA::IANACharSetNameToNSStringEncoding("latin1"), 5u);
        QCOMPARE(SA::IANACharSetNameToNSStringEncoding("klingon"), SA::invalidEncoding);
        QCOMPARE(SA::stringWithData("\x82\xa0", SA::ShiftJISStringEncoding), QString("あ"));
        QVERIFY(SA::stringWithData("caf\xe9", SA::UTF8StringEncoding).isNull());
        QVERIFY(SA::stringWithData("x", SA::SymbolStringEncoding).isNull());
        QVERIFY(SA::stringWithCString(nullptr).isNull());
        QCOMPARE(SA::cString("é"), QByteArray("\xc3\xa9"));
        QCOMPARE(SA::stringWithCharacterForUnicodeValue(0x263A), QString("☺"));
        QVERIFY(SA::uniqueFilename() != SA::uniqueFilename());
        // Type identifiers are MIME types; XML conforms to plain text.
        QCOMPARE(SA::UTIForFilenameExtension("png"), QString("image/png"));
        QVERIFY(SA::UTIConformsToUTI("application/xml", "text/plain"));
        QVERIFY(SA::UTIEqualToUTI("text/xml", "application/xml"));
        QVERIFY(!SA::UTIEqualToUTI("x/unknown", "image/jpeg"));
    }
};

RK_TEST_MAIN(StringAdditionsTest)
#include "tst_stringadditions.moc"
