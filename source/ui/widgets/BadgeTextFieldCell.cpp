#include "ui/widgets/BadgeTextFieldCell.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

const QColor BadgeTextFieldCell::PlateColor = QColor(4, 128, 64);

void BadgeTextFieldCell::drawWithFrame(QPainter &painter, const QRect &frame) const
{
    if (!shouldDraw())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(frame), 4, 4);
    painter.fillPath(plate, PlateColor);
    painter.setPen(Qt::white);
    painter.setFont(font);
    painter.drawText(frame, Qt::AlignCenter, title);
    painter.restore();
}

QSize BadgeTextFieldCell::sizeForTitle() const
{
    const QFontMetrics metrics(font);
    return QSize(metrics.horizontalAdvance(title) + 12, metrics.height() + 2);
}
