#include "model/OutboxEntry.h"

#include "model/ForwardDestination.h"
#include "model/Review.h"

std::shared_ptr<Review> OutboxEntry::review() const
{
    return std::dynamic_pointer_cast<Review>(object(RecordKey::review));
}

std::shared_ptr<ForwardDestination> OutboxEntry::destination() const
{
    return std::dynamic_pointer_cast<ForwardDestination>(object(RecordKey::destination));
}

void OutboxEntry::setReview(const std::shared_ptr<Review> &review)
{
    setObject(RecordKey::review, review);
}

void OutboxEntry::setDestination(const std::shared_ptr<ForwardDestination> &destination)
{
    setObject(RecordKey::destination, destination);
}
