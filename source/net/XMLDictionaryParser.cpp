#include "net/XMLDictionaryParser.h"

#include "net/XMLDictionary.h"

#include <QFile>
#include <QVariantList>
#include <QXmlStreamReader>

namespace {

const QString kNameKey = QStringLiteral("__name");
const QString kTextKey = QStringLiteral("__text");
const QString kCommentsKey = QStringLiteral("__comments");
const QString kAttributesKey = QStringLiteral("__attributes");

bool isWhiteSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
        || c == QLatin1Char('\r') || c.isSpace();
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && isWhiteSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// Only the name and the text make a node; anything else (attributes in any
// mode, children, comments) keeps it a dictionary.
bool holdsOnlyNameAndText(const QVariantMap &node)
{
    for (auto it = node.keyBegin(); it != node.keyEnd(); ++it) {
        if (*it != kNameKey && *it != kTextKey)
            return false;
    }
    return true;
}

} // namespace

XMLDictionaryParser::XMLDictionaryParser(const XMLDictionaryParser &other)
{
    copyOptions(other);
}

XMLDictionaryParser &XMLDictionaryParser::operator=(const XMLDictionaryParser &other)
{
    if (this != &other) {
        copyOptions(other);
        reset();
    }
    return *this;
}

void XMLDictionaryParser::copyOptions(const XMLDictionaryParser &other)
{
    collapseTextNodes_ = other.collapseTextNodes_;
    stripEmptyNodes_ = other.stripEmptyNodes_;
    trimWhiteSpace_ = other.trimWhiteSpace_;
    alwaysUseArrays_ = other.alwaysUseArrays_;
    preserveComments_ = other.preserveComments_;
    wrapRootNode_ = other.wrapRootNode_;
    attributesMode_ = other.attributesMode_;
    nodeNameMode_ = other.nodeNameMode_;
}

XMLDictionaryParser &XMLDictionaryParser::sharedInstance()
{
    static XMLDictionaryParser instance;
    return instance;
}

void XMLDictionaryParser::reset()
{
    stack_.clear();
    root_.reset();
    text_.clear();
    stoppedAtError_ = false;
    errorString_.clear();
    openElementsAtError_.clear();
}

std::optional<QVariantMap> XMLDictionaryParser::dictionaryWithParser(QXmlStreamReader &parser)
{
    reset();
    parser.setNamespaceProcessing(false);
    parser.setEntityExpansionLimit(entityExpansionLimit);
    while (!parser.atEnd()) {
        switch (parser.readNext()) {
        case QXmlStreamReader::StartElement:
            if (stack_.size() >= maximumDepth) {
                parser.raiseError(QStringLiteral("Elements nested too deeply"));
                break;
            }
            parserDidStartElement(parser.qualifiedName().toString(), parser.attributes());
            break;
        case QXmlStreamReader::EndElement:
            parserDidEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (parser.isCDATA())
                parserFoundCDATA(parser.text().toUtf8());
            else
                parserFoundCharacters(parser.text());
            break;
        case QXmlStreamReader::Comment:
            parserFoundComment(parser.text());
            break;
        default:
            break;
        }
    }
    if (parser.hasError())
        finishAtError(parser.errorString());
    return takeResult();
}

std::optional<QVariantMap> XMLDictionaryParser::dictionaryWithData(const QByteArray &data)
{
    QXmlStreamReader parser(data);
    return dictionaryWithParser(parser);
}

std::optional<QVariantMap> XMLDictionaryParser::dictionaryWithString(const QString &string)
{
    return dictionaryWithData(string.toUtf8());
}

std::optional<QVariantMap> XMLDictionaryParser::dictionaryWithFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return dictionaryWithData(file.readAll());
}

std::optional<QVariantMap> XMLDictionaryParser::takeResult()
{
    std::optional<QVariantMap> result = std::move(root_);
    root_.reset();
    stack_.clear();
    text_.clear();
    return result;
}

void XMLDictionaryParser::flushText()
{
    if (text_.isEmpty() || stack_.isEmpty()) {
        text_.clear();
        return;
    }
    const QStringView run = trimWhiteSpace_ ? trimmed(text_) : QStringView(text_);
    if (!run.isEmpty()) {
        QVariantMap &node = stack_.last().node;
        auto existing = node.find(kTextKey);
        if (existing == node.end()) {
            node.insert(kTextKey, run.toString());
        } else if (existing->typeId() == QMetaType::QVariantList) {
            QVariantList list = existing->toList();
            list.append(run.toString());
            *existing = list;
        } else {
            *existing = QVariantList {*existing, run.toString()};
        }
    }
    text_.clear();
}

void XMLDictionaryParser::insertIntoTop(const QString &name, const QVariant &value)
{
    QVariantMap &parent = stack_.last().node;
    auto existing = parent.find(name);
    if (existing == parent.end()) {
        parent.insert(name, alwaysUseArrays_ ? QVariant(QVariantList {value}) : value);
    } else if (existing->typeId() == QMetaType::QVariantList) {
        // Appending to the list in place avoids copying it for every sibling.
        QVariantList *list = static_cast<QVariantList *>(existing->data());
        list->append(value);
    } else {
        *existing = QVariantList {*existing, value};
    }
}

void XMLDictionaryParser::parserDidStartElement(
    const QString &elementName, const QXmlStreamAttributes &attributes)
{
    flushText();
    OpenNode open {elementName, {}};
    const bool isRoot = !root_ && stack_.isEmpty();
    if (nodeNameMode_ == XMLDictionaryNodeNameModeAlways
        || (nodeNameMode_ == XMLDictionaryNodeNameModeRootOnly && isRoot))
        open.node.insert(kNameKey, elementName);
    if (!attributes.isEmpty()) {
        if (attributesMode_ == XMLDictionaryAttributesModePrefixed) {
            for (const QXmlStreamAttribute &attribute : attributes)
                open.node.insert(
                    QLatin1Char('_') + attribute.qualifiedName(), attribute.value().toString());
        } else if (attributesMode_ == XMLDictionaryAttributesModeDictionary) {
            QVariantMap map;
            for (const QXmlStreamAttribute &attribute : attributes)
                map.insert(attribute.qualifiedName().toString(), attribute.value().toString());
            open.node.insert(kAttributesKey, map);
        } else if (attributesMode_ == XMLDictionaryAttributesModeUnprefixed) {
            for (const QXmlStreamAttribute &attribute : attributes)
                open.node.insert(
                    attribute.qualifiedName().toString(), attribute.value().toString());
        }
    }
    stack_.append(std::move(open));
}

void XMLDictionaryParser::parserDidEndElement()
{
    flushText();
    if (stack_.isEmpty())
        return;
    OpenNode closed = stack_.takeLast();
    if (stack_.isEmpty()) {
        if (wrapRootNode_)
            root_ = QVariantMap {{closed.name, closed.node}};
        else
            root_ = std::move(closed.node);
        return;
    }
    if (holdsOnlyNameAndText(closed.node)) {
        const bool hasText = closed.node.contains(kTextKey);
        if (hasText && collapseTextNodes_) {
            insertIntoTop(closed.name, XMLDictionary::innerText(closed.node));
            return;
        }
        if (!hasText && stripEmptyNodes_) {
            // Removing the node leaves what inserting and then removing it
            // would: a list where a list was or would have been made.
            QVariantMap &parent = stack_.last().node;
            auto existing = parent.find(closed.name);
            if (existing == parent.end()) {
                if (alwaysUseArrays_)
                    parent.insert(closed.name, QVariantList());
            } else if (existing->typeId() != QMetaType::QVariantList) {
                *existing = QVariantList {*existing};
            }
            return;
        }
        if (!hasText)
            closed.node.insert(kTextKey, QString(QLatin1String("")));
    }
    insertIntoTop(closed.name, closed.node);
}

void XMLDictionaryParser::parserFoundCharacters(QStringView string)
{
    text_.append(string);
}

void XMLDictionaryParser::parserFoundCDATA(const QByteArray &block)
{
    text_.append(QString::fromUtf8(block));
}

void XMLDictionaryParser::parserFoundComment(QStringView comment)
{
    if (!preserveComments_ || stack_.isEmpty())
        return;
    QVariantMap &node = stack_.last().node;
    QVariantList comments = node.value(kCommentsKey).toList();
    comments.append(comment.toString());
    node.insert(kCommentsKey, comments);
}

void XMLDictionaryParser::finishAtError(const QString &message)
{
    stoppedAtError_ = true;
    errorString_ = message;
    for (const OpenNode &open : std::as_const(stack_))
        openElementsAtError_.append(open.name);
    // What was built stays, as it stood: open elements hang in their parents
    // uncollapsed, and text not yet ended by an element boundary is dropped.
    text_.clear();
    while (!stack_.isEmpty()) {
        OpenNode open = stack_.takeLast();
        if (stack_.isEmpty()) {
            if (wrapRootNode_)
                root_ = QVariantMap {{open.name, open.node}};
            else
                root_ = std::move(open.node);
        } else {
            insertIntoTop(open.name, open.node);
        }
    }
}

QString XMLDictionaryParser::XMLStringForNode(const QVariant &node, const QString &nodeName)
{
    return XMLDictionary::XMLStringForNode(node, nodeName);
}
