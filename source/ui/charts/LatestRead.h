#pragma once

#include "platform/Dispatch.h"

#include <QObject>
#include <QThreadPool>

#include <functional>

// Runs a view's reads on a worker thread, one at a time, and hands the main
// thread the answer to the latest request only: when requests came while a
// read ran, its answer is dropped and the latest request read instead. The
// reads take plain values, never records, which belong to the main thread.
// Destroying it waits for a read in progress; the answer then goes nowhere.
template<typename Answer> class LatestRead {
public:
    using Show = std::function<void(const Answer &)>;

    // `owner` is the view that holds this; `show` runs on the main thread.
    LatestRead(QObject *owner, Show show) : owner_(owner), show_(std::move(show))
    {
        pool_.setMaxThreadCount(1);
    }

    // Main thread.
    void request(std::function<Answer()> read)
    {
        next_ = std::move(read);
        ++generation_;
        if (!busy_)
            start();
    }
    bool isBusy() const { return busy_; }

private:
    void start()
    {
        busy_ = true;
        pool_.start([this, read = next_, generation = generation_] {
            Answer answer = read();
            dispatchMain(owner_, [this, generation, answer = std::move(answer)] {
                busy_ = false;
                if (generation != generation_)
                    start();
                else
                    show_(answer);
            });
        });
    }

    QObject *owner_;
    Show show_;
    std::function<Answer()> next_;
    quint64 generation_ = 0;
    bool busy_ = false;
    QThreadPool pool_;
};
