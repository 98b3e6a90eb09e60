#pragma once

#include "LatestRead.h"
#include "ManagedObjectContext.h"
#include "ReviewHistory.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class Product;
class QBarSet;
class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QPushButton;
class QScatterSeries;
class QStackedBarSeries;
class QStackedLayout;
class QValueAxis;

// The selected product's reviews per week under the review list's version
// and country choices: a stacked bar per week, one part per star value,
// with the week's edited reviews marked above. Reads on a worker thread and
// draws the answer for the product and choices shown at that time only;
// reads again when the product's reviews change. The chart can be saved as
// PNG or SVG, chosen by the file name's suffix.
class ReviewsPerWeekChart : public QWidget {
    Q_OBJECT

public:
    explicit ReviewsPerWeekChart(QWidget *parent = nullptr);
    ~ReviewsPerWeekChart() override;

    // Shows a product (null for none) with its review list choices as they
    // are now; call again after a choice changed.
    void setProduct(const std::shared_ptr<Product> &product);
    std::shared_ptr<Product> product() const { return product_; }

    QChartView *chartView() const { return view_; }
    QLabel *emptyLabel() const { return empty_; }
    QPushButton *saveButton() const { return save_; }
    // One set per star value, one star first; a value per week shown.
    QList<QBarSet *> starSets() const { return sets_; }
    QScatterSeries *editedSeries() const { return edited_; }
    // The weeks drawn, those without reviews included.
    const QList<ReviewHistory::Week> &weeks() const { return weeks_; }
    bool isLoading() const { return read_.isBusy() || changed_.isActive(); }
    // What the tooltip of the week at `index` says: its dates, its reviews
    // by star value and how many of them were edited.
    QString weekSummary(int index) const;

    // Writes the chart; false, with the error presented, when it cannot.
    bool saveToFile(const QString &path);
    // Asks for a file name, then saves.
    void saveChart();

Q_SIGNALS:
    // After an answer was drawn (or the chart emptied for no product).
    void historyShown();

protected:
    void changeEvent(QEvent *event) override;

private:
    void reload();
    void showHistory(const ReviewHistory &history);
    void contextDidChange(const ChangeNotification &changes);
    void applyPalette();

    std::shared_ptr<Product> product_;
    ManagedObjectContext *observedContext_ = nullptr;
    ManagedObjectContext::ObserverId observer_ = 0;
    QList<ReviewHistory::Week> weeks_;
    // Saves during an update come in quick succession, most of them for
    // other products: one read follows a pause in them.
    QTimer changed_;

    QChart *chart_;
    QChartView *view_;
    QPushButton *save_;
    QLabel *empty_;
    QStackedLayout *stack_;
    QStackedBarSeries *bars_;
    QList<QBarSet *> sets_;
    QScatterSeries *edited_;
    QValueAxis *weekIndex_;
    QDateTimeAxis *time_;
    QValueAxis *countAxis_;
    // Last, so that it is destroyed first, waiting for a read in progress.
    LatestRead<std::optional<ReviewHistory>> read_;
};
