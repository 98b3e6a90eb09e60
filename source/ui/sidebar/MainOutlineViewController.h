#pragma once

#include "platform/store/StoreTypes.h"
#include "ui/sidebar/BaseNodeTreeAccessor.h"
#include "ui/sidebar/OutlineViewState.h"
#include "ui/window/ActionResponder.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class ManagedObjectContext;
class OutlineView;
class Presenter;
class Product;
class ProductCatalog;
class QMenu;
class QToolButton;
class QWidget;
class QXTreeController;
class SidebarItemModel;
class TreeNode;
class UserDefaults;
struct Notification;

// The sidebar: the outline of product groups and products over the store's
// main context. Products enter from store results and leave here; the user
// orders them by dragging, opens, reloads and marks them read from the context
// menu, and the selection decides what the content area shows. Which rows were
// expanded and which was selected is kept across launches.
//
// Actions taken ("delete", "markAllReadAction", "reloadProductAction",
// "doubleClickAction", "showSearchPopoverAction") take as sender a QAction
// (wrapped as QObject *) whose "representedObject" property holds the
// product and whose data() holds the tag; without one they act on the
// selection.
class MainOutlineViewController : public QObject, public ActionResponder {
    Q_OBJECT

public:
    static const QString AutosaveName; // "MainOutlineView"
    static const QString DeleteProductAlertSuppress; // "DeleteProductAlertSuppress"
    static const QString ContextMenuName; // "ProductContextMenu"
    static const char *const RepresentedObjectProperty; // "representedObject"

    using SaveHandler = std::function<void()>;

    // `save` is the application's save (the delegate's saveAction); without
    // one the context is saved directly. The context, defaults and presenter
    // must outlive the controller.
    MainOutlineViewController(ManagedObjectContext &context, UserDefaults &defaults,
        Presenter &presenter, SaveHandler save = {}, QObject *parent = nullptr);
    ~MainOutlineViewController() override;

    // The sidebar to place in the window: the outline and the add button.
    // Owned by the controller until it is given a parent.
    QWidget *view() const { return view_; }
    OutlineView *outlineView() const { return outlineView_; }
    QToolButton *showSearchPopoverButton() const { return showSearchPopoverButton_; }
    QXTreeController *treeController() const { return treeController_; }
    SidebarItemModel *model() const { return model_; }
    ProductCatalog *catalog() const { return catalog_; }
    OutlineViewState &outlineState() { return state_; }
    ManagedObjectContext &managedObjectContext() const { return context_; }

    // The first selected product, or null.
    std::shared_ptr<Product> selectedProduct() const;
    void selectProduct(const std::shared_ptr<Product> &product);

    // --- Actions ---------------------------------------------------------------
    void addProductsForResultsNotification(const Notification &notification);
    void deleteAction(QObject *sender = nullptr);
    void markAllReadAction(QObject *sender);
    void reloadProductAction(QObject *sender);
    void doubleClickAction(QObject *sender = nullptr);
    void showSearchPopoverAction();

    // Fills `menu` (named "ProductContextMenu") for the row `clicked`:
    // product rows get their commands, other rows none.
    void menuNeedsUpdate(QMenu *menu, const QModelIndex &clicked);
    QMenu *contextMenu() const { return contextMenu_; }

    void restoreOutlineViewState();
    void cleanupPrefDictionary();
    // Re-reads the groups and products from the context; the tree is rebuilt
    // only when what it shows has changed.
    void reloadContent();

    // ActionResponder
    bool respondsToAction(const QString &action) const override;
    void performAction(const QString &action, const QVariant &sender) override;
    bool validateAction(const QString &action, QAction *item) override;

Q_SIGNALS:
    // The add button was pressed; the search popover anchors to `anchor`.
    void showSearchPopoverRequested(QWidget *anchor);
    // An action for whoever takes it up the chain: "changeViewControllerAction"
    // with 0 (show the reviews), "performLoadAction" with a menu item.
    void sendActionRequested(const QString &action, const QVariant &sender);

private:
    void viewDidLoad();
    void buildView();
    void outlineViewSelectionDidChange();
    void syncViewSelectionFromController();
    void syncControllerSelectionFromView();
    void itemExpansionChanged(const QModelIndex &index, bool expanded);
    void contextChanged(const QList<ObjectID> &ids, bool structural);
    void expandGroup(const ManagedObjectPtr &group);
    qint64 rowOfLastChild(const ManagedObjectPtr &group) const;
    int rowForNode(TreeNode *node) const;
    void deleteObjects(const QList<ManagedObjectPtr> &objects);
    void save();

    static ManagedObjectPtr representedObject(QObject *sender);
    QList<ManagedObjectPtr> fetchGroups() const;

    ManagedObjectContext &context_;
    UserDefaults &defaults_;
    Presenter &presenter_;
    SaveHandler save_;
    OutlineViewState state_;
    BaseNodeTreeAccessor accessor_;
    QXTreeController *treeController_;
    SidebarItemModel *model_;
    ProductCatalog *catalog_;
    QPointer<QWidget> view_;
    OutlineView *outlineView_ = nullptr;
    QToolButton *showSearchPopoverButton_ = nullptr;
    QMenu *contextMenu_ = nullptr;
    QList<TreeObject> lastSelection_;
    bool restored_ = false;
    bool syncingSelection_ = false;
    bool reloadScheduled_ = false;
};
