#pragma once

#include "platform/store/ManagedObject.h"

class Product;

// A product's rating summary in one country as it stood on one day (UTC),
// kept so that the ratings can be followed over time. One per product,
// country and day; the day's last import wins. Deliberately lean (no uuid,
// no dates beyond the day): a store may keep millions of them.
class RatingSnapshot : public ManagedObject {
public:
    QString countryCode() const { return stringValue(QStringLiteral("countryCode")); }
    // Midnight UTC of the day the summary was read.
    QDateTime day() const { return dateValue(QStringLiteral("day")); }
    std::optional<qint64> ratingCount() const
    {
        return integerValue(QStringLiteral("ratingCount"));
    }
    std::optional<double> averageRating() const
    {
        return floatValue(QStringLiteral("averageRating"));
    }
    std::optional<qint64> ratingCountForCurrentVersion() const
    {
        return integerValue(QStringLiteral("ratingCountForCurrentVersion"));
    }
    std::optional<double> averageRatingForCurrentVersion() const
    {
        return floatValue(QStringLiteral("averageRatingForCurrentVersion"));
    }
    QString currentVersion() const { return stringValue(QStringLiteral("currentVersion")); }
    std::shared_ptr<Product> product() const;

    // The day an instant falls on, as stored in `day`.
    static QDateTime dayOf(const QDateTime &instant);
};
