#pragma once

#include <QString>

class QChart;
class QChartView;
class QPalette;
class QWidget;

// What the charts share: following the desktop's light or dark palette, and
// saving what the view shows as PNG or SVG, chosen by the file name's suffix.
namespace ChartSupport {

// The light or dark theme by the palette's window colour; the surface,
// axis texts and legend take the palette's own colours. The theme resets
// the series' colours, so a chart sets its own after this.
void applyPalette(QChart *chart, const QPalette &palette);

// Writes the view's picture; false, with the error presented once, when it
// cannot. `title` names an SVG's content.
bool saveToFile(QChartView *view, const QString &path, const QString &title);
// Asks for a file name (PNG or SVG), then saves; `name` is the proposed
// name without a suffix.
void saveWithDialog(QWidget *parent, QChartView *view, const QString &name);

} // namespace ChartSupport
