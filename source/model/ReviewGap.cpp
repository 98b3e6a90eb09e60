#include "model/ReviewGap.h"

#include "model/BaseNode.h"
#include "model/Product.h"

void ReviewGap::awakeFromInsert()
{
    if (!value(QStringLiteral("uuid")).isValid())
        setPrimitiveValue(QStringLiteral("uuid"), BaseNode::newUuid());
}

std::shared_ptr<Product> ReviewGap::product() const
{
    return std::dynamic_pointer_cast<Product>(object(QStringLiteral("product")));
}
