#pragma once

#include "net/AppStoreConnectDecoder.h"
#include "net/AppStoreConnectToken.h"
#include "platform/Error.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class RequestQueue;

// The client of the App Store Connect API for the developer's own apps: the
// apps a key sees, their reviews with replies, their versions, and replying.
// Requests go to the hidden preference "AppStoreConnectURL" when it holds an
// http(s) address, else to Apple's. Every request carries a bearer token
// signed with the key set last; answers are never kept in the shared cache.
// Main thread only; completions run later on the main thread, exactly once.
class AppStoreConnectClient {
public:
    enum ErrorCode {
        InvalidKey = AppStoreConnectToken::InvalidKeyCode,
        MalformedAnswer = 2,
        Unauthorized = 401, // the key was refused
        Forbidden = 403, // the key's role may not do this
        NotFound = 404, // the app is not the key's, or is gone
        RateLimited = 429, // the hour's budget is spent
    };

    static const QString defaultURL; // "https://api.appstoreconnect.apple.com/"
    static constexpr int pageLimit = 200;
    // Fewer requests left than this in the hour count as a spent budget, so
    // that an update stops before the service refuses it.
    static constexpr int reserveRequests = 25;

    template<typename T>
    using ListCompletion = std::function<void(const QList<T> &items, const Error &error)>;
    // Told of each page in order; answers whether the next page is wanted.
    template<typename T> using PageHandler = std::function<bool(const QList<T> &items)>;
    using ReplyCompletion =
        std::function<void(const std::optional<AppStoreConnectReply> &reply, const Error &error)>;
    using Completion = std::function<void(const Error &error)>;

    explicit AppStoreConnectClient(RequestQueue *queue = nullptr);

    static QString rootURL();

    void setKey(const AppStoreConnectKey &key);
    AppStoreConnectKey key() const;
    // The budget the last answer reported.
    AppStoreConnectRateLimit rateLimit() const;
    bool budgetSpent() const;

    enum class Order { NewestFirst, OldestFirst };

    void apps(ListCompletion<AppStoreConnectApp> completion);
    // In `order`, until the handler wants no more or the list ends; the
    // completion has every review read.
    void reviews(const QString &appID, PageHandler<AppStoreConnectReview> pageHandler,
        ListCompletion<AppStoreConnectReview> completion, Order order = Order::NewestFirst);
    void versions(const QString &appID, ListCompletion<AppStoreConnectVersion> completion);
    void versionReviews(const QString &versionID, PageHandler<AppStoreConnectReview> pageHandler,
        ListCompletion<AppStoreConnectReview> completion);

    // Creates the reply to a review, or replaces the one it has.
    void reply(const QString &reviewID, const QString &text, ReplyCompletion completion);
    void deleteReply(const QString &replyID, Completion completion);

    // The error for an answer's status and body; no error below 400.
    static Error errorFor(int statusCode, const QByteArray &body, const QByteArray &method);

    // What requests in flight share with the client, so that the client may
    // go before its answers come.
    struct State;

private:
    std::shared_ptr<State> state_;
};
