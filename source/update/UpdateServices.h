#pragma once

#include <QString>
#include <QVariantMap>

class ManagedObjectContext;

// What the update engine needs from the application around it: the main
// context, saving, user notifications and the activity token. The
// application delegate provides them; tests provide their own.
class UpdateServices {
public:
    virtual ~UpdateServices() = default;

    // Null when the store could not be opened: then nothing is updated.
    virtual ManagedObjectContext *managedObjectContext() = 0;
    virtual void saveAction() = 0;
    virtual void notifyWithTitle(const QString &title, const QString &description = {},
        const QString &informativeText = {}, const QVariantMap &userInfo = {}) = 0;
    virtual void beginActivity() = 0;
    virtual void endActivity() = 0;
};
