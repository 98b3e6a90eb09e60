#include "DesktopAppDelegate.h"

#include "MainWindow.h"
#include "MainWindowController.h"
#include "WindowUpdateHost.h"

#include <QApplication>

DesktopAppDelegate::DesktopAppDelegate(QObject *parent)
    : AppDelegate(parent),
      updateHost_(std::make_unique<WindowUpdateHost>([this] { return updateController(); }))
{
    setUpdateHost(updateHost_.get());
}

DesktopAppDelegate::~DesktopAppDelegate()
{
    shutDownUpdates();
}

MainWindowController *DesktopAppDelegate::mainWindowController()
{
    if (!mainWindowController_) {
        mainWindowController_ = std::make_unique<MainWindowController>(this);
        mainWindowController_->onQuitRequested = [this] { terminate(); };
        mainWindowController_->setHostViewController(updateHost_.get());
        updateHost_->setWindow(mainWindowController_->window());
    }
    return mainWindowController_.get();
}

void DesktopAppDelegate::terminate(bool canAsk)
{
    if (!applicationShouldTerminate(canAsk))
        return;
    if (canAsk)
        QCoreApplication::quit();
    else
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void DesktopAppDelegate::showMainWindow(bool centre)
{
    mainWindowController()->showWindow(centre);
}

bool DesktopAppDelegate::isShiftKeyHeld() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}
