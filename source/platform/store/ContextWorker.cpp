#include "platform/store/ContextWorker.h"

ContextWorker::ContextWorker(std::function<void()> afterEachBlock, std::function<void()> whenIdle)
    : afterEachBlock_(std::move(afterEachBlock)),
      whenIdle_(std::move(whenIdle)),
      thread_([this] { run(); })
{
}

ContextWorker::~ContextWorker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ContextWorker::post(std::function<void()> block)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(block));
        ++pending_;
    }
    wake_.notify_all();
}

bool ContextWorker::isIdle() const
{
    std::lock_guard lock(mutex_);
    return pending_ == 0;
}

void ContextWorker::run()
{
    for (;;) {
        std::function<void()> block;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            block = std::move(queue_.front());
            queue_.pop_front();
        }
        block();
        // Whatever the block captured is released here, on this thread.
        block = nullptr;
        afterEachBlock_();
        bool idle = false;
        {
            std::lock_guard lock(mutex_);
            idle = --pending_ == 0;
        }
        if (idle && whenIdle_)
            whenIdle_();
    }
}
