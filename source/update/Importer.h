#pragma once

#include "platform/Error.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class Country;
class ManagedObjectContext;
class Product;
class RequestQueue;
class UpdateHost;
class UpdateServices;
class UserDefaults;

// What the review and the ratings import share: a paced request queue of
// their own (one request at a time, no duplicates), a private context whose
// parent is the main context, progress texts for the host, and the
// countries of the selected regions. Main thread, except for the merges
// that run on the private context.
class Importer : public QObject {
    Q_OBJECT

public:
    using Completion = std::function<void(const Error &error)>;

    // The answers the imports tell apart.
    static constexpr qint64 rateLimitedCode = 403;
    static constexpr qint64 serviceUnavailableCode = 503;
    static constexpr qint64 cannotConnectToHostCode = -1004;
    static constexpr qint64 cancelledCode = -999;

    ~Importer() override;

    RequestQueue &requestQueue();
    ManagedObjectContext *privateManagedObjectContext();
    ManagedObjectContext *managedObjectContext() const;

    // Passes the text to the host on a later turn of the main loop.
    void updateProgress(const QString &text);
    void cancelLoadAction();
    // Waits until every merge started so far has reached the main context.
    void drainMerges();

    void setUserDefaults(UserDefaults *defaults) { defaults_ = defaults; }

    // Whether a product still exists in the main context.
    static bool isLive(const Product &product);

protected:
    Importer(
        UpdateServices &services, UpdateHost *host, quint64 requestsPerSecond, QObject *parent);

    // Calls the completion on a later turn of the main loop.
    void deliver(Completion completion, const Error &error);
    UserDefaults &defaults() const;
    // A failed answer, as both imports treat it: the rate limit and a
    // failed connection empty the queue, the service being unavailable is
    // logged, a cancellation is silent, and a failed connection or any other
    // error (logged) becomes `lastError`. Returns whether it was the rate
    // limit.
    bool handleFailedAnswer(const Error &error, const Country &country, Error &lastError);
    // Saves a merge on the private context; a failure is logged.
    static bool saveMerge(ManagedObjectContext &context, Error *error);
    // Asks the main context, from any thread, to save itself on a later turn
    // of the main loop; nothing is asked once the importer is gone.
    void saveMainContextLater();
    // Tells the host and the user of new or edited reviews of `products`,
    // in the order they were updated: the list is refreshed, the products'
    // star counts recomputed, and clicking the notification shows them.
    void announceReviews(
        const QString &announcement, const QList<std::shared_ptr<Product>> &products);
    // The countries of the selected regions, highest priority first; none
    // (with the log line the store queries or the selection gives) when
    // nothing is selected or nothing found.
    std::optional<QList<std::shared_ptr<Country>>> selectedCountries(bool logNoCountries);

    UpdateServices &services_;
    UpdateHost *host_ = nullptr;

private:
    const quint64 requestsPerSecond_;
    UserDefaults *defaults_ = nullptr;
    std::unique_ptr<RequestQueue> requestQueue_;
    std::unique_ptr<ManagedObjectContext> privateContext_;
};
