#include "WindowUpdateHost.h"

#include "MainWindow.h"
#include "StringFormat.h"
#include "UpdateController.h"

#include <QAction>
#include <QGuiApplication>
#include <QStatusBar>

namespace {

const QString kPerformLoad = QStringLiteral("performLoadAction");
const QString kPerformLoadAll = QStringLiteral("performLoadAllAction");
const QString kPerformCancelLoad = QStringLiteral("performCancelLoadAction");

} // namespace

WindowUpdateHost::WindowUpdateHost(ControllerSource controller) : controller_(std::move(controller))
{
}

void WindowUpdateHost::updateProgress(const QString &text)
{
    if (window_)
        window_->statusBar()->showMessage(text);
}

void WindowUpdateHost::showProgressView()
{
    if (window_)
        window_->statusBar()->show();
}

void WindowUpdateHost::hideProgressView()
{
    if (window_)
        window_->statusBar()->clearMessage();
}

bool WindowUpdateHost::respondsToAction(const QString &action) const
{
    return action == kPerformLoad || action == kPerformLoadAll || action == kPerformCancelLoad;
}

void WindowUpdateHost::performAction(const QString &action, const QVariant &)
{
    UpdateController *controller = controller_();
    if (!controller)
        return;
    if (action == kPerformLoad)
        controller->performLoadAction();
    else if (action == kPerformLoadAll)
        controller->performLoadAllAction();
    else if (action == kPerformCancelLoad)
        controller->performCancelLoadAction();
}

bool WindowUpdateHost::validateAction(const QString &action, QAction *item)
{
    if (action != kPerformLoadAll)
        return true;
    UpdateController *controller = controller_();
    // While automatic updates run, updating everything by hand needs Ctrl.
    const bool automatic = controller && controller->isAutoUpdateEnabled();
    const bool forced = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    item->setStatusTip(automatic && !forced
            ? localized("WindowUpdateHost", "( will be done automatically )")
            : QString());
    return !automatic || forced;
}
