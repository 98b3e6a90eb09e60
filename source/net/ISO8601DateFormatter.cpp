#include "net/ISO8601DateFormatter.h"

#include "net/ISO8601DateParser.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <cmath>

namespace {

constexpr qint64 kUnixEpochJulianDay = 2440588;
constexpr qint64 kMSecsPerDay = 86400000;

struct ZoneCache {
    QMutex mutex;
    QHash<int, QTimeZone> zones;
};

ZoneCache &zoneCache()
{
    static ZoneCache cache;
    return cache;
}

// A lenient calendar: months past December and days past a month's end roll
// into the following ones, day 0 and below into the preceding ones.
QDate dateOf(const ISO8601DateComponents &c)
{
    if (c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= 28)
        return QDate(c.year, c.month, c.day);
    const QDate first(c.year, 1, 1);
    if (!first.isValid())
        return {};
    return first.addMonths(c.month - 1).addDays(qint64(c.day) - 1);
}

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QTimeZone ISO8601DateFormatter::timeZoneForOffset(int offsetSeconds)
{
    ZoneCache &cache = zoneCache();
    QMutexLocker locker(&cache.mutex);
    auto it = cache.zones.constFind(offsetSeconds);
    if (it != cache.zones.constEnd())
        return *it;
    const QTimeZone zone(offsetSeconds);
    cache.zones.insert(offsetSeconds, zone);
    return zone;
}

void ISO8601DateFormatter::purgeGlobalCaches()
{
    ZoneCache &cache = zoneCache();
    QMutexLocker locker(&cache.mutex);
    cache.zones.clear();
}

std::optional<ISO8601DateComponents> ISO8601DateFormatter::dateComponentsFromString(
    const QString &string)
{
    return dateComponentsFromString(string, nullptr, nullptr, nullptr);
}

std::optional<ISO8601DateComponents> ISO8601DateFormatter::dateComponentsFromString(
    const QString &string, QTimeZone *outTimeZone)
{
    return dateComponentsFromString(string, outTimeZone, nullptr, nullptr);
}

std::optional<ISO8601DateComponents> ISO8601DateFormatter::dateComponentsFromString(
    const QString &string, QTimeZone *outTimeZone, Range *outRange, double *outFractionOfSecond)
{
    if (outTimeZone)
        *outTimeZone = QTimeZone();
    if (outRange)
        *outRange = Range();
    if (outFractionOfSecond)
        *outFractionOfSecond = 0;
    if (string.isNull())
        return std::nullopt;
    ISO8601DateParser::Options options;
    options.strict = parsesStrictly_;
    options.timeSeparator = timeSeparator_;
    options.timeZoneSeparator = timeZoneSeparator_;
    const auto result = ISO8601DateParser::parse(string, options);
    if (!result)
        return std::nullopt;
    if (outTimeZone && result->components.hasZone) {
        *outTimeZone = result->components.zoneIsUTC
            ? QTimeZone::utc()
            : timeZoneForOffset(result->components.zoneOffsetSeconds);
    }
    if (outRange)
        *outRange = Range {result->location, result->length};
    if (outFractionOfSecond)
        *outFractionOfSecond = result->components.fractionOfSecond;
    return result->components;
}

QDateTime ISO8601DateFormatter::dateFromComponents(const ISO8601DateComponents &c)
{
    const QDate date = dateOf(c);
    if (!date.isValid())
        return {};
    const qint64 secondsOfDay = c.hour * qint64(3600) + c.minute * qint64(60) + c.second;
    const qint64 fractionMSecs =
        c.fractionOfSecond > 0 ? qint64(std::llround(c.fractionOfSecond * 1000)) : 0;
    if (c.hasZone) {
        const qint64 msecs = (date.toJulianDay() - kUnixEpochJulianDay) * kMSecsPerDay
            + (secondsOfDay - c.zoneOffsetSeconds) * 1000 + fractionMSecs;
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    }
    QDateTime local;
    if (c.hour < 24 && c.minute < 60 && c.second < 60)
        local = QDateTime(date, QTime(c.hour, c.minute, c.second), Qt::LocalTime);
    else
        local = QDateTime(date, QTime(0, 0), Qt::LocalTime).addSecs(secondsOfDay);
    if (!local.isValid())
        return {};
    return local.addMSecs(fractionMSecs).toUTC();
}

QDateTime ISO8601DateFormatter::dateFromString(const QString &string)
{
    return dateFromString(string, nullptr, nullptr);
}

QDateTime ISO8601DateFormatter::dateFromString(const QString &string, QTimeZone *outTimeZone)
{
    return dateFromString(string, outTimeZone, nullptr);
}

QDateTime ISO8601DateFormatter::dateFromString(
    const QString &string, QTimeZone *outTimeZone, Range *outRange)
{
    const auto components = dateComponentsFromString(string, outTimeZone, outRange, nullptr);
    if (!components)
        return {};
    const QDateTime date = dateFromComponents(*components);
    if (!date.isValid()) {
        if (outTimeZone)
            *outTimeZone = QTimeZone();
        if (outRange)
            *outRange = Range();
    }
    return date;
}

bool ISO8601DateFormatter::getObjectValue(
    QVariant *outValue, const QString &string, QString *errorDescription)
{
    const QDateTime date = dateFromString(string);
    if (outValue)
        *outValue = date.isValid() ? QVariant(date) : QVariant();
    if (errorDescription)
        errorDescription->clear();
    return date.isValid();
}

QString ISO8601DateFormatter::stringForObjectValue(const QVariant &value)
{
    if (value.typeId() != QMetaType::QDateTime) {
        logLine(
            formatString(QStringLiteral("%@: Can only format NSDate objects, not objects like %@"),
                QStringLiteral("ISO8601DateFormatter::stringForObjectValue"),
                QString::fromLatin1(value.typeName())));
        return {};
    }
    return stringFromDate(value.toDateTime());
}

QString ISO8601DateFormatter::stringFromDate(const QDateTime &date)
{
    return stringFromDate(date, defaultTimeZone_);
}

QString ISO8601DateFormatter::timeText(const QDateTime &local) const
{
    const QTime time = local.time();
    const QChar separator(timeSeparator_);
    QString text = QLatin1Char('T') + twoDigits(time.hour()) + separator + twoDigits(time.minute())
        + separator + twoDigits(time.second());
    if (useMillisecondPrecision_)
        text += QLatin1Char('.') + QString::number(time.msec()).rightJustified(3, QLatin1Char('0'));
    return text;
}

QString ISO8601DateFormatter::stringFromDate(const QDateTime &date, const QTimeZone &timeZone)
{
    if (!date.isValid())
        return {};
    if (format_ == ISO8601DateFormatWeek)
        return weekDateStringForDate(date, timeZone);
    const QDateTime local = timeZone.isValid() ? date.toTimeZone(timeZone) : date.toLocalTime();
    const QDate day = local.date();
    QString text;
    if (format_ == ISO8601DateFormatCalendar) {
        text = QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
    } else if (format_ == ISO8601DateFormatOrdinal) {
        text = QString::asprintf("%04d-%03d", day.year(), day.dayOfYear());
    } else {
        // A programming error; logged instead of thrown so that no caller dies of it.
        logLine(formatString(
            QStringLiteral("self.format was %lu, not calendar (%lu), week (%lu), or ordinal (%lu)"),
            qulonglong(format_), qulonglong(0), qulonglong(2), qulonglong(1)));
        return {};
    }
    if (!includeTime_)
        return text;
    text += timeText(local);
    const int offset = local.offsetFromUtc();
    if (std::abs(offset) < 60)
        return text + QLatin1Char('Z');
    text += offset < 0 ? QLatin1Char('-') : QLatin1Char('+');
    text += twoDigits(std::abs(offset) / 3600);
    if (timeZoneSeparator_ != 0)
        text += QChar(timeZoneSeparator_);
    return text + twoDigits(std::abs(offset) % 3600 / 60);
}

QString ISO8601DateFormatter::weekDateStringForDate(
    const QDateTime &date, const QTimeZone &timeZone)
{
    if (!date.isValid())
        return {};
    const QDateTime local = timeZone.isValid() ? date.toTimeZone(timeZone) : date.toLocalTime();
    int weekYear = 0;
    const int week = local.date().weekNumber(&weekYear);
    QString text = QString::asprintf("%d-W%02d-%02d", weekYear, week, local.date().dayOfWeek());
    if (!includeTime_)
        return text;
    text += timeText(local);
    const int offset = local.offsetFromUtc();
    text += offset < 0 ? QLatin1Char('-') : QLatin1Char('+');
    text += twoDigits(std::abs(offset) / 3600);
    if (timeZoneSeparator_ != 0)
        text += QChar(timeZoneSeparator_);
    return text + twoDigits(std::abs(offset) % 3600 / 60);
}
