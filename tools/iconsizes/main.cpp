// Writes SOURCE scaled to each SIZE as FOLDER/<size>x<size>/apps/NAME.png,
// the layout of the hicolor icon theme. No application object: reading and
// writing PNG needs neither a display nor plugins.

#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: iconsizes SOURCE NAME FOLDER SIZE...\n");
        return 2;
    }
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QDir folder(QString::fromLocal8Bit(argv[3]));
    QImage source(sourcePath);
    if (source.isNull()) {
        std::fprintf(stderr, "iconsizes: cannot read %s\n", argv[1]);
        return 1;
    }
    source = source.convertToFormat(QImage::Format_ARGB32);
    for (int i = 4; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            std::fprintf(stderr, "iconsizes: \"%s\" is not a size\n", argv[i]);
            return 2;
        }
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        if (!folder.mkpath(sub)) {
            std::fprintf(stderr, "iconsizes: cannot create %s\n", qPrintable(folder.filePath(sub)));
            return 1;
        }
        const QImage scaled = size == source.width() && size == source.height()
            ? source
            : source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString path =
            folder.filePath(sub + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!scaled.save(path, "PNG")) {
            std::fprintf(stderr, "iconsizes: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
