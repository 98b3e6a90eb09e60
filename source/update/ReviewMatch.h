#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

class Review;

// What tells one review from another when two sources give it without a
// shared identifier: the feed and App Store Connect.
struct ReviewFace {
    QString countryCode;
    QString reviewer;
    std::optional<double> rating;
    QString title;
    QString text;
    QDateTime date; // invalid when the source gave none (the JSON feed)

    // The stored review's original content.
    static ReviewFace of(Review &review);
};

// The dates two sources give one review lie this close together.
inline constexpr qint64 sameReviewSeconds = 24 * 60 * 60;

// The same review: country (any case), reviewer, rating, title and text
// (ignoring white space) are equal, and the dates lie within a day of each
// other where both are known.
bool isSameReview(const ReviewFace &a, const ReviewFace &b);
