#include "platform/DispatchGroup.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"

DispatchGroup::DispatchGroup() : state_(std::make_shared<State>()) {}

void DispatchGroup::enter()
{
    std::lock_guard lock(state_->mutex);
    ++state_->count;
}

void DispatchGroup::leave()
{
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->count == 0) {
            // Unbalanced leave: a programming error, but never worth a crash.
            logLine(QStringLiteral("DispatchGroup: leave without enter"));
            return;
        }
        if (--state_->count == 0)
            ready.swap(state_->waiting);
    }
    for (auto &block : ready)
        dispatchMain(std::move(block));
}

void DispatchGroup::notify(std::function<void()> block)
{
    {
        std::lock_guard lock(state_->mutex);
        if (state_->count > 0) {
            state_->waiting.push_back(std::move(block));
            return;
        }
    }
    dispatchMain(std::move(block));
}

int DispatchGroup::count() const
{
    std::lock_guard lock(state_->mutex);
    return state_->count;
}
