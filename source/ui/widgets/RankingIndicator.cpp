#include "ui/widgets/RankingIndicator.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>

RankingIndicator::RankingIndicator(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void RankingIndicator::setValue(double value)
{
    if (value_ == value)
        return;
    value_ = value;
    update();
}

void RankingIndicator::setBackgroundStyle(int style)
{
    backgroundStyle_ = style;
    update();
}

void RankingIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    stars_.paint(painter, QRectF(rect()), value_, backgroundStyle_);
}

void RankingIndicator::mousePressEvent(QMouseEvent *event)
{
    // Ignored events travel to the parent: inside a list that is the row,
    // which selects itself. The rating is never edited here.
    event->ignore();
}
