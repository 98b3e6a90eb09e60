#include "model/ReviewContent.h"

#include "model/BaseNode.h"
#include "model/RecordKeys.h"
#include "model/Review.h"

void ReviewContent::awakeFromInsert()
{
    if (!value(RecordKey::uuid).isValid())
        setPrimitiveValue(RecordKey::uuid, BaseNode::newUuid());
}

std::shared_ptr<Review> ReviewContent::review() const
{
    return std::dynamic_pointer_cast<Review>(object(RecordKey::review));
}

void ReviewContent::setReview(const std::shared_ptr<Review> &review)
{
    setObject(RecordKey::review, review);
}
