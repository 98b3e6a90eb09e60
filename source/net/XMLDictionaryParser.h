#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QXmlStreamAttributes>

#include <optional>

class QXmlStreamReader;

// Turns an XML document into nested dictionaries (QVariantMap), lists
// (QVariantList) and texts (QString). Element names are kept as written,
// prefix included ("im:rating"); namespaces are not processed. A parser holds
// the state of one parse; a copy takes over the options only, which is how the
// shared instance serves every thread (see XMLDictionary).
class XMLDictionaryParser {
public:
    enum AttributesMode : qint64 {
        XMLDictionaryAttributesModePrefixed = 0,
        XMLDictionaryAttributesModeDictionary = 1,
        XMLDictionaryAttributesModeUnprefixed = 2,
        XMLDictionaryAttributesModeDiscard = 3,
    };
    enum NodeNameMode : qint64 {
        XMLDictionaryNodeNameModeRootOnly = 0,
        XMLDictionaryNodeNameModeAlways = 1,
        XMLDictionaryNodeNameModeNever = 2,
    };

    // Documents nested deeper than this stop the parse like a syntax error:
    // nothing downstream needs them and they would exhaust the stack later.
    static constexpr int maximumDepth = 256;
    // Characters one entity reference may expand into (internal DTD entities).
    static constexpr int entityExpansionLimit = 4096;

    XMLDictionaryParser() = default;
    XMLDictionaryParser(const XMLDictionaryParser &other);
    XMLDictionaryParser &operator=(const XMLDictionaryParser &other);

    // The process-wide parser with the default options. Its options may be
    // changed (before parses start on other threads); every parse of
    // XMLDictionary works on a fresh copy of it.
    static XMLDictionaryParser &sharedInstance();

    std::optional<QVariantMap> dictionaryWithParser(QXmlStreamReader &parser);
    std::optional<QVariantMap> dictionaryWithData(const QByteArray &data);
    std::optional<QVariantMap> dictionaryWithString(const QString &string);
    std::optional<QVariantMap> dictionaryWithFile(const QString &path);

    static QString XMLStringForNode(const QVariant &node, const QString &nodeName);

    // Event handlers, in the order a streaming parser reports them.
    void parserDidStartElement(const QString &elementName, const QXmlStreamAttributes &attributes);
    void parserDidEndElement();
    void parserFoundCharacters(QStringView string);
    void parserFoundCDATA(const QByteArray &block);
    void parserFoundComment(QStringView comment);

    // After a parse that stopped at an error: the error and the names of the
    // elements still open then, outermost first. Empty after a clean parse.
    bool stoppedAtError() const { return stoppedAtError_; }
    QString errorString() const { return errorString_; }
    QStringList openElementsAtError() const { return openElementsAtError_; }

    bool collapseTextNodes() const { return collapseTextNodes_; }
    void setCollapseTextNodes(bool on) { collapseTextNodes_ = on; }
    bool stripEmptyNodes() const { return stripEmptyNodes_; }
    void setStripEmptyNodes(bool on) { stripEmptyNodes_ = on; }
    bool trimWhiteSpace() const { return trimWhiteSpace_; }
    void setTrimWhiteSpace(bool on) { trimWhiteSpace_ = on; }
    bool alwaysUseArrays() const { return alwaysUseArrays_; }
    void setAlwaysUseArrays(bool on) { alwaysUseArrays_ = on; }
    bool preserveComments() const { return preserveComments_; }
    void setPreserveComments(bool on) { preserveComments_ = on; }
    bool wrapRootNode() const { return wrapRootNode_; }
    void setWrapRootNode(bool on) { wrapRootNode_ = on; }
    qint64 attributesMode() const { return attributesMode_; }
    void setAttributesMode(qint64 mode) { attributesMode_ = mode; }
    qint64 nodeNameMode() const { return nodeNameMode_; }
    void setNodeNameMode(qint64 mode) { nodeNameMode_ = mode; }

private:
    struct OpenNode {
        QString name;
        QVariantMap node;
    };

    void copyOptions(const XMLDictionaryParser &other);
    void reset();
    void flushText();
    void insertIntoTop(const QString &name, const QVariant &value);
    void finishAtError(const QString &message);
    std::optional<QVariantMap> takeResult();

    bool collapseTextNodes_ = true;
    bool stripEmptyNodes_ = true;
    bool trimWhiteSpace_ = true;
    bool alwaysUseArrays_ = false;
    bool preserveComments_ = false;
    bool wrapRootNode_ = false;
    qint64 attributesMode_ = XMLDictionaryAttributesModePrefixed;
    qint64 nodeNameMode_ = XMLDictionaryNodeNameModeRootOnly;

    // Open elements are kept by value and inserted into their parent when
    // they end, once it is known whether they collapse or vanish.
    QList<OpenNode> stack_;
    std::optional<QVariantMap> root_;
    QString text_;
    bool stoppedAtError_ = false;
    QString errorString_;
    QStringList openElementsAtError_;
};
