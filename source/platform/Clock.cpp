#include "platform/Clock.h"

#include "platform/RealClock.h"

#include <atomic>

namespace {
std::atomic<Clock *> installedClock{nullptr};
}

Clock::~Clock() = default;

Clock &Clock::shared()
{
    if (Clock *clock = installedClock.load())
        return *clock;
    static RealClock realClock;
    return realClock;
}

void Clock::setShared(Clock *clock)
{
    installedClock.store(clock);
}
