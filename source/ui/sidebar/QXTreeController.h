#pragma once

#include "ui/sidebar/TreeController.h"

// The tree controller of the sidebar: siblings are shown by ascending
// "sortIndex", and after every insert, removal or move each object's
// "sortIndex" is set to its position among its siblings, so the order the
// user gives is kept in the model (every sibling list numbered from 0).
class QXTreeController : public TreeController {
    Q_OBJECT

public:
    explicit QXTreeController(TreeContentAccessor *accessor, QObject *parent = nullptr);

    // Absent sort indexes come first.
    static bool sortIndexLess(
        const TreeContentAccessor &accessor, const TreeObject &a, const TreeObject &b);

    void insertObject(const TreeObject &object, const IndexPath &path) override;
    void insertObjects(const QList<TreeObject> &objects, const QList<IndexPath> &paths) override;
    void removeObjectAtArrangedObjectIndexPath(const IndexPath &path) override;
    void removeObjectsAtArrangedObjectIndexPaths(const QList<IndexPath> &paths) override;
    void moveNode(TreeNode *node, const IndexPath &path) override;
    void moveNodes(const QList<TreeNode *> &nodes, const IndexPath &path) override;

    void updateSortOrderOfModelObjects();
};
