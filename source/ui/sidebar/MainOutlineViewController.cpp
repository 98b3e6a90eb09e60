#include "ui/sidebar/MainOutlineViewController.h"

#include "catalog/ProductCatalog.h"
#include "model/App.h"
#include "model/DerivedValues.h"
#include "model/Group.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/PreferenceKeys.h"
#include "platform/StringFormat.h"
#include "platform/store/EntityDescription.h"
#include "platform/store/ManagedObjectContext.h"
#include "ui/sidebar/OutlineView.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/SidebarItemModel.h"
#include "ui/sidebar/TreeNode.h"

#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

const QString MainOutlineViewController::AutosaveName = QStringLiteral("MainOutlineView");
const QString MainOutlineViewController::DeleteProductAlertSuppress =
    Preference::DeleteProductAlertSuppress;
const QString MainOutlineViewController::ContextMenuName = QStringLiteral("ProductContextMenu");
const char *const MainOutlineViewController::RepresentedObjectProperty = "representedObject";

namespace {

const QString Expanded = QStringLiteral("expanded");
const QString Selected = QStringLiteral("selected");

// Keys whose change alters the tree's shape or order rather than one row.
bool isStructuralKey(const QString &key)
{
    return key == u"parent" || key == u"children" || key == u"sortIndex";
}

bool isRow(const ObjectID &id)
{
    return id.entity && id.entity->root()->name() == u"BaseNode";
}

std::shared_ptr<BaseNode> baseNode(const TreeObject &object)
{
    return object ? BaseNodeTreeAccessor::node(object) : nullptr;
}

} // namespace

MainOutlineViewController::MainOutlineViewController(ManagedObjectContext &context,
    UserDefaults &defaults, Presenter &presenter, SaveHandler save, QObject *parent)
    : QObject(parent),
      context_(context),
      defaults_(defaults),
      presenter_(presenter),
      save_(std::move(save)),
      state_(defaults, AutosaveName),
      treeController_(new QXTreeController(&accessor_, this)),
      model_(new SidebarItemModel(treeController_, this)),
      catalog_(new ProductCatalog(
          context, [this] { this->save(); }, this))
{
    treeController_->setSelectsInsertedObjects(false);
    buildView();
    viewDidLoad();
}

MainOutlineViewController::~MainOutlineViewController()
{
    // The view may still be unparented; its model and delegate go with us.
    delete view_.data();
}

void MainOutlineViewController::buildView()
{
    view_ = new QWidget;
    view_->setObjectName(QStringLiteral("MainOutlineView"));
    auto *layout = new QVBoxLayout(view_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    outlineView_ = new OutlineView(view_);
    outlineView_->setObjectName(AutosaveName);
    outlineView_->setAccessibleName(tr("Products"));
    outlineView_->setModel(model_);
    layout->addWidget(outlineView_, 1);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    showSearchPopoverButton_ = new QToolButton(view_);
    showSearchPopoverButton_->setObjectName(QStringLiteral("showSearchPopoverButton"));
    showSearchPopoverButton_->setText(QStringLiteral("+"));
    showSearchPopoverButton_->setToolTip(tr("Add Product"));
    showSearchPopoverButton_->setAccessibleName(tr("Add Product"));
    showSearchPopoverButton_->setAutoRaise(true);
    bar->addWidget(showSearchPopoverButton_);
    bar->addStretch(1);
    layout->addLayout(bar);

    contextMenu_ = new QMenu(view_);
    contextMenu_->setObjectName(ContextMenuName);
    contextMenu_->setTitle(ContextMenuName);
    contextMenu_->setAccessibleName(tr("Product"));
}

void MainOutlineViewController::viewDidLoad()
{
    connect(showSearchPopoverButton_, &QToolButton::clicked, this,
        &MainOutlineViewController::showSearchPopoverAction);
    connect(outlineView_, &OutlineView::deleteRequested, this, [this] { deleteAction(); });
    connect(outlineView_, &OutlineView::openRequested, this, [this] { doubleClickAction(); });
    connect(outlineView_, &OutlineView::contextMenuRequested, this,
        [this](const QModelIndex &index, const QPoint &globalPos) {
            menuNeedsUpdate(contextMenu_, index);
            if (!contextMenu_->isEmpty())
                contextMenu_->popup(globalPos);
        });
    connect(outlineView_, &QTreeView::expanded, this,
        [this](const QModelIndex &index) { itemExpansionChanged(index, true); });
    connect(outlineView_, &QTreeView::collapsed, this,
        [this](const QModelIndex &index) { itemExpansionChanged(index, false); });
    connect(outlineView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MainOutlineViewController::syncControllerSelectionFromView);
    connect(treeController_, &TreeController::selectionChanged, this, [this] {
        syncViewSelectionFromController();
        if (treeController_->selectedObjects() != lastSelection_)
            outlineViewSelectionDidChange();
    });
    connect(model_, &SidebarItemModel::nodesMoved, this, &MainOutlineViewController::save);

    ProductCatalog::OutlineHooks hooks;
    hooks.expandGroup = [this](const std::shared_ptr<Group> &group) { expandGroup(group); };
    hooks.rowOfLastChild = [this](const std::shared_ptr<Group> &group) {
        return rowOfLastChild(group);
    };
    catalog_->setOutlineHooks(std::move(hooks));

    NotificationCenter::defaultCenter().addObserver(
        kAddProductsForResultsNotification, this, [this](const Notification &notification) {
            addProductsForResultsNotification(notification);
        });
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    cleanupPrefDictionary();
            });
    }

    context_.observeChanges(this, [this](const ChangeNotification &changes) {
        // Reviews and ratings arrive by the hundred; only rows matter here.
        bool structural = std::any_of(changes.inserted.cbegin(), changes.inserted.cend(), isRow)
            || std::any_of(changes.deleted.cbegin(), changes.deleted.cend(), isRow);
        QList<ObjectID> changed;
        for (auto it = changes.updated.cbegin(); it != changes.updated.cend(); ++it) {
            if (!isRow(it.key()))
                continue;
            changed << it.key();
            for (const QString &key : it.value())
                structural = structural || isStructuralKey(key);
        }
        contextChanged(changed, structural);
    });
    connect(&DerivedValues::shared(), &DerivedValues::changed, this,
        [this](qint64 rowId, const QStringList &keys) {
            if (keys.contains(QStringLiteral("unReadCount")))
                contextChanged({ObjectID {nullptr, rowId}}, false);
        });

    reloadContent();
}

QList<ManagedObjectPtr> MainOutlineViewController::fetchGroups() const
{
    FetchRequest request(QStringLiteral("Group"));
    request.predicate = Predicate::format(QStringLiteral("parent == nil"));
    return context_.executeFetchRequest(request);
}

void MainOutlineViewController::reloadContent()
{
    QList<TreeObject> groups;
    for (const ManagedObjectPtr &group : fetchGroups())
        groups << group;

    // What the tree would show: each group with its children in sort order.
    QXTreeController probe(&accessor_);
    probe.setContent(groups);
    const bool unchanged =
        restored_ && probe.flattenedObjects() == treeController_->flattenedObjects();
    if (unchanged)
        return;

    QList<TreeObject> expanded;
    for (TreeNode *node : treeController_->flattenedNodes()) {
        if (!node->isLeaf() && outlineView_->isExpanded(model_->indexForNode(node)))
            expanded << node->representedObject();
    }
    treeController_->setContent(groups);
    for (const TreeObject &object : std::as_const(expanded)) {
        if (TreeNode *node = treeController_->nodeForObject(object))
            outlineView_->expand(model_->indexForNode(node));
    }
    syncViewSelectionFromController();

    if (!restored_) {
        restored_ = true;
        restoreOutlineViewState();
    }
}

void MainOutlineViewController::contextChanged(const QList<ObjectID> &ids, bool structural)
{
    if (structural) {
        // One rebuild per turn however many records a merge touched.
        if (!reloadScheduled_) {
            reloadScheduled_ = true;
            dispatchMain(this, [this] {
                reloadScheduled_ = false;
                reloadContent();
            });
        }
        return;
    }
    if (ids.isEmpty())
        return;
    for (TreeNode *node : treeController_->flattenedNodes()) {
        const auto record = baseNode(node->representedObject());
        if (record && ids.contains(record->objectID()))
            treeController_->objectDidChange(node->representedObject());
    }
}

std::shared_ptr<Product> MainOutlineViewController::selectedProduct() const
{
    const QList<TreeObject> selected = treeController_->selectedObjects();
    if (selected.isEmpty())
        return nullptr;
    return std::dynamic_pointer_cast<Product>(baseNode(selected.first()));
}

void MainOutlineViewController::selectProduct(const std::shared_ptr<Product> &product)
{
    if (product)
        treeController_->setSelectedObject(std::static_pointer_cast<BaseNode>(product));
    else
        treeController_->selectNone();
}

void MainOutlineViewController::syncControllerSelectionFromView()
{
    if (syncingSelection_)
        return;
    QList<IndexPath> paths;
    for (const QModelIndex &index : outlineView_->selectionModel()->selectedRows())
        paths << model_->nodeForIndex(index)->indexPath();
    treeController_->setSelectionIndexPaths(paths);
}

void MainOutlineViewController::syncViewSelectionFromController()
{
    syncingSelection_ = true;
    QItemSelection selection;
    QModelIndex current;
    for (TreeNode *node : treeController_->selectedNodes()) {
        const QModelIndex index = model_->indexForNode(node);
        selection.select(index, index);
        if (!current.isValid())
            current = index;
    }
    QItemSelectionModel *selectionModel = outlineView_->selectionModel();
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current.isValid()) {
        selectionModel->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        outlineView_->scrollTo(current);
    }
    syncingSelection_ = false;
}

void MainOutlineViewController::outlineViewSelectionDidChange()
{
    lastSelection_ = treeController_->selectedObjects();
    NotificationCenter::defaultCenter().post(kMainOutlineViewSelectionDidChange, outlineView_);

    QList<std::shared_ptr<BaseNode>> others;
    for (const TreeObject &object : treeController_->flattenedObjects())
        others << baseNode(object);
    const auto first = lastSelection_.isEmpty() ? nullptr : baseNode(lastSelection_.first());
    if (first) {
        others.removeAll(first);
        state_.saveObjects({first}, Selected, true);
    }
    state_.saveObjects(others, Selected, false);

    // Only apps have ratings: everything else shows its reviews.
    if (!std::dynamic_pointer_cast<App>(first))
        Q_EMIT sendActionRequested(QStringLiteral("changeViewControllerAction"), 0);
}

void MainOutlineViewController::itemExpansionChanged(const QModelIndex &index, bool expanded)
{
    if (const auto record = baseNode(model_->nodeForIndex(index)->representedObject()))
        state_.saveObjects({record}, Expanded, expanded);
}

void MainOutlineViewController::restoreOutlineViewState()
{
    const QVariantMap saved = state_.mutablePrefDictionary();
    QList<TreeObject> selected;
    for (TreeNode *node : treeController_->flattenedNodes()) {
        const auto record = baseNode(node->representedObject());
        if (!record)
            continue;
        const bool expand = saved.isEmpty()
            ? !node->isLeaf()
            : OutlineViewState::entryHas(saved, record->uuid(), Expanded);
        if (expand)
            outlineView_->expand(model_->indexForNode(node));
        if (OutlineViewState::entryHas(saved, record->uuid(), Selected))
            selected << node->representedObject();
    }
    // Without a saved selection that still exists, the first product, so
    // that a store with products never opens to an empty review list.
    if (selected.isEmpty()) {
        for (TreeNode *node : treeController_->flattenedNodes()) {
            if (std::dynamic_pointer_cast<Product>(baseNode(node->representedObject()))) {
                outlineView_->expand(model_->indexForNode(node).parent());
                selected << node->representedObject();
                break;
            }
        }
    }
    // After the outline has laid out its rows.
    dispatchMain(this, [this, selected] { treeController_->setSelectedObjects(selected); });
}

void MainOutlineViewController::cleanupPrefDictionary()
{
    state_.cleanupPrefDictionary(context_);
}

void MainOutlineViewController::expandGroup(const ManagedObjectPtr &group)
{
    reloadContent();
    if (TreeNode *node = treeController_->nodeForObject(group)) {
        const QModelIndex index = model_->indexForNode(node);
        outlineView_->expand(index);
    }
}

int MainOutlineViewController::rowForNode(TreeNode *node) const
{
    QModelIndex index = model_->indexForNode(node);
    if (!index.isValid())
        return -1;
    int row = 0;
    while ((index = outlineView_->indexAbove(index)).isValid())
        ++row;
    return row;
}

qint64 MainOutlineViewController::rowOfLastChild(const ManagedObjectPtr &group) const
{
    TreeNode *node = treeController_->nodeForObject(group);
    if (!node || node->childCount() == 0)
        return -1;
    return rowForNode(node->childAt(node->childCount() - 1));
}

void MainOutlineViewController::save()
{
    if (save_) {
        save_();
        return;
    }
    Error error;
    if (context_.hasChanges() && !context_.save(&error))
        logLine(formatString(
            QStringLiteral("Error saving context:\n%@"), error.localizedDescription()));
}
