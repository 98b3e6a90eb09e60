#pragma once

#include "LocalHttpServer.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// Answers the App Store Connect API's review endpoints the way the service
// does, from the folder's "connect" subfolder (see README.md): the apps a key
// sees, their reviews newest first in pages with "links.next" and replies in
// "included", their versions and each version's reviews, and creating and
// deleting replies (kept in memory). Each request's bearer token must be an
// ES256 token signed by the private half of `publicKey`, for the API's
// audience and at most 20 minutes long; every answer carries X-Rate-Limit.
class FakeAppStoreConnect {
public:
    struct Options {
        // PEM of the public key tokens are checked with; none: every request is refused.
        QByteArray publicKey;
        // Requests answered before the hour's budget is spent (429 after).
        int hourlyBudget = 3500;
        // Creating or deleting a reply answers 403, as for a key whose role may not.
        bool readOnlyKey = false;
        // The most reviews a page holds, whatever the request asks.
        int pageLimit = 200;
    };

    FakeAppStoreConnect(const QString &folder, Options options);

    void setOptions(const Options &options) { options_ = options; }
    void setRoot(const QString &root) { root_ = root; }

    // The answer for an API path ("/v1/..."), or nothing for other paths.
    std::optional<LocalHttpServer::Response> answer(const LocalHttpServer::Request &request);

    // Why `authorization` ("Bearer <token>") is refused; empty when it is good.
    static QString checkToken(
        const QByteArray &authorization, const QByteArray &publicKey, const QDateTime &now);

    int requestCount() const { return requests_; }

private:
    struct Review {
        QJsonObject resource; // id, type and attributes
        QString version;
        QDateTime created;
    };

    LocalHttpServer::Response route(const LocalHttpServer::Request &request);
    LocalHttpServer::Response reviewPage(const LocalHttpServer::Request &request,
        QList<const Review *> reviews, const QString &path) const;
    LocalHttpServer::Response createReply(const LocalHttpServer::Request &request);
    LocalHttpServer::Response deleteReply(const QString &replyID);
    const QList<Review> &reviewsOf(const QString &appID);
    QList<QJsonObject> readList(const QString &name) const;

    QDir folder_;
    Options options_;
    QString root_;
    int requests_ = 0;
    QHash<QString, QList<Review>> reviews_; // by app, newest first, read once
    QHash<QString, QJsonObject> replies_; // by review: the reply resource
};
