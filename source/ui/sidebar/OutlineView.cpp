#include "ui/sidebar/OutlineView.h"

#include "ui/sidebar/SidebarItemDelegate.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>

OutlineView::OutlineView(QWidget *parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setItemDelegate(new SidebarItemDelegate(this));
    header()->setStretchLastSection(true);
    connect(this, &QAbstractItemView::doubleClicked, this, &OutlineView::openRequested);
}

void OutlineView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        Q_EMIT deleteRequested();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (currentIndex().isValid()) {
            Q_EMIT openRequested(currentIndex());
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTreeView::keyPressEvent(event);
}

void OutlineView::contextMenuEvent(QContextMenuEvent *event)
{
    // From the keyboard the menu is for the current row, shown beside it.
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid()) {
        clickedIndex_ = currentIndex();
        const QRect rect = visualRect(currentIndex());
        Q_EMIT contextMenuRequested(clickedIndex_, viewport()->mapToGlobal(rect.bottomLeft()));
    } else {
        clickedIndex_ = indexAt(event->pos());
        Q_EMIT contextMenuRequested(clickedIndex_, event->globalPos());
    }
    event->accept();
}
