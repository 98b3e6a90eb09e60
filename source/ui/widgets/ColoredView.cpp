#include "ui/widgets/ColoredView.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextEdit>

ColoredView::ColoredView(QWidget *parent) : QWidget(parent)
{
}

void ColoredView::setColor(const QColor &color)
{
    color_ = color;
    update();
}

void ColoredView::paintEvent(QPaintEvent *)
{
    if (!color_.isValid())
        color_ = Qt::white;
    if (color_.alpha() == 0)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), color_);
}

RoundedView::RoundedView(QWidget *parent) : ColoredView(parent)
{
}

void RoundedView::setRadii(double x, double y)
{
    xRadius_ = x;
    yRadius_ = y;
    update();
}

void RoundedView::paintEvent(QPaintEvent *)
{
    if (!color_.isValid())
        color_ = Qt::white;
    if (xRadius_ == 0 || yRadius_ == 0) {
        xRadius_ = 8;
        yRadius_ = 8;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), xRadius_, yRadius_);
    painter.fillPath(shape, color_);
}

void RoundedView::mousePressEvent(QMouseEvent *event)
{
    QWidget *focused = window()->focusWidget();
    if (qobject_cast<QLineEdit *>(focused) || qobject_cast<QTextEdit *>(focused)
        || qobject_cast<QPlainTextEdit *>(focused) || qobject_cast<QAbstractSpinBox *>(focused))
        focused->clearFocus();
    event->accept();
}
