#pragma once

#include <QAbstractItemModel>

class TreeController;
class TreeNode;

// Shows a tree controller's nodes to a QTreeView, one column. The roles are
// answered by the controller's accessor for each node's object.
class TreeItemModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Role {
        TitleRole = Qt::DisplayRole,
        ImageRole = Qt::DecorationRole,
        UnreadCountRole = Qt::UserRole + 1,
        GroupRowStyleRole,
        ObjectRole,
    };

    explicit TreeItemModel(TreeController *controller, QObject *parent = nullptr);

    TreeNode *nodeForIndex(const QModelIndex &index) const;
    QModelIndex indexForNode(TreeNode *node) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    TreeController *controller_;
};
