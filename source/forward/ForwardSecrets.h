#pragma once

#include "platform/Error.h"

#include <QString>

#include <functional>
#include <optional>

// A destination's address and signing secret. Addresses of chat webhooks
// carry their token, so both are secrets: kept in the session's secret
// service, or where none runs, in a file only the user may read (0600) in
// the application's config folder. Nothing here logs either.
namespace ForwardSecrets {

struct Secret {
    QString address;
    QString signingSecret;
};

enum class Place { SecretService, File };

// <XDG config home>/org.reviewkeeper.ReviewKeeper/forwarding-secrets.json
QString filePath();

// Completions run later, on the main thread.
void write(const QString &name, const Secret &secret,
    std::function<void(Place place, const Error &error)> completion);
// Nullopt and no error when neither place holds `name`.
void read(const QString &name,
    std::function<void(const std::optional<Secret> &secret, const Error &error)> completion);
// From both places; removing what is not there is no error.
void remove(const QString &name, std::function<void(const Error &error)> completion);

} // namespace ForwardSecrets
