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
    const auto records = ReviewFeedDecoder::jsonDataToReviewsArray(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (records) {
        // Eight keys, or nine with a date; all of them texts.
        for (const QVariantMap &record : *records) {
            if (record.size() != 8 && !(record.size() == 9 && record.contains("updated")))
                std::abort();
            for (const QVariant &value : record) {
                if (value.typeId() != QMetaType::QString)
                    std::abort();
            }
        }
    }
    return 0;
}
