#pragma once

#include "platform/Error.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Predicate.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ManagedObjectContext;
class Product;
class Review;

// The review list's filter: the version and country chosen for the product
// ("***" for all) and the search text. With neither a version nor a country
// chosen, a search also matches versions as a LIKE pattern and country
// names by their beginning; otherwise it looks at titles and reviewers only.
// Lists the product's reviews through the filter, newest first unless told
// otherwise. Main context, main thread.
class ReviewFilter {
public:
    explicit ReviewFilter(ManagedObjectContext &context);

    // Rebuilds the version/country filter from the product's choices and
    // applies the current search text; a null product clears it.
    void updateReviewRatingsFilterPredicate(const std::shared_ptr<Product> &product);
    // Applies a search text; true when the list filter changed.
    bool searchAction(const QString &text);
    // Keeps only reviews without a reply (the "Unanswered" filter); true
    // when the list filter changed.
    bool setUnansweredOnly(bool unansweredOnly);
    bool unansweredOnly() const { return unansweredOnly_; }

    std::shared_ptr<Product> product() const { return product_; }
    QString searchText() const { return searchText_; }
    // The product's reviews that the list shows (StoreQueries::reviewFilter);
    // nullopt without a product.
    const std::optional<Predicate> &filterPredicate() const { return filterPredicate_; }

    // The default order is "dateReviewed" descending.
    void setSortDescriptors(const QList<SortDescriptor> &order) { sortDescriptors_ = order; }
    const QList<SortDescriptor> &sortDescriptors() const { return sortDescriptors_; }

    // The product's reviews that pass the filter, in the list's order.
    QList<std::shared_ptr<Review>> reviews(Error *error = nullptr) const;

    // --- The two filter menus --------------------------------------------------

    // Distinct versions of the product's reviews, as text, descending.
    QStringList versionsForProduct(const Product &product) const;
    // Distinct country codes of the product's reviews.
    QStringList countryCodesForProduct(const Product &product) const;
    // Store a choice ("***" for all): a version or country none of the
    // product's reviews has counts as "***". Versions apply to apps only.
    // True when the product's choice changed; the filter is rebuilt then,
    // and the caller saves.
    bool selectVersion(const std::shared_ptr<Product> &product, const QString &version);
    bool selectCountryCode(const std::shared_ptr<Product> &product, const QString &countryCode);

private:
    bool rebuildFilter();
    QStringList distinctValues(const Product &product, const QString &key, bool descending) const;

    ManagedObjectContext &context_;
    std::shared_ptr<Product> product_;
    QString searchText_;
    bool unansweredOnly_ = false;
    std::optional<Predicate> filterPredicate_;
    // What the filter was built from, to tell whether it changed.
    QStringList filterInputs_;
    QList<SortDescriptor> sortDescriptors_;
};
