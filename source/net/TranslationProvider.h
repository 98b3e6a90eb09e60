#pragma once

#include "net/URLRequest.h"
#include "platform/Error.h"

#include <QJsonDocument>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// The errors of translation, the same for every service, so that a person
// learns what to do whichever service they chose. Texts name the service.
namespace TranslationError {

extern const QString Domain; // "TranslatorErrorDomain"

enum Code {
    NoKey = 1,
    WrongKey = 2,
    QuotaUsedUp = 3,
    UnsupportedLanguage = 4,
    Unreachable = 5,
    Refused = 6, // any other refusal, with its HTTP status
    BrokenAnswer = 7,
};

// `detail` is the language for UnsupportedLanguage and the HTTP status for
// Refused; the request's own error, when there is one, is kept underneath.
Error make(
    Code code, const QString &service, const QString &detail = {}, const Error &underlying = {});

} // namespace TranslationError

// One translation service's protocol: how a list of texts is sent and read
// back, which languages it offers, how its language codes relate to the
// application's own (those of Translator::languageCodes()), and how its
// refusals become TranslationErrors. Requests go on the shared request
// queue; completions run later on the main thread, exactly once.
class TranslationProvider {
public:
    // One translation per text, in order; empty with an error.
    using TranslationsCompletion =
        std::function<void(const QStringList &translations, const Error &error)>;
    // The provider's own codes to language names.
    using LanguagesCompletion =
        std::function<void(const QMap<QString, QString> &languages, const Error &error)>;

    virtual ~TranslationProvider() = default;

    // The value of the "TranslationProvider" preference, also naming its key
    // in the secret store.
    virtual QString name() const = 0;
    // The service's name as people know it, for messages.
    virtual QString serviceName() const = 0;
    virtual bool requiresKey() const { return true; }

    // `from` may be null: the service detects the language. Codes are the
    // provider's own (see providerCode).
    virtual void translate(const QString &key, const QString &from, const QString &to,
        const QStringList &texts, TranslationsCompletion completion) = 0;

    // The languages the provider can translate into when they are known
    // without asking; empty when they must be fetched.
    virtual QMap<QString, QString> builtInLanguages() const { return {}; }
    // Asks the service for its target languages. Only called when there are
    // no built-in ones.
    virtual void fetchLanguages(LanguagesCompletion completion);
    // The address the fetched languages come from, so that a cached list
    // answers only for the service it came from.
    virtual QString languagesSource() const { return name(); }

    // Application code to provider code, and back. Codes the table does not
    // name pass unchanged (compared without regard to case). Of several codes
    // for one language, the first the provider offers is sent.
    QString providerCode(const QString &code, const QMap<QString, QString> &offered = {}) const;
    QString ownCode(const QString &providerCode) const;

protected:
    // Pairs of (application code, provider code). For a code listed more than
    // once, the first pair is the one sent.
    virtual QList<QPair<QString, QString>> codeTable() const { return {}; }
    // How a provider writes a code the table does not name.
    virtual QString unlistedProviderCode(const QString &code) const { return code; }

    // Runs the request on the shared queue; `done` gets the body, or a
    // TranslationError for a failed request.
    void send(const URLRequest &request,
        std::function<void(const QByteArray &body, const Error &error)> done) const;
    // What a refused request means. The shared cases (network failures and
    // 5xx, then 401 and 403, 429) are decided by the base.
    virtual Error refusal(int status, const QByteArray &body, const Error &requestError) const;

    Error error(
        TranslationError::Code code, const QString &detail = {}, const Error &underlying = {}) const
    {
        return TranslationError::make(code, serviceName(), detail, underlying);
    }
    static QJsonDocument parseJSON(const QByteArray &body);
    // A JSON request with `Content-Type: application/json`.
    static URLRequest postJSON(const QUrl &url, const QJsonDocument &body);
    // The preference as an http(s) address without a trailing "/", else the
    // fallback (logging a value that is no address).
    static QString addressPreference(const QString &key, const QString &fallback);
};
