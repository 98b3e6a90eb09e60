#include "support/StoreFixture.h"

#include "model/RatingHistory.h"
#include "support/TestEnvironment.h"
#include "ui/charts/RatingsHistoryChart.h"
#include "ui/ratings/RatingsViewController.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QTest>

namespace {

const QDateTime kFirstDay(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC);

// Two countries over three days: the US moves to 1.1 on the second day, DE
// to 1.2 on the third; DE has no average on the second day, so that day's
// average weighs the US alone.
struct Snapshot {
    int day;
    const char *country;
    qint64 count;
    std::optional<double> average;
    const char *version;
};
const Snapshot kSnapshots[] = {
    {0, "US", 100, 4.0, "1.0"},
    {0, "DE", 50, 3.0, "1.0"},
    {1, "US", 110, 4.0, "1.1"},
    {1, "DE", 50, std::nullopt, "1.0"},
    {2, "US", 120, 4.5, "1.1"},
    {2, "DE", 60, 3.0, "1.2"},
};

QList<qreal> ys(const QXYSeries *series)
{
    QList<qreal> values;
    for (const QPointF &point : series->points())
        values << point.y();
    return values;
}

} // namespace

class RatingsHistoryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_, other_, empty_;

    void addSnapshot(const std::shared_ptr<App> &app, const Snapshot &row)
    {
        auto snapshot = store_->context->insertNewObject(QStringLiteral("RatingSnapshot"));
        snapshot->setObject(QStringLiteral("product"), app);
        snapshot->setValue(QStringLiteral("countryCode"), QString::fromLatin1(row.country));
        snapshot->setValue(QStringLiteral("day"), kFirstDay.addDays(row.day));
        snapshot->setValue(QStringLiteral("ratingCount"), row.count);
        snapshot->setValue(
            QStringLiteral("averageRating"), ManagedObject::optionalValue(row.average));
        snapshot->setValue(QStringLiteral("currentVersion"), QString::fromLatin1(row.version));
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app(QStringLiteral("1"));
        other_ = store_->app(QStringLiteral("2"));
        empty_ = store_->app(QStringLiteral("3"));
        for (const Snapshot &row : kSnapshots)
            addSnapshot(app_, row);
        addSnapshot(other_, {5, "FR", 9000, 2.5, "7.0"});
        QVERIFY(store_->context->save());
    }

    void cleanup()
    {
        app_.reset();
        other_.reset();
        empty_.reset();
        store_.reset();
    }

    void seriesSumsAndWeighsOverCountries_data()
    {
        QTest::addColumn<QString>("country");
        QTest::addColumn<QList<qint64>>("counts");
        QTest::addColumn<QList<double>>("averages"); // -1: none
        QTest::addColumn<QList<int>>("releaseDays");
        QTest::addColumn<QStringList>("versions");
        QTest::newRow("all countries") << QString() << QList<qint64> {150, 160, 180}
                                       << QList<double> {550.0 / 150, 4.0, 720.0 / 180}
                                       << QList<int> {1, 2} << QStringList {"1.1", "1.2"};
        QTest::newRow("one country")
            << QStringLiteral("US") << QList<qint64> {100, 110, 120}
            << QList<double> {4.0, 4.0, 4.5} << QList<int> {1} << QStringList {"1.1"};
        QTest::newRow("code in lower case")
            << QStringLiteral("de") << QList<qint64> {50, 50, 60} << QList<double> {3.0, -1, 3.0}
            << QList<int> {2} << QStringList {"1.2"};
        QTest::newRow("country without snapshots")
            << QStringLiteral("JP") << QList<qint64>() << QList<double>() << QList<int>()
            << QStringList();
    }

    void seriesSumsAndWeighsOverCountries()
    {
        QFETCH(QString, country);
        QFETCH(QList<qint64>, counts);
        QFETCH(QList<double>, averages);
        QFETCH(QList<int>, releaseDays);
        QFETCH(QStringList, versions);
        const auto history = RatingHistory::load(*RatingHistory::Query::forProduct(
            *app_, country.isNull() ? std::nullopt : std::optional<QString>(country)));
        QVERIFY(history);
        QCOMPARE(history->days.size(), counts.size());
        for (qsizetype i = 0; i < counts.size(); ++i) {
            QCOMPARE(history->days[i].day, kFirstDay.addDays(i));
            QCOMPARE(history->days[i].ratingCount, counts[i]);
            QCOMPARE(history->days[i].averageRating.value_or(-1), averages[i]);
        }
        QCOMPARE(history->releases.size(), releaseDays.size());
        for (qsizetype i = 0; i < releaseDays.size(); ++i) {
            QCOMPARE(history->releases[i].day, kFirstDay.addDays(releaseDays[i]));
            QCOMPARE(history->releases[i].version, versions[i]);
        }
        QCOMPARE(
            RatingHistory::countries(store_->context.get(), app_.get()), QStringList({"DE", "US"}));
    }

    void chartFollowsProductAndCountry()
    {
        RatingsViewController controller;
        controller.view()->resize(800, 600);
        controller.view()->show();
        RatingsHistoryChart *chart = controller.historyChart();
        controller.setProduct(app_);
        QTRY_VERIFY(!chart->isLoading());
        QComboBox *menu = chart->countryMenu();
        QCOMPARE(menu->count(), 3);
        QCOMPARE(menu->itemText(1), QStringLiteral("Germany"));
        QCOMPARE(menu->itemText(2), QStringLiteral("United States"));
        QCOMPARE(ys(chart->countSeries()), QList<qreal>({150, 160, 180}));
        QCOMPARE(chart->releaseLabels().size(), 2);

        menu->setCurrentIndex(2);
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(ys(chart->countSeries()), QList<qreal>({100, 110, 120}));
        QCOMPARE(ys(chart->averageSeries()), QList<qreal>({4.0, 4.0, 4.5}));
        QCOMPARE(chart->releaseLabels().size(), 1);

        // A product without that country falls back to all of its countries.
        controller.setProduct(other_);
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(menu->currentIndex(), 0);
        QCOMPARE(ys(chart->countSeries()), QList<qreal>({9000}));
        QVERIFY(!chart->emptyLabel()->isVisibleTo(chart));

        controller.setProduct(empty_);
        QTRY_VERIFY(!chart->isLoading());
        QVERIFY(chart->emptyLabel()->isVisibleTo(chart));
        QVERIFY(chart->emptyLabel()->text().startsWith(QStringLiteral("No ratings history yet.")));
        QCOMPARE(chart->countSeries()->count(), 0);
        controller.setProduct(nullptr);
        QTRY_VERIFY(!chart->isLoading());
        QVERIFY(chart->emptyLabel()->isVisibleTo(chart));

        // Releases a day apart in a long history keep their labels apart.
        auto busy = store_->app(QStringLiteral("busy"));
        for (int day = 0; day < 200; ++day)
            addSnapshot(busy,
                {day, "US", 1000 + day, 4.0,
                    day < 100 ? "10.0.1" : (day == 100 ? "10.0.2" : "10.0.3")});
        QVERIFY(store_->context->save());
        controller.setProduct(busy);
        QTRY_VERIFY(!chart->isLoading());
        const auto labels = chart->releaseLabels();
        QCOMPARE(labels.size(), 2);
        QVERIFY(!labels[0]->sceneBoundingRect().intersects(labels[1]->sceneBoundingRect()));
    }
};

RK_TEST_GUI_MAIN(RatingsHistoryTest)
#include "tst_ratingshistory.moc"
