#pragma once

#include "net/ISO8601DateComponents.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QVariant>

#include <optional>

// Converts between ISO 8601 texts and instants. Parsing accepts calendar,
// ordinal and week dates in basic and extended format, truncated forms, times
// with fractions and zone designators; a written offset such as -07:00 is
// applied as written, never looked up in a zone database. Parsed dates come
// back in UTC; a null QDateTime means the text was rejected. One instance must
// not parse on two threads at once; the zone cache is shared and thread-safe.
class ISO8601DateFormatter {
public:
    enum ISO8601DateFormat : quint64 {
        ISO8601DateFormatCalendar = 0,
        ISO8601DateFormatOrdinal = 1,
        ISO8601DateFormatWeek = 2,
    };

    // The part of a text a parse consumed; location -1 when it failed.
    struct Range {
        qsizetype location = -1;
        qsizetype length = 0;
    };

    QDateTime dateFromString(const QString &string);
    QDateTime dateFromString(const QString &string, QTimeZone *outTimeZone);
    QDateTime dateFromString(const QString &string, QTimeZone *outTimeZone, Range *outRange);

    std::optional<ISO8601DateComponents> dateComponentsFromString(const QString &string);
    std::optional<ISO8601DateComponents> dateComponentsFromString(
        const QString &string, QTimeZone *outTimeZone);
    std::optional<ISO8601DateComponents> dateComponentsFromString(const QString &string,
        QTimeZone *outTimeZone, Range *outRange, double *outFractionOfSecond);

    // The formatter protocol: true when the text gave a date.
    bool getObjectValue(QVariant *outValue, const QString &string, QString *errorDescription);
    QString stringForObjectValue(const QVariant &value);

    QString stringFromDate(const QDateTime &date);
    QString stringFromDate(const QDateTime &date, const QTimeZone &timeZone);
    QString weekDateStringForDate(const QDateTime &date, const QTimeZone &timeZone);

    // The fixed-offset zone for an offset, from the process-wide cache.
    static QTimeZone timeZoneForOffset(int offsetSeconds);
    static void purgeGlobalCaches();

    // Builds the instant of parsed components: in their zone when they carry
    // one, else in the system's zone.
    static QDateTime dateFromComponents(const ISO8601DateComponents &components);

    bool parsesStrictly() const { return parsesStrictly_; }
    void setParsesStrictly(bool on) { parsesStrictly_ = on; }
    char16_t timeSeparator() const { return timeSeparator_; }
    void setTimeSeparator(char16_t separator) { timeSeparator_ = separator; }
    char16_t timeZoneSeparator() const { return timeZoneSeparator_; }
    void setTimeZoneSeparator(char16_t separator) { timeZoneSeparator_ = separator; }
    quint64 format() const { return format_; }
    void setFormat(quint64 format) { format_ = format; }
    bool includeTime() const { return includeTime_; }
    void setIncludeTime(bool on) { includeTime_ = on; }
    bool useMillisecondPrecision() const { return useMillisecondPrecision_; }
    void setUseMillisecondPrecision(bool on) { useMillisecondPrecision_ = on; }
    // An invalid zone stands for the system's default zone.
    QTimeZone defaultTimeZone() const { return defaultTimeZone_; }
    void setDefaultTimeZone(const QTimeZone &zone) { defaultTimeZone_ = zone; }

private:
    QString timeText(const QDateTime &local) const;

    bool parsesStrictly_ = false;
    char16_t timeSeparator_ = u':';
    char16_t timeZoneSeparator_ = 0;
    quint64 format_ = ISO8601DateFormatCalendar;
    bool includeTime_ = false;
    bool useMillisecondPrecision_ = false;
    QTimeZone defaultTimeZone_;
};
