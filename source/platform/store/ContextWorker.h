#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The thread of a private context: runs posted blocks one after another and
// calls `afterEachBlock` after each (the context announces its changes
// there), then `whenIdle` once nothing is left (a main thread waiting for
// the context is woken there). Destruction runs what is queued, then joins.
class ContextWorker {
public:
    ContextWorker(std::function<void()> afterEachBlock, std::function<void()> whenIdle = {});
    ~ContextWorker();
    ContextWorker(const ContextWorker &) = delete;
    ContextWorker &operator=(const ContextWorker &) = delete;

    void post(std::function<void()> block);
    // Nothing queued and nothing running.
    bool isIdle() const;
    bool isCurrentThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void run();

    std::function<void()> afterEachBlock_;
    std::function<void()> whenIdle_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    int pending_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};
