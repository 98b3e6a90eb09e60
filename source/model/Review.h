#pragma once

#include "model/RecordKeys.h"
#include "platform/Error.h"
#include "platform/store/ManagedObject.h"

#include <functional>

class OutboxEntry;
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

// The developer's reply to a review, as App Store Connect last reported it.
struct ReviewReply {
    QString identifier;
    QString text;
    QString state; // "PUBLISHED" or "PENDING_PUBLISH"
    QDateTime date;

    bool isPublished() const { return state == QLatin1String("PUBLISHED"); }
    bool operator==(const ReviewReply &) const = default;
};

// One customer review of one product in one country, with its original
// content and any translations.
class Review : public ManagedObject {
public:
    QString identifier() const { return stringValue(RecordKey::identifier); }
    QString countryCode() const { return stringValue(RecordKey::countryCode); }
    QString reviewer() const { return stringValue(RecordKey::reviewer); }
    QString version() const { return stringValue(RecordKey::version); }
    std::optional<double> rating() const { return floatValue(RecordKey::rating); }
    std::optional<qint64> voteSum() const { return integerValue(RecordKey::voteSum); }
    std::optional<qint64> voteCount() const { return integerValue(RecordKey::voteCount); }
    QDateTime dateReviewed() const { return dateValue(RecordKey::dateReviewed); }
    std::optional<bool> completed() const { return boolValue(RecordKey::completed); }
    QDateTime dateCreated() const { return dateValue(RecordKey::dateCreated); }
    QDateTime dateUpdated() const { return dateValue(RecordKey::dateUpdated); }
    std::optional<bool> read() const { return boolValue(RecordKey::read); }
    void setRead(bool read) { setValue(RecordKey::read, read); }
    void setIdentifier(const QString &identifier) { setValue(RecordKey::identifier, identifier); }
    void setCountryCode(const QString &code) { setValue(RecordKey::countryCode, code); }
    void setReviewer(const QString &reviewer) { setValue(RecordKey::reviewer, reviewer); }
    void setVersion(const QString &version) { setValue(RecordKey::version, version); }
    void setRating(std::optional<double> rating)
    {
        setValue(RecordKey::rating, optionalValue(rating));
    }
    void setVoteSum(qint64 sum) { setValue(RecordKey::voteSum, sum); }
    void setVoteCount(qint64 count) { setValue(RecordKey::voteCount, count); }
    void setDateReviewed(const QDateTime &date) { setValue(RecordKey::dateReviewed, date); }
    void setCompleted(bool completed) { setValue(RecordKey::completed, completed); }
    void setDateUpdated(const QDateTime &date) { setValue(RecordKey::dateUpdated, date); }
    QString displayTitle() const { return stringValue(RecordKey::displayTitle); }
    QByteArray displayData() const { return dataValue(RecordKey::displayData); }
    // What the list shows of the review, as its content stands.
    void setDisplay(const QString &title, const QByteArray &data)
    {
        setValue(RecordKey::displayTitle, title);
        setValue(RecordKey::displayData, data);
    }
    QString translatedLanguageCode() const
    {
        return stringValue(RecordKey::translatedLanguageCode);
    }
    QString uuid() const { return stringValue(RecordKey::uuid); }
    // The review's identifier in App Store Connect; empty for one only the
    // feed gave.
    QString connectIdentifier() const { return stringValue(RecordKey::connectIdentifier); }
    void setConnectIdentifier(const QString &identifier)
    {
        setValue(RecordKey::connectIdentifier, identifier);
    }
    std::optional<ReviewReply> reply() const;
    // Stores the reply, or removes it for nullopt.
    void setReply(const std::optional<ReviewReply> &reply);

    std::shared_ptr<Product> product() const;
    void setProduct(const std::shared_ptr<Product> &product);
    QList<std::shared_ptr<ReviewContent>> reviewContents() const;
    // What the review showed before each edit, oldest first.
    QList<std::shared_ptr<ReviewVersion>> previousVersions() const;
    // Its places in forwarding outboxes, while it waits to be sent.
    QList<std::shared_ptr<OutboxEntry>> outboxEntries() const;

    QString localizedCountryName() const;
#ifdef RK_TYPED_RECORDS
protected:
#else
public:
#endif
    QVariant valueForKey(const QString &key) const override;

public:
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
