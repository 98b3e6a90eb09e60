#pragma once

#include "AppDelegate.h"

#include <memory>

class MainWindowController;
class WindowUpdateHost;

// The application delegate of the desktop binary: the shared core plus the
// main window.
class DesktopAppDelegate : public AppDelegate {
    Q_OBJECT

public:
    explicit DesktopAppDelegate(QObject *parent = nullptr);
    ~DesktopAppDelegate() override;

    // Created on first use.
    MainWindowController *mainWindowController();

    // Asks applicationShouldTerminate, then quits the event loop. Without
    // `canAsk` nothing is asked: the quit comes from a signal or the end of
    // the desktop session, and it runs once the current event is done.
    void terminate(bool canAsk = true);

protected:
    void showMainWindow(bool centre) override;
    bool isShiftKeyHeld() const override;

private:
    std::unique_ptr<WindowUpdateHost> updateHost_;
    std::unique_ptr<MainWindowController> mainWindowController_;
};
