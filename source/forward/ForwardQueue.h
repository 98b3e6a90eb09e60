#pragma once

#include "platform/Error.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class ForwardDestination;
class ManagedObjectContext;
class Review;
struct ReviewEdit;

// Queues reviews for the destinations whose rules want them, in the context
// that stores the reviews, so that a review and its outbox entries are saved
// together: none is forwarded that was not stored, and none stored is missed.
class ForwardQueue {
public:
    // Reads the destinations in `context` (on its thread). A queue made with
    // `queueing` false queues nothing: a product's first load brings its
    // history, which is not news to anyone.
    ForwardQueue(ManagedObjectContext &context, const QString &productIdentifier, bool queueing,
        Error *error);

    // Queues `review` as the source shows it, new or edited.
    void add(const std::shared_ptr<Review> &review, const ReviewEdit &shown, bool edited);

    // Queues the reviews stored since `since` that the destination's rules
    // want, oldest first; answers how many.
    static qint64 backfill(ManagedObjectContext &context,
        const std::shared_ptr<ForwardDestination> &destination, const QDateTime &since,
        Error *error);

private:
    ManagedObjectContext &context_;
    QString productIdentifier_;
    QList<std::shared_ptr<ForwardDestination>> destinations_;
    QDateTime now_;
};
