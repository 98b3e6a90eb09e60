#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

class ForwardDestination;
class Review;

// A review waiting to be posted to one destination, queued in the save that
// stored the review (new, or edited when `edited`). `deliveryId` is given
// when the entry is first sent as part of a batch and kept across retries,
// so that a receiver can tell a repeat. Sent entries are deleted.
class OutboxEntry : public ManagedObject {
public:
    bool edited() const { return boolValue(RecordKey::edited).value_or(false); }
    QDateTime dateQueued() const { return dateValue(RecordKey::dateQueued); }
    QString deliveryId() const { return stringValue(RecordKey::deliveryId); }
    std::shared_ptr<Review> review() const;
    std::shared_ptr<ForwardDestination> destination() const;

    void setEdited(bool edited) { setValue(RecordKey::edited, edited); }
    void setDateQueued(const QDateTime &date) { setValue(RecordKey::dateQueued, date); }
    void setDeliveryId(const QString &id) { setValue(RecordKey::deliveryId, id); }
    void setReview(const std::shared_ptr<Review> &review);
    void setDestination(const std::shared_ptr<ForwardDestination> &destination);
};
