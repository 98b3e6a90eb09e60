#pragma once

#include <QByteArray>
#include <QList>
#include <QVariantMap>

#include <optional>

// Decodes one page of the store's customer-review feed into feed records:
// flat dictionaries of texts under "title", "text", "reviewer", "version",
// "rating", "voteSum", "voteCount", "identifier" and, when the page gives the
// review's date, "updated". Entries are chosen by content: an entry without a
// required field is skipped, which is also how the product's own entry at the
// top of a page falls out. No value is converted; dates stay ISO 8601 texts.
// Both decoders are pure functions of the bytes, so the store client can run
// them anywhere.
class ReviewFeedDecoder {
public:
    using FeedRecords = QList<QVariantMap>;

    // nullopt and an empty list both mean "no reviews on this page".
    static std::optional<FeedRecords> xmlDataToReviewsArray(const QByteArray &data);
    static std::optional<FeedRecords> jsonDataToReviewsArray(const QByteArray &data);
};
