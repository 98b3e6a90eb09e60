#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

class QXmlStreamReader;

// Entry points and read operations for the dictionaries XMLDictionaryParser
// builds. Every entry point parses with a fresh copy of the shared parser, so
// it may be called from any thread.
class XMLDictionary {
public:
    static std::optional<QVariantMap> dictionaryWithXMLParser(QXmlStreamReader &parser);
    static std::optional<QVariantMap> dictionaryWithXMLData(const QByteArray &data);
    static std::optional<QVariantMap> dictionaryWithXMLString(const QString &string);
    static std::optional<QVariantMap> dictionaryWithXMLFile(const QString &path);

    // Views of one node. A null QVariant / empty result stands for "none".
    static QVariantMap attributes(const QVariantMap &node);
    static QVariantMap childNodes(const QVariantMap &node);
    static QVariantList comments(const QVariantMap &node);
    static QString nodeName(const QVariantMap &node);
    static QString innerText(const QVariantMap &node);
    static QString innerXML(const QVariantMap &node);
    static QString XMLString(const QVariantMap &node);

    // Typed reads at a dotted key path.
    static QVariantList arrayValueForKeyPath(const QVariantMap &node, QStringView keyPath);
    static QString stringValueForKeyPath(const QVariantMap &node, QStringView keyPath);
    static std::optional<QVariantMap> dictionaryValueForKeyPath(
        const QVariantMap &node, QStringView keyPath);

    static QString XMLStringForNode(const QVariant &node, const QString &nodeName);
    static QString XMLEncodedString(const QString &string);
};
