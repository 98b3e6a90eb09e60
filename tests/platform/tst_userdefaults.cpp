#include "Resources.h"
#include "platform/AppPaths.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class UserDefaultsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const char *name) const { return dir_.filePath(name); }

private Q_SLOTS:
    // Every key the application reads has a default; none is written to the
    // user's file, which lives with the user's configuration (the other
    // folders are checked where the command line and the shell use them).
    void registeredDefaultsComeFromTheResource()
    {
        QVERIFY(AppPaths::preferencesFile().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        UserDefaults defaults(path("registered.conf"));
        QVERIFY(defaults.registerDefaultsFromFile(Resources::defaultsPlist()));
        for (const char *key : {"FirstLaunch", "ShowNotifications", "PlayNotificationSound",
                 "SelectedRegions", "AutomaticUpdateInterval", "AutoUpdateAtStartup",
                 "RateLimitExceededSuppress", "SelectedMainView", "TranslationLanguageCode",
                 "DeleteProductAlertSuppress", "OSXSearchSelected", "IOSSearchSelected",
                 "eBookSearchSelected", "PodcastSearchSelected"})
            QVERIFY2(defaults.objectForKey(key).isValid(), key);
        QVERIFY(defaults.boolForKey("FirstLaunch"));
        QVERIFY(defaults.dictionaryForKey("SelectedRegions").value("Europe").toBool());
        QVERIFY(!defaults.dictionaryForKey("SelectedRegions").value("AsiaPacific").toBool());
        QVERIFY(defaults.integerForKey("AutomaticUpdateInterval") > 0);
        defaults.synchronize();
        QVERIFY(!QFile(path("registered.conf")).exists() || !QFile(path("registered.conf")).size());
    }

    // Each type reads back from the file (integers and region maps are read
    // back by the companion's config command, in a process of its own).
    void storedValuesSurviveAFreshInstanceWithTheirTypes()
    {
        const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7, 890), Qt::UTC);
        const QStringList sort {"title:1", "date, with comma:0"};
        {
            UserDefaults defaults(path("round.conf"));
            defaults.registerDefaults({{"ShowNotifications", true}});
            defaults.setBool(false, "ShowNotifications");
            defaults.setDouble(0.25, "Delay");
            defaults.setObject(when, "LastAutomaticUpdate");
            defaults.setObject(
                QVariantMap {{"Europe", true}, {"AsiaPacific", false}}, "SelectedRegions");
            defaults.setObject(sort, "Sort");
            defaults.setObject(QStringList {"only"}, "Single");
            defaults.setString("日本語 & ümlaut", "Text");
            QVERIFY(defaults.synchronize());
        }
        UserDefaults defaults(path("round.conf"));
        defaults.registerDefaults({{"ShowNotifications", true}});
        QCOMPARE(defaults.boolForKey("ShowNotifications"), false); // stored beats registered
        QCOMPARE(defaults.doubleForKey("Delay"), 0.25);
        QCOMPARE(defaults.dateForKey("LastAutomaticUpdate"), when);
        QCOMPARE(defaults.stringArrayForKey("Sort"), sort);
        QCOMPARE(defaults.stringArrayForKey("Single"), QStringList {"only"});
        QCOMPARE(defaults.stringForKey("Text"), QString("日本語 & ümlaut"));
        // The file stays readable: dates as ISO text, maps as groups.
        QFile file(path("round.conf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("LastAutomaticUpdate=2026-03-04T05:06:07.890Z"));
        QVERIFY(text.contains("[SelectedRegions]"));
        QVERIFY(!text.contains("@Variant"));
        defaults.removeObjectForKey("SelectedRegions");
        QVERIFY(!defaults.hasStoredValue("SelectedRegions"));
        QVERIFY(defaults.dictionaryForKey("SelectedRegions").isEmpty());
    }

    void oddOrUnregisteredValuesReadSafely()
    {
        QFile file(path("odd.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nInterval=abc\nFlag=YES\nReal=2.9\nDate=yesterday\n");
        file.close();
        UserDefaults defaults(path("odd.conf"));
        QVERIFY(!defaults.registerDefaultsFromFile(path("missing.plist")));
        QCOMPARE(defaults.integerForKey("Interval"), 0);
        QCOMPARE(defaults.boolForKey("Flag"), true);
        QCOMPARE(defaults.integerForKey("Real"), 2);
        QVERIFY(!defaults.dateForKey("Date").isValid());
        QVERIFY(defaults.dictionaryForKey("Interval").isEmpty());
        QCOMPARE(defaults.boolForKey("ShowNotifications"), false);
        QCOMPARE(defaults.integerForKey("AutomaticUpdateInterval"), 0);
        QVERIFY(defaults.stringForKey("TranslationLanguageCode").isNull());
        QVERIFY(defaults.arrayForKey("Anything").isEmpty());
        QVERIFY(!defaults.dateForKey("LastAutomaticUpdate").isValid());
    }

    void propertyListReadsEveryTypeAndRejectsBrokenOnes()
    {
        const QByteArray xml = R"(<?xml version="1.0"?>
<plist version="1.0"><dict>
<key>s</key><string>a &amp; b</string>
<key>i</key><integer>-42</integer>
<key>r</key><real>2.5</real>
<key>t</key><true/><key>f</key><false/>
<key>a</key><array><integer>1</integer><string>x</string><dict/></array>
<key>d</key><date>2026-12-06T10:00:00Z</date>
<key>n</key><dict><key>deep</key><string>y</string></dict>
</dict></plist>)";
        QString error;
        const QVariantMap map = PropertyList::parse(xml, &error).toMap();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QVariantMap expected {{"s", "a & b"}, {"i", -42}, {"r", 2.5}, {"t", true},
            {"f", false}, {"a", QVariantList {1, "x", QVariantMap()}},
            {"d", QDateTime(QDate(2026, 12, 6), QTime(10, 0), Qt::UTC)},
            {"n", QVariantMap {{"deep", "y"}}}};
        QCOMPARE(map, expected);
        QCOMPARE(PropertyList::parse(PropertyList::serialize(map)).toMap(), map);

        QByteArray deep;
        for (int i = 0; i < 1000; ++i)
            deep += "<array>";
        for (const QByteArray &bad : {QByteArray("<plist><dict><key>a</key></dict></plist>"),
                 QByteArray("<plist><dict><string>x</string></dict></plist>"),
                 QByteArray("<plist><integer>x1</integer></plist>"),
                 QByteArray("<plist><dict><key>a</key><string>x"), QByteArray("not xml"),
                 QByteArray("<plist><blob/></plist>"), QByteArray(),
                 QByteArray("<plist>" + deep + "</plist>")}) {
            QString message;
            QVERIFY2(!PropertyList::parse(bad, &message).isValid(), bad.left(60).constData());
            QVERIFY(!message.isEmpty());
        }
    }
};

RK_TEST_MAIN(UserDefaultsTest)
#include "tst_userdefaults.moc"
