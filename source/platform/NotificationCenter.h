#pragma once

#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <mutex>
#include <vector>

class QObject;

struct Notification
{
    QString name;
    const void *object = nullptr; // the poster, compared by identity only
    QVariantMap userInfo;
};

// Application-wide announcements by name. Delivery is synchronous, on the
// posting thread, in the order observers were added. An observer may remove
// itself (or others) while being called.
class NotificationCenter
{
public:
    using ObserverId = quint64;
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    // Calls `handler` for every notification `name`, or only for those posted
    // with `object` when one is given. The observation ends when `context`
    // is destroyed, or with removeObserver.
    ObserverId addObserver(const QString &name, QObject *context, Handler handler,
                           const void *object = nullptr);
    void removeObserver(ObserverId id);
    // Removes every observation tied to `context`.
    void removeObserver(QObject *context);

    void post(const QString &name, const void *object = nullptr, const QVariantMap &userInfo = {});

    int observerCount(const QString &name) const;

private:
    struct Observer
    {
        ObserverId id;
        QString name;
        QPointer<QObject> context;
        bool guarded;
        const void *object;
        std::shared_ptr<Handler> handler;
    };

    mutable std::mutex mutex_;
    std::vector<Observer> observers_;
    ObserverId nextId_ = 1;
};
