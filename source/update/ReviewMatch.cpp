#include "update/ReviewMatch.h"

#include "model/Review.h"
#include "model/ReviewContent.h"

#include <cstdlib>

ReviewFace ReviewFace::of(Review &review)
{
    ReviewFace face {review.countryCode(), review.reviewer(), review.rating(), {}, {},
        review.completed().value_or(false) ? review.dateReviewed() : QDateTime()};
    if (const auto content = review.originalReviewContent()) {
        face.title = content->title();
        face.text = QString::fromUtf8(content->data());
    }
    return face;
}

bool isSameReview(const ReviewFace &a, const ReviewFace &b)
{
    if (a.countryCode.compare(b.countryCode, Qt::CaseInsensitive) != 0
        || a.reviewer.trimmed() != b.reviewer.trimmed() || a.rating != b.rating)
        return false;
    if (a.date.isValid() && b.date.isValid()
        && std::llabs(a.date.secsTo(b.date)) > sameReviewSeconds)
        return false;
    // The two feed formats and App Store Connect render white space alike
    // only up to runs and line breaks.
    return a.title.simplified() == b.title.simplified()
        && a.text.simplified() == b.text.simplified();
}
