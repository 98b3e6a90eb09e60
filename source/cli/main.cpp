#include "cli/Cli.h"
#include "platform/AppPaths.h"
#include "platform/KeychainSecretStore.h"
#include "platform/Localization.h"
#include "platform/Presenter.h"
#include "platform/UserDefaults.h"
#include "shell/AppDelegate.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("reviewkeeper-cli"));
    QCoreApplication::setApplicationVersion(AppPaths::version());
    Localization::install(app);

    // Alerts and errors of the shared core become lines on standard error.
    TerminalPresenter presenter;
    Presenter::setShared(&presenter);
    // Keys from the session's secret service; over ssh and from cron, from the environment.
    KeychainSecretStore secrets;
    SecretStore::setShared(&secrets);
    AppDelegate::registerDefaults(UserDefaults::standard());

    int status = 0;
    {
        Cli cli(QCoreApplication::arguments());
        status = cli.run();
    }
    SecretStore::setShared(nullptr);
    Presenter::setShared(nullptr);
    return status;
}
