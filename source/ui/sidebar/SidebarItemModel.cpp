#include "ui/sidebar/SidebarItemModel.h"

#include "platform/StringFormat.h"
#include "ui/sidebar/TreeController.h"
#include "ui/sidebar/TreeNode.h"

#include <QLocale>
#include <QMimeData>

const QString SidebarItemModel::ProductNodesPBoardType = QStringLiteral("ProductNodesPBoardType");

SidebarItemModel::SidebarItemModel(TreeController *controller, QObject *parent)
    : TreeItemModel(controller, parent), controller_(controller)
{
    // A rebuilt tree frees the nodes a drag may still name.
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this,
        [this] { draggedTreeNodesArray_.clear(); });
}

bool SidebarItemModel::treeNodeIsDescendantOfOrOneOfNodes(
    TreeNode *node, const QList<TreeNode *> &nodes)
{
    for (TreeNode *candidate : nodes) {
        if (candidate == node || candidate->descendants().contains(node))
            return true;
    }
    return false;
}

QVariant SidebarItemModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::AccessibleTextRole)
        return TreeItemModel::data(index, role);
    const QString title = TreeItemModel::data(index, TitleRole).toString();
    const qint64 unread = TreeItemModel::data(index, UnreadCountRole).toLongLong();
    if (unread <= 0)
        return title;
    return formatString(tr("%@, %@ unread"), title, QLocale().toString(unread));
}

Qt::ItemFlags SidebarItemModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = TreeItemModel::flags(index);
    if (!index.isValid())
        return Qt::ItemIsDropEnabled; // groups are reordered at the top level
    // Groups can be dragged too, and every row takes drops between its children.
    return flags | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList SidebarItemModel::mimeTypes() const
{
    return {ProductNodesPBoardType};
}

QMimeData *SidebarItemModel::mimeData(const QModelIndexList &indexes) const
{
    QList<TreeNode *> nodes;
    for (const QModelIndex &index : indexes) {
        if (TreeNode *node = nodeForIndex(index); node && index.isValid() && !nodes.contains(node))
            nodes << node;
    }
    if (nodes.isEmpty())
        return nullptr;
    draggedTreeNodesArray_ = nodes;
    auto *data = new QMimeData;
    data->setData(ProductNodesPBoardType, QByteArray());
    dragData_ = data;
    return data;
}

Qt::DropActions SidebarItemModel::supportedDragActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions SidebarItemModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

bool SidebarItemModel::isOwnDrag(const QMimeData *data) const
{
    return data && data == dragData_ && data->hasFormat(ProductNodesPBoardType)
        && !draggedTreeNodesArray_.isEmpty();
}

bool SidebarItemModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row,
    int column, const QModelIndex &parent) const
{
    Q_UNUSED(action);
    Q_UNUSED(column);
    // Only drops between rows, of a drag that started here.
    if (row < 0 || !isOwnDrag(data))
        return false;
    const auto isGroupRow = [this](TreeNode *node) {
        return this->data(indexForNode(node), GroupRowStyleRole).toBool();
    };
    if (!parent.isValid()) {
        for (TreeNode *node : std::as_const(draggedTreeNodesArray_)) {
            if (!isGroupRow(node))
                return false;
        }
        return true;
    }
    TreeNode *target = nodeForIndex(parent);
    for (TreeNode *node : std::as_const(draggedTreeNodesArray_)) {
        if (isGroupRow(node) || node->parentNode() != target)
            return false;
    }
    return !treeNodeIsDescendantOfOrOneOfNodes(target, draggedTreeNodesArray_);
}

bool SidebarItemModel::dropMimeData(
    const QMimeData *data, Qt::DropAction action, int row, int column, const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const IndexPath destination = parent.isValid()
        ? nodeForIndex(parent)->indexPath().indexPathByAddingIndex(row)
        : IndexPath({row});
    const QList<TreeNode *> nodes = draggedTreeNodesArray_;
    draggedTreeNodesArray_.clear();
    controller_->moveNodes(nodes, destination);
    Q_EMIT nodesMoved();
    // The view's follow-up removal of the source rows finds nothing to remove:
    // the model takes no removeRows, the move is already done.
    return true;
}
