#include "platform/RealClock.h"

#include <QTimer>

RealClock::RealClock() = default;

RealClock::~RealClock()
{
    for (QTimer *timer : std::as_const(timers_))
        delete timer;
}

QDateTime RealClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

Clock::TimerId RealClock::callAfter(Duration delay, std::function<void()> action, QObject *context)
{
    return start(delay, false, std::move(action), context);
}

Clock::TimerId RealClock::callEvery(Duration interval, std::function<void()> action,
                                    QObject *context)
{
    return start(interval, true, std::move(action), context);
}

Clock::TimerId RealClock::start(Duration delay, bool repeats, std::function<void()> action,
                                QObject *context)
{
    const TimerId id = nextId_++;
    auto *timer = new QTimer;
    timer->setSingleShot(!repeats);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(std::max<qint64>(0, delay.count()));
    timers_.insert(id, timer);

    QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, repeats, guard, guarded, action] {
        if (guarded && !guard) {
            withdraw(id);
            return;
        }
        if (!repeats)
            withdraw(id);
        action();
    });
    if (context)
        QObject::connect(context, &QObject::destroyed, timer, [this, id] { withdraw(id); });
    timer->start();
    return id;
}

void RealClock::withdraw(TimerId id)
{
    if (QTimer *timer = timers_.take(id)) {
        timer->stop();
        timer->deleteLater();
    }
}

bool RealClock::isPending(TimerId id) const
{
    return timers_.contains(id);
}
