#pragma once

#include <QList>
#include <QNetworkDiskCache>
#include <QPair>

class Clock;

// The process's shared HTTP cache on disk. Each stored answer carries the
// instant it was stored ("CachedDate", kept as the QNetworkRequest::User
// attribute of the entry's metadata), which the request queue uses to serve
// fresh entries without asking the network. The request queue is its only
// reader and writer: the network access manager has no cache of its own.
class SharedURLCache : public QNetworkDiskCache {
    Q_OBJECT

public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    static constexpr qint64 MemoryCapacity = 1'024'000; // no memory tier here
    static constexpr qint64 DiskCapacity = 100'000'000;
    static constexpr QNetworkRequest::Attribute CachedDateAttribute = QNetworkRequest::User;

    explicit SharedURLCache(
        const QString &directory, Clock *clock = nullptr, QObject *parent = nullptr);

    QIODevice *prepare(const QNetworkCacheMetaData &metaData) override;

    // The instant a response was stored, invalid when unknown.
    static QDateTime cachedDate(const QNetworkCacheMetaData &metaData);

    // Stores the whole answer to a GET request, as a private HTTP cache may:
    // a success other than partial content, unless it says "no-store". Hop-by-
    // hop headers and cookies are not kept. True when it was stored.
    bool storeAnswer(
        const QUrl &url, int statusCode, const Headers &headers, const QByteArray &body);

    // The headers of a stored answer once a 304 confirmed it: the 304's own
    // replace them, except those that describe the body, which it lacks.
    static Headers revalidatedHeaders(const Headers &stored, const Headers &notModified);

    // Removes every entry.
    void removeAllCachedResponses() { clear(); }

private:
    Clock *clock_;
};
