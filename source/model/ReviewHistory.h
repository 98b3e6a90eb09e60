#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class ManagedObjectModel;
class Product;

// A product's reviews per week for a chart: per week (from Monday 00:00
// UTC, by the date reviewed) how many reviews gave each star value, and how
// many of those were edited by their authors.
struct ReviewHistory {
    struct Week {
        QDateTime start; // a Monday, midnight UTC
        std::array<qint64, 5> stars {}; // [0] is one star
        qint64 edited = 0; // of the reviews counted in `stars`

        qint64 total() const;
    };
    QList<Week> weeks; // oldest first; weeks without reviews are left out

    // What a load reads, as plain values, so that it can run on any thread.
    struct Query {
        QString storePath;
        std::shared_ptr<const ManagedObjectModel> model;
        qint64 productRow = 0;
        QString version; // null for all
        QString countryCode; // null for all; matched regardless of case

        // The product's store and its review list's version and country
        // choices; null when it has no store. Main thread.
        static std::optional<Query> forProduct(const Product &product);
    };

    // One aggregate query over the committed reviews, on a read connection
    // of its own. Null, with the error logged, when the store cannot be read.
    static std::optional<ReviewHistory> load(const Query &query);

    // The Monday, 00:00 UTC, of the week `date` falls in.
    static QDateTime weekStart(const QDateTime &date);
};
