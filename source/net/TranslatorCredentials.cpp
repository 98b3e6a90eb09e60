#include "net/TranslatorCredentials.h"

#include "net/MicrosoftV2Provider.h"
#include "platform/UserDefaults.h"

#include <array>
#include <span>

namespace {

// 34 and 44 bytes when filled.
constexpr std::array<unsigned char, 0> clientIDBytes {};
constexpr unsigned char clientIDKey = 0xA7;
constexpr std::array<unsigned char, 0> clientSecretBytes {};
constexpr unsigned char clientSecretKey = 0x3C;

QString decode(std::span<const unsigned char> bytes, unsigned char key)
{
    QByteArray text;
    text.reserve(qsizetype(bytes.size()));
    for (const unsigned char byte : bytes) {
        const char c = char(byte ^ key);
        if (c == '\0')
            break;
        text.append(c);
    }
    return QString::fromLatin1(text);
}

QString preferenceOr(const QString &key, const QString &fallback)
{
    const QString value = UserDefaults::standard().stringForKey(key).trimmed();
    return value.isEmpty() ? fallback : value;
}

} // namespace

namespace TranslatorCredentials {

QString builtInClientID()
{
    return decode(clientIDBytes, clientIDKey);
}

QString builtInClientSecret()
{
    return decode(clientSecretBytes, clientSecretKey);
}

QString clientID()
{
    return preferenceOr(MicrosoftV2Provider::clientIDKey, builtInClientID());
}

} // namespace TranslatorCredentials
