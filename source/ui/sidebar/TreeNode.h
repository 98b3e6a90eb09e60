#pragma once

#include "ui/sidebar/IndexPath.h"
#include "ui/sidebar/TreeContentAccessor.h"

#include <memory>
#include <vector>

// One node of a tree controller's tree: it wraps one model object (its
// represented object) and owns its child nodes. The controller's invisible
// root node represents no object.
class TreeNode {
public:
    explicit TreeNode(TreeObject object = {}, TreeNode *parent = nullptr, bool leaf = false);

    const TreeObject &representedObject() const { return object_; }
    TreeNode *parentNode() const { return parent_; }
    bool isLeaf() const { return leaf_; }
    void setLeaf(bool leaf) { leaf_ = leaf; }

    int childCount() const { return int(children_.size()); }
    TreeNode *childAt(int index) const { return children_.at(size_t(index)).get(); }
    QList<TreeNode *> childNodes() const;
    // The position among the parent's children; -1 for the root.
    int row() const;
    IndexPath indexPath() const;

    // Every node below this one, depth first, each before its descendants;
    // a leaf's children are not walked.
    QList<TreeNode *> descendants() const;
    // The place right after this node among its siblings.
    IndexPath adjacentIndexPath() const;

    TreeNode *insertChild(int index, std::unique_ptr<TreeNode> child);
    std::unique_ptr<TreeNode> takeChild(int index);
    void sortChildren(const std::function<bool(const TreeNode *, const TreeNode *)> &less);

private:
    void appendDescendants(QList<TreeNode *> &out) const;

    TreeObject object_;
    TreeNode *parent_;
    bool leaf_;
    std::vector<std::unique_ptr<TreeNode>> children_;
};
