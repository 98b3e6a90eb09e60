#pragma once

#include "model/ReviewHistory.h"
#include "ui/charts/ChartPane.h"
#include "ui/charts/LatestRead.h"

#include <memory>

class Product;
class QBarSet;
class QDateTimeAxis;
class QScatterSeries;
class QStackedBarSeries;
class QValueAxis;

// The selected product's reviews per week under the review list's version
// and country choices: a stacked bar per week, one part per star value,
// with the week's edited reviews marked above. Reads on a worker thread and
// draws the answer for the product and choices shown at that time only.
// The review list sets the product again whenever it refreshes, after an
// update brought reviews too, which reads the weeks again.
class ReviewsPerWeekChart : public ChartPane {
    Q_OBJECT

public:
    explicit ReviewsPerWeekChart(QWidget *parent = nullptr);
    ~ReviewsPerWeekChart() override;

    // Shows a product (null for none) with its review list choices as they
    // are now; call again after a choice changed.
    void setProduct(const std::shared_ptr<Product> &product);
    std::shared_ptr<Product> product() const { return product_; }

    // One set per star value, one star first; a value per week shown.
    QList<QBarSet *> starSets() const { return sets_; }
    QScatterSeries *editedSeries() const { return edited_; }
    // The weeks drawn, those without reviews included.
    const QList<ReviewHistory::Week> &weeks() const { return weeks_; }
    bool isLoading() const { return read_.isBusy(); }
    // What the tooltip of the week at `index` says: its dates, its reviews
    // by star value and how many of them were edited.
    QString weekSummary(int index) const;

Q_SIGNALS:
    // After an answer was drawn (or the chart emptied for no product).
    void historyShown();

protected:
    void applyPalette() override;

private:
    void reload();
    void showHistory(const ReviewHistory &history);

    std::shared_ptr<Product> product_;
    QList<ReviewHistory::Week> weeks_;

    QStackedBarSeries *bars_;
    QList<QBarSet *> sets_;
    QScatterSeries *edited_;
    QValueAxis *weekIndex_;
    QDateTimeAxis *time_;
    QValueAxis *countAxis_;
    // Last, so that it is destroyed first, waiting for a read in progress.
    LatestRead<std::optional<ReviewHistory>> read_;
};
