#pragma once

#include "platform/store/ManagedObject.h"

class Review;

// The title and text of a review: the original (no language, no date) or a
// translation.
class ReviewContent : public ManagedObject {
public:
    QString title() const { return stringValue(QStringLiteral("title")); }
    QByteArray data() const { return dataValue(QStringLiteral("data")); }
    QString languageCode() const { return stringValue(QStringLiteral("languageCode")); }
    QDateTime dateTranslated() const { return dateValue(QStringLiteral("dateTranslated")); }
    QString uuid() const { return stringValue(QStringLiteral("uuid")); }
    std::shared_ptr<Review> review() const;

protected:
    void awakeFromInsert() override;
};
