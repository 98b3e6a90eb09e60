#pragma once

#include "shell/AppDelegate.h"

#include <memory>

class HostViewController;
class MainOutlineViewController;
class MainWindowController;
class PreferencesPopoverViewController;
class RatingsViewController;
class ReviewController;
class SearchPopoverViewController;

// The application delegate of the desktop binary: the shared core plus the
// main window with its sidebar and content host.
class DesktopAppDelegate : public AppDelegate {
    Q_OBJECT

public:
    explicit DesktopAppDelegate(QObject *parent = nullptr);
    ~DesktopAppDelegate() override;

    // Created on first use.
    MainWindowController *mainWindowController();
    MainOutlineViewController *mainOutlineViewController() const { return sidebar_.get(); }
    HostViewController *hostViewController() const { return host_.get(); }
    SearchPopoverViewController *searchPopoverViewController() const { return search_.get(); }
    PreferencesPopoverViewController *preferencesPopoverViewController() const
    {
        return preferences_.get();
    }

    // Asks applicationShouldTerminate, then quits the event loop. Without
    // `canAsk` nothing is asked: the quit comes from a signal or the end of
    // the desktop session, and it runs once the current event is done.
    void terminate(bool canAsk = true);

protected:
    void showMainWindow(bool centre) override;
    bool isShiftKeyHeld() const override;
    // Raises the window and selects the first product of the notification
    // that still exists.
    void userNotificationActivated(const QVariantMap &userInfo) override;

private:
    // The sidebar, the two lists and the content host, placed in the window;
    // nothing when the store could not be opened (its error was shown).
    void buildContent();
    void updateEmptyState();

    // The content host is the engine's window too: it exists before the
    // update control, which reports to it.
    std::unique_ptr<HostViewController> host_;
    std::unique_ptr<MainOutlineViewController> sidebar_;
    std::unique_ptr<RatingsViewController> ratings_;
    std::unique_ptr<ReviewController> reviews_;
    std::unique_ptr<SearchPopoverViewController> search_;
    std::unique_ptr<PreferencesPopoverViewController> preferences_;
    std::unique_ptr<MainWindowController> mainWindowController_;
};
