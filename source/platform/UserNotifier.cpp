#include "UserNotifier.h"

#include "AppPaths.h"
#include "Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// The freedesktop sound theme's name for an incoming message.
const QString SoundName = QStringLiteral("message-new-instant");
} // namespace

UserNotifier::UserNotifier(QObject *parent) : QObject(parent)
{
    fallback_ = [](const Message &message) {
        QString line = message.title;
        const QString body = bodyText(message);
        if (!body.isEmpty())
            line += QStringLiteral(": ") + body;
        logLine(line);
    };
}

UserNotifier &UserNotifier::shared()
{
    static UserNotifier notifier;
    return notifier;
}

void UserNotifier::setBusAddress(const QString &address)
{
    busAddress_ = address;
    connectionName_.clear();
}

void UserNotifier::setFallback(Fallback fallback)
{
    fallback_ = std::move(fallback);
}

QString UserNotifier::bodyText(const Message &message)
{
    QStringList parts;
    if (!message.subtitle.isEmpty())
        parts.append(message.subtitle);
    if (!message.informativeText.isEmpty())
        parts.append(message.informativeText);
    return parts.join(QLatin1Char('\n'));
}

void UserNotifier::deliver(const Message &message)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!busAddress_.isEmpty()) {
        if (connectionName_.isEmpty())
            connectionName_ = QStringLiteral("rk-notifier-%1").arg(quintptr(this));
        bus = QDBusConnection::connectToBus(busAddress_, connectionName_);
    }
    if (!bus.isConnected()) {
        if (fallback_)
            fallback_(message);
        Q_EMIT failed(QStringLiteral("no session bus"));
        return;
    }

    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), AppPaths::applicationId());
    if (message.playSound)
        hints.insert(QStringLiteral("sound-name"), SoundName);
    else
        hints.insert(QStringLiteral("suppress-sound"), true);

    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface,
                                                       QStringLiteral("Notify"));
    call << AppPaths::applicationName() << uint(0) << AppPaths::applicationId() << message.title
         << bodyText(message) << QStringList() << hints << int(-1);

    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, message](QDBusPendingCallWatcher *w) {
                QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError()) {
                    if (fallback_)
                        fallback_(message);
                    Q_EMIT failed(reply.error().message());
                    return;
                }
                Q_EMIT delivered(reply.value());
            });
}
