#include "platform/store/EntityDescription.h"

#include "platform/store/ManagedObject.h"

EntityDescription::EntityDescription(QString name, EntityDescription *parent, int code)
    : name_(std::move(name)), parent_(parent), code_(code), table_('"' + name_.toUtf8() + '"')
{
}

const EntityDescription *EntityDescription::root() const
{
    const EntityDescription *entity = this;
    while (entity->parent_)
        entity = entity->parent_;
    return entity;
}

bool EntityDescription::isKindOf(const EntityDescription *other) const
{
    for (const EntityDescription *entity = this; entity; entity = entity->parent_)
        if (entity == other)
            return true;
    return false;
}

ManagedObject *EntityDescription::create() const
{
    for (const EntityDescription *entity = this; entity; entity = entity->parent_)
        if (entity->factory_)
            return entity->factory_();
    return new ManagedObject;
}
