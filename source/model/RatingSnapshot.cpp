#include "model/RatingSnapshot.h"

#include "model/Product.h"

std::shared_ptr<Product> RatingSnapshot::product() const
{
    return std::dynamic_pointer_cast<Product>(object(QStringLiteral("product")));
}

QDateTime RatingSnapshot::dayOf(const QDateTime &instant)
{
    return QDateTime(instant.toUTC().date(), QTime(0, 0), Qt::UTC);
}
