#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

class Product;

// A product's rating summary in one country as it stood on one day (UTC),
// kept so that the ratings can be followed over time. One per product,
// country and day; the day's last import wins. Deliberately lean (no uuid,
// no dates beyond the day): a store may keep millions of them.
class RatingSnapshot : public ManagedObject {
public:
    QString countryCode() const { return stringValue(RecordKey::countryCode); }
    // Midnight UTC of the day the summary was read.
    QDateTime day() const { return dateValue(RecordKey::day); }
    std::optional<qint64> ratingCount() const { return integerValue(RecordKey::ratingCount); }
    std::optional<double> averageRating() const { return floatValue(RecordKey::averageRating); }
    std::optional<qint64> ratingCountForCurrentVersion() const
    {
        return integerValue(RecordKey::ratingCountForCurrentVersion);
    }
    std::optional<double> averageRatingForCurrentVersion() const
    {
        return floatValue(RecordKey::averageRatingForCurrentVersion);
    }
    QString currentVersion() const { return stringValue(RecordKey::currentVersion); }
    std::shared_ptr<Product> product() const;
    void setProduct(const std::shared_ptr<Product> &product);
    // The product's row id, without loading the product.
    qint64 productRowId() const { return value(RecordKey::product).toLongLong(); }

    void setCountryCode(const QString &code) { setValue(RecordKey::countryCode, code); }
    void setDay(const QDateTime &day) { setValue(RecordKey::day, day); }
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
    void setCurrentVersion(const QString &version)
    {
        setValue(RecordKey::currentVersion, version.isEmpty() ? QVariant() : QVariant(version));
    }

    // The day an instant falls on, as stored in `day`.
    static QDateTime dayOf(const QDateTime &instant);
};
