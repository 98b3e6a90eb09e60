#include "support/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

PrivateBus::PrivateBus()
{
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
        QStringLiteral("--print-address")});
    daemon_.start();
    if (!daemon_.waitForStarted(5000))
        return;
    if (!daemon_.waitForReadyRead(5000))
        return;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(2000))
            daemon_.kill();
        daemon_.waitForFinished(2000);
    }
}

bool NotificationServiceStub::registerOn(const QString &address)
{
    connectionName_ = QStringLiteral("rk-notification-stub");
    QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName_);
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
            QDBusConnection::ExportAllSlots))
        return false;
    return bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

NotificationServiceStub::~NotificationServiceStub()
{
    if (!connectionName_.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName_);
}

uint NotificationServiceStub::Notify(const QString &appName, uint replacesId, const QString &,
    const QString &summary, const QString &body, const QStringList &actions,
    const QVariantMap &hints, int)
{
    calls.append(Call {appName, summary, body, hints, replacesId, actions});
    // A notification replaced keeps its id, as the service's interface says.
    return replacesId != 0 ? replacesId : ++lastId_;
}

void NotificationServiceStub::invokeAction(uint id, const QString &actionKey)
{
    emitSignal(QStringLiteral("ActionInvoked"), {id, actionKey});
}

void NotificationServiceStub::closeNotification(uint id)
{
    emitSignal(QStringLiteral("NotificationClosed"), {id, uint(2)});
}

void NotificationServiceStub::emitSignal(const QString &name, const QVariantList &arguments)
{
    QDBusMessage message =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), name);
    message.setArguments(arguments);
    QDBusConnection(connectionName_).send(message);
}

QStringList NotificationServiceStub::GetCapabilities()
{
    return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("sound")};
}
