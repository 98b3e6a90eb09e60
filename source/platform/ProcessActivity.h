#pragma once

#include <QString>

// The "work in progress" assertion held while updates run. Linux offers no
// per-process equivalent that keeps the system from throttling us, so this is
// a token with the begin/end rules only: begin while held and end while not
// held do nothing, so callers need not balance their calls.
class ProcessActivity
{
public:
    void begin(const QString &reason);
    void end();

    bool isActive() const { return active_; }
    const QString &reason() const { return reason_; }

private:
    bool active_ = false;
    QString reason_;
};
