#include "ChartSupport.h"

#include "Error.h"
#include "Presenter.h"
#include "StringFormat.h"

#include <QAbstractAxis>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QFileInfo>
#include <QLegend>
#include <QPainter>
#include <QPalette>
#include <QSaveFile>
#include <QSvgGenerator>

namespace ChartSupport {

void applyPalette(QChart *chart, const QPalette &palette)
{
    const bool dark = palette.color(QPalette::Window).lightness() < 128;
    chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setBackgroundBrush(palette.color(QPalette::Base));
    const QColor text = palette.color(QPalette::Text);
    for (QAbstractAxis *axis : chart->axes()) {
        axis->setLabelsBrush(text);
        axis->setTitleBrush(text);
    }
    chart->legend()->setLabelColor(text);
}

bool saveToFile(QChartView *view, const QString &path, const QString &title)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(view->size());
            svg.setViewBox(view->rect());
            svg.setTitle(title);
            QPainter painter(&svg);
            view->render(&painter);
            written = painter.end() && file.error() == QFileDevice::NoError;
        } else {
            written = view->grab().save(&file, "PNG");
        }
        written = written && file.commit();
    }
    if (!written) {
        Presenter::shared().presentError(Error(QStringLiteral("ChartSupport"), 1,
            {{Error::LocalizedDescriptionKey,
                 formatString(localized("ChartSupport", "The chart could not be saved as “%@”."),
                     QFileInfo(path).fileName())},
                {Error::LocalizedFailureReasonKey, file.errorString()}}));
    }
    return written;
}

void saveWithDialog(QWidget *parent, QChartView *view, const QString &name)
{
    const QString png = localized("ChartSupport", "PNG Image (*.png)");
    const QString svg = localized("ChartSupport", "SVG Image (*.svg)");
    QString filter = png;
    QString path = QFileDialog::getSaveFileName(parent, localized("ChartSupport", "Save Chart…"),
        name + QStringLiteral(".png"), png + QStringLiteral(";;") + svg, &filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    saveToFile(view, path, name);
}

} // namespace ChartSupport
