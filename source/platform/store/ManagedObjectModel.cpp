#include "platform/store/ManagedObjectModel.h"

#include <QRegularExpression>

#include <stdexcept>

namespace {
QByteArray columnType(const PropertyDescription &property)
{
    if (property.isToOne())
        return "INTEGER";
    switch (property.type) {
    case AttributeType::String:
        return "TEXT";
    case AttributeType::Date:
    case AttributeType::Integer:
    case AttributeType::Boolean:
        return "INTEGER";
    case AttributeType::Float:
        return "REAL";
    case AttributeType::Data:
    case AttributeType::Object:
        return "BLOB";
    }
    return "BLOB";
}
} // namespace

ManagedObjectModel::ManagedObjectModel(int version) : version_(version)
{
}

ManagedObjectModel::~ManagedObjectModel() = default;

EntityDescription &ManagedObjectModel::addEntity(const QString &name, const QString &parent)
{
    EntityDescription *parentEntity = parent.isEmpty() ? nullptr : &entityForBuilding(parent);
    // Codes are stored in every row: never renumber an entity once shipped.
    entities_.push_back(
        std::make_unique<EntityDescription>(name, parentEntity, int(entities_.size()) + 1));
    EntityDescription *entity = entities_.back().get();
    byName_.insert(name, entity);
    if (parentEntity)
        parentEntity->children_.append(entity);
    return *entity;
}

EntityDescription &ManagedObjectModel::entityForBuilding(const QString &name)
{
    EntityDescription *entity = byName_.value(name);
    if (!entity || finalized_)
        throw std::logic_error("record model: unknown entity or model already final");
    return *entity;
}

PropertyDescription &ManagedObjectModel::addProperty(
    const QString &entity, PropertyDescription property)
{
    EntityDescription &owner = entityForBuilding(entity);
    owner.own_.push_back(std::make_unique<PropertyDescription>(std::move(property)));
    return *owner.own_.back();
}

void ManagedObjectModel::addAttribute(
    const QString &entity, const QString &name, AttributeType type)
{
    PropertyDescription property;
    property.name = name;
    property.type = type;
    property.column = '"' + name.toUtf8() + '"';
    addProperty(entity, std::move(property));
}

void ManagedObjectModel::addRelationship(const QString &entity, const QString &toOne,
    const QString &destination, const QString &toMany, DeleteRule toManyRule)
{
    PropertyDescription one;
    one.name = toOne;
    one.kind = PropertyDescription::Kind::ToOne;
    one.destinationName = destination;
    one.inverseName = toMany;
    one.column = '"' + toOne.toUtf8() + "_id\"";
    addProperty(entity, std::move(one));

    PropertyDescription many;
    many.name = toMany;
    many.kind = PropertyDescription::Kind::ToMany;
    many.destinationName = entity;
    many.inverseName = toOne;
    many.deleteRule = toManyRule;
    addProperty(destination, std::move(many));
}

void ManagedObjectModel::addIndex(const QString &entity, const QStringList &parts)
{
    indexes_.push_back({entity, parts});
}

void ManagedObjectModel::addUpgradeStep(int from, const QStringList &statements)
{
    upgradeSteps_[from] += statements;
}

void ManagedObjectModel::finalize()
{
    // Parents are added before their children, so one pass in order
    // inherits complete property lists.
    for (auto &entity : entities_) {
        if (entity->parent_) {
            entity->properties_ = entity->parent_->properties_;
            entity->slots_ = entity->parent_->slots_;
        }
        for (auto &property : entity->own_) {
            property->destination = property->destinationName.isEmpty()
                ? nullptr
                : byName_.value(property->destinationName);
            if (!property->destinationName.isEmpty() && !property->destination)
                throw std::logic_error("record model: unknown destination entity");
            if (!property->isToMany()) {
                property->slot = int(entity->slots_.size());
                entity->slots_.push_back(property.get());
            }
            entity->properties_.push_back(property.get());
        }
        for (const PropertyDescription *property : entity->properties_)
            entity->byName_.insert(property->name, property);
    }
    for (auto &entity : entities_) {
        for (auto &property : entity->own_)
            if (property->destination)
                property->inverse = property->destination->property(property->inverseName);
        // family: the entity and all below it
        QList<const EntityDescription *> pending {entity.get()};
        while (!pending.isEmpty()) {
            const EntityDescription *next = pending.takeFirst();
            entity->family_.append(next);
            for (const EntityDescription *child : next->children_)
                pending.append(child);
        }
    }
    for (const EntityDescription *root : rootEntities()) {
        QByteArray list = "id, entity";
        int column = 2;
        for (const EntityDescription *member : root->family())
            for (const auto &property : member->own_)
                if (!property->isToMany()) {
                    property->tableColumn = column++;
                    list += ", " + property->column;
                }
        selectLists_.insert(root, list);
    }
    finalized_ = true;
}

const QByteArray &ManagedObjectModel::selectList(const EntityDescription *root) const
{
    static const QByteArray none;
    const auto found = selectLists_.constFind(root);
    return found == selectLists_.constEnd() ? none : *found;
}

const EntityDescription *ManagedObjectModel::entity(const QString &name) const
{
    return byName_.value(name);
}

const EntityDescription *ManagedObjectModel::entityForCode(int code) const
{
    return code >= 1 && code <= int(entities_.size()) ? entities_[size_t(code - 1)].get() : nullptr;
}

QList<const EntityDescription *> ManagedObjectModel::entities() const
{
    QList<const EntityDescription *> list;
    for (const auto &entity : entities_)
        list.append(entity.get());
    return list;
}

QList<const EntityDescription *> ManagedObjectModel::rootEntities() const
{
    QList<const EntityDescription *> list;
    for (const auto &entity : entities_)
        if (!entity->parent())
            list.append(entity.get());
    return list;
}

QList<QPair<QByteArray, QByteArray>> ManagedObjectModel::columnsOfTable(
    const EntityDescription *root) const
{
    QList<QPair<QByteArray, QByteArray>> columns {
        {"id", "INTEGER PRIMARY KEY"}, {"entity", "INTEGER NOT NULL"}};
    for (const EntityDescription *entity : root->family())
        for (const auto &property : entity->own_)
            if (!property->isToMany())
                columns.append({property->column, columnType(*property)});
    return columns;
}

QByteArray ManagedObjectModel::indexExpression(
    const EntityDescription *entity, const QString &part) const
{
    for (const EntityDescription *member : entity->root()->family())
        if (const PropertyDescription *property = member->property(part))
            if (!property->isToMany())
                return property->column;
    return part.toUtf8();
}

QStringList ManagedObjectModel::indexStatements() const
{
    QStringList statements;
    for (const Index &index : indexes_) {
        const EntityDescription *entity = byName_.value(index.entity);
        QByteArrayList expressions;
        QString name = QStringLiteral("rk_index_") + entity->root()->name();
        for (const QString &part : index.parts) {
            expressions.append(indexExpression(entity, part));
            QString clean = part;
            clean.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"));
            name += QLatin1Char('_') + clean;
        }
        statements.append(QStringLiteral("CREATE INDEX IF NOT EXISTS \"%1\" ON %2 (%3)")
                              .arg(name, QString::fromUtf8(entity->table()),
                                  QString::fromUtf8(expressions.join(", "))));
    }
    return statements;
}

QStringList ManagedObjectModel::upgradeStatements(int from) const
{
    const auto step = upgradeSteps_.find(from);
    return step == upgradeSteps_.end() ? QStringList() : step->second;
}
