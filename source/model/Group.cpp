#include "model/Group.h"

void Group::awakeFromInsert()
{
    BaseNode::awakeFromInsert();
    setFlags(false, true, false, false);
}
