#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

class Product;

// A stretch of a product's reviews in one country that may be missing: an
// update read every feed page the store offers without reaching a review it
// had stored before, so whatever the store published between the oldest
// review it read (`toDate`) and the newest stored one (`fromDate`) was never
// seen.
class ReviewGap : public ManagedObject {
public:
    QString countryCode() const { return stringValue(RecordKey::countryCode); }
    // The newest review stored before the update.
    QDateTime fromDate() const { return dateValue(RecordKey::fromDate); }
    // The oldest review the update read.
    QDateTime toDate() const { return dateValue(RecordKey::toDate); }
    QDateTime dateNoticed() const { return dateValue(RecordKey::dateNoticed); }
    QString uuid() const { return stringValue(RecordKey::uuid); }
    std::shared_ptr<Product> product() const;
    void setProduct(const std::shared_ptr<Product> &product);
    void setCountryCode(const QString &code) { setValue(RecordKey::countryCode, code); }
    void setStretch(const QDateTime &from, const QDateTime &to)
    {
        setValue(RecordKey::fromDate, from);
        setValue(RecordKey::toDate, to);
    }
    void setDateNoticed(const QDateTime &date) { setValue(RecordKey::dateNoticed, date); }

protected:
    void awakeFromInsert() override;
};
