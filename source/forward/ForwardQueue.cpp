#include "forward/ForwardQueue.h"

#include "model/ForwardDestination.h"
#include "model/OutboxEntry.h"
#include "model/Product.h"
#include "model/Review.h"
#include "model/ReviewContent.h"
#include "platform/Clock.h"
#include "platform/store/ManagedObjectContext.h"

namespace {

void queueEntry(ManagedObjectContext &context,
    const std::shared_ptr<ForwardDestination> &destination, const std::shared_ptr<Review> &review,
    bool edited, const QDateTime &now)
{
    auto entry = context.insertNewObject<OutboxEntry>(QStringLiteral("OutboxEntry"));
    entry->setDestination(destination);
    entry->setReview(review);
    entry->setEdited(edited);
    entry->setDateQueued(now);
}

} // namespace

ForwardQueue::ForwardQueue(
    ManagedObjectContext &context, const QString &productIdentifier, bool queueing, Error *error)
    : context_(context), productIdentifier_(productIdentifier), now_(Clock::shared().now())
{
    if (queueing)
        destinations_ = context.fetch<ForwardDestination>(
            FetchRequest(QStringLiteral("ForwardDestination")), error);
}

void ForwardQueue::add(
    const std::shared_ptr<Review> &review, const ReviewEdit &shown, bool edited)
{
    // A review that still waits for a destination is not queued twice: what
    // is sent is read when it is sent, so the message shows the latest edit.
    QList<std::shared_ptr<ForwardDestination>> waiting;
    if (edited && !destinations_.isEmpty()) {
        for (const auto &entry : review->outboxEntries())
            waiting << entry->destination();
    }
    for (const auto &destination : std::as_const(destinations_)) {
        if (!waiting.contains(destination)
            && destination->rules().matches(
                productIdentifier_, review->countryCode(), shown.rating, shown.title, shown.text,
                edited))
            queueEntry(context_, destination, review, edited, now_);
    }
}

qint64 ForwardQueue::backfill(ManagedObjectContext &context,
    const std::shared_ptr<ForwardDestination> &destination, const QDateTime &since, Error *error)
{
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = Predicate::format(QStringLiteral("dateReviewed >= %@"), since);
    request.sortDescriptors = {{RecordKey::dateReviewed, true}};
    const ForwardRules rules = destination->rules();
    const QDateTime now = Clock::shared().now();
    qint64 queued = 0;
    for (const auto &review : context.fetch<Review>(request, error)) {
        const auto product = review->product();
        const auto content = review->originalReviewContent();
        if (!product || !content)
            continue;
        if (rules.matches(product->identifier(), review->countryCode(), review->rating(),
                content->title(), QString::fromUtf8(content->data()), false)) {
            queueEntry(context, destination, review, false, now);
            ++queued;
        }
    }
    return queued;
}
