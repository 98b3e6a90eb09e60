#include "platform/AppPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace AppPaths {

QString applicationName()
{
    return QStringLiteral("ReviewKeeper");
}

QString applicationId()
{
    return QStringLiteral("org.reviewkeeper.ReviewKeeper");
}

QString version()
{
    return QStringLiteral(RK_VERSION);
}

QString applicationSupportDirectory()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(applicationId());
}

QString localStoreFile()
{
    return QDir(applicationSupportDirectory()).filePath(applicationName() + QStringLiteral(".db"));
}

QString lockFile()
{
    return QDir(applicationSupportDirectory())
        .filePath(applicationName() + QStringLiteral(".lock"));
}

QString preferencesFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(applicationId() + QStringLiteral(".conf"));
}

QString cacheDirectory()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(applicationId());
}

} // namespace AppPaths
