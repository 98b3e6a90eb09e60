#pragma once

#include "net/TranslationProvider.h"
#include "platform/Clock.h"

#include <memory>
#include <optional>

// The Microsoft Translator V2 protocol, kept for servers that still speak it
// (the fake store among them): a bearer token from the OAuth 2.0
// client-credentials grant, kept for the lifetime the token service
// announces, then one GET per text. The client ID comes from the
// "TranslatorClientID" preference (or the built-in one), the client secret
// is the key.
class MicrosoftV2Provider : public QObject, public TranslationProvider {
    Q_OBJECT

public:
    using TokenCompletion = std::function<void(const Error &error)>;

    static const QString clientIDKey; // "TranslatorClientID"
    static const QString tokenURLKey; // "TranslatorTokenURL"
    static const QString translateURLKey; // "TranslatorTranslateURL"
    static const QString defaultTokenURL;
    static const QString defaultTranslateURL;
    static const QString scopeURL;
    static constexpr qint64 defaultExpiresIn = 600;
    static constexpr qint64 maximumExpiresIn = 86400;

    QString name() const override { return QStringLiteral("MicrosoftV2"); }
    QString serviceName() const override { return QStringLiteral("Microsoft Translator"); }
    void translate(const QString &key, const QString &from, const QString &to,
        const QStringList &texts, TranslationsCompletion completion) override;
    QMap<QString, QString> builtInLanguages() const override;

    // Makes sure a token is held, asking for one with this client secret.
    void getAccessTokenWithCompletion(const QString &clientSecret, TokenCompletion completion);
    void invalidateAccessToken();
    const QString &accessToken() const { return accessToken_; }
    std::optional<qint64> expiresIn() const { return expiresIn_; }

    static QString tokenURL();
    static QString translateURL();

private:
    struct Job {
        QString from, to;
        QStringList texts, translations;
        TranslationsCompletion completion;
    };

    void translateNext(const std::shared_ptr<Job> &job);
    void tokenAnswered(const QByteArray &data, const Error &error);
    void translateOne(const QString &from, const QString &to, const QString &text,
        std::function<void(const QString &translation, const Error &error)> done);

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
