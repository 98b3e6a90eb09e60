#pragma once

#include "platform/ManualClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// Runs the event loop until `condition` holds or `timeoutMs` of real time
// passed. With a manual clock, calls due now (zero delays) run on each turn,
// but time itself does not move.
template<typename Condition>
bool waitFor(Condition condition, ManualClock *clock = nullptr, int timeoutMs = 1500)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (clock)
            clock->advance(Clock::Duration(0));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (condition())
            return true;
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(1);
    }
}
