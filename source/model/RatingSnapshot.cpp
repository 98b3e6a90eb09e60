#include "model/RatingSnapshot.h"

#include "model/Product.h"
#include "model/RecordKeys.h"

std::shared_ptr<Product> RatingSnapshot::product() const
{
    return std::dynamic_pointer_cast<Product>(object(RecordKey::product));
}

QDateTime RatingSnapshot::dayOf(const QDateTime &instant)
{
    return QDateTime(instant.toUTC().date(), QTime(0, 0), Qt::UTC);
}

void RatingSnapshot::setProduct(const std::shared_ptr<Product> &product)
{
    setObject(RecordKey::product, product);
}
