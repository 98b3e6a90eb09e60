#include "model/FixedGroup.h"

#include "model/RecordKeys.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"

void FixedGroup::setUuid(const QString &)
{
    logLine(formatString(QStringLiteral("uuid not setable (fixed: %@"), uuid()));
}

void FixedGroup::awakeFromInsert()
{
    Group::awakeFromInsert();
    setPrimitiveValue(RecordKey::title, localized("Groups", title_));
    setPrimitiveValue(RecordKey::uuid, QString::fromLatin1(fixedUuid_));
}
