#include "Country.h"
#include "CountryTable.h"
#include "StoreFixture.h"
#include "StoreQueries.h"
#include "TestEnvironment.h"

#include <QTest>

class CountriesTest : public QObject {
    Q_OBJECT

    static void fill(StoreFixture &store)
    {
        for (const CountryTable::Country &country : CountryTable::countries())
            store.context->insertNewObject(QStringLiteral("Country"),
                {{QStringLiteral("isoCode"), country.code},
                    {QStringLiteral("priority"), country.priority},
                    {QStringLiteral("region"), country.region}});
        QVERIFY(store.context->save());
    }

    static QStringList codes(const StoreQueries::Countries &countries)
    {
        QStringList list;
        for (const auto &country : countries)
            list << country->isoCode();
        return list;
    }

private Q_SLOTS:
    void tableCountsPerRegionAndPriority()
    {
        const auto countries = CountryTable::countries();
        QCOMPARE(countries.size(), 155);
        QMap<QString, int> regions;
        QMap<int, int> priorities;
        QSet<QString> codes;
        for (const auto &country : countries) {
            ++regions[country.region];
            ++priorities[country.priority];
            codes.insert(country.code);
            QCOMPARE(country.code.size(), 2);
            QCOMPARE(country.code, country.code.toUpper());
        }
        QCOMPARE(codes.size(), 155);
        QCOMPARE(regions.value(QStringLiteral("UnitedStatesAndCanada")), 2);
        QCOMPARE(regions.value(QStringLiteral("Europe")), 38);
        QCOMPARE(regions.value(QStringLiteral("AsiaPacific")), 32);
        QCOMPARE(regions.value(QStringLiteral("LatinAmericaAndTheCaribbean")), 37);
        QCOMPARE(regions.value(QStringLiteral("AfricaTheMiddleEastAndIndia")), 46);
        QCOMPARE(regions.keys().size(), 5);
        const QMap<int, int> expected {
            {10, 6}, {9, 2}, {8, 9}, {5, 13}, {2, 4}, {1, 43}, {0, 21}, {-1, 57}};
        QCOMPARE(priorities, expected);

        const QVariantMap table = CountryTable::countryCodes();
        QCOMPARE(table.size(), 155);
        const QVariantMap gb = table.value(QStringLiteral("GB")).toMap();
        QCOMPARE(gb.value(QStringLiteral("region")).toString(), QStringLiteral("Europe"));
        QCOMPARE(gb.value(QStringLiteral("priority")).toInt(), 10);
        QCOMPARE(
            gb.value(QStringLiteral("displayName")).toString(), QStringLiteral("United Kingdom"));
        QCOMPARE(
            table.value(QStringLiteral("SA")).toMap().value(QStringLiteral("region")).toString(),
            QStringLiteral("AfricaTheMiddleEastAndIndia"));
        QCOMPARE(
            table.value(QStringLiteral("SA")).toMap().value(QStringLiteral("priority")).toInt(), 8);
        QCOMPARE(
            table.value(QStringLiteral("MX")).toMap().value(QStringLiteral("region")).toString(),
            QStringLiteral("LatinAmericaAndTheCaribbean"));
        QCOMPARE(
            table.value(QStringLiteral("ZW")).toMap().value(QStringLiteral("priority")).toInt(),
            -1);
        QCOMPARE(table.value(QStringLiteral("LA"))
                     .toMap()
                     .value(QStringLiteral("displayName"))
                     .toString(),
            QStringLiteral("Lao People’s Democratic Republic"));
        QCOMPARE(CountryTable::countryCodes(), table);
    }

    void countriesInPriorityOrder()
    {
        StoreFixture store;
        fill(store);
        const auto europe = StoreQueries::countriesOrderedByPriorityForRegions(
            store.context.get(), QStringList {QStringLiteral("Europe")});
        QVERIFY(europe);
        const QStringList europeCodes = codes(*europe);
        QCOMPARE(europeCodes.size(), 38);
        QCOMPARE(europeCodes.mid(0, 11),
            (QStringList {"DE", "FR", "GB", "IT", "CH", "AT", "BE", "DK", "HR", "IE", "PT"}));
        QCOMPARE(europeCodes.first(), QStringLiteral("DE"));
        QCOMPARE(europeCodes.last(), QStringLiteral("SK"));
        QCOMPARE(europeCodes.mid(29),
            (QStringList {"AL", "BY", "CY", "IS", "LV", "MD", "MT", "SI", "SK"}));

        const auto all =
            StoreQueries::countriesOrderedByPriorityForRegions(store.context.get(), std::nullopt);
        QVERIFY(all);
        QCOMPARE(all->size(), 155);
        QCOMPARE(codes(*all).mid(0, 6), (QStringList {"CA", "DE", "FR", "GB", "IT", "US"}));

        const auto none =
            StoreQueries::countriesOrderedByPriorityForRegions(store.context.get(), QStringList {});
        QVERIFY(none);
        QVERIFY(none->isEmpty());

        const auto groups = StoreQueries::countriesGroupedByPriorityForRegions(store.context.get(),
            QStringList {QStringLiteral("UnitedStatesAndCanada"), QStringLiteral("AsiaPacific")});
        QVERIFY(groups);
        QCOMPARE(groups->first().priority, 10);
        QCOMPARE(codes(groups->first().countries), (QStringList {"CA", "US"}));
        QCOMPARE(groups->at(1).priority, 9);
        QCOMPARE(codes(groups->at(1).countries), QStringList {"AU"});
        QCOMPARE(groups->last().priority, -1);
        QCOMPARE(groups->last().countries.size(), 11);

        QVERIFY(!StoreQueries::countriesOrderedByPriorityForRegions(nullptr, std::nullopt));
    }

    void namesInTheUsersLanguage()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
        QCOMPARE(
            Country::localizedName(QStringLiteral("US")), QStringLiteral("Vereinigte Staaten"));
        QCOMPARE(Country::localizedName(QStringLiteral("de")), QStringLiteral("Deutschland"));
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        QCOMPARE(Country::localizedName(QStringLiteral("DE")), QStringLiteral("Germany"));
        QVERIFY(Country::localizedName(QString()).isNull());
        // A code the locale service does not know.
        QCOMPARE(Country::localizedName(QStringLiteral("QQ")), QStringLiteral("QQ"));
        QLocale::setDefault(saved);
    }
};

RK_TEST_MAIN(CountriesTest)
#include "tst_countries.moc"
