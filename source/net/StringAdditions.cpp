#include "net/StringAdditions.h"

#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QUuid>

#include <cstring>

namespace {

struct EncodingName {
    quint64 encoding;
    const char *constantName;
    const char *codecName; // for QStringEncoder/Decoder (ICU names); null: none
};

const EncodingName kEncodings[] = {
    {StringAdditions::ASCIIStringEncoding, "NSASCIIStringEncoding", "US-ASCII"},
    {StringAdditions::NEXTSTEPStringEncoding, "NSNEXTSTEPStringEncoding", nullptr},
    {StringAdditions::JapaneseEUCStringEncoding, "NSJapaneseEUCStringEncoding", "EUC-JP"},
    {StringAdditions::UTF8StringEncoding, "NSUTF8StringEncoding", "UTF-8"},
    {StringAdditions::ISOLatin1StringEncoding, "NSISOLatin1StringEncoding", "ISO-8859-1"},
    {StringAdditions::SymbolStringEncoding, "NSSymbolStringEncoding", nullptr},
    {StringAdditions::NonLossyASCIIStringEncoding, "NSNonLossyASCIIStringEncoding", nullptr},
    {StringAdditions::ShiftJISStringEncoding, "NSShiftJISStringEncoding", "Shift_JIS"},
    {StringAdditions::ISOLatin2StringEncoding, "NSISOLatin2StringEncoding", "ISO-8859-2"},
    {StringAdditions::UnicodeStringEncoding, "NSUnicodeStringEncoding", "UTF-16"},
    {StringAdditions::WindowsCP1251StringEncoding, "NSWindowsCP1251StringEncoding", "windows-1251"},
    {StringAdditions::WindowsCP1252StringEncoding, "NSWindowsCP1252StringEncoding", "windows-1252"},
    {StringAdditions::WindowsCP1253StringEncoding, "NSWindowsCP1253StringEncoding", "windows-1253"},
    {StringAdditions::WindowsCP1254StringEncoding, "NSWindowsCP1254StringEncoding", "windows-1254"},
    {StringAdditions::WindowsCP1250StringEncoding, "NSWindowsCP1250StringEncoding", "windows-1250"},
    {StringAdditions::ISO2022JPStringEncoding, "NSISO2022JPStringEncoding", "ISO-2022-JP"},
    {StringAdditions::MacOSRomanStringEncoding, "NSMacOSRomanStringEncoding", "macintosh"},
    {StringAdditions::ProprietaryStringEncoding, "NSProprietaryStringEncoding", nullptr},
};

const EncodingName *findEncoding(quint64 encoding)
{
    for (const EncodingName &entry : kEncodings) {
        if (entry.encoding == encoding)
            return &entry;
    }
    return nullptr;
}

// Other spellings of the IANA names, as charset parameters carry them.
const std::pair<const char *, quint64> kIANAAliases[] = {
    {"utf8", StringAdditions::UTF8StringEncoding},
    {"ascii", StringAdditions::ASCIIStringEncoding},
    {"latin1", StringAdditions::ISOLatin1StringEncoding},
    {"iso_8859-1", StringAdditions::ISOLatin1StringEncoding},
    {"latin2", StringAdditions::ISOLatin2StringEncoding},
    {"iso_8859-2", StringAdditions::ISOLatin2StringEncoding},
    {"sjis", StringAdditions::ShiftJISStringEncoding},
    {"x-sjis", StringAdditions::ShiftJISStringEncoding},
    {"utf-16be", StringAdditions::UnicodeStringEncoding},
    {"utf-16le", StringAdditions::UnicodeStringEncoding},
    {"x-mac-roman", StringAdditions::MacOSRomanStringEncoding},
    {"mac", StringAdditions::MacOSRomanStringEncoding},
    {"cp1250", StringAdditions::WindowsCP1250StringEncoding},
    {"cp1251", StringAdditions::WindowsCP1251StringEncoding},
    {"cp1252", StringAdditions::WindowsCP1252StringEncoding},
    {"cp1253", StringAdditions::WindowsCP1253StringEncoding},
    {"cp1254", StringAdditions::WindowsCP1254StringEncoding},
};

QByteArray encoded(const QString &string, quint64 encoding, bool *ok)
{
    const EncodingName *entry = findEncoding(encoding);
    if (!entry || !entry->codecName) {
        *ok = false;
        return {};
    }
    QStringEncoder encoder(entry->codecName, QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        *ok = false;
        return {};
    }
    QByteArray bytes = encoder.encode(string);
    *ok = !encoder.hasError();
    return bytes;
}

// Characters that may stand in a URL as they are: the unreserved ones, the
// reserved delimiters, and the quotation mark and percent sign, which the
// escaping leaves alone on purpose (an existing escape stays one).
bool staysInURL(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::strchr("-._~:/?#[]@!$&'()*+,;=\"%", c) != nullptr && c != 0;
}

} // namespace

QString StringAdditions::stringWithUTF8CString(const char *bytes)
{
    return bytes ? QString::fromUtf8(bytes) : QString();
}

QString StringAdditions::stringWithCString(const char *bytes)
{
    return stringWithUTF8CString(bytes);
}

QString StringAdditions::stringWithData(const QByteArray &data, quint64 encoding)
{
    const EncodingName *entry = findEncoding(encoding);
    if (!entry || !entry->codecName)
        return {};
    QStringDecoder decoder(entry->codecName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return {};
    QString text = decoder.decode(data);
    if (decoder.hasError())
        return {};
    return text.isNull() ? QString(QLatin1String("")) : text;
}

QString StringAdditions::stringWithCharacterForUnicodeValue(char16_t value)
{
    return QString(QChar(value));
}

QByteArray StringAdditions::cString(const QString &string)
{
    return string.toUtf8();
}

QString StringAdditions::uniqueFilename()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString StringAdditions::UTIForFilenameExtension(const QString &extension)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(
        QStringLiteral("file.") + extension, QMimeDatabase::MatchExtension);
    return type.isDefault() ? QString() : type.name();
}

bool StringAdditions::UTIConformsToUTI(const QString &type, const QString &conformsTo)
{
    const QMimeType mime = QMimeDatabase().mimeTypeForName(type);
    return mime.isValid() && mime.inherits(conformsTo);
}

bool StringAdditions::UTIEqualToUTI(const QString &type, const QString &other)
{
    const QMimeDatabase database;
    const QMimeType first = database.mimeTypeForName(type);
    const QMimeType second = database.mimeTypeForName(other);
    if (!first.isValid() || !second.isValid())
        return type.compare(other, Qt::CaseInsensitive) == 0;
    return first == second;
}

quint64 StringAdditions::IANACharSetNameToNSStringEncoding(const QString &name)
{
    const QString wanted = name.trimmed();
    for (const EncodingName &entry : kEncodings) {
        if (entry.codecName
            && wanted.compare(QLatin1String(entry.codecName), Qt::CaseInsensitive) == 0)
            return entry.encoding;
    }
    for (const auto &[alias, encoding] : kIANAAliases) {
        if (wanted.compare(QLatin1String(alias), Qt::CaseInsensitive) == 0)
            return encoding;
    }
    return invalidEncoding;
}

QString StringAdditions::nameOfStringEncoding(quint64 encoding)
{
    const EncodingName *entry = findEncoding(encoding);
    return entry ? QString::fromLatin1(entry->constantName) : QString();
}

QString StringAdditions::stringByEncodingIllegalURLCharacters(const QString &string)
{
    return stringByEncodingIllegalURLCharactersUsingEncoding(string, UTF8StringEncoding);
}

QString StringAdditions::stringByEncodingIllegalURLCharactersUsingEncoding(
    const QString &string, quint64 encoding)
{
    const QString decoded = stringByDecodingIllegalURLCharactersUsingEncoding(string, encoding);
    bool ok = false;
    const QByteArray bytes = encoded(decoded, encoding, &ok);
    if (!ok)
        return {};
    QString result;
    result.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (staysInURL(c))
            result += QLatin1Char(char(c));
        else
            result += QString::asprintf("%%%02X", c);
    }
    return result;
}

QString StringAdditions::stringByDecodingIllegalURLCharacters(const QString &string)
{
    return stringByDecodingIllegalURLCharactersUsingEncoding(string, UTF8StringEncoding);
}

QString StringAdditions::stringByDecodingIllegalURLCharactersUsingEncoding(
    const QString &string, quint64 encoding)
{
    if (!string.contains(QLatin1Char('%')))
        return string;
    bool ok = false;
    const QByteArray bytes = encoded(string, encoding, &ok);
    if (!ok)
        return string;
    const QString decoded = stringWithData(QByteArray::fromPercentEncoding(bytes), encoding);
    // Escapes that do not form text in the encoding are kept as they are.
    return decoded.isNull() ? string : decoded;
}

QString StringAdditions::stringByEncodingXMLEntities(const QString &string)
{
    QString copy = string;
    decodeXMLEntities(copy);
    return encodeXMLEntities(copy);
}

QString StringAdditions::stringByDecodingXMLEntities(const QString &string)
{
    QString copy = string;
    return decodeXMLEntities(copy);
}

qsizetype StringAdditions::caseInsensitiveRangeOfString(const QString &string, const QString &other)
{
    return string.indexOf(other, 0, Qt::CaseInsensitive);
}

bool StringAdditions::caseInsensitiveEqualToString(const QString &string, const QString &other)
{
    return string.compare(other, Qt::CaseInsensitive) == 0;
}

QStringList StringAdditions::arrayOfLines(const QString &string)
{
    static const QRegularExpression terminator(QStringLiteral("\r\n|[\n\r\u2028\u2029\u0085]"));
    QStringList lines = string.split(terminator);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString &StringAdditions::encodeXMLEntities(QString &string)
{
    static const QRegularExpression special(QStringLiteral("[&<>\"']"));
    if (!string.contains(special))
        return string;
    string.replace(QLatin1String("&"), QLatin1String("&amp;"));
    string.replace(QLatin1String("<"), QLatin1String("&lt;"));
    string.replace(QLatin1String(">"), QLatin1String("&gt;"));
    string.replace(QLatin1String("\""), QLatin1String("&quot;"));
    string.replace(QLatin1String("'"), QLatin1String("&apos;"));
    return string;
}

QString &StringAdditions::decodeXMLEntities(QString &string)
{
    if (!string.contains(QLatin1Char('&')))
        return string;
    string.replace(QLatin1String("&lt;"), QLatin1String("<"));
    string.replace(QLatin1String("&gt;"), QLatin1String(">"));
    string.replace(QLatin1String("&quot;"), QLatin1String("\""));
    string.replace(QLatin1String("&apos;"), QLatin1String("'"));
    string.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return string;
}

QString &StringAdditions::encodeIllegalURLCharacters(QString &string)
{
    return encodeIllegalURLCharactersUsingEncoding(string, UTF8StringEncoding);
}

QString &StringAdditions::encodeIllegalURLCharactersUsingEncoding(QString &string, quint64 encoding)
{
    string = stringByEncodingIllegalURLCharactersUsingEncoding(string, encoding);
    return string;
}

QString &StringAdditions::decodeIllegalURLCharacters(QString &string)
{
    return decodeIllegalURLCharactersUsingEncoding(string, UTF8StringEncoding);
}

QString &StringAdditions::decodeIllegalURLCharactersUsingEncoding(QString &string, quint64 encoding)
{
    string = stringByDecodingIllegalURLCharactersUsingEncoding(string, encoding);
    return string;
}
