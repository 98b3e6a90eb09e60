#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

// A row of the sidebar tree: a group or a product. New nodes get a uuid and
// their creation date; the uuid keys the per-row state kept in the
// preferences.
class BaseNode : public ManagedObject {
public:
    QString uuid() const { return stringValue(RecordKey::uuid); }
    virtual void setUuid(const QString &uuid);
    QString title() const { return stringValue(RecordKey::title); }
    void setTitle(const QString &title) { setValue(RecordKey::title, title); }
    std::optional<qint64> sortIndex() const { return integerValue(RecordKey::sortIndex); }
    void setSortIndex(std::optional<qint64> index)
    {
        setValue(RecordKey::sortIndex, optionalValue(index));
    }
    std::optional<bool> isLeaf() const { return boolValue(RecordKey::isLeaf); }
    std::optional<bool> isGroupRowStyle() const { return boolValue(RecordKey::isGroupRowStyle); }
    std::optional<bool> isSelectable() const { return boolValue(RecordKey::isSelectable); }
    std::optional<bool> isEditable() const { return boolValue(RecordKey::isEditable); }
    QDateTime dateCreated() const { return dateValue(RecordKey::dateCreated); }

    std::shared_ptr<BaseNode> parent() const;
    void setParent(const std::shared_ptr<BaseNode> &parent);
    qint64 childrenCount() const { return countOfObjects(RecordKey::children); }
    QList<std::shared_ptr<BaseNode>> children() const;

    // A fresh random UUID in upper-case canonical form.
    static QString newUuid();

protected:
    void awakeFromInsert() override;
    // Sets the node flags without a change event.
    void setFlags(bool leaf, bool groupRowStyle, bool selectable, bool editable);
};
