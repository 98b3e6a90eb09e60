#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

class Review;

// What a review showed before its author edited it, with the date the store
// replaced it. The original title and text live here; the translations of
// that text travel with it as a list of maps (languageCode, title, data,
// dateTranslated).
class ReviewVersion : public ManagedObject {
public:
    std::optional<double> rating() const { return floatValue(RecordKey::rating); }
    QString version() const { return stringValue(RecordKey::version); }
    QString title() const { return stringValue(RecordKey::title); }
    QByteArray data() const { return dataValue(RecordKey::data); }
    QDateTime dateReviewed() const { return dateValue(RecordKey::dateReviewed); }
    QDateTime dateReplaced() const { return dateValue(RecordKey::dateReplaced); }
    QVariantList translations() const { return value(RecordKey::translations).toList(); }
    std::shared_ptr<Review> review() const;
};
