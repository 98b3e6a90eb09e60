#pragma once

#include <QList>
#include <QMap>
#include <QString>

// The choices the preferences offer, with their localised titles, apart
// from the widgets that show them.
namespace PreferencesChoices {

struct Interval {
    qint64 seconds;
    QString title;
};

// Off first, then from hourly to daily.
QList<Interval> updateIntervals();
// The title of any interval; one that is not among the choices is named by
// its length ("Every 90 Minutes").
QString titleForInterval(qint64 seconds);

struct Language {
    QString code;
    QString name;
};

// The table's codes with their names in the user's language, in the order a
// person of that language expects.
QList<Language> languages(const QMap<QString, QString> &codeToEnglishName);

struct Region {
    QString key;
    QString title;
};

// The five regions as the preferences list them.
QList<Region> regions();

} // namespace PreferencesChoices
