#include "ui/sidebar/MainOutlineViewController.h"

#include "catalog/ProductCatalog.h"
#include "model/Product.h"
#include "model/Review.h"
#include "net/Downloader.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Presenter.h"
#include "platform/StringFormat.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"
#include "ui/sidebar/OutlineView.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/SidebarItemModel.h"
#include "ui/sidebar/TreeNode.h"
#include "update/StoreLookup.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QToolButton>

namespace {

const QString DeleteAction = QStringLiteral("delete");
const QString MarkAllReadAction = QStringLiteral("markAllReadAction");
const QString ReloadProductAction = QStringLiteral("reloadProductAction");
const QString DoubleClickAction = QStringLiteral("doubleClickAction");
const QString ShowSearchPopoverAction = QStringLiteral("showSearchPopoverAction");
const QString PerformLoadAction = QStringLiteral("performLoadAction");

constexpr int CancelledErrorCode = -999;

} // namespace

ManagedObjectPtr MainOutlineViewController::representedObject(QObject *sender)
{
    if (!sender)
        return nullptr;
    return sender->property(RepresentedObjectProperty).value<ManagedObjectPtr>();
}

// --- Adding --------------------------------------------------------------------

void MainOutlineViewController::addProductsForResultsNotification(const Notification &notification)
{
    const ProductCatalog::Products added = catalog_->addProductsForResults(
        ProductCatalog::resultsFromVariant(notification.userInfo.value(QStringLiteral("results"))));
    if (added.isEmpty())
        return;
    reloadContent();
    if (TreeNode *node =
            treeController_->nodeForObject(std::static_pointer_cast<BaseNode>(added.last())))
        outlineView_->scrollTo(model_->indexForNode(node));
}

// --- Deleting ------------------------------------------------------------------

void MainOutlineViewController::deleteAction(QObject *sender)
{
    QList<ManagedObjectPtr> objects;
    if (const ManagedObjectPtr object = representedObject(sender)) {
        objects << object;
    } else {
        for (const TreeObject &selected : treeController_->selectedObjects())
            objects << BaseNodeTreeAccessor::node(selected);
    }
    if (objects.isEmpty()) {
        logLine(QStringLiteral("No objects to delete found!"));
        return;
    }
    if (defaults_.boolForKey(DeleteProductAlertSuppress)) {
        deleteObjects(objects);
        return;
    }
    Alert alert;
    const auto first = std::dynamic_pointer_cast<BaseNode>(objects.first());
    alert.messageText = formatString(
        tr("Are you sure you want to delete “%@”?"), first ? first->title() : QString());
    alert.informativeText = tr("You can’t undo this action.");
    alert.buttons = QStringList {tr("Delete"), tr("Cancel")};
    alert.showsSuppressionButton = true;
    alert.style = Alert::Style::Warning;
    QPointer<MainOutlineViewController> guard(this);
    presenter_.beginSheet(alert, [guard, objects](AlertResponse response) {
        if (!guard)
            return;
        // The box's state is kept whichever button ended the alert.
        guard->defaults_.setBool(response.suppressionChecked, DeleteProductAlertSuppress);
        if (response.buttonIndex == 0)
            guard->deleteObjects(objects);
    });
}

void MainOutlineViewController::deleteObjects(const QList<ManagedObjectPtr> &objects)
{
    // The row above the last deleted product takes the selection, unless it is
    // a group header or deleted too.
    QList<TreeObject> doomed;
    for (const ManagedObjectPtr &object : objects)
        doomed << object;
    TreeObject above;
    for (const ManagedObjectPtr &object : objects) {
        const auto node = std::dynamic_pointer_cast<BaseNode>(object);
        if (!node || !node->isEditable().value_or(false))
            continue;
        TreeNode *treeNode = treeController_->nodeForObject(object);
        if (!treeNode)
            continue;
        QModelIndex index = outlineView_->indexAbove(model_->indexForNode(treeNode));
        while (index.isValid() && doomed.contains(model_->nodeForIndex(index)->representedObject()))
            index = outlineView_->indexAbove(index);
        if (index.isValid() && (model_->flags(index) & Qt::ItemIsSelectable))
            above = model_->nodeForIndex(index)->representedObject();
        else
            above = {};
    }

    catalog_->deleteObjects(objects);
    reloadContent();
    if (above)
        treeController_->setSelectedObject(above);
    cleanupPrefDictionary();
}

// --- Menu commands ---------------------------------------------------------------

void MainOutlineViewController::markAllReadAction(QObject *sender)
{
    const auto product = std::dynamic_pointer_cast<Product>(representedObject(sender));
    if (!product)
        return;
    const auto *action = qobject_cast<QAction *>(sender);
    const bool read = action && action->data().toInt() == 1;
    const auto reviews = product->reviews();
    if (reviews.isEmpty())
        return;
    for (const auto &review : reviews)
        review->setRead(read);
    save();
}

void MainOutlineViewController::reloadProductAction(QObject *sender)
{
    const auto product = std::dynamic_pointer_cast<Product>(representedObject(sender));
    if (!product)
        return;
    // Hold the id, not the record: the product may be deleted meanwhile.
    const ObjectID id = product->objectID();
    QPointer<MainOutlineViewController> guard(this);
    Downloader::sharedInstance().lookupById(product->identifier(), QString(), nullptr,
        [guard, id](const std::optional<QJsonObject> &result, const Error &error) {
            if (!guard)
                return;
            if (error) {
                if (error.code() != CancelledErrorCode)
                    guard->presenter_.presentError(error);
                return;
            }
            const auto live =
                std::dynamic_pointer_cast<Product>(guard->context_.existingObject(id));
            if (!result || !live || live->isDeleted())
                return;
            applyStoreLookup(*live, *result, LookupScope::Product, Clock::shared().now());
            guard->catalog_->loadArtworkForProduct(live);
        });
}

void MainOutlineViewController::doubleClickAction(QObject *sender)
{
    auto product = std::dynamic_pointer_cast<Product>(representedObject(sender));
    if (!product && !sender)
        product = selectedProduct();
    if (!product)
        return;
    const QString region = QLocale().name().section(QLatin1Char('_'), 1, 1);
    if (region.isEmpty())
        return;
    const QUrl url = product->urlForCountryCode(region);
    if (url.isValid())
        UrlOpener::open(url, UrlOpener::Origin::Network);
}

void MainOutlineViewController::showSearchPopoverAction()
{
    Q_EMIT showSearchPopoverRequested(showSearchPopoverButton_);
}

void MainOutlineViewController::menuNeedsUpdate(QMenu *menu, const QModelIndex &clicked)
{
    if (!menu || menu->objectName() != ContextMenuName)
        return;
    menu->clear();
    if (!clicked.isValid())
        return;
    const auto product = std::dynamic_pointer_cast<Product>(
        BaseNodeTreeAccessor::node(model_->nodeForIndex(clicked)->representedObject()));
    if (!product)
        return;
    const QVariant represented = QVariant::fromValue(ManagedObjectPtr(product));
    const auto add = [&](const QString &title, const QString &name, const QVariant &tag = {}) {
        QAction *item = menu->addAction(title);
        item->setObjectName(name);
        item->setProperty(RepresentedObjectProperty, represented);
        item->setData(tag);
        QObject::connect(item, &QAction::triggered, this, [this, name, item] {
            const QVariant sender = QVariant::fromValue<QObject *>(item);
            if (respondsToAction(name))
                performAction(name, sender);
            else
                Q_EMIT sendActionRequested(name, sender);
        });
        return item;
    };
    add(tr("Mark All Reviews as Read"), MarkAllReadAction, 1);
    add(tr("Mark All Reviews as Unread"), MarkAllReadAction, 0);
    menu->addSeparator();
    add(tr("Open in Browser"), DoubleClickAction);
    menu->addSeparator();
    add(tr("Update Reviews & Ratings"), PerformLoadAction);
    add(tr("Reload Product Details"), ReloadProductAction);
    menu->addSeparator();
    add(formatString(tr("Delete “%@”"), product->title()), DeleteAction);
}

// --- Responder -----------------------------------------------------------------

bool MainOutlineViewController::respondsToAction(const QString &action) const
{
    static const QStringList actions {DeleteAction, MarkAllReadAction, ReloadProductAction,
        DoubleClickAction, ShowSearchPopoverAction};
    return actions.contains(action);
}

void MainOutlineViewController::performAction(const QString &action, const QVariant &sender)
{
    QObject *object = sender.value<QObject *>();
    if (action == DeleteAction)
        deleteAction(object);
    else if (action == MarkAllReadAction)
        markAllReadAction(object);
    else if (action == ReloadProductAction)
        reloadProductAction(object);
    else if (action == DoubleClickAction)
        doubleClickAction(object);
    else if (action == ShowSearchPopoverAction)
        showSearchPopoverAction();
}

bool MainOutlineViewController::validateAction(const QString &action, QAction *item)
{
    Q_UNUSED(item);
    if (action == DeleteAction)
        return !treeController_->selectionIndexPaths().isEmpty();
    return true;
}
