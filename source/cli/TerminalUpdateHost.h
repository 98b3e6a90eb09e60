#pragma once

#include "update/UpdateHost.h"

#include <QList>

#include <cstdio>

// The update engine's user interface on a terminal: progress texts on
// standard error (one live line on a terminal, one line each otherwise),
// errors and the rate-limit alert as plain lines there too.
class TerminalUpdateHost : public UpdateHost {
public:
    explicit TerminalUpdateHost(FILE *stream = stderr);
    ~TerminalUpdateHost() override;

    void updateProgress(const QString &text) override;
    void hideProgressView() override;
    void presentError(const Error &error) override;
    void showRateLimitAlert(const QString &message, const QString &information,
        std::function<void(bool)> completion) override;

    // Errors presented so far.
    const QList<Error> &errors() const { return errors_; }

    // Writes a line to the stream, ending a live progress line first.
    void printLine(const QString &text);

private:
    void endLiveLine();

    FILE *stream_;
    bool live_ = false;
    bool lineOpen_ = false;
    QList<Error> errors_;
};
