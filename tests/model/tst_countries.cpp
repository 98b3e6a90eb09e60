#include "model/Country.h"
#include "model/CountryTable.h"
#include "model/DataModel.h"
#include "model/StoreQueries.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <sqlite3.h>

class CountriesTest : public QObject {
    Q_OBJECT

    // Every row of every table, in a stable order, as text.
    static QStringList dump(sqlite3 *db)
    {
        QStringList tables;
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db,
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
            "AND name != 'rk_metadata' ORDER BY name",
            -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            tables << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        QStringList rows;
        for (const QString &table : tables) {
            sqlite3_prepare_v2(db,
                QStringLiteral("SELECT * FROM \"%1\" ORDER BY id").arg(table).toUtf8().constData(),
                -1, &statement, nullptr);
            while (sqlite3_step(statement) == SQLITE_ROW) {
                QStringList fields {table};
                for (int column = 0; column < sqlite3_column_count(statement); ++column)
                    fields << QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(statement, column)));
                rows << fields.join(QLatin1Char('|'));
            }
            sqlite3_finalize(statement);
        }
        return rows;
    }

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
        QCOMPARE(countries.size(), 175);
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
        QCOMPARE(codes.size(), 175);
        QCOMPARE(regions.value(QStringLiteral("UnitedStatesAndCanada")), 2);
        QCOMPARE(regions.value(QStringLiteral("Europe")), 43);
        QCOMPARE(regions.value(QStringLiteral("AsiaPacific")), 37);
        QCOMPARE(regions.value(QStringLiteral("LatinAmericaAndTheCaribbean")), 37);
        QCOMPARE(regions.value(QStringLiteral("AfricaTheMiddleEastAndIndia")), 56);
        QCOMPARE(regions.keys().size(), 5);
        const QMap<int, int> expected {
            {10, 6}, {9, 2}, {8, 9}, {5, 13}, {2, 4}, {1, 43}, {0, 21}, {-1, 77}};
        QCOMPARE(priorities, expected);

        const QVariantMap table = CountryTable::countryCodes();
        QCOMPARE(table.size(), 175);
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
        QCOMPARE(europeCodes.size(), 43);
        QCOMPARE(europeCodes.mid(0, 11),
            (QStringList {"DE", "FR", "GB", "IT", "CH", "AT", "BE", "DK", "HR", "IE", "PT"}));
        QCOMPARE(europeCodes.first(), QStringLiteral("DE"));
        QCOMPARE(europeCodes.last(), QStringLiteral("XK"));
        QCOMPARE(europeCodes.mid(29),
            (QStringList {"AL", "BY", "CY", "IS", "LV", "MD", "MT", "SI", "SK", "BA", "GE", "ME",
                "RS", "XK"}));

        const auto all =
            StoreQueries::countriesOrderedByPriorityForRegions(store.context.get(), std::nullopt);
        QVERIFY(all);
        QCOMPARE(all->size(), 175);
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
        QCOMPARE(groups->last().countries.size(), 16);

        QVERIFY(!StoreQueries::countriesOrderedByPriorityForRegions(nullptr, std::nullopt));
    }

    // A store of the first schema knows 155 countries and no gaps, one of
    // the third no ratings history, one of the fourth no earlier versions of
    // reviews; opening any adds what it lacks and changes nothing it held.
    void olderStoreGainsTheNewStorefrontsAndKeepsItsRecords_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("dropped");
        QTest::newRow("1") << 1
                           << QStringList {"BA", "GE", "ME", "RS", "XK", "MM", "MV", "NR", "TO",
                                  "VU", "AF", "CD", "CI", "CM", "GA", "IQ", "LY", "MA", "RW", "ZM"}
                           << "DROP TABLE \"ReviewGap\"; DROP TABLE \"RatingSnapshot\"; "
                              "DROP TABLE \"ReviewVersion\"";
        QTest::newRow("3") << 3 << QStringList()
                           << "DROP TABLE \"RatingSnapshot\"; DROP TABLE \"ReviewVersion\"";
        QTest::newRow("4") << 4 << QStringList() << "DROP TABLE \"ReviewVersion\"";
    }

    void olderStoreGainsTheNewStorefrontsAndKeepsItsRecords()
    {
        QFETCH(int, version);
        QFETCH(QStringList, added);
        QFETCH(QString, dropped);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.db"));
        {
            auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
            Error error;
            QVERIFY(coordinator->addSQLiteStore(path, &error));
            ManagedObjectContext context(coordinator);
            for (const CountryTable::Country &country : CountryTable::countries()) {
                if (!added.contains(country.code))
                    context.insertNewObject(QStringLiteral("Country"),
                        {{QStringLiteral("isoCode"), country.code},
                            {QStringLiteral("priority"), country.priority},
                            {QStringLiteral("region"), country.region}});
            }
            auto app = context.insertNewObject<App>(
                QStringLiteral("App"), {{QStringLiteral("identifier"), QStringLiteral("42")}});
            StoreFixture::review(context, app, QStringLiteral("r1"), QStringLiteral("DE"));
            auto rating = context.insertNewObject(QStringLiteral("Rating"));
            rating->setObject(QStringLiteral("product"), app);
            rating->setValue(QStringLiteral("countryCode"), QStringLiteral("DE"));
            QVERIFY(context.save());
        }
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        // What the older schema wrote: without the later tables, and the
        // reviews' rating index without the date.
        QCOMPARE(
            sqlite3_exec(db,
                QStringLiteral("%1; DROP INDEX \"rk_index_Review_product_rating_dateReviewed\"; "
                               "CREATE INDEX \"rk_index_Review_product_rating\" ON "
                               "\"Review\" (\"product\", \"rating\"); UPDATE "
                               "rk_metadata SET value = %2 WHERE key = 'version'")
                    .arg(dropped)
                    .arg(version)
                    .toUtf8()
                    .constData(),
                nullptr, nullptr, nullptr),
            SQLITE_OK);
        const QStringList before = dump(db);
        sqlite3_close(db);
        QCOMPARE(before.filter(QRegularExpression(QStringLiteral("^Country\\|"))).size(),
            175 - added.size());

        {
            auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
            Error error;
            QVERIFY2(
                coordinator->addSQLiteStore(path, &error), qPrintable(error.debugDescription()));
            ManagedObjectContext context(coordinator);
            const auto all =
                StoreQueries::countriesOrderedByPriorityForRegions(&context, std::nullopt);
            QVERIFY(all);
            QCOMPARE(all->size(), 175);
            QSet<QString> uuids;
            for (const auto &country : *all) {
                uuids.insert(country->stringValue(QStringLiteral("uuid")));
                if (added.contains(country->isoCode())) {
                    QCOMPARE(country->integerValue(QStringLiteral("priority")), qint64(-1));
                    QVERIFY(country->stringValue(QStringLiteral("uuid"))
                                .contains(QRegularExpression(
                                    QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-"
                                                   "[89AB][0-9A-F]{3}-[0-9A-F]{12}$"))));
                }
            }
            QCOMPARE(uuids.size(), 175);
            // New records get ids of their own after the upgrade.
            auto gap = context.insertNewObject(QStringLiteral("ReviewGap"));
            auto app = context.fetch<App>(FetchRequest(QStringLiteral("App"))).first();
            gap->setObject(QStringLiteral("product"), app);
            auto snapshot = context.insertNewObject(QStringLiteral("RatingSnapshot"));
            snapshot->setObject(QStringLiteral("product"), app);
            auto version = context.insertNewObject(QStringLiteral("ReviewVersion"));
            version->setObject(QStringLiteral("review"),
                context.fetch<ManagedObject>(FetchRequest(QStringLiteral("Review"))).first());
            QVERIFY(context.save());
        }
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        const QStringList after = dump(db);
        QStringList ratingIndexes;
        sqlite3_exec(
            db,
            "SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE "
            "'rk_index_Review_product_rating%'",
            [](void *names, int, char **values, char **) {
                static_cast<QStringList *>(names)->append(QString::fromUtf8(values[0]));
                return 0;
            },
            &ratingIndexes, nullptr);
        sqlite3_close(db);
        QCOMPARE(ratingIndexes, QStringList {"rk_index_Review_product_rating_dateReviewed"});
        for (const QString &row : before)
            QVERIFY2(after.contains(row), qPrintable(row));
        QCOMPARE(after.size(), before.size() + added.size() + 3);
        QSet<QString> ids;
        for (const QString &row : after)
            ids.insert(row.section(QLatin1Char('|'), 1, 1));
        QCOMPARE(ids.size(), after.size());
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
        QCOMPARE(Country::localizedName(QStringLiteral("XK")), QStringLiteral("Kosovo"));
        QCOMPARE(Country::localizedName(QStringLiteral("CI")), QStringLiteral("Côte d’Ivoire"));
        QVERIFY(Country::localizedName(QString()).isNull());
        // A code the locale service does not know.
        QCOMPARE(Country::localizedName(QStringLiteral("QQ")), QStringLiteral("QQ"));
        QLocale::setDefault(saved);
    }
};

RK_TEST_MAIN(CountriesTest)
#include "tst_countries.moc"
