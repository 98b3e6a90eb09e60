#include "support/UiRecorders.h"

#include "platform/ManualClock.h"
#include "ui/widgets/BadgeTextFieldCell.h"
#include "ui/widgets/ColoredView.h"
#include "ui/widgets/RankingIndicatorDelegate.h"
#include "ui/widgets/RatingBarView.h"
#include "ui/widgets/StarRatingPainter.h"
#include "ui/widgets/XFSearchField.h"
#include "ui/widgets/ZQSpinningProgressIndicator.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>

namespace {

template<typename Draw> QImage painted(QSize size, Draw draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRect(QPoint(0, 0), size));
    return image;
}

bool isEmpty(const QImage &image, int fromX = 0)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < image.width(); ++x)
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
    // `alphas` gives, star by star of a 20-point row, the alpha at its middle,
    // or "left|right" a little off it, or "*" for any.
    void stars_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("faint");
        QTest::addColumn<bool>("indicate");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("alphas");
        QTest::addColumn<QColor>("first"); // the colour of the first star, if drawn
        const int light = StarRatingPainter::Light;
        const auto row = [](const char *name, double value, int style, bool faint, bool indicate,
                             int width, const char *alphas, QColor first) {
            QTest::newRow(name) << value << style << faint << indicate << width << QString(alphas)
                                << first;
        };
        const QColor red(200, 0, 0);
        row("zero draws nothing", 0, light, false, false, 100, "0 0 0 0 0", {});
        row("zero: faint stars when asked", 0, light, true, false, 100, "64 64 64 64 64", {});
        row("a half star over the faint one", 4.5, light, false, true, 100,
            "204 204 204 204 217|64", red);
        row("3.2 reads as three and a half", 3.2, light, false, false, 100, "* * * 204|0 0", red);
        row("five: nothing faint", 5, light, false, true, 100, "204 204 204 204 204", red);
        row("squares of the height, from the left", 5, light, false, false, 300, "* * * * 204",
            red);
        row("selected rows: white, opaque", 2, StarRatingPainter::Dark, false, false, 100,
            "255 255 0 0 0", Qt::white);
    }
    void stars()
    {
        QFETCH(double, value);
        QFETCH(int, style);
        QFETCH(bool, faint);
        QFETCH(bool, indicate);
        QFETCH(int, width);
        QFETCH(QString, alphas);
        QFETCH(QColor, first);
        StarRatingPainter stars;
        stars.color = QColor(200, 0, 0);
        stars.displayWithoutValue = faint;
        stars.indicateStars = indicate;
        const QImage image = painted(QSize(width, 20),
            [&](QPainter &painter, QRect frame) { stars.paint(painter, frame, value, style); });
        const QStringList expected = alphas.split(' ');
        for (int k = 0; k < 5; ++k) {
            const QStringList parts = expected[k].split('|');
            const QList<int> dx = parts.size() == 2 ? QList<int> {-4, 3} : QList<int> {0};
            for (int i = 0; i < dx.size(); ++i) {
                const int alpha = qAlpha(image.pixel(k * 20 + 10 + dx[i], 11));
                QVERIFY2(parts[i] == "*" || qAbs(alpha - parts[i].toInt()) <= 4,
                    qPrintable(QString("star %1: %2").arg(k).arg(alpha)));
            }
        }
        QVERIFY(isEmpty(image, 100));
        QCOMPARE(isEmpty(image), expected == QStringList(5, "0"));
        if (first.isValid()) {
            const QColor drawn = QColor::fromRgba(image.pixel(10, 11));
            QVERIFY(
                qAbs(drawn.red() - first.red()) < 50 && qAbs(drawn.green() - first.green()) < 10);
        }
    }

    void badgeShareBarAndBackgrounds()
    {
        BadgeTextFieldCell badge;
        const auto drawBadge = [&](QPainter &painter, QRect frame) {
            badge.drawWithFrame(painter, frame);
        };
        QVERIFY(isEmpty(painted(QSize(40, 20), drawBadge))); // no title, no badge
        badge.title = "12";
        const QImage image = painted(QSize(40, 20), drawBadge);
        QCOMPARE(QColor(image.pixel(3, 10)), BadgeTextFieldCell::PlateColor);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // rounded corner

        const QImage full = painted(QSize(100, 10), [](QPainter &painter, QRect frame) {
            RatingBarView::paintBar(painter, frame, 37, 37, {}, Qt::blue);
        });
        QCOMPARE(QColor(full.pixel(99, 7)), QColor(Qt::blue));
        QCOMPARE(qAlpha(full.pixel(50, 8)), 0); // the bottom two rows stay free
        const QImage quarter = painted(QSize(100, 10), [](QPainter &painter, QRect frame) {
            RatingBarView::paintBar(painter, frame, 1, 4, {}, Qt::blue);
        });
        QCOMPARE(QColor(quarter.pixel(20, 4)), QColor(Qt::blue));
        QCOMPARE(QColor(quarter.pixel(30, 4)), QColor(Qt::white));

        ColoredView clear;
        clear.setColor(Qt::transparent);
        clear.resize(10, 10);
        QVERIFY(isEmpty(painted(QSize(10, 10), [&](QPainter &painter, QRect) {
            clear.render(&painter, {}, {}, QWidget::RenderFlags());
        })));
        RoundedView rounded;
        rounded.resize(40, 40);
        rounded.setColor(Qt::red);
        const QImage round = painted(QSize(40, 40), [&](QPainter &painter, QRect) {
            rounded.render(&painter, {}, {}, QWidget::RenderFlags());
        });
        QCOMPARE(rounded.xRadius(), 8.0);
        QCOMPARE(qAlpha(round.pixel(0, 0)), 0);
        QCOMPARE(QColor(round.pixel(20, 20)), QColor(Qt::red));
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

        const QPoint star = table.visualRect(model.index(1, 0)).topLeft() + QPoint(8, 6);
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, star);
        QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, star);
        QCOMPARE(table.selectionModel()->selectedRows().value(0).row(), 1);
        QCOMPARE(model.data(model.index(1, 0)).toDouble(), 3.0);
        QVERIFY(!table.indexWidget(model.index(1, 0)));
        QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
    }

    // A spinner in no visible window does not turn; stopped, it fades out
    // and, when told, hides; started again during a fade, it starts at 0.
    void spinnerFadesOutAndRestartsAtZero()
    {
        ManualClock clock;
        QWidget window;
        auto *spinner = new ZQSpinningProgressIndicator(nullptr, &clock);
        spinner->setUsesThreadedAnimation(false);
        (new QHBoxLayout(&window))->addWidget(spinner);
        spinner->setCurrentValue(10); // determinate: start does nothing
        spinner->startAnimation();
        QVERIFY(!spinner->isAnimating());
        spinner->setIsIndeterminate(true);
        spinner->startAnimation();
        clock.advance(Clock::Duration(200));
        QCOMPARE(spinner->position(), 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        clock.advance(Clock::Duration(7 * 50));
        QCOMPARE(spinner->position(), 7);
        // The brightest fin is the one whose (position + index) mod 12 is 0.
        QCOMPARE(spinner->alphaValueForPosition(5), 1.0);

        spinner->stopAnimation();
        clock.advance(Clock::Duration(300));
        QVERIFY(spinner->isFadingOut());
        QCOMPARE(spinner->position(), 7); // fins keep their places while fading
        clock.advance(Clock::Duration(350));
        QVERIFY(spinner->isAnimating());
        clock.advance(Clock::Duration(100));
        QVERIFY(!spinner->isAnimating());
        QCOMPARE(clock.pendingCount(), 0);

        spinner->startAnimation();
        clock.advance(Clock::Duration(150));
        spinner->stopAnimation();
        clock.advance(Clock::Duration(100));
        spinner->startAnimation();
        QVERIFY(!spinner->isFadingOut());
        QCOMPARE(spinner->position(), 0);

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
        auto *field = new XFSearchField;
        layout->addWidget(new QLineEdit);
        layout->addWidget(field);
        Delegate delegate;
        field->setDelegate(&delegate);
        field->setAnimationDuration(0.05);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(field->width(), XFSearchField::CollapsedWidth);

        field->toggleWidth();
        QTRY_VERIFY(!field->isCollapsed());
        QCOMPARE(field->width(), 200);
        QCOMPARE(field->expansion(), 1.0);
        QVERIFY(field->hasFocus());

        delegate.allowCollapse = false;
        field->setIsCollapsed(true);
        QTest::qWait(100);
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
};

RK_TEST_GUI_MAIN(ControlsTest)
#include "tst_controls.moc"
