#pragma once

#include "ui/sidebar/TreeItemModel.h"

#include <QPointer>

class QMimeData;

// The sidebar's rows with internal drag and drop: groups are reordered at the
// top level, products only among the siblings of their own group. The drag
// carries no data of its own; the dragged nodes stay here until the drop.
class SidebarItemModel : public TreeItemModel {
    Q_OBJECT

public:
    static const QString ProductNodesPBoardType; // "ProductNodesPBoardType"

    explicit SidebarItemModel(TreeController *controller, QObject *parent = nullptr);

    // The node is one of `nodes` or lies below one of them.
    static bool treeNodeIsDescendantOfOrOneOfNodes(TreeNode *node, const QList<TreeNode *> &nodes);

    QList<TreeNode *> draggedTreeNodes() const { return draggedTreeNodesArray_; }

    // Screen readers hear the unread count with the title.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) override;

Q_SIGNALS:
    // A move was accepted and the tree controller has renumbered the rows.
    void nodesMoved();

private:
    bool isOwnDrag(const QMimeData *data) const;

    TreeController *controller_;
    mutable QList<TreeNode *> draggedTreeNodesArray_;
    mutable QPointer<const QMimeData> dragData_;
};
