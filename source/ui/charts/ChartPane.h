#pragma once

#include <QWidget>

class QChart;
class QChartView;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStackedLayout;

// What every chart of the window has: a row of controls above it that ends
// in Save Chart…, the same in the chart's context menu, a text in its place
// when there is nothing to draw, and the desktop palette's light or dark
// theme. Saving writes PNG or SVG, chosen by the file name's suffix.
class ChartPane : public QWidget {
    Q_OBJECT

public:
    // `emptyText` stands in for an empty chart. The pane is named `name` to
    // assistive tools and in a saved SVG.
    ChartPane(const QString &name, const QString &emptyText, QWidget *parent = nullptr);

    QChart *chart() const { return chart_; }
    QChartView *chartView() const { return view_; }
    QPushButton *saveButton() const { return save_; }
    QLabel *emptyLabel() const { return empty_; }

    // Writes the chart; false, with the error presented once, when it
    // cannot.
    bool saveToFile(const QString &path);
    // Asks for a file name, then saves.
    void saveChart();

protected:
    // Starts the row of controls with `control`, before Save Chart… in the
    // tab order.
    void addLeadingControl(QWidget *control);
    // Shows the chart, or the empty text in its place; only a chart shown
    // can be saved.
    void showChart(bool shown);
    // Takes the palette's theme, surface and text colours. The theme resets
    // the series' colours, so a chart that has its own sets them here after.
    virtual void applyPalette();
    void changeEvent(QEvent *event) override;

private:
    QChart *chart_;
    QChartView *view_;
    QPushButton *save_;
    QLabel *empty_;
    QStackedLayout *stack_;
    QHBoxLayout *controls_;
};
