// The merge of one app's App Store Connect reviews into the private context.
#include "update/AppStoreConnectImporter.h"

#include "forward/ForwardQueue.h"
#include "model/CountryTable.h"
#include "model/Product.h"
#include "model/Review.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/NewReview.h"
#include "update/ReviewMatch.h"

#include <QMultiHash>

#include <mutex>
#include <utility>

namespace {

std::optional<ReviewReply> replyOf(const AppStoreConnectReview &review)
{
    if (!review.reply)
        return std::nullopt;
    return ReviewReply {review.reply->identifier, review.reply->body, review.reply->state,
        review.reply->lastModified};
}

// The store's two-letter code of a territory. One ISO does not know, or the
// country table lacks, is logged once; the review is stored all the same.
QString countryCodeOf(const QString &territory)
{
    static std::mutex mutex;
    static QSet<QString> logged;
    QString code = CountryTable::codeForTerritory(territory);
    const bool known = !code.isEmpty() && !CountryTable::displayName(code).isNull();
    if (code.isEmpty())
        code = territory.toUpper();
    if (!known) {
        std::lock_guard lock(mutex);
        if (!logged.contains(territory)) {
            logged.insert(territory);
            logLine(formatString(QStringLiteral("App Store Connect: territory \"%@\" is not a "
                                                "store country; its reviews are kept as \"%@\"."),
                territory, code));
        }
    }
    return code;
}

QString faceKey(const QString &countryCode, const QString &reviewer)
{
    return countryCode.toUpper() + QLatin1Char('\n') + reviewer.trimmed();
}

} // namespace

void AppStoreConnectImporter::importReviews(const QList<AppStoreConnectReview> &reviews,
    const QHash<QString, QString> &versions, const std::shared_ptr<Product> &product, bool history,
    ImportCompletion completion)
{
    ManagedObjectContext *context = privateManagedObjectContext();
    if (!context || !product) {
        ReviewImporter::safeDispatchImportCompletion(std::move(completion), {},
            Error::storeError(localized("ReviewImporter", "The reviews could not be stored.")));
        return;
    }
    const ObjectID productId = product->objectID();
    const QDateTime now = Clock::shared().now();
    context->perform([this, context, productId, reviews, versions, now, history,
                         completion = std::move(completion)]() mutable {
        Error error;
        auto mine = std::dynamic_pointer_cast<Product>(context->existingObject(productId, &error));
        if (!mine || mine->uuid().isEmpty()) {
            ReviewImporter::safeDispatchImportCompletion(std::move(completion), {},
                error ? error
                      : Error::storeError(
                          localized("ReviewImporter", "The reviews could not be stored."),
                          localized("ReviewImporter", "The product is no longer in the store.")));
            return;
        }
        QVariantList identifiers;
        QDateTime earliest;
        QDateTime latest;
        for (const AppStoreConnectReview &review : reviews) {
            identifiers << review.identifier;
            if (review.created.isValid()) {
                if (!earliest.isValid() || review.created < earliest)
                    earliest = review.created;
                if (!latest.isValid() || review.created > latest)
                    latest = review.created;
            }
        }
        FetchRequest known(QStringLiteral("Review"));
        known.predicate = Predicate::format(
            QStringLiteral("product == %@ AND connectIdentifier IN %@"), productId, identifiers);
        QHash<QString, std::shared_ptr<Review>> byConnect;
        for (const auto &review : context->fetch<Review>(known, &error))
            byConnect.insert(review->connectIdentifier(), review);

        // Feed reviews of the same days that no App Store Connect review
        // claimed yet, by country and reviewer.
        QMultiHash<QString, std::shared_ptr<Review>> feedReviews;
        if (!error && earliest.isValid()) {
            FetchRequest feed(QStringLiteral("Review"));
            feed.predicate = Predicate::format(
                QStringLiteral("product == %@ AND connectIdentifier == nil AND dateReviewed >= %@ "
                               "AND dateReviewed <= %@"),
                productId, earliest.addSecs(-sameReviewSeconds), latest.addSecs(sameReviewSeconds));
            for (const auto &review : context->fetch<Review>(feed, &error))
                feedReviews.insert(faceKey(review->countryCode(), review->reviewer()), review);
        }
        if (error) {
            ReviewImporter::safeDispatchImportCompletion(std::move(completion), {}, error);
            return;
        }

        ForwardQueue forward(*context, mine->identifier(), !history, &error);
        if (error) {
            ReviewImporter::safeDispatchImportCompletion(std::move(completion), {}, error);
            return;
        }

        ReviewCounts stored;
        ReviewCounts inPiece;
        int unsaved = 0;
        for (const AppStoreConnectReview &apiReview : reviews) {
            const QString countryCode = countryCodeOf(apiReview.territory);
            const QString version = versions.value(apiReview.identifier);
            std::shared_ptr<Review> review = byConnect.value(apiReview.identifier);
            if (!review) {
                const ReviewFace face {countryCode, apiReview.reviewerNickname,
                    double(apiReview.rating), apiReview.title, apiReview.body, apiReview.created};
                const QString key = faceKey(countryCode, apiReview.reviewerNickname);
                for (auto it = feedReviews.find(key); it != feedReviews.end() && it.key() == key;
                     ++it) {
                    if (isSameReview(ReviewFace::of(**it), face)) {
                        review = *it;
                        feedReviews.erase(it);
                        break;
                    }
                }
                if (review)
                    review->setConnectIdentifier(apiReview.identifier);
            }
            if (review) {
                // Known: its reply and, where none was known, its version.
                // Edits are the feed's to tell, as it tells them for every review.
                review->setReply(replyOf(apiReview));
                if (review->version().isEmpty() && !version.isEmpty())
                    review->setVersion(version);
            } else {
                const ReviewEdit shown {double(apiReview.rating), apiReview.title,
                    apiReview.body, version, apiReview.created};
                review = insertReview(*context, mine, apiReview.identifier, countryCode,
                    apiReview.reviewerNickname, shown, now);
                review->setConnectIdentifier(apiReview.identifier);
                review->setReply(replyOf(apiReview));
                forward.add(review, shown, false);
                ++inPiece.added;
            }
            byConnect.insert(apiReview.identifier, review);
            if (++unsaved == ReviewImporter::mergeBatchSize) {
                unsaved = 0;
                if (!saveMerge(*context, &error))
                    break;
                stored += std::exchange(inPiece, {});
            }
        }
        if (!error && saveMerge(*context, &error))
            stored += inPiece;
        if (error)
            context->rollback();
        saveMainContextLater();
        ReviewImporter::safeDispatchImportCompletion(std::move(completion), stored, error);
    });
}
