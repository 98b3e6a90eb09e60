#include "net/RequestQueue.h"

#include <QCoreApplication>

#include <algorithm>

RequestQueue::RequestQueue(QObject *parent) : QObject(parent)
{
}

RequestQueue::~RequestQueue()
{
    // Operations still held elsewhere must not call back into a dead queue.
    for (const OperationPtr &operation : std::as_const(operations_))
        operation->disconnect(this);
}

RequestQueue &RequestQueue::mainQueue()
{
    // Lives as long as the application object; reached from the main thread only.
    static RequestQueue *queue = new RequestQueue(QCoreApplication::instance());
    return *queue;
}

RequestQueue::OperationPtr RequestQueue::addRequest(
    const URLRequest &request, RQOperation::CompletionHandler handler)
{
    OperationPtr operation = RQOperation::operationWithRequest(request);
    operation->setCompletionHandler(std::move(handler));
    addOperation(operation);
    return operation;
}

void RequestQueue::addOperation(const OperationPtr &operation)
{
    if (!operation)
        return;
    if (!allowDuplicateRequests_ && byURL_.contains(operation->request().url())) {
        // Cancelling removes from the list, so work on a copy, back to front.
        QList<OperationPtr> equal;
        for (const OperationPtr &listed : std::as_const(operations_)) {
            if (listed->request() == operation->request())
                equal.append(listed);
        }
        for (auto it = equal.crbegin(); it != equal.crend(); ++it)
            (*it)->cancel();
    }
    if (requestsPerSecond_ != 0 && operations_.isEmpty())
        timeUntilRequestCanBeExecuted_ = 0;

    if (queueMode_ == 0) {
        operations_.append(operation);
    } else {
        const auto waiting = std::find_if(operations_.begin(), operations_.end(),
            [](const OperationPtr &op) { return !op->isExecuting(); });
        operations_.insert(waiting, operation);
    }

    RQOperation *raw = operation.get();
    byURL_.insert(raw->request().url(), raw);
    connect(raw, &RQOperation::executingChanged, this, [this, raw](bool executing) {
        if (!executing)
            operationEnded(raw);
    });
    // One cancelled before it ever started leaves at once: it must not hold
    // one of the running places.
    connect(raw, &RQOperation::cancelledChanged, this, [this, raw] {
        if (!raw->isExecuting() && !raw->isFinished())
            operationEnded(raw);
    });
    dequeueOperations();
}

void RequestQueue::operationEnded(RQOperation *operation)
{
    timeUntilRequestCanBeExecuted_ = 0;
    // One cancelled before it was sent used none of the rate.
    const QDateTime started = operation->startTime();
    if (requestsPerSecond_ != 0 && started.isValid()) {
        const double ran = double(started.msecsTo(Clock::shared().now())) / 1000.0;
        timeUntilRequestCanBeExecuted_ = std::max(0.0, 1.0 / double(requestsPerSecond_) - ran);
    }
    forget(operation);
    dequeueOperations();
}

void RequestQueue::forget(RQOperation *operation)
{
    operation->disconnect(this);
    // The caller may hold the last reference inside this very operation's
    // signal; the operation keeps itself alive for the rest of its call.
    if (operations_.removeIf([operation](const OperationPtr &op) { return op.get() == operation; }))
        byURL_.remove(operation->request().url(), operation);
}

void RequestQueue::dequeueOperations()
{
    if (suspended_)
        return;
    const quint64 limit =
        maxConcurrentRequestCount_ == 0 ? unlimitedConcurrency : maxConcurrentRequestCount_;
    const qsizetype n = qsizetype(std::min<quint64>(quint64(operations_.size()), limit));
    const Clock::Duration delay = seconds(timeUntilRequestCanBeExecuted_);
    // A start may finish an operation at once (served from the cache) and so
    // change the list; walk a copy of the first n.
    const QList<OperationPtr> first = operations_.mid(0, n);
    for (const OperationPtr &operation : first) {
        if (!operation->isExecuting())
            operation->startAfter(delay);
    }
}

void RequestQueue::cancelRequest(const URLRequest &request)
{
    const QList<OperationPtr> current = operations_;
    for (auto it = current.crbegin(); it != current.crend(); ++it) {
        if ((*it)->request().isIdenticalTo(request))
            (*it)->cancel();
    }
}

void RequestQueue::cancelAllRequests()
{
    QList<OperationPtr> old;
    old.swap(operations_);
    byURL_.clear();
    for (const OperationPtr &operation : std::as_const(old))
        operation->cancel();
}

QList<URLRequest> RequestQueue::requests() const
{
    QList<URLRequest> list;
    list.reserve(operations_.size());
    for (const OperationPtr &operation : operations_)
        list.append(operation->request());
    return list;
}

void RequestQueue::setSuspended(bool suspended)
{
    suspended_ = suspended;
    dequeueOperations();
}
