#include "forward/ForwardSecrets.h"

#include "platform/AppPaths.h"
#include "platform/KeychainSecretStore.h"
#include "platform/SecretStore.h"
#include "platform/StringFormat.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

const QString kAddress = QStringLiteral("address");
const QString kSigningSecret = QStringLiteral("signingSecret");

// One form for both places: the secret service keeps it as compact text.
QJsonObject encode(const ForwardSecrets::Secret &secret)
{
    return {{kAddress, secret.address}, {kSigningSecret, secret.signingSecret}};
}

std::optional<ForwardSecrets::Secret> decode(const QJsonObject &object)
{
    const QString address = object.value(kAddress).toString();
    if (address.isEmpty())
        return std::nullopt;
    return ForwardSecrets::Secret {address, object.value(kSigningSecret).toString()};
}

bool noService(const Error &error)
{
    return error.domain() == KeychainSecretStore::ErrorDomain
        && error.code() == KeychainSecretStore::NoServiceCode;
}

Error fileError(const QString &detail)
{
    return Error::storeError(
        localized("ForwardSecrets", "The forwarding address could not be kept."), detail);
}

QJsonObject readFile(Error *error)
{
    QFile file(ForwardSecrets::filePath());
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        *error = fileError(file.errorString());
        return {};
    }
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        *error = fileError(formatString(
            localized("ForwardSecrets", "%@ is damaged."), ForwardSecrets::filePath()));
        return {};
    }
    return document.object();
}

// Writes the whole file anew, readable by the user only from the first byte.
bool writeFile(const QJsonObject &object, Error *error)
{
    const QString path = ForwardSecrets::filePath();
    if (!QDir().mkpath(QFileInfo(path).path())) {
        *error = fileError(
            formatString(localized("ForwardSecrets", "The folder of %@ could not be made."), path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0
        || file.write(QJsonDocument(object).toJson()) < 0 || !file.commit()) {
        *error = fileError(file.errorString());
        return false;
    }
    return true;
}

bool removeFromFile(const QString &name, Error *error)
{
    QJsonObject object = readFile(error);
    if (error->isError() || !object.contains(name))
        return !error->isError();
    object.remove(name);
    return writeFile(object, error);
}

} // namespace

namespace ForwardSecrets {

QString filePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(AppPaths::applicationId() + QStringLiteral("/forwarding-secrets.json"));
}

void write(const QString &name, const Secret &secret,
    std::function<void(Place place, const Error &error)> completion)
{
    SecretStore::shared().writeSecret(name,
        QString::fromUtf8(QJsonDocument(encode(secret)).toJson(QJsonDocument::Compact)),
        [name, secret, completion](const Error &error) {
            Error fileError;
            if (!error.isError()) {
                // A copy kept in the file while no service ran goes now.
                removeFromFile(name, &fileError);
                completion(Place::SecretService, {});
                return;
            }
            if (!noService(error)) {
                completion(Place::SecretService, error);
                return;
            }
            QJsonObject object = readFile(&fileError);
            if (!fileError.isError()) {
                object.insert(name, encode(secret));
                writeFile(object, &fileError);
            }
            // The caller says where the address went.
            completion(Place::File, fileError);
        });
}

void read(const QString &name,
    std::function<void(const std::optional<Secret> &secret, const Error &error)> completion)
{
    SecretStore::shared().readSecret(name, [name, completion](const QString &text, const Error &) {
        if (!text.isEmpty()) {
            if (const auto secret = decode(QJsonDocument::fromJson(text.toUtf8()).object())) {
                completion(secret, {});
                return;
            }
        }
        Error error;
        const QJsonObject object = readFile(&error);
        completion(error.isError() ? std::nullopt : decode(object.value(name).toObject()), error);
    });
}

void remove(const QString &name, std::function<void(const Error &error)> completion)
{
    SecretStore::shared().deleteSecret(name, [name, completion](const Error &error) {
        Error fileError;
        removeFromFile(name, &fileError);
        // Without a service, the file was the only place.
        completion(fileError.isError() ? fileError : (noService(error) ? Error() : error));
    });
}

} // namespace ForwardSecrets
