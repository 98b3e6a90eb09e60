#pragma once

#include "platform/store/ManagedObject.h"

// A store country from the built-in table: its code, region and update
// priority.
class Country : public ManagedObject {
public:
    QString isoCode() const { return stringValue(QStringLiteral("isoCode")); }
    QString region() const { return stringValue(QStringLiteral("region")); }
    std::optional<qint64> priority() const { return integerValue(QStringLiteral("priority")); }
    QString uuid() const { return stringValue(QStringLiteral("uuid")); }

    // The country's name in the user's language.
    QString localizedName() const { return localizedName(isoCode()); }
    // The same for any code: from the locale service, else the table's
    // name; none for an absent code.
    static QString localizedName(const QString &countryCode);

    QVariant valueForKey(const QString &key) const override;

protected:
    void awakeFromInsert() override;
};
