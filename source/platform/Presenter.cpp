#include "platform/Presenter.h"

#include "platform/Dispatch.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<Presenter *> installedPresenter{nullptr};

void printLine(const QString &text)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
} // namespace

Presenter::~Presenter() = default;

void Presenter::beginSheet(const Alert &alert, std::function<void(AlertResponse)> completion)
{
    const AlertResponse response = runModal(alert);
    if (completion)
        dispatchMain([completion, response] { completion(response); });
}

Presenter &Presenter::shared()
{
    if (Presenter *presenter = installedPresenter.load())
        return *presenter;
    static TerminalPresenter terminal;
    return terminal;
}

void Presenter::setShared(Presenter *presenter)
{
    installedPresenter.store(presenter);
}

bool TerminalPresenter::presentError(const Error &error)
{
    printLine(error.localizedDescription());
    printLine(error.localizedFailureReason());
    return false;
}

AlertResponse TerminalPresenter::runModal(const Alert &alert)
{
    printLine(alert.messageText);
    printLine(alert.informativeText);
    return AlertResponse{};
}
