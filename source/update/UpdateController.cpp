#include "update/UpdateController.h"

#include "forward/Forwarder.h"
#include "model/Product.h"
#include "model/StoreQueries.h"
#include "platform/AppPaths.h"
#include "platform/DispatchGroup.h"
#include "platform/Log.h"
#include "platform/NotificationNames.h"
#include "platform/PreferenceKeys.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "platform/WakeMonitor.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/AppStoreConnectImporter.h"
#include "update/RatingsImporter.h"
#include "update/ReviewImporter.h"
#include "update/UpdateHost.h"
#include "update/UpdateServices.h"

#include <QPointer>

namespace {

} // namespace

UpdateController::UpdateController(UpdateServices &services, UpdateHost &host, QObject *parent)
    : QObject(parent),
      services_(services),
      host_(host),
      reviews_(std::make_unique<ReviewImporter>(services, &host)),
      ratings_(std::make_unique<RatingsImporter>(services, &host)),
      connect_(std::make_unique<AppStoreConnectImporter>(services, &host)),
      forwarder_(std::make_unique<Forwarder>(
          [this] { return services_.managedObjectContext(); }, [this] { services_.saveAction(); }))
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addObserver(kApplicationDidStartNotification, this,
        [this](const Notification &) { applicationStarted(); });
    center.addObserver(kAutoUpdateTimeDidChangeNotification, this,
        [this](const Notification &) { autoUpdateTimeDidChange(); });
    center.addObserver(kNewProductsAddedNotification, this,
        [this](const Notification &notification) { newProductAdded(notification.userInfo); });
    center.addObserver(kRateLimitExceededNotification, this,
        [this](const Notification &) { rateLimitExceeded(); });
}

UpdateController::~UpdateController()
{
    invalidateAutoUpdateTimer();
    NotificationCenter::defaultCenter().removeObserver(this);
}

void UpdateController::setUserDefaults(UserDefaults *defaults)
{
    defaults_ = defaults;
    reviews_->setUserDefaults(defaults);
    ratings_->setUserDefaults(defaults);
    connect_->setUserDefaults(defaults);
}

UserDefaults &UpdateController::defaults() const
{
    return defaults_ ? *defaults_ : UserDefaults::standard();
}

void UpdateController::updateProgress(const QString &text)
{
    host_.updateProgress(text);
}

// The developer's own apps through App Store Connect, after the feed, so
// that a refused key never keeps the feed's reviews from any app.
void UpdateController::loadConnectReviews(const Products &products, DispatchGroup group)
{
    QPointer<UpdateController> self(this);
    connect_->loadReviewsForProducts(products, [self, group](const Error &error) mutable {
        group.leave();
        if (self)
            self->presentIfError(error);
    });
}

void UpdateController::drainMerges()
{
    ratings_->drainMerges();
    connect_->drainMerges();
    if (ManagedObjectContext *context = reviews_->privateManagedObjectContext())
        context->performAndWait([] {});
}

void UpdateController::beginUpdate()
{
    ++runningUpdates_;
    services_.beginActivity();
    host_.showProgressView();
}

// Every update ends by delivering the forwarding outbox, with what it
// queued; how that fares is the outbox's own and never fails the update.
void UpdateController::endUpdate(const Finished &finished)
{
    QPointer<UpdateController> self(this);
    forwarder_->deliver([self, finished](const Forwarder::Report &report) {
        if (!self)
            return;
        for (const QString &reason : report.paused)
            self->services_.notifyWithTitle(AppPaths::applicationName(), reason);
        --self->runningUpdates_;
        self->services_.endActivity();
        self->host_.hideProgressView();
        if (finished)
            finished();
    });
}

void UpdateController::presentIfError(const Error &error)
{
    if (error.isError())
        host_.presentError(error);
}

void UpdateController::performLoadAction(const std::shared_ptr<Product> &given, Finished finished)
{
    const std::shared_ptr<Product> product = given ? given : host_.selectedProduct();
    if (!product || !Importer::isLive(*product))
        return;
    beginUpdate();
    DispatchGroup group;
    group.enter();
    QPointer<UpdateController> self(this);
    auto loadReviews = [self, group, product]() mutable {
        if (!self) {
            group.leave();
            return;
        }
        self->reviews_->loadReviewsForProducts(
            {product}, [self, group, product](const Error &error) mutable {
                if (!self) {
                    group.leave();
                    return;
                }
                self->presentIfError(error);
                self->loadConnectReviews({product}, group);
            });
    };
    if (product->canHaveRatings()) {
        ratings_->loadRatingsForProducts(
            {product}, [self, group, loadReviews](const Error &error) mutable {
                if (error.isError() || !self) {
                    group.leave();
                    if (self)
                        self->presentIfError(error);
                    return;
                }
                loadReviews();
            });
    } else {
        loadReviews();
    }
    group.notify([self, finished = std::move(finished)] {
        if (self)
            self->endUpdate(finished);
    });
}

void UpdateController::performLoadAllAction(const std::optional<Products> &given, Finished finished)
{
    Products products;
    if (given) {
        products = *given;
    } else if (auto all =
                   StoreQueries::productsNeedingReviewsUpate(services_.managedObjectContext())) {
        products = *all;
    }
    if (products.isEmpty()) {
        // Nothing to update: what waits in the outbox still goes, and the
        // caller hears that it is over.
        beginUpdate();
        endUpdate(finished);
        return;
    }
    beginUpdate();
    DispatchGroup group;
    group.enter();
    QPointer<UpdateController> self(this);
    ratings_->loadRatingsForProducts(products, [self, group, products](const Error &error) mutable {
        if (error.isError() || !self) {
            group.leave();
            if (self)
                self->presentIfError(error);
            return;
        }
        self->reviews_->loadReviewsForProducts(
            products, [self, group, products](const Error &error) mutable {
                if (!self) {
                    group.leave();
                    return;
                }
                self->presentIfError(error);
                self->loadConnectReviews(products, group);
            });
    });
    group.notify([self, finished = std::move(finished)] {
        if (!self)
            return;
        if (self->isAutoUpdating_) {
            self->isAutoUpdating_ = false;
            self->defaults().setObject(Clock::shared().now(), Preference::LastAutomaticUpdate);
        }
        self->endUpdate(finished);
    });
}

void UpdateController::performCancelLoadAction()
{
    reviews_->cancelLoadAction();
    ratings_->cancelLoadAction();
    connect_->cancelLoadAction();
}

void UpdateController::performScheduledReviewsAndRatingsUpdate()
{
    if (isAutoUpdating_) {
        logLine(QStringLiteral("Automatic Updating in Progress…"));
        return;
    }
    if (!isAutoUpdateEnabled())
        return;
    const auto products = productsDue();
    if (!products || products->isEmpty()) {
        logLine(QStringLiteral("All reviews are up to date"));
        return;
    }
    logLine(formatString(
        QStringLiteral("Updating reviews for %ld products"), qint64(products->size())));
    isAutoUpdating_ = true;
    performLoadAllAction(*products);
}

std::optional<UpdateController::Products> UpdateController::productsDue() const
{
    const double interval = defaults().doubleForKey(Preference::AutomaticUpdateInterval);
    if (!(interval > 0))
        return Products();
    const QDateTime due = Clock::shared().now().addMSecs(-qint64(interval * 1000.0));
    return StoreQueries::productsForReviewsNotUpatedSinceDate(
        services_.managedObjectContext(), due);
}

bool UpdateController::isAutoUpdateEnabled() const
{
    return defaults().doubleForKey(Preference::AutomaticUpdateInterval) > 0;
}

void UpdateController::setupAutoUpdateTimerIfNeeded()
{
    if (timer_)
        return;
    timer_ = Clock::shared().callEvery(
        seconds(autoUpdateTimerInterval), [this] { performScheduledReviewsAndRatingsUpdate(); },
        this);
    wakeMonitor_ = std::make_unique<WakeMonitor>();
    wakeObserver_ = NotificationCenter::defaultCenter().addObserver(
        NSWorkspaceDidWakeNotification, this, [this](const Notification &) { awakeFromSleep(); });
}

void UpdateController::invalidateAutoUpdateTimer()
{
    if (!timer_)
        return;
    Clock::shared().withdraw(timer_);
    timer_ = 0;
    NotificationCenter::defaultCenter().removeObserver(wakeObserver_);
    wakeObserver_ = 0;
    wakeMonitor_.reset();
}

void UpdateController::autoUpdateTimeDidChange()
{
    if (isAutoUpdateEnabled())
        setupAutoUpdateTimerIfNeeded();
    else
        invalidateAutoUpdateTimer();
}

void UpdateController::applicationStarted()
{
    if (!isAutoUpdateEnabled())
        return;
    setupAutoUpdateTimerIfNeeded();
    if (defaults().boolForKey(Preference::AutoUpdateAtStartup))
        Clock::shared().callAfter(
            seconds(startupUpdateDelay), [this] { performScheduledReviewsAndRatingsUpdate(); },
            this);
}

void UpdateController::awakeFromSleep()
{
    if (isAutoUpdateEnabled())
        Clock::shared().callAfter(
            seconds(wakeUpdateDelay), [this] { performScheduledReviewsAndRatingsUpdate(); }, this);
}

void UpdateController::newProductAdded(const QVariantMap &userInfo)
{
    Products products;
    for (const QVariant &value : userInfo.value(QStringLiteral("products")).toList()) {
        if (auto product = std::dynamic_pointer_cast<Product>(value.value<ManagedObjectPtr>()))
            products << product;
    }
    if (!products.isEmpty())
        performLoadAllAction(products);
}

void UpdateController::rateLimitExceeded()
{
    if (isAutoUpdating_ || defaults().boolForKey(Preference::RateLimitExceededSuppress))
        return;
    QPointer<UpdateController> self(this);
    host_.showRateLimitAlert(localized("UpdateController", "Rate Limit Exceeded"),
        localized("UpdateController",
            "Please try again later, as the limit for the feed resets every couple of hours."),
        [self](bool suppress) {
            if (self)
                self->defaults().setBool(suppress, Preference::RateLimitExceededSuppress);
        });
}
