#pragma once

#include "platform/store/ManagedObject.h"

class Product;

// The store's rating summary of one app in one country.
class Rating : public ManagedObject {
public:
    QString countryCode() const { return stringValue(QStringLiteral("countryCode")); }
    std::optional<qint64> ratingCount() const
    {
        return integerValue(QStringLiteral("ratingCount"));
    }
    std::optional<qint64> ratingCountForCurrentVersion() const
    {
        return integerValue(QStringLiteral("ratingCountForCurrentVersion"));
    }
    std::optional<double> averageRating() const
    {
        return floatValue(QStringLiteral("averageRating"));
    }
    std::optional<double> averageRatingForCurrentVersion() const
    {
        return floatValue(QStringLiteral("averageRatingForCurrentVersion"));
    }
    QDateTime dateCreated() const { return dateValue(QStringLiteral("dateCreated")); }
    QDateTime dateUpdated() const { return dateValue(QStringLiteral("dateUpdated")); }
    QString uuid() const { return stringValue(QStringLiteral("uuid")); }
    std::shared_ptr<Product> product() const;

    QString localizedCountryName() const;

    // "-:-" for none, "1 Rating", "%ld Ratings".
    QString ratingCountString() const;
    QString ratingCountForCurrentVersionString() const;
    // "%.1f Stars" when above 0, else empty.
    QString averageRatingString() const;
    QString averageRatingForCurrentVersionString() const;

    static QString countText(std::optional<qint64> count);
    static QString averageText(std::optional<double> average);
    QVariant valueForKey(const QString &key) const override;

protected:
    void awakeFromInsert() override;
};
