#include "ui/widgets/RankingIndicatorDelegate.h"

#include <QApplication>
#include <QPainter>

RankingIndicatorDelegate::RankingIndicatorDelegate(QObject *parent) : QStyledItemDelegate(parent)
{
}

void RankingIndicatorDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The row's background and selection come from the style; the stars
    // replace the text.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const QVariant value = index.data(Qt::DisplayRole);
    if (!value.isValid())
        return;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    // On a dark base the stars take the text colour, as dark grey would
    // vanish there; a light base keeps the painter's own tint.
    const bool darkBase = option.palette.color(QPalette::Base).lightness() < 128;
    const QColor tint = darkBase ? option.palette.color(QPalette::Text) : lightTint_;
    if (stars_.color != tint)
        stars_.color = tint;
    const QRectF frame = QRectF(option.rect).adjusted(2, 2, -2, -2);
    stars_.paint(*painter, frame, value.toDouble(),
        selected ? StarRatingPainter::Dark : StarRatingPainter::Light);
}

QSize RankingIndicatorDelegate::sizeHint(
    const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int height = std::max(16, option.fontMetrics.height());
    return QSize(5 * height + 4, height + 4);
}
