#include "SharedURLCache.h"

#include "Clock.h"

#include <QDateTime>

SharedURLCache::SharedURLCache(const QString &directory, Clock *clock, QObject *parent)
    : QNetworkDiskCache(parent), clock_(clock)
{
    setCacheDirectory(directory);
    setMaximumCacheSize(DiskCapacity);
}

QIODevice *SharedURLCache::prepare(const QNetworkCacheMetaData &metaData)
{
    QNetworkCacheMetaData stamped = metaData;
    auto attributes = stamped.attributes();
    const Clock &clock = clock_ ? *clock_ : Clock::shared();
    attributes.insert(CachedDateAttribute, clock.now());
    stamped.setAttributes(attributes);
    return QNetworkDiskCache::prepare(stamped);
}

QDateTime SharedURLCache::cachedDate(const QNetworkCacheMetaData &metaData)
{
    return metaData.attributes().value(CachedDateAttribute).toDateTime();
}
