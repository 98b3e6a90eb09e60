#include "platform/store/ManagedObject.h"

#include "platform/Log.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ValueCoding.h"

#include <stdexcept>

ManagedObject::~ManagedObject() = default;

QUrl ManagedObject::uri() const
{
    return context_ ? context_->uriForObjectID(objectID()) : QUrl();
}

bool ManagedObject::isUpdated() const
{
    if (inserted_ || deleted_)
        return false;
    for (bool changed : changed_)
        if (changed)
            return true;
    return false;
}

QSet<QString> ManagedObject::changedKeys() const
{
    QSet<QString> keys;
    for (size_t slot = 0; slot < changed_.size(); ++slot)
        if (changed_[slot])
            keys.insert(entity_->slots()[slot]->name);
    return keys;
}

const PropertyDescription *ManagedObject::requireProperty(
    const QString &key, PropertyDescription::Kind kind) const
{
    const PropertyDescription *property = entity_->property(key);
    if (!property
        || (property->kind != kind
            && !(kind == PropertyDescription::Kind::Attribute && property->isToOne())))
        throw std::invalid_argument(QString(
            QStringLiteral("no such key on ") + entity_->name() + QStringLiteral(": ") + key)
                                        .toStdString());
    return property;
}

QVariant ManagedObject::value(const QString &key) const
{
    const PropertyDescription *property = entity_->property(key);
    if (!property || property->isToMany())
        return {};
    return values_[size_t(property->slot)];
}

void ManagedObject::setValue(const QString &key, const QVariant &value)
{
    const PropertyDescription *property =
        requireProperty(key, PropertyDescription::Kind::Attribute);
    setValueAt(*property, ValueCoding::normalize(*property, value));
}

void ManagedObject::setPrimitiveValue(const QString &key, const QVariant &value)
{
    const PropertyDescription *property =
        requireProperty(key, PropertyDescription::Kind::Attribute);
    values_[size_t(property->slot)] = ValueCoding::normalize(*property, value);
}

void ManagedObject::setValueAt(const PropertyDescription &property, QVariant value)
{
    const size_t slot = size_t(property.slot);
    QVariant &current = values_[slot];
    if (current.isValid() == value.isValid() && (!value.isValid() || current == value))
        return;
    if (deleted_) {
        logLine(QStringLiteral("Ignored a change to a deleted %1").arg(entity_->name()));
        return;
    }
    if (!inserted_ && committed_.empty())
        committed_ = values_;
    QVariant former = std::move(current);
    current = std::move(value);
    changed_[slot] = true;
    if (context_)
        context_->recordDidChange(*this, property, former);
}

ManagedObjectPtr ManagedObject::object(const QString &toOneKey) const
{
    const PropertyDescription *property =
        requireProperty(toOneKey, PropertyDescription::Kind::ToOne);
    const QVariant &id = values_[size_t(property->slot)];
    if (!id.isValid() || !context_)
        return {};
    return context_->existingObject(ObjectID {property->destination, id.toLongLong()});
}

void ManagedObject::setObject(const QString &toOneKey, const ManagedObjectPtr &destination)
{
    const PropertyDescription *property =
        requireProperty(toOneKey, PropertyDescription::Kind::ToOne);
    if (destination && destination->context_ != context_)
        throw std::invalid_argument("relationship across contexts");
    setValueAt(*property, destination ? QVariant(qlonglong(destination->rowId_)) : QVariant());
}

QList<ManagedObjectPtr> ManagedObject::objects(const QString &toManyKey) const
{
    const PropertyDescription *property =
        requireProperty(toManyKey, PropertyDescription::Kind::ToMany);
    if (!context_)
        return {};
    FetchRequest request(property->destination->name());
    request.predicate = Predicate::format(property->inverseName + QStringLiteral(" == %@"), this);
    return context_->executeFetchRequest(request);
}

qint64 ManagedObject::countOfObjects(const QString &toManyKey) const
{
    const PropertyDescription *property =
        requireProperty(toManyKey, PropertyDescription::Kind::ToMany);
    if (!context_)
        return 0;
    FetchRequest request(property->destination->name());
    request.predicate = Predicate::format(property->inverseName + QStringLiteral(" == %@"), this);
    return context_->countForFetchRequest(request);
}

void ManagedObject::addObject(const QString &toManyKey, const ManagedObjectPtr &member)
{
    const PropertyDescription *property =
        requireProperty(toManyKey, PropertyDescription::Kind::ToMany);
    if (member)
        member->setValueAt(*property->inverse, QVariant(qlonglong(rowId_)));
}

void ManagedObject::removeObject(const QString &toManyKey, const ManagedObjectPtr &member)
{
    const PropertyDescription *property =
        requireProperty(toManyKey, PropertyDescription::Kind::ToMany);
    if (member && member->values_[size_t(property->inverse->slot)].toLongLong() == rowId_)
        member->setValueAt(*property->inverse, QVariant());
}

QVariant ManagedObject::valueForKey(const QString &key) const
{
    return value(key);
}

QVariant ManagedObject::valueForKeyPath(
    const QStringList &path, const PropertyDescription **property) const
{
    const ManagedObject *object = this;
    ManagedObjectPtr hold;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const PropertyDescription *described = object->entity_->property(path[i]);
        if (i + 1 == path.size()) {
            if (property)
                *property = described;
            return object->valueForKey(path[i]);
        }
        if (!described || !described->isToOne())
            return {};
        hold = object->object(path[i]);
        if (!hold)
            return {};
        object = hold.get();
    }
    return {};
}

void ManagedObject::markSaved()
{
    inserted_ = false;
    committed_.clear();
    std::fill(changed_.begin(), changed_.end(), false);
}

std::optional<qint64> ManagedObject::integerValue(const QString &key) const
{
    const QVariant stored = value(key);
    return stored.isValid() ? std::optional<qint64>(stored.toLongLong()) : std::nullopt;
}

std::optional<double> ManagedObject::floatValue(const QString &key) const
{
    const QVariant stored = value(key);
    return stored.isValid() ? std::optional<double>(stored.toDouble()) : std::nullopt;
}

std::optional<bool> ManagedObject::boolValue(const QString &key) const
{
    const QVariant stored = value(key);
    return stored.isValid() ? std::optional<bool>(stored.toBool()) : std::nullopt;
}
