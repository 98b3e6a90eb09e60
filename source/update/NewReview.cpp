#include "update/NewReview.h"

#include "model/ReviewContent.h"
#include "platform/store/ManagedObjectContext.h"

std::shared_ptr<Review> insertReview(ManagedObjectContext &context,
    const std::shared_ptr<Product> &product, const QString &identifier, const QString &countryCode,
    const QString &reviewer, const ReviewEdit &shown, const QDateTime &now)
{
    auto review = context.insertNewObject<Review>(QStringLiteral("Review"));
    review->setProduct(product);
    review->setCountryCode(countryCode);
    review->setIdentifier(identifier);
    review->setReviewer(reviewer);
    review->setVersion(shown.version);
    if (shown.rating)
        review->setRating(shown.rating);
    review->setDateReviewed(shown.dateReviewed.isValid() ? shown.dateReviewed : now);
    review->setCompleted(shown.dateReviewed.isValid());
    const QByteArray data = shown.text.toUtf8();
    auto content = context.insertNewObject<ReviewContent>(QStringLiteral("ReviewContent"));
    content->setReview(review);
    content->setTitle(shown.title);
    content->setData(data);
    review->setDisplay(shown.title, data);
    review->setDateUpdated(now);
    return review;
}
