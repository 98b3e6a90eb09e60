#pragma once

#include "platform/store/StoreTypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

class ManagedObject;

enum class DeleteRule { Nullify, Cascade };

// One attribute or relationship of an entity. Attributes and to-one
// relationships own a value slot in every record of the entity (and of its
// sub-entities, at the same index); a to-many relationship is the inverse of
// a to-one on the destination and is read by a fetch, never stored.
struct PropertyDescription {
    enum class Kind { Attribute, ToOne, ToMany };

    QString name;
    Kind kind = Kind::Attribute;
    AttributeType type = AttributeType::String;
    QString destinationName;
    QString inverseName;
    DeleteRule deleteRule = DeleteRule::Nullify;

    int slot = -1; // attributes and to-one relationships
    int tableColumn = -1; // position in the root's select list
    QByteArray column; // quoted SQL column name
    const EntityDescription *destination = nullptr;
    const PropertyDescription *inverse = nullptr;

    bool isAttribute() const { return kind == Kind::Attribute; }
    bool isToOne() const { return kind == Kind::ToOne; }
    bool isToMany() const { return kind == Kind::ToMany; }
};

// An entity of the record model. Sub-entities share their root's table; the
// `entity` column tells the concrete kind of each row.
class EntityDescription {
public:
    using Factory = std::function<ManagedObject *()>;

    EntityDescription(QString name, EntityDescription *parent, int code);
    EntityDescription(const EntityDescription &) = delete;
    EntityDescription &operator=(const EntityDescription &) = delete;

    const QString &name() const { return name_; }
    const EntityDescription *parent() const { return parent_; }
    const EntityDescription *root() const;
    int code() const { return code_; }
    const QByteArray &table() const { return root()->table_; }

    // This entity and every entity below it.
    const QList<const EntityDescription *> &family() const { return family_; }
    bool isKindOf(const EntityDescription *other) const;
    bool hasSubentities() const { return family_.size() > 1; }

    // Every property, inherited ones first.
    const std::vector<const PropertyDescription *> &properties() const { return properties_; }
    // The properties that own a slot, by slot.
    const std::vector<const PropertyDescription *> &slots() const { return slots_; }
    const PropertyDescription *property(const QString &name) const { return byName_.value(name); }
    int slotCount() const { return int(slots_.size()); }

    ManagedObject *create() const;

private:
    friend class ManagedObjectModel;

    QString name_;
    EntityDescription *parent_;
    int code_;
    QByteArray table_;
    Factory factory_;
    std::vector<std::unique_ptr<PropertyDescription>> own_;
    std::vector<const PropertyDescription *> properties_;
    std::vector<const PropertyDescription *> slots_;
    QHash<QString, const PropertyDescription *> byName_;
    QList<const EntityDescription *> family_;
    QList<EntityDescription *> children_;
};
