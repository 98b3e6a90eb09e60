#include "platform/Error.h"

#include "platform/StringFormat.h"

const QString Error::LocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
const QString Error::LocalizedFailureReasonKey = QStringLiteral("NSLocalizedFailureReason");
const QString Error::UnderlyingErrorKey = QStringLiteral("NSUnderlyingError");
const QString Error::URLErrorDomain = QStringLiteral("NSURLErrorDomain");
const QString Error::HTTPResponseErrorDomain = QStringLiteral("HTTPResponseErrorDomain");
const QString Error::StoreErrorDomain = QStringLiteral("YOUR_ERROR_DOMAIN");

Error::Error(QString domain, int code, QVariantMap userInfo)
    : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo))
{
}

Error Error::storeError(const QString &description, const QString &failureReason,
                        const Error &underlying)
{
    QVariantMap info;
    if (!description.isEmpty())
        info.insert(LocalizedDescriptionKey, description);
    if (!failureReason.isEmpty())
        info.insert(LocalizedFailureReasonKey, failureReason);
    if (underlying)
        info.insert(UnderlyingErrorKey, QVariant::fromValue(underlying));
    return Error(StoreErrorDomain, StoreErrorCode, info);
}

Error Error::storeError(const QString &description, const QString &failureReason)
{
    return storeError(description, failureReason, Error());
}

QString Error::localizedDescription() const
{
    const QString text = userInfo_.value(LocalizedDescriptionKey).toString();
    if (!text.isEmpty())
        return text;
    return formatString(localized("Error", "The operation couldn’t be completed. (%@ error %ld.)"),
                        domain_, code_);
}

QString Error::localizedFailureReason() const
{
    return userInfo_.value(LocalizedFailureReasonKey).toString();
}

bool Error::hasUnderlyingError() const
{
    return userInfo_.value(UnderlyingErrorKey).canConvert<Error>()
           && userInfo_.value(UnderlyingErrorKey).value<Error>().isError();
}

Error Error::underlyingError() const
{
    const QVariant value = userInfo_.value(UnderlyingErrorKey);
    return value.canConvert<Error>() ? value.value<Error>() : Error();
}

QString Error::debugDescription() const
{
    if (!isError())
        return QStringLiteral("(no error)");
    QString text = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                       .arg(domain_)
                       .arg(code_)
                       .arg(localizedDescription());
    const QString reason = localizedFailureReason();
    if (!reason.isEmpty())
        text += QStringLiteral(" (%1)").arg(reason);
    if (hasUnderlyingError())
        text += QStringLiteral(" UnderlyingError={%1}").arg(underlyingError().debugDescription());
    return text;
}

bool Error::operator==(const Error &other) const
{
    return domain_ == other.domain_ && code_ == other.code_ && userInfo_ == other.userInfo_;
}
