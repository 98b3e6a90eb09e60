#pragma once

#include "net/HTTPURLResponse.h"
#include "platform/Error.h"

#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <optional>

class ISO8601DateFormatter;
class RequestQueue;

// The client of the store's web service: paged customer-review feeds (XML or
// JSON), lookups by identifier, search and artwork. Requests go to the store
// root, which the hidden preference "StoreRootURL" replaces. Every completion
// runs later on the main thread, never inside the network callback. A nil
// queue means RequestQueue::mainQueue(). Product records are passed on as the
// store wrote them; read "trackId" with toInteger().
class Downloader {
public:
    using FeedRecords = QList<QVariantMap>;
    using ProductRecords = QList<QJsonObject>;
    using ReviewsCompletion = std::function<void(const FeedRecords &reviews, const Error &error)>;
    using LookupCompletion = std::function<void(const ProductRecords &results, const Error &error)>;
    using SingleLookupCompletion =
        std::function<void(const std::optional<QJsonObject> &result, const Error &error)>;
    using SearchCompletion =
        std::function<void(const std::optional<ProductRecords> &results, const Error &error)>;
    using ImageCompletion = std::function<void(const QImage &image, const Error &error)>;
    // Told of each page of a paged feed that held reviews, in order, on the
    // main thread; answers whether the next page is wanted.
    using PageHandler = std::function<bool(quint64 page, const FeedRecords &records)>;

    // Search option bits, in the order their entities are listed.
    enum SearchOption : quint64 {
        SearchIOSApps = 2,
        SearchMacApps = 1,
        SearchBooks = 4,
        SearchPodcasts = 8,
    };

    static constexpr int maximumFeedPages = 10;
    // A full feed page; fewer mean the feed has no older reviews.
    static constexpr int reviewsPerFeedPage = 50;
    static constexpr int lookupBatchSize = 50;
    static constexpr int resultLimit = 50;
    static constexpr double requestTimeout = 15.0;

    static const QString defaultStoreRootURL; // "https://itunes.apple.com/"
    static const QString storeRootURLKey; // "StoreRootURL"

    static Downloader &sharedInstance();
    static ISO8601DateFormatter &isoDateFormatter();

    // The root in force: the preference when it holds an http(s) address,
    // always ending in "/".
    static QString storeRootURL();

    // Format "xml" (or a null text) or "json", any case; another format
    // requests nothing and never completes. Pages are read until `maxPages`,
    // an empty page, or a page on which `pageHandler` asks for no more.
    void reviewsForId(const QString &identifier, const QString &countryCode, const QString &format,
        quint64 maxPages, RequestQueue *queue, ReviewsCompletion completion,
        PageHandler pageHandler = {});
    void RSSById(const QString &identifier, const QString &countryCode, quint64 maxPages,
        RequestQueue *queue, ReviewsCompletion completion, PageHandler pageHandler = {});
    void JSONById(const QString &identifier, const QString &countryCode, quint64 maxPages,
        RequestQueue *queue, ReviewsCompletion completion, PageHandler pageHandler = {});

    void lookupByIds(const QStringList &identifiers, const QString &countryCode,
        RequestQueue *queue, LookupCompletion completion);
    void lookupById(const QString &identifier, const QString &countryCode, RequestQueue *queue,
        SingleLookupCompletion completion);

    void search(
        const QString &term, quint64 options, RequestQueue *queue, SearchCompletion completion);

    // No fallback queue: callers always pass theirs.
    void loadImageFromURL(const QUrl &url, RequestQueue &queue, ImageCompletion completion);

    bool checkResponse(const HTTPURLResponse &response);

    // The pieces of the URLs, for callers and tests.
    static QString entityListForOptions(quint64 options);
    static QString encodedSearchTerm(const QString &term);
    static QUrl reviewsURL(
        const QString &identifier, const QString &countryCode, quint64 page, bool json);
    static QUrl lookupURL(const QStringList &identifiers, const QString &countryCode);
    static QUrl searchURL(const QString &term, quint64 options);

private:
    void pagedFeed(const QString &identifier, const QString &countryCode, quint64 maxPages,
        bool json, RequestQueue *queue, ReviewsCompletion completion, PageHandler pageHandler);
};
