#pragma once

#include "platform/store/ManagedObject.h"

// A row of the sidebar tree: a group or a product. New nodes get a uuid and
// their creation date; the uuid keys the per-row state kept in the
// preferences.
class BaseNode : public ManagedObject {
public:
    QString uuid() const { return stringValue(QStringLiteral("uuid")); }
    virtual void setUuid(const QString &uuid);
    QString title() const { return stringValue(QStringLiteral("title")); }
    void setTitle(const QString &title) { setValue(QStringLiteral("title"), title); }
    std::optional<qint64> sortIndex() const { return integerValue(QStringLiteral("sortIndex")); }
    void setSortIndex(std::optional<qint64> index)
    {
        setValue(QStringLiteral("sortIndex"), optionalValue(index));
    }
    std::optional<bool> isLeaf() const { return boolValue(QStringLiteral("isLeaf")); }
    std::optional<bool> isGroupRowStyle() const
    {
        return boolValue(QStringLiteral("isGroupRowStyle"));
    }
    std::optional<bool> isSelectable() const { return boolValue(QStringLiteral("isSelectable")); }
    std::optional<bool> isEditable() const { return boolValue(QStringLiteral("isEditable")); }
    QDateTime dateCreated() const { return dateValue(QStringLiteral("dateCreated")); }

    std::shared_ptr<BaseNode> parent() const;
    void setParent(const std::shared_ptr<BaseNode> &parent);
    QList<std::shared_ptr<BaseNode>> children() const;

    // A fresh random UUID in upper-case canonical form.
    static QString newUuid();

protected:
    void awakeFromInsert() override;
    // Sets the node flags without a change event.
    void setFlags(bool leaf, bool groupRowStyle, bool selectable, bool editable);
};
