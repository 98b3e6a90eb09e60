#include "model/CountryTable.h"

#include <QHash>

#include <unicode/uloc.h>

namespace {
struct Entry {
    const char *code;
    const char8_t *displayName;
    int priority;
    const char *region;
};

// By priority, then region, as the store lists them.
const Entry Entries[] = {
    {"CA", u8"Canada", 10, "UnitedStatesAndCanada"},
    {"US", u8"United States", 10, "UnitedStatesAndCanada"},
    {"DE", u8"Germany", 10, "Europe"},
    {"FR", u8"France", 10, "Europe"},
    {"GB", u8"United Kingdom", 10, "Europe"},
    {"IT", u8"Italy", 10, "Europe"},
    {"CH", u8"Switzerland", 9, "Europe"},
    {"AU", u8"Australia", 9, "AsiaPacific"},
    {"AT", u8"Austria", 8, "Europe"},
    {"BE", u8"Belgium", 8, "Europe"},
    {"DK", u8"Denmark", 8, "Europe"},
    {"HR", u8"Croatia", 8, "Europe"},
    {"IE", u8"Ireland", 8, "Europe"},
    {"PT", u8"Portugal", 8, "Europe"},
    {"NZ", u8"New Zealand", 8, "AsiaPacific"},
    {"MX", u8"Mexico", 8, "LatinAmericaAndTheCaribbean"},
    {"SA", u8"Saudi Arabia", 8, "AfricaTheMiddleEastAndIndia"},
    {"ES", u8"Spain", 5, "Europe"},
    {"FI", u8"Finland", 5, "Europe"},
    {"GR", u8"Greece", 5, "Europe"},
    {"NL", u8"Netherlands", 5, "Europe"},
    {"NO", u8"Norway", 5, "Europe"},
    {"RU", u8"Russia", 5, "Europe"},
    {"SE", u8"Sweden", 5, "Europe"},
    {"TR", u8"Turkey", 5, "Europe"},
    {"CN", u8"China", 5, "AsiaPacific"},
    {"HK", u8"Hong Kong", 5, "AsiaPacific"},
    {"JP", u8"Japan", 5, "AsiaPacific"},
    {"TW", u8"Taiwan", 5, "AsiaPacific"},
    {"ZA", u8"South Africa", 5, "AfricaTheMiddleEastAndIndia"},
    {"LU", u8"Luxembourg", 2, "Europe"},
    {"PL", u8"Poland", 2, "Europe"},
    {"PH", u8"Philippines", 2, "AsiaPacific"},
    {"IN", u8"India", 2, "AfricaTheMiddleEastAndIndia"},
    {"BG", u8"Bulgaria", 1, "Europe"},
    {"CZ", u8"Czech Republic", 1, "Europe"},
    {"EE", u8"Estonia", 1, "Europe"},
    {"HU", u8"Hungary", 1, "Europe"},
    {"LT", u8"Lithuania", 1, "Europe"},
    {"MK", u8"Macedonia", 1, "Europe"},
    {"RO", u8"Romania", 1, "Europe"},
    {"UA", u8"Ukraine", 1, "Europe"},
    {"ID", u8"Indonesia", 1, "AsiaPacific"},
    {"KR", u8"Republic Of Korea", 1, "AsiaPacific"},
    {"KZ", u8"Kazakstan", 1, "AsiaPacific"},
    {"MO", u8"Macau", 1, "AsiaPacific"},
    {"MY", u8"Malaysia", 1, "AsiaPacific"},
    {"NP", u8"Nepal", 1, "AsiaPacific"},
    {"PK", u8"Pakistan", 1, "AsiaPacific"},
    {"SG", u8"Singapore", 1, "AsiaPacific"},
    {"TH", u8"Thailand", 1, "AsiaPacific"},
    {"VN", u8"Vietnam", 1, "AsiaPacific"},
    {"AR", u8"Argentina", 1, "LatinAmericaAndTheCaribbean"},
    {"BR", u8"Brazil", 1, "LatinAmericaAndTheCaribbean"},
    {"CL", u8"Chile", 1, "LatinAmericaAndTheCaribbean"},
    {"CO", u8"Colombia", 1, "LatinAmericaAndTheCaribbean"},
    {"CR", u8"Costa Rica", 1, "LatinAmericaAndTheCaribbean"},
    {"DO", u8"Dominican Republic", 1, "LatinAmericaAndTheCaribbean"},
    {"EC", u8"Ecuador", 1, "LatinAmericaAndTheCaribbean"},
    {"GT", u8"Guatemala", 1, "LatinAmericaAndTheCaribbean"},
    {"HN", u8"Honduras", 1, "LatinAmericaAndTheCaribbean"},
    {"PA", u8"Panama", 1, "LatinAmericaAndTheCaribbean"},
    {"PE", u8"Peru", 1, "LatinAmericaAndTheCaribbean"},
    {"SV", u8"El Salvador", 1, "LatinAmericaAndTheCaribbean"},
    {"TT", u8"Trinidad and Tobago", 1, "LatinAmericaAndTheCaribbean"},
    {"UY", u8"Uruguay", 1, "LatinAmericaAndTheCaribbean"},
    {"VE", u8"Venezuela", 1, "LatinAmericaAndTheCaribbean"},
    {"AE", u8"United Arab Emirates", 1, "AfricaTheMiddleEastAndIndia"},
    {"EG", u8"Egypt", 1, "AfricaTheMiddleEastAndIndia"},
    {"GH", u8"Ghana", 1, "AfricaTheMiddleEastAndIndia"},
    {"IL", u8"Israel", 1, "AfricaTheMiddleEastAndIndia"},
    {"KE", u8"Kenya", 1, "AfricaTheMiddleEastAndIndia"},
    {"LB", u8"Lebanon", 1, "AfricaTheMiddleEastAndIndia"},
    {"MU", u8"Mauritius", 1, "AfricaTheMiddleEastAndIndia"},
    {"OM", u8"Oman", 1, "AfricaTheMiddleEastAndIndia"},
    {"TN", u8"Tunisia", 1, "AfricaTheMiddleEastAndIndia"},
    {"UG", u8"Uganda", 1, "AfricaTheMiddleEastAndIndia"},
    {"AL", u8"Albania", 0, "Europe"},
    {"BY", u8"Belarus", 0, "Europe"},
    {"CY", u8"Cyprus", 0, "Europe"},
    {"IS", u8"Iceland", 0, "Europe"},
    {"LV", u8"Latvia", 0, "Europe"},
    {"MD", u8"Republic Of Moldova", 0, "Europe"},
    {"MT", u8"Malta", 0, "Europe"},
    {"SI", u8"Slovenia", 0, "Europe"},
    {"SK", u8"Slovakia", 0, "Europe"},
    {"KH", u8"Cambodia", 0, "AsiaPacific"},
    {"LK", u8"Sri Lanka", 0, "AsiaPacific"},
    {"MN", u8"Mongolia", 0, "AsiaPacific"},
    {"UZ", u8"Uzbekistan", 0, "AsiaPacific"},
    {"BO", u8"Bolivia", 0, "LatinAmericaAndTheCaribbean"},
    {"AM", u8"Armenia", 0, "AfricaTheMiddleEastAndIndia"},
    {"AZ", u8"Azerbaijan", 0, "AfricaTheMiddleEastAndIndia"},
    {"BH", u8"Bahrain", 0, "AfricaTheMiddleEastAndIndia"},
    {"DZ", u8"Algeria", 0, "AfricaTheMiddleEastAndIndia"},
    {"JO", u8"Jordan", 0, "AfricaTheMiddleEastAndIndia"},
    {"KW", u8"Kuwait", 0, "AfricaTheMiddleEastAndIndia"},
    {"NG", u8"Nigeria", 0, "AfricaTheMiddleEastAndIndia"},
    {"BN", u8"Brunei", -1, "AsiaPacific"},
    {"BT", u8"Bhutan", -1, "AsiaPacific"},
    {"FJ", u8"Fiji", -1, "AsiaPacific"},
    {"FM", u8"Federated States Of Micronesia", -1, "AsiaPacific"},
    {"KG", u8"Kyrgyzstan", -1, "AsiaPacific"},
    {"LA", u8"Lao People’s Democratic Republic", -1, "AsiaPacific"},
    {"PG", u8"Papua New Guinea", -1, "AsiaPacific"},
    {"PW", u8"Palau", -1, "AsiaPacific"},
    {"SB", u8"Solomon Islands", -1, "AsiaPacific"},
    {"TJ", u8"Tajikistan", -1, "AsiaPacific"},
    {"TM", u8"Turkmenistan", -1, "AsiaPacific"},
    {"AG", u8"Antigua and Barbuda", -1, "LatinAmericaAndTheCaribbean"},
    {"AI", u8"Anguilla", -1, "LatinAmericaAndTheCaribbean"},
    {"BB", u8"Barbados", -1, "LatinAmericaAndTheCaribbean"},
    {"BM", u8"Bermuda", -1, "LatinAmericaAndTheCaribbean"},
    {"BS", u8"Bahamas", -1, "LatinAmericaAndTheCaribbean"},
    {"BZ", u8"Belize", -1, "LatinAmericaAndTheCaribbean"},
    {"DM", u8"Dominica", -1, "LatinAmericaAndTheCaribbean"},
    {"GD", u8"Grenada", -1, "LatinAmericaAndTheCaribbean"},
    {"GY", u8"Guyana", -1, "LatinAmericaAndTheCaribbean"},
    {"JM", u8"Jamaica", -1, "LatinAmericaAndTheCaribbean"},
    {"KN", u8"St. Kitts and Nevis", -1, "LatinAmericaAndTheCaribbean"},
    {"KY", u8"Cayman Islands", -1, "LatinAmericaAndTheCaribbean"},
    {"LC", u8"St. Lucia", -1, "LatinAmericaAndTheCaribbean"},
    {"MS", u8"Montserrat", -1, "LatinAmericaAndTheCaribbean"},
    {"NI", u8"Nicaragua", -1, "LatinAmericaAndTheCaribbean"},
    {"PY", u8"Paraguay", -1, "LatinAmericaAndTheCaribbean"},
    {"SR", u8"Suriname", -1, "LatinAmericaAndTheCaribbean"},
    {"TC", u8"Turks and Caicos", -1, "LatinAmericaAndTheCaribbean"},
    {"VC", u8"St. Vincent and The Grenadines", -1, "LatinAmericaAndTheCaribbean"},
    {"VG", u8"British Virgin Islands", -1, "LatinAmericaAndTheCaribbean"},
    {"AO", u8"Angola", -1, "AfricaTheMiddleEastAndIndia"},
    {"BF", u8"Burkina Faso", -1, "AfricaTheMiddleEastAndIndia"},
    {"BJ", u8"Benin", -1, "AfricaTheMiddleEastAndIndia"},
    {"BW", u8"Botswana", -1, "AfricaTheMiddleEastAndIndia"},
    {"CG", u8"Republic Of Congo", -1, "AfricaTheMiddleEastAndIndia"},
    {"CV", u8"Cape Verde", -1, "AfricaTheMiddleEastAndIndia"},
    {"GM", u8"Gambia", -1, "AfricaTheMiddleEastAndIndia"},
    {"GW", u8"Guinea-Bissau", -1, "AfricaTheMiddleEastAndIndia"},
    {"LR", u8"Liberia", -1, "AfricaTheMiddleEastAndIndia"},
    {"MG", u8"Madagascar", -1, "AfricaTheMiddleEastAndIndia"},
    {"ML", u8"Mali", -1, "AfricaTheMiddleEastAndIndia"},
    {"MR", u8"Mauritania", -1, "AfricaTheMiddleEastAndIndia"},
    {"MW", u8"Malawi", -1, "AfricaTheMiddleEastAndIndia"},
    {"MZ", u8"Mozambique", -1, "AfricaTheMiddleEastAndIndia"},
    {"NA", u8"Namibia", -1, "AfricaTheMiddleEastAndIndia"},
    {"NE", u8"Niger", -1, "AfricaTheMiddleEastAndIndia"},
    {"QA", u8"Qatar", -1, "AfricaTheMiddleEastAndIndia"},
    {"SC", u8"Seychelles", -1, "AfricaTheMiddleEastAndIndia"},
    {"SL", u8"Sierra Leone", -1, "AfricaTheMiddleEastAndIndia"},
    {"SN", u8"Senegal", -1, "AfricaTheMiddleEastAndIndia"},
    {"ST", u8"Sao Tome and Principe", -1, "AfricaTheMiddleEastAndIndia"},
    {"SZ", u8"Swaziland", -1, "AfricaTheMiddleEastAndIndia"},
    {"TD", u8"Chad", -1, "AfricaTheMiddleEastAndIndia"},
    {"TZ", u8"Tanzania", -1, "AfricaTheMiddleEastAndIndia"},
    {"YE", u8"Yemen", -1, "AfricaTheMiddleEastAndIndia"},
    {"ZW", u8"Zimbabwe", -1, "AfricaTheMiddleEastAndIndia"},
    // Storefronts the store opened in 2020; older stores gain them on upgrade.
    {"BA", u8"Bosnia and Herzegovina", -1, "Europe"},
    {"GE", u8"Georgia", -1, "Europe"},
    {"ME", u8"Montenegro", -1, "Europe"},
    {"RS", u8"Serbia", -1, "Europe"},
    {"XK", u8"Kosovo", -1, "Europe"},
    {"MM", u8"Myanmar", -1, "AsiaPacific"},
    {"MV", u8"Maldives", -1, "AsiaPacific"},
    {"NR", u8"Nauru", -1, "AsiaPacific"},
    {"TO", u8"Tonga", -1, "AsiaPacific"},
    {"VU", u8"Vanuatu", -1, "AsiaPacific"},
    {"AF", u8"Afghanistan", -1, "AfricaTheMiddleEastAndIndia"},
    {"CD", u8"Democratic Republic of the Congo", -1, "AfricaTheMiddleEastAndIndia"},
    {"CI", u8"Côte d'Ivoire", -1, "AfricaTheMiddleEastAndIndia"},
    {"CM", u8"Cameroon", -1, "AfricaTheMiddleEastAndIndia"},
    {"GA", u8"Gabon", -1, "AfricaTheMiddleEastAndIndia"},
    {"IQ", u8"Iraq", -1, "AfricaTheMiddleEastAndIndia"},
    {"LY", u8"Libya", -1, "AfricaTheMiddleEastAndIndia"},
    {"MA", u8"Morocco", -1, "AfricaTheMiddleEastAndIndia"},
    {"RW", u8"Rwanda", -1, "AfricaTheMiddleEastAndIndia"},
    {"ZM", u8"Zambia", -1, "AfricaTheMiddleEastAndIndia"},
};
} // namespace

namespace CountryTable {

QList<Country> countries()
{
    QList<Country> list;
    list.reserve(std::size(Entries));
    for (const Entry &entry : Entries)
        list.append({QLatin1String(entry.code),
            QString::fromUtf8(reinterpret_cast<const char *>(entry.displayName)), entry.priority,
            QLatin1String(entry.region)});
    return list;
}

QVariantMap countryCodes()
{
    QVariantMap table;
    for (const Country &country : countries())
        table.insert(country.code,
            QVariantMap {{QStringLiteral("displayName"), country.displayName},
                {QStringLiteral("priority"), country.priority},
                {QStringLiteral("region"), country.region}});
    return table;
}

QString displayName(const QString &code)
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> map;
        for (const Country &country : countries())
            map.insert(country.code, country.displayName);
        return map;
    }();
    return names.value(code);
}

QStringList regionKeys()
{
    return {QStringLiteral("UnitedStatesAndCanada"), QStringLiteral("Europe"),
        QStringLiteral("AsiaPacific"), QStringLiteral("LatinAmericaAndTheCaribbean"),
        QStringLiteral("AfricaTheMiddleEastAndIndia")};
}

QString codeForTerritory(const QString &territory)
{
    // ICU knows the three-letter code of every two-letter one; the reverse
    // table is built once.
    static const QHash<QString, QString> codes = [] {
        QHash<QString, QString> table;
        for (const char *const *code = uloc_getISOCountries(); *code; ++code) {
            const QByteArray locale = QByteArray("und_") + *code;
            const char *three = uloc_getISO3Country(locale.constData());
            if (three && *three)
                table.insert(QString::fromLatin1(three), QString::fromLatin1(*code));
        }
        return table;
    }();
    return codes.value(territory.trimmed().toUpper());
}

} // namespace CountryTable
