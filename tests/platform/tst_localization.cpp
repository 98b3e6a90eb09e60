#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

class LocalizationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void germanIsChosenByTheLocale()
    {
        QCOMPARE(localized("AppDelegate", "%@ is already running."),
                 QString("%@ is already running."));
        QCOMPARE(Localization::install(*QCoreApplication::instance(), QLocale(QLocale::English)),
                 QString());
        QCOMPARE(Localization::install(*QCoreApplication::instance(), QLocale(QLocale::German)),
                 QString("de"));
        QCOMPARE(formatString(localized("AppDelegate", "%@ is already running."),
                              QString("ReviewKeeper")),
                 QString("ReviewKeeper läuft bereits."));
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
        static const QRegularExpression placeholder("%(\\d\\$)?(\\.\\d)?l*[@difu]");
        int count = 0;
        for (auto it = message.globalMatch(ts); it.hasNext(); ++count) {
            const auto match = it.next();
            QStringList source, translated;
            for (auto p = placeholder.globalMatch(match.captured(1)); p.hasNext();)
                source << p.next().captured();
            for (auto p = placeholder.globalMatch(match.captured(2)); p.hasNext();)
                translated << p.next().captured();
            std::sort(source.begin(), source.end());
            std::sort(translated.begin(), translated.end());
            QVERIFY2(source == translated, qPrintable(match.captured(1)));
        }
        QVERIFY(count > 10);
    }
};

RK_TEST_MAIN(LocalizationTest)
#include "tst_localization.moc"
