#pragma once

#include "platform/store/StoreTypes.h"

#include <QVariant>

#include <utility>
#include <vector>

// What a child context pushes into the main context when it saves: record
// ids and plain values only, never live records.
struct RowChange {
    const EntityDescription *entity = nullptr;
    qint64 rowId = 0;
    // (slot, normalized value) of each property the child set or changed.
    std::vector<std::pair<int, QVariant>> values;
    // (slot, row id before the change) of each to-one relationship changed,
    // so the main context can tell the former destination.
    std::vector<std::pair<int, qint64>> formerReferences;
};

struct ChangeSet {
    std::vector<RowChange> inserted;
    std::vector<RowChange> updated;
    std::vector<ObjectID> deleted;

    bool isEmpty() const { return inserted.empty() && updated.empty() && deleted.empty(); }
};
