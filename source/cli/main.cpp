#include "AppPaths.h"
#include "Localization.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("reviewkeeper-cli"));
    QCoreApplication::setApplicationVersion(AppPaths::version());
    Localization::install(app);

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "The command-line companion of %1: the same update engine and store, without a window.")
                                          .arg(AppPaths::applicationName()));
    options.addHelpOption();
    options.addVersionOption();
    options.process(app);
    return 0;
}
