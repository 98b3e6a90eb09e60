#pragma once

#include <QDateTime>
#include <QPointer>

#include <chrono>
#include <functional>

class QObject;

// Time for the whole application: the current instant, and timers and delayed
// calls that can be withdrawn. Everything that waits goes through a Clock so
// that tests can replace it with a ManualClock and advance time at will.
//
// Timers belong to the thread that created them; the application creates them
// on the main thread only.
class Clock
{
public:
    using TimerId = quint64;
    using Duration = std::chrono::milliseconds;

    virtual ~Clock();

    virtual QDateTime now() const = 0;

    // Runs `action` once after `delay`. When `context` is destroyed first,
    // the call is withdrawn.
    virtual TimerId callAfter(Duration delay, std::function<void()> action,
                              QObject *context = nullptr) = 0;

    // Runs `action` every `interval` until withdrawn.
    virtual TimerId callEvery(Duration interval, std::function<void()> action,
                              QObject *context = nullptr) = 0;

    // Withdraws a pending call; an unknown or already fired id is ignored.
    virtual void withdraw(TimerId id) = 0;

    virtual bool isPending(TimerId id) const = 0;

    // The clock the application uses; a RealClock unless a test installed
    // another. The caller keeps ownership of an installed clock.
    static Clock &shared();
    static void setShared(Clock *clock);
};

// Seconds as a Clock duration, for texts that speak of seconds (3600, 0.25).
inline Clock::Duration seconds(double value)
{
    return Clock::Duration(qint64(value * 1000.0 + (value >= 0 ? 0.5 : -0.5)));
}
