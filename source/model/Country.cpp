#include "model/Country.h"

#include "model/BaseNode.h"
#include "model/CountryTable.h"
#include "model/RecordKeys.h"
#include "platform/store/ManagedObjectContext.h"

#include <QLocale>

#include <unicode/uloc.h>

void Country::awakeFromInsert()
{
    if (!value(RecordKey::uuid).isValid())
        setPrimitiveValue(RecordKey::uuid, BaseNode::newUuid());
}

QString Country::localizedName(const QString &countryCode)
{
    if (countryCode.isEmpty())
        return {};
    // A locale identifier with only its country part set.
    const QByteArray identifier = "_" + countryCode.toUpper().toLatin1();
    const QByteArray display = QLocale().name().toLatin1();
    UChar buffer[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        uloc_getDisplayCountry(identifier.constData(), display.constData(), buffer, 128, &status);
    QString name;
    if (U_SUCCESS(status) && length > 0)
        name = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), length);
    // ICU answers an unknown code with the code itself.
    if (name.isEmpty() || name == countryCode.toUpper()) {
        const QString tableName = CountryTable::displayName(countryCode.toUpper());
        if (!tableName.isEmpty())
            return tableName;
    }
    return name;
}

QVariant Country::valueForKey(const QString &key) const
{
    if (key == u"localizedName")
        return localizedName();
    return ManagedObject::valueForKey(key);
}

void Country::insertTableCountries(ManagedObjectContext &context)
{
    for (const CountryTable::Country &country : CountryTable::countries()) {
        auto record = context.insertNewObject(QStringLiteral("Country"));
        record->setValue(RecordKey::isoCode, country.code);
        record->setValue(RecordKey::priority, country.priority);
        record->setValue(RecordKey::region, country.region);
    }
}
