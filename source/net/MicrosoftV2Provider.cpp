#include "net/MicrosoftV2Provider.h"
#include "platform/PreferenceKeys.h"

#include "net/RequestQueue.h"
#include "net/Translator.h"
#include "net/TranslatorCredentials.h"
#include "net/XMLDictionary.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"

#include <QJsonObject>

const QString MicrosoftV2Provider::clientIDKey = Preference::TranslatorClientID;
const QString MicrosoftV2Provider::tokenURLKey = Preference::TranslatorTokenURL;
const QString MicrosoftV2Provider::translateURLKey = Preference::TranslatorTranslateURL;
const QString MicrosoftV2Provider::defaultTokenURL =
    QStringLiteral("https://datamarket.accesscontrol.windows.net/v2/OAuth2-13");
const QString MicrosoftV2Provider::defaultTranslateURL =
    QStringLiteral("https://api.microsofttranslator.com/v2/Http.svc/Translate");
const QString MicrosoftV2Provider::scopeURL = QStringLiteral("http://api.microsofttranslator.com");

namespace {

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
        return MicrosoftV2Provider::defaultExpiresIn;
    // A lifetime beyond a day is no real answer; holding the token that long
    // would only overflow the timers.
    return std::min<qint64>(seconds, MicrosoftV2Provider::maximumExpiresIn);
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

QString MicrosoftV2Provider::tokenURL()
{
    return addressPreference(tokenURLKey, defaultTokenURL);
}

QString MicrosoftV2Provider::translateURL()
{
    return addressPreference(translateURLKey, defaultTranslateURL);
}

void MicrosoftV2Provider::getAccessTokenWithCompletion(
    const QString &clientSecret, TokenCompletion completion)
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
            URLencode(TranslatorCredentials::clientID()), URLencode(clientSecret))
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

void MicrosoftV2Provider::tokenAnswered(const QByteArray &data, const Error &error)
{
    tokenRequested_ = false;
    const QJsonDocument document = data.isEmpty() ? QJsonDocument() : parseJSON(data);
    if (!error && document.isObject()) {
        const QJsonObject answer = document.object();
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

void MicrosoftV2Provider::invalidateAccessToken()
{
    accessToken_ = QString();
    expiresIn_.reset();
    if (invalidation_)
        invalidationClock_->withdraw(invalidation_);
    invalidation_ = 0;
}

void MicrosoftV2Provider::translate(const QString &key, const QString &from, const QString &to,
    const QStringList &texts, TranslationsCompletion completion)
{
    if (TranslatorCredentials::clientID().isEmpty()) {
        dispatchMain([this, completion] { completion({}, error(TranslationError::NoKey)); });
        return;
    }
    // The token's outcome is not examined: the translation goes out with
    // whatever token is held then, and its own answer tells what went wrong.
    auto job = std::make_shared<Job>(Job {from, to, texts, {}, std::move(completion)});
    getAccessTokenWithCompletion(key, [this, job](const Error &) { translateNext(job); });
}

void MicrosoftV2Provider::translateNext(const std::shared_ptr<Job> &job)
{
    // The protocol takes one text per request: they go one after the other,
    // and the first failure ends the list.
    if (job->translations.size() == job->texts.size()) {
        job->completion(job->translations, Error());
        return;
    }
    translateOne(job->from, job->to, job->texts.at(job->translations.size()),
        [this, job](const QString &translation, const Error &failure) {
            if (failure) {
                job->completion({}, failure);
                return;
            }
            job->translations << translation;
            translateNext(job);
        });
}

void MicrosoftV2Provider::translateOne(const QString &from, const QString &to, const QString &text,
    std::function<void(const QString &, const Error &)> done)
{
    // The text is form-encoded, so that "&", "+" and "#" in a review stay
    // part of the text instead of ending it.
    QString query = QStringLiteral("?text=") + URLencode(text);
    if (!from.isEmpty())
        query += QStringLiteral("&from=") + QString::fromLatin1(QUrl::toPercentEncoding(from));
    query += QStringLiteral("&to=") + QString::fromLatin1(QUrl::toPercentEncoding(to));
    URLRequest request {QUrl(translateURL() + query)};
    request.setValue("Bearer " + accessToken_.toUtf8(), "Authorization");
    send(request, [this, done](const QByteArray &data, const Error &failure) {
        if (failure) {
            done({}, failure);
            return;
        }
        QString translation;
        if (const auto root = XMLDictionary::dictionaryWithXMLData(data)) {
            // An empty element is the translation of an empty text.
            const QVariant value = root->value(QStringLiteral("__text"));
            translation =
                value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("");
        }
        if (translation.isNull())
            done({}, error(TranslationError::BrokenAnswer));
        else
            done(translation, Error());
    });
}

QMap<QString, QString> MicrosoftV2Provider::builtInLanguages() const
{
    return Translator::languageCodes();
}
