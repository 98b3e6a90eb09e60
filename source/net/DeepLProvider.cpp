#include "net/DeepLProvider.h"
#include "platform/PreferenceKeys.h"

#include "platform/UserDefaults.h"

#include <QJsonArray>
#include <QJsonObject>

const QString DeepLProvider::serverURLKey = Preference::DeepLServerURL;

QString DeepLProvider::serverURL(const QString &key)
{
    const QString byKey = key.trimmed().endsWith(QLatin1String(":fx"))
        ? QStringLiteral("https://api-free.deepl.com")
        : QStringLiteral("https://api.deepl.com");
    return addressPreference(serverURLKey, byKey);
}

void DeepLProvider::translate(const QString &key, const QString &from, const QString &to,
    const QStringList &texts, TranslationsCompletion completion)
{
    QJsonObject body {{QStringLiteral("text"), QJsonArray::fromStringList(texts)},
        {QStringLiteral("target_lang"), to}};
    // Source languages have no regional variants: "EN", not "EN-GB".
    if (!from.isEmpty())
        body.insert(QStringLiteral("source_lang"), from.section(QLatin1Char('-'), 0, 0));
    URLRequest request =
        postJSON(QUrl(serverURL(key) + QStringLiteral("/v2/translate")), QJsonDocument(body));
    request.setValue("DeepL-Auth-Key " + key.trimmed().toUtf8(), "Authorization");
    const qsizetype count = texts.size();
    send(request, [this, count, completion](const QByteArray &data, const Error &failure) {
        if (failure) {
            completion({}, failure);
            return;
        }
        const QJsonArray translations =
            parseJSON(data).object().value(QStringLiteral("translations")).toArray();
        QStringList answer;
        for (const QJsonValue &translation : translations) {
            const QJsonValue text = translation.toObject().value(QStringLiteral("text"));
            if (!text.isString())
                break;
            answer << text.toString();
        }
        if (answer.size() != count || translations.size() != count)
            completion({}, error(TranslationError::BrokenAnswer));
        else
            completion(answer, Error());
    });
}

Error DeepLProvider::refusal(int status, const QByteArray &body, const Error &requestError) const
{
    if (status == 456)
        return error(TranslationError::QuotaUsedUp, {}, requestError);
    const QString message = parseJSON(body).object().value(QStringLiteral("message")).toString();
    if (status == 400 && message.contains(QLatin1String("target_lang")))
        return error(TranslationError::UnsupportedLanguage, {}, requestError);
    return TranslationProvider::refusal(status, body, requestError);
}

QList<QPair<QString, QString>> DeepLProvider::codeTable() const
{
    return {
        {QStringLiteral("en"), QStringLiteral("EN-US")},
        {QStringLiteral("en"), QStringLiteral("EN-GB")},
        {QStringLiteral("en"), QStringLiteral("EN")},
        {QStringLiteral("pt"), QStringLiteral("PT-BR")},
        {QStringLiteral("pt"), QStringLiteral("PT-PT")},
        {QStringLiteral("pt"), QStringLiteral("PT")},
        {QStringLiteral("zh-CHS"), QStringLiteral("ZH")},
        {QStringLiteral("zh-CHS"), QStringLiteral("ZH-HANS")},
        {QStringLiteral("zh-CHT"), QStringLiteral("ZH-HANT")},
        {QStringLiteral("no"), QStringLiteral("NB")},
    };
}

QMap<QString, QString> DeepLProvider::builtInLanguages() const
{
    return {
        {"AR", "Arabic"},
        {"BG", "Bulgarian"},
        {"CS", "Czech"},
        {"DA", "Danish"},
        {"DE", "German"},
        {"EL", "Greek"},
        {"EN-GB", "English (British)"},
        {"EN-US", "English (American)"},
        {"ES", "Spanish"},
        {"ET", "Estonian"},
        {"FI", "Finnish"},
        {"FR", "French"},
        {"HU", "Hungarian"},
        {"ID", "Indonesian"},
        {"IT", "Italian"},
        {"JA", "Japanese"},
        {"KO", "Korean"},
        {"LT", "Lithuanian"},
        {"LV", "Latvian"},
        {"NB", "Norwegian"},
        {"NL", "Dutch"},
        {"PL", "Polish"},
        {"PT-BR", "Portuguese (Brazilian)"},
        {"PT-PT", "Portuguese (European)"},
        {"RO", "Romanian"},
        {"RU", "Russian"},
        {"SK", "Slovak"},
        {"SL", "Slovenian"},
        {"SV", "Swedish"},
        {"TR", "Turkish"},
        {"UK", "Ukrainian"},
        {"ZH", "Chinese (simplified)"},
        {"ZH-HANT", "Chinese (traditional)"},
    };
}
