#pragma once

#include "platform/Error.h"

#include <QString>
#include <QStringList>

#include <functional>

// What the application shows the user in a modal message: the standard error
// presentation and alerts, some with a "do not show again" check box. The
// desktop shows message boxes, the command-line companion prints lines, tests
// record what was asked.
struct Alert
{
    enum class Style { Informational, Warning, Critical };

    QString messageText;
    QString informativeText;
    QStringList buttons;             // first is the default; none means "OK"
    bool showsSuppressionButton = false;
    Style style = Style::Warning;
};

struct AlertResponse
{
    int buttonIndex = 0; // index into Alert::buttons
    bool suppressionChecked = false;
};

class Presenter
{
public:
    virtual ~Presenter();

    // Shows the error's description (and failure reason) until dismissed.
    // True when the presentation recovered from the error; ours never do.
    virtual bool presentError(const Error &error) = 0;

    // A modal alert; returns once the user has answered.
    virtual AlertResponse runModal(const Alert &alert) = 0;

    // An alert attached to the main window; `completion` runs on the main
    // thread once it is dismissed.
    virtual void beginSheet(const Alert &alert, std::function<void(AlertResponse)> completion);

    // The presenter the application uses; a TerminalPresenter (lines on
    // standard error) until one is installed. The caller keeps ownership.
    static Presenter &shared();
    static void setShared(Presenter *presenter);
};

// Prints alerts and errors to standard error and answers with the default
// button: for runs without a window.
class TerminalPresenter : public Presenter
{
public:
    bool presentError(const Error &error) override;
    AlertResponse runModal(const Alert &alert) override;
};
