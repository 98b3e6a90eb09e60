#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// Sends desktop notifications through the freedesktop notification service
// on the session bus. Calls are asynchronous: the main thread never waits for
// the bus. When no service answers (cron, ssh, no session), the notification
// is handed to the fallback instead, which logs or prints it.
class UserNotifier : public QObject
{
    Q_OBJECT

public:
    struct Message
    {
        QString title;
        QString subtitle;
        QString informativeText;
        QVariantMap userInfo;
        bool playSound = false;
    };

    explicit UserNotifier(QObject *parent = nullptr);

    static UserNotifier &shared();

    // The bus to use; the session bus unless set (tests use a private bus).
    // Must be set before the first deliver().
    void setBusAddress(const QString &address);

    void deliver(const Message &message);

    using Fallback = std::function<void(const Message &)>;
    void setFallback(Fallback fallback);

    // The body shown under the summary: subtitle and informative text.
    static QString bodyText(const Message &message);

Q_SIGNALS:
    // After the service accepted a notification, with its id.
    void delivered(uint notificationId);
    // After the service failed to answer; the fallback has run.
    void failed(const QString &reason);

private:
    QString busAddress_;
    QString connectionName_;
    Fallback fallback_;
};
