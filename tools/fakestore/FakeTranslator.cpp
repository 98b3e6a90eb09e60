#include "FakeTranslator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>

#include <algorithm>
#include <array>

using Response = LocalHttpServer::Response;

const QByteArray FakeTranslator::token = "fakestore-token";
const QByteArray FakeTranslator::key = "fakestore-key";
const QByteArray FakeTranslator::quotaKey = "fakestore-quota";

namespace {

// Azure's limit on the texts of one request; DeepL's is 50.
constexpr qsizetype azureMaximumTexts = 100;
constexpr qsizetype deepLMaximumTexts = 50;

struct Language {
    const char *code; // Azure's and LibreTranslate's
    const char *name;
    const char *nativeName;
    const char *dir;
};

constexpr std::array languages {
    Language {"ar", "Arabic", "العربية", "rtl"},
    Language {"de", "German", "Deutsch", "ltr"},
    Language {"en", "English", "English", "ltr"},
    Language {"es", "Spanish", "Español", "ltr"},
    Language {"fr", "French", "Français", "ltr"},
    Language {"it", "Italian", "Italiano", "ltr"},
    Language {"ja", "Japanese", "日本語", "ltr"},
    Language {"ko", "Korean", "한국어", "ltr"},
    Language {"nl", "Dutch", "Nederlands", "ltr"},
    Language {"pt", "Portuguese (Brazil)", "Português (Brasil)", "ltr"},
    Language {"ru", "Russian", "Русский", "ltr"},
    Language {"zh-Hans", "Chinese Simplified", "中文 (简体)", "ltr"},
    Language {"zh-Hant", "Chinese Traditional", "繁體中文 (繁體)", "ltr"},
};

struct DeepLLanguage {
    const char *code;
    const char *name;
    bool formality;
};

constexpr std::array deepLTargets {
    DeepLLanguage {"DE", "German", true},
    DeepLLanguage {"EN-GB", "English (British)", false},
    DeepLLanguage {"EN-US", "English (American)", false},
    DeepLLanguage {"ES", "Spanish", true},
    DeepLLanguage {"FR", "French", true},
    DeepLLanguage {"IT", "Italian", true},
    DeepLLanguage {"JA", "Japanese", true},
    DeepLLanguage {"KO", "Korean", false},
    DeepLLanguage {"NL", "Dutch", true},
    DeepLLanguage {"PT-BR", "Portuguese (Brazilian)", true},
    DeepLLanguage {"PT-PT", "Portuguese (European)", true},
    DeepLLanguage {"RU", "Russian", true},
    DeepLLanguage {"ZH", "Chinese (simplified)", false},
};

constexpr std::array deepLSources {
    DeepLLanguage {"DE", "German", false},
    DeepLLanguage {"EN", "English", false},
    DeepLLanguage {"ES", "Spanish", false},
    DeepLLanguage {"FR", "French", false},
    DeepLLanguage {"IT", "Italian", false},
    DeepLLanguage {"JA", "Japanese", false},
    DeepLLanguage {"KO", "Korean", false},
    DeepLLanguage {"NL", "Dutch", false},
    DeepLLanguage {"PT", "Portuguese", false},
    DeepLLanguage {"RU", "Russian", false},
    DeepLLanguage {"ZH", "Chinese", false},
};

// The services take their codes in any case.
bool offers(const QString &code)
{
    return std::any_of(languages.begin(), languages.end(), [&](const Language &language) {
        return code.compare(QLatin1String(language.code), Qt::CaseInsensitive) == 0;
    });
}

template<std::size_t n> bool offers(const std::array<DeepLLanguage, n> &list, const QString &code)
{
    return std::any_of(list.begin(), list.end(), [&](const DeepLLanguage &language) {
        return code.compare(QLatin1String(language.code), Qt::CaseInsensitive) == 0;
    });
}

Response jsonAnswer(int status, const QJsonDocument &document)
{
    Response response =
        Response::ok(document.toJson(QJsonDocument::Compact), "application/json; charset=utf-8");
    response.status = status;
    return response;
}

Response azureError(int status, int code, const QString &message)
{
    return jsonAnswer(status,
        QJsonDocument(QJsonObject {{"error", QJsonObject {{"code", code}, {"message", message}}}}));
}

Response deepLError(int status, const QString &message)
{
    return jsonAnswer(status, QJsonDocument(QJsonObject {{"message", message}}));
}

Response libreError(int status, const QString &message)
{
    return jsonAnswer(status, QJsonDocument(QJsonObject {{"error", message}}));
}

bool isJson(const LocalHttpServer::Request &request)
{
    return request.header("Content-Type").trimmed().toLower().startsWith("application/json");
}

// The form value of a query, "+" read as a space.
QString formValue(const QUrlQuery &query, const QString &name)
{
    QString value = query.queryItemValue(name, QUrl::FullyEncoded);
    value.replace(QLatin1Char('+'), QLatin1Char(' '));
    return QUrl::fromPercentEncoding(value.toUtf8());
}

} // namespace

FakeTranslator::FakeTranslator(Options options) : options_(options)
{
}

QString FakeTranslator::translation(const QString &text, const QString &target)
{
    return QStringLiteral("[%1] %2").arg(target, text);
}

QJsonObject FakeTranslator::requestCounts() const
{
    return {{"MicrosoftV2", requestCount(Protocol::MicrosoftV2)},
        {"Azure", requestCount(Protocol::Azure)}, {"DeepL", requestCount(Protocol::DeepL)},
        {"LibreTranslate", requestCount(Protocol::LibreTranslate)}};
}

std::optional<Response> FakeTranslator::answer(const Request &request)
{
    const QString path = request.path();
    if (path == QLatin1String("/v2/OAuth2-13") && request.method == "POST") {
        return Response::ok("{\"access_token\":\"" + token
                + "\",\"token_type\":\"bearer\",\"expires_in\":\"600\",\"scope\":\"fakestore\"}",
            "application/json");
    }
    if (path == QLatin1String("/v2/Http.svc/Translate")) {
        ++counts_[Protocol::MicrosoftV2];
        return microsoftV2(request);
    }
    if (path == QLatin1String("/azure/translate")) {
        ++counts_[Protocol::Azure];
        return azureTranslate(request);
    }
    if (path == QLatin1String("/azure/languages"))
        return azureLanguages(request);
    if (path == QLatin1String("/deepl/v2/translate")) {
        ++counts_[Protocol::DeepL];
        return deepLTranslate(request);
    }
    if (path == QLatin1String("/deepl/v2/languages"))
        return deepLLanguages(request);
    if (path == QLatin1String("/libre/translate")) {
        ++counts_[Protocol::LibreTranslate];
        return libreTranslate(request);
    }
    if (path == QLatin1String("/libre/languages"))
        return libreLanguages();
    if (path == QLatin1String("/fakestore/translations"))
        return jsonAnswer(200, QJsonDocument(requestCounts()));
    return std::nullopt;
}

Response FakeTranslator::microsoftV2(const Request &request) const
{
    const QString text = formValue(request.query(), QStringLiteral("text"));
    const QString to = formValue(request.query(), QStringLiteral("to"));
    const QByteArray head =
        "<string xmlns=\"http://schemas.microsoft.com/2003/10/Serialization/\">";
    if (request.header("Authorization") != "Bearer " + token) {
        return Response::withStatus(
            401, head + "Invalid token: use the one from the fakestore's token answer.</string>");
    }
    if (to.isEmpty())
        return Response::withStatus(400, head + "Missing target language.</string>");
    return Response::ok(head + translation(text, to).toHtmlEscaped().toUtf8() + "</string>",
        "application/xml; charset=utf-8");
}

Response FakeTranslator::azureTranslate(const Request &request) const
{
    if (request.method != "POST") {
        return azureError(
            405, 405000, "The request method is not supported for the requested resource.");
    }
    const QByteArray givenKey = request.header("Ocp-Apim-Subscription-Key");
    if (givenKey == quotaKey) {
        return azureError(429, 429000,
            "The server rejected the request because the client has exceeded request limits.");
    }
    if (givenKey != key) {
        return azureError(401, 401000,
            "The request is not authorized because credentials are missing or invalid.");
    }
    const QUrlQuery query = request.query();
    if (query.queryItemValue(QStringLiteral("api-version")) != QLatin1String("3.0"))
        return azureError(400, 400021, "The API version parameter is missing or invalid.");
    const QStringList targets = query.allQueryItemValues(QStringLiteral("to"));
    if (targets.isEmpty() || !std::all_of(targets.begin(), targets.end(), [](const QString &to) {
            return offers(to);
        }))
        return azureError(400, 400036, "The target language is not valid.");
    const QString from = query.queryItemValue(QStringLiteral("from"));
    if (query.hasQueryItem(QStringLiteral("from")) && !offers(from))
        return azureError(400, 400035, "The source language is not valid.");
    if (!isJson(request))
        return azureError(415, 415000, "The Content-Type header is missing or invalid.");

    const QJsonDocument body = QJsonDocument::fromJson(request.body);
    if (!body.isArray())
        return azureError(400, 400074, "The body of the request is not valid JSON.");
    const QJsonArray texts = body.array();
    if (texts.size() > azureMaximumTexts)
        return azureError(400, 400072, "The array of input text has too many elements.");
    QJsonArray answers;
    for (const QJsonValue &element : texts) {
        const QJsonValue text = element.toObject().value(QStringLiteral("Text"));
        if (!text.isString())
            return azureError(400, 400000, "One of the request inputs is not valid.");
        QJsonArray translations;
        for (const QString &to : targets)
            translations.append(
                QJsonObject {{"text", translation(text.toString(), to)}, {"to", to}});
        QJsonObject answer {{"translations", translations}};
        // The service says what it detected only when it was not told.
        if (from.isEmpty())
            answer.insert("detectedLanguage", QJsonObject {{"language", "en"}, {"score", 1.0}});
        answers.append(answer);
    }
    if (answers.isEmpty())
        return azureError(400, 400000, "One of the request inputs is not valid.");
    return jsonAnswer(200, QJsonDocument(answers));
}

Response FakeTranslator::azureLanguages(const Request &request) const
{
    if (request.method != "GET") {
        return azureError(
            405, 405000, "The request method is not supported for the requested resource.");
    }
    const QUrlQuery query = request.query();
    if (query.queryItemValue(QStringLiteral("api-version")) != QLatin1String("3.0"))
        return azureError(400, 400021, "The API version parameter is missing or invalid.");
    const QStringList scopes =
        query.queryItemValue(QStringLiteral("scope")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &scope : scopes) {
        if (scope != QLatin1String("translation") && scope != QLatin1String("transliteration")
            && scope != QLatin1String("dictionary"))
            return azureError(400, 400001, "The \"scope\" parameter is invalid.");
    }
    QJsonObject answer;
    if (scopes.isEmpty() || scopes.contains(QLatin1String("translation"))) {
        QJsonObject translation;
        for (const Language &language : languages) {
            translation.insert(QLatin1String(language.code),
                QJsonObject {{"name", QString::fromUtf8(language.name)},
                    {"nativeName", QString::fromUtf8(language.nativeName)},
                    {"dir", QLatin1String(language.dir)}});
        }
        answer.insert("translation", translation);
    }
    return jsonAnswer(200, QJsonDocument(answer));
}

namespace {

// The DeepL key of an "Authorization: DeepL-Auth-Key <key>" header; the
// free plan's keys end in ":fx".
QByteArray deepLKey(const LocalHttpServer::Request &request)
{
    const QByteArray value = request.header("Authorization");
    const QByteArray scheme = "DeepL-Auth-Key ";
    if (!value.startsWith(scheme))
        return {};
    QByteArray given = value.mid(scheme.size()).trimmed();
    if (given.endsWith(":fx"))
        given.chop(3);
    return given;
}

} // namespace

Response FakeTranslator::deepLTranslate(const Request &request) const
{
    if (request.method != "POST")
        return deepLError(405, "Method not allowed.");
    const QByteArray givenKey = deepLKey(request);
    if (givenKey == quotaKey)
        return deepLError(456, "Quota exceeded.");
    if (givenKey != key)
        return deepLError(403, "Authorization failed. Please supply a valid DeepL-Auth-Key.");
    if (!isJson(request))
        return deepLError(400, "Bad request. Reason: the body must be JSON.");
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    const QJsonArray texts = body.value(QStringLiteral("text")).toArray();
    if (texts.isEmpty() || !std::all_of(texts.begin(), texts.end(), [](const QJsonValue &text) {
            return text.isString();
        }))
        return deepLError(400, "Parameter 'text' not specified.");
    if (texts.size() > deepLMaximumTexts)
        return deepLError(400, "Too many texts in one request.");
    const QJsonValue target = body.value(QStringLiteral("target_lang"));
    if (!target.isString())
        return deepLError(400, "Parameter 'target_lang' not specified.");
    // "EN" and "PT" are still taken, for compatibility, though not listed.
    const QString to = target.toString();
    if (!offers(deepLTargets, to) && to.compare(QLatin1String("EN"), Qt::CaseInsensitive) != 0
        && to.compare(QLatin1String("PT"), Qt::CaseInsensitive) != 0)
        return deepLError(400, "Value for 'target_lang' not supported.");
    QString source = QStringLiteral("EN");
    if (body.contains(QStringLiteral("source_lang"))) {
        source = body.value(QStringLiteral("source_lang")).toString().toUpper();
        if (!offers(deepLSources, source))
            return deepLError(400, "Value for 'source_lang' not supported.");
    }
    QJsonArray translations;
    for (const QJsonValue &text : texts) {
        translations.append(QJsonObject {
            {"detected_source_language", source}, {"text", translation(text.toString(), to)}});
    }
    return jsonAnswer(200, QJsonDocument(QJsonObject {{"translations", translations}}));
}

Response FakeTranslator::deepLLanguages(const Request &request) const
{
    const QByteArray givenKey = deepLKey(request);
    if (givenKey != key && givenKey != quotaKey)
        return deepLError(403, "Authorization failed. Please supply a valid DeepL-Auth-Key.");
    const QString type = request.query().queryItemValue(QStringLiteral("type"));
    QJsonArray list;
    if (type == QLatin1String("target")) {
        for (const DeepLLanguage &language : deepLTargets) {
            list.append(QJsonObject {{"language", QLatin1String(language.code)},
                {"name", QLatin1String(language.name)},
                {"supports_formality", language.formality}});
        }
    } else if (type.isEmpty() || type == QLatin1String("source")) {
        for (const DeepLLanguage &language : deepLSources) {
            list.append(QJsonObject {{"language", QLatin1String(language.code)},
                {"name", QLatin1String(language.name)}});
        }
    } else {
        return deepLError(400, "Value for 'type' not supported.");
    }
    return jsonAnswer(200, QJsonDocument(list));
}

Response FakeTranslator::libreTranslate(const Request &request) const
{
    if (request.method != "POST")
        return libreError(405, "Method not allowed.");
    // The service reads a JSON body, else form fields; anything else has no fields.
    QJsonObject fields;
    if (isJson(request)) {
        const QJsonDocument body = QJsonDocument::fromJson(request.body);
        if (!body.isObject())
            return libreError(400, "Invalid request: the body is not a JSON object");
        fields = body.object();
    } else if (request.header("Content-Type").startsWith("application/x-www-form-urlencoded")) {
        const QUrlQuery form(QString::fromUtf8(request.body));
        for (const QString name : {"q", "source", "target", "format", "api_key"}) {
            if (form.hasQueryItem(name))
                fields.insert(name, formValue(form, name));
        }
    }
    const QString givenKey = fields.value(QStringLiteral("api_key")).toString();
    if (givenKey == QLatin1String(quotaKey))
        return libreError(429, "Too many request limits violations");
    if (givenKey != QLatin1String(key) && !(options_.libreOpen && givenKey.isEmpty()))
        return libreError(403, "Invalid API key");

    const QJsonValue q = fields.value(QStringLiteral("q"));
    const bool isList = q.isArray();
    const QJsonArray texts = isList ? q.toArray() : QJsonArray {q};
    if ((!isList && q.toString().isEmpty()) || texts.isEmpty())
        return libreError(400, "Invalid request: missing q parameter");
    if (!std::all_of(texts.begin(), texts.end(), [](const QJsonValue &t) { return t.isString(); }))
        return libreError(400, "Invalid request: q must be a text or a list of texts");
    const QString source = fields.value(QStringLiteral("source")).toString();
    if (source.isEmpty())
        return libreError(400, "Invalid request: missing source parameter");
    const QString target = fields.value(QStringLiteral("target")).toString();
    if (target.isEmpty())
        return libreError(400, "Invalid request: missing target parameter");
    if (source != QLatin1String("auto") && !offers(source))
        return libreError(400, QStringLiteral("%1 is not supported").arg(source));
    if (!offers(target))
        return libreError(400, QStringLiteral("%1 is not supported").arg(target));

    QJsonArray translated;
    QJsonArray detected;
    for (const QJsonValue &text : texts) {
        translated.append(translation(text.toString(), target));
        detected.append(QJsonObject {{"confidence", 90.0}, {"language", "en"}});
    }
    QJsonObject answer {{"translatedText", isList ? QJsonValue(translated) : translated.first()}};
    if (source == QLatin1String("auto"))
        answer.insert("detectedLanguage", isList ? QJsonValue(detected) : detected.first());
    return jsonAnswer(200, QJsonDocument(answer));
}

Response FakeTranslator::libreLanguages() const
{
    QJsonArray list;
    for (const Language &language : languages) {
        QJsonArray targets;
        for (const Language &other : languages) {
            if (&other != &language)
                targets.append(QLatin1String(other.code));
        }
        list.append(QJsonObject {{"code", QLatin1String(language.code)},
            {"name", QString::fromUtf8(language.name)}, {"targets", targets}});
    }
    return jsonAnswer(200, QJsonDocument(list));
}
