#include "desktop/DesktopAppDelegate.h"

#include "model/Product.h"
#include "net/Translator.h"
#include "platform/Presenter.h"
#include "platform/store/ManagedObjectContext.h"
#include "ui/preferences/PreferencesPopoverViewController.h"
#include "ui/ratings/RatingsViewController.h"
#include "ui/reviews/ReviewController.h"
#include "ui/search/SearchPopoverViewController.h"
#include "ui/sidebar/MainOutlineViewController.h"
#include "ui/sidebar/OutlineView.h"
#include "ui/sidebar/QXTreeController.h"
#include "ui/sidebar/SidebarItemModel.h"
#include "ui/window/HostViewController.h"
#include "ui/window/MainWindow.h"
#include "ui/window/MainWindowController.h"
#include "update/UpdateController.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>

DesktopAppDelegate::DesktopAppDelegate(QObject *parent)
    : AppDelegate(parent), host_(std::make_unique<HostViewController>(&defaults()))
{
    setUpdateHost(host_.get());
}

DesktopAppDelegate::~DesktopAppDelegate()
{
    shutDownUpdates();
    // Each controller takes its view out of the window as it goes.
    search_.reset();
    preferences_.reset();
    sidebar_.reset();
    ratings_.reset();
    reviews_.reset();
    mainWindowController_.reset();
}

MainWindowController *DesktopAppDelegate::mainWindowController()
{
    if (!mainWindowController_) {
        mainWindowController_ = std::make_unique<MainWindowController>();
        const auto connectHelp = [this](const char *name, void (AppDelegate::*slot)()) {
            connect(mainWindowController_->action(QString::fromLatin1(name)), &QAction::triggered,
                this, slot);
        };
        connectHelp("openProductPageAction", &AppDelegate::openProductPageAction);
        connectHelp("openPrivacyPageAction", &AppDelegate::openPrivacyPageAction);
        connectHelp("openAcknowledgmentsAction", &AppDelegate::openAcknowledgmentsAction);
        connectHelp("feedbackAndSupportAction", &AppDelegate::feedbackAndSupportAction);
        connectHelp("checkForUpdatesAction", &AppDelegate::checkForUpdatesAction);
        mainWindowController_->onQuitRequested = [this] { terminate(); };
        buildContent();
    }
    return mainWindowController_.get();
}

void DesktopAppDelegate::buildContent()
{
    MainWindow *window = mainWindowController_->window();
    ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return;
    sidebar_ = std::make_unique<MainOutlineViewController>(
        *context, defaults(), Presenter::shared(), [this] { saveAction(); });
    ratings_ = std::make_unique<RatingsViewController>(&defaults());
    ratings_->setTreeController(sidebar_->treeController());

    MainOutlineViewController *sidebar = sidebar_.get();
    reviews_ = std::make_unique<ReviewController>(
        *context, [sidebar] { return sidebar->selectedProduct(); });
    connect(host_.get(), &HostViewController::reviewsNeedRefresh, reviews_.get(),
        &ReviewController::mainOutlineViewSelectionDidChange);
    host_->setReviewController(reviews_.get(), reviews_.get());
    host_->setRatingsViewController(ratings_->view(), nullptr);
    host_->viewDidLoad();
    host_->setTreeController(sidebar_->treeController());
    host_->setUpdateController(updateController());

    window->setSidebarView(sidebar_->view());
    window->setContentView(host_->view());
    // Tab goes from the sidebar to the review list once both are in the window.
    reviews_->setNextKeyViewForView(sidebar_->outlineView());
    mainWindowController_->setHostViewController(host_.get());
    mainWindowController_->setMainOutlineViewController(sidebar_.get());
    connect(sidebar_.get(), &MainOutlineViewController::sendActionRequested, this,
        [this](const QString &action, const QVariant &sender) {
            mainWindowController_->sendAction(action, sender);
        });
    search_ = std::make_unique<SearchPopoverViewController>(defaults(), Presenter::shared());
    connect(sidebar_.get(), &MainOutlineViewController::showSearchPopoverRequested, search_.get(),
        &SearchPopoverViewController::showPopoverForView);
    connect(window->addProductButton(), &QPushButton::clicked, search_.get(),
        [this, window] { search_->showPopoverForView(window->addProductButton()); });
    preferences_ = std::make_unique<PreferencesPopoverViewController>(*context, defaults());
    preferences_->setForwarding(&updateController()->forwarder(), [this] { saveAction(); });
    // The chosen service's languages, or the last ones known when it cannot
    // be asked; its error shows where translating fails, not here.
    preferences_->setLanguagesSource([](auto completion) {
        Translator::sharedInstance().availableLanguages(
            [completion](const QMap<QString, QString> &languages, const Error &) {
                completion(languages);
            });
    });
    connect(mainWindowController_.get(), &MainWindowController::preferencesPopoverRequested,
        preferences_.get(), &PreferencesPopoverViewController::showPopoverForView);

    SidebarItemModel *model = sidebar_->model();
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, &DesktopAppDelegate::updateEmptyState);
    connect(model, &QAbstractItemModel::modelReset, this, &DesktopAppDelegate::updateEmptyState);
    connect(model, &QAbstractItemModel::layoutChanged, this, &DesktopAppDelegate::updateEmptyState);
    updateEmptyState();
}

void DesktopAppDelegate::updateEmptyState()
{
    if (mainWindowController_ && sidebar_)
        mainWindowController_->window()->setShowsEmptyState(sidebar_->model()->rowCount() == 0);
}

void DesktopAppDelegate::terminate(bool canAsk)
{
    if (!applicationShouldTerminate(canAsk))
        return;
    if (canAsk)
        QCoreApplication::quit();
    else
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void DesktopAppDelegate::showMainWindow(bool centre)
{
    mainWindowController()->showWindow(centre);
}

void DesktopAppDelegate::userNotificationActivated(const QVariantMap &userInfo)
{
    showMainWindow(false);
    ManagedObjectContext *context = managedObjectContext();
    if (!sidebar_ || !context)
        return;
    const QVariantList ids = userInfo.value(QStringLiteral("productIDs")).toList();
    for (const QVariant &id : ids) {
        // A product deleted since the notification is simply passed over.
        if (auto product =
                std::dynamic_pointer_cast<Product>(context->existingObject(id.value<ObjectID>()))) {
            sidebar_->selectProduct(product);
            return;
        }
    }
}

bool DesktopAppDelegate::isShiftKeyHeld() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}
