#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/UrlOpener.h"
#include "support/TestEnvironment.h"

#include <QTest>

class TextsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatsTheApplicationsNotation()
    {
        QCOMPARE(formatString("%@ is already running.", QString("ReviewKeeper")),
                 QString("ReviewKeeper is already running."));
        QCOMPARE(formatString("You have %ld new %@.", 3, QString("reviews")),
                 QString("You have 3 new reviews."));
        QCOMPARE(formatString("The server returned a %i error", 404),
                 QString("The server returned a 404 error"));
        QCOMPARE(formatString("%.1f of %d%%", 4.26, 5), QString("4.3 of 5%"));
        QCOMPARE(formatString("%2$@ before %1$@", QString("a"), QString("b")),
                 QString("b before a"));
        QCOMPARE(formatString("%@:%@ unable", QString("AppDelegate")), QString("AppDelegate: unable"));
        QCOMPARE(formatString("100% sure %y", 1), QString("100% sure %y"));
        QCOMPARE(formatString("trailing %", 1), QString("trailing %"));
        QCOMPARE(formatString("%lu items", qulonglong(18446744073709551615ull)),
                 QString("18446744073709551615 items"));
    }

    void errorsCarryTheirTexts()
    {
        const Error underlying(Error::URLErrorDomain, -1001);
        const Error error = Error::storeError("Failed to initialize the application's saved data",
                                              "Expected a folder", underlying);
        QVERIFY(error);
        QCOMPARE(error.domain(), QString("YOUR_ERROR_DOMAIN"));
        QCOMPARE(error.code(), 9999);
        QCOMPARE(error.localizedFailureReason(), QString("Expected a folder"));
        QCOMPARE(error.underlyingError().code(), -1001);
        QVERIFY(error.debugDescription().contains("-1001"));
        QVERIFY(!Error());
        QVERIFY(!Error().hasUnderlyingError());
        QVERIFY(Error(Error::URLErrorDomain, -999).isCancellation());
        QVERIFY(!Error(Error::HTTPResponseErrorDomain, 403).localizedDescription().isEmpty());
        QVERIFY(!Error::storeError("x").hasUnderlyingError());
    }

    void networkAddressesOpenOnlyAsHttp()
    {
        using O = UrlOpener::Origin;
        QVERIFY(UrlOpener::isAllowed(QUrl("https://apps.apple.com/us/app/id1"), O::Network));
        QVERIFY(UrlOpener::isAllowed(QUrl("http://example.com/"), O::Network));
        QVERIFY(!UrlOpener::isAllowed(QUrl("file:///etc/passwd"), O::Network));
        QVERIFY(!UrlOpener::isAllowed(QUrl("javascript:alert(1)"), O::Network));
        QVERIFY(!UrlOpener::isAllowed(QUrl("itms-apps://x"), O::Network));
        QVERIFY(!UrlOpener::isAllowed(QUrl("https://"), O::Network));
        QVERIFY(UrlOpener::isAllowed(QUrl("mailto:support@reviewkeeper.org"), O::Application));

        QList<QUrl> opened;
        UrlOpener::setHandler([&](const QUrl &url) {
            opened << url;
            return true;
        });
        QVERIFY(!UrlOpener::open(QUrl("file:///tmp/x"), O::Network));
        QVERIFY(UrlOpener::open(QUrl("https://example.com/"), O::Network));
        UrlOpener::setHandler({});
        QCOMPARE(opened, QList<QUrl>{QUrl("https://example.com/")});
    }

    void logLinesGoToTheSink()
    {
        QStringList lines;
        setLogSink([&](const QString &line) { lines << line; });
        logLine("Error saving context:\nsomething");
        setLogSink({});
        QCOMPARE(lines, QStringList{"Error saving context:\nsomething"});
    }
};

RK_TEST_MAIN(TextsTest)
#include "tst_texts.moc"
