#pragma once

#include "LocalHttpServer.h"
#include "support/StoreAnswers.h"

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QStringList>

// The store's review feeds and lookup service on the local server, served
// from tables that a test fills: the reviews of each product and country
// (newest first, 50 to a page, both formats) and the lookup record of each
// product and country. Anything can be overridden per request.
class FeedServer {
public:
    struct FeedRequest {
        QString country;
        QString identifier;
        int page = 0;
        bool json = false;
    };
    struct LookupRequest {
        QString country;
        QStringList identifiers;
    };

    FeedServer();

    LocalHttpServer &http() { return http_; }
    QString rootURL() const { return http_.rootURL(); }

    // Reviews of a product in a country, newest first.
    QList<StoreAnswers::Review> &reviews(const QString &identifier, const QString &country);
    // The lookup record of a product in a country; none: the product is not
    // in the answer.
    void setLookupRecord(const QString &identifier, const QString &country, QJsonObject record);

    // Decides the answer to a feed page before the tables do (403, 503…).
    using FeedOverride =
        std::function<std::optional<LocalHttpServer::Response>(const FeedRequest &)>;
    void setFeedOverride(FeedOverride override) { feedOverride_ = std::move(override); }
    using LookupOverride =
        std::function<std::optional<LocalHttpServer::Response>(const LookupRequest &)>;
    void setLookupOverride(LookupOverride override) { lookupOverride_ = std::move(override); }
    void setDelayMs(int delay) { delayMs_ = delay; }

    const QList<FeedRequest> &feedRequests() const { return feedRequests_; }
    const QList<LookupRequest> &lookupRequests() const { return lookupRequests_; }
    void clearRecorded();

    static constexpr int pageSize = 50;

private:
    std::optional<LocalHttpServer::Response> answer(const LocalHttpServer::Request &request);

    LocalHttpServer http_;
    QHash<QString, QList<StoreAnswers::Review>> reviews_;
    QHash<QString, QJsonObject> lookups_;
    FeedOverride feedOverride_;
    LookupOverride lookupOverride_;
    QList<FeedRequest> feedRequests_;
    QList<LookupRequest> lookupRequests_;
    int delayMs_ = 0;
};
