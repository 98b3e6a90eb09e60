#include "Rating.h"

#include "BaseNode.h"
#include "Clock.h"
#include "Country.h"
#include "Product.h"

void Rating::awakeFromInsert()
{
    if (!value(QStringLiteral("uuid")).isValid())
        setPrimitiveValue(QStringLiteral("uuid"), BaseNode::newUuid());
    if (!value(QStringLiteral("dateCreated")).isValid())
        setPrimitiveValue(QStringLiteral("dateCreated"), Clock::shared().now());
}

std::shared_ptr<Product> Rating::product() const
{
    return std::dynamic_pointer_cast<Product>(object(QStringLiteral("product")));
}

QString Rating::localizedCountryName() const
{
    return Country::localizedName(countryCode());
}

QVariant Rating::valueForKey(const QString &key) const
{
    if (key == u"localizedCountryName") {
        const QString name = localizedCountryName();
        return name.isNull() ? QVariant() : QVariant(name);
    }
    return ManagedObject::valueForKey(key);
}
