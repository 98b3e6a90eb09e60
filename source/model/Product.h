#pragma once

#include "BaseNode.h"

#include <QUrl>
#include <QVariantMap>

class Rating;
class Review;

// A tracked store item (App, Book or Podcast) under the group of its kind.
// New products are selectable, editable leaves that show all versions and
// all countries ("***").
class Product : public BaseNode {
public:
    QString identifier() const { return stringValue(QStringLiteral("identifier")); }
    QString kind() const { return stringValue(QStringLiteral("kind")); }
    QVariantMap jsonData() const { return value(QStringLiteral("jsonData")).toMap(); }
    QString currentVersion() const { return stringValue(QStringLiteral("currentVersion")); }
    QDateTime currentVersionReleaseDate() const
    {
        return dateValue(QStringLiteral("currentVersionReleaseDate"));
    }
    QDateTime dateUpdated() const { return dateValue(QStringLiteral("dateUpdated")); }
    QDateTime lastReviewsUpdate() const { return dateValue(QStringLiteral("lastReviewsUpdate")); }
    QDateTime lastRatingsUpdate() const { return dateValue(QStringLiteral("lastRatingsUpdate")); }
    QString selectedCountryCode() const
    {
        return stringValue(QStringLiteral("selectedCountryCode"));
    }
    QString selectedVersion() const { return stringValue(QStringLiteral("selectedVersion")); }

    QList<std::shared_ptr<Review>> reviews() const;
    QList<std::shared_ptr<Rating>> ratings() const;

    // Only apps have ratings.
    virtual bool canHaveRatings() const { return false; }
    // Feed pages the review import asks for: 10 for a product never
    // loaded, or one with more than 50 reviews of which some are still
    // undated; else 1.
    int numPagesForReviewsRequest() const;
    // The product's store page in another country, from "trackViewUrl".
    QUrl urlForCountryCode(const QString &countryCode) const;

protected:
    void awakeFromInsert() override;
};
