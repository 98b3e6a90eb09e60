#pragma once

#include "forward/ForwardBatch.h"
#include "forward/ForwardMessage.h"
#include "net/RequestQueue.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class ForwardDestination;
class ManagedObjectContext;
class OutboxEntry;

// Delivers the forwarding outbox: for each destination that is not paused
// or waiting, its entries in the order they were queued, batched per
// product, one message per batch. A 2xx deletes the batch's entries. A 429
// waits for its Retry-After (at most a minute) and tries once more. A 5xx
// or a failed connection keeps the batch for the next delivery, and after
// three failures in a row the tries are spaced out, up to an hour. Any
// other answer pauses the destination, and says why once. Main thread.
class Forwarder : public QObject {
    Q_OBJECT

public:
    struct Report {
        qint64 sent = 0; // reviews
        qint64 waiting = 0; // reviews kept for a later delivery
        QStringList paused; // why each destination paused, this time
    };
    using Completion = std::function<void(const Report &report)>;
    // The answer to a test message, in a line: the status and what the
    // receiver said.
    using TestCompletion = std::function<void(bool delivered, const QString &answer)>;

    // `save` saves the main context, as the application does.
    Forwarder(std::function<ManagedObjectContext *()> context, std::function<void()> save,
        QObject *parent = nullptr);
    ~Forwarder() override;

    // A delivery asked for while one runs ends with it.
    void deliver(Completion completion);
    // Posts a sample review; a delivered one resumes a paused destination.
    void test(const std::shared_ptr<ForwardDestination> &destination, TestCompletion completion);

    // The longest a 429 makes a delivery wait, in seconds.
    static constexpr int maximumRetryAfter = 60;
    // Failures in a row after which tries are spaced out, and the longest space.
    static constexpr int failuresBeforeBackoff = 3;
    static constexpr int maximumBackoffSeconds = 3600;

private:
    struct Run;
    struct Batch;

    void deliverTo(
        const std::shared_ptr<Run> &run, const std::shared_ptr<ForwardDestination> &destination);
    void sendNext(const std::shared_ptr<Run> &run,
        const std::shared_ptr<ForwardDestination> &destination,
        const std::shared_ptr<QList<Batch>> &batches, const QString &address,
        const QString &signingSecret, bool retried);
    // Posts the batch's message through the forwarder's own request queue;
    // `completion` runs on the main thread.
    void post(ForwardMessage::Kind kind, const ForwardBatch &batch, const QString &address,
        const QString &signingSecret, RQOperation::CompletionHandler completion);
    void finishRun(const std::shared_ptr<Run> &run);

    std::function<ManagedObjectContext *()> context_;
    std::function<void()> save_;
    std::shared_ptr<Run> running_;
    RequestQueue queue_;
};
