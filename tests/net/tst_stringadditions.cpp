#include "net/DictionaryAdditions.h"
#include "net/StringAdditions.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QtTest>

class StringAdditionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nullSafeReads()
    {
        const QJsonObject json = QJsonDocument::fromJson(R"({"a":null,"b":{"c":null,"d":"x"},
            "im:rating":{"label":"5"},"list":[{"v":1},{"w":2},{"v":null}]})")
                                     .object();
        const QVariantMap map = json.toVariantMap();
        for (const char *missing : {"a", "b.c", "nope", "b.nope.deeper", "b.d.e", "im:rating.x"}) {
            QVERIFY2(!DictionaryAdditions::objectForKeyPathOrNil(map, QString::fromLatin1(missing))
                          .isValid(),
                missing);
            QVERIFY2(DictionaryAdditions::objectForKeyPathOrNil(json, QString::fromLatin1(missing))
                         .isUndefined(),
                missing);
        }
        QVERIFY(!DictionaryAdditions::objectForKeyOrNil(map, "a").isValid());
        QVERIFY(DictionaryAdditions::objectForKeyOrNil(json, "a").isUndefined());
        QCOMPARE(DictionaryAdditions::objectForKeyPathOrNil(map, u"im:rating.label").toString(),
            QStringLiteral("5"));
        QCOMPARE(DictionaryAdditions::objectForKeyPathOrNil(json, u"im:rating.label").toString(),
            QStringLiteral("5"));
        QCOMPARE(DictionaryAdditions::objectForKeyPathOrNil(map, u"b.d").toString(),
            QStringLiteral("x"));

        // A list on the way: the rest of the path applies to each entry.
        const QVariantList values =
            DictionaryAdditions::objectForKeyPathOrNil(map, u"list.v").toList();
        QCOMPARE(values.size(), 3);
        QCOMPARE(values.at(0).toInt(), 1);
        QVERIFY(DictionaryAdditions::isNil(values.at(1)));
        QVERIFY(DictionaryAdditions::isNil(values.at(2)));
        const QJsonArray jsonValues =
            DictionaryAdditions::objectForKeyPathOrNil(json, u"list.v").toArray();
        QCOMPARE(jsonValues.size(), 3);
        QCOMPARE(jsonValues.at(0).toInt(), 1);
        QVERIFY(jsonValues.at(1).isNull());
    }

    void urlEscaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("mail link") << "mailto:help@example.org?subject=Review Keeper 1.0"
                                   << "mailto:help@example.org?subject=Review%20Keeper%201.0";
        QTest::newRow("already escaped") << "a%20b"
                                         << "a%20b";
        QTest::newRow("reserved stay") << "a&b=c;d/e?f#g[h]@!$'()*+,\""
                                       << "a&b=c;d/e?f#g[h]@!$'()*+,\"";
        QTest::newRow("illegal") << "<a>{b}|c\\d^e`"
                                 << "%3Ca%3E%7Bb%7D%7Cc%5Cd%5Ee%60";
        QTest::newRow("non-ascii") << "Grüße ✓"
                                   << "Gr%C3%BC%C3%9Fe%20%E2%9C%93";
        QTest::newRow("stray percent") << "100%"
                                       << "100%";
        QTest::newRow("control") << "a\nb"
                                 << "a%0Ab";
    }

    void urlEscaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(StringAdditions::stringByEncodingIllegalURLCharacters(text), escaped);
        QString inPlace = text;
        QCOMPARE(StringAdditions::encodeIllegalURLCharacters(inPlace), escaped);
        QCOMPARE(StringAdditions::stringByDecodingIllegalURLCharacters(escaped),
            StringAdditions::stringByDecodingIllegalURLCharacters(text));
    }

    void urlEscapingInOtherEncodings()
    {
        QCOMPARE(StringAdditions::stringByEncodingIllegalURLCharactersUsingEncoding(
                     "é", StringAdditions::ISOLatin1StringEncoding),
            QStringLiteral("%E9"));
        QCOMPARE(StringAdditions::stringByDecodingIllegalURLCharactersUsingEncoding(
                     "%E9", StringAdditions::ISOLatin1StringEncoding),
            QStringLiteral("é"));
        // Escapes that are no valid UTF-8 stay as they are instead of turning into garbage.
        QCOMPARE(StringAdditions::stringByDecodingIllegalURLCharacters("%E9%ZZ"),
            QStringLiteral("%E9%ZZ"));
        QString text = "a%C3%A9";
        QCOMPARE(StringAdditions::decodeIllegalURLCharacters(text), QStringLiteral("aé"));
    }

    void xmlEntities()
    {
        QCOMPARE(
            StringAdditions::stringByDecodingXMLEntities("a &amp; b"), QStringLiteral("a & b"));
        QCOMPARE(StringAdditions::stringByDecodingXMLEntities("&amp;lt; &#169; &nbsp;"),
            QStringLiteral("&lt; &#169; &nbsp;"));
        QCOMPARE(StringAdditions::stringByDecodingXMLEntities("&lt;&gt;&quot;&apos;"),
            QStringLiteral("<>\"'"));
        QCOMPARE(StringAdditions::stringByEncodingXMLEntities("a &amp; b <c>"),
            QStringLiteral("a &amp; b &lt;c&gt;"));
        QString text = "\"it's\"";
        QCOMPARE(StringAdditions::encodeXMLEntities(text), QStringLiteral("&quot;it&apos;s&quot;"));
        QString plain = "nothing special";
        QCOMPARE(StringAdditions::encodeXMLEntities(plain), QStringLiteral("nothing special"));
    }

    void lines()
    {
        QCOMPARE(StringAdditions::arrayOfLines("one\ntwo\n"), (QStringList {"one", "two"}));
        QCOMPARE(StringAdditions::arrayOfLines("one\r\ntwo\rthree"),
            (QStringList {"one", "two", "three"}));
        QCOMPARE(StringAdditions::arrayOfLines("a\n\nb"), (QStringList {"a", "", "b"}));
        QVERIFY(StringAdditions::arrayOfLines("").isEmpty());
    }

    void encodings()
    {
        QCOMPARE(StringAdditions::nameOfStringEncoding(4), QStringLiteral("NSUTF8StringEncoding"));
        QCOMPARE(StringAdditions::nameOfStringEncoding(65536),
            QStringLiteral("NSProprietaryStringEncoding"));
        QVERIFY(StringAdditions::nameOfStringEncoding(16).isNull());
        QCOMPARE(StringAdditions::IANACharSetNameToNSStringEncoding("utf-8"), 4u);
        QCOMPARE(StringAdditions::IANACharSetNameToNSStringEncoding("Shift_JIS"), 8u);
        QCOMPARE(StringAdditions::IANACharSetNameToNSStringEncoding("iso-8859-1"), 5u);
        QCOMPARE(StringAdditions::IANACharSetNameToNSStringEncoding("klingon"),
            StringAdditions::invalidEncoding);

        QCOMPARE(
            StringAdditions::stringWithData("\x82\xa0", StringAdditions::ShiftJISStringEncoding),
            QString::fromUtf8("あ"));
        QCOMPARE(
            StringAdditions::stringWithData("caf\xe9", StringAdditions::ISOLatin1StringEncoding),
            QStringLiteral("café"));
        QVERIFY(StringAdditions::stringWithData("caf\xe9", StringAdditions::UTF8StringEncoding)
                    .isNull());
        QVERIFY(
            StringAdditions::stringWithData("x", StringAdditions::SymbolStringEncoding).isNull());
        QCOMPARE(StringAdditions::stringWithUTF8CString("caf\xc3\xa9"), QStringLiteral("café"));
        QVERIFY(StringAdditions::stringWithCString(nullptr).isNull());
        QCOMPARE(StringAdditions::cString("é"), QByteArray("\xc3\xa9"));
        QCOMPARE(StringAdditions::stringWithCharacterForUnicodeValue(0x263A), QStringLiteral("☺"));
        const QString name = StringAdditions::uniqueFilename();
        QCOMPARE(name.size(), 36);
        QVERIFY(name != StringAdditions::uniqueFilename());
    }

    void caseInsensitive()
    {
        QCOMPARE(StringAdditions::caseInsensitiveRangeOfString("Hello World", "WORLD"), 6);
        QCOMPARE(StringAdditions::caseInsensitiveRangeOfString("Hello", "x"), -1);
        QVERIFY(StringAdditions::caseInsensitiveEqualToString("Straße", "STRASSE") == false);
        QVERIFY(StringAdditions::caseInsensitiveEqualToString("Ärger", "äRGER"));
    }

    void typesAreMimeTypes()
    {
        QCOMPARE(StringAdditions::UTIForFilenameExtension("png"), QStringLiteral("image/png"));
        QVERIFY(StringAdditions::UTIForFilenameExtension("no-such-extension").isNull());
        QVERIFY(StringAdditions::UTIConformsToUTI("image/png", "image/png"));
        QVERIFY(StringAdditions::UTIConformsToUTI("application/xml", "text/plain"));
        QVERIFY(!StringAdditions::UTIConformsToUTI("image/png", "text/plain"));
        QVERIFY(StringAdditions::UTIEqualToUTI("text/xml", "application/xml"));
        QVERIFY(!StringAdditions::UTIEqualToUTI("image/png", "image/jpeg"));
    }
};

RK_TEST_MAIN(StringAdditionsTest)
#include "tst_stringadditions.moc"
