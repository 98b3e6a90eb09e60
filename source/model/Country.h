#pragma once

#include "model/RecordKeys.h"
#include "platform/store/ManagedObject.h"

// A store country from the built-in table: its code, region and update
// priority.
class Country : public ManagedObject {
public:
    QString isoCode() const { return stringValue(RecordKey::isoCode); }
    QString region() const { return stringValue(RecordKey::region); }
    std::optional<qint64> priority() const { return integerValue(RecordKey::priority); }
    QString uuid() const { return stringValue(RecordKey::uuid); }

    // The country's name in the user's language.
    QString localizedName() const { return localizedName(isoCode()); }
    // The same for any code: from the locale service, else the table's
    // name; none for an absent code.
    static QString localizedName(const QString &countryCode);

    // Inserts a record for every country of the built-in table.
    static void insertTableCountries(ManagedObjectContext &context);

#ifdef RK_TYPED_RECORDS
protected:
#else
public:
#endif
    QVariant valueForKey(const QString &key) const override;

protected:
    void awakeFromInsert() override;
};
