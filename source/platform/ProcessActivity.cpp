#include "platform/ProcessActivity.h"

void ProcessActivity::begin(const QString &reason)
{
    if (active_)
        return;
    active_ = true;
    reason_ = reason;
}

void ProcessActivity::end()
{
    if (!active_)
        return;
    active_ = false;
    reason_.clear();
}
