#include "ui/sidebar/TreeNode.h"

#include <algorithm>

TreeNode::TreeNode(TreeObject object, TreeNode *parent, bool leaf)
    : object_(std::move(object)), parent_(parent), leaf_(leaf)
{
}

QList<TreeNode *> TreeNode::childNodes() const
{
    QList<TreeNode *> nodes;
    nodes.reserve(qsizetype(children_.size()));
    for (const auto &child : children_)
        nodes.append(child.get());
    return nodes;
}

int TreeNode::row() const
{
    if (!parent_)
        return -1;
    const auto &siblings = parent_->children_;
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this)
            return int(i);
    return -1;
}

IndexPath TreeNode::indexPath() const
{
    QList<int> indexes;
    for (const TreeNode *node = this; node->parent_; node = node->parent_)
        indexes.prepend(node->row());
    return IndexPath(std::move(indexes));
}

QList<TreeNode *> TreeNode::descendants() const
{
    QList<TreeNode *> out;
    appendDescendants(out);
    return out;
}

void TreeNode::appendDescendants(QList<TreeNode *> &out) const
{
    for (const auto &child : children_) {
        out.append(child.get());
        if (!child->isLeaf())
            child->appendDescendants(out);
    }
}

IndexPath TreeNode::adjacentIndexPath() const
{
    return indexPath().indexPathByIncrementingLastIndex();
}

TreeNode *TreeNode::insertChild(int index, std::unique_ptr<TreeNode> child)
{
    index = std::clamp(index, 0, childCount());
    child->parent_ = this;
    TreeNode *raw = child.get();
    children_.insert(children_.begin() + index, std::move(child));
    return raw;
}

std::unique_ptr<TreeNode> TreeNode::takeChild(int index)
{
    std::unique_ptr<TreeNode> child = std::move(children_.at(size_t(index)));
    children_.erase(children_.begin() + index);
    child->parent_ = nullptr;
    return child;
}

void TreeNode::sortChildren(const std::function<bool(const TreeNode *, const TreeNode *)> &less)
{
    std::stable_sort(children_.begin(), children_.end(),
        [&](const auto &a, const auto &b) { return less(a.get(), b.get()); });
}
