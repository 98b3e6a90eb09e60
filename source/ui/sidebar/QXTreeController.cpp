#include "ui/sidebar/QXTreeController.h"

QXTreeController::QXTreeController(TreeContentAccessor *accessor, QObject *parent)
    : TreeController(accessor, parent)
{
    setSortOrder([accessor](const TreeObject &a, const TreeObject &b) {
        return sortIndexLess(*accessor, a, b);
    });
}

bool QXTreeController::sortIndexLess(
    const TreeContentAccessor &accessor, const TreeObject &a, const TreeObject &b)
{
    // std::optional orders an empty value before every value.
    return accessor.sortIndex(a) < accessor.sortIndex(b);
}

void QXTreeController::insertObject(const TreeObject &object, const IndexPath &path)
{
    TreeController::insertObject(object, path);
    updateSortOrderOfModelObjects();
}

void QXTreeController::insertObjects(
    const QList<TreeObject> &objects, const QList<IndexPath> &paths)
{
    TreeController::insertObjects(objects, paths);
    updateSortOrderOfModelObjects();
}

void QXTreeController::removeObjectAtArrangedObjectIndexPath(const IndexPath &path)
{
    TreeController::removeObjectAtArrangedObjectIndexPath(path);
    updateSortOrderOfModelObjects();
}

void QXTreeController::removeObjectsAtArrangedObjectIndexPaths(const QList<IndexPath> &paths)
{
    TreeController::removeObjectsAtArrangedObjectIndexPaths(paths);
    updateSortOrderOfModelObjects();
}

void QXTreeController::moveNode(TreeNode *node, const IndexPath &path)
{
    TreeController::moveNode(node, path);
    updateSortOrderOfModelObjects();
}

void QXTreeController::moveNodes(const QList<TreeNode *> &nodes, const IndexPath &path)
{
    TreeController::moveNodes(nodes, path);
    updateSortOrderOfModelObjects();
}

void QXTreeController::updateSortOrderOfModelObjects()
{
    for (TreeNode *node : flattenedNodes()) {
        const qint64 position = node->row();
        if (accessor()->sortIndex(node->representedObject()) != position)
            accessor()->setSortIndex(node->representedObject(), position);
    }
}
