#pragma once

#include "model/RatingHistory.h"
#include "ui/charts/ChartPane.h"
#include "ui/charts/LatestRead.h"

#include <QList>

#include <memory>

class Product;
class QComboBox;
class QGraphicsSimpleTextItem;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

// The selected app's rating count and average over time, over all countries
// or one, with its releases marked on the time axis.
class RatingsHistoryChart : public ChartPane {
    Q_OBJECT

public:
    explicit RatingsHistoryChart(QWidget *parent = nullptr);
    ~RatingsHistoryChart() override;

    void setProduct(const std::shared_ptr<Product> &product);
    // Null for all countries.
    void setCountryCode(const QString &countryCode);

    QComboBox *countryMenu() const { return countries_; }
    QLineSeries *countSeries() const { return count_; }
    QLineSeries *averageSeries() const { return average_; }
    QList<QGraphicsSimpleTextItem *> releaseLabels() const;
    // A read runs on a worker thread; the chart shows its answer after.
    bool isLoading() const { return read_.isBusy(); }

Q_SIGNALS:
    // After an answer was drawn.
    void historyShown();

protected:
    void applyPalette() override;

private:
    void reloadCountries();
    void reload();
    void showHistory(const RatingHistory &history);
    void showReleases(const QList<RatingHistory::Release> &releases);
    void styleReleases();
    void placeReleaseLabels();

    std::shared_ptr<Product> product_;
    QComboBox *countries_;
    QLineSeries *count_;
    QLineSeries *average_;
    QDateTimeAxis *time_;
    QValueAxis *countAxis_;
    QValueAxis *averageAxis_;
    struct Release {
        QLineSeries *line;
        QGraphicsSimpleTextItem *label;
    };
    QList<Release> releases_;
    // Last, so that it is destroyed first, waiting for a read in progress.
    LatestRead<std::optional<RatingHistory>> read_;
};
