#pragma once

#include "ActionResponder.h"
#include "UpdateHost.h"

#include <QPointer>

#include <functional>

class MainWindow;
class UpdateController;

// The main window's side of updating until the content views take it over:
// progress in the status bar, errors and the rate-limit alert through the
// shared presenter, and the three update actions of the File menu.
class WindowUpdateHost : public UpdateHost, public ActionResponder {
public:
    using ControllerSource = std::function<UpdateController *()>;

    explicit WindowUpdateHost(ControllerSource controller);

    void setWindow(MainWindow *window) { window_ = window; }

    void updateProgress(const QString &text) override;
    void showProgressView() override;
    void hideProgressView() override;

    bool respondsToAction(const QString &action) const override;
    void performAction(const QString &action, const QVariant &sender) override;
    bool validateAction(const QString &action, QAction *item) override;

private:
    ControllerSource controller_;
    QPointer<MainWindow> window_;
};
