#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QVariantMap>

class Product;

// What a store lookup answer (or a search result, which has the same fields)
// changes in a product.
enum class LookupScope {
    // Another country's store: only the current release can move.
    Release,
    // The product's own store: its title and the answer itself are kept too.
    Product,
};

// Applies `result` to `product`. The current release date and version move
// forward only: a valid date later than the stored one (or the first valid
// one) replaces it, with its version; an invalid, missing or older date never
// erases or rewinds them, since the stores of some countries lag behind a
// release. `dateUpdated` becomes `now` when anything changed. Answers whether
// anything did.
bool applyStoreLookup(
    Product &product, const QJsonObject &result, LookupScope scope, const QDateTime &now);
bool applyStoreLookup(
    Product &product, const QVariantMap &result, LookupScope scope, const QDateTime &now);
