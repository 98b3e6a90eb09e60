#include "platform/WakeMonitor.h"

#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"

#include <QDBusConnection>

WakeMonitor::WakeMonitor(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    watching_ = bus.connect(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
}

void WakeMonitor::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        NotificationCenter::defaultCenter().post(NSWorkspaceDidWakeNotification);
}
