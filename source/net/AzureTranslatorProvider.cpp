#include "net/AzureTranslatorProvider.h"
#include "platform/PreferenceKeys.h"

#include "platform/UserDefaults.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrlQuery>

const QString AzureTranslatorProvider::endpointKey = Preference::AzureTranslatorEndpoint;
const QString AzureTranslatorProvider::regionKey = Preference::AzureTranslatorRegion;
const QString AzureTranslatorProvider::defaultEndpoint =
    QStringLiteral("https://api.cognitive.microsofttranslator.com");

namespace {

// Azure's error body: {"error":{"code":400036,"message":"..."}}.
int serviceCode(const QJsonDocument &body)
{
    return body.object()
        .value(QStringLiteral("error"))
        .toObject()
        .value(QStringLiteral("code"))
        .toInt();
}

} // namespace

QString AzureTranslatorProvider::endpoint()
{
    return addressPreference(endpointKey, defaultEndpoint);
}

void AzureTranslatorProvider::translate(const QString &key, const QString &from, const QString &to,
    const QStringList &texts, TranslationsCompletion completion)
{
    QUrl url(endpoint() + QStringLiteral("/translate"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("api-version"), QStringLiteral("3.0"));
    query.addQueryItem(QStringLiteral("to"), to);
    if (!from.isEmpty())
        query.addQueryItem(QStringLiteral("from"), from);
    url.setQuery(query);
    QJsonArray body;
    for (const QString &text : texts)
        body.append(QJsonObject {{QStringLiteral("Text"), text}});
    URLRequest request = postJSON(url, QJsonDocument(body));
    request.setValue(key.trimmed().toUtf8(), "Ocp-Apim-Subscription-Key");
    // A global resource takes no region; a regional one refuses the key without it.
    const QString region = UserDefaults::standard().stringForKey(regionKey).trimmed();
    if (!region.isEmpty())
        request.setValue(region.toUtf8(), "Ocp-Apim-Subscription-Region");
    const qsizetype count = texts.size();
    send(request, [this, count, completion](const QByteArray &data, const Error &failure) {
        if (failure) {
            completion({}, failure);
            return;
        }
        const QJsonArray items = parseJSON(data).array();
        QStringList answer;
        for (const QJsonValue &item : items) {
            const QJsonValue text = item.toObject()
                                        .value(QStringLiteral("translations"))
                                        .toArray()
                                        .at(0)
                                        .toObject()
                                        .value(QStringLiteral("text"));
            if (!text.isString())
                break;
            answer << text.toString();
        }
        if (answer.size() != count || items.size() != count)
            completion({}, error(TranslationError::BrokenAnswer));
        else
            completion(answer, Error());
    });
}

void AzureTranslatorProvider::fetchLanguages(LanguagesCompletion completion)
{
    QUrl url(endpoint() + QStringLiteral("/languages"));
    url.setQuery(QStringLiteral("api-version=3.0&scope=translation"));
    send(URLRequest {url}, [this, completion](const QByteArray &data, const Error &failure) {
        if (failure) {
            completion({}, failure);
            return;
        }
        const QJsonObject languages =
            parseJSON(data).object().value(QStringLiteral("translation")).toObject();
        QMap<QString, QString> names;
        for (auto it = languages.begin(); it != languages.end(); ++it) {
            const QString name = it.value().toObject().value(QStringLiteral("name")).toString();
            if (!name.isEmpty())
                names.insert(it.key(), name);
        }
        if (names.isEmpty())
            completion({}, error(TranslationError::BrokenAnswer));
        else
            completion(names, Error());
    });
}

Error AzureTranslatorProvider::refusal(
    int status, const QByteArray &body, const Error &requestError) const
{
    const int code = serviceCode(parseJSON(body));
    // 403001: the free tier's monthly characters are used up.
    if (status == 403 && code == 403001)
        return error(TranslationError::QuotaUsedUp, {}, requestError);
    // 400036: the target language is not valid; 400019: one of them is not.
    if (status == 400 && (code == 400036 || code == 400019))
        return error(TranslationError::UnsupportedLanguage, {}, requestError);
    return TranslationProvider::refusal(status, body, requestError);
}

QList<QPair<QString, QString>> AzureTranslatorProvider::codeTable() const
{
    return {
        {QStringLiteral("zh-CHS"), QStringLiteral("zh-Hans")},
        {QStringLiteral("zh-CHT"), QStringLiteral("zh-Hant")},
        {QStringLiteral("bs-Latn"), QStringLiteral("bs")},
        {QStringLiteral("no"), QStringLiteral("nb")},
        {QStringLiteral("tlh"), QStringLiteral("tlh-Latn")},
        {QStringLiteral("tlh-Qaak"), QStringLiteral("tlh-Piqd")},
    };
}
