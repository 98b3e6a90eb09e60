#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a call on the main loop, so that the process
// can save and end as it does when asked to quit. The signal handler only
// writes the signal's number to a pipe; a socket notifier reads it. One
// instance at a time; the previous handlers come back when it goes.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(int signal)>;

    // `handler` runs once, for the first signal. A second signal ends the
    // process at once, as it would without this object.
    explicit TerminationSignals(Handler handler, QObject *parent = nullptr);
    ~TerminationSignals() override;

    // The first signal received, 0 before one.
    int received() const { return received_; }

    // The exit status of a process ended by `signal`: 128 + its number.
    static int exitStatus(int signal) { return 128 + signal; }

private:
    void readSignal();

    Handler handler_;
    QSocketNotifier *notifier_ = nullptr;
    int received_ = 0;
};
