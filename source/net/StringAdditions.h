#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text helpers: encodings by their platform-independent numbers, URL and XML
// escaping, lines, and type lookups. Type identifiers are MIME type names
// here ("text/plain"), looked up in the shared MIME database.
class StringAdditions {
public:
    // Encoding numbers as the stored preferences and the feeds' callers know
    // them (1 ASCII, 4 UTF-8, 5 Latin-1, 8 Shift-JIS, ...).
    enum StringEncoding : quint64 {
        ASCIIStringEncoding = 1,
        NEXTSTEPStringEncoding = 2,
        JapaneseEUCStringEncoding = 3,
        UTF8StringEncoding = 4,
        ISOLatin1StringEncoding = 5,
        SymbolStringEncoding = 6,
        NonLossyASCIIStringEncoding = 7,
        ShiftJISStringEncoding = 8,
        ISOLatin2StringEncoding = 9,
        UnicodeStringEncoding = 10,
        WindowsCP1251StringEncoding = 11,
        WindowsCP1252StringEncoding = 12,
        WindowsCP1253StringEncoding = 13,
        WindowsCP1254StringEncoding = 14,
        WindowsCP1250StringEncoding = 15,
        ISO2022JPStringEncoding = 21,
        MacOSRomanStringEncoding = 30,
        ProprietaryStringEncoding = 65536,
    };
    static constexpr quint64 invalidEncoding = 4294967295u;

    static QString stringWithUTF8CString(const char *bytes);
    static QString stringWithCString(const char *bytes);
    // A null string when the bytes are not valid in the encoding.
    static QString stringWithData(const QByteArray &data, quint64 encoding);
    static QString stringWithCharacterForUnicodeValue(char16_t value);
    static QByteArray cString(const QString &string);
    static QString uniqueFilename();

    static QString UTIForFilenameExtension(const QString &extension);
    static bool UTIConformsToUTI(const QString &type, const QString &conformsTo);
    static bool UTIEqualToUTI(const QString &type, const QString &other);

    static quint64 IANACharSetNameToNSStringEncoding(const QString &name);
    static QString nameOfStringEncoding(quint64 encoding);

    static QString stringByEncodingIllegalURLCharacters(const QString &string);
    static QString stringByEncodingIllegalURLCharactersUsingEncoding(
        const QString &string, quint64 encoding);
    static QString stringByDecodingIllegalURLCharacters(const QString &string);
    static QString stringByDecodingIllegalURLCharactersUsingEncoding(
        const QString &string, quint64 encoding);
    static QString stringByEncodingXMLEntities(const QString &string);
    static QString stringByDecodingXMLEntities(const QString &string);

    // The first occurrence, ignoring case; location -1 when there is none.
    static qsizetype caseInsensitiveRangeOfString(const QString &string, const QString &other);
    static bool caseInsensitiveEqualToString(const QString &string, const QString &other);
    static QStringList arrayOfLines(const QString &string);

    // In-place forms; each returns the changed text.
    static QString &encodeXMLEntities(QString &string);
    static QString &decodeXMLEntities(QString &string);
    static QString &encodeIllegalURLCharacters(QString &string);
    static QString &encodeIllegalURLCharactersUsingEncoding(QString &string, quint64 encoding);
    static QString &decodeIllegalURLCharacters(QString &string);
    static QString &decodeIllegalURLCharactersUsingEncoding(QString &string, quint64 encoding);
};
