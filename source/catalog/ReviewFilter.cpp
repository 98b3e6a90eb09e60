#include "catalog/ReviewFilter.h"

#include "model/App.h"
#include "model/Product.h"
#include "model/Review.h"
#include "model/StoreQueries.h"
#include "platform/store/ManagedObjectContext.h"

ReviewFilter::ReviewFilter(ManagedObjectContext &context)
    : context_(context), sortDescriptors_ {{QStringLiteral("dateReviewed"), false}}
{
}

void ReviewFilter::updateReviewRatingsFilterPredicate(const std::shared_ptr<Product> &product)
{
    product_ = product;
    rebuildFilter();
}

bool ReviewFilter::searchAction(const QString &text)
{
    searchText_ = text;
    return rebuildFilter();
}

bool ReviewFilter::setUnansweredOnly(bool unansweredOnly)
{
    unansweredOnly_ = unansweredOnly;
    return rebuildFilter();
}

bool ReviewFilter::rebuildFilter()
{
    // The filter is a function of these; comparing them stands in for
    // comparing predicates.
    QStringList inputs;
    filterPredicate_.reset();
    if (product_) {
        inputs << product_->selectedVersion() << product_->selectedCountryCode();
        filterPredicate_ = StoreQueries::reviewFilter(*product_,
            Product::filterValue(product_->selectedCountryCode()),
            Product::filterValue(product_->selectedVersion()), searchText_);
        if (unansweredOnly_)
            filterPredicate_ =
                Predicate::andPredicates({*filterPredicate_, StoreQueries::unansweredReviews()});
    }
    inputs << searchText_ << (unansweredOnly_ ? QStringLiteral("unanswered") : QString());
    const bool changed = inputs != filterInputs_;
    filterInputs_ = inputs;
    return changed;
}

QList<std::shared_ptr<Review>> ReviewFilter::reviews(Error *error) const
{
    if (!filterPredicate_)
        return {};
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = *filterPredicate_;
    request.sortDescriptors = sortDescriptors_;
    return context_.fetch<Review>(request, error);
}

QStringList ReviewFilter::distinctValues(
    const Product &product, const QString &key, bool descending) const
{
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = Predicate::format(QStringLiteral("product == %@"), &product);
    request.propertiesToFetch = {key};
    request.returnsDistinctResults = true;
    request.sortDescriptors = {{key, !descending}};
    QStringList values;
    for (const QVariantMap &row : context_.executeDictionaryFetch(request)) {
        const QString value = row.value(key).toString();
        if (!value.isEmpty() && !values.contains(value))
            values << value;
    }
    return values;
}

QStringList ReviewFilter::versionsForProduct(const Product &product) const
{
    return distinctValues(product, QStringLiteral("version"), true);
}

QStringList ReviewFilter::countryCodesForProduct(const Product &product) const
{
    return distinctValues(product, QStringLiteral("countryCode"), false);
}

bool ReviewFilter::selectVersion(const std::shared_ptr<Product> &product, const QString &version)
{
    if (!product || !std::dynamic_pointer_cast<App>(product) || version.isEmpty())
        return false;
    const QString value =
        versionsForProduct(*product).contains(version) ? version : Product::allValues;
    if (value == product->selectedVersion())
        return false;
    product->setSelectedVersion(value);
    updateReviewRatingsFilterPredicate(product);
    return true;
}

bool ReviewFilter::selectCountryCode(
    const std::shared_ptr<Product> &product, const QString &countryCode)
{
    if (!product || countryCode.isEmpty())
        return false;
    // A code none of the reviews has would show an empty list: it means all.
    const QString value =
        countryCodesForProduct(*product).contains(countryCode) ? countryCode : Product::allValues;
    if (value == product->selectedCountryCode())
        return false;
    product->setSelectedCountryCode(value);
    updateReviewRatingsFilterPredicate(product);
    return true;
}
