#include "shell/AppDelegate.h"

#include "model/Country.h"
#include "model/ReviewTranslation.h"
#include "net/Translator.h"
#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "platform/Log.h"
#include "platform/NetworkAccess.h"
#include "platform/NotificationCenter.h"
#include "platform/NotificationNames.h"
#include "platform/PreferenceKeys.h"
#include "platform/Presenter.h"
#include "platform/SharedURLCache.h"
#include "platform/StringFormat.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "platform/UserNotifier.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/UpdateController.h"
#include "update/UpdateHost.h"

#include <QCoreApplication>
#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace {
AppDelegate *sharedDelegate = nullptr;

const char *const ProductPage = "https://reviewkeeper.org/";
const char *const SupportMailLink = "mailto:support@reviewkeeper.org";
} // namespace

AppDelegate::AppDelegate(QObject *parent) : QObject(parent)
{
    if (!sharedDelegate)
        sharedDelegate = this;
    // Reviews translate through the application's translation client, title
    // and text in one request.
    ReviewTranslation::setTranslateFunction(
        [](const QString &from, const QString &to, const QStringList &texts,
            ReviewTranslation::Completion completion) {
            Translator::sharedInstance().translateTexts(from, to, texts, std::move(completion));
        });
}

AppDelegate::~AppDelegate()
{
    // The imports' contexts are children of the main context: they go first.
    shutDownUpdates();
    if (context_)
        context_->drainChildren();
    context_.reset();
    if (sharedDelegate == this)
        sharedDelegate = nullptr;
}

UpdateController *AppDelegate::updateController()
{
    if (!updateController_) {
        if (!updateHost_) {
            plainUpdateHost_ = std::make_unique<UpdateHost>();
            updateHost_ = plainUpdateHost_.get();
        }
        updateController_ = std::make_unique<UpdateController>(*this, *updateHost_);
        updateController_->setUserDefaults(defaults_);
    }
    return updateController_.get();
}

void AppDelegate::shutDownUpdates()
{
    updateController_.reset();
}

AppDelegate *AppDelegate::shared()
{
    return sharedDelegate;
}

UserDefaults &AppDelegate::defaults() const
{
    return defaults_ ? *defaults_ : UserDefaults::standard();
}

bool AppDelegate::exitIfRunningTwice(
    InstanceLock &lock, Presenter &presenter, const std::function<void(int)> &exit)
{
    if (lock.tryLock())
        return false;
    Alert alert;
    if (lock.isHeldElsewhere()) {
        alert.style = Alert::Style::Informational;
        alert.messageText = formatString(
            localized("AppDelegate", "%@ is already running."), AppPaths::applicationName());
        presenter.runModal(alert);
        exit(0);
        return true;
    }
    alert.style = Alert::Style::Critical;
    alert.messageText =
        formatString(localized("AppDelegate", "%@ cannot start."), AppPaths::applicationName());
    alert.informativeText = lock.errorString();
    presenter.runModal(alert);
    exit(1);
    return true;
}

bool AppDelegate::registerDefaults(UserDefaults &defaults, const QString &path)
{
    return defaults.registerDefaultsFromFile(path);
}

void AppDelegate::awakeFromNib()
{
    UserDefaults &prefs = defaults();
    if (prefs.objectForKey(Preference::Crashed).isValid() && prefs.boolForKey(Preference::Crashed))
        logLine(
            formatString(QStringLiteral("It seems that %@ crashed!"), AppPaths::applicationName()));
    prefs.setBool(true, Preference::Crashed);
    prefs.synchronize();

    initializeDataBaseIfRequired();
}

void AppDelegate::initializeDataBaseIfRequired()
{
    ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return;
    // A store that holds even one country is left as it is.
    if (context->countForFetchRequest(FetchRequest(QStringLiteral("Country"))) != 0)
        return;
    context->disableUndo();
    Country::insertTableCountries(*context);
    context->enableUndo();
    saveAction();
}

void AppDelegate::applicationDidFinishLaunching()
{
    UserDefaults &prefs = defaults();
    showMainWindow(prefs.boolForKey(Preference::FirstLaunch));
    prefs.setBool(false, Preference::FirstLaunch);

    setUpSharedURLCache(isShiftKeyHeld());

    // The update control hears the start announcement and schedules updates.
    updateController();
    NotificationCenter::defaultCenter().post(kApplicationDidStartNotification, this);

    logLine(formatString(QStringLiteral("Welcome %@"), userFullName()));
}

bool AppDelegate::applicationShouldTerminate(bool canAsk)
{
    if (!context_)
        return true;
    // Imports still running push their last merges before the final save.
    context_->drainChildren();
    if (!context_->commitEditing()) {
        logLine(formatString(QStringLiteral("%@:%@ unable to commit editing to terminate"),
            QStringLiteral("AppDelegate"), QStringLiteral("applicationShouldTerminate:")));
        if (canAsk)
            return false;
    }
    if (!context_->hasChanges())
        return true;
    Error error;
    if (context_->save(&error))
        return true;
    failedToSave_ = true;
    if (!canAsk) {
        logLine(formatString(
            QStringLiteral("Could not save changes while quitting: %@"), error.debugDescription()));
        return true;
    }
    if (Presenter::shared().presentError(error))
        return false;
    Alert alert;
    alert.messageText =
        localized("AppDelegate", "Could not save changes while quitting. Quit anyway?");
    alert.informativeText = localized("AppDelegate",
        "Quitting now will lose any changes you have made since the last successful save");
    alert.buttons = {localized("AppDelegate", "Quit anyway"), localized("AppDelegate", "Cancel")};
    return Presenter::shared().runModal(alert).buttonIndex == 0;
}

void AppDelegate::applicationWillTerminate()
{
    UserDefaults &prefs = defaults();
    prefs.setBool(false, Preference::Crashed);
    prefs.synchronize();
}

void AppDelegate::beginActivity()
{
    activity_.begin(QStringLiteral("Network activity started"));
}

void AppDelegate::endActivity()
{
    activity_.end();
}

void AppDelegate::notifyWithTitle(const QString &title, const QString &description,
    const QString &informativeText, const QVariantMap &userInfo)
{
    UserDefaults &prefs = defaults();
    if (!prefs.boolForKey(Preference::ShowNotifications))
        return;
    UserNotifier::Message message;
    message.title = title;
    message.subtitle = description;
    message.informativeText = informativeText;
    message.userInfo = userInfo;
    message.playSound = prefs.boolForKey(Preference::PlayNotificationSound);
    message.defaultActionTitle = localized("AppDelegate", "Show");
    UserNotifier &notifier = notifier_ ? *notifier_ : UserNotifier::shared();
    if (observedNotifier_ != &notifier) {
        if (observedNotifier_)
            disconnect(observedNotifier_, nullptr, this, nullptr);
        observedNotifier_ = &notifier;
        connect(&notifier, &UserNotifier::activated, this, &AppDelegate::userNotificationActivated);
    }
    notifier.deliver(message);
}

void AppDelegate::userNotificationActivated(const QVariantMap &)
{
}

void AppDelegate::setUpSharedURLCache(bool clear)
{
    const QString directory = QDir(AppPaths::cacheDirectory()).filePath(QStringLiteral("http"));
    auto *cache = new SharedURLCache(directory);
    if (clear) {
        logLine(QStringLiteral("Clearing disk cache"));
        cache->removeAllCachedResponses();
    }
    NetworkAccess::installSharedURLCache(cache);
}

void AppDelegate::checkForUpdatesAction()
{
    Alert alert;
    alert.style = Alert::Style::Informational;
    alert.messageText = localized("AppDelegate", "Updates come with your distribution");
    alert.informativeText = formatString(
        localized("AppDelegate",
            "%@ %@ is updated by your system's package manager. Install the updates it "
            "offers to get the newest version."),
        AppPaths::applicationName(), AppPaths::version());
    Presenter::shared().runModal(alert);
}

QUrl AppDelegate::productPageURL()
{
    return QUrl(QString::fromLatin1(ProductPage));
}

QUrl AppDelegate::supportMailURL()
{
    const QString text =
        formatString(QStringLiteral("%@?subject=%@ %@%@"), QString::fromLatin1(SupportMailLink),
            AppPaths::applicationName(), AppPaths::version(), QString());
    return QUrl(text, QUrl::TolerantMode);
}

void AppDelegate::feedbackAndSupportAction()
{
    UrlOpener::open(supportMailURL(), UrlOpener::Origin::Application);
}

void AppDelegate::openProductPageAction()
{
    UrlOpener::open(productPageURL(), UrlOpener::Origin::Application);
}

void AppDelegate::openAcknowledgmentsAction()
{
    UrlOpener::open(productPageURL().resolved(QUrl(QStringLiteral("support/acknowledgments.pdf"))),
        UrlOpener::Origin::Application);
}

void AppDelegate::openPrivacyPageAction()
{
    UrlOpener::open(productPageURL().resolved(QUrl(QStringLiteral("privacy/"))),
        UrlOpener::Origin::Application);
}

QString AppDelegate::userFullName()
{
    if (const passwd *entry = getpwuid(getuid())) {
        // The GECOS field holds "Full Name,Room,Phone,…".
        const QString gecos = QString::fromLocal8Bit(entry->pw_gecos ? entry->pw_gecos : "");
        const QString fullName = gecos.section(QLatin1Char(','), 0, 0).trimmed();
        if (!fullName.isEmpty())
            return fullName;
        return QString::fromLocal8Bit(entry->pw_name);
    }
    return qEnvironmentVariable("USER");
}

void AppDelegate::showMainWindow(bool)
{
}

bool AppDelegate::isShiftKeyHeld() const
{
    return false;
}
