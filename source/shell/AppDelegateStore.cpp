// The store stack of the application delegate: where the store lives, how
// it is opened, and saving.
#include "shell/AppDelegate.h"

#include "model/CountryTable.h"
#include "model/DataModel.h"
#include "platform/AppPaths.h"
#include "platform/Log.h"
#include "platform/Presenter.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QDir>
#include <QFileInfo>

QString AppDelegate::applicationSupportDirectory()
{
    return AppPaths::applicationSupportDirectory();
}

QUrl AppDelegate::localStoreURL()
{
    return QUrl::fromLocalFile(AppPaths::localStoreFile());
}

QVariantMap AppDelegate::countryCodes()
{
    return CountryTable::countryCodes();
}

void AppDelegate::presentError(
    const QString &description, const QString &failureReason, const Error &underlying)
{
    Presenter::shared().presentError(Error::storeError(description, failureReason, underlying));
}

std::shared_ptr<const ManagedObjectModel> AppDelegate::managedObjectModel()
{
    return DataModel::shared();
}

std::shared_ptr<PersistentStoreCoordinator> AppDelegate::persistentStoreCoordinator()
{
    if (coordinator_ || storeStackTried_)
        return coordinator_;
    // One attempt per process: a failure is presented once, and the
    // application runs on without a store.
    storeStackTried_ = true;
    const QString generalReason = localized(
        "AppDelegate", "There was an error creating or loading the application's saved data.");
    QString reason;
    Error underlying;
    const QString directory = applicationSupportDirectory();
    const QFileInfo info(directory);
    if (info.exists() && !info.isDir()) {
        reason =
            formatString(localized("AppDelegate",
                             "Expected a folder to store application data, found a file (%@)."),
                directory);
    } else if (!info.exists() && !QDir().mkpath(directory)) {
        reason = generalReason;
        underlying = Error(QStringLiteral("NSCocoaErrorDomain"), 513,
            {{Error::LocalizedDescriptionKey,
                formatString(QStringLiteral("The folder %@ could not be created."), directory)}});
    } else {
        auto coordinator = std::make_shared<PersistentStoreCoordinator>(managedObjectModel());
        if (coordinator->addSQLiteStore(AppPaths::localStoreFile(), &underlying))
            coordinator_ = coordinator;
        else
            reason = generalReason;
    }
    if (!coordinator_)
        presentError(localized("AppDelegate", "Failed to initialize the application's saved data"),
            reason, underlying);
    return coordinator_;
}

ManagedObjectContext *AppDelegate::managedObjectContext()
{
    if (!context_) {
        if (std::shared_ptr<PersistentStoreCoordinator> coordinator = persistentStoreCoordinator())
            context_ = std::make_unique<ManagedObjectContext>(coordinator);
    }
    return context_.get();
}

void AppDelegate::saveAction()
{
    ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return;
    if (!context->commitEditing())
        logLine(formatString(QStringLiteral("%@:%@ unable to commit editing before saving"),
            QStringLiteral("AppDelegate"), QStringLiteral("saveAction:")));
    if (!context->hasChanges())
        return;
    Error error;
    if (!context->save(&error)) {
        failedToSave_ = true;
        Presenter::shared().presentError(error);
    }
}
