// Draws every image the application ships, so that the artwork is ours and
// can be redrawn at another size. Template images are black shapes on
// transparency; the controls tint them.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

QPainterPath starPath(const QRectF &box)
{
    QPainterPath path;
    const QPointF centre = box.center();
    const double outer = box.width() / 2.0;
    const double inner = outer * 0.4;
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2) ? inner : outer;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(centre.x() + radius * std::cos(angle),
                            centre.y() + 0.06 * box.height() + radius * std::sin(angle));
        i ? path.lineTo(point) : path.moveTo(point);
    }
    path.closeSubpath();
    return path;
}

QImage canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void save(const QImage &image, const QDir &dir, const char *name)
{
    const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!image.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

void drawWith(QImage &image, const std::function<void(QPainter &, double)> &draw)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, image.width());
}

void stars(const QDir &dir, const QColor &colour, const char *full, const char *half)
{
    QImage star = canvas(64);
    drawWith(star, [&](QPainter &p, double s) {
        p.fillPath(starPath(QRectF(2, 2, s - 4, s - 4)), colour);
    });
    save(star, dir, full);

    QImage halfStar = canvas(64);
    drawWith(halfStar, [&](QPainter &p, double s) {
        p.setClipRect(QRectF(0, 0, s / 2, s));
        p.fillPath(starPath(QRectF(2, 2, s - 4, s - 4)), colour);
    });
    save(halfStar, dir, half);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: artwork <output folder>\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    const QColor ink(0, 0, 0);

    stars(dir, ink, "StarTemplate", "HalfStarTemplate");
    stars(dir, Qt::white, "StarAlternateTemplate", "HalfStarAlternateTemplate");

    // An app: a rounded tile with a grid of four rounded squares cut out.
    QImage app = canvas(128);
    drawWith(app, [&](QPainter &p, double s) {
        QPainterPath tile;
        tile.addRoundedRect(QRectF(8, 8, s - 16, s - 16), 26, 26);
        QPainterPath holes;
        const double cell = (s - 16) / 2;
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                holes.addRoundedRect(QRectF(8 + c * cell + 14, 8 + r * cell + 14, cell - 28,
                                            cell - 28),
                                     8, 8);
        p.fillPath(tile.subtracted(holes), ink);
    });
    save(app, dir, "AppIconPlaceholderTemplate");

    // A book: two pages open from the spine.
    QImage book = canvas(128);
    drawWith(book, [&](QPainter &p, double s) {
        QPainterPath left, right;
        left.moveTo(s / 2 - 3, 30);
        left.cubicTo(s / 2 - 20, 20, 30, 18, 12, 24);
        left.lineTo(12, s - 22);
        left.cubicTo(30, s - 28, s / 2 - 20, s - 26, s / 2 - 3, s - 16);
        left.closeSubpath();
        QTransform mirror;
        mirror.translate(s, 0);
        mirror.scale(-1, 1);
        right = mirror.map(left);
        p.fillPath(left, ink);
        p.fillPath(right, ink);
    });
    save(book, dir, "BookPlaceholderTemplate");

    // A podcast: a microphone head inside two broadcast arcs.
    QImage podcast = canvas(128);
    drawWith(podcast, [&](QPainter &p, double s) {
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(s / 2, s / 2 - 6), 14, 14);
        p.drawRoundedRect(QRectF(s / 2 - 7, s / 2 + 4, 14, 40), 7, 7);
        QPen arc(ink, 9, Qt::SolidLine, Qt::RoundCap);
        p.setPen(arc);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s / 2 - 34, s / 2 - 40, 68, 68), 200 * 16, 140 * 16 - 400 * 16);
        p.drawArc(QRectF(s / 2 - 54, s / 2 - 60, 108, 108), 210 * 16, -240 * 16);
    });
    save(podcast, dir, "PodcastPlaceholderTemplate");

    // The collapsible search field's button: a magnifier, plain and pushed.
    for (const bool pushed : {false, true}) {
        QImage search = canvas(64);
        drawWith(search, [&](QPainter &p, double s) {
            if (pushed) {
                p.setBrush(QColor(0, 0, 0, 60));
                p.setPen(Qt::NoPen);
                p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
            }
            p.setPen(QPen(ink, 6, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(s * 0.42, s * 0.42), s * 0.2, s * 0.2);
            p.drawLine(QPointF(s * 0.57, s * 0.57), QPointF(s * 0.78, s * 0.78));
        });
        save(search, dir, pushed ? "search-pushed" : "search");
    }

    // The application icon: a speech bubble holding a star.
    QImage icon = canvas(256);
    drawWith(icon, [&](QPainter &p, double s) {
        QLinearGradient fill(0, 0, 0, s);
        fill.setColorAt(0, QColor(255, 176, 59));
        fill.setColorAt(1, QColor(232, 107, 36));
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(16, 20, s - 32, s - 72), 48, 48);
        QPainterPath tail;
        tail.moveTo(60, s - 60);
        tail.lineTo(52, s - 14);
        tail.lineTo(110, s - 56);
        tail.closeSubpath();
        p.fillPath(bubble.united(tail), fill);
        p.fillPath(starPath(QRectF(s / 2 - 62, 38, 124, 124)), Qt::white);
    });
    save(icon, dir, "ReviewKeeper");
    return 0;
}
