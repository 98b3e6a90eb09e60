#pragma once

#include "cli/OutputTable.h"

#include <QHash>

#include <memory>

class Product;
class Rating;
class RatingSnapshot;
class Review;
class ReviewGap;
class ReviewVersion;

// The fields the command-line companion writes for products, reviews,
// ratings and gaps, in their order.
namespace RecordTables {

// Earlier versions of edited reviews by the review's row id, oldest first.
using EarlierVersions = QHash<qint64, QList<std::shared_ptr<ReviewVersion>>>;

OutputTable products(const QList<std::shared_ptr<Product>> &products);
// With `translatedInto`, title and text are those of the stored translation
// into that language where one is shown. `edited` and `previousRating` come
// from `earlier`; with `listEarlier`, a last column holds the earlier
// versions themselves.
OutputTable reviews(const QList<std::shared_ptr<Review>> &reviews,
    const EarlierVersions &earlier = {}, const QString &translatedInto = {},
    bool listEarlier = false);
OutputTable ratings(const QList<std::shared_ptr<Rating>> &ratings);
// The day as YYYY-MM-DD (UTC).
OutputTable ratingHistory(const QList<std::shared_ptr<RatingSnapshot>> &snapshots);
OutputTable gaps(const QList<std::shared_ptr<ReviewGap>> &gaps);

// "ios", "mac", "book" or "podcast".
QString kindOfProduct(const Product &product);
// The kind of a store result, in the same words.
QString kindOfResult(const QString &storeKind, const QString &wrapperType);

} // namespace RecordTables
