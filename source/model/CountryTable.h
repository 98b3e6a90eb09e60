#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The built-in table of the 175 store countries: code, English name, update
// priority (higher first) and region. Copied into Country records once, when
// a store has none; an older store gains the ones it lacks when it is
// upgraded.
namespace CountryTable {

struct Country {
    QString code;
    QString displayName;
    int priority;
    QString region;
};

// In the table's order.
QList<Country> countries();
// Code -> {"displayName", "priority", "region"}, built afresh on each call.
QVariantMap countryCodes();
// The table's English name of a code, or a null text.
QString displayName(const QString &code);
// The five region keys.
QStringList regionKeys();
// The two-letter code of an ISO 3166 three-letter one (USA -> "US"), as App
// Store Connect names territories, in any case; a null text for a code ISO
// does not know. The result may be a country the table lacks.
QString codeForTerritory(const QString &territory);

} // namespace CountryTable
