#include "platform/SharedURLCache.h"

#include "platform/Clock.h"

#include <QDateTime>
#include <QIODevice>

#include <algorithm>

namespace {

bool isOneOf(const QByteArray &name, std::initializer_list<const char *> names)
{
    return std::any_of(names.begin(), names.end(),
        [&](const char *candidate) { return name.compare(candidate, Qt::CaseInsensitive) == 0; });
}

// Headers about this one connection, and cookies, which are not the cache's.
bool isKeptInCache(const QByteArray &name)
{
    return !isOneOf(name,
        {"Connection", "Keep-Alive", "Proxy-Authenticate", "Proxy-Authorization", "TE", "Trailer",
            "Transfer-Encoding", "Upgrade", "Set-Cookie"});
}

} // namespace

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

bool SharedURLCache::storeAnswer(
    const QUrl &url, int statusCode, const Headers &headers, const QByteArray &body)
{
    if (statusCode < 200 || statusCode > 299 || statusCode == 206)
        return false;
    Headers kept;
    for (const auto &header : headers) {
        if (header.first.compare("Cache-Control", Qt::CaseInsensitive) == 0
            && header.second.toLower().contains("no-store"))
            return false;
        if (isKeptInCache(header.first))
            kept << header;
    }
    QNetworkCacheMetaData metaData;
    metaData.setUrl(url);
    metaData.setRawHeaders(kept);
    metaData.setAttributes({{QNetworkRequest::HttpStatusCodeAttribute, statusCode}});
    metaData.setSaveToDisk(true);
    QIODevice *device = prepare(metaData);
    if (!device)
        return false;
    device->write(body);
    insert(device);
    return true;
}

SharedURLCache::Headers SharedURLCache::revalidatedHeaders(
    const Headers &stored, const Headers &notModified)
{
    Headers headers = stored;
    for (const auto &header : notModified) {
        if (!isKeptInCache(header.first)
            || isOneOf(header.first,
                {"Content-Length", "Content-Type", "Content-Encoding", "Content-Range"}))
            continue;
        const auto same = std::find_if(headers.begin(), headers.end(), [&](const auto &old) {
            return old.first.compare(header.first, Qt::CaseInsensitive) == 0;
        });
        if (same != headers.end())
            same->second = header.second;
        else
            headers << header;
    }
    return headers;
}
