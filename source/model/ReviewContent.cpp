#include "model/ReviewContent.h"

#include "model/BaseNode.h"
#include "model/Review.h"

void ReviewContent::awakeFromInsert()
{
    if (!value(QStringLiteral("uuid")).isValid())
        setPrimitiveValue(QStringLiteral("uuid"), BaseNode::newUuid());
}

std::shared_ptr<Review> ReviewContent::review() const
{
    return std::dynamic_pointer_cast<Review>(object(QStringLiteral("review")));
}
