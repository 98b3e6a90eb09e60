#include "Translator.h"

#include "Dispatch.h"
#include "Log.h"
#include "RequestQueue.h"
#include "StringFormat.h"
#include "TranslatorCredentials.h"
#include "UserDefaults.h"
#include "XMLDictionary.h"

#include <QJsonDocument>
#include <QJsonObject>

const QString Translator::ErrorDomain = QStringLiteral("TranslatorErrorDomain");
const QString Translator::clientIDKey = QStringLiteral("TranslatorClientID");
const QString Translator::clientSecretKey = QStringLiteral("TranslatorClientSecret");
const QString Translator::tokenURLKey = QStringLiteral("TranslatorTokenURL");
const QString Translator::translateURLKey = QStringLiteral("TranslatorTranslateURL");
const QString Translator::defaultTokenURL =
    QStringLiteral("https://datamarket.accesscontrol.windows.net/v2/OAuth2-13");
const QString Translator::defaultTranslateURL =
    QStringLiteral("https://api.microsofttranslator.com/v2/Http.svc/Translate");
const QString Translator::scopeURL = QStringLiteral("http://api.microsofttranslator.com");

namespace {

QString endpoint(const QString &key, const QString &fallback)
{
    const QString value = UserDefaults::standard().stringForKey(key).trimmed();
    if (value.isEmpty())
        return fallback;
    const QUrl url(value, QUrl::StrictMode);
    if (url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")))
        return value;
    logLine(formatString(QStringLiteral("Ignoring the %@ preference \"%@\": not an http or https "
                                        "address."),
        key, value));
    return fallback;
}

// "expires_in" is a text ("600") in real answers and a number in others.
qint64 lifetimeOf(const QJsonValue &value)
{
    qint64 seconds = 0;
    if (value.isDouble()) {
        seconds = value.toInteger();
    } else if (value.isString()) {
        bool ok = false;
        seconds = value.toString().trimmed().toLongLong(&ok);
        if (!ok)
            seconds = 0;
    }
    if (seconds <= 0)
        return Translator::defaultExpiresIn;
    // A lifetime beyond a day is no real answer; holding the token that long
    // would only overflow the timers.
    return std::min<qint64>(seconds, Translator::maximumExpiresIn);
}

} // namespace

QString URLencode(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QString encoded;
    encoded.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ') {
            encoded.append(QLatin1Char('+'));
        } else if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_'
            || byte == '~') {
            encoded.append(QLatin1Char(c));
        } else {
            static constexpr char hex[] = "0123456789ABCDEF";
            encoded.append(QLatin1Char('%'));
            encoded.append(QLatin1Char(hex[byte >> 4]));
            encoded.append(QLatin1Char(hex[byte & 0xF]));
        }
    }
    return encoded;
}

Translator &Translator::sharedInstance()
{
    static Translator *instance = new Translator;
    return *instance;
}

bool Translator::isSetUp()
{
    return !TranslatorCredentials::clientID().isEmpty()
        && !TranslatorCredentials::clientSecret().isEmpty();
}

Error Translator::notSetUpError()
{
    return Error(ErrorDomain, NotSetUpError,
        {{Error::LocalizedDescriptionKey,
             localized("Translator",
                 "Translation is not set up: the translation service needs "
                 "your own client ID and client secret.")},
            {Error::LocalizedFailureReasonKey,
                localized("Translator",
                    "Enter them as the preferences “TranslatorClientID” and "
                    "“TranslatorClientSecret”.")}});
}

QString Translator::tokenURL()
{
    return endpoint(tokenURLKey, defaultTokenURL);
}

QString Translator::translateURL()
{
    return endpoint(translateURLKey, defaultTranslateURL);
}

void Translator::getAccessTokenWithCompletion(TokenCompletion completion)
{
    if (!accessToken_.isNull()) {
        if (completion)
            dispatchMain([completion] { completion(Error()); });
        return;
    }
    waitingForToken_.append(std::move(completion));
    if (tokenRequested_)
        return;
    tokenRequested_ = true;

    const QString body =
        formatString(
            QStringLiteral("grant_type=client_credentials&client_id=%@&client_secret=%@&scope="),
            URLencode(TranslatorCredentials::clientID()),
            URLencode(TranslatorCredentials::clientSecret()))
        + scopeURL;
    URLRequest request {QUrl(tokenURL())};
    request.setHTTPMethod("POST");
    request.setValue("application/x-www-form-urlencoded; charset=utf-8", "Content-Type");
    request.setHTTPBody(body.toUtf8());
    RequestQueue::mainQueue().addRequest(
        request, [this](const HTTPURLResponse &, const QByteArray &data, const Error &error) {
            tokenAnswered(data, error);
        });
}

void Translator::tokenAnswered(const QByteArray &data, const Error &error)
{
    tokenRequested_ = false;
    QJsonObject answer;
    bool parsed = false;
    if (!data.isEmpty()) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
        parsed = parseError.error == QJsonParseError::NoError && document.isObject();
        answer = document.object();
    }
    if (!error && parsed) {
        const QJsonValue token = answer.value(QStringLiteral("access_token"));
        accessToken_ = token.isString() ? token.toString() : QString();
        expiresIn_ = lifetimeOf(answer.value(QStringLiteral("expires_in")));
        if (invalidation_)
            invalidationClock_->withdraw(invalidation_);
        invalidationClock_ = &Clock::shared();
        invalidation_ = invalidationClock_->callAfter(
            Clock::Duration(*expiresIn_ * 1000),
            [this] {
                invalidation_ = 0;
                invalidateAccessToken();
            },
            this);
    }
    const QList<TokenCompletion> waiting = std::exchange(waitingForToken_, {});
    for (const TokenCompletion &completion : waiting) {
        if (completion)
            dispatchMain([completion, error] { completion(error); });
    }
}

void Translator::invalidateAccessToken()
{
    accessToken_ = QString();
    expiresIn_.reset();
    if (invalidation_)
        invalidationClock_->withdraw(invalidation_);
    invalidation_ = 0;
}

void Translator::translateFrom(
    const QString &from, const QString &to, const QString &text, TranslationCompletion completion)
{
    if (to.isEmpty())
        return;
    if (!isSetUp()) {
        if (completion)
            dispatchMain([completion] { completion(QString(), notSetUpError()); });
        return;
    }
    // The token's outcome is not examined: the translation goes out with
    // whatever token is held then, and its own answer tells what went wrong.
    getAccessTokenWithCompletion([this, from, to, text, completion](const Error &) {
        // The text is form-encoded, so that "&", "+" and "#" in a review stay
        // part of the text instead of ending it.
        QString query = QStringLiteral("?text=") + URLencode(text);
        if (!from.isEmpty())
            query += QStringLiteral("&from=") + QString::fromLatin1(QUrl::toPercentEncoding(from));
        query += QStringLiteral("&to=") + QString::fromLatin1(QUrl::toPercentEncoding(to));
        URLRequest request {QUrl(translateURL() + query)};
        request.setValue("Bearer " + accessToken_.toUtf8(), "Authorization");
        RequestQueue::mainQueue().addRequest(request,
            [completion](const HTTPURLResponse &, const QByteArray &data, const Error &error) {
                QString translation;
                if (!data.isEmpty()) {
                    if (const auto root = XMLDictionary::dictionaryWithXMLData(data)) {
                        const QVariant value = root->value(QStringLiteral("__text"));
                        if (value.typeId() == QMetaType::QString)
                            translation = value.toString();
                    }
                }
                if (completion)
                    dispatchMain(
                        [completion, translation, error] { completion(translation, error); });
            });
    });
}

QMap<QString, QString> Translator::languageCodes()
{
    return {
        {"ar", "Arabic"},
        {"bs-Latn", "Bosnian (Latin)"},
        {"bg", "Bulgarian"},
        {"ca", "Catalan"},
        {"zh-CHS", "Chinese Simplified"},
        {"zh-CHT", "Chinese Traditional"},
        {"hr", "Croatian"},
        {"cs", "Czech"},
        {"da", "Danish"},
        {"nl", "Dutch"},
        {"en", "English"},
        {"et", "Estonian"},
        {"fi", "Finnish"},
        {"fr", "French"},
        {"de", "German"},
        {"el", "Greek"},
        {"ht", "Haitian Creole"},
        {"he", "Hebrew"},
        {"hi", "Hindi"},
        {"mww", "Hmong Daw"},
        {"hu", "Hungarian"},
        {"id", "Indonesian"},
        {"it", "Italian"},
        {"ja", "Japanese"},
        {"sw", "Kiswahili"},
        {"tlh", "Klingon"},
        {"tlh-Qaak", "Klingon (pIqaD"},
        {"lv", "Latvian"},
        {"lt", "Lithuanian"},
        {"ms", "Malay"},
        {"mt", "Maltese"},
        {"no", "Norwegian"},
        {"fa", "Persian"},
        {"pl", "Polish"},
        {"pt", "Portuguese"},
        {"otq", QString::fromUtf8("Querétaro Otomi")},
        {"ro", "Romanian"},
        {"ru", "Russian"},
        {"sr-Cyrl", "Serbian (Cyrillic)"},
        {"sr-Latn", "Serbian (Latin)"},
        {"sk", "Slovak"},
        {"sl", "Slovenian"},
        {"es", "Spanish"},
        {"sv", "Swedish"},
        {"th", "Thai"},
        {"tr", "Turkish"},
        {"uk", "Ukrainian"},
        {"ur", "Urdu"},
        {"vi", "Vietnamese"},
        {"cy", "Welsh"},
        {"yua", "Yucatec Maya"},
    };
}
