#include "net/AppStoreConnectAccount.h"

#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/PreferenceKeys.h"
#include "platform/SecretStore.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"

#include <QFile>

namespace AppStoreConnectAccount {

namespace {

// A .p8 file is a few hundred bytes; anything much larger is not one.
constexpr qint64 largestKeyFile = 64 * 1024;

Error fileError(const QString &path, const QString &reason)
{
    return Error(AppStoreConnectToken::ErrorDomain, AppStoreConnectToken::InvalidKeyCode,
        {{Error::LocalizedDescriptionKey,
             formatString(
                 localized("AppStoreConnect", "The App Store Connect key file %@ cannot be used."),
                 path)},
            {Error::LocalizedFailureReasonKey, reason}});
}

} // namespace

std::optional<QByteArray> readKeyFile(const QString &path, Error *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = fileError(path, file.errorString());
        return std::nullopt;
    }
    if (file.size() > largestKeyFile) {
        *error = fileError(path, localized("AppStoreConnect", "It is too large for a key file."));
        return std::nullopt;
    }
    const QByteArray pem = file.readAll();
    // Signing once proves the key before anything is kept or sent.
    Error signError;
    if (AppStoreConnectToken::sign({QStringLiteral("check"), QStringLiteral("check"), pem},
            Clock::shared().now(), &signError)
            .isEmpty()) {
        *error = fileError(path, signError.localizedFailureReason());
        return std::nullopt;
    }
    return pem;
}

bool keyFromEnvironment()
{
    return !qEnvironmentVariable(issuerVariable).trimmed().isEmpty()
        && !qEnvironmentVariable(keyIDVariable).trimmed().isEmpty()
        && !qEnvironmentVariable(keyFileVariable).trimmed().isEmpty();
}

void loadKey(KeyCompletion completion)
{
    if (keyFromEnvironment()) {
        const QString issuer = qEnvironmentVariable(issuerVariable).trimmed();
        const QString keyID = qEnvironmentVariable(keyIDVariable).trimmed();
        const QString keyFile = qEnvironmentVariable(keyFileVariable).trimmed();
        Error error;
        const auto pem = readKeyFile(keyFile, &error);
        dispatchMain(
            [completion,
                key = pem ? std::optional(AppStoreConnectKey {issuer, keyID, *pem}) : std::nullopt,
                error] { completion(key, error); });
        return;
    }
    const UserDefaults &defaults = UserDefaults::standard();
    const QString storedIssuer = defaults.stringForKey(Preference::AppStoreConnectIssuerID);
    const QString storedKeyID = defaults.stringForKey(Preference::AppStoreConnectKeyID);
    if (storedIssuer.isEmpty() || storedKeyID.isEmpty()) {
        dispatchMain([completion] { completion(std::nullopt, {}); });
        return;
    }
    SecretStore::shared().readSecret(secretName,
        [completion, storedIssuer, storedKeyID](const QString &secret, const Error &error) {
            if (secret.isEmpty()) {
                completion(std::nullopt, error);
                return;
            }
            completion(AppStoreConnectKey {storedIssuer, storedKeyID, secret.toUtf8()}, {});
        });
}

void connect(const AppStoreConnectKey &key, Completion completion)
{
    Error error;
    if (AppStoreConnectToken::sign(key, Clock::shared().now(), &error).isEmpty()) {
        dispatchMain([completion, error] { completion(error); });
        return;
    }
    SecretStore::shared().writeSecret(
        secretName, QString::fromUtf8(key.privateKey), [completion, key](const Error &error) {
            if (!error) {
                UserDefaults &defaults = UserDefaults::standard();
                defaults.setString(key.issuerID, Preference::AppStoreConnectIssuerID);
                defaults.setString(key.keyID, Preference::AppStoreConnectKeyID);
            }
            completion(error);
        });
}

void disconnect(Completion completion)
{
    SecretStore::shared().deleteSecret(secretName, [completion](const Error &error) {
        if (!error) {
            UserDefaults &defaults = UserDefaults::standard();
            defaults.removeObjectForKey(Preference::AppStoreConnectIssuerID);
            defaults.removeObjectForKey(Preference::AppStoreConnectKeyID);
        }
        completion(error);
    });
}

bool hasStoredIdentifiers()
{
    const UserDefaults &defaults = UserDefaults::standard();
    return !defaults.stringForKey(Preference::AppStoreConnectIssuerID).isEmpty()
        && !defaults.stringForKey(Preference::AppStoreConnectKeyID).isEmpty();
}

} // namespace AppStoreConnectAccount
