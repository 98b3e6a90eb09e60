#include "Log.h"
#include "XMLDictionary.h"
#include "XMLDictionaryParser.h"

#include <cstddef>
#include <cstdint>

// The first byte picks the parser options, the rest is the document. Every
// result is also walked through the node views and written back out.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = [] {
        setLogSink([](const QString &) {});
        return true;
    }();
    (void)quiet;
    if (size == 0)
        return 0;
    const uint8_t options = data[0];
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
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)));
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
