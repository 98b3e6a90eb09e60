#include "net/TranslationProvider.h"

#include "net/RequestQueue.h"
#include "net/ServiceAddress.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"

namespace TranslationError {

const QString Domain = QStringLiteral("TranslatorErrorDomain");

Error make(Code code, const QString &service, const QString &detail, const Error &underlying)
{
    QString text;
    switch (code) {
    case NoKey:
        text = formatString(
            localized("TranslationProvider", "No key for %@ is set. Enter it in the preferences."),
            service);
        break;
    case WrongKey:
        text = formatString(localized("TranslationProvider",
                                "%@ did not accept the key. Check the key in the preferences."),
            service);
        break;
    case QuotaUsedUp:
        text = formatString(localized("TranslationProvider",
                                "The quota of your %@ account is used up. Try again later, or "
                                "raise the quota with the service."),
            service);
        break;
    case UnsupportedLanguage:
        text = formatString(
            localized("TranslationProvider", "%@ does not translate into “%@”."), service, detail);
        break;
    case Unreachable:
        text = formatString(localized("TranslationProvider",
                                "%@ cannot be reached. Check the network connection and the "
                                "service’s address in the preferences."),
            service);
        break;
    case Refused:
        text = formatString(
            localized("TranslationProvider", "%@ refused the translation (HTTP status %@)."),
            service, detail);
        break;
    case BrokenAnswer:
        text = formatString(
            localized("TranslationProvider", "%@ sent an answer that could not be read."), service);
        break;
    }
    QVariantMap userInfo {{Error::LocalizedDescriptionKey, text}};
    if (underlying)
        userInfo.insert(Error::UnderlyingErrorKey, QVariant::fromValue(underlying));
    return Error(Domain, code, userInfo);
}

} // namespace TranslationError

void TranslationProvider::fetchLanguages(LanguagesCompletion completion)
{
    completion(builtInLanguages(), Error());
}

QString TranslationProvider::providerCode(
    const QString &code, const QMap<QString, QString> &offered) const
{
    QString first;
    for (const auto &[own, theirs] : codeTable()) {
        if (own.compare(code, Qt::CaseInsensitive) != 0)
            continue;
        if (offered.contains(theirs))
            return theirs;
        if (first.isNull())
            first = theirs;
    }
    return first.isNull() ? unlistedProviderCode(code) : first;
}

QString TranslationProvider::ownCode(const QString &providerCode) const
{
    for (const auto &[own, theirs] : codeTable())
        if (theirs.compare(providerCode, Qt::CaseInsensitive) == 0)
            return own;
    // Codes in capitals are a service's spelling (DeepL's), not ours.
    const QString lower = providerCode.toLower();
    return providerCode == providerCode.toUpper() ? lower : providerCode;
}

void TranslationProvider::send(const URLRequest &request,
    std::function<void(const QByteArray &body, const Error &error)> done) const
{
    RequestQueue::mainQueue().addRequest(request,
        [this, done](const HTTPURLResponse &, const QByteArray &data, const Error &requestError) {
            if (!requestError) {
                done(data, Error());
                return;
            }
            if (requestError.isCancellation()) {
                done({}, requestError);
                return;
            }
            const int status =
                requestError.domain() == Error::HTTPResponseErrorDomain ? requestError.code() : 0;
            Error mapped;
            if (status == 0 || status >= 500)
                mapped = error(TranslationError::Unreachable, {}, requestError);
            else
                mapped = refusal(status, data, requestError);
            logLine(formatString(
                QStringLiteral("%@: %@"), serviceName(), mapped.localizedDescription()));
            done({}, mapped);
        });
}

Error TranslationProvider::refusal(int status, const QByteArray &, const Error &requestError) const
{
    switch (status) {
    case 401:
    case 403:
        return error(TranslationError::WrongKey, {}, requestError);
    case 429:
        return error(TranslationError::QuotaUsedUp, {}, requestError);
    default:
        return error(TranslationError::Refused, QString::number(status), requestError);
    }
}

QJsonDocument TranslationProvider::parseJSON(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    return parseError.error == QJsonParseError::NoError ? document : QJsonDocument();
}

URLRequest TranslationProvider::postJSON(const QUrl &url, const QJsonDocument &body)
{
    URLRequest request {url};
    request.setHTTPMethod("POST");
    request.setValue("application/json", "Content-Type");
    request.setHTTPBody(body.toJson(QJsonDocument::Compact));
    return request;
}

QString TranslationProvider::addressPreference(const QString &key, const QString &fallback)
{
    QString value = serviceAddress(key, fallback);
    while (value.endsWith(QLatin1Char('/')))
        value.chop(1);
    return value;
}
