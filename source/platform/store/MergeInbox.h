#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class ManagedObjectContext;

// Where children leave work for the main context: their merges. The main
// loop runs it on its next turn; a main thread that waits for children runs
// it while waiting, so a waiting main thread never deadlocks a saving child.
class MergeInbox {
public:
    explicit MergeInbox(ManagedObjectContext *main) : main_(main) { }

    ManagedObjectContext *main() const { return main_; }

    // True when the caller must schedule a run on the main loop.
    bool add(std::function<void()> job)
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        arrived_.notify_all();
        const bool schedule = !scheduled_;
        scheduled_ = true;
        return schedule;
    }

    std::function<void()> take()
    {
        std::lock_guard lock(mutex_);
        if (jobs_.empty()) {
            scheduled_ = false;
            return {};
        }
        auto job = std::move(jobs_.front());
        jobs_.pop_front();
        return job;
    }

    // After a job run on the main loop: true when more wait and the caller
    // must schedule another run; otherwise the next add schedules.
    bool finishTurn()
    {
        std::lock_guard lock(mutex_);
        scheduled_ = !jobs_.empty();
        return scheduled_;
    }

    bool isEmpty() const
    {
        std::lock_guard lock(mutex_);
        return jobs_.empty();
    }

    // Returns when a job arrives, when wake() was called since the last
    // return, or after `timeout`.
    template<typename Duration> void waitForJob(Duration timeout)
    {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, timeout, [this] { return !jobs_.empty() || woken_; });
        woken_ = false;
    }

    // Ends a wait without a job: a child the main thread waits for fell idle.
    void wake()
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
        arrived_.notify_all();
    }

private:
    ManagedObjectContext *main_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> jobs_;
    bool scheduled_ = false;
    bool woken_ = false;
};
