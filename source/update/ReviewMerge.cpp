// The merge of one product-country answer into the private review context.
#include "update/ReviewImporter.h"

#include "forward/ForwardQueue.h"
#include "model/Product.h"
#include "model/Review.h"
#include "net/Downloader.h"
#include "net/ISO8601DateFormatter.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/NewReview.h"
#include "update/ReviewMatch.h"

#include <utility>

namespace {

const QString kIdentifierKey = QStringLiteral("identifier");
const QString kUpdated = QStringLiteral("updated");

// Vote figures of 0 mean "not given" in the feed and never overwrite.
void storeVotes(Review &review, const QVariantMap &record)
{
    const qint64 sum = record.value(QStringLiteral("voteSum")).toLongLong();
    if (sum > 0)
        review.setVoteSum(sum);
    const qint64 count = record.value(QStringLiteral("voteCount")).toLongLong();
    if (count > 0)
        review.setVoteCount(count);
}

ReviewEdit editOf(const QVariantMap &record)
{
    ReviewEdit edit;
    const double rating = record.value(QStringLiteral("rating")).toDouble();
    if (rating > 0)
        edit.rating = rating;
    edit.title = record.value(QStringLiteral("title")).toString();
    edit.text = record.value(QStringLiteral("text")).toString();
    edit.version = record.value(QStringLiteral("version")).toString();
    edit.dateReviewed = ReviewImporter::reviewedDate(record);
    return edit;
}

// A known review takes the feed's date when it had none, and its votes. One
// its author changed keeps what it showed before as an earlier version and
// shows the store's current text (`edit`, read from `record`); answers
// whether that happened.
bool completeStored(
    Review &review, const QVariantMap &record, const ReviewEdit &edit, const QDateTime &now)
{
    const bool edited = review.isChangedBy(edit);
    if (edited)
        review.replaceWith(edit, now);
    if (!review.completed().value_or(false) && edit.dateReviewed.isValid()) {
        review.setDateReviewed(edit.dateReviewed);
        review.setCompleted(true);
    }
    storeVotes(review, record);
    review.setDateUpdated(now);
    return edited;
}

std::shared_ptr<Review> insertFeedReview(ManagedObjectContext &context,
    const std::shared_ptr<Product> &product, const QString &countryCode, const QVariantMap &record,
    const ReviewEdit &shown, const QDateTime &now)
{
    auto review = insertReview(context, product, record.value(kIdentifierKey).toString(),
        countryCode, record.value(QStringLiteral("reviewer")).toString(), shown, now);
    storeVotes(*review, record);
    return review;
}

// Reviews App Store Connect gave first that a record of the feed is, by
// content: they take the feed's identifier from now on, so that the review
// is kept once and the feed finds it directly next time.
void adoptConnectReviews(ManagedObjectContext &context, const ObjectID &productId,
    const QString &countryCode, const QList<QVariantMap> &records,
    QHash<QString, std::shared_ptr<Review>> &byIdentifier, Error *error)
{
    QList<const QVariantMap *> unknown;
    QVariantList reviewers;
    for (const QVariantMap &record : records) {
        const QString identifier = record.value(kIdentifierKey).toString();
        if (!identifier.isEmpty() && !byIdentifier.contains(identifier)) {
            unknown << &record;
            reviewers << record.value(QStringLiteral("reviewer")).toString();
        }
    }
    if (unknown.isEmpty())
        return;
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = Predicate::format(
        QStringLiteral("product == %@ AND countryCode ==[c] %@ AND connectIdentifier != nil AND "
                       "reviewer IN %@"),
        productId, countryCode, reviewers);
    QList<std::shared_ptr<Review>> candidates;
    for (const auto &review : context.fetch<Review>(request, error))
        if (review->identifier() == review->connectIdentifier())
            candidates << review;
    for (const QVariantMap *record : std::as_const(unknown)) {
        const ReviewEdit edit = editOf(*record);
        const ReviewFace face {countryCode, record->value(QStringLiteral("reviewer")).toString(),
            edit.rating, edit.title, edit.text, edit.dateReviewed};
        for (qsizetype i = 0; i < candidates.size(); ++i) {
            if (isSameReview(ReviewFace::of(*candidates[i]), face)) {
                const QString identifier = record->value(kIdentifierKey).toString();
                candidates[i]->setIdentifier(identifier);
                byIdentifier.insert(identifier, candidates.takeAt(i));
                break;
            }
        }
    }
}

Error productMissing(const std::shared_ptr<Product> &product)
{
    return Error::storeError(localized("ReviewImporter", "The reviews could not be stored."),
        product ? localized("ReviewImporter", "The review store is not available.")
                : localized("ReviewImporter", "The product is no longer in the store."));
}

} // namespace

QDateTime ReviewImporter::reviewedDate(const QVariantMap &record)
{
    const QString text = record.value(kUpdated).toString();
    if (text.isEmpty())
        return {};
    return Downloader::isoDateFormatter().dateFromString(text);
}

void ReviewImporter::importReviewsFromDictionaries(const QList<QVariantMap> &records,
    const std::shared_ptr<Product> &product, const QString &countryCode,
    ImportCompletion completion)
{
    ManagedObjectContext *context = privateManagedObjectContext();
    if (!context || !product) {
        safeDispatchImportCompletion(std::move(completion), {}, productMissing(product));
        return;
    }
    // Only plain values cross to the worker thread.
    const ObjectID productId = product->objectID();
    const QDateTime now = Clock::shared().now();
    context->perform([this, context, productId, records, countryCode, now,
                         completion = std::move(completion)]() mutable {
        // A product the store cannot give (its own save failed, or no
        // connection) is a failed merge: the answer is not stored, so the
        // product must not be marked current.
        Error error;
        auto mine = std::dynamic_pointer_cast<Product>(context->existingObject(productId, &error));
        if (!mine || mine->uuid().isEmpty()) {
            safeDispatchImportCompletion(
                std::move(completion), {}, error.isError() ? error : productMissing(nullptr));
            return;
        }
        QVariantList identifiers;
        identifiers.reserve(records.size());
        for (const QVariantMap &record : records) {
            const QString identifier = record.value(kIdentifierKey).toString();
            if (!identifier.isEmpty())
                identifiers << identifier;
        }
        FetchRequest request(QStringLiteral("Review"));
        request.predicate = Predicate::format(
            QStringLiteral("product == %@ AND countryCode ==[c] %@ AND identifier IN %@"),
            productId, countryCode, identifiers);
        const auto existing = context->fetch<Review>(request, &error);
        if (error.isError()) {
            safeDispatchImportCompletion(std::move(completion), {}, error);
            return;
        }
        QHash<QString, std::shared_ptr<Review>> byIdentifier;
        byIdentifier.reserve(existing.size());
        for (const auto &review : existing)
            byIdentifier.insert(review->identifier(), review);
        adoptConnectReviews(*context, productId, countryCode, records, byIdentifier, &error);
        if (error.isError()) {
            safeDispatchImportCompletion(std::move(completion), {}, error);
            return;
        }

        // New and edited reviews go to the forwarding outbox in the same
        // saves; a product's first load is its history, not news.
        ForwardQueue forward(
            *context, mine->identifier(), mine->lastReviewsUpdate().isValid(), &error);
        if (error.isError()) {
            safeDispatchImportCompletion(std::move(completion), {}, error);
            return;
        }

        // Only reviews whose piece was saved count as new or edited.
        ReviewCounts stored;
        ReviewCounts inPiece;
        int unsaved = 0;
        for (const QVariantMap &record : records) {
            const QString identifier = record.value(kIdentifierKey).toString();
            if (identifier.isEmpty())
                continue;
            const ReviewEdit shown = editOf(record);
            if (const auto known = byIdentifier.value(identifier)) {
                if (completeStored(*known, record, shown, now)) {
                    ++inPiece.edited;
                    forward.add(known, shown, true);
                }
            } else {
                // Indexed too, so that an identifier repeated within the answer
                // updates the review just inserted instead of adding a second.
                const auto review =
                    insertFeedReview(*context, mine, countryCode, record, shown, now);
                byIdentifier.insert(identifier, review);
                forward.add(review, shown, false);
                ++inPiece.added;
            }
            // Saving in pieces keeps each hand-over to the main thread short.
            if (++unsaved == mergeBatchSize) {
                unsaved = 0;
                if (!saveMerge(*context, &error))
                    break;
                stored += std::exchange(inPiece, {});
            }
        }
        if (!error.isError() && saveMerge(*context, &error))
            stored += inPiece;
        // What could not be stored is dropped, not left for another merge to
        // write uncounted: the product stays unfinished, and the next update
        // asks for those reviews again.
        if (error.isError())
            context->rollback();
        saveMainContextLater();
        safeDispatchImportCompletion(std::move(completion), stored, error);
    });
}
