#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>

class BaseNode;
class ManagedObjectContext;
class UserDefaults;

// Which sidebar rows were expanded and which one was selected, kept in the
// preferences under "<autosave name>-SavedOutlineViewItemState" as
// uuid → {"expanded": true, "selected": true}. A row with neither key has no
// entry.
class OutlineViewState {
public:
    using Nodes = QList<std::shared_ptr<BaseNode>>;

    OutlineViewState(UserDefaults &defaults, const QString &autosaveName);

    QString key() const { return key_; }

    QVariantMap mutablePrefDictionary() const;
    void savePrefDictionary(const QVariantMap &dictionary);
    // Sets `name` to true in the entries of `objects`, or removes it when
    // `value` is false; the dictionary is written once.
    void saveObjects(const Nodes &objects, const QString &name, bool value);
    // Drops the entries of rows no longer stored. With no row stored at all
    // nothing is dropped: an empty store says nothing about the entries.
    void cleanupPrefDictionary(ManagedObjectContext &context);

    static bool entryHas(const QVariantMap &dictionary, const QString &uuid, const QString &name);

private:
    UserDefaults &defaults_;
    QString key_;
};
