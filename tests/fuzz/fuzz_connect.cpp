#include "net/AppStoreConnectDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// App Store Connect answers: review pages with included replies, the other
// lists, a created reply, error bodies and the rate-limit header.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto page = AppStoreConnectDecoder::reviewPage(input)) {
        for (const AppStoreConnectReview &review : page->items) {
            // Only rated reviews with an identifier come through, and a
            // reply only with its identifier and text.
            if (review.identifier.isEmpty() || review.rating < 1 || review.rating > 5)
                std::abort();
            if (review.reply
                && (review.reply->identifier.isEmpty() || review.reply->body.isEmpty()))
                std::abort();
        }
        if (!page->next.isEmpty() && page->next.scheme() != "https"
            && page->next.scheme() != "http")
            std::abort();
    }
    (void)AppStoreConnectDecoder::appPage(input);
    (void)AppStoreConnectDecoder::versionPage(input);
    (void)AppStoreConnectDecoder::reply(input);
    (void)AppStoreConnectDecoder::errorMessage(input);
    const AppStoreConnectRateLimit limit = AppStoreConnectDecoder::rateLimit(input);
    if (limit.remaining < -1 || limit.hourlyLimit < -1)
        std::abort();
    return 0;
}
