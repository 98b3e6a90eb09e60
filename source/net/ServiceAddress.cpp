#include "net/ServiceAddress.h"

#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"

#include <QSet>
#include <QUrl>

#include <mutex>

QString serviceAddress(const QString &key, const QString &fallback)
{
    const QString value = UserDefaults::standard().stringForKey(key).trimmed();
    if (value.isEmpty())
        return fallback;
    const QUrl url(value, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        static std::mutex mutex;
        static QSet<QString> reported;
        std::lock_guard lock(mutex);
        const QString entry = key + QLatin1Char('\n') + value;
        if (!reported.contains(entry)) {
            reported.insert(entry);
            logLine(formatString(
                QStringLiteral("Ignoring the %@ preference \"%@\": not an http or https address."),
                key, value));
        }
        return fallback;
    }
    return value.endsWith(QLatin1Char('/')) ? value : value + QLatin1Char('/');
}
