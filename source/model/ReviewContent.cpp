#include "ReviewContent.h"

#include "BaseNode.h"
#include "Review.h"

void ReviewContent::awakeFromInsert()
{
    if (!value(QStringLiteral("uuid")).isValid())
        setPrimitiveValue(QStringLiteral("uuid"), BaseNode::newUuid());
}

std::shared_ptr<Review> ReviewContent::review() const
{
    return std::dynamic_pointer_cast<Review>(object(QStringLiteral("review")));
}
