#pragma once

#include "platform/store/Predicate.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

class App;
class Country;
class ManagedObjectContext;
class Product;

// The fetches several parts share. Each is one read on the given context
// (normally the main one) and changes nothing. A fetch error is logged as
// "Error: %@ (%@)" with the operation's name and gives no list; so does a
// missing context, silently.
namespace StoreQueries {

using Products = QList<std::shared_ptr<Product>>;
using Countries = QList<std::shared_ptr<Country>>;

struct CountryGroup {
    qint64 priority = 0;
    Countries countries;
};

std::optional<Products> allProducts(ManagedObjectContext *context);
// Products whose reviews were last loaded at or before `date`, or never;
// oldest first.
std::optional<Products> productsForReviewsNotUpatedSinceDate(
    ManagedObjectContext *context, const QDateTime &date);
std::optional<Products> productsNeedingReviewsUpate(ManagedObjectContext *context);

// Countries of the regions (all regions when none), highest priority first.
std::optional<Countries> countriesOrderedByPriorityForRegions(
    ManagedObjectContext *context, const std::optional<QStringList> &regions);
// The number of stored countries in one region.
std::optional<qint64> countryCountForRegion(ManagedObjectContext *context, const QString &region);

// The reviews of `product` that a review list shows, as one predicate that
// runs in SQL: those of the chosen version and country (null for all; the
// country in any case) whose title or reviewer contains `searchText`, or,
// while neither a version nor a country is chosen, whose version matches it
// as a LIKE pattern or whose country's name begins with it. The review list,
// the companion's `reviews` command and the star counts all filter by it.
Predicate reviewFilter(const Product &product, const QString &countryCode, const QString &version,
    const QString &searchText = {});

// Reviews without a reply, neither pending nor published: the "Unanswered"
// filter of the list and the companion.
Predicate unansweredReviews();

// {"rating", "total"} per distinct rating, highest first; filters apply when
// the code or version is not null.
std::optional<QList<QVariantMap>> reviewsGroupedByStarsForProduct(ManagedObjectContext *context,
    const Product *product, const QString &countryCode = {}, const QString &version = {});

} // namespace StoreQueries
