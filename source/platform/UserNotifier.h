#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// Sends desktop notifications through the freedesktop notification service
// on the session bus. Calls are asynchronous: the main thread never waits for
// the bus. When no service answers (cron, ssh, no session), the notification
// is handed to the fallback instead, which logs or prints it.
//
// Each notification replaces the one delivered before it, so a day of
// updates leaves one notification, not a stack. A notification with a
// default action reports its activation with the user info it was sent
// with.
class UserNotifier : public QObject {
    Q_OBJECT

public:
    struct Message {
        QString title;
        QString subtitle;
        QString informativeText;
        QVariantMap userInfo;
        bool playSound = false;
        // The label of the action taken by clicking the notification; none
        // when empty.
        QString defaultActionTitle;
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
    // The user clicked the notification sent with `userInfo`.
    void activated(const QVariantMap &userInfo);

private Q_SLOTS:
    void actionInvoked(uint notificationId, const QString &actionKey);
    void notificationClosed(uint notificationId, uint reason);
    void activationToken(uint notificationId, const QString &token);

private:
    QDBusConnection connection();

    QString busAddress_;
    QString connectionName_;
    Fallback fallback_;
    bool subscribed_ = false;
    // The notification shown last, which the next one replaces.
    uint shownId_ = 0;
    QVariantMap shownUserInfo_;
};
