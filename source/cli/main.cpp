#include "AppDelegate.h"
#include "AppPaths.h"
#include "Cli.h"
#include "Localization.h"
#include "Presenter.h"
#include "UserDefaults.h"

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
    AppDelegate::registerDefaults(UserDefaults::standard());

    int status = 0;
    {
        Cli cli(QCoreApplication::arguments());
        status = cli.run();
    }
    Presenter::setShared(nullptr);
    return status;
}
