#pragma once

// Calendar fields read from an ISO 8601 text, before any date is built. Week
// and ordinal dates leave month at 1 and give the day of the year in `day`;
// out-of-range values (day 0, day 366 of a common year) roll over when the
// date is built, as a lenient calendar does.
struct ISO8601DateComponents {
    int year = 0;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    double fractionOfSecond = 0.0;

    bool hasZone = false;
    bool zoneIsUTC = false; // "Z", as opposed to a written offset of zero
    int zoneOffsetSeconds = 0;
};
