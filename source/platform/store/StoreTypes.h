#pragma once

#include <QMetaType>
#include <QtGlobal>

#include <memory>

class EntityDescription;
class ManagedObject;

using ManagedObjectPtr = std::shared_ptr<ManagedObject>;

// How an attribute is kept: every attribute is optional, and an absent value
// is an invalid QVariant, never 0 or an empty text.
enum class AttributeType { String, Date, Integer, Float, Boolean, Data, Object };

// A record's permanent identity: given at insertion and never changed. Row ids
// are unique across the whole store, so the number alone names a record; the
// entity is carried for URIs and for loading.
struct ObjectID {
    const EntityDescription *entity = nullptr;
    qint64 rowId = 0;

    bool isValid() const { return entity && rowId > 0; }
    bool operator==(const ObjectID &other) const { return rowId == other.rowId; }
};

inline size_t qHash(const ObjectID &id, size_t seed = 0)
{
    return ::qHash(id.rowId, seed);
}

Q_DECLARE_METATYPE(ObjectID)
