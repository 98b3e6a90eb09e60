#include "platform/ManualClock.h"
#include "support/TestEnvironment.h"
#include "ui/widgets/BadgeTextFieldCell.h"
#include "ui/widgets/ColoredView.h"
#include "ui/widgets/ImageTinting.h"
#include "ui/widgets/RankingIndicator.h"
#include "ui/widgets/RankingIndicatorDelegate.h"
#include "ui/widgets/RatingBarView.h"
#include "ui/widgets/StarRatingPainter.h"
#include "ui/widgets/XFSearchField.h"
#include "ui/widgets/ZQSpinningProgressIndicator.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

namespace {

QImage render(double value, int style, const StarRatingPainter &stars, QSize size = {100, 20})
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    stars.paint(painter, QRectF(QPointF(0, 0), size), value, style);
    return image;
}

// Alpha at the middle of star `k` of a 20-point row, optionally offset.
int alphaAt(const QImage &image, int k, int dx = 0)
{
    return qAlpha(image.pixel(k * 20 + 10 + dx, 11));
}

bool isEmpty(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)))
                return false;
    return true;
}

class Delegate : public XFSearchFieldDelegate {
public:
    bool allowCollapse = true;
    QStringList calls;
    bool searchFieldShouldCollapse(XFSearchField *) override
    {
        calls << "shouldCollapse";
        return allowCollapse;
    }
    void searchFieldDidCollapse(XFSearchField *) override { calls << "didCollapse"; }
    void searchFieldDidExpand(XFSearchField *) override { calls << "didExpand"; }
};

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void zeroShowsFaintStarsOnlyWhenAsked()
    {
        StarRatingPainter stars;
        QVERIFY(isEmpty(render(0, StarRatingPainter::Light, stars)));
        stars.displayWithoutValue = true;
        const QImage faint = render(0, StarRatingPainter::Light, stars);
        for (int k = 0; k < 5; ++k)
            QVERIFY2(qAbs(alphaAt(faint, k) - 64) <= 3, qPrintable(QString::number(k)));
        QCOMPARE(qAlpha(faint.pixel(99, 0)), 0);
    }

    void fractionsDrawAHalfStarOverTheFaintOne()
    {
        StarRatingPainter stars;
        stars.indicateStars = true;
        stars.color = QColor(200, 0, 0);
        const QImage image = render(4.5, StarRatingPainter::Light, stars);
        for (int k = 0; k < 4; ++k) {
            QVERIFY(qAbs(alphaAt(image, k) - 204) <= 3);
            // Tinted: the opaque pixels take the colour.
            const QColor c = QColor::fromRgba(image.pixel(k * 20 + 10, 11)).toRgb();
            QVERIFY(c.red() > 150 && c.green() < 10);
        }
        // Left half: the half star at 0.8 over the faint star at 0.25.
        QVERIFY(qAbs(alphaAt(image, 4, -4) - 217) <= 4);
        QVERIFY2(qAbs(alphaAt(image, 4, +3) - 64) <= 3,
            qPrintable(QString::number(alphaAt(image, 4, +3))));

        // 3.2 and 3.8 both read as three and a half.
        stars.indicateStars = false;
        for (double value : {3.2, 3.8}) {
            const QImage partial = render(value, StarRatingPainter::Light, stars);
            QVERIFY(alphaAt(partial, 3, -4) > 150);
            QCOMPARE(alphaAt(partial, 3, +4), 0);
            QCOMPARE(alphaAt(partial, 4), 0);
        }

        // Five with indicateStars: five full stars, nothing faint.
        stars.indicateStars = true;
        const QImage five = render(5, StarRatingPainter::Light, stars);
        for (int k = 0; k < 5; ++k)
            QVERIFY(qAbs(alphaAt(five, k) - 204) <= 3);
    }

    void starsAreSquaresOfTheHeightFromTheLeftEdge()
    {
        StarRatingPainter stars;
        const QImage wide = render(5, StarRatingPainter::Light, stars, QSize(300, 20));
        QVERIFY(alphaAt(wide, 4) > 0);
        for (int x = 100; x < 300; ++x)
            for (int y = 0; y < 20; ++y)
                QCOMPARE(qAlpha(wide.pixel(x, y)), 0);
        QVERIFY(isEmpty(render(3, 7, stars))); // unknown style draws nothing
    }

    void selectedRowsUseTheWhiteStarsAtFullOpacity()
    {
        StarRatingPainter stars;
        stars.color = QColor(200, 0, 0);
        const QImage image = render(2, StarRatingPainter::Dark, stars);
        const QColor c = QColor::fromRgba(image.pixel(10, 11));
        QCOMPARE(c.alpha(), 255);
        QCOMPARE(c.red(), 255);
        QCOMPARE(c.green(), 255);
    }

    void tintingKeepsTransparency()
    {
        QImage image(4, 1, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        image.setPixel(0, 0, qRgba(0, 0, 0, 255));
        image.setPixel(1, 0, qPremultiply(qRgba(0, 0, 0, 128)));
        const QImage tinted = tintedImageWithColor(image, QColor(0, 255, 0));
        QCOMPARE(tinted.pixel(0, 0), qRgba(0, 255, 0, 255));
        QCOMPARE(qAlpha(tinted.pixel(1, 0)), 128);
        QCOMPARE(qAlpha(tinted.pixel(2, 0)), 0);
    }

    void badgeAndShareBar()
    {
        QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            BadgeTextFieldCell badge;
            badge.drawWithFrame(painter, image.rect());
        }
        QVERIFY(isEmpty(image));
        {
            QPainter painter(&image);
            BadgeTextFieldCell badge;
            badge.title = "12";
            badge.drawWithFrame(painter, image.rect());
        }
        QCOMPARE(QColor(image.pixel(3, 10)), BadgeTextFieldCell::PlateColor);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // rounded corner

        QImage bar(100, 10, QImage::Format_ARGB32_Premultiplied);
        bar.fill(Qt::transparent);
        {
            QPainter painter(&bar);
            RatingBarView::paintBar(painter, bar.rect(), 37, 37, {}, Qt::blue);
        }
        QCOMPARE(QColor(bar.pixel(0, 0)), QColor(Qt::blue));
        QCOMPARE(QColor(bar.pixel(99, 7)), QColor(Qt::blue));
        QCOMPARE(qAlpha(bar.pixel(50, 8)), 0); // the bottom two rows stay free
        bar.fill(Qt::transparent);
        {
            QPainter painter(&bar);
            RatingBarView::paintBar(painter, bar.rect(), 1, 4, {}, Qt::blue);
        }
        QCOMPARE(QColor(bar.pixel(20, 4)), QColor(Qt::blue));
        QCOMPARE(QColor(bar.pixel(30, 4)), QColor(Qt::white));
    }

    void clickingStarsInAListSelectsTheRowAndNeverEdits()
    {
        QStandardItemModel model(3, 1);
        for (int row = 0; row < 3; ++row)
            model.setData(model.index(row, 0), 2.0 + row);
        QTableView table;
        table.setModel(&model);
        table.setItemDelegate(new RankingIndicatorDelegate(&table));
        table.setEditTriggers(QAbstractItemView::AllEditTriggers);
        table.setSelectionBehavior(QAbstractItemView::SelectRows);
        table.resize(300, 200);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));

        const QRect cell = table.visualRect(model.index(1, 0));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(8, 6));
        QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(8, 6));
        QCOMPARE(table.selectionModel()->selectedRows().value(0).row(), 1);
        QCOMPARE(model.data(model.index(1, 0)).toDouble(), 3.0);
        QVERIFY(!table.indexWidget(model.index(1, 0)));
        QVERIFY(!QApplication::focusWidget()
            || !qobject_cast<QLineEdit *>(QApplication::focusWidget()));

        // The star widget placed in a cell lets the click reach the row too.
        auto *indicator = new RankingIndicator;
        indicator->setValue(4);
        table.setIndexWidget(model.index(2, 0), indicator);
        QTest::mouseClick(indicator, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(table.selectionModel()->selectedRows().value(0).row(), 2);
        QCOMPARE(indicator->value(), 4.0);
    }

    void spinnerFadesOutAndRestartsAtZero()
    {
        ManualClock clock;
        ZQSpinningProgressIndicator spinner(nullptr, &clock);
        spinner.setUsesThreadedAnimation(false);
        spinner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&spinner));

        spinner.setCurrentValue(10); // determinate: start does nothing
        spinner.startAnimation();
        QVERIFY(!spinner.isAnimating());
        spinner.setIsIndeterminate(true);

        spinner.startAnimation();
        QVERIFY(spinner.isAnimating());
        clock.advance(Clock::Duration(7 * 50));
        QCOMPARE(spinner.position(), 7);
        // The brightest fin is the one whose (position + index) mod 12 is 0.
        QCOMPARE(spinner.alphaValueForPosition(5), 1.0);

        spinner.stopAnimation();
        clock.advance(Clock::Duration(300));
        QVERIFY(spinner.isAnimating());
        QVERIFY(spinner.isFadingOut());
        QCOMPARE(spinner.position(), 7); // fins keep their places while fading
        clock.advance(Clock::Duration(350));
        QVERIFY(spinner.isAnimating());
        clock.advance(Clock::Duration(100));
        QVERIFY(!spinner.isAnimating());
        QCOMPARE(clock.pendingCount(), 0);

        // Starting again during a fade restarts at position 0.
        spinner.startAnimation();
        clock.advance(Clock::Duration(150));
        spinner.stopAnimation();
        clock.advance(Clock::Duration(100));
        spinner.startAnimation();
        QVERIFY(!spinner.isFadingOut());
        QCOMPARE(spinner.position(), 0);
    }

    void hiddenSpinnerShowsWhileAnimatingAndWaitsForItsWindow()
    {
        ManualClock clock;
        QWidget window;
        auto *spinner = new ZQSpinningProgressIndicator(nullptr, &clock);
        spinner->setUsesThreadedAnimation(false);
        spinner->startAnimation();
        clock.advance(Clock::Duration(200));
        QCOMPARE(spinner->position(), 0); // in no visible window yet
        auto *layout = new QHBoxLayout(&window);
        layout->addWidget(spinner);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        clock.advance(Clock::Duration(100));
        QCOMPARE(spinner->position(), 2);

        spinner->setDisplayedWhenStopped(false);
        spinner->stopAnimation();
        clock.advance(Clock::Duration(800));
        QVERIFY(spinner->isHidden());
        spinner->startAnimation();
        QVERIFY(!spinner->isHidden());
    }

    void threadedSpinnerAnimatesAndStopsCleanly()
    {
        ZQSpinningProgressIndicator spinner;
        spinner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&spinner));
        spinner.startAnimation();
        QTRY_VERIFY_WITH_TIMEOUT(spinner.position() >= 2, 1000);
        spinner.setColor(Qt::red); // the main thread writes while the thread reads
        spinner.setUsesThreadedAnimation(false);
        QVERIFY(spinner.isAnimating());
    }

    void searchFieldExpandsCollapsesAndAsksItsDelegate()
    {
        QWidget window;
        auto *layout = new QHBoxLayout(&window);
        auto *other = new QLineEdit;
        auto *field = new XFSearchField;
        layout->addWidget(other);
        layout->addWidget(field);
        Delegate delegate;
        field->setDelegate(&delegate);
        field->setAnimationDuration(0.05);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(field->width(), XFSearchField::CollapsedWidth);
        QCOMPARE(field->expansion(), 0.0);

        field->toggleWidth();
        QTRY_VERIFY(!field->isCollapsed());
        QCOMPARE(field->width(), 200);
        QCOMPARE(field->expansion(), 1.0);
        QVERIFY(field->hasFocus());
        QCOMPARE(delegate.calls, QStringList {"didExpand"});

        delegate.allowCollapse = false;
        field->setIsCollapsed(true);
        QTest::qWait(100);
        QVERIFY(!field->isCollapsed());
        QCOMPARE(field->width(), 200);
        QVERIFY(field->hasFocus());

        delegate.allowCollapse = true;
        field->setText("gone");
        field->search(); // the magnifier: clears and collapses
        QVERIFY(field->text().isEmpty());
        QVERIFY(!field->hasFocus());
        QTRY_VERIFY(field->isCollapsed());
        QCOMPARE(field->width(), XFSearchField::CollapsedWidth);
        QCOMPARE(delegate.calls,
            (QStringList {"didExpand", "shouldCollapse", "shouldCollapse", "didCollapse"}));
    }

    void backgroundsDrawAsTold()
    {
        ColoredView clear;
        clear.setColor(Qt::transparent);
        clear.resize(10, 10);
        QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        clear.render(&image, {}, {}, QWidget::RenderFlags());
        QVERIFY(isEmpty(image));

        RoundedView rounded;
        rounded.resize(40, 40);
        rounded.setColor(Qt::red);
        image = QImage(40, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        rounded.render(&image, {}, {}, QWidget::RenderFlags());
        QCOMPARE(rounded.xRadius(), 8.0);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(QColor(image.pixel(20, 20)), QColor(Qt::red));
    }
};

RK_TEST_GUI_MAIN(ControlsTest)
#include "tst_controls.moc"
