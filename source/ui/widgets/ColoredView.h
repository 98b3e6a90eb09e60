#pragma once

#include <QColor>
#include <QWidget>

// A plain background: filled with its colour (white when unset), nothing
// when the colour is fully transparent.
class ColoredView : public QWidget {
    Q_OBJECT

public:
    explicit ColoredView(QWidget *parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

    QColor color_;
};

// A rounded background (radius 8 when left at 0). A click on it ends text
// editing in the window and goes no further.
class RoundedView : public ColoredView {
    Q_OBJECT

public:
    explicit RoundedView(QWidget *parent = nullptr);

    double xRadius() const { return xRadius_; }
    double yRadius() const { return yRadius_; }
    void setRadii(double x, double y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    double xRadius_ = 0;
    double yRadius_ = 0;
};
