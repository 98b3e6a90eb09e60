#include "model/Country.h"
#include "model/CountryTable.h"
#include "model/ReviewHistory.h"
#include "model/StoreQueries.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <sqlite3.h>

namespace {
template<typename List> QStringList keys(const std::optional<List> &records)
{
    QStringList list;
    for (const auto &record : records.value_or(List()))
        list << record->stringValue(
            std::is_same_v<List, StoreQueries::Countries> ? "isoCode" : "identifier");
    return list;
}
// Monday, 9 March 2026; the week before began on the 2nd.
const QDateTime kMonday(QDate(2026, 3, 9), QTime(0, 0), Qt::UTC);

struct Row {
    const char *identifier;
    qint64 secondsFromMonday;
    const char *country;
    std::optional<double> rating;
    const char *version;
    int earlierVersions;
};
// The first two fall a minute apart across the turn of the week; "d" was
// edited but has no rating; "e" was edited twice; "h" is rated zero, which
// is no star; the week of the 16th has no reviews.
const Row kRows[] = {
    {"a", -60, "US", 5.0, "1.0", 0},
    {"b", 0, "us", 5.0, "1.0", 0},
    {"c", 36 * 3600, "DE", 1.0, "2.0", 0},
    {"d", 37 * 3600, "US", std::nullopt, "2.0", 1},
    {"e", 2 * 86400, "US", 3.0, "2.0", 2},
    {"f", 14 * 86400 + 5, "DE", 4.0, "2.0", 1},
    {"h", 3 * 86400, "US", 0.0, "1.0", 0},
};

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

// What the store's queries give, and what an older store gains when it is
// opened. The reviews history tests start from the reviews of kRows.
class StoreQueriesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_;

private Q_SLOTS:
    void init()
    {
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app("1");
        ManagedObjectContext &context = *store_->context;
        for (const Row &row : kRows) {
            auto review =
                StoreFixture::review(context, app_, row.identifier, row.country, row.rating);
            review->setValue("dateReviewed", kMonday.addSecs(row.secondsFromMonday));
            review->setValue("version", row.version);
            for (int i = 0; i < row.earlierVersions; ++i)
                context.insertNewObject("ReviewVersion", {{"rating", 2.0}})
                    ->setObject("review", review);
        }
        // Another product's review in the same week counts for it only.
        StoreFixture::review(context, store_->app("2"), "g", "US", 2.0)
            ->setValue("dateReviewed", kMonday);
        QVERIFY(context.save());
    }

    void cleanup()
    {
        app_.reset();
        store_.reset();
    }

    void productsDueForAnUpdate()
    {
        StoreFixture store;
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(1700000000000, Qt::UTC);
        auto product = [&](const char *entity, const char *identifier, const QVariant &reviews) {
            store.context->insertNewObject(
                entity, {{"identifier", identifier}, {"lastReviewsUpdate", reviews}});
        };
        product("App", "old", now.addDays(-2));
        product("App", "exact", now);
        product("App", "fresh", now.addSecs(1));
        product("App", "never", {});
        product("Book", "book", {});
        product("Podcast", "podcast", now.addDays(-5));
        ManagedObjectContext *context = store.context.get();
        for (int pass = 0; pass < 2; ++pass) { // pending, then saved
            QCOMPARE(keys(StoreQueries::productsForReviewsNotUpatedSinceDate(context, now)),
                (QStringList {"never", "book", "podcast", "old", "exact"}));
            QCOMPARE(keys(StoreQueries::productsNeedingReviewsUpate(context)),
                (QStringList {"never", "book", "podcast", "old", "exact", "fresh"}));
            QCOMPARE(StoreQueries::allProducts(context)->size(), 6);
            QVERIFY(store.context->save());
        }
        QVERIFY(!StoreQueries::allProducts(nullptr));
    }

    // Countries come by priority, highest first, then by code; a region
    // list filters them, an absent one does not.
    void countriesByPriority()
    {
        StoreFixture store;
        for (const auto &[code, priority, region] :
            std::initializer_list<std::tuple<const char *, int, const char *>> {
                {"US", 10, "UnitedStatesAndCanada"}, {"DE", 10, "Europe"}, {"AL", -1, "Europe"},
                {"CA", 10, "UnitedStatesAndCanada"}, {"AT", 5, "Europe"},
                {"ZW", -1, "AfricaTheMiddleEastAndIndia"}, {"AU", 9, "AsiaPacific"}})
            store.context->insertNewObject(
                "Country", {{"isoCode", code}, {"priority", priority}, {"region", region}});
        QVERIFY(store.context->save());
        ManagedObjectContext *context = store.context.get();
        QCOMPARE(keys(StoreQueries::countriesOrderedByPriorityForRegions(context, std::nullopt)),
            (QStringList {"CA", "DE", "US", "AU", "AT", "AL", "ZW"}));
        QCOMPARE(keys(StoreQueries::countriesOrderedByPriorityForRegions(
                     context, QStringList {"Europe"})),
            (QStringList {"DE", "AT", "AL"}));
        const auto none =
            StoreQueries::countriesOrderedByPriorityForRegions(context, QStringList());
        QVERIFY(none && none->isEmpty());
        QVERIFY(!StoreQueries::countriesOrderedByPriorityForRegions(nullptr, std::nullopt));
    }

    // Each week as "<Monday> <one- to five-star counts> e<edited>". The
    // filters are the review list's stored choices: "***" and nothing both
    // mean all.
    void countsPerWeekAndStar_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QStringList>("weeks");
        const QStringList all {
            "2026-03-02 0 0 0 0 1 e0", "2026-03-09 1 0 1 0 1 e1", "2026-03-23 0 0 0 1 0 e1"};
        const QStringList us {"2026-03-02 0 0 0 0 1 e0", "2026-03-09 0 0 1 0 1 e1"};
        QTest::newRow("all") << QString("***") << "***" << all;
        QTest::newRow("no choice stored") << QString("") << "" << all;
        QTest::newRow("version") << QString(
            "2.0") << "***" << QStringList {"2026-03-09 1 0 1 0 0 e1", "2026-03-23 0 0 0 1 0 e1"};
        QTest::newRow("country, stored in either case") << QString("***") << "US" << us;
        QTest::newRow("country chosen in lower case") << QString("***") << "us" << us;
        QTest::newRow("both") << QString("2.0") << "de"
                              << QStringList {"2026-03-09 1 0 0 0 0 e0", "2026-03-23 0 0 0 1 0 e1"};
        QTest::newRow("nothing passes") << QString("1.0") << "DE" << QStringList();
    }

    void countsPerWeekAndStar()
    {
        QFETCH(QString, version);
        QFETCH(QString, country);
        QFETCH(QStringList, weeks);
        app_->setValue("selectedVersion", version);
        app_->setValue("selectedCountryCode", country);
        const auto query = ReviewHistory::Query::forProduct(*app_);
        QVERIFY(query);
        const auto history = ReviewHistory::load(*query);
        QVERIFY(history);
        QStringList described;
        for (const ReviewHistory::Week &week : history->weeks) {
            QString text = week.start.date().toString(Qt::ISODate);
            for (qint64 count : week.stars)
                text += QStringLiteral(" %1").arg(count);
            described << text + QStringLiteral(" e%1").arg(week.edited);
            QCOMPARE(ReviewHistory::weekStart(week.start.addSecs(7 * 86400 - 1)), week.start);
        }
        QCOMPARE(described, weeks);
    }

    // A file that is no store, or a query without a model: no history and a
    // logged line each; the store itself is untouched.
    void unreadableStoreGivesNoHistoryAndALoggedLine()
    {
        LogCapture log;
        auto notAStore = ReviewHistory::Query::forProduct(*app_);
        auto noModel = ReviewHistory::Query::forProduct(*app_);
        QVERIFY(notAStore && noModel);
        notAStore->storePath = store_->dir.filePath("other.db");
        QFile junk(notAStore->storePath);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        noModel->model.reset();
        QVERIFY(!ReviewHistory::load(*notAStore));
        QVERIFY(!ReviewHistory::load(*noModel));
        QCOMPARE(log.matching("reviewHistoryForProduct").size(), 2);
        QCOMPARE(store_->count("Review"), qint64(std::size(kRows) + 1));
    }

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
        const QString path = store_->dir.filePath("old.db");
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

RK_TEST_MAIN(StoreQueriesTest)
#include "tst_storequeries.moc"
