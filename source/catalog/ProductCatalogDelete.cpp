#include "catalog/ProductCatalog.h"

#include "model/BaseNode.h"
#include "model/Group.h"
#include "platform/Log.h"
#include "platform/store/ManagedObjectContext.h"

int ProductCatalog::deleteObjects(const QList<ManagedObjectPtr> &objects)
{
    if (objects.isEmpty()) {
        logLine(QStringLiteral("No objects to delete found!"));
        return 0;
    }
    int deleted = 0;
    for (const ManagedObjectPtr &object : objects) {
        const auto node = std::dynamic_pointer_cast<BaseNode>(object);
        // Groups are not editable: they go only when they are left empty.
        if (!node || node->isDeleted() || !node->isEditable().value_or(false)
            || node->managedObjectContext() != &context_)
            continue;
        context_.deleteObject(node);
        ++deleted;
    }
    context_.processPendingChanges();

    QList<ManagedObjectPtr> emptyGroups;
    for (const auto &group : context_.fetch<Group>(FetchRequest(QStringLiteral("Group")))) {
        if (!group->parent() && group->childrenCount() == 0)
            emptyGroups << group;
    }
    context_.deleteObjects(emptyGroups);
    save();
    return deleted;
}
