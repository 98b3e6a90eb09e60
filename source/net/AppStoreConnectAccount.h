#pragma once

#include "net/AppStoreConnectToken.h"
#include "platform/Error.h"

#include <functional>
#include <optional>

// Where the App Store Connect key is kept: the issuer and key identifiers
// in the preferences, the private key in the secret store, never anywhere
// else. Where no secret service runs (cron, ssh), the three environment
// variables stand in for all of it. Main thread; completions run later.
namespace AppStoreConnectAccount {

inline const QString secretName = QStringLiteral("AppStoreConnectKey");
inline constexpr const char *issuerVariable = "REVIEWKEEPER_ASC_ISSUER";
inline constexpr const char *keyIDVariable = "REVIEWKEEPER_ASC_KEY_ID";
inline constexpr const char *keyFileVariable = "REVIEWKEEPER_ASC_KEY_FILE";

using KeyCompletion =
    std::function<void(const std::optional<AppStoreConnectKey> &key, const Error &error)>;
using Completion = std::function<void(const Error &error)>;

// The key in force: the environment's when its three variables are set,
// else the stored one; nullopt without an error when none is connected.
void loadKey(KeyCompletion completion);

// Reads a .p8 file, refusing one that is not a private key it can sign with.
std::optional<QByteArray> readKeyFile(const QString &path, Error *error);

// Keeps a key that signs; nothing is kept when it cannot.
void connect(const AppStoreConnectKey &key, Completion completion);
void disconnect(Completion completion);

// Whether a key is stored (identifiers in the preferences; the secret
// itself is not read).
bool hasStoredIdentifiers();

// Whether the three environment variables name a key, which then stands in
// for the stored one.
bool keyFromEnvironment();

} // namespace AppStoreConnectAccount
