#pragma once

#include "ui/widgets/StarRatingPainter.h"

#include <QWidget>

// A star rating display. Inside a list it lets clicks through to the row, so
// a click selects the row and never changes the rating.
class RankingIndicator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue)

public:
    explicit RankingIndicator(QWidget *parent = nullptr);

    double value() const { return value_; }
    void setValue(double value);

    // Light, or Dark for a selected row.
    void setBackgroundStyle(int style);
    StarRatingPainter &stars() { return stars_; }

    QSize sizeHint() const override { return QSize(80, 16); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    StarRatingPainter stars_;
    double value_ = 0;
    int backgroundStyle_ = StarRatingPainter::Light;
};
