#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Counts outstanding pieces of work; when the count returns to zero, every
// block registered with notify() runs on the main thread. Safe to use from
// any thread. Copies share one group.
class DispatchGroup
{
public:
    DispatchGroup();

    void enter();
    void leave();

    // Runs `block` on the main thread once the group is empty: at the next
    // turn of the loop when it is empty already.
    void notify(std::function<void()> block);

    int count() const;

private:
    struct State
    {
        mutable std::mutex mutex;
        int count = 0;
        std::vector<std::function<void()>> waiting;
    };
    std::shared_ptr<State> state_;
};
