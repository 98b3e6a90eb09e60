#pragma once

#include "FakeAppStoreConnect.h"
#include "FakeReceivers.h"
#include "FakeTranslator.h"
#include "LocalHttpServer.h"

#include <QDir>
#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <QString>

#include <optional>

// Answers requests the way the store's web service and the translation
// service do, from a folder of answers (see README.md): review feed pages by
// country, product and page, lookups and searches over product records,
// artwork; translation requests go to a FakeTranslator, App Store Connect's
// to a FakeAppStoreConnect, forwarded reviews to FakeReceivers.
class FakeStore {
public:
    struct Options {
        // Feed pages after this many XML feed requests answer 403; -1: never.
        int rateLimit = -1;
        // The Cache-Control header of store answers; empty: none.
        QByteArray cacheControl;
        // An Expires header this many seconds from the answer (negative: in
        // the past); none: no header.
        std::optional<qint64> expiresIn;
        // An ETag on store answers, and 304 without a body to a request whose
        // If-None-Match names the answer's.
        bool etag = false;
        // XML feed pages of these countries (lower case) answer this status;
        // the JSON feed still answers, as it does past the XML feed's rate limit.
        QHash<QString, int> failingCountries;
        // Feed pages ("us/1") whose connection closes halfway through the body.
        QSet<QString> cutPages;
        // LibreTranslate translates without a key.
        bool libreOpen = false;
        // The App Store Connect stand-in's key and limits.
        FakeAppStoreConnect::Options connect;
    };

    FakeStore(const QString &folder, Options options);

    // Answers from now on follow `options`; the count of XML feed requests
    // for the rate limit goes on.
    void setOptions(const Options &options);

    // Serve through `server`; records may name "{root}", replaced by its root.
    void attach(LocalHttpServer &server);

    LocalHttpServer::Response answer(const LocalHttpServer::Request &request);

    const FakeTranslator &translator() const { return translator_; }
    FakeAppStoreConnect &appStoreConnect() { return connect_; }
    FakeReceivers &receivers() { return receivers_; }

private:
    LocalHttpServer::Response reviews(const LocalHttpServer::Request &request,
        const QString &country, const QString &identifier, int page, const QString &format);
    LocalHttpServer::Response lookup(const LocalHttpServer::Request &request);
    LocalHttpServer::Response search(const LocalHttpServer::Request &request);
    LocalHttpServer::Response image(const LocalHttpServer::Request &request, const QString &name);

    std::optional<QJsonObject> product(const QString &identifier, const QString &country) const;
    QList<QJsonObject> allProducts() const;
    std::optional<QJsonObject> readRecord(const QString &path) const;
    LocalHttpServer::Response storeAnswer(
        const LocalHttpServer::Request &request, QByteArray body, QByteArray contentType) const;

    QDir folder_;
    Options options_;
    QString root_;
    int xmlFeedRequests_ = 0;
    FakeTranslator translator_;
    FakeAppStoreConnect connect_;
    FakeReceivers receivers_;
};
