#pragma once

#include "platform/Error.h"
#include "platform/ProcessActivity.h"
#include "update/UpdateServices.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>

class InstanceLock;
class ManagedObjectContext;
class ManagedObjectModel;
class PersistentStoreCoordinator;
class Presenter;
class UserDefaults;
class UpdateController;
class UpdateHost;
class UserNotifier;

// Owns the process from start to quit: the single-instance rule, registered
// defaults, the crash marker, the shared HTTP cache, the start announcement,
// the activity token, user notifications and the help actions. This core has
// no widget in it; the desktop start-up subclasses it to show the main window
// and the command-line companion uses it as it is.
class AppDelegate : public QObject, public UpdateServices {
    Q_OBJECT

public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // The application's delegate, or null before one exists.
    static AppDelegate *shared();

    // --- Start-up, in this order -------------------------------------------

    // When another process holds `lock`, shows "%@ is already running." and
    // calls `exit` with status 0 once the alert is dismissed; when the lock
    // file cannot be written, shows why and calls `exit` with status 1.
    // Returns whether it called `exit`.
    static bool exitIfRunningTwice(
        InstanceLock &lock, Presenter &presenter, const std::function<void(int)> &exit);

    // Registers the dictionary of "defaults.plist" from the resources.
    static bool registerDefaults(
        UserDefaults &defaults, const QString &path = QStringLiteral(":/defaults.plist"));

    // Reads and sets the crash marker, then prepares the store.
    virtual void awakeFromNib();
    virtual void initializeDataBaseIfRequired();

    // Shows the main window, sets up the shared HTTP cache, announces the
    // start and greets the user in the log.
    virtual void applicationDidFinishLaunching();

    // --- Store stack ---------------------------------------------------------

    // <XDG data home>/<application id>, and the store file in it.
    static QString applicationSupportDirectory();
    static QUrl localStoreURL();
    // The country table, built afresh on each call.
    static QVariantMap countryCodes();

    // Each built on first use and kept for the life of the process. When the
    // store cannot be opened, the error is presented once and the
    // coordinator and the context stay absent (null).
    std::shared_ptr<const ManagedObjectModel> managedObjectModel();
    std::shared_ptr<PersistentStoreCoordinator> persistentStoreCoordinator();
    ManagedObjectContext *managedObjectContext() override;

    // Commits pending edits and saves the main context; a save error is
    // presented.
    void saveAction() override;
    // Whether a save of this process has failed, in saveAction or at quit.
    bool hasFailedToSave() const { return failedToSave_; }

    // Presents an error of the store layer ("YOUR_ERROR_DOMAIN", 9999).
    static void presentError(
        const QString &description, const QString &failureReason, const Error &underlying = {});

    // --- Quit --------------------------------------------------------------

    // Whether quitting may go ahead now: drains the import contexts, saves,
    // and asks "Quit anyway?" when the save fails. Without `canAsk` (a
    // signal, the end of the session) a failed save is logged and the answer
    // is yes.
    virtual bool applicationShouldTerminate(bool canAsk = true);
    // Clears the crash marker and writes the preferences at once.
    virtual void applicationWillTerminate();

    // --- Services for the other parts ----------------------------------------

    void beginActivity() override;
    void endActivity() override;
    const ProcessActivity &activity() const { return activity_; }

    void notifyWithTitle(const QString &title, const QString &description = {},
        const QString &informativeText = {}, const QVariantMap &userInfo = {}) override;

    // The update engine, made on first use with the host set then (a host
    // that shows nothing when none was set). It must exist before the start
    // is announced, so applicationDidFinishLaunching makes it.
    UpdateController *updateController();
    void setUpdateHost(UpdateHost *host) { updateHost_ = host; }
    // Ends the update engine; a subclass that owns the host calls this
    // before the host goes.
    void shutDownUpdates();

    // The shared HTTP cache in the cache folder; when `clear` is set, it is
    // emptied first ("Clearing disk cache").
    void setUpSharedURLCache(bool clear);

    // --- Menu actions --------------------------------------------------------

    void checkForUpdatesAction();
    void feedbackAndSupportAction();
    void openProductPageAction();
    void openAcknowledgmentsAction();
    void openPrivacyPageAction();

    static QUrl productPageURL();
    static QUrl supportMailURL();

    // The user's full name from the account database, else the login name.
    static QString userFullName();

    // Replaceable for tests; the shared ones otherwise.
    void setUserDefaults(UserDefaults *defaults) { defaults_ = defaults; }
    void setUserNotifier(UserNotifier *notifier) { notifier_ = notifier; }

protected:
    // Shows the main window, centred when `centre` is set. Nothing without a
    // window.
    virtual void showMainWindow(bool centre);
    // The user clicked a notification; `userInfo` is what it was sent with
    // ("productIDs": the products that received new reviews). Nothing here.
    virtual void userNotificationActivated(const QVariantMap &userInfo);
    // Whether Shift is held while launching (clears the HTTP cache).
    virtual bool isShiftKeyHeld() const;

    UserDefaults &defaults() const;

private:
    ProcessActivity activity_;
    std::shared_ptr<PersistentStoreCoordinator> coordinator_;
    std::unique_ptr<ManagedObjectContext> context_;
    bool storeStackTried_ = false;
    bool failedToSave_ = false;
    UserDefaults *defaults_ = nullptr;
    UserNotifier *notifier_ = nullptr;
    QPointer<UserNotifier> observedNotifier_;
    UpdateHost *updateHost_ = nullptr;
    std::unique_ptr<UpdateHost> plainUpdateHost_;
    std::unique_ptr<UpdateController> updateController_;
};
