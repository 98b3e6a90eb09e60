#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

class Product;

// The store's rating summary of one app in one country.
class Rating : public ManagedObject {
public:
    QString countryCode() const { return stringValue(RecordKey::countryCode); }
    std::optional<qint64> ratingCount() const { return integerValue(RecordKey::ratingCount); }
    std::optional<qint64> ratingCountForCurrentVersion() const
    {
        return integerValue(RecordKey::ratingCountForCurrentVersion);
    }
    std::optional<double> averageRating() const { return floatValue(RecordKey::averageRating); }
    std::optional<double> averageRatingForCurrentVersion() const
    {
        return floatValue(RecordKey::averageRatingForCurrentVersion);
    }
    QDateTime dateCreated() const { return dateValue(RecordKey::dateCreated); }
    QDateTime dateUpdated() const { return dateValue(RecordKey::dateUpdated); }
    QString uuid() const { return stringValue(RecordKey::uuid); }
    std::shared_ptr<Product> product() const;
    void setProduct(const std::shared_ptr<Product> &product);
    // The product's row id, without loading the product.
    qint64 productRowId() const { return value(RecordKey::product).toLongLong(); }

    void setCountryCode(const QString &code) { setValue(RecordKey::countryCode, code); }
    void setRatingCount(std::optional<qint64> count)
    {
        setValue(RecordKey::ratingCount, optionalValue(count));
    }
    void setRatingCountForCurrentVersion(std::optional<qint64> count)
    {
        setValue(RecordKey::ratingCountForCurrentVersion, optionalValue(count));
    }
    void setAverageRating(std::optional<double> average)
    {
        setValue(RecordKey::averageRating, optionalValue(average));
    }
    void setAverageRatingForCurrentVersion(std::optional<double> average)
    {
        setValue(RecordKey::averageRatingForCurrentVersion, optionalValue(average));
    }
    void setDateUpdated(const QDateTime &date) { setValue(RecordKey::dateUpdated, date); }

    QString localizedCountryName() const;

    // "-:-" for none, "1 Rating", "%ld Ratings".
    QString ratingCountString() const;
    QString ratingCountForCurrentVersionString() const;
    // "%.1f Stars" when above 0, else empty.
    QString averageRatingString() const;
    QString averageRatingForCurrentVersionString() const;

    static QString countText(std::optional<qint64> count);
    static QString averageText(std::optional<double> average);
#ifdef RK_TYPED_RECORDS
protected:
#else
public:
#endif
    QVariant valueForKey(const QString &key) const override;

protected:
    void awakeFromInsert() override;
};
