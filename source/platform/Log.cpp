#include "platform/Log.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex &logMutex()
{
    static std::mutex mutex;
    return mutex;
}
LogSink &currentSink()
{
    static LogSink sink;
    return sink;
}
} // namespace

void logLine(const QString &message)
{
    std::lock_guard lock(logMutex());
    if (currentSink()) {
        currentSink()(message);
        return;
    }
    const QByteArray bytes = message.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

LogSink setLogSink(LogSink sink)
{
    std::lock_guard lock(logMutex());
    LogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}
