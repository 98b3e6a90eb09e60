#include "net/ISO8601DateFormatter.h"
#include "platform/Log.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Seconds rounded down, also before 1970 (toSecsSinceEpoch rounds to zero).
static qint64 wholeSeconds(const QDateTime &date)
{
    const qint64 msecs = date.toMSecsSinceEpoch();
    return msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
}

// The first byte picks strictness and separators, the rest is the text (as
// UTF-8). A date that parses must come with a range inside the text, and a
// written date must parse back to the same second.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = [] {
        setLogSink([](const QString &) {});
        return true;
    }();
    (void)quiet;
    if (size == 0)
        return 0;
    const uint8_t options = data[0];
    ISO8601DateFormatter formatter;
    formatter.setParsesStrictly(options & 1);
    static const char16_t separators[] = {u':', u'.', u',', u'-'};
    formatter.setTimeSeparator(separators[(options >> 1) & 3]);
    formatter.setTimeZoneSeparator((options & 8) ? u':' : char16_t(0));
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QTimeZone zone;
    ISO8601DateFormatter::Range range;
    const QDateTime date = formatter.dateFromString(text, &zone, &range);
    double fraction = 0;
    (void)formatter.dateComponentsFromString(text, nullptr, nullptr, &fraction);
    if (!date.isValid())
        return 0;
    if (range.location < 0 || range.location + range.length > text.size())
        std::abort();
    ISO8601DateFormatter writer;
    writer.setIncludeTime(true);
    writer.setTimeZoneSeparator(u':');
    writer.setFormat((options >> 4) % 3);
    const QString written = writer.stringFromDate(date, QTimeZone::utc());
    ISO8601DateFormatter reader;
    reader.setTimeZoneSeparator(u':');
    const QDateTime back = reader.dateFromString(written);
    // Years beyond four digits are written wider than the parser reads them.
    if (date.date().year() > 1000 && date.date().year() < 9999
        && wholeSeconds(back) != wholeSeconds(date))
        std::abort();
    return 0;
}
