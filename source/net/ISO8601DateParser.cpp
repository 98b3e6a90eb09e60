#include "net/ISO8601DateParser.h"

#include "platform/Log.h"
#include "platform/StringFormat.h"

#include <cmath>

namespace {

// The smallest fraction of a minute that still counts as one.
constexpr double kMinuteFractionEpsilon = 2.220446049250313e-16;
// Bounds that keep every later sum within range; no real text comes near.
constexpr double kMaximumMinutes = 1.0e7;
constexpr double kMaximumSeconds = 1.0e9;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v'
        || QChar(c).isSpace();
}

int floorMod(int value, int divisor)
{
    const int r = value % divisor;
    return r < 0 ? r + divisor : r;
}

bool isLeapYear(int year)
{
    return QDate::isLeapYear(year == 0 ? -1 : year);
}

class Scanner {
public:
    explicit Scanner(QStringView text) : text_(text) { }

    char16_t peek(qsizetype ahead = 0) const
    {
        const qsizetype at = i_ + ahead;
        return at < text_.size() ? text_[at].unicode() : char16_t(0);
    }
    bool atEnd() const { return i_ >= text_.size(); }
    void advance() { ++i_; }
    qsizetype position() const { return i_; }

    // Reads at most `maximum` digits; returns how many were read.
    int readDigits(int maximum, qint64 *value)
    {
        int count = 0;
        qint64 result = 0;
        while (count < maximum && isDigit(peek())) {
            result = result * 10 + (peek() - u'0');
            ++count;
            ++i_;
        }
        *value = result;
        return count;
    }

    // Digits, optionally a full stop or comma and more digits.
    double readDecimal()
    {
        double result = 0;
        while (isDigit(peek())) {
            result = result * 10 + (peek() - u'0');
            ++i_;
        }
        if ((peek() == u'.' || peek() == u',') && isDigit(peek(1))) {
            ++i_;
            double scale = 0.1;
            while (isDigit(peek())) {
                result += (peek() - u'0') * scale;
                scale /= 10;
                ++i_;
            }
        }
        return result;
    }

private:
    QStringView text_;
    qsizetype i_ = 0;
};

class DateReader {
public:
    DateReader(QStringView text, const ISO8601DateParser::Options &options,
        ISO8601DateParser::TodayFunction today)
        : text_(text), scanner_(text), options_(options), todayFunction_(today)
    {
    }

    std::optional<ISO8601DateParser::Result> read();

private:
    QDate today()
    {
        if (!today_.isValid())
            today_ = todayFunction_();
        return today_;
    }
    int currentCentury() { return today().year() / 100 * 100; }

    bool readWeekDate(int year);
    bool setOrdinalDay(int year, qint64 day);
    // "MM" already read; an optional "-DD" follows (day 1 without it).
    bool setMonthAndOptionalDay(int year, qint64 month);
    bool readTwoDigitYear(qint64 value);
    // After "<year>-": "MM[-DD]", an ordinal "DDD", or (when allowed) "MMDD".
    bool readAfterYear(int year, bool allowMonthAndDay);
    bool readDate();
    bool readTime();
    void logLineOfTwoDigitYear(const QString &message, qint64 value, char16_t ch);

    QStringView text_;
    Scanner scanner_;
    ISO8601DateParser::Options options_;
    ISO8601DateParser::TodayFunction todayFunction_;
    QDate today_;
    ISO8601DateComponents c_;
};

bool DateReader::readWeekDate(int year)
{
    if (scanner_.peek() != u'W')
        return false;
    scanner_.advance();
    qint64 week = 0;
    if (scanner_.readDigits(2, &week) == 0)
        return false;
    if (scanner_.peek() == u'-' && isDigit(scanner_.peek(1)))
        scanner_.advance();
    qint64 weekday = 0;
    if (scanner_.readDigits(2, &weekday) == 0)
        weekday = 1;
    // Weekday of 1 January, Monday 0 to Sunday 6; week 1 holds 4 January.
    const int previous = year - 1;
    const int y = floorMod(previous, 100);
    const int c = floorMod(previous >= 0 ? previous / 100 : -((-previous + 99) / 100), 4);
    const int f = (5 * c + y + y / 4) % 7;
    int dayOfYear = int(7 * week + weekday - 7 - f);
    if (f > 3)
        dayOfYear += 7;
    c_.year = year;
    c_.month = 1;
    c_.day = dayOfYear;
    return true;
}

bool DateReader::setMonthAndOptionalDay(int year, qint64 month)
{
    c_.year = year;
    c_.month = int(month);
    c_.day = 1;
    if (scanner_.peek() == u'-' && isDigit(scanner_.peek(1))) {
        scanner_.advance();
        qint64 day = 0;
        scanner_.readDigits(2, &day);
        c_.day = int(day);
    }
    return true;
}

bool DateReader::setOrdinalDay(int year, qint64 day)
{
    if (options_.strict && day > (isLeapYear(year) ? 366 : 365))
        return false;
    c_.year = year;
    c_.month = 1;
    c_.day = int(day);
    return true;
}

void DateReader::logLineOfTwoDigitYear(const QString &message, qint64 value, char16_t ch)
{
    logLine(formatString(
        message, text_.toString(), qulonglong(value), ch ? QString(QChar(ch)) : QString()));
}

// YY-MM-DD, YY-MM, YY-DDD, YY-MMDD and YYWww.
bool DateReader::readTwoDigitYear(qint64 value)
{
    const int year = currentCentury() + int(value);
    if (scanner_.peek() == u'W')
        return readWeekDate(year);
    if (scanner_.peek() != u'-' || !isDigit(scanner_.peek(1)))
        return false;
    logLineOfTwoDigitYear(
        QStringLiteral("(%@) parsing month; segment is %lu and ch is %@"), value, scanner_.peek());
    scanner_.advance();
    return readAfterYear(year, true);
}

bool DateReader::readAfterYear(int year, bool allowMonthAndDay)
{
    qint64 segment = 0;
    switch (scanner_.readDigits(4, &segment)) {
    case 2:
        return setMonthAndOptionalDay(year, segment);
    case 3:
        return setOrdinalDay(year, segment);
    case 4:
        if (!allowMonthAndDay)
            return false;
        c_.year = year;
        c_.month = int(segment / 100);
        c_.day = int(segment % 100);
        return true;
    default:
        return false;
    }
}

bool DateReader::readDate()
{
    int hyphens = 0;
    while (scanner_.peek() == u'-') {
        ++hyphens;
        scanner_.advance();
    }
    if (hyphens > 3)
        return false;
    qint64 value = 0;
    int digits = scanner_.readDigits(9, &value);
    if (digits > 8)
        return false;
    if (digits == 1 && !options_.strict && hyphens <= 1)
        digits = 2; // a single digit reads like two
    const bool strict = options_.strict;

    if (hyphens == 0) {
        switch (digits) {
        case 2:
            return readTwoDigitYear(value);
        case 4: {
            const int year = int(value);
            if (scanner_.peek() == u'W' || (scanner_.peek() == u'-' && scanner_.peek(1) == u'W')) {
                if (scanner_.peek() == u'-')
                    scanner_.advance();
                return readWeekDate(year);
            }
            if (scanner_.peek() != u'-' || !isDigit(scanner_.peek(1))) {
                c_.year = year;
                c_.month = 1;
                c_.day = 1;
                return true;
            }
            scanner_.advance();
            return readAfterYear(year, !strict);
        }
        case 6:
            if (strict)
                return false;
            c_.year = currentCentury() + int(value / 10000);
            c_.month = int(value / 100 % 100);
            c_.day = int(value % 100);
            return true;
        case 7:
            return setOrdinalDay(int(value / 1000), value % 1000);
        case 8:
            c_.year = int(value / 10000);
            c_.month = int(value / 100 % 100);
            c_.day = int(value % 100);
            return true;
        default:
            return false;
        }
    }

    if (digits == 3 && (hyphens == 1 || hyphens == 2 || strict))
        return setOrdinalDay(today().year(), value);

    if (hyphens == 1) {
        if (digits == 0)
            return readWeekDate(today().year());
        if (digits == 1 && strict && scanner_.peek() == u'W')
            return readWeekDate(today().year() / 10 * 10 + int(value));
        if (digits == 2 && scanner_.peek() == u'-' && isDigit(scanner_.peek(1))) {
            logLine(formatString(QStringLiteral("(%@) found %lu digits and one hyphen, so this is "
                                                "either -YY or -YY-MM; segment (year) is %lu"),
                text_.toString(), qulonglong(2), qulonglong(value)));
            scanner_.advance();
            qint64 month = 0;
            scanner_.readDigits(2, &month);
            logLine(formatString(
                QStringLiteral("(%@) month is %lu"), text_.toString(), qulonglong(month)));
            c_.year = currentCentury() + int(value);
            c_.month = int(month);
            c_.day = 1;
            return true;
        }
        return false;
    }
    if (hyphens == 2) {
        if (digits == 2 && scanner_.peek() == u'-' && isDigit(scanner_.peek(1))) {
            scanner_.advance();
            qint64 day = 0;
            scanner_.readDigits(2, &day);
            c_.year = today().year();
            c_.month = int(value);
            c_.day = int(day);
            return true;
        }
        if (digits == 4) {
            c_.year = today().year();
            c_.month = int(value / 100);
            c_.day = int(value % 100);
            return true;
        }
        return false;
    }
    // Three hyphens: ---DD.
    if (digits == 2) {
        c_.year = today().year();
        c_.month = today().month();
        c_.day = int(value);
        return true;
    }
    return false;
}

bool DateReader::readTime()
{
    if (scanner_.peek() == u'T' || isSpace(scanner_.peek()))
        scanner_.advance();
    if (!isDigit(scanner_.peek()))
        return true;
    qint64 hours = 0;
    scanner_.readDigits(2, &hours);
    double minutes = 0;
    double seconds = 0;
    const char16_t separator = options_.strict ? u':' : options_.timeSeparator;
    if (separator != 0 && scanner_.peek() == separator) {
        scanner_.advance();
        if (separator == u'.' || separator == u',') {
            qint64 value = 0;
            scanner_.readDigits(2, &value);
            minutes = double(value);
            if (scanner_.peek() == separator) {
                scanner_.advance();
                scanner_.readDigits(2, &value);
                seconds = double(value);
            }
        } else {
            minutes = scanner_.readDecimal();
            const double fraction = minutes - std::floor(minutes);
            if (fraction > kMinuteFractionEpsilon) {
                seconds = fraction * 60;
            } else if (scanner_.peek() == separator) {
                scanner_.advance();
                seconds = scanner_.readDecimal();
            }
        }
    }
    if (!(minutes < kMaximumMinutes) || !(seconds < kMaximumSeconds))
        return false;
    if (!options_.strict && isSpace(scanner_.peek()))
        scanner_.advance();

    if (scanner_.peek() == u'Z') {
        scanner_.advance();
        c_.hasZone = true;
        c_.zoneIsUTC = true;
        c_.zoneOffsetSeconds = 0;
    } else if ((scanner_.peek() == u'+' || scanner_.peek() == u'-') && isDigit(scanner_.peek(1))) {
        const int sign = scanner_.peek() == u'-' ? -1 : 1;
        scanner_.advance();
        qint64 zoneHours = 0;
        scanner_.readDigits(2, &zoneHours);
        if (options_.timeZoneSeparator != 0 && scanner_.peek() == options_.timeZoneSeparator)
            scanner_.advance();
        qint64 zoneMinutes = 0;
        scanner_.readDigits(2, &zoneMinutes);
        c_.hasZone = true;
        c_.zoneOffsetSeconds = sign * int(zoneHours * 3600 + zoneMinutes * 60);
    }
    c_.hour = int(hours);
    c_.minute = int(minutes);
    c_.second = int(seconds);
    const double fraction = seconds - std::floor(seconds);
    c_.fractionOfSecond = fraction > 0 ? fraction : 0.0;
    return true;
}

std::optional<ISO8601DateParser::Result> DateReader::read()
{
    if (text_.contains(u'/'))
        return std::nullopt;
    while (isSpace(scanner_.peek())) {
        if (options_.strict)
            return std::nullopt;
        scanner_.advance();
    }
    const qsizetype start = scanner_.position();
    if (scanner_.peek() == u'T') {
        c_.year = today().year();
        c_.month = today().month();
        c_.day = today().day();
    } else if (!readDate()) {
        return std::nullopt;
    }
    if (!readTime())
        return std::nullopt;
    return ISO8601DateParser::Result {c_, start, scanner_.position() - start};
}

} // namespace

std::optional<ISO8601DateParser::Result> ISO8601DateParser::parse(
    QStringView text, const Options &options, TodayFunction today)
{
    DateReader reader(text, options, today);
    return reader.read();
}
