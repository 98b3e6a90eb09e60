#include "net/XMLDictionary.h"

#include "net/DictionaryAdditions.h"
#include "net/XMLDictionaryParser.h"

#include <QStringList>

namespace {

const QString kNameKey = QStringLiteral("__name");
const QString kTextKey = QStringLiteral("__text");
const QString kCommentsKey = QStringLiteral("__comments");
const QString kAttributesKey = QStringLiteral("__attributes");

bool isReservedKey(const QString &key)
{
    return key == kNameKey || key == kTextKey || key == kCommentsKey || key == kAttributesKey;
}

QString textOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QVariantMap)
        return XMLDictionary::innerText(value.toMap());
    if (value.typeId() == QMetaType::QVariantList) {
        QStringList texts;
        for (const QVariant &entry : value.toList())
            texts.append(textOf(entry));
        return texts.join(QLatin1Char('\n'));
    }
    return value.toString();
}

} // namespace

std::optional<QVariantMap> XMLDictionary::dictionaryWithXMLParser(QXmlStreamReader &parser)
{
    XMLDictionaryParser copy(XMLDictionaryParser::sharedInstance());
    return copy.dictionaryWithParser(parser);
}

std::optional<QVariantMap> XMLDictionary::dictionaryWithXMLData(const QByteArray &data)
{
    XMLDictionaryParser copy(XMLDictionaryParser::sharedInstance());
    return copy.dictionaryWithData(data);
}

std::optional<QVariantMap> XMLDictionary::dictionaryWithXMLString(const QString &string)
{
    XMLDictionaryParser copy(XMLDictionaryParser::sharedInstance());
    return copy.dictionaryWithString(string);
}

std::optional<QVariantMap> XMLDictionary::dictionaryWithXMLFile(const QString &path)
{
    XMLDictionaryParser copy(XMLDictionaryParser::sharedInstance());
    return copy.dictionaryWithFile(path);
}

QVariantMap XMLDictionary::attributes(const QVariantMap &node)
{
    const auto dictionary = node.constFind(kAttributesKey);
    if (dictionary != node.constEnd())
        return dictionary->toMap();
    QVariantMap result;
    for (auto it = node.constBegin(); it != node.constEnd(); ++it) {
        if (it.key().startsWith(QLatin1Char('_')) && !isReservedKey(it.key()))
            result.insert(it.key().mid(1), it.value());
    }
    return result;
}

QVariantMap XMLDictionary::childNodes(const QVariantMap &node)
{
    QVariantMap result;
    for (auto it = node.constBegin(); it != node.constEnd(); ++it) {
        if (!it.key().startsWith(QLatin1Char('_')))
            result.insert(it.key(), it.value());
    }
    return result;
}

QVariantList XMLDictionary::comments(const QVariantMap &node)
{
    return node.value(kCommentsKey).toList();
}

QString XMLDictionary::nodeName(const QVariantMap &node)
{
    return node.value(kNameKey).toString();
}

QString XMLDictionary::innerText(const QVariantMap &node)
{
    const QVariant text = node.value(kTextKey);
    if (text.typeId() == QMetaType::QVariantList) {
        QStringList texts;
        for (const QVariant &entry : text.toList())
            texts.append(entry.toString());
        return texts.join(QLatin1Char('\n'));
    }
    return text.toString();
}

QString XMLDictionary::innerXML(const QVariantMap &node)
{
    QStringList nodes;
    for (const QVariant &comment : comments(node))
        nodes.append(
            QStringLiteral("<!--") + XMLEncodedString(comment.toString()) + QStringLiteral("-->"));
    const QVariantMap children = childNodes(node);
    for (auto it = children.constBegin(); it != children.constEnd(); ++it)
        nodes.append(XMLStringForNode(it.value(), it.key()));
    const QString text = innerText(node);
    if (!text.isEmpty())
        nodes.append(XMLEncodedString(text));
    return nodes.join(QLatin1Char('\n'));
}

QString XMLDictionary::XMLString(const QVariantMap &node)
{
    if (node.size() == 1 && !node.contains(kNameKey))
        return innerXML(node);
    const QString name = nodeName(node);
    return XMLStringForNode(node, name.isEmpty() ? QStringLiteral("root") : name);
}

QVariantList XMLDictionary::arrayValueForKeyPath(const QVariantMap &node, QStringView keyPath)
{
    const QVariant value = DictionaryAdditions::objectForKeyPathOrNil(node, keyPath);
    if (!value.isValid())
        return {};
    if (value.typeId() == QMetaType::QVariantList)
        return value.toList();
    return QVariantList {value};
}

QString XMLDictionary::stringValueForKeyPath(const QVariantMap &node, QStringView keyPath)
{
    QVariant value = DictionaryAdditions::objectForKeyPathOrNil(node, keyPath);
    if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        value = list.isEmpty() ? QVariant() : list.first();
    }
    if (value.typeId() == QMetaType::QVariantMap)
        return innerText(value.toMap());
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return {};
}

std::optional<QVariantMap> XMLDictionary::dictionaryValueForKeyPath(
    const QVariantMap &node, QStringView keyPath)
{
    QVariant value = DictionaryAdditions::objectForKeyPathOrNil(node, keyPath);
    if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        value = list.isEmpty() ? QVariant() : list.first();
    }
    if (value.typeId() == QMetaType::QVariantMap)
        return value.toMap();
    if (value.typeId() == QMetaType::QString)
        return QVariantMap {{kTextKey, value}};
    return std::nullopt;
}

QString XMLDictionary::XMLStringForNode(const QVariant &node, const QString &nodeName)
{
    if (node.typeId() == QMetaType::QVariantList) {
        QStringList nodes;
        for (const QVariant &entry : node.toList())
            nodes.append(XMLStringForNode(entry, nodeName));
        return nodes.join(QLatin1Char('\n'));
    }
    if (node.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = node.toMap();
        QString attributeText;
        const QVariantMap attributeMap = attributes(map);
        for (auto it = attributeMap.constBegin(); it != attributeMap.constEnd(); ++it)
            attributeText += QLatin1Char(' ') + XMLEncodedString(it.key()) + QStringLiteral("=\"")
                + XMLEncodedString(textOf(it.value())) + QLatin1Char('"');
        const QString inner = innerXML(map);
        if (!inner.isEmpty())
            return QLatin1Char('<') + nodeName + attributeText + QLatin1Char('>') + inner
                + QStringLiteral("</") + nodeName + QLatin1Char('>');
        return QLatin1Char('<') + nodeName + attributeText + QStringLiteral("/>");
    }
    return QLatin1Char('<') + nodeName + QLatin1Char('>') + XMLEncodedString(textOf(node))
        + QStringLiteral("</") + nodeName + QLatin1Char('>');
}

QString XMLDictionary::XMLEncodedString(const QString &string)
{
    QString result;
    result.reserve(string.size());
    for (const QChar c : string) {
        switch (c.unicode()) {
        case '&':
            result += QLatin1String("&amp;");
            break;
        case '<':
            result += QLatin1String("&lt;");
            break;
        case '>':
            result += QLatin1String("&gt;");
            break;
        case '"':
            result += QLatin1String("&quot;");
            break;
        case '\'':
            result += QLatin1String("&apos;");
            break;
        default:
            result += c;
        }
    }
    return result;
}
