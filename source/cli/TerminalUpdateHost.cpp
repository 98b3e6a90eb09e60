#include "cli/TerminalUpdateHost.h"

#include "cli/OutputTable.h"

#include <unistd.h>

TerminalUpdateHost::TerminalUpdateHost(FILE *stream)
    : stream_(stream), live_(isatty(fileno(stream)) == 1)
{
}

TerminalUpdateHost::~TerminalUpdateHost()
{
    endLiveLine();
}

void TerminalUpdateHost::endLiveLine()
{
    if (!lineOpen_)
        return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    lineOpen_ = false;
}

void TerminalUpdateHost::printLine(const QString &text)
{
    endLiveLine();
    std::fputs(OutputTable::terminalSafe(text).toUtf8().append('\n').constData(), stream_);
    std::fflush(stream_);
}

void TerminalUpdateHost::updateProgress(const QString &text)
{
    const QByteArray line = OutputTable::terminalSafe(text).toUtf8();
    if (!live_) {
        std::fputs(line.constData(), stream_);
        std::fputc('\n', stream_);
    } else {
        std::fputs("\r\033[K", stream_);
        std::fputs(line.constData(), stream_);
        lineOpen_ = true;
    }
    std::fflush(stream_);
}

void TerminalUpdateHost::hideProgressView()
{
    endLiveLine();
}

void TerminalUpdateHost::presentError(const Error &error)
{
    errors_ << error;
    QString text = error.localizedDescription();
    const QString reason = error.localizedFailureReason();
    if (!reason.isEmpty())
        text += QLatin1Char(' ') + reason;
    printLine(text);
}

void TerminalUpdateHost::showRateLimitAlert(
    const QString &message, const QString &information, std::function<void(bool)>)
{
    // Nothing to tick on a terminal: the preference stays as it is.
    printLine(message);
    printLine(information);
}
