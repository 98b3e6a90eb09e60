#pragma once

#include "LatestRead.h"
#include "RatingHistory.h"

#include <QWidget>

#include <QList>

#include <memory>

class Product;
class QChart;
class QChartView;
class QComboBox;
class QGraphicsSimpleTextItem;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QStackedLayout;
class QValueAxis;

// The selected app's rating count and average over time, over all countries
// or one, with its releases marked on the time axis. The chart can be saved
// as PNG or SVG, chosen by the file name's suffix.
class RatingsHistoryChart : public QWidget {
    Q_OBJECT

public:
    explicit RatingsHistoryChart(QWidget *parent = nullptr);
    ~RatingsHistoryChart() override;

    void setProduct(const std::shared_ptr<Product> &product);
    // Null for all countries.
    void setCountryCode(const QString &countryCode);

    QChartView *chartView() const { return view_; }
    QComboBox *countryMenu() const { return countries_; }
    QLabel *emptyLabel() const { return empty_; }
    QLineSeries *countSeries() const { return count_; }
    QLineSeries *averageSeries() const { return average_; }
    QList<QGraphicsSimpleTextItem *> releaseLabels() const;
    // A read runs on a worker thread; the chart shows its answer after.
    bool isLoading() const { return read_.isBusy(); }

    // Writes the chart; false, with the error presented, when it cannot.
    bool saveToFile(const QString &path);
    // Asks for a file name, then saves.
    void saveChart();

Q_SIGNALS:
    // After an answer was drawn.
    void historyShown();

protected:
    void changeEvent(QEvent *event) override;

private:
    void reloadCountries();
    void reload();
    void showHistory(const RatingHistory &history);
    void applyPalette();
    void showReleases(const QList<RatingHistory::Release> &releases);
    void styleReleases();
    void placeReleaseLabels();

    std::shared_ptr<Product> product_;
    QChart *chart_;
    QChartView *view_;
    QComboBox *countries_;
    QPushButton *save_;
    QLabel *empty_;
    QStackedLayout *stack_;
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
