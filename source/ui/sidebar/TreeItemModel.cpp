#include "ui/sidebar/TreeItemModel.h"

#include "ui/sidebar/TreeController.h"

TreeItemModel::TreeItemModel(TreeController *controller, QObject *parent)
    : QAbstractItemModel(parent), controller_(controller)
{
    connect(controller, &TreeController::aboutToReset, this, [this] { beginResetModel(); });
    connect(controller, &TreeController::didReset, this, [this] { endResetModel(); });
    connect(controller, &TreeController::aboutToInsert, this,
        [this](TreeNode *parent, int row) { beginInsertRows(indexForNode(parent), row, row); });
    connect(controller, &TreeController::didInsert, this, [this] { endInsertRows(); });
    connect(controller, &TreeController::aboutToRemove, this,
        [this](TreeNode *parent, int row) { beginRemoveRows(indexForNode(parent), row, row); });
    connect(controller, &TreeController::didRemove, this, [this] { endRemoveRows(); });
    connect(controller, &TreeController::aboutToMove, this,
        [this](TreeNode *from, int fromRow, TreeNode *to, int toRow) {
            beginMoveRows(indexForNode(from), fromRow, fromRow, indexForNode(to), toRow);
        });
    connect(controller, &TreeController::didMove, this, [this] { endMoveRows(); });
    connect(controller, &TreeController::nodeChanged, this, [this](TreeNode *node) {
        const QModelIndex index = indexForNode(node);
        Q_EMIT dataChanged(index, index);
    });
}

TreeNode *TreeItemModel::nodeForIndex(const QModelIndex &index) const
{
    if (!index.isValid())
        return controller_->rootNode();
    return static_cast<TreeNode *>(index.internalPointer());
}

QModelIndex TreeItemModel::indexForNode(TreeNode *node) const
{
    if (!node || node == controller_->rootNode())
        return {};
    return createIndex(node->row(), 0, node);
}

QModelIndex TreeItemModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    TreeNode *node = nodeForIndex(parent);
    if (!node || row >= node->childCount())
        return {};
    return createIndex(row, 0, node->childAt(row));
}

QModelIndex TreeItemModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    return indexForNode(nodeForIndex(child)->parentNode());
}

int TreeItemModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    TreeNode *node = nodeForIndex(parent);
    return node && !(parent.isValid() && node->isLeaf()) ? node->childCount() : 0;
}

int TreeItemModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool TreeItemModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant TreeItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    TreeNode *node = nodeForIndex(index);
    if (role == ObjectRole)
        return QVariant::fromValue(node->representedObject());
    return controller_->accessor()->data(node->representedObject(), role);
}

Qt::ItemFlags TreeItemModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    const QVariant groupStyle = data(index, GroupRowStyleRole);
    if (!groupStyle.toBool())
        flags |= Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    else
        flags |= Qt::ItemIsDropEnabled;
    if (nodeForIndex(index)->isLeaf())
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

QHash<int, QByteArray> TreeItemModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(TitleRole, "title");
    names.insert(ImageRole, "image");
    names.insert(UnreadCountRole, "unreadCount");
    names.insert(GroupRowStyleRole, "groupRowStyle");
    names.insert(ObjectRole, "object");
    return names;
}
