#pragma once

#include "net/AppStoreConnectDecoder.h"
#include "update/Importer.h"
#include "update/ReviewImporter.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class AppStoreConnectClient;

// Brings in the developer's own apps through App Store Connect: every review
// ever written, in every territory, with the developer's replies. A first
// load places reviews in their versions through every version's review list,
// then reads an app's whole history oldest first; later loads read newest
// first until a page reaches a review already stored, and place reviews by
// the current version's newest pages. A review the feed stored too is matched and kept
// once. Apps the key cannot see are left to the feed, silently; a spent
// hourly budget leaves the rest for the next update. Main thread, except
// for the merge on the private context.
class AppStoreConnectImporter : public Importer {
    Q_OBJECT

public:
    using ReviewCounts = ReviewImporter::ReviewCounts;
    using ImportCompletion = ReviewImporter::ImportCompletion;

    AppStoreConnectImporter(
        UpdateServices &services, UpdateHost *host = nullptr, QObject *parent = nullptr);
    ~AppStoreConnectImporter() override;

    // Loads the apps among `products`; no key connected is no error.
    void loadReviewsForProducts(
        const QList<std::shared_ptr<Product>> &products, Completion completion);

    // Stores reviews of one app: new ones unread, known ones (by identifier,
    // or a feed review they match) with their reply and version brought up
    // to date. `versions` maps review identifiers to version strings.
    // New reviews go to the forwarding outbox unless `history` (a first
    // load). Runs on the private context; `completion` on the main thread.
    void importReviews(const QList<AppStoreConnectReview> &reviews,
        const QHash<QString, QString> &versions, const std::shared_ptr<Product> &product,
        bool history, ImportCompletion completion);

    // Apps left for the next update by the last load, the budget being spent.
    int waitingApps() const { return waitingApps_; }
    ReviewCounts reviewsTotal() const { return reviewsTotal_; }

    // The client, for tests; a new one is made for each load otherwise.
    void setClient(std::shared_ptr<AppStoreConnectClient> client) { client_ = std::move(client); }

private:
    struct Load;
    void loadNext(const std::shared_ptr<Load> &load);
    void readApp(const std::shared_ptr<Load> &load, const std::shared_ptr<Product> &product);
    // A first load: the whole history oldest first, each page merged while
    // the next is read. One cut short keeps the oldest part, and the next
    // update reads newest first down to it.
    void readHistory(const std::shared_ptr<Load> &load, const std::shared_ptr<Product> &product,
        const QHash<QString, QString> &versionOf);
    // Maps review identifiers to versions through the versions' review
    // lists: every version's whole list, or only the current version's pages
    // holding reviews from `fresh`.
    void placeInVersions(const std::shared_ptr<Load> &load, const std::shared_ptr<Product> &product,
        const std::optional<QSet<QString>> &fresh,
        std::function<void(const QHash<QString, QString> &)> then);
    // Ends the app's read on `error` as it asks: true if the load moved on.
    bool stopsApp(const std::shared_ptr<Load> &load, const Error &error);
    void noteMerge(const std::shared_ptr<Load> &load, const std::shared_ptr<Product> &product,
        const ReviewCounts &counts, const Error &error);
    // The hour's budget is spent: the apps from `from` on wait.
    void stopForBudget(const std::shared_ptr<Load> &load, qsizetype from);
    void finish(const std::shared_ptr<Load> &load);

    std::shared_ptr<AppStoreConnectClient> client_;
    int waitingApps_ = 0;
    ReviewCounts reviewsTotal_;
};
