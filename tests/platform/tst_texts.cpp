#include "platform/Error.h"
#include "platform/StringFormat.h"
#include "platform/UrlOpener.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

class TextsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatsTheApplicationsNotation()
    {
        const QString a("a"), b("b");
        const QList<std::pair<QString, QString>> cases {
            {formatString("You have %ld new %@.", 3, QString("reviews")),
                "You have 3 new reviews."},
            {formatString("The server returned a %i error", 404),
                "The server returned a 404 error"},
            {formatString("%.1f of %d%%", 4.26, 5), "4.3 of 5%"},
            {formatString("%2$@ before %1$@", a, b), "b before a"},
            {formatString("%@:%@ unable", QString("AppDelegate")), "AppDelegate: unable"},
            {formatString("100% sure %y", 1), "100% sure %y"},
            {formatString("trailing %", 1), "trailing %"},
            {formatString("%lu", qulonglong(18446744073709551615ull)), "18446744073709551615"}};
        for (const auto &[formatted, expected] : cases)
            QCOMPARE(formatted, expected);
    }

    // Every text in the German file is translated, and keeps the
    // placeholders of its source, so no format loses an argument.
    void everyGermanTextIsTranslatedWithItsPlaceholders()
    {
        QFile file(QStringLiteral(RK_SOURCE_DIR "/resources/translations/reviewkeeper_de.ts"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString ts = QString::fromUtf8(file.readAll());
        QVERIFY(!ts.contains("type=\"unfinished\""));
        QVERIFY(!ts.contains("<translation></translation>"));
        static const QRegularExpression message(
            "<source>(.*?)</source>\\s*(?:<comment>.*?</comment>\\s*)?<translation[^>]*>(.*?)"
            "</translation>",
            QRegularExpression::DotMatchesEverythingOption);
        const auto placeholders = [](const QString &text) {
            static const QRegularExpression placeholder("%(\\d\\$)?(\\.\\d)?l*[@difu]");
            QStringList found;
            for (auto p = placeholder.globalMatch(text); p.hasNext();)
                found << p.next().captured();
            found.sort();
            return found;
        };
        int count = 0;
        for (auto it = message.globalMatch(ts); it.hasNext(); ++count) {
            const auto match = it.next();
            QVERIFY2(placeholders(match.captured(1)) == placeholders(match.captured(2)),
                qPrintable(match.captured(1)));
        }
        QVERIFY(count > 10);
    }

    // The log shows an error with its reason and the error beneath it.
    void errorsCarryTheirTexts()
    {
        const Error error = Error::storeError("Failed to initialize the application's saved data",
            "Expected a folder", Error(Error::URLErrorDomain, -1001));
        QVERIFY(error.debugDescription().contains("(Expected a folder) UnderlyingError={"));
        QVERIFY(error.debugDescription().contains("-1001"));
        QVERIFY(!(error == error.underlyingError()));
        QVERIFY(!Error::storeError("x").hasUnderlyingError());
    }

    // Addresses that come from the network open only as web pages (the
    // views check that a refused one never reaches the browser).
    void networkAddressesOpenOnlyAsHttp()
    {
        using O = UrlOpener::Origin;
        for (const char *allowed : {"https://apps.apple.com/us/app/id1", "http://example.com/"})
            QVERIFY2(UrlOpener::isAllowed(QUrl(allowed), O::Network), allowed);
        for (const char *refused :
            {"file:///etc/passwd", "javascript:alert(1)", "itms-apps://x", "https://"})
            QVERIFY2(!UrlOpener::isAllowed(QUrl(refused), O::Network), refused);
        QVERIFY(UrlOpener::isAllowed(QUrl("mailto:support@reviewkeeper.org"), O::Application));
    }
};

RK_TEST_MAIN(TextsTest)
#include "tst_texts.moc"
