#include "ui/charts/ChartPane.h"

#include "platform/Error.h"
#include "platform/Presenter.h"
#include "platform/StringFormat.h"

#include <QAbstractAxis>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedLayout>
#include <QSvgGenerator>
#include <QVBoxLayout>

ChartPane::ChartPane(const QString &name, const QString &emptyText, QWidget *parent)
    : QWidget(parent),
      chart_(new QChart),
      view_(new QChartView(chart_)),
      save_(new QPushButton(localized("ChartPane", "Save Chart…"))),
      empty_(new QLabel(emptyText))
{
    setAccessibleName(name);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setFocusPolicy(Qt::StrongFocus);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);

    auto *saveAction = new QAction(save_->text(), view_);
    connect(saveAction, &QAction::triggered, this, &ChartPane::saveChart);
    view_->addAction(saveAction);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(save_, &QPushButton::clicked, this, &ChartPane::saveChart);

    controls_ = new QHBoxLayout;
    controls_->addStretch();
    controls_->addWidget(save_);
    auto *pages = new QWidget;
    stack_ = new QStackedLayout(pages);
    stack_->addWidget(view_);
    stack_->addWidget(empty_);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(controls_);
    layout->addWidget(pages, 1);
    setTabOrder(save_, view_);
}

void ChartPane::addLeadingControl(QWidget *control)
{
    controls_->insertWidget(0, control);
    setTabOrder(control, save_);
}

void ChartPane::showChart(bool shown)
{
    save_->setEnabled(shown);
    stack_->setCurrentWidget(shown ? static_cast<QWidget *>(view_) : empty_);
}

void ChartPane::applyPalette()
{
    const QPalette colours = palette();
    const bool dark = colours.color(QPalette::Window).lightness() < 128;
    chart_->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart_->setBackgroundBrush(colours.color(QPalette::Base));
    const QColor text = colours.color(QPalette::Text);
    for (QAbstractAxis *axis : chart_->axes()) {
        axis->setLabelsBrush(text);
        axis->setTitleBrush(text);
    }
    chart_->legend()->setLabelColor(text);
}

void ChartPane::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyPalette();
    QWidget::changeEvent(event);
}

bool ChartPane::saveToFile(const QString &path)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(view_->size());
            svg.setViewBox(view_->rect());
            svg.setTitle(accessibleName());
            QPainter painter(&svg);
            view_->render(&painter);
            written = painter.end() && file.error() == QFileDevice::NoError;
        } else {
            written = view_->grab().save(&file, "PNG");
        }
        written = written && file.commit();
    }
    if (!written) {
        Presenter::shared().presentError(Error(QStringLiteral("ChartPane"), 1,
            {{Error::LocalizedDescriptionKey,
                 formatString(localized("ChartPane", "The chart could not be saved as “%@”."),
                     QFileInfo(path).fileName())},
                {Error::LocalizedFailureReasonKey, file.errorString()}}));
    }
    return written;
}

void ChartPane::saveChart()
{
    const QString png = localized("ChartPane", "PNG Image (*.png)");
    const QString svg = localized("ChartPane", "SVG Image (*.svg)");
    QString filter = png;
    QString path = QFileDialog::getSaveFileName(this, localized("ChartPane", "Save Chart…"),
        accessibleName() + QStringLiteral(".png"), png + QStringLiteral(";;") + svg, &filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    saveToFile(path);
}
