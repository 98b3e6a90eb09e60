#include "catalog/ReviewFilter.h"

#include "model/App.h"
#include "model/Product.h"
#include "model/Review.h"
#include "platform/store/ManagedObjectContext.h"

namespace {

bool isChosen(const QString &value)
{
    return !Product::filterValue(value).isNull();
}

} // namespace

ReviewFilter::ReviewFilter(ManagedObjectContext &context)
    : context_(context), sortDescriptors_ {{QStringLiteral("dateReviewed"), false}}
{
}

std::optional<Predicate> ReviewFilter::reviewRatingsPredicateForProduct(const Product &product)
{
    QList<Predicate> parts;
    if (isChosen(product.selectedVersion()))
        parts << Predicate::format(QStringLiteral("version == %@"), product.selectedVersion());
    if (isChosen(product.selectedCountryCode()))
        parts << Predicate::format(
            QStringLiteral("countryCode == %@"), product.selectedCountryCode());
    if (parts.isEmpty())
        return std::nullopt;
    return Predicate::andPredicates(parts);
}

std::optional<Predicate> ReviewFilter::searchPredicate(const QString &text, bool narrowed)
{
    if (text.isEmpty())
        return std::nullopt;
    if (narrowed)
        return Predicate::format(
            QStringLiteral("displayTitle CONTAINS[c] %@ OR reviewer CONTAINS[c] %@"), text, text);
    return Predicate::format(QStringLiteral("displayTitle CONTAINS[c] %@ OR reviewer CONTAINS[c] "
                                            "%@ OR version LIKE %@ OR localizedCountryName "
                                            "BEGINSWITH[c] %@"),
        text, text, text, text);
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

bool ReviewFilter::rebuildFilter()
{
    // The filter is a function of these; comparing them stands in for
    // comparing predicates.
    QStringList inputs;
    reviewRatingsPredicate_.reset();
    if (product_) {
        reviewRatingsPredicate_ = reviewRatingsPredicateForProduct(*product_);
        inputs << product_->selectedVersion() << product_->selectedCountryCode();
    }
    inputs << QString::number(reviewRatingsPredicate_.has_value()) << searchText_;
    searchPredicate_ = searchPredicate(searchText_, reviewRatingsPredicate_.has_value());

    if (reviewRatingsPredicate_ && searchPredicate_)
        filterPredicate_ = Predicate::andPredicates({*reviewRatingsPredicate_, *searchPredicate_});
    else if (reviewRatingsPredicate_)
        filterPredicate_ = reviewRatingsPredicate_;
    else
        filterPredicate_ = searchPredicate_;

    const bool changed = inputs != filterInputs_;
    filterInputs_ = inputs;
    return changed;
}

QList<std::shared_ptr<Review>> ReviewFilter::reviews(Error *error) const
{
    if (!product_)
        return {};
    // The stored keys go to SQL; the search may name localizedCountryName,
    // which exists only in memory, so it runs over the product's rows only.
    FetchRequest request(QStringLiteral("Review"));
    QList<Predicate> stored {Predicate::format(QStringLiteral("product == %@"), product_)};
    if (reviewRatingsPredicate_)
        stored << *reviewRatingsPredicate_;
    request.predicate = Predicate::andPredicates(stored);
    request.sortDescriptors = sortDescriptors_;
    QList<std::shared_ptr<Review>> list = context_.fetch<Review>(request, error);
    if (searchPredicate_) {
        list.removeIf([this](const std::shared_ptr<Review> &review) {
            return !searchPredicate_->evaluate(*review);
        });
    }
    return list;
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
