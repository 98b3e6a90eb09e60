#include "model/ReviewVersion.h"

#include "model/RecordKeys.h"
#include "model/Review.h"

std::shared_ptr<Review> ReviewVersion::review() const
{
    return std::dynamic_pointer_cast<Review>(object(RecordKey::review));
}
