#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;
class QRect;

// A count drawn as white text on a green rounded plate, as in the sidebar's
// unread badges. An empty title draws nothing at all.
class BadgeTextFieldCell {
public:
    static const QColor PlateColor; // (4, 128, 64)

    QString title;
    QFont font;

    bool shouldDraw() const { return !title.isEmpty(); }
    void drawWithFrame(QPainter &painter, const QRect &frame) const;

    // The plate's size for the title, with room around the text.
    QSize sizeForTitle() const;
};
