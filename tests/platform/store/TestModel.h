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
        const QString name = value("name").toString();
        return name.isEmpty() ? QVariant() : QVariant(name.left(1));
    }
};

// A small model of boxes holding items with every attribute type.
// `customize` runs before the model is finalized (to set record classes).
inline std::shared_ptr<ManagedObjectModel> testModel(
    int version = 1, const std::function<void(ManagedObjectModel &)> &customize = {})
{
    using T = AttributeType;
    auto model = std::make_shared<ManagedObjectModel>(version);
    model->addEntity("Box");
    model->addEntity("Item");
    model->addAttribute("Box", "title", T::String);
    for (const auto &[name, type] :
        {std::pair {"name", T::String}, {"score", T::Float}, {"count", T::Integer},
            {"flag", T::Boolean}, {"when", T::Date}, {"blob", T::Data}, {"info", T::Object}})
        model->addAttribute("Item", name, type);
    model->addRelationship("Item", "box", "Box", "items", DeleteRule::Cascade);
    model->addRelationship("Box", "shelf", "Box", "boxes", DeleteRule::Nullify);
    model->addIndex("Item", {"box", "rk_fold(\"name\")"});
    model->setClass<TestItem>("Item");
    if (version >= 2) {
        model->addAttribute("Box", "label", T::String);
        model->addIndex("Box", {"label"});
        // Version 1 stored titles with padding; version 2 trims them.
        model->addUpgradeStep(1, {"UPDATE \"Box\" SET \"title\" = trim(\"title\")"});
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
    QString path() const { return dir.filePath("store.db"); }
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
    // A fresh main context over the same store, that has loaded nothing.
    void reload() { context = std::make_unique<ManagedObjectContext>(coordinator); }
    ManagedObjectPtr item(const QString &name, const ManagedObjectPtr &box = {})
    {
        auto item = context->insertNewObject("Item");
        item->setValue("name", name);
        if (box)
            item->setObject("box", box);
        return item;
    }
    QStringList names(const FetchRequest &request)
    {
        QStringList names;
        for (const auto &object : context->executeFetchRequest(request))
            names << object->value("name").toString();
        return names;
    }
    qint64 count(const QString &entity, const QString &predicate = {})
    {
        FetchRequest request(entity);
        if (!predicate.isEmpty())
            request.predicate = Predicate::fromFormat(predicate);
        return context->countForFetchRequest(request);
    }
};
