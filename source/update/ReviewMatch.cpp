#include "update/ReviewMatch.h"

#include "model/Review.h"
#include "model/ReviewContent.h"

#include <cmath>

namespace {

constexpr qint64 secondsInADay = 24 * 60 * 60;

QString withoutSpace(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace())
            result.append(c);
    return result;
}

} // namespace

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
    if (a.date.isValid() && b.date.isValid() && std::llabs(a.date.secsTo(b.date)) > secondsInADay)
        return false;
    return withoutSpace(a.title) == withoutSpace(b.title)
        && withoutSpace(a.text) == withoutSpace(b.text);
}
