#pragma once

#include "FakeTranslator.h"
#include "LocalHttpServer.h"

#include <QDir>
#include <QJsonObject>
#include <QString>

// Answers requests the way the store's web service and the translation
// service do, from a folder of answers (see README.md): review feed pages by
// country, product and page, lookups and searches over product records,
// artwork; translation requests go to a FakeTranslator.
class FakeStore {
public:
    struct Options {
        // Feed pages after this many XML feed requests answer 403; -1: never.
        int rateLimit = -1;
        // "Cache-Control: max-age=<n>" on store answers; -1: no header.
        int maxAge = -1;
        // LibreTranslate translates without a key.
        bool libreOpen = false;
    };

    FakeStore(const QString &folder, Options options);

    // Serve through `server`; records may name "{root}", replaced by its root.
    void attach(LocalHttpServer &server);

    LocalHttpServer::Response answer(const LocalHttpServer::Request &request);

    const FakeTranslator &translator() const { return translator_; }

private:
    LocalHttpServer::Response reviews(
        const QString &country, const QString &identifier, int page, const QString &format);
    LocalHttpServer::Response lookup(const QUrlQuery &query);
    LocalHttpServer::Response search(const QUrlQuery &query);
    LocalHttpServer::Response image(const QString &name);

    std::optional<QJsonObject> product(const QString &identifier, const QString &country) const;
    QList<QJsonObject> allProducts() const;
    std::optional<QJsonObject> readRecord(const QString &path) const;
    LocalHttpServer::Response storeAnswer(QByteArray body, QByteArray contentType) const;

    QDir folder_;
    Options options_;
    QString root_;
    int xmlFeedRequests_ = 0;
    FakeTranslator translator_;
};
