#pragma once

#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QTemporaryDir>

#include <functional>

// Items have a key that exists only in memory, "initial" (the first letter
// of the name), and count how many were loaded from the store.
class TestItem : public ManagedObject {
public:
    static inline int loaded = 0;
    void awakeFromFetch() override { ++loaded; }
    QVariant valueForKey(const QString &key) const override
    {
        if (key != u"initial")
            return ManagedObject::valueForKey(key);
        const QString name = value(QStringLiteral("name")).toString();
        return name.isEmpty() ? QVariant() : QVariant(name.left(1));
    }
};

// A small model of boxes holding items, and an item kind below Item, with
// every attribute type.
// `customize` runs before the model is finalized (to set record classes).
inline std::shared_ptr<ManagedObjectModel> testModel(
    int version = 1, const std::function<void(ManagedObjectModel &)> &customize = {})
{
    auto model = std::make_shared<ManagedObjectModel>(version);
    model->addEntity(QStringLiteral("Box"));
    model->addEntity(QStringLiteral("Item"));
    model->addEntity(QStringLiteral("Tool"), QStringLiteral("Item"));
    model->addAttribute(QStringLiteral("Box"), QStringLiteral("title"), AttributeType::String);
    model->addAttribute(QStringLiteral("Item"), QStringLiteral("name"), AttributeType::String);
    model->addAttribute(QStringLiteral("Item"), QStringLiteral("score"), AttributeType::Float);
    model->addAttribute(QStringLiteral("Item"), QStringLiteral("count"), AttributeType::Integer);
    model->addAttribute(QStringLiteral("Item"), QStringLiteral("flag"), AttributeType::Boolean);
    model->addAttribute(QStringLiteral("Item"), QStringLiteral("when"), AttributeType::Date);
    model->addAttribute(QStringLiteral("Item"), QStringLiteral("blob"), AttributeType::Data);
    model->addAttribute(QStringLiteral("Item"), QStringLiteral("info"), AttributeType::Object);
    model->addAttribute(QStringLiteral("Tool"), QStringLiteral("weight"), AttributeType::Float);
    model->addRelationship(QStringLiteral("Item"), QStringLiteral("box"), QStringLiteral("Box"),
        QStringLiteral("items"), DeleteRule::Cascade);
    model->addRelationship(QStringLiteral("Box"), QStringLiteral("shelf"), QStringLiteral("Box"),
        QStringLiteral("boxes"), DeleteRule::Nullify);
    model->addIndex(
        QStringLiteral("Item"), {QStringLiteral("box"), QStringLiteral("rk_fold(\"name\")")});
    model->setClass<TestItem>(QStringLiteral("Item"));
    if (version >= 2) {
        model->addAttribute(QStringLiteral("Box"), QStringLiteral("label"), AttributeType::String);
        model->addIndex(QStringLiteral("Box"), {QStringLiteral("label")});
        // Version 1 stored titles with padding; version 2 trims them.
        model->addUpgradeStep(
            1, {QStringLiteral("UPDATE \"Box\" SET \"title\" = trim(\"title\")")});
    }
    if (customize)
        customize(*model);
    model->finalize();
    return model;
}

struct TestStore {
    QTemporaryDir dir;
    std::shared_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;

    explicit TestStore(int version = 1) { open(version); }
    QString path() const { return dir.filePath(QStringLiteral("store.db")); }
    bool open(int version, Error *error = nullptr)
    {
        context.reset();
        coordinator = std::make_shared<PersistentStoreCoordinator>(testModel(version));
        Error failure;
        const bool ok = coordinator->addSQLiteStore(path(), &failure);
        if (error)
            *error = failure;
        context = std::make_unique<ManagedObjectContext>(coordinator);
        return ok;
    }
    ManagedObjectPtr item(const QString &name, const ManagedObjectPtr &box = {})
    {
        auto item = context->insertNewObject(QStringLiteral("Item"));
        item->setValue(QStringLiteral("name"), name);
        if (box)
            item->setObject(QStringLiteral("box"), box);
        return item;
    }
    QStringList names(const FetchRequest &request)
    {
        QStringList names;
        for (const auto &object : context->executeFetchRequest(request))
            names << object->value(QStringLiteral("name")).toString();
        return names;
    }
};
