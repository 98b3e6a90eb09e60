#pragma once

#include <QColor>
#include <QImage>

// A copy of `image` whose opaque pixels take `color` (source-atop), keeping
// the image's transparency: how template images are coloured for drawing.
QImage tintedImageWithColor(const QImage &image, const QColor &color);
