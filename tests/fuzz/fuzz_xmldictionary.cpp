#include "net/XMLDictionary.h"
#include "net/XMLDictionaryParser.h"
#include "platform/Log.h"

#include <cstddef>
#include <cstdint>

// The last byte picks the parser options and the whole input is the document
// (a trailing byte after the root is harmless), so real pages seed it as they
// are. Every result is also walked through the node views and written out.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = [] {
        setLogSink([](const QString &) {});
        return true;
    }();
    (void)quiet;
    if (size == 0)
        return 0;
    const uint8_t options = data[size - 1];
    XMLDictionaryParser parser;
    parser.setCollapseTextNodes(options & 1);
    parser.setStripEmptyNodes(options & 2);
    parser.setTrimWhiteSpace(options & 4);
    parser.setAlwaysUseArrays(options & 8);
    parser.setPreserveComments(options & 16);
    parser.setWrapRootNode(options & 32);
    parser.setAttributesMode((options >> 6) & 3);
    parser.setNodeNameMode((options >> 5) & 3);
    const auto result = parser.dictionaryWithData(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (result) {
        (void)XMLDictionary::XMLString(*result);
        (void)XMLDictionary::attributes(*result);
        (void)XMLDictionary::childNodes(*result);
        (void)XMLDictionary::innerText(*result);
        (void)XMLDictionary::stringValueForKeyPath(*result, u"entry.content.__text");
        (void)XMLDictionary::arrayValueForKeyPath(*result, u"entry");
        (void)XMLDictionary::dictionaryValueForKeyPath(*result, u"entry.author");
    }
    return 0;
}
