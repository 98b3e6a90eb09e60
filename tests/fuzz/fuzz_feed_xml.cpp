#include "net/ReviewFeedDecoder.h"
#include "platform/Log.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = [] {
        setLogSink([](const QString &) {});
        return true;
    }();
    (void)quiet;
    const auto records = ReviewFeedDecoder::xmlDataToReviewsArray(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (records) {
        // Every record carries the nine keys, all of them texts.
        for (const QVariantMap &record : *records) {
            if (record.size() != 9)
                std::abort();
            for (const QVariant &value : record) {
                if (value.typeId() != QMetaType::QString)
                    std::abort();
            }
        }
    }
    return 0;
}
