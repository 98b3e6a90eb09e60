#pragma once

#include <QNetworkDiskCache>

class Clock;

// The process's shared HTTP cache on disk. Each stored response carries the
// instant it was stored ("CachedDate", kept as the QNetworkRequest::User
// attribute of the entry's metadata), which the request queue uses to serve
// fresh entries without asking the network.
class SharedURLCache : public QNetworkDiskCache
{
    Q_OBJECT

public:
    static constexpr qint64 MemoryCapacity = 1'024'000; // no memory tier here
    static constexpr qint64 DiskCapacity = 100'000'000;
    static constexpr QNetworkRequest::Attribute CachedDateAttribute = QNetworkRequest::User;

    explicit SharedURLCache(const QString &directory, Clock *clock = nullptr,
                            QObject *parent = nullptr);

    QIODevice *prepare(const QNetworkCacheMetaData &metaData) override;

    // The instant a response was stored, invalid when unknown.
    static QDateTime cachedDate(const QNetworkCacheMetaData &metaData);

    // Removes every entry.
    void removeAllCachedResponses() { clear(); }

private:
    Clock *clock_;
};
