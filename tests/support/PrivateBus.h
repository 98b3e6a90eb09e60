#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

// A private D-Bus session bus for one test, started from the machine's
// dbus-daemon and stopped with the object.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();

    bool isRunning() const { return !address_.isEmpty(); }
    const QString &address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

// Stands in for the desktop's notification service on a private bus and
// records each Notify call.
class NotificationServiceStub : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call
    {
        QString appName;
        QString summary;
        QString body;
        QVariantMap hints;
    };

    // Registers the service on the bus at `address`; false when it cannot.
    bool registerOn(const QString &address);
    ~NotificationServiceStub() override;

    QList<Call> calls;

public Q_SLOTS:
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int expireTimeout);
    QStringList GetCapabilities();

private:
    QString connectionName_;
};
