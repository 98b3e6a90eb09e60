#include "net/LibreTranslateProvider.h"
#include "platform/PreferenceKeys.h"

#include <QJsonArray>
#include <QJsonObject>

const QString LibreTranslateProvider::urlKey = Preference::LibreTranslateURL;
const QString LibreTranslateProvider::defaultURL = QStringLiteral("https://libretranslate.com");

QString LibreTranslateProvider::serverURL()
{
    return addressPreference(urlKey, defaultURL);
}

void LibreTranslateProvider::translate(const QString &key, const QString &from, const QString &to,
    const QStringList &texts, TranslationsCompletion completion)
{
    QJsonObject body {{QStringLiteral("q"), QJsonArray::fromStringList(texts)},
        {QStringLiteral("source"), from.isEmpty() ? QStringLiteral("auto") : from},
        {QStringLiteral("target"), to}, {QStringLiteral("format"), QStringLiteral("text")}};
    if (!key.trimmed().isEmpty())
        body.insert(QStringLiteral("api_key"), key.trimmed());
    const URLRequest request =
        postJSON(QUrl(serverURL() + QStringLiteral("/translate")), QJsonDocument(body));
    const qsizetype count = texts.size();
    send(request, [this, count, completion](const QByteArray &data, const Error &failure) {
        if (failure) {
            completion({}, failure);
            return;
        }
        const QJsonArray translated =
            parseJSON(data).object().value(QStringLiteral("translatedText")).toArray();
        QStringList answer;
        for (const QJsonValue &text : translated) {
            if (!text.isString())
                break;
            answer << text.toString();
        }
        if (answer.size() != count || translated.size() != count)
            completion({}, error(TranslationError::BrokenAnswer));
        else
            completion(answer, Error());
    });
}

void LibreTranslateProvider::fetchLanguages(LanguagesCompletion completion)
{
    send(URLRequest {QUrl(serverURL() + QStringLiteral("/languages"))},
        [this, completion](const QByteArray &data, const Error &failure) {
            if (failure) {
                completion({}, failure);
                return;
            }
            QMap<QString, QString> names;
            for (const QJsonValue &language : parseJSON(data).array()) {
                const QJsonObject object = language.toObject();
                const QString code = object.value(QStringLiteral("code")).toString();
                const QString name = object.value(QStringLiteral("name")).toString();
                if (!code.isEmpty() && !name.isEmpty())
                    names.insert(code, name);
            }
            if (names.isEmpty())
                completion({}, error(TranslationError::BrokenAnswer));
            else
                completion(names, Error());
        });
}

Error LibreTranslateProvider::refusal(
    int status, const QByteArray &body, const Error &requestError) const
{
    const QString message = parseJSON(body).object().value(QStringLiteral("error")).toString();
    if (status == 400 && message.contains(QLatin1String("not supported"), Qt::CaseInsensitive))
        return error(TranslationError::UnsupportedLanguage, {}, requestError);
    // The hosted service answers a request without a key with a pointer to
    // where keys are had.
    if (status == 400 && message.contains(QLatin1String("API key"), Qt::CaseInsensitive))
        return error(TranslationError::NoKey, {}, requestError);
    return TranslationProvider::refusal(status, body, requestError);
}

QList<QPair<QString, QString>> LibreTranslateProvider::codeTable() const
{
    return {
        {QStringLiteral("zh-CHS"), QStringLiteral("zh")},
        {QStringLiteral("zh-CHS"), QStringLiteral("zh-Hans")},
        {QStringLiteral("zh-CHT"), QStringLiteral("zh-Hant")},
        {QStringLiteral("no"), QStringLiteral("nb")},
    };
}
