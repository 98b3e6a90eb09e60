#include "desktop/DesktopAppDelegate.h"
#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "platform/KeychainSecretStore.h"
#include "platform/Localization.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "shell/TerminationSignals.h"
#include "ui/widgets/Gallery.h"
#include "ui/window/MainWindow.h"
#include "ui/window/MainWindowController.h"
#include "ui/window/MessageBoxPresenter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QSessionManager>

namespace {

// The options, for both paths below; returns --gallery.
QCommandLineOption describeOptions(QCommandLineParser &options)
{
    options.setApplicationDescription(
        QStringLiteral("Follows what customers say about products in Apple's online stores."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption gallery(
        QStringLiteral("gallery"), QStringLiteral("Show the controls in their states."));
    options.addOption(gallery);
    return gallery;
}

// True when the arguments ask only for a text that needs no window. Qt's
// own options are listed by --help-all only when a GUI application parses
// them, so that one stays on the usual path when a display may be there.
bool asksOnlyForText(int argc, char *argv[])
{
    const bool mayHaveDisplay = qEnvironmentVariableIsSet("DISPLAY")
        || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help" || argument == "-v" || argument == "--version"
            || (argument == "--help-all" && !mayHaveDisplay))
            return true;
    }
    return false;
}

// --help and --version without a QApplication, which aborts when it finds
// no display: the same parser prints the same texts and exits.
int printText(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(AppPaths::applicationName());
    QCoreApplication::setApplicationVersion(AppPaths::version());
    QCoreApplication::setOrganizationDomain(QStringLiteral("reviewkeeper.org"));
    Localization::install(app);
    QCommandLineParser options;
    describeOptions(options);
    options.process(app);
    // Reached only when the parser found nothing to print after all.
    options.showHelp(2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (asksOnlyForText(argc, argv))
        return printText(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(AppPaths::applicationName());
    QApplication::setApplicationVersion(AppPaths::version());
    QApplication::setOrganizationDomain(QStringLiteral("reviewkeeper.org"));
    QGuiApplication::setDesktopFileName(AppPaths::applicationId());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/ReviewKeeper.png")));
    Localization::install(app);

    QCommandLineParser options;
    const QCommandLineOption gallery = describeOptions(options);
    options.process(app);

    if (options.isSet(gallery)) {
        Gallery window;
        window.show();
        return QApplication::exec();
    }

    MessageBoxPresenter presenter;
    Presenter::setShared(&presenter);
    UrlOpener::setHandler([](const QUrl &url) { return QDesktopServices::openUrl(url); });

    InstanceLock lock(AppPaths::lockFile());
    int exitStatus = -1;
    if (AppDelegate::exitIfRunningTwice(lock, presenter, [&](int status) { exitStatus = status; }))
        return exitStatus;

    AppDelegate::registerDefaults(UserDefaults::standard());
    KeychainSecretStore secrets;
    SecretStore::setShared(&secrets);

    DesktopAppDelegate delegate;
    delegate.awakeFromNib();
    presenter.setWindow(delegate.mainWindowController()->window());
    delegate.applicationDidFinishLaunching();

    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
        [&delegate] { delegate.applicationWillTerminate(); });
    // A signal and the end of the session quit the way the Quit action does.
    TerminationSignals termination([&delegate](int) { delegate.terminate(false); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &delegate,
        [&delegate](QSessionManager &) { delegate.terminate(false); });
    const int status = QApplication::exec();
    SecretStore::setShared(nullptr);
    Presenter::setShared(nullptr);
    return status;
}
