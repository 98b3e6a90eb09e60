#pragma once

#include "net/RQOperation.h"
#include "net/URLRequest.h"
#include "platform/Clock.h"

#include <QList>
#include <QMultiHash>
#include <QObject>

#include <memory>

// Runs RQOperations: at most maxConcurrentRequestCount at once, their starts
// spaced to requestsPerSecond, first in first out (queue mode 0) or last in
// first out (any other mode). Unless duplicates are allowed, a new request
// cancels every waiting or running one equal to it. Main thread only.
class RequestQueue : public QObject {
    Q_OBJECT

public:
    using OperationPtr = std::shared_ptr<RQOperation>;

    static constexpr quint64 unlimitedConcurrency = 2147483647;

    explicit RequestQueue(QObject *parent = nullptr);
    ~RequestQueue() override;

    // The process-wide queue (2 at once, unpaced), created on first use.
    static RequestQueue &mainQueue();

    // Wraps the request in a new operation and adds it; the operation is
    // returned for callers that want to cancel it or watch it.
    OperationPtr addRequest(const URLRequest &request, RQOperation::CompletionHandler handler);
    void addOperation(const OperationPtr &operation);

    // Cancels the operations running exactly this request (the same request,
    // or a copy of it), not merely an equal one.
    void cancelRequest(const URLRequest &request);
    void cancelAllRequests();

    int requestCount() const { return int(operations_.size()); }
    QList<URLRequest> requests() const;
    const QList<OperationPtr> &operations() const { return operations_; }

    quint64 maxConcurrentRequestCount() const { return maxConcurrentRequestCount_; }
    void setMaxConcurrentRequestCount(quint64 count) { maxConcurrentRequestCount_ = count; }
    qint32 queueMode() const { return queueMode_; }
    void setQueueMode(qint32 mode) { queueMode_ = mode; }
    bool allowDuplicateRequests() const { return allowDuplicateRequests_; }
    void setAllowDuplicateRequests(bool allow) { allowDuplicateRequests_ = allow; }
    quint64 requestsPerSecond() const { return requestsPerSecond_; }
    void setRequestsPerSecond(quint64 rate) { requestsPerSecond_ = rate; }
    double timeUntilRequestCanBeExecuted() const { return timeUntilRequestCanBeExecuted_; }
    bool isSuspended() const { return suspended_; }
    void setSuspended(bool suspended);

private:
    void dequeueOperations();
    void operationEnded(RQOperation *operation);
    void forget(RQOperation *operation);

    QList<OperationPtr> operations_;
    // The listed operations by URL, so that looking for duplicates does not
    // walk a long queue on every add.
    QMultiHash<QUrl, RQOperation *> byURL_;
    quint64 maxConcurrentRequestCount_ = 2;
    qint32 queueMode_ = 0;
    bool allowDuplicateRequests_ = false;
    quint64 requestsPerSecond_ = 0;
    double timeUntilRequestCanBeExecuted_ = 0;
    bool suspended_ = false;
};
