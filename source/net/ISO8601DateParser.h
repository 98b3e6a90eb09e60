#pragma once

#include "net/ISO8601DateComponents.h"

#include <QDate>
#include <QStringView>

#include <optional>

// Reads the components of an ISO 8601 text (calendar, ordinal and week dates,
// basic and extended formats, truncated forms, a time with fractions and a
// zone). Pure scanning: no calendar, no zone database, no allocation on the
// common path. `today` is asked for the current date only by the truncated
// forms that need it, so a complete date costs no clock reading.
class ISO8601DateParser {
public:
    struct Options {
        bool strict = false;
        char16_t timeSeparator = u':';
        char16_t timeZoneSeparator = 0;
    };

    struct Result {
        ISO8601DateComponents components;
        qsizetype location = 0;
        qsizetype length = 0;
    };

    using TodayFunction = QDate (*)();
    static std::optional<Result> parse(
        QStringView text, const Options &options, TodayFunction today = &QDate::currentDate);
};
