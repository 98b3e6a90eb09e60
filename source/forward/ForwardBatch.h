#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What one message to a destination carries: reviews of one product, as
// plain values, so that a message is built without the store.
struct ForwardedReview {
    QString identifier;
    QString countryCode; // upper case, as the store names the storefront
    std::optional<double> rating;
    QString title;
    QString text;
    QString reviewer;
    QString version;
    QDateTime dateReviewed;
    bool edited = false;
};

struct ForwardedProduct {
    QString identifier;
    QString title;
    QString kind; // "app", "book" or "podcast"
    QString storeURL; // the product's store page; may be empty
};

struct ForwardBatch {
    ForwardedProduct product;
    QList<ForwardedReview> reviews;
    // Stable across retries of the same batch.
    QString deliveryId;
};
