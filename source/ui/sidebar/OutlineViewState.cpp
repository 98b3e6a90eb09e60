#include "ui/sidebar/OutlineViewState.h"

#include "model/BaseNode.h"
#include "platform/PreferenceKeys.h"
#include "platform/UserDefaults.h"
#include "platform/store/ManagedObjectContext.h"

#include <QSet>

OutlineViewState::OutlineViewState(UserDefaults &defaults, const QString &autosaveName)
    : defaults_(defaults), key_(Preference::outlineViewStateKey(autosaveName))
{
}

QVariantMap OutlineViewState::mutablePrefDictionary() const
{
    return defaults_.dictionaryForKey(key_);
}

void OutlineViewState::savePrefDictionary(const QVariantMap &dictionary)
{
    // A cleared key rather than an empty group, which would read back as a text.
    if (dictionary.isEmpty())
        defaults_.removeObjectForKey(key_);
    else
        defaults_.setObject(dictionary, key_);
}

void OutlineViewState::saveObjects(const Nodes &objects, const QString &name, bool value)
{
    QVariantMap dictionary = mutablePrefDictionary();
    const QVariantMap before = dictionary;
    for (const auto &object : objects) {
        if (!object || object->uuid().isEmpty())
            continue;
        const QString uuid = object->uuid();
        QVariantMap entry = dictionary.value(uuid).toMap();
        if (value)
            entry.insert(name, true);
        else
            entry.remove(name);
        if (entry.isEmpty())
            dictionary.remove(uuid);
        else
            dictionary.insert(uuid, entry);
    }
    if (dictionary != before)
        savePrefDictionary(dictionary);
}

void OutlineViewState::cleanupPrefDictionary(ManagedObjectContext &context)
{
    QVariantMap dictionary = mutablePrefDictionary();
    if (dictionary.isEmpty())
        return;
    const auto nodes = context.fetch<BaseNode>(FetchRequest(QStringLiteral("BaseNode")));
    if (nodes.isEmpty())
        return;
    QSet<QString> stored;
    for (const auto &node : nodes)
        stored.insert(node->uuid());
    bool removed = false;
    for (auto it = dictionary.begin(); it != dictionary.end();) {
        if (!stored.contains(it.key())) {
            it = dictionary.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (removed)
        savePrefDictionary(dictionary);
}

bool OutlineViewState::entryHas(
    const QVariantMap &dictionary, const QString &uuid, const QString &name)
{
    return dictionary.value(uuid).toMap().contains(name);
}
