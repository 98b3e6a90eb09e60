#pragma once

#include "platform/store/StoreTypes.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

// What one turn of a context's event loop changed: inserted, updated (with
// the changed keys, to-many relationships included) and deleted records.
struct ChangeNotification {
    QList<ObjectID> inserted;
    QHash<ObjectID, QSet<QString>> updated;
    QList<ObjectID> deleted;

    bool isEmpty() const { return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty(); }
};

// What one record's observer hears.
struct ObjectChange {
    enum class Kind { Inserted, Updated, Deleted };
    Kind kind = Kind::Updated;
    QSet<QString> keys;
};
