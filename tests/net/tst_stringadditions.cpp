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
        QVERIFY(!DA::objectForKeyOrNil(map, "a").isValid());
        QVERIFY(DA::objectForKeyOrNil(json, "a").isUndefined());
        QCOMPARE(DA::objectForKeyPathOrNil(map, u"im:rating.label").toString(), QString("5"));
        QCOMPARE(DA::objectForKeyPathOrNil(json, u"im:rating.label").toString(), QString("5"));
        QCOMPARE(DA::objectForKeyPathOrNil(map, u"b.d").toString(), QString("x"));

        const QVariantList values = DA::objectForKeyPathOrNil(map, u"list.v").toList();
        QCOMPARE(values.size(), 3);
        QCOMPARE(values.at(0).toInt(), 1);
        QVERIFY(DA::isNil(values.at(1)) && DA::isNil(values.at(2)));
        const QJsonArray jsonValues = DA::objectForKeyPathOrNil(json, u"list.v").toArray();
        QCOMPARE(jsonValues.size(), 3);
        QCOMPARE(jsonValues.at(0).toInt(), 1);
        QVERIFY(jsonValues.at(1).isNull());
    }

    void urlEscaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        const auto row = [](const char *name, const char *text, const char *escaped) {
            QTest::newRow(name) << QString(text) << QString(escaped);
        };
        row("mail link", "mailto:help@example.org?subject=Review Keeper 1.0",
            "mailto:help@example.org?subject=Review%20Keeper%201.0");
        row("already escaped", "a%20b", "a%20b");
        row("reserved stay", "a&b=c;d/e?f#g[h]@!$'()*+,\"", "a&b=c;d/e?f#g[h]@!$'()*+,\"");
        row("illegal", "<a>{b}|c\\d^e`", "%3Ca%3E%7Bb%7D%7Cc%5Cd%5Ee%60");
        row("non-ascii", "Grüße ✓", "Gr%C3%BC%C3%9Fe%20%E2%9C%93");
        row("stray percent", "100%", "100%");
        row("control", "a\nb", "a%0Ab");
    }

    void urlEscaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(SA::stringByEncodingIllegalURLCharacters(text), escaped);
        QString inPlace = text;
        QCOMPARE(SA::encodeIllegalURLCharacters(inPlace), escaped);
        QCOMPARE(SA::stringByDecodingIllegalURLCharacters(escaped),
            SA::stringByDecodingIllegalURLCharacters(text));
    }

    void urlEscapingInOtherEncodings()
    {
        QCOMPARE(
            SA::stringByEncodingIllegalURLCharactersUsingEncoding("é", SA::ISOLatin1StringEncoding),
            QString("%E9"));
        QCOMPARE(SA::stringByDecodingIllegalURLCharactersUsingEncoding(
                     "%E9", SA::ISOLatin1StringEncoding),
            QString("é"));
        // Escapes that are no valid UTF-8 stay as they are instead of turning into garbage.
        QCOMPARE(SA::stringByDecodingIllegalURLCharacters("%E9%ZZ"), QString("%E9%ZZ"));
        QString text = "a%C3%A9";
        QCOMPARE(SA::decodeIllegalURLCharacters(text), QString("aé"));
    }

    // Only the five XML entities are decoded, once.
    void xmlEntities()
    {
        QCOMPARE(SA::stringByDecodingXMLEntities("a &amp; b"), QString("a & b"));
        QCOMPARE(SA::stringByDecodingXMLEntities("&amp;lt; &#169; &nbsp;"),
            QString("&lt; &#169; &nbsp;"));
        QCOMPARE(SA::stringByDecodingXMLEntities("&lt;&gt;&quot;&apos;"), QString("<>\"'"));
        QCOMPARE(SA::stringByEncodingXMLEntities("a &amp; b <c>"), QString("a &amp; b &lt;c&gt;"));
        QString text = "\"it's\"", plain = "nothing special";
        QCOMPARE(SA::encodeXMLEntities(text), QString("&quot;it&apos;s&quot;"));
        QCOMPARE(SA::encodeXMLEntities(plain), QString("nothing special"));
    }

    void linesAndCase()
    {
        QCOMPARE(SA::arrayOfLines("one\ntwo\n"), (QStringList {"one", "two"}));
        QCOMPARE(SA::arrayOfLines("one\r\ntwo\rthree"), (QStringList {"one", "two", "three"}));
        QCOMPARE(SA::arrayOfLines("a\n\nb"), (QStringList {"a", "", "b"}));
        QVERIFY(SA::arrayOfLines("").isEmpty());
        QCOMPARE(SA::caseInsensitiveRangeOfString("Hello World", "WORLD"), 6);
        QCOMPARE(SA::caseInsensitiveRangeOfString("Hello", "x"), -1);
        QVERIFY(!SA::caseInsensitiveEqualToString("Straße", "STRASSE"));
        QVERIFY(SA::caseInsensitiveEqualToString("Ärger", "äRGER"));
    }

    void encodings()
    {
        QCOMPARE(SA::nameOfStringEncoding(4), QString("NSUTF8StringEncoding"));
        QCOMPARE(SA::nameOfStringEncoding(65536), QString("NSProprietaryStringEncoding"));
        QVERIFY(SA::nameOfStringEncoding(16).isNull());
        QCOMPARE(SA::IANACharSetNameToNSStringEncoding("utf-8"), 4u);
        QCOMPARE(SA::IANACharSetNameToNSStringEncoding("Shift_JIS"), 8u);
        QCOMPARE(SA::IANACharSetNameToNSStringEncoding("iso-8859-1"), 5u);
        QCOMPARE(SA::IANACharSetNameToNSStringEncoding("klingon"), SA::invalidEncoding);

        QCOMPARE(SA::stringWithData("\x82\xa0", SA::ShiftJISStringEncoding), QString("あ"));
        QCOMPARE(SA::stringWithData("caf\xe9", SA::ISOLatin1StringEncoding), QString("café"));
        QVERIFY(SA::stringWithData("caf\xe9", SA::UTF8StringEncoding).isNull());
        QVERIFY(SA::stringWithData("x", SA::SymbolStringEncoding).isNull());
        QCOMPARE(SA::stringWithUTF8CString("caf\xc3\xa9"), QString("café"));
        QVERIFY(SA::stringWithCString(nullptr).isNull());
        QCOMPARE(SA::cString("é"), QByteArray("\xc3\xa9"));
        QCOMPARE(SA::stringWithCharacterForUnicodeValue(0x263A), QString("☺"));
        const QString name = SA::uniqueFilename();
        QCOMPARE(name.size(), 36);
        QVERIFY(name != SA::uniqueFilename());
    }

    // Type identifiers are MIME types; XML conforms to plain text.
    void typesAreMimeTypes()
    {
        QCOMPARE(SA::UTIForFilenameExtension("png"), QString("image/png"));
        QVERIFY(SA::UTIForFilenameExtension("no-such-extension").isNull());
        QVERIFY(SA::UTIConformsToUTI("image/png", "image/png"));
        QVERIFY(SA::UTIConformsToUTI("application/xml", "text/plain"));
        QVERIFY(!SA::UTIConformsToUTI("image/png", "text/plain"));
        QVERIFY(SA::UTIEqualToUTI("text/xml", "application/xml"));
        QVERIFY(!SA::UTIEqualToUTI("image/png", "image/jpeg"));
    }
};

RK_TEST_MAIN(StringAdditionsTest)
#include "tst_stringadditions.moc"
