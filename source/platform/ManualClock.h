#pragma once

#include "platform/Clock.h"

#include <QTimeZone>

#include <map>

// A clock that stands still until a test advances it. Due calls run inside
// advance(), in order of their due time (and of scheduling for equal times),
// with now() set to each call's due time while it runs.
class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(12, 0),
                                                     Qt::UTC));

    QDateTime now() const override;
    TimerId callAfter(Duration delay, std::function<void()> action,
                      QObject *context = nullptr) override;
    TimerId callEvery(Duration interval, std::function<void()> action,
                      QObject *context = nullptr) override;
    void withdraw(TimerId id) override;
    bool isPending(TimerId id) const override;

    // Moves time forward by `step`, running every call that falls due.
    void advance(Duration step);
    void advanceSeconds(double value) { advance(seconds(value)); }
    void setNow(const QDateTime &instant);

    int pendingCount() const { return int(calls_.size()); }

private:
    struct Call
    {
        qint64 dueMs;
        qint64 intervalMs; // 0 for a one-shot call
        std::function<void()> action;
        QPointer<QObject> context;
        bool guarded;
    };

    QDateTime now_;
    std::map<TimerId, Call> calls_;
    TimerId nextId_ = 1;
};
