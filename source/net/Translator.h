#pragma once

#include "net/MicrosoftV2Provider.h"
#include "net/TranslationProvider.h"
#include "platform/Error.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Translates review texts through the service the "TranslationProvider"
// preference names ("DeepL", the default, "Azure", "LibreTranslate" or
// "MicrosoftV2"), and names the languages it offers. The service's key is
// read from the SecretStore ("TranslatorKey-<provider>") just before each
// request and kept nowhere. Language codes on this side are those of
// languageCodes(); each provider maps them to its own. Main thread only;
// completions run later on the main thread, exactly once.
class Translator : public QObject {
    Q_OBJECT

public:
    // A null text stands for "no translation".
    using TranslationCompletion =
        std::function<void(const QString &translation, const Error &error)>;
    using TranslationsCompletion = TranslationProvider::TranslationsCompletion;
    // Application codes to language names; never empty.
    using LanguagesCompletion =
        std::function<void(const QMap<QString, QString> &languages, const Error &error)>;

    static const QString ErrorDomain; // TranslationError::Domain
    static const QString providerKey; // "TranslationProvider"
    static const QString defaultProvider; // "DeepL"
    static const QString oldClientSecretKey; // "TranslatorClientSecret"
    static constexpr qint64 languagesLifetime = 86400;

    static Translator &sharedInstance();

    // Language code to English language name, 51 entries: the languages
    // offered when the provider's own cannot be had.
    static QMap<QString, QString> languageCodes();
    static QStringList providerNames();
    // "TranslatorKey-<provider>"
    static QString secretName(const QString &provider);

    // One text. `from` may be null (the service guesses); without a target
    // nothing is sent and the completion is not called.
    void translateFrom(const QString &from, const QString &to, const QString &text,
        TranslationCompletion completion);
    // Several texts in one request where the service takes a list; the
    // translations come in the order of the texts.
    void translateTexts(const QString &from, const QString &to, const QStringList &texts,
        TranslationsCompletion completion);

    // The languages of the chosen provider, fetched at most once a day (the
    // list is kept in memory and in the cache folder). When they cannot be
    // had, the last list fetched or else languageCodes() comes with the error.
    void availableLanguages(LanguagesCompletion completion);
    // Forgets the languages kept in memory (not those in the cache folder).
    void forgetLanguages() { languages_.clear(); }

    // The provider the preference names; an unknown name is logged once and
    // the default is used.
    TranslationProvider &provider();
    // Null for an unknown name.
    TranslationProvider *provider(const QString &name);
    MicrosoftV2Provider &microsoftV2() { return *microsoftV2_; }

    // Moves a client secret left in the preferences file by earlier versions
    // into the SecretStore, then removes it from the file. While only the
    // in-memory store is there, it stays in the file and is read from there.
    static void moveOldClientSecret(std::function<void()> done = {});

private:
    Translator();

    struct Languages {
        QDateTime fetched;
        QMap<QString, QString> codes; // the provider's codes
    };
    // The provider's languages as last fetched, from memory or the cache
    // folder, whatever their age.
    std::optional<Languages> knownLanguages(TranslationProvider &provider);
    void storeLanguages(TranslationProvider &provider, const QMap<QString, QString> &codes);
    QMap<QString, QString> ownLanguages(
        TranslationProvider &provider, const QMap<QString, QString> &codes) const;
    static QString languagesKey(TranslationProvider &provider);
    static QString languagesFile(TranslationProvider &provider);

    MicrosoftV2Provider *microsoftV2_;
    std::vector<std::unique_ptr<TranslationProvider>> providers_;
    QHash<QString, Languages> languages_;
    QHash<QString, QList<LanguagesCompletion>> waitingForLanguages_;
};
