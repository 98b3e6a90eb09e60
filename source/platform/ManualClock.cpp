#include "platform/ManualClock.h"

#include <QTimeZone>

ManualClock::ManualClock(QDateTime start) : now_(std::move(start)) {}

QDateTime ManualClock::now() const
{
    return now_;
}

Clock::TimerId ManualClock::callAfter(Duration delay, std::function<void()> action,
                                      QObject *context)
{
    const TimerId id = nextId_++;
    calls_.emplace(id, Call{now_.toMSecsSinceEpoch() + std::max<qint64>(0, delay.count()), 0,
                            std::move(action), context, context != nullptr});
    return id;
}

Clock::TimerId ManualClock::callEvery(Duration interval, std::function<void()> action,
                                      QObject *context)
{
    const qint64 step = std::max<qint64>(1, interval.count());
    const TimerId id = nextId_++;
    calls_.emplace(id, Call{now_.toMSecsSinceEpoch() + step, step, std::move(action), context,
                            context != nullptr});
    return id;
}

void ManualClock::withdraw(TimerId id)
{
    calls_.erase(id);
}

bool ManualClock::isPending(TimerId id) const
{
    return calls_.count(id) != 0;
}

void ManualClock::setNow(const QDateTime &instant)
{
    now_ = instant;
}

void ManualClock::advance(Duration step)
{
    const qint64 end = now_.toMSecsSinceEpoch() + std::max<qint64>(0, step.count());
    for (;;) {
        // The earliest due call; ids break ties so scheduling order holds.
        auto next = calls_.end();
        for (auto it = calls_.begin(); it != calls_.end(); ++it) {
            if (it->second.dueMs <= end
                && (next == calls_.end() || it->second.dueMs < next->second.dueMs))
                next = it;
        }
        if (next == calls_.end())
            break;

        Call &call = next->second;
        if (call.dueMs > now_.toMSecsSinceEpoch())
            now_ = QDateTime::fromMSecsSinceEpoch(call.dueMs, now_.timeZone());
        if (call.guarded && !call.context) {
            calls_.erase(next);
            continue;
        }
        std::function<void()> action = call.action;
        if (call.intervalMs > 0)
            call.dueMs += call.intervalMs;
        else
            calls_.erase(next);
        action();
    }
    now_ = QDateTime::fromMSecsSinceEpoch(end, now_.timeZone());
}
