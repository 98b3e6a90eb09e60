#pragma once

#include "platform/store/ManagedObject.h"

class Review;

// What a review showed before its author edited it, with the date the store
// replaced it. The original title and text live here; the translations of
// that text travel with it as a list of maps (languageCode, title, data,
// dateTranslated).
class ReviewVersion : public ManagedObject {
public:
    std::optional<double> rating() const { return floatValue(QStringLiteral("rating")); }
    QString version() const { return stringValue(QStringLiteral("version")); }
    QString title() const { return stringValue(QStringLiteral("title")); }
    QByteArray data() const { return dataValue(QStringLiteral("data")); }
    QDateTime dateReviewed() const { return dateValue(QStringLiteral("dateReviewed")); }
    QDateTime dateReplaced() const { return dateValue(QStringLiteral("dateReplaced")); }
    QVariantList translations() const { return value(QStringLiteral("translations")).toList(); }
    std::shared_ptr<Review> review() const;
};
