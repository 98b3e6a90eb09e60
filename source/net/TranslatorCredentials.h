#pragma once

#include <QString>

// The client credentials built into the application for the V2 protocol:
// byte tables, each byte combined with its table's one-byte key. The tables
// are empty, so the built-in values are empty and the user supplies real
// ones (the ID as a preference, the secret in the secret store). Values are
// built afresh on every call and kept nowhere.
namespace TranslatorCredentials {

QString builtInClientID();
QString builtInClientSecret();

// The "TranslatorClientID" preference when set, else the built-in value.
QString clientID();

} // namespace TranslatorCredentials
