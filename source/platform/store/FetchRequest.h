#pragma once

#include "platform/store/Predicate.h"

#include <QList>
#include <QString>
#include <QStringList>

struct SortDescriptor {
    QString key;
    bool ascending = true; // absent values sort first when ascending
};

// What to fetch: records of an entity (its sub-entities included) that
// match a predicate, in an order, up to a limit. For dictionary results, the
// properties to return, the grouping, and a count column named `countName`.
// In propertiesToFetch of a dictionary fetch: the row's ObjectID.
inline const QString ObjectIDKey = QStringLiteral("objectID");

struct FetchRequest {
    explicit FetchRequest(QString entity = {}) : entityName(std::move(entity)) { }

    QString entityName;
    Predicate predicate;
    QList<SortDescriptor> sortDescriptors;
    int fetchLimit = 0; // 0: no limit
    int fetchOffset = 0; // rows skipped first; dictionary fetches only

    // Dictionary fetches: committed data only, computed by SQL.
    QStringList propertiesToFetch;
    QStringList propertiesToGroupBy;
    QString countName;
    bool returnsDistinctResults = false;
};
