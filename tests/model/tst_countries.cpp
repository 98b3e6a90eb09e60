#include "model/Country.h"
#include "model/CountryTable.h"
#include "model/StoreQueries.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QRegularExpression>
#include <QTest>

#include <sqlite3.h>

namespace {
// The rows `sql` gives on the file, each as "field|field", or the error.
QStringList sql(const QString &path, const QStringList &statements)
{
    const auto collect = [](void *rows, int columns, char **values, char **) {
        QStringList fields;
        for (int i = 0; i < columns; ++i)
            fields << QString::fromUtf8(values[i]);
        static_cast<QStringList *>(rows)->append(fields.join('|'));
        return 0;
    };
    sqlite3 *db = nullptr;
    QStringList rows;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    for (const QString &statement : statements)
        if (sqlite3_exec(db, statement.toUtf8().constData(), collect, &rows, nullptr) != SQLITE_OK)
            rows << QStringLiteral("failed: ") + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    return rows;
}

// Every row of every table but the metadata, as "table|field|field...".
QStringList dump(const QString &path)
{
    QStringList rows;
    for (const QString &table : sql(path,
             {"SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
              "'sqlite_%' AND name != 'rk_metadata' ORDER BY name"}))
        for (const QString &row : sql(path, {"SELECT * FROM \"" + table + "\" ORDER BY id"}))
            rows << table + '|' + row;
    return rows;
}

std::unique_ptr<ManagedObjectContext> open(const QString &path)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(DataModel::shared());
    Error error;
    if (!coordinator->addSQLiteStore(path, &error))
        qWarning("%s", qPrintable(error.debugDescription()));
    return std::make_unique<ManagedObjectContext>(coordinator);
}
} // namespace

class CountriesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A store of the first schema knows 155 countries and no gaps, one of
    // the third no ratings history, one of the fourth no earlier versions of
    // reviews; opening any adds what it lacks and changes nothing it held.
    void olderStoreGainsWhatItLacksAndKeepsItsRecords_data()
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

    void olderStoreGainsWhatItLacksAndKeepsItsRecords()
    {
        QFETCH(int, version);
        QFETCH(QStringList, added);
        QFETCH(QString, dropped);
        const qsizetype countries = CountryTable::countries().size();
        QTemporaryDir dir;
        const QString path = dir.filePath("old.db");
        {
            auto context = open(path);
            QVERIFY(context->hasStore());
            for (const CountryTable::Country &country : CountryTable::countries())
                if (!added.contains(country.code))
                    context->insertNewObject("Country",
                        {{"isoCode", country.code}, {"priority", country.priority},
                            {"region", country.region}});
            auto app = context->insertNewObject<App>("App", {{"identifier", "42"}});
            StoreFixture::review(*context, app, "r1", "DE");
            context->insertNewObject("Rating", {{"countryCode", "DE"}})->setObject("product", app);
            QVERIFY(context->save());
        }
        // What the older schema wrote: without the later tables, and the
        // reviews' rating index without the date.
        QCOMPARE(sql(path,
                     {dropped,
                         "DROP INDEX \"rk_index_Review_product_rating_dateReviewed\"; CREATE INDEX "
                         "\"rk_index_Review_product_rating\" ON \"Review\" (\"product\", "
                         "\"rating\")",
                         QStringLiteral("UPDATE rk_metadata SET value = %1 WHERE key = 'version'")
                             .arg(version)}),
            QStringList());
        const QStringList before = dump(path);
        QCOMPARE(before.filter(QRegularExpression("^Country\\|")).size(), countries - added.size());
        {
            auto context = open(path);
            QVERIFY(context->hasStore());
            const auto all =
                StoreQueries::countriesOrderedByPriorityForRegions(context.get(), std::nullopt);
            QVERIFY(all);
            QCOMPARE(all->size(), countries);
            static const QRegularExpression uuid(
                "^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
            QSet<QString> uuids;
            for (const auto &country : *all) {
                uuids.insert(country->stringValue("uuid"));
                if (added.contains(country->isoCode())) {
                    QCOMPARE(country->integerValue("priority"), qint64(-1));
                    QVERIFY(uuid.match(country->stringValue("uuid")).hasMatch());
                }
            }
            QCOMPARE(uuids.size(), countries);
            // New records get ids of their own after the upgrade.
            auto app = context->fetch<App>(FetchRequest("App")).first();
            context->insertNewObject("ReviewGap")->setObject("product", app);
            context->insertNewObject("RatingSnapshot")->setObject("product", app);
            context->insertNewObject("ReviewVersion")
                ->setObject("review", context->executeFetchRequest(FetchRequest("Review")).first());
            QVERIFY(context->save());
        }
        const QStringList after = dump(path);
        QCOMPARE(sql(path,
                     {"SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE "
                      "'rk_index_Review_product_rating%'"}),
            QStringList {"rk_index_Review_product_rating_dateReviewed"});
        for (const QString &row : before)
            QVERIFY2(after.contains(row), qPrintable(row));
        QCOMPARE(after.size(), before.size() + added.size() + 3);
        QSet<QString> ids;
        for (const QString &row : after)
            ids.insert(row.section('|', 1, 1));
        QCOMPARE(ids.size(), after.size());
        // Two entries of one code would make two rows of one country.
        QCOMPARE(CountryTable::countryCodes().size(), countries);
    }

    void namesInTheUsersLanguage()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale("de_DE"));
        QCOMPARE(Country::localizedName("US"), QString("Vereinigte Staaten"));
        QCOMPARE(Country::localizedName("de"), QString("Deutschland"));
        QLocale::setDefault(QLocale("en_US"));
        QCOMPARE(Country::localizedName("XK"), QString("Kosovo"));
        QCOMPARE(Country::localizedName("CI"), QString("Côte d’Ivoire"));
        QVERIFY(Country::localizedName(QString()).isNull());
        // A code the locale service does not know.
        QCOMPARE(Country::localizedName("QQ"), QString("QQ"));
        QLocale::setDefault(saved);
    }
};

RK_TEST_MAIN(CountriesTest)
#include "tst_countries.moc"
