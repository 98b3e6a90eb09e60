#pragma once

#include "model/Review.h"

#include <memory>

class ManagedObjectContext;
class Product;

// Inserts a review as a source first shows it, with its original content in
// the same save, so that no stored review is ever without its text. An
// invalid date in `shown` stands for "not given": the review then carries
// `now` and is not complete. The feed's merge and App Store Connect's share it.
std::shared_ptr<Review> insertReview(ManagedObjectContext &context,
    const std::shared_ptr<Product> &product, const QString &identifier, const QString &countryCode,
    const QString &reviewer, const ReviewEdit &shown, const QDateTime &now);
