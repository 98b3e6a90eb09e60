#include "ui/sidebar/SidebarItemDelegate.h"

#include "model/Product.h"
#include "ui/sidebar/BaseNodeTreeAccessor.h"
#include "ui/sidebar/TreeItemModel.h"
#include "ui/widgets/BadgeTextFieldCell.h"
#include "ui/widgets/ImageTinting.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

namespace {
constexpr int ImageSide = 16;
constexpr int Spacing = 6;
} // namespace

QSize SidebarItemDelegate::sizeHint(
    const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(RowHeight);
    return size;
}

void SidebarItemDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.data(TreeItemModel::GroupRowStyleRole).toBool())
        paintHeader(painter, option, index);
    else
        paintProduct(painter, option, index);
}

void SidebarItemDelegate::paintHeader(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    QFont font = option.font;
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 0.85);
    font.setCapitalization(QFont::AllUppercase);
    painter->setFont(font);
    // Placeholder text colour keeps headers quieter than rows in light and dark palettes.
    painter->setPen(option.palette.color(QPalette::PlaceholderText));
    const QRect text = option.rect.adjusted(2, 0, -2, 0);
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(font).elidedText(
            index.data(TreeItemModel::TitleRole).toString(), Qt::ElideRight, text.width()));
    painter->restore();
}

void SidebarItemDelegate::paintProduct(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // The style draws the selected-row plate in the palette's highlight.
    opt.text.clear();
    opt.icon = {};
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    QRect rect = option.rect.adjusted(2, 0, -4, 0);

    const bool selected = option.state & QStyle::State_Selected;
    const QColor textColor = option.palette.color(
        opt.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive,
        selected ? QPalette::HighlightedText : QPalette::Text);

    QImage image = index.data(TreeItemModel::ImageRole).value<QImage>();
    // Placeholders are templates: coloured like the text, so they show on a
    // dark palette and on the selection plate.
    const auto product = std::dynamic_pointer_cast<Product>(
        BaseNodeTreeAccessor::node(index.data(TreeItemModel::ObjectRole).value<TreeObject>()));
    if (!image.isNull() && product && !product->hasStoredImage())
        image = tintedImageWithColor(image, textColor);
    if (!image.isNull()) {
        const QRect imageRect(
            rect.left(), rect.top() + (rect.height() - ImageSide) / 2, ImageSide, ImageSide);
        painter->drawImage(imageRect, image);
        rect.setLeft(imageRect.right() + 1 + Spacing);
    }

    const QVariant unread = index.data(TreeItemModel::UnreadCountRole);
    if (unread.isValid() && unread.toLongLong() > 0) {
        BadgeTextFieldCell badge;
        badge.title = QLocale().toString(unread.toLongLong());
        badge.font = option.font;
        badge.font.setBold(true);
        badge.font.setPointSizeF(badge.font.pointSizeF() * 0.85);
        const QSize size = badge.sizeForTitle();
        const QRect badgeRect(rect.right() - size.width() + 1,
            rect.top() + (rect.height() - size.height()) / 2, size.width(), size.height());
        badge.drawWithFrame(*painter, badgeRect);
        rect.setRight(badgeRect.left() - Spacing);
    }

    painter->setPen(textColor);
    painter->setFont(option.font);
    painter->drawText(rect, Qt::AlignVCenter | Qt::AlignLeft,
        option.fontMetrics.elidedText(
            index.data(TreeItemModel::TitleRole).toString(), Qt::ElideRight, rect.width()));
    painter->restore();
}
