#pragma once

#include "model/Group.h"

// One of the three groups that exist at most once, with a fixed uuid so that
// a recreated group finds the sidebar state stored under it.
class FixedGroup : public Group {
public:
    // Changes nothing: the uuid is fixed. Logs the attempt.
    void setUuid(const QString &uuid) override;

protected:
    FixedGroup(const char *title, const char *uuid) : title_(title), fixedUuid_(uuid) { }
    void awakeFromInsert() override;

private:
    const char *title_;
    const char *fixedUuid_;
};
