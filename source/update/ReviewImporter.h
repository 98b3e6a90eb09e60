#pragma once

#include "platform/DispatchGroup.h"
#include "platform/store/StoreTypes.h"
#include "update/Importer.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

// Brings the customer reviews of products up to date: plans which countries
// and how many feed pages to ask, downloads one feed per product and country
// through one paced queue, merges every answer on a private context, and at
// the end saves, announces the new reviews and, after the feed's rate limit
// stopped the XML pass, runs a JSON pass for the unfinished products.
class ReviewImporter : public Importer {
    Q_OBJECT

public:
    // Reviews a merge stored for the first time, and known ones it found
    // edited.
    struct ReviewCounts {
        qint64 added = 0;
        qint64 edited = 0;

        bool isEmpty() const { return added == 0 && edited == 0; }
        ReviewCounts &operator+=(const ReviewCounts &other)
        {
            added += other.added;
            edited += other.edited;
            return *this;
        }
        ReviewCounts operator-(const ReviewCounts &earlier) const
        {
            return {added - earlier.added, edited - earlier.edited};
        }
    };
    using ImportCompletion = std::function<void(const ReviewCounts &counts, const Error &error)>;

    struct PlanEntry {
        std::shared_ptr<Product> product;
        QList<std::shared_ptr<Country>> countries;
    };
    using Plan = QList<PlanEntry>;

    // Merges save in pieces of this many records, so that the main thread
    // applies each piece within a frame.
    static constexpr int mergeBatchSize = 50;

    ReviewImporter(UpdateServices &services, UpdateHost *host = nullptr, QObject *parent = nullptr);

    void loadReviewsForProducts(
        const QList<std::shared_ptr<Product>> &products, Completion completion);
    void loadReviewsForProductsAndCountries(
        const Plan &plan, const QString &format, Completion completion);
    // Runs on the private context's thread; `completion` on the main thread.
    void importReviewsFromDictionaries(const QList<QVariantMap> &records,
        const std::shared_ptr<Product> &product, const QString &countryCode,
        ImportCompletion completion);

    // The feed's date of a record, or an invalid date when it gave none
    // usable (the JSON feed gives none).
    static QDateTime reviewedDate(const QVariantMap &record);

    static void safeDispatchImportCompletion(
        ImportCompletion completion, const ReviewCounts &counts, const Error &error);

    // "You have 3 new reviews and 1 edited review.", or null when `counts`
    // is empty.
    static QString announcement(const ReviewCounts &counts);

    // New and edited reviews stored by every load so far (for callers
    // without a notification area).
    ReviewCounts reviewsTotal() const { return reviewsTotal_; }

private:
    struct ProductState {
        int remainingCountries = 0;
        int pendingMerges = 0;
        bool mergeFailed = false;
        bool allAnswered = false;
        ReviewCounts reviews;
    };
    // What the pages of one product-country download showed: whether one
    // reached a review stored before, and how the last one read ended.
    struct FeedProbe {
        std::optional<bool> hasStored;
        bool reachedStored = false;
        quint64 pages = 0;
        bool lastPageFull = false;
        QDateTime oldestOnLastPage;

        // Every page the feed offers was full and none reached a review
        // stored before: whatever came between was never offered.
        bool readPastStoredReviews() const;
    };
    struct Load {
        QString format;
        Plan plan;
        Completion completion;
        bool rateLimited = false;
        Error lastError;
        // The first failed save: it is the load's error, presented once.
        Error mergeError;
        QList<std::shared_ptr<Product>> finished;
        QHash<const Product *, ProductState> products;
        DispatchGroup group;
    };

    void handleAnswer(const std::shared_ptr<Load> &load, const std::shared_ptr<Product> &product,
        const std::shared_ptr<Country> &country, const QList<QVariantMap> &records,
        const Error &error, const FeedProbe &probe);
    // Notes a page on `probe`; answers whether the next page is wanted. A
    // routine load reads on while pages are full and none reaches a review
    // stored before.
    bool pageAnswered(FeedProbe &probe, const Product &product, const QString &countryCode,
        bool routine, quint64 page, const QList<QVariantMap> &records);
    bool reachesStoredReview(FeedProbe &probe, const Product &product, const QString &countryCode,
        const QList<QVariantMap> &records);
    // Every page the feed offers was read without reaching a stored review:
    // whatever came between is missing.
    void recordGap(const std::shared_ptr<Product> &product, const QString &countryCode,
        const FeedProbe &probe);
    void mergeEnded(const std::shared_ptr<Load> &load, const std::shared_ptr<Product> &product,
        const ReviewCounts &counts, const Error &error);
    void markUpdatedWhenMerged(const std::shared_ptr<Load> &load, const Product *product);
    void finishLoad(const std::shared_ptr<Load> &load);

    ReviewCounts reviewsTotal_;
};
