#pragma once

#include <QString>

#include <functional>

// The application's log: one plain line per message, without levels, on
// standard error. Messages are the texts the application defines, already
// formatted (see formatString).
void logLine(const QString &message);

// Tests capture the log by installing a sink; an empty function restores
// standard error. Returns the previous sink.
using LogSink = std::function<void(const QString &)>;
LogSink setLogSink(LogSink sink);
