#include "platform/NetworkAccess.h"

#include "platform/SharedURLCache.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>

namespace NetworkAccess {
namespace {
QPointer<SharedURLCache> installedCache;
QPointer<QNetworkAccessManager> madeManager;
} // namespace

QNetworkAccessManager &sharedManager()
{
    // Parented to the application object so that it goes before Qt's own
    // network state is torn down.
    static QNetworkAccessManager *manager = [] {
        auto *m = new QNetworkAccessManager(QCoreApplication::instance());
        m->setAutoDeleteReplies(false);
        madeManager = m;
        return m;
    }();
    return *manager;
}

bool closeIdleConnections()
{
    if (!madeManager)
        return false;
    madeManager->clearConnectionCache();
    return true;
}

void installSharedURLCache(SharedURLCache *cache)
{
    if (installedCache != cache)
        delete installedCache.data();
    if (cache)
        cache->setParent(&sharedManager());
    installedCache = cache;
}

SharedURLCache *sharedURLCache()
{
    return installedCache.data();
}

} // namespace NetworkAccess
