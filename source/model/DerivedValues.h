#pragma once

#include "platform/store/StoreTypes.h"

#include <QObject>
#include <QStringList>

// Announces changes of the values products compute in memory (unread
// counts, star totals, averages) to the views that show them, by record id.
// Main thread only.
class DerivedValues : public QObject {
    Q_OBJECT

public:
    static DerivedValues &shared();

    void announce(qint64 rowId, const QStringList &keys) { Q_EMIT changed(rowId, keys); }

Q_SIGNALS:
    void changed(qint64 rowId, const QStringList &keys);
};
