#pragma once

#include "ui/sidebar/TreeContentAccessor.h"

#include <memory>

class BaseNode;

// Lets a tree controller show the sidebar's records: groups and products
// from their "children" and "parent" relationships, leaves from "isLeaf",
// sibling order from "sortIndex".
class BaseNodeTreeAccessor : public TreeContentAccessor {
public:
    static TreeObject object(const std::shared_ptr<BaseNode> &node) { return node; }
    static std::shared_ptr<BaseNode> node(const TreeObject &object);

    QList<TreeObject> children(const TreeObject &object) const override;
    bool isLeaf(const TreeObject &object) const override;
    std::optional<qint64> sortIndex(const TreeObject &object) const override;
    void setSortIndex(const TreeObject &object, qint64 index) override;
    void setParent(const TreeObject &object, const TreeObject &parent) override;
    QVariant data(const TreeObject &object, int role) const override;
};
