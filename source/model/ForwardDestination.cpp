#include "model/ForwardDestination.h"

#include "model/BaseNode.h"

void ForwardDestination::awakeFromInsert()
{
    if (!value(RecordKey::uuid).isValid())
        setPrimitiveValue(RecordKey::uuid, BaseNode::newUuid());
}
