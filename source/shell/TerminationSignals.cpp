#include "shell/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int watchedSignals[] = {SIGINT, SIGTERM};
struct sigaction previousActions[std::size(watchedSignals)];

extern "C" void writeSignalToPipe(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(Handler handler, QObject *parent)
    : QObject(parent), handler_(std::move(handler))
{
    Q_ASSERT(pipeEnds[0] < 0);
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    struct sigaction action = {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(watchedSignals); ++i) {
        sigaction(watchedSignals[i], nullptr, &previousActions[i]);
        // A signal ignored from the start (a background job's SIGINT) stays so.
        if (previousActions[i].sa_handler != SIG_IGN)
            sigaction(watchedSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (pipeEnds[0] < 0)
        return;
    if (!received_) {
        for (size_t i = 0; i < std::size(watchedSignals); ++i)
            sigaction(watchedSignals[i], &previousActions[i], nullptr);
    }
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1) {
        if (received_)
            continue;
        received_ = byte;
        // Whoever insists with a second signal gets the default ending.
        for (size_t i = 0; i < std::size(watchedSignals); ++i)
            sigaction(watchedSignals[i], &previousActions[i], nullptr);
        if (handler_)
            handler_(received_);
    }
}
