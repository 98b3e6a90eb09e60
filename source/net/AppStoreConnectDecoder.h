#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// What the App Store Connect API answers, read from its JSON:API documents.
// Pure code for any thread; a document that is not what it should be gives
// nullopt, a resource that lacks what it needs is skipped.

// The developer's reply to a review. `state` is "PUBLISHED" or
// "PENDING_PUBLISH" as the service wrote it.
struct AppStoreConnectReply {
    QString identifier;
    QString body;
    QDateTime lastModified;
    QString state;

    bool operator==(const AppStoreConnectReply &) const = default;
};

struct AppStoreConnectReview {
    QString identifier;
    int rating = 0;
    QString title;
    QString body;
    QString reviewerNickname;
    QDateTime created;
    QString territory; // three letters, as the service writes it (USA)
    std::optional<AppStoreConnectReply> reply;
};

struct AppStoreConnectApp {
    QString identifier;
    QString name;
    QString bundleID;
};

struct AppStoreConnectVersion {
    QString identifier;
    QString versionString;
    QDateTime created;
};

// One page of a list, with the address of the next page exactly as given
// (empty on the last page).
template<typename T> struct AppStoreConnectPage {
    QList<T> items;
    QUrl next;
};

// The budget an answer's X-Rate-Limit header reports; -1 where it says nothing.
struct AppStoreConnectRateLimit {
    int hourlyLimit = -1;
    int remaining = -1;
};

namespace AppStoreConnectDecoder {

// Reviews with the replies the page includes.
std::optional<AppStoreConnectPage<AppStoreConnectReview>> reviewPage(const QByteArray &data);
std::optional<AppStoreConnectPage<AppStoreConnectApp>> appPage(const QByteArray &data);
std::optional<AppStoreConnectPage<AppStoreConnectVersion>> versionPage(const QByteArray &data);
// The answer to creating a reply.
std::optional<AppStoreConnectReply> reply(const QByteArray &data);

// The first error of an error document as "title: detail" (or what of it
// there is); empty when the body holds none.
QString errorMessage(const QByteArray &data);

// "user-hour-lim:3500;user-hour-rem:12;"
AppStoreConnectRateLimit rateLimit(const QByteArray &header);

} // namespace AppStoreConnectDecoder
