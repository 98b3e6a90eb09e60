#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

class Review;

// The title and text of a review: the original (no language, no date) or a
// translation.
class ReviewContent : public ManagedObject {
public:
    QString title() const { return stringValue(RecordKey::title); }
    QByteArray data() const { return dataValue(RecordKey::data); }
    QString languageCode() const { return stringValue(RecordKey::languageCode); }
    QDateTime dateTranslated() const { return dateValue(RecordKey::dateTranslated); }
    QString uuid() const { return stringValue(RecordKey::uuid); }
    std::shared_ptr<Review> review() const;
    void setReview(const std::shared_ptr<Review> &review);
    void setTitle(const QString &title) { setValue(RecordKey::title, title); }
    void setData(const QByteArray &data) { setValue(RecordKey::data, data); }

protected:
    void awakeFromInsert() override;
};
