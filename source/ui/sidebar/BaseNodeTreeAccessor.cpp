#include "ui/sidebar/BaseNodeTreeAccessor.h"

#include "model/BaseNode.h"
#include "model/Product.h"
#include "ui/sidebar/TreeItemModel.h"

std::shared_ptr<BaseNode> BaseNodeTreeAccessor::node(const TreeObject &object)
{
    // Every object of this accessor's trees is a BaseNode.
    return std::static_pointer_cast<BaseNode>(object);
}

QList<TreeObject> BaseNodeTreeAccessor::children(const TreeObject &object) const
{
    QList<TreeObject> list;
    for (const auto &child : node(object)->children())
        list.append(child);
    return list;
}

bool BaseNodeTreeAccessor::isLeaf(const TreeObject &object) const
{
    return node(object)->isLeaf().value_or(false);
}

std::optional<qint64> BaseNodeTreeAccessor::sortIndex(const TreeObject &object) const
{
    return node(object)->sortIndex();
}

void BaseNodeTreeAccessor::setSortIndex(const TreeObject &object, qint64 index)
{
    node(object)->setSortIndex(index);
}

void BaseNodeTreeAccessor::setParent(const TreeObject &object, const TreeObject &parent)
{
    node(object)->setParent(parent ? node(parent) : std::shared_ptr<BaseNode>());
}

QVariant BaseNodeTreeAccessor::data(const TreeObject &object, int role) const
{
    const auto record = node(object);
    switch (role) {
    case TreeItemModel::TitleRole:
        return record->title();
    case TreeItemModel::GroupRowStyleRole:
        return record->isGroupRowStyle().value_or(false);
    case TreeItemModel::ImageRole:
        if (auto product = std::dynamic_pointer_cast<Product>(record))
            return product->image();
        return {};
    case TreeItemModel::UnreadCountRole:
        if (auto product = std::dynamic_pointer_cast<Product>(record))
            if (const auto count = product->unReadCount())
                return *count;
        return {};
    case Qt::ToolTipRole:
        if (auto product = std::dynamic_pointer_cast<Product>(record))
            return product->toolTip();
        return {};
    default:
        return {};
    }
}
