#include "ui/charts/RatingsHistoryChart.h"

#include "model/Country.h"
#include "model/Product.h"
#include "model/RatingHistory.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QValueAxis>

#include <algorithm>

RatingsHistoryChart::RatingsHistoryChart(QWidget *parent)
    : ChartPane(localized("RatingsHistoryChart", "Ratings History"),
        localized("RatingsHistoryChart", "No ratings history yet. It grows with each update."),
        parent),
      countries_(new QComboBox),
      count_(new QLineSeries),
      average_(new QLineSeries),
      time_(new QDateTimeAxis),
      countAxis_(new QValueAxis),
      averageAxis_(new QValueAxis),
      read_(this, [this](const std::optional<RatingHistory> &history) {
          showHistory(history.value_or(RatingHistory()));
      })
{
    setObjectName(QStringLiteral("RatingsHistoryChart"));
    countries_->setAccessibleName(localized("RatingsHistoryChart", "Country"));
    saveButton()->setAccessibleName(saveButton()->text());
    chartView()->setAccessibleName(localized("RatingsHistoryChart", "Ratings History Chart"));

    count_->setName(localized("RatingsHistoryChart", "Rating Count"));
    average_->setName(localized("RatingsHistoryChart", "Average Rating"));
    chart()->addSeries(count_);
    chart()->addSeries(average_);
    time_->setFormat(QLocale().dateFormat(QLocale::ShortFormat));
    countAxis_->setLabelFormat(QStringLiteral("%i"));
    countAxis_->setTitleText(count_->name());
    averageAxis_->setRange(1, 5);
    averageAxis_->setTickCount(5);
    averageAxis_->setLabelFormat(QStringLiteral("%.1f"));
    averageAxis_->setTitleText(average_->name());
    chart()->addAxis(time_, Qt::AlignBottom);
    chart()->addAxis(countAxis_, Qt::AlignLeft);
    chart()->addAxis(averageAxis_, Qt::AlignRight);
    count_->attachAxis(time_);
    count_->attachAxis(countAxis_);
    average_->attachAxis(time_);
    average_->attachAxis(averageAxis_);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    connect(chart(), &QChart::plotAreaChanged, this, &RatingsHistoryChart::placeReleaseLabels);

    connect(countries_, &QComboBox::currentIndexChanged, this, &RatingsHistoryChart::reload);
    addLeadingControl(countries_);

    applyPalette();
    reloadCountries();
}

RatingsHistoryChart::~RatingsHistoryChart() = default;

void RatingsHistoryChart::setProduct(const std::shared_ptr<Product> &product)
{
    product_ = product;
    reloadCountries();
}

void RatingsHistoryChart::setCountryCode(const QString &countryCode)
{
    const int index = countryCode.isNull() ? 0 : countries_->findData(countryCode.toUpper());
    countries_->setCurrentIndex(std::max(index, 0));
}

void RatingsHistoryChart::reloadCountries()
{
    const QString selected = countries_->currentData().toString();
    QStringList codes;
    if (product_)
        codes = RatingHistory::countries(product_->managedObjectContext(), product_.get())
                    .value_or(QStringList());
    QList<QPair<QString, QString>> named;
    for (const QString &code : std::as_const(codes))
        named.append({Country::localizedName(code), code});
    std::sort(named.begin(), named.end(), [](const auto &a, const auto &b) {
        return QString::localeAwareCompare(a.first, b.first) < 0;
    });
    {
        const QSignalBlocker blocker(countries_);
        countries_->clear();
        countries_->addItem(localized("RatingsHistoryChart", "All Countries"));
        for (const auto &[name, code] : std::as_const(named))
            countries_->addItem(name, code);
        countries_->setCurrentIndex(std::max(0, countries_->findData(selected)));
    }
    reload();
}

void RatingsHistoryChart::reload()
{
    // Two years of 40 countries take longer than a frame to sum, so the
    // sums are read on a worker thread.
    const QVariant code = countries_->currentData();
    const auto query = product_ ? RatingHistory::Query::forProduct(*product_,
                           code.isValid() ? std::optional<QString>(code.toString()) : std::nullopt)
                                : std::nullopt;
    if (!query) {
        read_.request([] { return std::optional<RatingHistory>(RatingHistory()); });
        return;
    }
    read_.request([query = *query] { return RatingHistory::load(query); });
}

void RatingsHistoryChart::showHistory(const RatingHistory &history)
{
    QList<QPointF> counts, averages;
    counts.reserve(history.days.size());
    averages.reserve(history.days.size());
    qint64 low = std::numeric_limits<qint64>::max(), high = 0;
    for (const RatingHistory::Day &day : history.days) {
        const qreal x = qreal(day.day.toMSecsSinceEpoch());
        counts.append({x, qreal(day.ratingCount)});
        low = std::min(low, day.ratingCount);
        high = std::max(high, day.ratingCount);
        if (day.averageRating)
            averages.append({x, *day.averageRating});
    }
    count_->replace(counts);
    average_->replace(averages);
    showReleases(history.releases);
    countries_->setEnabled(product_ != nullptr);
    showChart(!history.days.isEmpty());
    // A short history shows its days as points too: one day has no line.
    for (QLineSeries *series : {count_, average_}) {
        series->setPointsVisible(history.days.size() < 32);
        series->setMarkerSize(8);
    }
    if (!history.days.isEmpty()) {
        // One day stands between the days on either side, so that the axis
        // has a width and the point is not on its edge; no more ticks than
        // days, so that no date is written twice.
        const bool one = history.days.size() == 1;
        const QDateTime first = history.days.first().day.addDays(one ? -1 : 0);
        const QDateTime last = history.days.last().day.addDays(one ? 1 : 0);
        time_->setRange(first, last);
        time_->setTickCount(int(std::clamp<qint64>(first.daysTo(last) + 1, 2, 5)));
        // At least four counts apart, so that whole-number ticks never repeat.
        const qint64 span = std::max<qint64>(high - low, 4);
        const qint64 bottom = std::max<qint64>(0, low - (span - (high - low)) / 2);
        countAxis_->setRange(qreal(bottom), qreal(bottom + span));
        countAxis_->applyNiceNumbers();
        placeReleaseLabels();
    }
    Q_EMIT historyShown();
}

// Each release is a vertical line across the plot, its version at the top;
// only the first line has an entry in the legend.
void RatingsHistoryChart::showReleases(const QList<RatingHistory::Release> &releases)
{
    for (const Release &release : std::as_const(releases_)) {
        chart()->removeSeries(release.line);
        delete release.line;
        delete release.label;
    }
    releases_.clear();
    for (const RatingHistory::Release &release : releases) {
        const qreal x = qreal(release.day.toMSecsSinceEpoch());
        auto *line = new QLineSeries;
        line->setName(localized("RatingsHistoryChart", "Releases"));
        line->append({{x, 1.0}, {x, 5.0}});
        chart()->addSeries(line);
        line->attachAxis(time_);
        line->attachAxis(averageAxis_);
        if (!releases_.isEmpty())
            chart()->legend()->markers(line).value(0)->setVisible(false);
        releases_.append({line, new QGraphicsSimpleTextItem(release.version, chart())});
    }
    styleReleases();
}

void RatingsHistoryChart::styleReleases()
{
    // Text colour, softened: apart from every series colour of both themes.
    const QColor text = palette().color(QPalette::Text);
    QColor colour = text;
    colour.setAlphaF(0.55);
    for (const Release &release : std::as_const(releases_)) {
        QPen pen(colour, 1.5, Qt::DashLine);
        pen.setCosmetic(true);
        release.line->setPen(pen);
        release.label->setBrush(text);
        release.label->setFont(font());
    }
    placeReleaseLabels();
}

// A label that would run into one before it drops a line, so that releases
// days apart stay readable.
void RatingsHistoryChart::placeReleaseLabels()
{
    QList<qreal> lineEnds;
    for (const Release &release : std::as_const(releases_)) {
        const QPointF top = chart()->mapToPosition(release.line->at(1), release.line);
        const QRectF bounds = release.label->boundingRect();
        const qreal x = top.x() + 3;
        qsizetype line = 0;
        while (line < lineEnds.size() && x < lineEnds[line] + 4)
            ++line;
        if (line == lineEnds.size())
            lineEnds.append(0);
        lineEnds[line] = x + bounds.width();
        release.label->setPos(x, top.y() + qreal(line) * bounds.height());
    }
}

QList<QGraphicsSimpleTextItem *> RatingsHistoryChart::releaseLabels() const
{
    QList<QGraphicsSimpleTextItem *> labels;
    for (const Release &release : releases_)
        labels << release.label;
    return labels;
}

void RatingsHistoryChart::applyPalette()
{
    ChartPane::applyPalette();
    // The same colour for each line in either theme, which would swap them;
    // both read on a light and on a dark surface.
    for (const auto &[series, colour] : {std::pair {count_, QColor(0x20, 0x8f, 0xd8)},
             std::pair {average_, QColor(0x8f, 0xbf, 0x4a)}}) {
        QPen pen = series->pen();
        pen.setColor(colour);
        pen.setWidthF(2);
        series->setPen(pen);
        series->setColor(colour);
    }
    styleReleases();
}
