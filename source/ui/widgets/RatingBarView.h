#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// A horizontal share bar: `doubleValue` of `maxValue`, filled from the left.
class RatingBarView : public QWidget {
    Q_OBJECT

public:
    explicit RatingBarView(QWidget *parent = nullptr);

    double doubleValue() const { return doubleValue_; }
    void setDoubleValue(double value);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value);

    QColor color() const { return color_; }
    void setColor(const QColor &color);
    QColor fillColor() const { return fillColor_; }
    void setFillColor(const QColor &color);

    // The drawing, shared with list delegates. The bar leaves the bottom
    // two pixels free; a maximum of 0 or less fills nothing.
    static void paintBar(QPainter &painter, const QRectF &bounds, double value, double maximum,
        const QColor &color, const QColor &fillColor);

    QSize sizeHint() const override { return QSize(120, 12); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double doubleValue_ = 0;
    double maxValue_ = 100;
    QColor color_; // white at the first drawing when unset
    QColor fillColor_;
};
