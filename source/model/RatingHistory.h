#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ManagedObjectContext;
class ManagedObjectModel;
class Product;

// A product's ratings over time, read from its snapshots for a chart: per
// day the rating count summed over the countries asked for and the average
// weighted by those counts, and the days a version first showed up.
struct RatingHistory {
    struct Day {
        QDateTime day; // midnight UTC
        qint64 ratingCount = 0;
        std::optional<double> averageRating; // none when no country had one
    };
    struct Release {
        QDateTime day;
        QString version;
    };
    QList<Day> days; // oldest first
    QList<Release> releases; // oldest first; the first version seen is none

    // What a load reads, as plain values, so that it can run on any thread.
    struct Query {
        QString storePath;
        std::shared_ptr<const ManagedObjectModel> model;
        qint64 productRow = 0;
        std::optional<QString> countryCode; // none for all; matched regardless of case

        // The product's store; null when it has none. Main thread.
        static std::optional<Query> forProduct(
            const Product &product, const std::optional<QString> &countryCode = std::nullopt);
    };

    // One aggregate query over committed snapshots, all countries or the one
    // asked for, on a read connection of its own. Null, with the error
    // logged, when the store cannot be read.
    static std::optional<RatingHistory> load(const Query &query);
    // The codes of the countries the product has snapshots in, sorted.
    static std::optional<QStringList> countries(
        ManagedObjectContext *context, const Product *product);
};
