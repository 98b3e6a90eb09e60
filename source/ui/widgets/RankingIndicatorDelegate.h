#pragma once

#include "ui/widgets/StarRatingPainter.h"

#include <QStyledItemDelegate>

// Shows a number of stars in a list column; selected rows get the light
// alternate stars. Display only: a click selects the row and never edits.
class RankingIndicatorDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit RankingIndicatorDelegate(QObject *parent = nullptr);

    StarRatingPainter &stars() { return stars_; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(
        QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }

protected:
    bool editorEvent(
        QEvent *, QAbstractItemModel *, const QStyleOptionViewItem &, const QModelIndex &) override
    {
        return false;
    }

private:
    mutable StarRatingPainter stars_;
    QColor lightTint_ = StarRatingPainter().color;
};
