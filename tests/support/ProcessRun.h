#pragma once

#include <QByteArray>

#include <functional>

class QProcess;

// What a program run by a test printed and how it ended.
struct ProcessRun {
    // The exit code; -1 when it did not start, -2 when it crashed or was
    // killed.
    int status = -1;
    QByteArray out;
    QByteArray err;

    // Starts `process`, as set up by the caller, and runs it to its end
    // while this process's event loop turns, so that the test's own servers
    // answer meanwhile. `meanwhile` is called on each turn until it returns
    // true. A process still running after `timeoutMs` is killed.
    static ProcessRun of(QProcess &process, const std::function<bool(QProcess &)> &meanwhile = {},
        int timeoutMs = 120000);
};
