#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

// Draws a row of star images for a rating of 0 to 5 (fractions allowed): the
// one drawing code behind the star column of the lists and the star widget.
// Stars are squares of the frame's smaller side, starting at its left edge.
class StarRatingPainter {
public:
    enum BackgroundStyle { Light = 0, Dark = 1 };

    QColor color = QColor(64, 64, 64); // tint on a light background
    // For a value of at least 1, show the missing stars up to five, faintly.
    bool indicateStars = false;
    // Always show the missing stars up to five, faintly (five for 0).
    bool displayWithoutValue = false;

    // `style` is Light or Dark (a selected row); any other value draws nothing.
    void paint(QPainter &painter, const QRectF &frame, double value, int style) const;

    static constexpr double LightOpacity = 0.8;
    static constexpr double DarkOpacity = 1.0;
    static constexpr double FaintOpacity = 0.25;

private:
    // Tinted images are cached per colour; the cache is per painter object.
    mutable QColor cachedColor_;
    mutable QImage cachedStar_;
    mutable QImage cachedHalfStar_;
};
