#pragma once

#include "platform/Clock.h"

#include <QHash>

class QTimer;

// The wall clock, with QTimer underneath. Each call owns one precise timer.
class RealClock : public Clock
{
public:
    RealClock();
    ~RealClock() override;

    QDateTime now() const override;
    TimerId callAfter(Duration delay, std::function<void()> action,
                      QObject *context = nullptr) override;
    TimerId callEvery(Duration interval, std::function<void()> action,
                      QObject *context = nullptr) override;
    void withdraw(TimerId id) override;
    bool isPending(TimerId id) const override;

private:
    TimerId start(Duration delay, bool repeats, std::function<void()> action, QObject *context);

    QHash<TimerId, QTimer *> timers_;
    TimerId nextId_ = 1;
};
