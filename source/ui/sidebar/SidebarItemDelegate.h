#pragma once

#include <QStyledItemDelegate>

// Draws the sidebar's rows, 24 pixels high: group rows as a small header,
// product rows as artwork, title and the unread badge.
class SidebarItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int RowHeight = 24;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void paintHeader(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    void paintProduct(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
};
