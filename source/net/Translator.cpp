#include "net/Translator.h"
#include "platform/PreferenceKeys.h"

#include "net/AzureTranslatorProvider.h"
#include "net/DeepLProvider.h"
#include "net/LibreTranslateProvider.h"
#include "net/TranslatorCredentials.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/SecretStore.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <typeinfo>

// Spelt out rather than copied: the order of static initialisation across
// files is not fixed.
const QString Translator::ErrorDomain = QStringLiteral("TranslatorErrorDomain");
const QString Translator::providerKey = Preference::TranslationProvider;
const QString Translator::defaultProvider = QStringLiteral("DeepL");
const QString Translator::oldClientSecretKey = Preference::TranslatorClientSecret;

Translator::Translator() : microsoftV2_(new MicrosoftV2Provider)
{
    providers_.emplace_back(new DeepLProvider);
    providers_.emplace_back(new AzureTranslatorProvider);
    providers_.emplace_back(new LibreTranslateProvider);
    providers_.emplace_back(microsoftV2_);
}

Translator &Translator::sharedInstance()
{
    static Translator *instance = new Translator;
    return *instance;
}

QStringList Translator::providerNames()
{
    return {QStringLiteral("DeepL"), QStringLiteral("Azure"), QStringLiteral("LibreTranslate"),
        QStringLiteral("MicrosoftV2")};
}

QString Translator::secretName(const QString &provider)
{
    return QStringLiteral("TranslatorKey-") + provider;
}

TranslationProvider *Translator::provider(const QString &name)
{
    for (const auto &provider : providers_)
        if (provider->name() == name)
            return provider.get();
    return nullptr;
}

TranslationProvider &Translator::provider()
{
    const QString name = UserDefaults::standard().stringForKey(providerKey).trimmed();
    if (TranslationProvider *chosen = provider(name))
        return *chosen;
    static QSet<QString> logged;
    if (!name.isEmpty() && !logged.contains(name)) {
        logged.insert(name);
        logLine(formatString(QStringLiteral("Unknown translation provider \"%@\" in the "
                                            "preferences; using %@."),
            name, defaultProvider));
    }
    return *provider(defaultProvider);
}

void Translator::moveOldClientSecret(std::function<void()> done)
{
    UserDefaults &defaults = UserDefaults::standard();
    // The in-memory fallback store would lose the secret at exit: it stays in
    // the file until a real store is there.
    if (!defaults.hasStoredValue(oldClientSecretKey)
        || typeid(SecretStore::shared()) == typeid(MemorySecretStore)) {
        if (done)
            done();
        return;
    }
    const QString secret = defaults.stringForKey(oldClientSecretKey).trimmed();
    const auto remove = [done](const Error &error) {
        if (error) {
            // Kept in the file rather than lost; the next start tries again.
            logLine(formatString(QStringLiteral("The translation client secret could not be "
                                                "moved into the secret store: %@"),
                error.localizedDescription()));
        } else {
            UserDefaults::standard().removeObjectForKey(oldClientSecretKey);
            UserDefaults::standard().synchronize();
            logLine(QStringLiteral("Moved the translation client secret from the preferences "
                                   "into the secret store."));
        }
        if (done)
            done();
    };
    if (secret.isEmpty())
        remove(Error());
    else
        SecretStore::shared().writeSecret(
            secretName(QStringLiteral("MicrosoftV2")), secret, remove);
}

void Translator::translateFrom(
    const QString &from, const QString &to, const QString &text, TranslationCompletion completion)
{
    translateTexts(
        from, to, {text}, [completion](const QStringList &translations, const Error &error) {
            if (completion)
                completion(error ? QString() : translations.value(0), error);
        });
}

void Translator::translateTexts(const QString &from, const QString &to, const QStringList &texts,
    TranslationsCompletion completion)
{
    if (to.isEmpty())
        return;
    const auto finish = [completion](const QStringList &translations, const Error &error) {
        if (completion)
            completion(translations, error);
    };
    if (texts.isEmpty()) {
        dispatchMain([finish] { finish({}, Error()); });
        return;
    }
    TranslationProvider *chosen = &provider();
    QMap<QString, QString> offered = chosen->builtInLanguages();
    if (offered.isEmpty())
        offered = knownLanguages(*chosen).value_or(Languages()).codes;
    const QString target = chosen->providerCode(to, offered);
    const QString source = from.isEmpty() ? QString() : chosen->providerCode(from, offered);
    const QString language = languageCodes().value(to, to);
    if (!offered.isEmpty() && !offered.contains(target)) {
        const Error error = TranslationError::make(
            TranslationError::UnsupportedLanguage, chosen->serviceName(), language);
        dispatchMain([finish, error] { finish({}, error); });
        return;
    }
    moveOldClientSecret([chosen, source, target, texts, language, finish] {
        SecretStore::shared().readSecret(secretName(chosen->name()),
            [chosen, source, target, texts, language, finish](
                const QString &secret, const Error &readError) {
                QString key = secret.trimmed();
                if (key.isEmpty() && chosen->name() == QLatin1String("MicrosoftV2")) {
                    key = UserDefaults::standard().stringForKey(oldClientSecretKey).trimmed();
                    if (key.isEmpty())
                        key = TranslatorCredentials::builtInClientSecret();
                }
                if (key.isEmpty() && chosen->requiresKey()) {
                    finish({},
                        TranslationError::make(
                            TranslationError::NoKey, chosen->serviceName(), {}, readError));
                    return;
                }
                // A line break would end the header the key goes into.
                if (std::any_of(
                        key.begin(), key.end(), [](QChar c) { return c.unicode() < 0x20; })) {
                    finish({},
                        TranslationError::make(TranslationError::WrongKey, chosen->serviceName()));
                    return;
                }
                chosen->translate(key, source, target, texts,
                    [chosen, language, finish](
                        const QStringList &translations, const Error &error) {
                        // The service's refusal does not say which language it meant.
                        if (error.domain() == ErrorDomain
                            && error.code() == TranslationError::UnsupportedLanguage)
                            finish({},
                                TranslationError::make(TranslationError::UnsupportedLanguage,
                                    chosen->serviceName(), language, error.underlyingError()));
                        else
                            finish(translations, error);
                    });
            });
    });
}

void Translator::availableLanguages(LanguagesCompletion completion)
{
    TranslationProvider &chosen = provider();
    const QMap<QString, QString> builtIn = chosen.builtInLanguages();
    if (!builtIn.isEmpty()) {
        const QMap<QString, QString> own = ownLanguages(chosen, builtIn);
        dispatchMain([completion, own] { completion(own, Error()); });
        return;
    }
    const std::optional<Languages> known = knownLanguages(chosen);
    if (known && known->fetched.secsTo(Clock::shared().now()) < languagesLifetime) {
        const QMap<QString, QString> own = ownLanguages(chosen, known->codes);
        dispatchMain([completion, own] { completion(own, Error()); });
        return;
    }
    const QString key = languagesKey(chosen);
    // One request answers everyone who asks meanwhile; a second would cancel it.
    QList<LanguagesCompletion> &waiting = waitingForLanguages_[key];
    waiting.append(std::move(completion));
    if (waiting.size() > 1)
        return;
    TranslationProvider *asked = &chosen;
    asked->fetchLanguages(
        [this, asked, key](const QMap<QString, QString> &codes, const Error &error) {
            if (!error && !codes.isEmpty())
                storeLanguages(*asked, codes);
            const std::optional<Languages> known = knownLanguages(*asked);
            const QMap<QString, QString> own =
                known ? ownLanguages(*asked, known->codes) : languageCodes();
            for (const LanguagesCompletion &waiter : waitingForLanguages_.take(key))
                if (waiter)
                    waiter(own, error);
        });
}

QString Translator::languagesKey(TranslationProvider &provider)
{
    return provider.name() + QLatin1Char(' ') + provider.languagesSource();
}

QString Translator::languagesFile(TranslationProvider &provider)
{
    return QDir(AppPaths::cacheDirectory())
        .filePath(
            QStringLiteral("TranslationLanguages-") + provider.name() + QStringLiteral(".json"));
}

std::optional<Translator::Languages> Translator::knownLanguages(TranslationProvider &provider)
{
    const QString key = languagesKey(provider);
    if (const auto it = languages_.constFind(key); it != languages_.constEnd())
        return it.value();
    QFile file(languagesFile(provider));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll(), &parseError).object();
    // A list from another address of the same service is no answer for this one.
    if (saved.value(QStringLiteral("source")).toString() != provider.languagesSource())
        return std::nullopt;
    Languages languages;
    languages.fetched =
        QDateTime::fromString(saved.value(QStringLiteral("fetched")).toString(), Qt::ISODate);
    const QJsonObject codes = saved.value(QStringLiteral("languages")).toObject();
    for (auto it = codes.begin(); it != codes.end(); ++it)
        if (it.value().isString())
            languages.codes.insert(it.key(), it.value().toString());
    if (!languages.fetched.isValid() || languages.codes.isEmpty()) {
        logLine(formatString(
            QStringLiteral("Ignoring the unreadable language list %@."), file.fileName()));
        return std::nullopt;
    }
    languages_.insert(key, languages);
    return languages;
}

void Translator::storeLanguages(TranslationProvider &provider, const QMap<QString, QString> &codes)
{
    const QDateTime now = Clock::shared().now();
    languages_.insert(languagesKey(provider), {now, codes});
    QJsonObject names;
    for (auto it = codes.begin(); it != codes.end(); ++it)
        names.insert(it.key(), it.value());
    const QJsonObject saved {{QStringLiteral("source"), provider.languagesSource()},
        {QStringLiteral("fetched"), now.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("languages"), names}};
    QDir().mkpath(AppPaths::cacheDirectory());
    QSaveFile file(languagesFile(provider));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(saved).toJson(QJsonDocument::Compact)) < 0 || !file.commit())
        logLine(formatString(QStringLiteral("Could not write the language list %@: %@"),
            file.fileName(), file.errorString()));
}

QMap<QString, QString> Translator::ownLanguages(
    TranslationProvider &provider, const QMap<QString, QString> &codes) const
{
    // Names in English, as the built-in table has them, where it names the
    // language; several provider codes may stand for one of ours.
    const QMap<QString, QString> table = languageCodes();
    QMap<QString, QString> own;
    for (auto it = codes.begin(); it != codes.end(); ++it) {
        const QString code = provider.ownCode(it.key());
        if (!own.contains(code))
            own.insert(code, table.value(code, it.value()));
    }
    return own;
}

QMap<QString, QString> Translator::languageCodes()
{
    // The names are translated where they are shown.
    return {
        {"ar", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Arabic")},
        {"bs-Latn", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Bosnian (Latin)")},
        {"bg", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Bulgarian")},
        {"ca", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Catalan")},
        {"zh-CHS", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Chinese Simplified")},
        {"zh-CHT", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Chinese Traditional")},
        {"hr", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Croatian")},
        {"cs", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Czech")},
        {"da", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Danish")},
        {"nl", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Dutch")},
        {"en", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "English")},
        {"et", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Estonian")},
        {"fi", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Finnish")},
        {"fr", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "French")},
        {"de", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "German")},
        {"el", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Greek")},
        {"ht", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Haitian Creole")},
        {"he", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Hebrew")},
        {"hi", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Hindi")},
        {"mww", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Hmong Daw")},
        {"hu", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Hungarian")},
        {"id", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Indonesian")},
        {"it", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Italian")},
        {"ja", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Japanese")},
        {"sw", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Kiswahili")},
        {"tlh", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Klingon")},
        {"tlh-Qaak", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Klingon (pIqaD")},
        {"lv", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Latvian")},
        {"lt", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Lithuanian")},
        {"ms", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Malay")},
        {"mt", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Maltese")},
        {"no", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Norwegian")},
        {"fa", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Persian")},
        {"pl", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Polish")},
        {"pt", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Portuguese")},
        {"otq", QString::fromUtf8(QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Querétaro Otomi"))},
        {"ro", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Romanian")},
        {"ru", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Russian")},
        {"sr-Cyrl", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Serbian (Cyrillic)")},
        {"sr-Latn", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Serbian (Latin)")},
        {"sk", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Slovak")},
        {"sl", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Slovenian")},
        {"es", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Spanish")},
        {"sv", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Swedish")},
        {"th", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Thai")},
        {"tr", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Turkish")},
        {"uk", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Ukrainian")},
        {"ur", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Urdu")},
        {"vi", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Vietnamese")},
        {"cy", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Welsh")},
        {"yua", QT_TRANSLATE_NOOP("PreferencesPopoverViewController", "Yucatec Maya")},
    };
}
