#pragma once

#include <QList>
#include <QMetaType>
#include <QVariant>

#include <memory>
#include <optional>

// A model object shown in a tree, compared by identity.
using TreeObject = std::shared_ptr<void>;
Q_DECLARE_METATYPE(TreeObject)

// How a tree controller reads and changes its model objects: their children,
// leaf flag and sort position, and where they hang. The sidebar supplies one
// over its group and product records; tests supply their own.
class TreeContentAccessor {
public:
    virtual ~TreeContentAccessor() = default;

    virtual QList<TreeObject> children(const TreeObject &object) const = 0;
    virtual bool isLeaf(const TreeObject &object) const = 0;
    virtual std::optional<qint64> sortIndex(const TreeObject &object) const = 0;
    virtual void setSortIndex(const TreeObject &object, qint64 index) = 0;

    // Hangs `object` under `parent` in the model (none: top level), or takes
    // it out of its parent.
    virtual void setParent(const TreeObject &object, const TreeObject &parent) = 0;

    // What an item view shows of the object for `role`.
    virtual QVariant data(const TreeObject &object, int role) const = 0;
};
