#include "support/RecordingPresenter.h"
#include "support/StoreFixture.h"

#include "support/TestEnvironment.h"
#include "ui/charts/RatingsHistoryChart.h"
#include "ui/charts/ReviewsPerWeekChart.h"
#include "ui/reviews/ReviewController.h"
#include "ui/reviews/ReviewListModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QBarSet>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QStackedBarSeries>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

namespace {

// A Monday.
const QDateTime kWeek(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC);

// "1 0 0 0 2 e1" per week shown: the one- to five-star counts and the
// edited mark, if any.
QStringList bars(const ReviewsPerWeekChart &chart)
{
    QStringList weeks;
    const QList<QBarSet *> sets = chart.starSets();
    for (int week = 0; week < sets.first()->count(); ++week) {
        QStringList counts;
        for (const QBarSet *set : sets)
            counts << QString::number(set->at(week));
        // A mark stands over the middle of its week.
        const qreal x = qreal(chart.weeks().at(week).start.addDays(7).toMSecsSinceEpoch()
                            + chart.weeks().at(week).start.toMSecsSinceEpoch())
            / 2;
        for (const QPointF &mark : chart.editedSeries()->points())
            if (mark.x() == x)
                counts << QStringLiteral("e%1").arg(mark.y());
        weeks << counts.join(u' ');
    }
    return weeks;
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

class ReviewsPerWeekTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_, other_, empty_;
    std::shared_ptr<Product> selected_;

    std::shared_ptr<Review> addReview(const std::shared_ptr<App> &app, const QString &identifier,
        const char *country, const char *version, double rating, int week)
    {
        auto review = StoreFixture::review(*store_->context, app, identifier, country, rating);
        review->setValue(QStringLiteral("version"), QString::fromLatin1(version));
        review->setValue(QStringLiteral("dateReviewed"), kWeek.addDays(7 * week));
        return review;
    }

    static void waitForAnswer(ReviewsPerWeekChart *chart) { QTRY_VERIFY(!chart->isLoading()); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Two weeks apart, with the week between empty; "b" was edited.
    void init()
    {
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app(QStringLiteral("1"));
        other_ = store_->app(QStringLiteral("2"));
        empty_ = store_->app(QStringLiteral("3"));
        addReview(app_, QStringLiteral("a"), "US", "1.0", 5, 0);
        auto edited = addReview(app_, QStringLiteral("b"), "DE", "1.0", 1, 0);
        store_->context->insertNewObject(QStringLiteral("ReviewVersion"))
            ->setObject(QStringLiteral("review"), edited);
        addReview(app_, QStringLiteral("c"), "US", "2.0", 4, 2);
        addReview(other_, QStringLiteral("d"), "FR", "7.0", 3, 5);
        QVERIFY(store_->context->save());
    }

    void cleanup()
    {
        selected_.reset();
        app_.reset();
        other_.reset();
        empty_.reset();
        store_.reset();
    }

    void chartFollowsProductFiltersAndNewReviews()
    {
        ReviewController controller(*store_->context, [this] { return selected_; });
        QAbstractItemModelTester tester(controller.model());
        ReviewsPerWeekChart *chart = controller.weekChart();
        controller.resize(900, 700);
        controller.show();
        selected_ = app_;
        controller.mainOutlineViewSelectionDidChange();
        waitForAnswer(chart);
        QCOMPARE(bars(*chart), QStringList({"1 0 0 0 1 e1", "0 0 0 0 0", "0 0 0 1 0"}));
        QCOMPARE(chart->weeks().first().start, QDateTime(QDate(2026, 3, 2), QTime(0, 0), Qt::UTC));
        // Pointing at a bar tells its week in words; an empty week has none.
        QCOMPARE(chart->weekSummary(0),
            QStringLiteral("3/2/26 to 3/8/26: 2 reviews\n5\u2605  1\n1\u2605  1\n1 edited"));
        QCOMPARE(chart->weekSummary(1), QStringLiteral("3/9/26 to 3/15/26: 0 reviews"));
        QVERIFY(chart->weekSummary(3).isEmpty());
        QCOMPARE(chart->weekSummary(2), QStringLiteral("3/16/26 to 3/22/26: 1 review\n4\u2605  1"));
        auto *series =
            qobject_cast<QStackedBarSeries *>(chart->chartView()->chart()->series().first());
        QVERIFY(series);
        Q_EMIT series->hovered(true, 2, chart->starSets().at(3));
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), chart->weekSummary(2));
        Q_EMIT series->hovered(false, 2, chart->starSets().at(3));
        QTRY_VERIFY(!QToolTip::isVisible());
        // Reached from the review's controls by Tab, and named.
        QCOMPARE(nextTabStop(controller.translateButton()), chart->saveButton());
        QCOMPARE(nextTabStop(chart->saveButton()), chart->chartView());
        QVERIFY(!chart->saveButton()->accessibleName().isEmpty());
        QVERIFY(!chart->chartView()->accessibleName().isEmpty());

        QComboBox *versions = controller.versionPopUpButton();
        controller.selectedVersionForReviewRatingsChangedAction(versions->findData("1.0"));
        waitForAnswer(chart);
        QCOMPARE(bars(*chart), QStringList({"1 0 0 0 1 e1"}));
        QComboBox *countries = controller.countriesPopUpButton();
        controller.selectedCountryForReviewRatingsChangedAction(countries->findData("US"));
        waitForAnswer(chart);
        QCOMPARE(bars(*chart), QStringList({"0 0 0 0 1"}));

        // An update brings a review into the chosen version and country,
        // and another's earlier version.
        QSignalSpy shown(chart, &ReviewsPerWeekChart::historyShown);
        auto late = addReview(app_, QStringLiteral("e"), "US", "1.0", 2, 1);
        store_->context->insertNewObject(QStringLiteral("ReviewVersion"))
            ->setObject(QStringLiteral("review"), late);
        QVERIFY(store_->context->save());
        controller.mainOutlineViewSelectionDidChange(); // as the import does after storing
        QTRY_VERIFY(!shown.isEmpty());
        waitForAnswer(chart);
        QCOMPARE(bars(*chart), QStringList({"0 0 0 0 1", "0 1 0 0 0 e1"}));

        selected_ = empty_;
        controller.mainOutlineViewSelectionDidChange();
        waitForAnswer(chart);
        QVERIFY(chart->emptyLabel()->isVisibleTo(chart));
        QCOMPARE(chart->emptyLabel()->text(), QStringLiteral("No reviews to chart."));
        QVERIFY(!chart->saveButton()->isEnabled());
        selected_.reset();
        controller.mainOutlineViewSelectionDidChange();
        waitForAnswer(chart);
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
        waitForAnswer(&chart);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(bars(chart), QStringList({"0 0 1 0 0"}));
        QCoreApplication::processEvents();
        QCOMPARE(shown.size(), 1);
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
        RecordingPresenter presenter;
        Presenter::setShared(&presenter);
        const QString path = store_->dir.filePath(name);
        bool saved;
        if (weekly) {
            ReviewsPerWeekChart chart;
            chart.resize(640, 400);
            chart.show();
            chart.setProduct(app_);
            waitForAnswer(&chart);
            saved = chart.saveToFile(path);
        } else {
            auto snapshot = store_->context->insertNewObject(QStringLiteral("RatingSnapshot"));
            snapshot->setObject(QStringLiteral("product"), app_);
            snapshot->setValue(QStringLiteral("day"), kWeek);
            snapshot->setValue(QStringLiteral("countryCode"), QStringLiteral("US"));
            snapshot->setValue(QStringLiteral("ratingCount"), qint64(10));
            snapshot->setValue(QStringLiteral("averageRating"), 4.0);
            QVERIFY(store_->context->save());
            RatingsHistoryChart chart;
            chart.resize(640, 400);
            chart.show();
            chart.setProduct(app_);
            QTRY_VERIFY(!chart.isLoading());
            saved = chart.saveToFile(path);
        }
        Presenter::setShared(nullptr);
        QCOMPARE(saved, !start.isEmpty());
        QCOMPARE(presenter.errors.size(), start.isEmpty() ? 1 : 0);
        QFile file(path);
        if (start.isEmpty()) {
            QVERIFY(!file.exists());
            QVERIFY(presenter.errors.first().localizedDescription().contains(
                QStringLiteral("chart.png")));
            return;
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QVERIFY2(data.startsWith(start) || (start == "<?xml" && data.startsWith("<svg")),
            data.left(40).constData());
        if (name.endsWith(QStringLiteral(".png")))
            QVERIFY(!QImage::fromData(data, "PNG").isNull());
        else
            QVERIFY(data.contains(weekly ? "Edited" : "Average Rating"));
    }
};

RK_TEST_GUI_MAIN(ReviewsPerWeekTest)
#include "tst_reviewsperweek.moc"
