#pragma once

#include "shell/AppDelegate.h"

#include <functional>

// The application core as the command-line companion runs it: user
// notifications become lines on standard error.
class CliAppDelegate : public AppDelegate {
    Q_OBJECT

public:
    using LinePrinter = std::function<void(const QString &line)>;

    explicit CliAppDelegate(LinePrinter printer, QObject *parent = nullptr);

    void notifyWithTitle(const QString &title, const QString &description = {},
        const QString &informativeText = {}, const QVariantMap &userInfo = {}) override;

private:
    LinePrinter printer_;
};
