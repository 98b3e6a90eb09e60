#include "net/ISO8601DateFormatter.h"
#include "platform/Log.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QtTest>

#include <ctime>
#include <thread>

class ISO8601DateFormatterTest : public QObject {
    Q_OBJECT

private:
    QStringList logged_;

    static QString utc(const QDateTime &date)
    {
        if (!date.isValid())
            return QStringLiteral("nil");
        const QDateTime inUtc = date.toUTC();
        return inUtc.time().msec() ? inUtc.toString(Qt::ISODateWithMs)
                                   : inUtc.toString(Qt::ISODate);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A zone with summer time, so that "no designator" is told apart from UTC.
        qputenv("TZ", "America/Los_Angeles");
        tzset();
    }

    void init()
    {
        logged_.clear();
        setLogSink([this](const QString &line) { logged_.append(line); });
    }

    void cleanup() { setLogSink({}); }

    void parsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("expected"); // instant in UTC, or "nil"

        const int year = QDate::currentDate().year();
        const QString y = QString::number(year), century = QString::number(year / 100);
        const auto row = [](const char *name, const char *text, bool strict, const QString &utc) {
            QTest::newRow(name) << QString(text) << strict << utc;
        };
        // Store dates: literal offsets applied as written, all year round.
        row("feed summer", "2015-08-25T01:45:00-07:00", false, "2015-08-25T08:45:00Z");
        row("lookup Z", "2013-05-10T12:00:00Z", true, "2013-05-10T12:00:00Z");
        row("no zone winter", "2013-01-01T12:00:00", false, "2013-01-01T20:00:00Z");
        row("offset colon ends it", "2013-01-01T00:00:00+05:30", false, "2012-12-31T19:00:00Z");
        row("offset basic", "2013-01-01T00:00:00+0530", false, "2012-12-31T18:30:00Z");
        row("space before zone", "2013-01-01T00:00 Z", false, "2013-01-01T00:00:00Z");
        row("minute fraction", "2013-01-01T10:30.5Z", false, "2013-01-01T10:30:30Z");
        row("second fraction", "2013-01-01T10:00:05.250Z", false, "2013-01-01T10:00:05.250Z");
        row("hour rolls over", "2013-05-10T25:00Z", false, "2013-05-11T01:00:00Z");
        row("YYYY", "2013", false, utc(QDateTime(QDate(2013, 1, 1), QTime(0, 0), Qt::LocalTime)));
        row("YYYYMMDD", "20130510T12:00Z", true, "2013-05-10T12:00:00Z");
        row("YYYY-MMDD", "2013-0510T00:00Z", false, "2013-05-10T00:00:00Z");
        row("YYYY-MMDD strict", "2013-0510T00:00Z", true, "nil");
        row("YYMMDD", "130510T00:00Z", false, "2013-05-10T00:00:00Z");
        row("YYMMDD strict", "130510T00:00Z", true, "nil");
        row("YY-MM-DD", "13-05-10T00:00Z", false, century + "13-05-10T00:00:00Z");
        row("-YY-MM", "-13-05T00:00Z", false, century + "13-05-01T00:00:00Z");
        row("YYYYDDD", "2013100T00:00Z", false, "2013-04-10T00:00:00Z");
        row("leap 366", "2012-366T00:00Z", true, "2012-12-31T00:00:00Z");
        row("366 strict", "2013-366T00:00Z", true, "nil");
        // Week dates, across year ends.
        row("2009-W01-1", "2009-W01-1T00:00Z", true, "2008-12-29T00:00:00Z");
        row("2010-W01", "2010-W01T00:00Z", true, "2010-01-04T00:00:00Z");
        row("2021W527", "2021W527T00:00Z", false, "2022-01-02T00:00:00Z");
        // Truncated forms in the current year.
        row("--MM-DD", "--05-10T00:00Z", false, y + "-05-10T00:00:00Z");
        row("--MMDD", "--0510T00:00Z", false, y + "-05-10T00:00:00Z");
        row("---DD", "---10T00:00Z", false,
            QDate(year, QDate::currentDate().month(), 10).toString(Qt::ISODate) + "T00:00:00Z");
        row("-DDD", "-100T00:00Z", false,
            QDate(year, 1, 1).addDays(99).toString(Qt::ISODate) + "T00:00:00Z");
        row("-Www-d", "-W01-1T00:00Z", false,
            QDate(year, 1, 4).addDays(1 - QDate(year, 1, 4).dayOfWeek()).toString(Qt::ISODate)
                + "T00:00:00Z");
        row("T time", "T10:00Z", false, QDate::currentDate().toString(Qt::ISODate) + "T10:00:00Z");
        row("interval", "2013-05-10/2013-05-11", false, "nil");
        row("5 digits", "12345", false, "nil");
        row("9 digits", "123456789", false, "nil");
        row("4 hyphens", "----10", false, "nil");
        row("empty", "", false, "nil");
        row("leading space strict", " 2013-05-10T00:00Z", true, "nil");
        row("leading space", " 2013-05-10T00:00Z", false, "2013-05-10T00:00:00Z");
        row("huge minutes", "2013-05-10T10:99999999999999Z", false, "nil");
        row("year zero", "0000-01-01", false, "nil");
        // Found by fuzzing: seconds past 59 roll over before 1970 as after.
        row("seconds roll over", "1006T10:00:155.25.50Z", false,
            utc(QDateTime(QDate(1006, 1, 1), QTime(10, 2, 35, 250), Qt::LocalTime)));
    }

    void parsing()
    {
        QFETCH(QString, text);
        QFETCH(bool, strict);
        QFETCH(QString, expected);
        ISO8601DateFormatter formatter;
        formatter.setParsesStrictly(strict);
        QCOMPARE(utc(formatter.dateFromString(text)), expected);
    }

    // Two-digit years (read in this century: parsing) are logged; store
    // dates are not.
    void twoDigitYearsAreLogged()
    {
        ISO8601DateFormatter formatter;
        QVERIFY(formatter.dateFromString("-13-05T00:00Z").isValid());
        QCOMPARE(logged_.size(), 2);
        QVERIFY(logged_.first().contains("-YY or -YY-MM; segment (year) is 13"));
        logged_.clear();
        QVERIFY(formatter.dateFromString("2015-08-25T01:45:00-07:00").isValid());
        QVERIFY(logged_.isEmpty());
    }

    // The zone, range, fraction and components read along with the date.
    void separatorsZonesAndRanges()
    {
        ISO8601DateFormatter formatter;
        formatter.setTimeZoneSeparator(u':');
        QTimeZone zone;
        QCOMPARE(utc(formatter.dateFromString("2013-01-01T00:00:00+05:30", &zone)),
            QString("2012-12-31T18:30:00Z"));
        formatter.setTimeSeparator(u'.');
        QCOMPARE(utc(formatter.dateFromString("2013-05-10T10.30.15Z", &zone)),
            QString("2013-05-10T10:30:15Z"));
        QCOMPARE(zone, QTimeZone::utc());
        // Strict parsing always uses ":": the rest is no time and no zone,
        // so the hours are read in the system's zone.
        formatter.setParsesStrictly(true);
        QCOMPARE(
            utc(formatter.dateFromString("2013-05-10T10.30.15Z")), QString("2013-05-10T17:00:00Z"));

        ISO8601DateFormatter plain;
        ISO8601DateFormatter::Range range;
        QVERIFY(plain.dateFromString(" 2013-05-10T10:00-07:00 and more", &zone, &range).isValid());
        QCOMPARE(range.location, 1);
        QCOMPARE(range.length, 19); // without a zone separator ":00" is not read
        QCOMPARE(zone.offsetFromUtc(QDateTime::currentDateTimeUtc()), -25200);
        QVERIFY(!plain.dateFromString("nothing", &zone, &range).isValid());
        QCOMPARE(range.location, -1);
        QVERIFY(!zone.isValid());
        QVERIFY(!plain.dateFromString(QString()).isValid());

        double fraction = 0;
        const auto parts = plain.dateComponentsFromString(
            "2013-05-10T10:30:05.25-07:00", &zone, &range, &fraction);
        QVERIFY(parts);
        QCOMPARE(QList<int>({parts->year, parts->day, parts->second, parts->zoneOffsetSeconds}),
            QList<int>({2013, 10, 5, -25200}));
        QCOMPARE(fraction, 0.25);
        QVariant value;
        QVERIFY(plain.getObjectValue(&value, "2013-05-10", nullptr));
        QCOMPARE(value.typeId(), QMetaType::QDateTime);
        QVERIFY(!plain.getObjectValue(&value, "x", nullptr));
        QVERIFY(!value.isValid());
    }

    void output()
    {
        const QDateTime instant(QDate(2013, 5, 10), QTime(8, 45, 0, 250), Qt::UTC);
        ISO8601DateFormatter formatter;
        formatter.setDefaultTimeZone(QTimeZone::utc());
        QCOMPARE(formatter.stringFromDate(instant), QString("2013-05-10"));
        formatter.setIncludeTime(true);
        QCOMPARE(formatter.stringFromDate(instant), QString("2013-05-10T08:45:00Z"));
        formatter.setUseMillisecondPrecision(true);
        formatter.setTimeZoneSeparator(u':');
        formatter.setTimeSeparator(u'.');
        QCOMPARE(formatter.stringFromDate(instant, QTimeZone(19800)),
            QString("2013-05-10T14.15.00.250+05:30"));
        formatter.setFormat(ISO8601DateFormatter::ISO8601DateFormatOrdinal);
        formatter.setIncludeTime(false);
        QCOMPARE(formatter.stringFromDate(instant), QString("2013-130"));
        formatter.setFormat(ISO8601DateFormatter::ISO8601DateFormatWeek);
        QCOMPARE(formatter.stringFromDate(QDateTime(QDate(2008, 12, 29), QTime(0, 0), Qt::UTC)),
            QString("2009-W01-01"));
        formatter.setIncludeTime(true);
        formatter.setUseMillisecondPrecision(false);
        formatter.setTimeSeparator(u':');
        QCOMPARE(formatter.weekDateStringForDate(instant, QTimeZone(-25200)),
            QString("2013-W19-05T01:45:00-07:00"));

        QVERIFY(logged_.isEmpty());
        formatter.setFormat(5);
        QVERIFY(formatter.stringFromDate(instant).isNull());
        QCOMPARE(
            logged_, QStringList {"self.format was 5, not calendar (0), week (2), or ordinal (1)"});
        QVERIFY(formatter.stringForObjectValue(QVariant(5)).isNull());
        QCOMPARE(logged_.size(), 2);
        QVERIFY(logged_.last().contains("Can only format NSDate objects"));
    }

    void zoneCacheIsSharedSafely()
    {
        std::vector<std::thread> threads;
        std::atomic<int> failures {0};
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([t, &failures] {
                ISO8601DateFormatter formatter;
                QTimeZone zone;
                for (int i = 0; i < 500; ++i) {
                    const int hours = (i + t) % 14;
                    const QString text = QString::asprintf("2013-05-10T12:00:00+%02d00", hours);
                    const QDateTime date = formatter.dateFromString(text, &zone);
                    if (date.toUTC().time().hour() != (12 - hours + 24) % 24
                        || zone.offsetFromUtc(date) != hours * 3600)
                        ++failures;
                    if (t == 0 && i % 50 == 0)
                        ISO8601DateFormatter::purgeGlobalCaches();
                }
            });
        }
        for (auto &thread : threads)
            thread.join();
        QCOMPARE(failures.load(), 0);
    }
};

RK_TEST_MAIN(ISO8601DateFormatterTest)
#include "tst_iso8601dateformatter.moc"
