#include "ui/sidebar/TreeController.h"

#include "platform/Log.h"

#include <algorithm>

namespace {
// Guards against a model whose parents form a cycle.
constexpr int MaxDepth = 64;
} // namespace

TreeController::TreeController(TreeContentAccessor *accessor, QObject *parent)
    : QObject(parent), accessor_(accessor), root_(std::make_unique<TreeNode>())
{
}

TreeController::~TreeController() = default;

std::unique_ptr<TreeNode> TreeController::makeNode(const TreeObject &object, int depth) const
{
    const bool leaf = accessor_->isLeaf(object);
    auto node = std::make_unique<TreeNode>(object, nullptr, leaf);
    if (!leaf && depth < MaxDepth) {
        for (const TreeObject &child : accessor_->children(object))
            node->insertChild(node->childCount(), makeNode(child, depth + 1));
        sortSiblings(node.get());
    }
    return node;
}

void TreeController::sortSiblings(TreeNode *parent) const
{
    if (!less_)
        return;
    parent->sortChildren([this](const TreeNode *a, const TreeNode *b) {
        return less_(a->representedObject(), b->representedObject());
    });
}

void TreeController::setContent(const QList<TreeObject> &objects)
{
    content_ = objects;
    rearrangeObjects();
}

void TreeController::setSortOrder(ObjectLess less)
{
    less_ = std::move(less);
}

void TreeController::rearrangeObjects()
{
    const QList<TreeObject> selected = selectedObjects();
    Q_EMIT aboutToReset();
    selection_.clear();
    root_ = std::make_unique<TreeNode>();
    for (const TreeObject &object : std::as_const(content_))
        root_->insertChild(root_->childCount(), makeNode(object, 0));
    sortSiblings(root_.get());
    Q_EMIT didReset();
    QList<TreeNode *> nodes;
    for (const TreeObject &object : selected)
        if (TreeNode *node = nodeForObject(object))
            nodes.append(node);
    setSelection(nodes);
}

QList<TreeObject> TreeController::rootObjects() const
{
    QList<TreeObject> objects;
    for (TreeNode *node : rootNodes())
        objects.append(node->representedObject());
    return objects;
}

QList<TreeNode *> TreeController::flattenedNodes() const
{
    QList<TreeNode *> nodes;
    for (TreeNode *node : rootNodes()) {
        nodes.append(node);
        if (!node->isLeaf())
            nodes.append(node->descendants());
    }
    return nodes;
}

QList<TreeObject> TreeController::flattenedObjects() const
{
    QList<TreeObject> objects;
    for (TreeNode *node : flattenedNodes())
        objects.append(node->representedObject());
    return objects;
}

TreeNode *TreeController::nodeAtIndexPath(const IndexPath &path) const
{
    if (path.isEmpty())
        return nullptr;
    TreeNode *node = root_.get();
    for (int index : path.indexes()) {
        if (index < 0 || index >= node->childCount())
            return nullptr;
        node = node->childAt(index);
    }
    return node;
}

TreeNode *TreeController::nodeForObject(const TreeObject &object) const
{
    if (!object)
        return nullptr;
    for (TreeNode *node : flattenedNodes())
        if (node->representedObject().get() == object.get())
            return node;
    return nullptr;
}

TreeObject TreeController::objectForNode(const TreeNode *node)
{
    return node ? node->representedObject() : TreeObject();
}

IndexPath TreeController::indexPathToObject(const TreeObject &object) const
{
    TreeNode *node = nodeForObject(object);
    return node ? node->indexPath() : IndexPath();
}

QList<IndexPath> TreeController::selectionIndexPaths() const
{
    QList<IndexPath> paths;
    for (TreeNode *node : selection_)
        paths.append(node->indexPath());
    return paths;
}

void TreeController::setSelectionIndexPaths(const QList<IndexPath> &paths)
{
    QList<TreeNode *> nodes;
    for (const IndexPath &path : paths)
        if (TreeNode *node = nodeAtIndexPath(path); node && !nodes.contains(node))
            nodes.append(node);
    setSelection(nodes);
}

void TreeController::setSelection(QList<TreeNode *> nodes)
{
    // Compared element by element: QList's == hands an empty list's null
    // data to memcmp.
    if (nodes.size() == selection_.size()
        && std::equal(nodes.cbegin(), nodes.cend(), selection_.cbegin()))
        return;
    selection_ = std::move(nodes);
    Q_EMIT selectionChanged();
}

QList<TreeObject> TreeController::selectedObjects() const
{
    QList<TreeObject> objects;
    for (TreeNode *node : selection_)
        objects.append(node->representedObject());
    return objects;
}

void TreeController::setSelectedNode(TreeNode *node)
{
    if (!node)
        return;
    setSelectionIndexPaths({node->indexPath()});
}

void TreeController::setSelectedObject(const TreeObject &object)
{
    setSelectedNode(nodeForObject(object));
}

void TreeController::setSelectedObjects(const QList<TreeObject> &objects)
{
    QList<IndexPath> paths;
    for (const TreeObject &object : objects) {
        const IndexPath path = indexPathToObject(object);
        if (!path.isEmpty())
            paths.append(path);
    }
    setSelectionIndexPaths(paths);
}

void TreeController::selectNone()
{
    setSelection({});
}

bool TreeController::insertNode(const TreeObject &object, const IndexPath &path)
{
    TreeNode *parent =
        path.length() > 1 ? nodeAtIndexPath(path.indexPathByRemovingLastIndex()) : root_.get();
    if (!parent || path.isEmpty() || !object) {
        logLine(QStringLiteral("Cannot insert at index path %1").arg(path.toString()));
        return false;
    }
    const int row = std::clamp(path.lastIndex(), 0, parent->childCount());
    accessor_->setParent(
        object, parent == root_.get() ? TreeObject() : parent->representedObject());
    if (parent == root_.get() && !content_.contains(object))
        content_.append(object);
    Q_EMIT aboutToInsert(parent, row);
    parent->insertChild(row, makeNode(object, 0));
    Q_EMIT didInsert();
    return true;
}

void TreeController::insertObject(const TreeObject &object, const IndexPath &path)
{
    insertObjects({object}, {path});
}

void TreeController::insertObjects(const QList<TreeObject> &objects, const QList<IndexPath> &paths)
{
    QList<TreeObject> inserted;
    for (qsizetype i = 0; i < std::min(objects.size(), paths.size()); ++i)
        if (insertNode(objects.at(i), paths.at(i)))
            inserted.append(objects.at(i));
    if (selectsInsertedObjects_ && !inserted.isEmpty())
        setSelectedObjects(inserted);
}

void TreeController::removeNode(TreeNode *node)
{
    TreeNode *parent = node->parentNode();
    const int row = node->row();
    // Nodes going away leave the selection, and so do their descendants.
    QList<TreeNode *> gone = node->descendants();
    gone.append(node);
    QList<TreeNode *> kept = selection_;
    kept.removeIf([&](TreeNode *n) { return gone.contains(n); });
    const bool selectionChanges = kept.size() != selection_.size();
    selection_ = kept;

    accessor_->setParent(node->representedObject(), {});
    if (parent == root_.get())
        content_.removeIf(
            [&](const TreeObject &o) { return o.get() == node->representedObject().get(); });
    Q_EMIT aboutToRemove(parent, row);
    parent->takeChild(row);
    Q_EMIT didRemove();
    if (selectionChanges)
        Q_EMIT selectionChanged();
}

void TreeController::removeObjectAtArrangedObjectIndexPath(const IndexPath &path)
{
    removeObjectsAtArrangedObjectIndexPaths({path});
}

void TreeController::removeObjectsAtArrangedObjectIndexPaths(const QList<IndexPath> &paths)
{
    // Resolve every path first: removing one changes the paths after it.
    QList<TreeNode *> nodes;
    for (const IndexPath &path : paths)
        if (TreeNode *node = nodeAtIndexPath(path); node && !nodes.contains(node))
            nodes.append(node);
    // A node inside another removed node goes with it.
    nodes.removeIf([&](TreeNode *node) {
        for (TreeNode *p = node->parentNode(); p; p = p->parentNode())
            if (nodes.contains(p))
                return true;
        return false;
    });
    for (TreeNode *node : nodes)
        removeNode(node);
}

void TreeController::moveOne(TreeNode *node, TreeNode *destinationParent, int destinationRow)
{
    TreeNode *sourceParent = node->parentNode();
    const int sourceRow = node->row();
    destinationRow = std::clamp(destinationRow, 0, destinationParent->childCount());
    // Moving to where it is, or right behind itself, changes nothing.
    if (sourceParent == destinationParent
        && (destinationRow == sourceRow || destinationRow == sourceRow + 1))
        return;
    if (sourceParent != destinationParent) {
        accessor_->setParent(node->representedObject(),
            destinationParent == root_.get() ? TreeObject()
                                             : destinationParent->representedObject());
    }
    Q_EMIT aboutToMove(sourceParent, sourceRow, destinationParent, destinationRow);
    std::unique_ptr<TreeNode> taken = sourceParent->takeChild(sourceRow);
    const int row = (sourceParent == destinationParent && sourceRow < destinationRow)
        ? destinationRow - 1
        : destinationRow;
    destinationParent->insertChild(row, std::move(taken));
    Q_EMIT didMove();
}

void TreeController::moveNode(TreeNode *node, const IndexPath &path)
{
    moveNodes({node}, path);
}

void TreeController::moveNodes(const QList<TreeNode *> &nodes, const IndexPath &path)
{
    TreeNode *destination =
        path.length() > 1 ? nodeAtIndexPath(path.indexPathByRemovingLastIndex()) : root_.get();
    if (!destination || path.isEmpty()) {
        logLine(QStringLiteral("Cannot move to index path %1").arg(path.toString()));
        return;
    }
    // A node cannot move into itself or below itself.
    for (TreeNode *node : nodes)
        for (TreeNode *p = destination; p; p = p->parentNode())
            if (p == node)
                return;

    // The moved nodes go, in order, right before the first node at or after
    // the destination that is not moved itself (or to the end).
    const int row = std::clamp(path.lastIndex(), 0, destination->childCount());
    TreeNode *anchor = nullptr;
    for (int r = row; r < destination->childCount() && !anchor; ++r)
        if (!nodes.contains(destination->childAt(r)))
            anchor = destination->childAt(r);
    for (TreeNode *node : nodes) {
        if (!node || node == root_.get())
            continue;
        moveOne(node, destination, anchor ? anchor->row() : destination->childCount());
    }
    // The selection keeps its nodes; their index paths have changed.
    Q_EMIT selectionChanged();
}

void TreeController::objectDidChange(const TreeObject &object)
{
    if (TreeNode *node = nodeForObject(object))
        Q_EMIT nodeChanged(node);
}
