#include "ui/widgets/RatingBarView.h"

#include <QPainter>

#include <cmath>

RatingBarView::RatingBarView(QWidget *parent) : QWidget(parent)
{
}

void RatingBarView::setDoubleValue(double value)
{
    doubleValue_ = value;
    update();
}

void RatingBarView::setMaxValue(double value)
{
    maxValue_ = value;
    update();
}

void RatingBarView::setColor(const QColor &color)
{
    color_ = color;
    update();
}

void RatingBarView::setFillColor(const QColor &color)
{
    fillColor_ = color;
    update();
}

void RatingBarView::paintBar(QPainter &painter, const QRectF &bounds, double value, double maximum,
    const QColor &color, const QColor &fillColor)
{
    const QRectF bar(bounds.x(), bounds.y(), bounds.width(), std::max(0.0, bounds.height() - 2));
    painter.fillRect(bar, color.isValid() ? color : QColor(Qt::white));
    if (!(maximum > 0) || !fillColor.isValid() || !std::isfinite(value))
        return;
    const double share = std::clamp(value / maximum, 0.0, 1.0);
    painter.fillRect(QRectF(bar.x(), bar.y(), share * bounds.width(), bar.height()), fillColor);
}

void RatingBarView::paintEvent(QPaintEvent *)
{
    if (!color_.isValid())
        color_ = Qt::white;
    QPainter painter(this);
    paintBar(painter, QRectF(rect()), doubleValue_, maxValue_, color_, fillColor_);
}
