#pragma once

#include "platform/Clock.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class AppStoreConnectImporter;
class DispatchGroup;
class Forwarder;
class Product;
class RatingsImporter;
class ReviewImporter;
class UpdateHost;
class UpdateServices;
class UserDefaults;
class WakeMonitor;

// Decides when reviews and ratings are downloaded and for which products:
// the update actions, the hourly automatic update (also shortly after
// start-up and after waking), updates of newly added products and the
// rate-limit alert. Every update loads the ratings first, then the reviews,
// then the developer's own apps through App Store Connect, delivers the
// forwarding outbox, and ends exactly once, through its completion group.
// Main thread only.
class UpdateController : public QObject {
    Q_OBJECT

public:
    using Products = QList<std::shared_ptr<Product>>;
    // Runs when the update it was given to has ended.
    using Finished = std::function<void()>;

    static constexpr double autoUpdateTimerInterval = 3600.0;
    static constexpr double startupUpdateDelay = 2.0;
    static constexpr double wakeUpdateDelay = 5.0;

    UpdateController(UpdateServices &services, UpdateHost &host, QObject *parent = nullptr);
    ~UpdateController() override;

    ReviewImporter &reviewController() { return *reviews_; }
    RatingsImporter &ratingsViewController() { return *ratings_; }
    AppStoreConnectImporter &connectImporter() { return *connect_; }
    Forwarder &forwarder() { return *forwarder_; }

    // One product: the given one, else the sidebar's selected product.
    void performLoadAction(const std::shared_ptr<Product> &product = {}, Finished finished = {});
    // The given products, else all, least recently updated first.
    void performLoadAllAction(
        const std::optional<Products> &products = std::nullopt, Finished finished = {});
    void performCancelLoadAction();
    void performScheduledReviewsAndRatingsUpdate();
    // The products whose reviews are older than the automatic update
    // interval, least recently updated first; none while it is off, and
    // nothing when the store cannot be read.
    std::optional<Products> productsDue() const;

    bool isAutoUpdateEnabled() const;
    void setupAutoUpdateTimerIfNeeded();
    void invalidateAutoUpdateTimer();
    bool hasAutoUpdateTimer() const { return timer_ != 0; }

    // Notification handlers.
    void applicationStarted();
    void autoUpdateTimeDidChange();
    void awakeFromSleep();
    void newProductAdded(const QVariantMap &userInfo);
    void rateLimitExceeded();

    void updateProgress(const QString &text);

    bool isAutoUpdating() const { return isAutoUpdating_; }
    // Updates started and not yet ended.
    int runningUpdates() const { return runningUpdates_; }
    // Waits until every merge of both imports has reached the store.
    void drainMerges();

    void setUserDefaults(UserDefaults *defaults);

private:
    void beginUpdate();
    void endUpdate(const Finished &finished);
    void presentIfError(const class Error &error);
    void loadConnectReviews(const Products &products, DispatchGroup group);
    UserDefaults &defaults() const;

    UpdateServices &services_;
    UpdateHost &host_;
    UserDefaults *defaults_ = nullptr;
    std::unique_ptr<ReviewImporter> reviews_;
    std::unique_ptr<RatingsImporter> ratings_;
    std::unique_ptr<AppStoreConnectImporter> connect_;
    std::unique_ptr<Forwarder> forwarder_;
    Clock::TimerId timer_ = 0;
    // Watches for waking only while the timer exists.
    std::unique_ptr<WakeMonitor> wakeMonitor_;
    NotificationCenter::ObserverId wakeObserver_ = 0;
    bool isAutoUpdating_ = false;
    int runningUpdates_ = 0;
};
