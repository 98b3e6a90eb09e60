#pragma once

#include "platform/Error.h"
#include "platform/store/ManagedObject.h"

#include <functional>

class Product;
class ReviewContent;
class ReviewVersion;

// What the store shows of a review now, as far as an edit can change it.
struct ReviewEdit {
    std::optional<double> rating;
    QString title;
    QString text;
    QString version;
    QDateTime dateReviewed;
};

// One customer review of one product in one country, with its original
// content and any translations.
class Review : public ManagedObject {
public:
    QString identifier() const { return stringValue(QStringLiteral("identifier")); }
    QString countryCode() const { return stringValue(QStringLiteral("countryCode")); }
    QString reviewer() const { return stringValue(QStringLiteral("reviewer")); }
    QString version() const { return stringValue(QStringLiteral("version")); }
    std::optional<double> rating() const { return floatValue(QStringLiteral("rating")); }
    std::optional<qint64> voteSum() const { return integerValue(QStringLiteral("voteSum")); }
    std::optional<qint64> voteCount() const { return integerValue(QStringLiteral("voteCount")); }
    QDateTime dateReviewed() const { return dateValue(QStringLiteral("dateReviewed")); }
    std::optional<bool> completed() const { return boolValue(QStringLiteral("completed")); }
    QDateTime dateCreated() const { return dateValue(QStringLiteral("dateCreated")); }
    QDateTime dateUpdated() const { return dateValue(QStringLiteral("dateUpdated")); }
    std::optional<bool> read() const { return boolValue(QStringLiteral("read")); }
    void setRead(bool read) { setValue(QStringLiteral("read"), read); }
    QString displayTitle() const { return stringValue(QStringLiteral("displayTitle")); }
    QByteArray displayData() const { return dataValue(QStringLiteral("displayData")); }
    QString translatedLanguageCode() const
    {
        return stringValue(QStringLiteral("translatedLanguageCode"));
    }
    QString uuid() const { return stringValue(QStringLiteral("uuid")); }

    std::shared_ptr<Product> product() const;
    void setProduct(const std::shared_ptr<Product> &product);
    QList<std::shared_ptr<ReviewContent>> reviewContents() const;
    // What the review showed before each edit, oldest first.
    QList<std::shared_ptr<ReviewVersion>> previousVersions() const;

    QString localizedCountryName() const;
    QVariant valueForKey(const QString &key) const override;

    // --- Contents and display -----------------------------------------------

    // The untranslated content; an empty one is created when the review has
    // no content at all. Null when only translations exist.
    std::shared_ptr<ReviewContent> originalReviewContent();
    bool hasTranslationForLanguageCode(const QString &code) const;
    // Copies the title and text to show (the translation in
    // translatedLanguageCode when there is one, else the original) into
    // displayTitle and displayData.
    void updateDisplayReviewContent();
    // Shows the translation into `code`, fetching and storing it first when
    // needed; an empty code shows the original. `completion` runs once,
    // later, on the main thread. Nothing here saves.
    void translateTo(const QString &code, std::function<void()> completion = {});
    // The same, telling why nothing was stored: the translation's error, or
    // none when it was stored or only shown.
    void translateTo(const QString &code, std::function<void(const Error &error)> completion);

    // --- Edits ----------------------------------------------------------------

    // Whether `edit` changes the rating, title or text. What the store leaves
    // out (no rating, an empty title or text) changes nothing, and neither
    // does white space, which the two feed formats do not render alike.
    bool isChangedBy(const ReviewEdit &edit);
    // Keeps what the review shows now as an earlier version replaced at
    // `now`, together with the translations of its text, and then shows
    // `edit`, untranslated and unread. Nothing here saves.
    void replaceWith(const ReviewEdit &edit, const QDateTime &now);

    QString dateReviewedString() const;
    QString reviewSmiley() const;
    // "%ld out of %ld customers found this review helpful", or null.
    QString voteToolTipString() const;

protected:
    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willTurnIntoFault() override;
    void prepareForDeletion() override;

private:
    void startObserving();
    void stopObserving();
    void setTranslatedLanguageCode(const QString &code);

    bool observing_ = false;
};
