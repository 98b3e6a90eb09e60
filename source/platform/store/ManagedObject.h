#pragma once

#include "platform/store/EntityDescription.h"
#include "platform/store/StoreTypes.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QUrl>
#include <QVariant>

#include <optional>
#include <vector>

class ManagedObjectContext;

// A record of the store, living in exactly one context. Attributes are read
// and written by key; a to-one relationship holds the destination's id and
// keeps the destination's to-many inverse in step; a to-many relationship is
// read by a fetch, so adding one review to a product loads none of the others.
//
// Record classes derive from this and add typed accessors and hooks. A record
// is used only on its context's thread.
class ManagedObject {
public:
    ManagedObject() = default;
    virtual ~ManagedObject();
    ManagedObject(const ManagedObject &) = delete;
    ManagedObject &operator=(const ManagedObject &) = delete;

    const EntityDescription &entity() const { return *entity_; }
    ObjectID objectID() const { return {entity_, rowId_}; }
    // Null once the context is gone or the record's deletion was saved.
    ManagedObjectContext *managedObjectContext() const { return context_; }
    QUrl uri() const;

    bool isInserted() const { return inserted_; }
    bool isDeleted() const { return deleted_; }
    bool isUpdated() const;
    bool hasChanges() const { return inserted_ || deleted_ || isUpdated(); }
    QSet<QString> changedKeys() const;

    template<typename T> static QVariant optionalValue(const std::optional<T> &value)
    {
        return value ? QVariant::fromValue(*value) : QVariant();
    }
    const QVariant &valueAt(int slot) const { return values_[size_t(slot)]; }

    // Access by key: public in the store, the model and the tests; protected
    // in the layers above the model, which build with RK_TYPED_RECORDS and so
    // read and write records through typed accessors only, where a misspelt
    // key does not compile. Record classes put their valueForKey under the
    // same condition.
#ifdef RK_TYPED_RECORDS
protected:
#else
public:
#endif
    // Attributes (and to-one relationships, as the destination's row id).
    QVariant value(const QString &key) const;
    void setValue(const QString &key, const QVariant &value);

    ManagedObjectPtr object(const QString &toOneKey) const;
    void setObject(const QString &toOneKey, const ManagedObjectPtr &destination);

    // The members of a to-many relationship, this context's pending changes
    // included; the count is a count fetch.
    QList<ManagedObjectPtr> objects(const QString &toManyKey) const;
    qint64 countOfObjects(const QString &toManyKey) const;
    void addObject(const QString &toManyKey, const ManagedObjectPtr &member);
    void removeObject(const QString &toManyKey, const ManagedObjectPtr &member);

    // Stored keys, plus the derived keys a record class adds (which exist
    // only in memory and so can be filtered on only in memory).
    virtual QVariant valueForKey(const QString &key) const;
    QVariant valueForKeyPath(
        const QStringList &path, const PropertyDescription **property = nullptr) const;

    // Typed reads; absent is a null text, an invalid date, an empty optional.
    QString stringValue(const QString &key) const { return value(key).toString(); }
    QDateTime dateValue(const QString &key) const { return value(key).toDateTime(); }
    QByteArray dataValue(const QString &key) const { return value(key).toByteArray(); }
    std::optional<qint64> integerValue(const QString &key) const;
    std::optional<double> floatValue(const QString &key) const;
    std::optional<bool> boolValue(const QString &key) const;

    // Writes without a change event: creation defaults.
    void setPrimitiveValue(const QString &key, const QVariant &value);

protected:
    // Hooks: after insertion into a context (fill creation defaults); after
    // loading from the store; before release (stop observing); when deleted.
    virtual void awakeFromInsert() { }
    virtual void awakeFromFetch() { }
    virtual void willTurnIntoFault() { }
    virtual void prepareForDeletion() { }

private:
    friend class ManagedObjectContext;
    friend struct ManagedObjectReleaser;

    void setValueAt(const PropertyDescription &property, QVariant value);
    const PropertyDescription *requireProperty(
        const QString &key, PropertyDescription::Kind kind) const;
    void markSaved();

    ManagedObjectContext *context_ = nullptr;
    const EntityDescription *entity_ = nullptr;
    qint64 rowId_ = 0;
    std::vector<QVariant> values_;
    std::vector<QVariant> committed_; // values as last saved, kept once changed
    std::vector<bool> changed_;
    bool inserted_ = false;
    bool deleted_ = false;
};

// Typed view of a record list.
template<typename T> QList<std::shared_ptr<T>> recordsCast(const QList<ManagedObjectPtr> &objects)
{
    QList<std::shared_ptr<T>> list;
    list.reserve(objects.size());
    for (const ManagedObjectPtr &object : objects)
        if (auto typed = std::dynamic_pointer_cast<T>(object))
            list.append(std::move(typed));
    return list;
}

Q_DECLARE_METATYPE(ManagedObjectPtr)
