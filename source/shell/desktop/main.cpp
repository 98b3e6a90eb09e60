#include "AppPaths.h"
#include "DesktopAppDelegate.h"
#include "Gallery.h"
#include "InstanceLock.h"
#include "Localization.h"
#include "MainWindow.h"
#include "MainWindowController.h"
#include "MessageBoxPresenter.h"
#include "TerminationSignals.h"
#include "UrlOpener.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QIcon>
#include <QSessionManager>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppPaths::applicationName());
    QApplication::setApplicationVersion(AppPaths::version());
    QApplication::setOrganizationDomain(QStringLiteral("reviewkeeper.org"));
    QGuiApplication::setDesktopFileName(AppPaths::applicationId());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/ReviewKeeper.png")));
    Localization::install(app);

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Follows what customers say about products in Apple's online stores."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption gallery(
        QStringLiteral("gallery"), QStringLiteral("Show the controls in their states."));
    options.addOption(gallery);
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
    Presenter::setShared(nullptr);
    return status;
}
