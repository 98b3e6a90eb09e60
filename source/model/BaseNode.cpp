#include "model/BaseNode.h"

#include "platform/Clock.h"

#include <QUuid>

QString BaseNode::newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

void BaseNode::setUuid(const QString &uuid)
{
    setValue(QStringLiteral("uuid"), uuid);
}

void BaseNode::awakeFromInsert()
{
    if (!value(QStringLiteral("uuid")).isValid())
        setPrimitiveValue(QStringLiteral("uuid"), newUuid());
    if (!value(QStringLiteral("dateCreated")).isValid())
        setPrimitiveValue(QStringLiteral("dateCreated"), Clock::shared().now());
}

void BaseNode::setFlags(bool leaf, bool groupRowStyle, bool selectable, bool editable)
{
    setPrimitiveValue(QStringLiteral("isLeaf"), leaf);
    setPrimitiveValue(QStringLiteral("isGroupRowStyle"), groupRowStyle);
    setPrimitiveValue(QStringLiteral("isSelectable"), selectable);
    setPrimitiveValue(QStringLiteral("isEditable"), editable);
}

std::shared_ptr<BaseNode> BaseNode::parent() const
{
    return std::dynamic_pointer_cast<BaseNode>(object(QStringLiteral("parent")));
}

void BaseNode::setParent(const std::shared_ptr<BaseNode> &parent)
{
    setObject(QStringLiteral("parent"), parent);
}

QList<std::shared_ptr<BaseNode>> BaseNode::children() const
{
    return recordsCast<BaseNode>(objects(QStringLiteral("children")));
}
