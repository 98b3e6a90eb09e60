#pragma once

#include "Clock.h"
#include "Error.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Translates review texts through the translation service's HTTP interface:
// a bearer token from the OAuth 2.0 client-credentials grant, kept for the
// lifetime the token service announces, then one GET per text on the shared
// request queue. The client's credentials are the user's own (preferences
// "TranslatorClientID" and "TranslatorClientSecret"); without them every
// translation ends at once with an error saying translation is not set up.
// Main thread only; completions run later on the main thread.
class Translator : public QObject {
    Q_OBJECT

public:
    // A null text stands for "no translation".
    using TranslationCompletion =
        std::function<void(const QString &translation, const Error &error)>;
    using TokenCompletion = std::function<void(const Error &error)>;

    static const QString ErrorDomain;
    enum ErrorCode { NotSetUpError = 1 };

    static const QString clientIDKey; // "TranslatorClientID"
    static const QString clientSecretKey; // "TranslatorClientSecret"
    static const QString tokenURLKey; // "TranslatorTokenURL"
    static const QString translateURLKey; // "TranslatorTranslateURL"
    static const QString defaultTokenURL;
    static const QString defaultTranslateURL;
    static const QString scopeURL;
    static constexpr qint64 defaultExpiresIn = 600;
    static constexpr qint64 maximumExpiresIn = 86400;

    static Translator &sharedInstance();

    // Service language code to English language name, 51 entries.
    static QMap<QString, QString> languageCodes();

    // The one door for translations. `from` may be null (the service guesses);
    // without a target nothing is sent and the completion is not called.
    void translateFrom(const QString &from, const QString &to, const QString &text,
        TranslationCompletion completion);

    void getAccessTokenWithCompletion(TokenCompletion completion);
    void invalidateAccessToken();

    const QString &accessToken() const { return accessToken_; }
    std::optional<qint64> expiresIn() const { return expiresIn_; }

    // True when a client ID and secret are at hand.
    static bool isSetUp();
    static Error notSetUpError();

    // The endpoints in force: a preference holding an http(s) address, else
    // the https default.
    static QString tokenURL();
    static QString translateURL();

private:
    void tokenAnswered(const QByteArray &data, const Error &error);

    QString accessToken_;
    std::optional<qint64> expiresIn_;
    Clock::TimerId invalidation_ = 0;
    Clock *invalidationClock_ = nullptr;
    // Translations that asked while a token request was out wait for it
    // instead of sending a second one that would cancel the first.
    QList<TokenCompletion> waitingForToken_;
    bool tokenRequested_ = false;
};

// Form encoding of a text's UTF-8 bytes: space to "+", letters, digits and
// "-._~" kept, every other byte as "%XX" with upper-case hexadecimal digits.
QString URLencode(const QString &text);
