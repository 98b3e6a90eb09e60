#pragma once

#include "platform/Presenter.h"

#include <QPointer>

class QWidget;

// Alerts and errors as window-modal message boxes over the main window (or
// application-modal before it exists).
class MessageBoxPresenter : public Presenter {
public:
    bool presentError(const Error &error) override;
    AlertResponse runModal(const Alert &alert) override;
    void beginSheet(const Alert &alert, std::function<void(AlertResponse)> completion) override;

    void setWindow(QWidget *window) { window_ = window; }

private:
    QPointer<QWidget> window_;
};
