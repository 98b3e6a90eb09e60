#include "platform/UserNotifier.h"

#include "platform/AppPaths.h"
#include "platform/Log.h"

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
// The action key the service reports when the notification itself is clicked.
const QString DefaultActionKey = QStringLiteral("default");
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

QDBusConnection UserNotifier::connection()
{
    if (busAddress_.isEmpty())
        return QDBusConnection::sessionBus();
    if (connectionName_.isEmpty()) {
        connectionName_ = QStringLiteral("rk-notifier-%1").arg(quintptr(this));
        subscribed_ = false;
    }
    return QDBusConnection::connectToBus(busAddress_, connectionName_);
}

void UserNotifier::deliver(const Message &message)
{
    QDBusConnection bus = connection();
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

    QStringList actions;
    if (!message.defaultActionTitle.isEmpty()) {
        actions << DefaultActionKey << message.defaultActionTitle;
        if (!subscribed_) {
            // Signals of the service reach every client; each keeps to its ids.
            bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString)));
            bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
            bus.connect(Service, Path, Interface, QStringLiteral("ActivationToken"), this,
                SLOT(activationToken(uint, QString)));
            subscribed_ = true;
        }
    }

    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    call << AppPaths::applicationName() << shownId_ << AppPaths::applicationId() << message.title
         << bodyText(message) << actions << hints << int(-1);

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
            shownId_ = reply.value();
            shownUserInfo_ = message.userInfo;
            Q_EMIT delivered(reply.value());
        });
}

void UserNotifier::actionInvoked(uint notificationId, const QString &actionKey)
{
    if (notificationId == 0 || notificationId != shownId_ || actionKey != DefaultActionKey)
        return;
    Q_EMIT activated(shownUserInfo_);
}

void UserNotifier::activationToken(uint notificationId, const QString &token)
{
    // Sent just before the action: with it the window may take the focus
    // from whatever the user was doing when they clicked.
    if (notificationId == shownId_ && !token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

void UserNotifier::notificationClosed(uint notificationId, uint)
{
    // A closed notification cannot be replaced; the next one starts afresh.
    if (notificationId == shownId_) {
        shownId_ = 0;
        shownUserInfo_.clear();
    }
}
