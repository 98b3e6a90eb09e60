#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

// A private D-Bus session bus for one test, started from the machine's
// dbus-daemon and stopped with the object.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    bool isRunning() const { return !address_.isEmpty(); }
    const QString &address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

// Stands in for the desktop's notification service on a private bus: records
// each Notify call and sends the signals a user's click or close would.
class NotificationServiceStub : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName;
        QString summary;
        QString body;
        QVariantMap hints;
        uint replacesId = 0;
        QStringList actions;
    };

    // Registers the service on the bus at `address`; false when it cannot.
    bool registerOn(const QString &address);
    ~NotificationServiceStub() override;

    QList<Call> calls;

    // The user clicked notification `id` (action "default") or closed it.
    void invokeAction(uint id, const QString &actionKey);
    void closeNotification(uint id);

public Q_SLOTS:
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon,
        const QString &summary, const QString &body, const QStringList &actions,
        const QVariantMap &hints, int expireTimeout);
    QStringList GetCapabilities();

private:
    void emitSignal(const QString &name, const QVariantList &arguments);

    QString connectionName_;
    uint lastId_ = 0;
};
