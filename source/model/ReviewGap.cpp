#include "model/ReviewGap.h"

#include "model/BaseNode.h"
#include "model/Product.h"
#include "model/RecordKeys.h"

void ReviewGap::awakeFromInsert()
{
    if (!value(RecordKey::uuid).isValid())
        setPrimitiveValue(RecordKey::uuid, BaseNode::newUuid());
}

std::shared_ptr<Product> ReviewGap::product() const
{
    return std::dynamic_pointer_cast<Product>(object(RecordKey::product));
}

void ReviewGap::setProduct(const std::shared_ptr<Product> &product)
{
    setObject(RecordKey::product, product);
}
