#include "model/FixedGroup.h"

#include "platform/Log.h"
#include "platform/StringFormat.h"

void FixedGroup::setUuid(const QString &)
{
    logLine(formatString(QStringLiteral("uuid not setable (fixed: %@"), uuid()));
}

void FixedGroup::awakeFromInsert()
{
    Group::awakeFromInsert();
    setPrimitiveValue(QStringLiteral("title"), localized("Groups", title_));
    setPrimitiveValue(QStringLiteral("uuid"), QString::fromLatin1(fixedUuid_));
}
