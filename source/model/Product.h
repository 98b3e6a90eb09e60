#pragma once

#include "model/BaseNode.h"
#include "model/RecordKeys.h"

#include <QImage>
#include <QMap>
#include <QUrl>
#include <QVariantMap>

class Rating;
class ReviewGap;
class Review;

// A tracked store item (App, Book or Podcast) under the group of its kind.
// New products are selectable, editable leaves that show all versions and
// all countries ("***").
class Product : public BaseNode {
public:
    QString identifier() const { return stringValue(RecordKey::identifier); }
    QString kind() const { return stringValue(RecordKey::kind); }
    QVariantMap jsonData() const { return value(RecordKey::jsonData).toMap(); }
    QString currentVersion() const { return stringValue(RecordKey::currentVersion); }
    QDateTime currentVersionReleaseDate() const
    {
        return dateValue(RecordKey::currentVersionReleaseDate);
    }
    QDateTime dateUpdated() const { return dateValue(RecordKey::dateUpdated); }
    QDateTime lastReviewsUpdate() const { return dateValue(RecordKey::lastReviewsUpdate); }
    QDateTime lastRatingsUpdate() const { return dateValue(RecordKey::lastRatingsUpdate); }
    QString selectedCountryCode() const { return stringValue(RecordKey::selectedCountryCode); }
    QString selectedVersion() const { return stringValue(RecordKey::selectedVersion); }

    void setIdentifier(const QString &identifier) { setValue(RecordKey::identifier, identifier); }
    void setKind(const QString &kind) { setValue(RecordKey::kind, textOrNone(kind)); }
    void setJsonData(const QVariantMap &data) { setValue(RecordKey::jsonData, data); }
    // The release the store sells now; empty texts and invalid dates store none.
    void setCurrentVersion(const QString &version)
    {
        setValue(RecordKey::currentVersion, textOrNone(version));
    }
    void setCurrentVersionReleaseDate(const QDateTime &date)
    {
        setValue(
            RecordKey::currentVersionReleaseDate, date.isValid() ? QVariant(date) : QVariant());
    }
    void setDateUpdated(const QDateTime &date) { setValue(RecordKey::dateUpdated, date); }
    void setLastReviewsUpdate(const QDateTime &date)
    {
        setValue(RecordKey::lastReviewsUpdate, date);
    }
    void setLastRatingsUpdate(const QDateTime &date)
    {
        setValue(RecordKey::lastRatingsUpdate, date);
    }
    // The artwork as stored; `image()` falls back to a placeholder.
    bool hasStoredImage() const { return !value(RecordKey::image).isNull(); }
    void setStoredImage(const QImage &image) { setValue(RecordKey::image, image); }
    qint64 reviewGapsCount() const { return countOfObjects(RecordKey::reviewGaps); }

    QList<std::shared_ptr<Review>> reviews() const;
    QList<std::shared_ptr<Rating>> ratings() const;
    QList<std::shared_ptr<ReviewGap>> reviewGaps() const;

    // Only apps have ratings.
    virtual bool canHaveRatings() const { return false; }
    // Feed pages the review import asks for: 10 for a product never
    // loaded, or one with more than 50 reviews of which some are still
    // undated; else 1.
    int numPagesForReviewsRequest() const;
    // The product's store page in another country, from "trackViewUrl".
    QUrl urlForCountryCode(const QString &countryCode) const;

    // --- Values computed in memory (main context only) ------------------
    // Computed on first read and kept in step with the store's changes;
    // DerivedValues announces every recomputation.

    // Reviews with read NO; absent (not 0) when there are none.
    std::optional<qint64> unReadCount() const;
    // Star text ("1" … "5", or a null text for unrated reviews) to the
    // number of reviews, under the product's list filter.
    QMap<QString, qint64> reviewsGroupedByStarsForProduct() const;
    std::optional<double> totalAverageRatingForReviews() const;
    qint64 reviewsCount() const;
    qint64 maxStarsTotal() const;
    qint64 starsTotal(int stars) const;
    qint64 fiveStarsTotal() const { return starsTotal(5); }
    qint64 fourStarsTotal() const { return starsTotal(4); }
    qint64 threeStarsTotal() const { return starsTotal(3); }
    qint64 twoStarsTotal() const { return starsTotal(2); }
    qint64 oneStarsTotal() const { return starsTotal(1); }

    void updateUnReadCount();
    void updateReviewsGroupedByStarsForProduct();
    void updateTotalAverageRatingForReviews(const QString &version, const QString &countryCode);

    // The stored filter choice of every version or country.
    static const QString allValues; // "***"
    // A stored filter choice as a query's filter: null for allValues and
    // for none, which both mean all.
    static QString filterValue(const QString &stored);

    // Store the list filter ("***" for all), then recount the stars.
    void setSelectedVersion(const QString &version);
    void setSelectedCountryCode(const QString &countryCode);

    virtual QString toolTip() const;
    // The stored artwork, else the placeholder of the product's kind.
    QImage image() const;
    virtual QString placeholderImageName() const { return QString(); }

    // How often the unread count was recomputed (tests, benchmarks).
    int unreadRecounts() const { return unreadRecounts_; }

#ifdef RK_TYPED_RECORDS
protected:
#else
public:
#endif
    QVariant valueForKey(const QString &key) const override;

protected:
    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willTurnIntoFault() override;
    void prepareForDeletion() override;

    // Only records of the main context compute values in memory.
    bool computesDerivedValues() const;
    void startObserving();
    void stopObserving();
    void announce(const QStringList &keys) const;

private:
    static QVariant textOrNone(const QString &text)
    {
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    void ensureStarsComputed() const;
    static std::optional<double> averageOfGroups(const QList<QVariantMap> &groups);

    mutable bool unreadComputed_ = false;
    mutable std::optional<qint64> unReadCount_;
    mutable bool starsComputed_ = false;
    mutable QMap<QString, qint64> stars_;
    mutable std::optional<double> averageForReviews_;
    int unreadRecounts_ = 0;
    bool observing_ = false;
};
