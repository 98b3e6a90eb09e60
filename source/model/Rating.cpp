#include "model/Rating.h"

#include "model/BaseNode.h"
#include "model/Country.h"
#include "model/Product.h"
#include "model/RecordKeys.h"
#include "platform/Clock.h"
#include "platform/StringFormat.h"

void Rating::awakeFromInsert()
{
    if (!value(RecordKey::uuid).isValid())
        setPrimitiveValue(RecordKey::uuid, BaseNode::newUuid());
    if (!value(RecordKey::dateCreated).isValid())
        setPrimitiveValue(RecordKey::dateCreated, Clock::shared().now());
}

std::shared_ptr<Product> Rating::product() const
{
    return std::dynamic_pointer_cast<Product>(object(RecordKey::product));
}

QString Rating::localizedCountryName() const
{
    return Country::localizedName(countryCode());
}

QString Rating::countText(std::optional<qint64> count)
{
    if (!count || *count == 0)
        return localized("Rating", "-:-");
    if (*count == 1)
        return localized("Rating", "1 Rating");
    return formatString(localized("Rating", "%ld Ratings"), *count);
}

QString Rating::averageText(std::optional<double> average)
{
    if (!average || !(*average > 0))
        return QString(QLatin1String(""));
    return formatString(localized("Rating", "%.1f Stars"), *average);
}

QString Rating::ratingCountString() const
{
    return countText(ratingCount());
}

QString Rating::ratingCountForCurrentVersionString() const
{
    return countText(ratingCountForCurrentVersion());
}

QString Rating::averageRatingString() const
{
    return averageText(averageRating());
}

QString Rating::averageRatingForCurrentVersionString() const
{
    return averageText(averageRatingForCurrentVersion());
}

QVariant Rating::valueForKey(const QString &key) const
{
    if (key == u"ratingCountString")
        return ratingCountString();
    if (key == u"ratingCountForCurrentVersionString")
        return ratingCountForCurrentVersionString();
    if (key == u"averageRatingString")
        return averageRatingString();
    if (key == u"averageRatingForCurrentVersionString")
        return averageRatingForCurrentVersionString();
    if (key == u"localizedCountryName") {
        const QString name = localizedCountryName();
        return name.isNull() ? QVariant() : QVariant(name);
    }
    return ManagedObject::valueForKey(key);
}

void Rating::setProduct(const std::shared_ptr<Product> &product)
{
    setObject(RecordKey::product, product);
}
