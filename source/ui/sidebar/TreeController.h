#pragma once

#include "ui/sidebar/IndexPath.h"
#include "ui/sidebar/TreeNode.h"

#include <QObject>

#include <functional>
#include <memory>

// Arranges model objects into a tree of nodes (children and leaf flags come
// from the accessor), keeps a selection, and performs inserts, removals and
// moves on the tree and the model. Views follow it through the signals.
//
// The lookups by object (nodeForObject and what builds on it) walk the whole
// tree; the sidebar holds a few hundred nodes at most.
class TreeController : public QObject {
    Q_OBJECT

public:
    using ObjectLess = std::function<bool(const TreeObject &, const TreeObject &)>;

    explicit TreeController(TreeContentAccessor *accessor, QObject *parent = nullptr);
    ~TreeController() override;

    TreeContentAccessor *accessor() const { return accessor_; }

    // Rebuilds the tree from the top-level objects and their children,
    // siblings in the sort order; the selection keeps the objects it had.
    virtual void setContent(const QList<TreeObject> &objects);
    QList<TreeObject> content() const { return content_; }
    void setSortOrder(ObjectLess less);
    // Rebuilds from the current content (after the model changed directly).
    void rearrangeObjects();

    // --- The tree ---------------------------------------------------------
    TreeNode *rootNode() const { return root_.get(); }
    QList<TreeNode *> rootNodes() const { return root_->childNodes(); }
    TreeObject rootObject() const { return root_->representedObject(); }
    QList<TreeObject> rootObjects() const;
    QList<TreeNode *> flattenedNodes() const;
    QList<TreeObject> flattenedObjects() const;
    TreeNode *nodeAtIndexPath(const IndexPath &path) const;
    // The first node, in flattened order, representing this very object.
    TreeNode *nodeForObject(const TreeObject &object) const;
    static TreeObject objectForNode(const TreeNode *node);
    // Empty when the object has no node.
    IndexPath indexPathToObject(const TreeObject &object) const;

    // --- Selection ----------------------------------------------------------
    QList<IndexPath> selectionIndexPaths() const;
    void setSelectionIndexPaths(const QList<IndexPath> &paths);
    QList<TreeNode *> selectedNodes() const { return selection_; }
    virtual QList<TreeObject> selectedObjects() const;
    void setSelectedNode(TreeNode *node);
    void setSelectedObject(const TreeObject &object);
    void setSelectedObjects(const QList<TreeObject> &objects);
    void selectNone();
    bool selectsInsertedObjects() const { return selectsInsertedObjects_; }
    void setSelectsInsertedObjects(bool selects) { selectsInsertedObjects_ = selects; }

    // --- Changes --------------------------------------------------------------
    // The path names the parent (all but its last index) and the position.
    virtual void insertObject(const TreeObject &object, const IndexPath &path);
    virtual void insertObjects(const QList<TreeObject> &objects, const QList<IndexPath> &paths);
    virtual void removeObjectAtArrangedObjectIndexPath(const IndexPath &path);
    virtual void removeObjectsAtArrangedObjectIndexPaths(const QList<IndexPath> &paths);
    // The destination is a place in the tree as it is before the move.
    virtual void moveNode(TreeNode *node, const IndexPath &path);
    virtual void moveNodes(const QList<TreeNode *> &nodes, const IndexPath &path);

    // Tells the views that what an object shows has changed.
    void objectDidChange(const TreeObject &object);

Q_SIGNALS:
    void selectionChanged();
    void aboutToReset();
    void didReset();
    void aboutToInsert(TreeNode *parent, int row);
    void didInsert();
    void aboutToRemove(TreeNode *parent, int row);
    void didRemove();
    void aboutToMove(
        TreeNode *sourceParent, int sourceRow, TreeNode *destinationParent, int destinationRow);
    void didMove();
    void nodeChanged(TreeNode *node);

private:
    std::unique_ptr<TreeNode> makeNode(const TreeObject &object, int depth) const;
    bool insertNode(const TreeObject &object, const IndexPath &path);
    void removeNode(TreeNode *node);
    void moveOne(TreeNode *node, TreeNode *destinationParent, int destinationRow);
    void setSelection(QList<TreeNode *> nodes);
    void sortSiblings(TreeNode *parent) const;

    TreeContentAccessor *accessor_;
    std::unique_ptr<TreeNode> root_;
    QList<TreeObject> content_;
    ObjectLess less_;
    QList<TreeNode *> selection_;
    bool selectsInsertedObjects_ = true;
};
