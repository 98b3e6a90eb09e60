#include "NetworkAccess.h"

#include "SharedURLCache.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>

namespace NetworkAccess {
namespace {
QPointer<SharedURLCache> installedCache;
}

QNetworkAccessManager &sharedManager()
{
    // Parented to the application object so that it goes before Qt's own
    // network state is torn down.
    static QNetworkAccessManager *manager = [] {
        auto *m = new QNetworkAccessManager(QCoreApplication::instance());
        m->setAutoDeleteReplies(false);
        return m;
    }();
    return *manager;
}

void installSharedURLCache(SharedURLCache *cache)
{
    installedCache = cache;
    sharedManager().setCache(cache);
}

SharedURLCache *sharedURLCache()
{
    return installedCache.data();
}

} // namespace NetworkAccess
