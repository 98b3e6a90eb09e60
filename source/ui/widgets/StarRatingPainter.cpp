#include "ui/widgets/StarRatingPainter.h"

#include "Resources.h"
#include "ui/widgets/ImageTinting.h"

#include <QHash>
#include <QPainter>

#include <cmath>

namespace {

const QImage &image(const char *name)
{
    // The four star images are loaded once for the process.
    static QHash<QString, QImage> images;
    const QString key = QString::fromLatin1(name);
    auto it = images.find(key);
    if (it == images.end())
        it = images.insert(key, QImage(Resources::imagePath(key)));
    return *it;
}

} // namespace

void StarRatingPainter::paint(QPainter &painter, const QRectF &frame, double value, int style) const
{
    QImage star;
    QImage halfStar;
    double opacity = 0;
    switch (style) {
    case Light:
        if (cachedColor_ != color || cachedStar_.isNull()) {
            cachedColor_ = color;
            cachedStar_ = tintedImageWithColor(image("StarTemplate"), color);
            cachedHalfStar_ = tintedImageWithColor(image("HalfStarTemplate"), color);
        }
        star = cachedStar_;
        halfStar = cachedHalfStar_;
        opacity = LightOpacity;
        break;
    case Dark:
        star = image("StarAlternateTemplate");
        halfStar = image("HalfStarAlternateTemplate");
        opacity = DarkOpacity;
        break;
    default:
        return;
    }
    if (!std::isfinite(value))
        return;

    const double side = std::min(frame.width(), frame.height());
    if (side <= 0)
        return;
    const int whole = int(std::trunc(value));
    const auto square = [&](int position) {
        return QRectF(frame.x() + position * side, frame.y(), side, side);
    };

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    painter.setOpacity(opacity);
    for (int k = 0; k < std::min(whole, 5); ++k)
        painter.drawImage(square(k), star);

    if ((whole > 0 && indicateStars) || displayWithoutValue) {
        painter.setOpacity(FaintOpacity);
        for (int k = std::max(whole, 0); k < 5; ++k)
            painter.drawImage(square(k), star);
    }

    if (std::fmod(value, 1.0) != 0.0 && whole >= 0 && whole < 5) {
        painter.setOpacity(opacity);
        painter.drawImage(square(whole), halfStar);
    }
    painter.restore();
}
