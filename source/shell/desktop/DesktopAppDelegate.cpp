#include "DesktopAppDelegate.h"

#include "MainWindow.h"
#include "MainWindowController.h"

#include <QApplication>

DesktopAppDelegate::DesktopAppDelegate(QObject *parent) : AppDelegate(parent)
{
}

DesktopAppDelegate::~DesktopAppDelegate() = default;

MainWindowController *DesktopAppDelegate::mainWindowController()
{
    if (!mainWindowController_) {
        mainWindowController_ = std::make_unique<MainWindowController>(this);
        mainWindowController_->onQuitRequested = [this] { terminate(); };
    }
    return mainWindowController_.get();
}

void DesktopAppDelegate::terminate()
{
    if (!applicationShouldTerminate())
        return;
    QCoreApplication::quit();
}

void DesktopAppDelegate::showMainWindow(bool centre)
{
    mainWindowController()->showWindow(centre);
}

bool DesktopAppDelegate::isShiftKeyHeld() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}
