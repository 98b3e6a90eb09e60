#pragma once

#include "platform/store/ManagedObject.h"

class Product;

// A stretch of a product's reviews in one country that may be missing: an
// update read every feed page the store offers without reaching a review it
// had stored before, so whatever the store published between the oldest
// review it read (`toDate`) and the newest stored one (`fromDate`) was never
// seen.
class ReviewGap : public ManagedObject {
public:
    QString countryCode() const { return stringValue(QStringLiteral("countryCode")); }
    // The newest review stored before the update.
    QDateTime fromDate() const { return dateValue(QStringLiteral("fromDate")); }
    // The oldest review the update read.
    QDateTime toDate() const { return dateValue(QStringLiteral("toDate")); }
    QDateTime dateNoticed() const { return dateValue(QStringLiteral("dateNoticed")); }
    QString uuid() const { return stringValue(QStringLiteral("uuid")); }
    std::shared_ptr<Product> product() const;

protected:
    void awakeFromInsert() override;
};
