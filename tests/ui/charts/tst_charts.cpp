#include "support/UiRecorders.h"

#include "ui/charts/RatingsHistoryChart.h"
#include "ui/charts/ReviewsPerWeekChart.h"
#include "ui/ratings/RatingsViewController.h"
#include "ui/reviews/ReviewController.h"
#include "ui/reviews/ReviewListModel.h"

#include <QBarSet>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QToolButton>
#include <QToolTip>
#include <QValueAxis>

namespace {

// A Monday.
const QDateTime kWeek(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC);
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

// "1 0 0 0 2 e1" per week shown: the one- to five-star counts and the
// edited mark, if any, which stands over the middle of its week.
QStringList bars(const ReviewsPerWeekChart &chart)
{
    QStringList weeks;
    const QList<QBarSet *> sets = chart.starSets();
    for (int week = 0; week < sets.first()->count(); ++week) {
        QStringList counts;
        for (const QBarSet *set : sets)
            counts << QString::number(set->at(week));
        const QDateTime start = chart.weeks().at(week).start;
        const qreal x = (start.addDays(7).toMSecsSinceEpoch() + start.toMSecsSinceEpoch()) / 2.0;
        for (const QPointF &mark : chart.editedSeries()->points())
            if (mark.x() == x)
                counts << QString("e%1").arg(mark.y());
        weeks << counts.join(u' ');
    }
    return weeks;
}

QList<qreal> ys(const QXYSeries *series)
{
    QList<qreal> values;
    for (const QPointF &point : series->points())
        values << point.y();
    return values;
}

// The next widget Tab gives focus to, disabled ones included.
QWidget *nextTabStop(QWidget *widget)
{
    for (QWidget *next = widget->nextInFocusChain(); next != widget;
         next = next->nextInFocusChain())
        if (next->focusPolicy() & Qt::TabFocus && next->isVisibleTo(widget->window()))
            return next;
    return nullptr;
}

} // namespace

class ChartsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_, other_, empty_;
    std::shared_ptr<Product> selected_;

    std::shared_ptr<Review> addReview(const std::shared_ptr<App> &app, const char *identifier,
        const char *country, const char *version, double rating, int week, bool edited = false)
    {
        auto review = StoreFixture::review(*store_->context, app, identifier, country, rating);
        review->setValue("version", version);
        review->setValue("dateReviewed", kWeek.addDays(7 * week));
        if (edited)
            store_->context->insertNewObject("ReviewVersion")->setObject("review", review);
        return review;
    }
    void addSnapshot(const std::shared_ptr<App> &app, const Snapshot &row)
    {
        auto snapshot = store_->context->insertNewObject("RatingSnapshot",
            {{"countryCode", row.country}, {"day", kFirstDay.addDays(row.day)},
                {"ratingCount", row.count},
                {"averageRating", ManagedObject::optionalValue(row.average)},
                {"currentVersion", row.version}});
        snapshot->setObject("product", app);
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Reviews two weeks apart, with the week between empty; "b" was edited.
    void init()
    {
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app("1");
        other_ = store_->app("2");
        empty_ = store_->app("3");
        addReview(app_, "a", "US", "1.0", 5, 0);
        addReview(app_, "b", "DE", "1.0", 1, 0, true);
        addReview(app_, "c", "US", "2.0", 4, 2);
        addReview(other_, "d", "FR", "7.0", 3, 5);
        for (const Snapshot &row : kSnapshots)
            addSnapshot(app_, row);
        addSnapshot(other_, {5, "FR", 9000, 2.5, "7.0"});
        QVERIFY(store_->context->save());
    }

    void reviewsPerWeekFollowProductFiltersAndNewReviews()
    {
        ReviewController controller(*store_->context, [this] { return selected_; });
        QAbstractItemModelTester tester(controller.model());
        ReviewsPerWeekChart *chart = controller.weekChart();
        controller.resize(900, 700);
        controller.show();
        const auto select = [&](const std::shared_ptr<Product> &product) {
            selected_ = product;
            controller.mainOutlineViewSelectionDidChange(); // as the import does after storing
            QTRY_VERIFY(!chart->isLoading());
        };
        select(app_);
        QCOMPARE(bars(*chart), QStringList({"1 0 0 0 1 e1", "0 0 0 0 0", "0 0 0 1 0"}));
        // Counts tick at whole numbers: 0, 1, 2, none twice.
        const auto *counts =
            qobject_cast<QValueAxis *>(chart->chartView()->chart()->axes(Qt::Vertical).first());
        QCOMPARE(std::pair(counts->max(), counts->tickCount()), std::pair(2.0, 3));
        // Pointing at a bar tells its week in words; an empty week has none.
        QCOMPARE(chart->weekSummary(0),
            QString("3/2/26 to 3/8/26: 2 reviews\n5\u2605  1\n1\u2605  1\n1 edited"));
        QVERIFY(chart->weekSummary(3).isEmpty());
        auto *series =
            qobject_cast<QStackedBarSeries *>(chart->chartView()->chart()->series().first());
        Q_EMIT series->hovered(true, 2, chart->starSets().at(3));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("3/16/26 to 3/22/26: 1 review\n4\u2605  1"));
        Q_EMIT series->hovered(false, 2, chart->starSets().at(3));
        QTRY_VERIFY(!QToolTip::isVisible());
        // Reached from the review's controls by Tab.
        QCOMPARE(nextTabStop(controller.translateButton()), chart->saveButton());
        QCOMPARE(nextTabStop(chart->saveButton()), chart->chartView());

        controller.selectedVersionForReviewRatingsChangedAction(
            controller.versionPopUpButton()->findData("1.0"));
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(bars(*chart), QStringList({"1 0 0 0 1 e1"}));
        controller.selectedCountryForReviewRatingsChangedAction(
            controller.countriesPopUpButton()->findData("US"));
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(bars(*chart), QStringList({"0 0 0 0 1"}));

        // An update brings a review into the chosen version and country,
        // and another's earlier version.
        QSignalSpy shown(chart, &ReviewsPerWeekChart::historyShown);
        addReview(app_, "e", "US", "1.0", 2, 1, true);
        QVERIFY(store_->context->save());
        select(app_);
        QTRY_VERIFY(!shown.isEmpty());
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(bars(*chart), QStringList({"0 0 0 0 1", "0 1 0 0 0 e1"}));

        select(empty_);
        QVERIFY(chart->emptyLabel()->isVisibleTo(chart));
        QCOMPARE(chart->emptyLabel()->text(), QString("No reviews to chart."));
        QVERIFY(!chart->saveButton()->isEnabled());
        select(nullptr);
        QVERIFY(chart->emptyLabel()->isVisibleTo(chart));
    }

    // Switching on before the first answer: only the product shown at the
    // end is drawn, once.
    void answerForAnotherProductIsDropped()
    {
        ReviewsPerWeekChart chart;
        QSignalSpy shown(&chart, &ReviewsPerWeekChart::historyShown);
        chart.setProduct(app_);
        chart.setProduct(other_);
        QTRY_VERIFY(!chart.isLoading());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(bars(chart), QStringList({"0 0 1 0 0"}));
        QCoreApplication::processEvents();
        QCOMPARE(shown.size(), 1);
    }

    void ratingsHistoryFollowsProductAndCountry()
    {
        RatingsViewController controller;
        controller.view()->resize(800, 600);
        controller.view()->show();
        RatingsHistoryChart *chart = controller.historyChart();
        const auto select = [&](const std::shared_ptr<Product> &product) {
            controller.setProduct(product);
            QTRY_VERIFY(!chart->isLoading());
        };
        select(app_);
        QComboBox *menu = chart->countryMenu();
        QCOMPARE(menu->count(), 3);
        QCOMPARE(menu->itemText(1), QString("Germany"));
        // All countries: counts summed, averages weighed by count over the
        // countries that have one.
        QCOMPARE(ys(chart->countSeries()), QList<qreal>({150, 160, 180}));
        QCOMPARE(ys(chart->averageSeries()), QList<qreal>({550.0 / 150, 4.0, 720.0 / 180}));
        QCOMPARE(chart->releaseLabels().size(), 2);

        menu->setCurrentIndex(2);
        QTRY_VERIFY(!chart->isLoading());
        QCOMPARE(ys(chart->countSeries()), QList<qreal>({100, 110, 120}));
        QCOMPARE(ys(chart->averageSeries()), QList<qreal>({4.0, 4.0, 4.5}));
        QCOMPARE(chart->releaseLabels().size(), 1);

        // A product without that country falls back to all of its countries.
        select(other_);
        QCOMPARE(menu->currentIndex(), 0);
        QCOMPARE(ys(chart->countSeries()), QList<qreal>({9000}));
        QVERIFY(!chart->emptyLabel()->isVisibleTo(chart));

        select(empty_);
        QVERIFY(chart->emptyLabel()->isVisibleTo(chart));
        QVERIFY(chart->emptyLabel()->text().startsWith("No ratings history yet."));
        QCOMPARE(chart->countSeries()->count(), 0);
        select(nullptr);
        QVERIFY(chart->emptyLabel()->isVisibleTo(chart));

        // Releases a day apart in a long history keep their labels apart.
        auto busy = store_->app("busy");
        for (int day = 0; day < 200; ++day)
            addSnapshot(busy,
                {day, "US", 1000 + day, 4.0,
                    day < 100 ? "10.0.1" : (day == 100 ? "10.0.2" : "10.0.3")});
        QVERIFY(store_->context->save());
        select(busy);
        const auto labels = chart->releaseLabels();
        QCOMPARE(labels.size(), 2);
        QVERIFY(!labels[0]->sceneBoundingRect().intersects(labels[1]->sceneBoundingRect()));
    }

    void savingWritesTheFileOrSaysWhyNot_data()
    {
        QTest::addColumn<bool>("weekly");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start"); // empty: no file, an error
        for (const bool weekly : {false, true}) {
            const char *chart = weekly ? "reviews per week, " : "ratings history, ";
            QTest::addRow("%spng", chart) << weekly << "chart.png" << QByteArray("\x89PNG");
            QTest::addRow("%ssvg", chart) << weekly << "chart.SVG" << QByteArray("<?xml");
            QTest::addRow("%sfolder missing", chart)
                << weekly << "missing/chart.png" << QByteArray();
        }
    }
    void savingWritesTheFileOrSaysWhyNot()
    {
        QFETCH(bool, weekly);
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        SharedPresenter presenter;
        const QString path = store_->dir.filePath(name);
        ReviewsPerWeekChart reviews;
        RatingsHistoryChart ratings;
        ChartPane *pane = weekly ? static_cast<ChartPane *>(&reviews) : &ratings;
        pane->resize(640, 400);
        pane->show();
        reviews.setProduct(app_);
        ratings.setProduct(app_);
        QTRY_VERIFY(!reviews.isLoading());
        QTRY_VERIFY(!ratings.isLoading());
        const bool saved = pane->saveToFile(path);
        QCOMPARE(saved, !start.isEmpty());
        QCOMPARE(presenter.errors.size(), start.isEmpty() ? 1 : 0);
        QFile file(path);
        if (start.isEmpty()) {
            QVERIFY(!file.exists());
            QVERIFY(presenter.errors.first().localizedDescription().contains("chart.png"));
            return;
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QVERIFY2(data.startsWith(start) || (start == "<?xml" && data.startsWith("<svg")),
            data.left(40).constData());
        if (name.endsWith(".png"))
            QVERIFY(!QImage::fromData(data, "PNG").isNull());
        else
            QVERIFY(data.contains(weekly ? "Edited" : "Average Rating"));
    }
};

RK_TEST_GUI_MAIN(ChartsTest)
#include "tst_charts.moc"
