#pragma once

#include <QString>

// The client credentials built into the application: byte tables, each byte
// combined with its table's one-byte key. The tables are empty, so the
// built-in values are empty and the user's preferences supply real ones.
// Values are built afresh on every call and kept nowhere.
namespace TranslatorCredentials {

QString builtInClientID();
QString builtInClientSecret();

// The preference when set, else the built-in value.
QString clientID();
QString clientSecret();

} // namespace TranslatorCredentials
