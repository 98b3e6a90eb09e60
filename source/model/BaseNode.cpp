#include "model/BaseNode.h"

#include "model/RecordKeys.h"
#include "platform/Clock.h"

#include <QUuid>

QString BaseNode::newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

void BaseNode::setUuid(const QString &uuid)
{
    setValue(RecordKey::uuid, uuid);
}

void BaseNode::awakeFromInsert()
{
    if (!value(RecordKey::uuid).isValid())
        setPrimitiveValue(RecordKey::uuid, newUuid());
    if (!value(RecordKey::dateCreated).isValid())
        setPrimitiveValue(RecordKey::dateCreated, Clock::shared().now());
}

void BaseNode::setFlags(bool leaf, bool groupRowStyle, bool selectable, bool editable)
{
    setPrimitiveValue(RecordKey::isLeaf, leaf);
    setPrimitiveValue(RecordKey::isGroupRowStyle, groupRowStyle);
    setPrimitiveValue(RecordKey::isSelectable, selectable);
    setPrimitiveValue(RecordKey::isEditable, editable);
}

std::shared_ptr<BaseNode> BaseNode::parent() const
{
    return std::dynamic_pointer_cast<BaseNode>(object(RecordKey::parent));
}

void BaseNode::setParent(const std::shared_ptr<BaseNode> &parent)
{
    setObject(RecordKey::parent, parent);
}

QList<std::shared_ptr<BaseNode>> BaseNode::children() const
{
    return recordsCast<BaseNode>(objects(RecordKey::children));
}
