#include "ui/preferences/PreferencesChoices.h"

#include "platform/StringFormat.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace PreferencesChoices {

namespace {
constexpr const char *kContext = "PreferencesPopoverViewController";
constexpr qint64 kHour = 3600;
} // namespace

QList<Interval> updateIntervals()
{
    return {
        {0, localized("PreferencesPopoverViewController", "Off")},
        {kHour, localized("PreferencesPopoverViewController", "Every Hour")},
        {3 * kHour, localized("PreferencesPopoverViewController", "Every 3 Hours")},
        {6 * kHour, localized("PreferencesPopoverViewController", "Every 6 Hours")},
        {12 * kHour, localized("PreferencesPopoverViewController", "Every 12 Hours")},
        {24 * kHour, localized("PreferencesPopoverViewController", "Every Day")},
    };
}

QString titleForInterval(qint64 seconds)
{
    for (const Interval &interval : updateIntervals())
        if (interval.seconds == seconds)
            return interval.title;
    if (seconds <= 0)
        return localized("PreferencesPopoverViewController", "Off");
    if (seconds % kHour == 0)
        return formatString(localized("PreferencesPopoverViewController", "Every %ld Hours"), seconds / kHour);
    if (seconds % 60 == 0)
        return formatString(localized("PreferencesPopoverViewController", "Every %ld Minutes"), seconds / 60);
    return formatString(localized("PreferencesPopoverViewController", "Every %ld Seconds"), seconds);
}

QList<Language> languages(const QMap<QString, QString> &codeToEnglishName)
{
    QList<Language> list;
    list.reserve(codeToEnglishName.size());
    for (auto it = codeToEnglishName.cbegin(); it != codeToEnglishName.cend(); ++it)
        list.append({it.key(), localized(kContext, it.value().toUtf8().constData())});
    QCollator collator {QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(list.begin(), list.end(), [&collator](const Language &a, const Language &b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return list;
}

QList<Region> regions()
{
    return {
        {QStringLiteral("UnitedStatesAndCanada"), localized("PreferencesPopoverViewController", "United States and Canada")},
        {QStringLiteral("Europe"), localized("PreferencesPopoverViewController", "Europe")},
        {QStringLiteral("AsiaPacific"), localized("PreferencesPopoverViewController", "Asia Pacific")},
        {QStringLiteral("AfricaTheMiddleEastAndIndia"),
            localized("PreferencesPopoverViewController", "Africa, the Middle East, and India")},
        {QStringLiteral("LatinAmericaAndTheCaribbean"),
            localized("PreferencesPopoverViewController", "Latin America and the Caribbean")},
    };
}

} // namespace PreferencesChoices
