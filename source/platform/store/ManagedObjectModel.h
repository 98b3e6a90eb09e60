#pragma once

#include "platform/store/EntityDescription.h"

#include <QStringList>

#include <map>
#include <memory>

// The record model: entities with inheritance, their attributes and
// relationships, the indexes that serve the hot queries, and a numbered
// schema version with the steps that bring an older store up to it.
//
// Built once at start-up, then read from every thread without locking.
class ManagedObjectModel {
public:
    explicit ManagedObjectModel(int version);
    ManagedObjectModel(const ManagedObjectModel &) = delete;
    ManagedObjectModel &operator=(const ManagedObjectModel &) = delete;
    ~ManagedObjectModel();

    // --- Building ------------------------------------------------------------

    EntityDescription &addEntity(const QString &name, const QString &parent = {});
    void addAttribute(const QString &entity, const QString &name, AttributeType type);
    // A to-one relationship and its to-many inverse on the destination. The
    // rule says what deleting the owner of the to-many does to its members.
    void addRelationship(const QString &entity, const QString &toOne, const QString &destination,
        const QString &toMany, DeleteRule toManyRule);
    template<typename Record> void setClass(const QString &entity)
    {
        entityForBuilding(entity).factory_ = [] { return new Record; };
    }
    // An index on the root table of `entity`; each part is a property name or
    // an expression such as "rk_fold(countryCode)".
    void addIndex(const QString &entity, const QStringList &parts);
    // SQL run, inside the upgrade transaction, when a store of version
    // `from` is opened; columns and indexes the model adds need no step.
    void addUpgradeStep(int from, const QStringList &statements);

    // Resolves inverses and lays out slots; the model is read-only after it.
    void finalize();

    // --- Reading -------------------------------------------------------------

    int version() const { return version_; }
    const EntityDescription *entity(const QString &name) const;
    const EntityDescription *entityForCode(int code) const;
    QList<const EntityDescription *> entities() const;
    QList<const EntityDescription *> rootEntities() const;

    // Column definitions of a root table, "name TYPE", id and entity first.
    QList<QPair<QByteArray, QByteArray>> columnsOfTable(const EntityDescription *root) const;
    // CREATE INDEX statements, each with IF NOT EXISTS.
    QStringList indexStatements() const;
    // "id", "entity", then every column of the root table, in the order of
    // PropertyDescription::tableColumn.
    const QByteArray &selectList(const EntityDescription *root) const;
    QStringList upgradeStatements(int from) const;

private:
    EntityDescription &entityForBuilding(const QString &name);
    PropertyDescription &addProperty(const QString &entity, PropertyDescription property);
    QByteArray indexExpression(const EntityDescription *entity, const QString &part) const;

    struct Index {
        QString entity;
        QStringList parts;
    };

    int version_;
    bool finalized_ = false;
    std::vector<std::unique_ptr<EntityDescription>> entities_;
    QHash<QString, EntityDescription *> byName_;
    std::vector<Index> indexes_;
    std::map<int, QStringList> upgradeSteps_;
    QHash<const EntityDescription *, QByteArray> selectLists_;
};
