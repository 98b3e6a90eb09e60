#pragma once

#include "platform/Presenter.h"

#include <QList>

// Records what the application asked to show and answers with a chosen
// button.
class RecordingPresenter : public Presenter
{
public:
    bool presentError(const Error &error) override
    {
        errors.append(error);
        return false;
    }

    AlertResponse runModal(const Alert &alert) override
    {
        alerts.append(alert);
        return response;
    }

    QList<Error> errors;
    QList<Alert> alerts;
    AlertResponse response;
};
