#pragma once

#include "model/BaseNode.h"

// A section of the sidebar: not selectable, not editable, drawn as a header.
class Group : public BaseNode {
protected:
    void awakeFromInsert() override;
};
