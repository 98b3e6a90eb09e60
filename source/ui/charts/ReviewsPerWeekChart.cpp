#include "ui/charts/ReviewsPerWeekChart.h"

#include "model/Product.h"
#include "platform/StringFormat.h"

#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLegend>
#include <QLocale>
#include <QPushButton>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>

namespace {

constexpr qint64 WeekMs = 7 * 24 * 60 * 60 * 1000;

// Red to green, from one star to five, dark and saturated enough to stand
// on a white surface and light enough to stand on a dark one.
const QColor StarColours[5] = {QColor(0xd9, 0x48, 0x3b), QColor(0xee, 0x8a, 0x2e),
    QColor(0xe3, 0xbb, 0x2a), QColor(0x8f, 0xbf, 0x4a), QColor(0x2f, 0x9e, 0x5b)};

} // namespace

ReviewsPerWeekChart::ReviewsPerWeekChart(QWidget *parent)
    : ChartPane(localized("ReviewsPerWeekChart", "Reviews per Week"),
        localized("ReviewsPerWeekChart", "No reviews to chart."), parent),
      bars_(new QStackedBarSeries),
      edited_(new QScatterSeries),
      weekIndex_(new QValueAxis),
      time_(new QDateTimeAxis),
      countAxis_(new QValueAxis),
      read_(this, [this](const std::optional<ReviewHistory> &history) {
          // The read logged its error; the chart shows nothing rather than
          // an outdated picture.
          showHistory(history.value_or(ReviewHistory()));
      })
{
    setObjectName(QStringLiteral("ReviewsPerWeekChart"));
    saveButton()->setAccessibleName(
        localized("ReviewsPerWeekChart", "Save Reviews per Week Chart"));
    chartView()->setAccessibleName(localized("ReviewsPerWeekChart", "Reviews per Week Chart"));

    for (int star = 1; star <= 5; ++star) {
        auto *set = new QBarSet(QLocale().toString(star) + QStringLiteral("★"));
        bars_->append(set);
        sets_ << set;
    }
    bars_->setBarWidth(0.8);
    edited_->setName(localized("ReviewsPerWeekChart", "Edited"));
    edited_->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    edited_->setMarkerSize(7);
    chart()->addSeries(bars_);
    chart()->addSeries(edited_);
    // Bars stand at whole numbers, one per week; the visible axis gives
    // those places their dates, each bar spanning its week.
    weekIndex_->setVisible(false);
    time_->setFormat(QLocale().dateFormat(QLocale::ShortFormat));
    countAxis_->setLabelFormat(QStringLiteral("%i"));
    countAxis_->setTitleText(localized("ReviewsPerWeekChart", "Reviews"));
    chart()->addAxis(weekIndex_, Qt::AlignBottom);
    chart()->addAxis(time_, Qt::AlignBottom);
    chart()->addAxis(countAxis_, Qt::AlignLeft);
    bars_->attachAxis(weekIndex_);
    bars_->attachAxis(countAxis_);
    edited_->attachAxis(time_);
    edited_->attachAxis(countAxis_);
    chart()->legend()->setAlignment(Qt::AlignTop);
    chart()->setMargins(QMargins(4, 4, 4, 4));

    connect(bars_, &QStackedBarSeries::hovered, this, [this](bool entered, int index) {
        if (entered)
            QToolTip::showText(QCursor::pos(), weekSummary(index), chartView());
        else
            QToolTip::hideText();
    });

    addLeadingControl(new QLabel(accessibleName()));

    applyPalette();
    showHistory(ReviewHistory());
}

ReviewsPerWeekChart::~ReviewsPerWeekChart() = default;

void ReviewsPerWeekChart::setProduct(const std::shared_ptr<Product> &product)
{
    product_ = product;
    reload();
}

void ReviewsPerWeekChart::reload()
{
    const auto query = product_ ? ReviewHistory::Query::forProduct(*product_) : std::nullopt;
    if (!query) {
        // Also drops the answer of a read still running.
        read_.request([] { return std::optional<ReviewHistory>(ReviewHistory()); });
        return;
    }
    read_.request([query = *query] { return ReviewHistory::load(query); });
}

void ReviewsPerWeekChart::showHistory(const ReviewHistory &history)
{
    // Every week from the first to the last has a bar, so that the bars'
    // places follow the calendar.
    weeks_.clear();
    if (!history.weeks.isEmpty()) {
        const qint64 first = history.weeks.first().start.toMSecsSinceEpoch();
        const qint64 last = history.weeks.last().start.toMSecsSinceEpoch();
        weeks_.reserve((last - first) / WeekMs + 1);
        for (const ReviewHistory::Week &week : history.weeks) {
            const qint64 start = week.start.toMSecsSinceEpoch();
            for (qint64 gap = weeks_.isEmpty() ? start
                                               : weeks_.last().start.toMSecsSinceEpoch() + WeekMs;
                 gap < start; gap += WeekMs)
                weeks_.append({QDateTime::fromMSecsSinceEpoch(gap, Qt::UTC)});
            weeks_.append(week);
        }
    }

    QList<QList<qreal>> counts(5);
    QList<QPointF> edited;
    qint64 most = 0;
    for (const ReviewHistory::Week &week : std::as_const(weeks_)) {
        for (int star = 0; star < 5; ++star)
            counts[star] << qreal(week.stars[size_t(star)]);
        most = std::max(most, week.total());
        if (week.edited > 0)
            edited << QPointF(
                qreal(week.start.toMSecsSinceEpoch() + WeekMs / 2), qreal(week.edited));
    }
    for (int star = 0; star < 5; ++star) {
        QBarSet *set = sets_.at(star);
        set->remove(0, set->count());
        set->append(counts[star]);
    }
    edited_->replace(edited);

    const bool empty = weeks_.isEmpty();
    showChart(!empty);
    if (!empty) {
        const qint64 first = weeks_.first().start.toMSecsSinceEpoch();
        weekIndex_->setRange(-0.5, qreal(weeks_.size()) - 0.5);
        // Each bar covers its week, Monday to Monday; the ticks fall on
        // Mondays where the number of weeks allows an even spacing.
        const qint64 count = weeks_.size();
        time_->setRange(QDateTime::fromMSecsSinceEpoch(first, Qt::UTC),
            QDateTime::fromMSecsSinceEpoch(first + count * WeekMs, Qt::UTC));
        int ticks = count < 5 ? int(count) + 1 : 5;
        for (const int candidate : {6, 5, 4, 7, 3}) {
            if (count >= candidate - 1 && count % (candidate - 1) == 0) {
                ticks = candidate;
                break;
            }
        }
        time_->setTickCount(ticks);
        // Whole numbers only: a step of 1, 2, 5, 10, 20… that needs at most
        // five of them, so that no two ticks round to the same label.
        const qint64 top = std::max<qint64>(most, 1);
        qint64 step = 1;
        for (qint64 scale = 1; top > 5 * step; scale *= 10) {
            for (const qint64 factor : {1, 2, 5}) {
                step = factor * scale;
                if (top <= 5 * step)
                    break;
            }
        }
        const qint64 end = (top + step - 1) / step * step;
        countAxis_->setRange(0, qreal(end));
        countAxis_->setTickCount(int(end / step) + 1);
    }
    Q_EMIT historyShown();
}

QString ReviewsPerWeekChart::weekSummary(int index) const
{
    if (index < 0 || index >= weeks_.size())
        return {};
    const ReviewHistory::Week &week = weeks_.at(index);
    const QLocale locale;
    const QString from = locale.toString(week.start.date(), QLocale::ShortFormat);
    const QString to = locale.toString(week.start.date().addDays(6), QLocale::ShortFormat);
    QStringList lines {week.total() == 1
            ? formatString(localized("ReviewsPerWeekChart", "%@ to %@: 1 review"), from, to)
            : formatString(
                localized("ReviewsPerWeekChart", "%@ to %@: %ld reviews"), from, to, week.total())};
    for (int star = 5; star >= 1; --star)
        if (const qint64 count = week.stars[size_t(star - 1)])
            lines << sets_.at(star - 1)->label() + QStringLiteral("  ") + locale.toString(count);
    if (week.edited > 0)
        lines << formatString(localized("ReviewsPerWeekChart", "%ld edited"), week.edited);
    return lines.join(QLatin1Char('\n'));
}

void ReviewsPerWeekChart::applyPalette()
{
    ChartPane::applyPalette();
    const QColor surface = palette().color(QPalette::Base);
    for (int star = 0; star < 5; ++star) {
        sets_.at(star)->setColor(StarColours[star]);
        sets_.at(star)->setBorderColor(surface);
    }
    // The text colour, ringed by the surface's, reads over any bar.
    edited_->setColor(palette().color(QPalette::Text));
    edited_->setBorderColor(surface);
}
