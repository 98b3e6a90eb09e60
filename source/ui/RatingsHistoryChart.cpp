#include "RatingsHistoryChart.h"

#include "Country.h"
#include "Error.h"
#include "Presenter.h"
#include "Product.h"
#include "RatingHistory.h"
#include "StringFormat.h"

#include <QAction>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScatterSeries>
#include <QStackedLayout>
#include <QSvgGenerator>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>

RatingsHistoryChart::RatingsHistoryChart(QWidget *parent)
    : QWidget(parent),
      chart_(new QChart),
      view_(new QChartView(chart_)),
      countries_(new QComboBox),
      save_(new QPushButton(localized("RatingsHistoryChart", "Save Chart…"))),
      empty_(new QLabel(
          localized("RatingsHistoryChart", "No ratings history yet. It grows with each update."))),
      count_(new QLineSeries),
      average_(new QLineSeries),
      releases_(new QScatterSeries),
      time_(new QDateTimeAxis),
      countAxis_(new QValueAxis),
      averageAxis_(new QValueAxis)
{
    setObjectName(QStringLiteral("RatingsHistoryChart"));
    setAccessibleName(localized("RatingsHistoryChart", "Ratings History"));
    countries_->setAccessibleName(localized("RatingsHistoryChart", "Country"));
    save_->setAccessibleName(save_->text());
    view_->setAccessibleName(localized("RatingsHistoryChart", "Ratings History Chart"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setFocusPolicy(Qt::StrongFocus);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);

    count_->setName(localized("RatingsHistoryChart", "Rating Count"));
    average_->setName(localized("RatingsHistoryChart", "Average Rating"));
    releases_->setName(localized("RatingsHistoryChart", "Releases"));
    releases_->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    for (QAbstractSeries *series : {static_cast<QAbstractSeries *>(count_),
             static_cast<QAbstractSeries *>(average_), static_cast<QAbstractSeries *>(releases_)})
        chart_->addSeries(series);
    time_->setFormat(QLocale().dateFormat(QLocale::ShortFormat));
    countAxis_->setLabelFormat(QStringLiteral("%i"));
    countAxis_->setTitleText(count_->name());
    averageAxis_->setRange(1, 5);
    averageAxis_->setTickCount(5);
    averageAxis_->setLabelFormat(QStringLiteral("%.1f"));
    averageAxis_->setTitleText(average_->name());
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(countAxis_, Qt::AlignLeft);
    chart_->addAxis(averageAxis_, Qt::AlignRight);
    count_->attachAxis(time_);
    count_->attachAxis(countAxis_);
    // Releases sit on the bottom of the average scale, on the time axis.
    for (QXYSeries *series :
        {static_cast<QXYSeries *>(average_), static_cast<QXYSeries *>(releases_)}) {
        series->attachAxis(time_);
        series->attachAxis(averageAxis_);
    }
    chart_->legend()->setAlignment(Qt::AlignBottom);
    connect(releases_, &QScatterSeries::hovered, this, [this](const QPointF &point, bool state) {
        const auto found = std::find_if(releaseLabels_.cbegin(), releaseLabels_.cend(),
            [&](const auto &label) { return qFuzzyCompare(label.first, point.x()); });
        if (state && found != releaseLabels_.cend())
            QToolTip::showText(QCursor::pos(), found->second->text(), view_);
    });
    connect(chart_, &QChart::plotAreaChanged, this, &RatingsHistoryChart::placeReleaseLabels);

    auto *saveAction = new QAction(save_->text(), view_);
    connect(saveAction, &QAction::triggered, this, &RatingsHistoryChart::saveChart);
    view_->addAction(saveAction);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(save_, &QPushButton::clicked, this, &RatingsHistoryChart::saveChart);
    connect(countries_, &QComboBox::currentIndexChanged, this, &RatingsHistoryChart::reload);

    auto *controls = new QHBoxLayout;
    controls->addWidget(countries_);
    controls->addStretch();
    controls->addWidget(save_);
    auto *pages = new QWidget;
    stack_ = new QStackedLayout(pages);
    stack_->addWidget(view_);
    stack_->addWidget(empty_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(pages, 1);
    setTabOrder(countries_, save_);
    setTabOrder(save_, view_);

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
    std::optional<RatingHistory> history;
    if (product_) {
        const QVariant code = countries_->currentData();
        history = RatingHistory::load(product_->managedObjectContext(), product_.get(),
            code.isValid() ? std::optional<QString>(code.toString()) : std::nullopt);
    }
    showHistory(history.value_or(RatingHistory()));
}

void RatingsHistoryChart::showHistory(const RatingHistory &history)
{
    QList<QPointF> counts, averages, releases;
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
    for (auto &[x, label] : releaseLabels_)
        delete label;
    releaseLabels_.clear();
    for (const RatingHistory::Release &release : history.releases) {
        const qreal x = qreal(release.day.toMSecsSinceEpoch());
        releases.append({x, 1.0});
        auto *label = new QGraphicsSimpleTextItem(release.version, chart_);
        label->setBrush(palette().color(QPalette::WindowText));
        releaseLabels_.append({x, label});
    }
    count_->replace(counts);
    average_->replace(averages);
    releases_->replace(releases);
    countries_->setEnabled(product_ != nullptr);
    save_->setEnabled(!history.days.isEmpty());
    stack_->setCurrentWidget(history.days.isEmpty() ? static_cast<QWidget *>(empty_) : view_);
    if (history.days.isEmpty())
        return;
    // One day still spans a day, so that the axis has a width.
    time_->setRange(history.days.first().day,
        history.days.last().day.addDays(history.days.size() == 1 ? 1 : 0));
    countAxis_->setRange(qreal(low), qreal(std::max(high, low + 1)));
    countAxis_->applyNiceNumbers();
    placeReleaseLabels();
}

void RatingsHistoryChart::placeReleaseLabels()
{
    for (const auto &[x, label] : std::as_const(releaseLabels_)) {
        const QPointF at = chart_->mapToPosition({x, 1.0}, releases_);
        label->setPos(at.x() + 4, at.y() - label->boundingRect().height() - 4);
    }
}

bool RatingsHistoryChart::saveToFile(const QString &path)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(view_->size());
            svg.setViewBox(view_->rect());
            svg.setTitle(accessibleName());
            QPainter painter(&svg);
            view_->render(&painter);
            written = painter.end() && file.error() == QFileDevice::NoError;
        } else {
            written = view_->grab().save(&file, "PNG");
        }
        written = written && file.commit();
    }
    if (!written) {
        Presenter::shared().presentError(Error(QStringLiteral("RatingsHistoryChart"), 1,
            {{Error::LocalizedDescriptionKey,
                 formatString(
                     localized("RatingsHistoryChart", "The chart could not be saved as “%@”."),
                     QFileInfo(path).fileName())},
                {Error::LocalizedFailureReasonKey, file.errorString()}}));
    }
    return written;
}

void RatingsHistoryChart::saveChart()
{
    const QString png = localized("RatingsHistoryChart", "PNG Image (*.png)");
    const QString svg = localized("RatingsHistoryChart", "SVG Image (*.svg)");
    QString filter = png;
    QString path =
        QFileDialog::getSaveFileName(this, localized("RatingsHistoryChart", "Save Chart…"),
            localized("RatingsHistoryChart", "Ratings History") + QStringLiteral(".png"),
            png + QStringLiteral(";;") + svg, &filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    saveToFile(path);
}

void RatingsHistoryChart::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyPalette();
    QWidget::changeEvent(event);
}

void RatingsHistoryChart::applyPalette()
{
    const QPalette colours = palette();
    const bool dark = colours.color(QPalette::Window).lightness() < 128;
    chart_->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    // The theme picks the series' colours; the surface and text follow the desktop.
    chart_->setBackgroundBrush(colours.color(QPalette::Base));
    const QColor text = colours.color(QPalette::Text);
    for (QAbstractAxis *axis : chart_->axes()) {
        axis->setLabelsBrush(text);
        axis->setTitleBrush(text);
    }
    chart_->legend()->setLabelColor(text);
    for (const auto &[x, label] : std::as_const(releaseLabels_))
        label->setBrush(text);
    releases_->setMarkerSize(QFontMetricsF(font()).height() * 0.8);
}
