#include "platform/NotificationCenter.h"

#include <QObject>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const QString &name,
                                                               QObject *context, Handler handler,
                                                               const void *object)
{
    std::lock_guard lock(mutex_);
    const ObserverId id = nextId_++;
    observers_.push_back(Observer{id, name, context, context != nullptr, object,
                                  std::make_shared<Handler>(std::move(handler))});
    return id;
}

void NotificationCenter::removeObserver(ObserverId id)
{
    std::lock_guard lock(mutex_);
    std::erase_if(observers_, [id](const Observer &o) { return o.id == id; });
}

void NotificationCenter::removeObserver(QObject *context)
{
    std::lock_guard lock(mutex_);
    std::erase_if(observers_, [context](const Observer &o) {
        return o.guarded && (o.context == context || !o.context);
    });
}

void NotificationCenter::post(const QString &name, const void *object, const QVariantMap &userInfo)
{
    // Collect under the lock, call outside it: handlers may add or remove
    // observers or post further notifications.
    std::vector<std::pair<ObserverId, std::shared_ptr<Handler>>> targets;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(observers_, [](const Observer &o) { return o.guarded && !o.context; });
        for (const Observer &o : observers_) {
            if (o.name == name && (!o.object || o.object == object))
                targets.emplace_back(o.id, o.handler);
        }
    }
    const Notification notification{name, object, userInfo};
    for (auto &[id, handler] : targets) {
        bool stillObserving = false;
        {
            std::lock_guard lock(mutex_);
            for (const Observer &o : observers_) {
                if (o.id == id) {
                    stillObserving = !o.guarded || o.context;
                    break;
                }
            }
        }
        if (stillObserving)
            (*handler)(notification);
    }
}

int NotificationCenter::observerCount(const QString &name) const
{
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const Observer &o : observers_)
        count += (o.name == name && (!o.guarded || o.context)) ? 1 : 0;
    return count;
}
