#include "platform/UrlOpener.h"

#include "platform/Log.h"

#include <mutex>

namespace {
std::mutex handlerMutex;
UrlOpener::Handler &installedHandler()
{
    static UrlOpener::Handler handler;
    return handler;
}
} // namespace

bool UrlOpener::isAllowed(const QUrl &url, Origin origin)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    if (origin == Origin::Application)
        return true;
    const QString scheme = url.scheme().toLower();
    return (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

bool UrlOpener::open(const QUrl &url, Origin origin)
{
    if (!isAllowed(url, origin)) {
        logLine(QStringLiteral("Refusing to open %1").arg(url.toDisplayString()));
        return false;
    }
    Handler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = installedHandler();
    }
    if (handler)
        return handler(url);
    logLine(url.toString(QUrl::FullyEncoded));
    return true;
}

void UrlOpener::setHandler(Handler handler)
{
    std::lock_guard lock(handlerMutex);
    installedHandler() = std::move(handler);
}
