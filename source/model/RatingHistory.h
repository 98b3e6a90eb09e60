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

    // One aggregate query over committed snapshots, all countries or the one
    // given. Null, with the error logged, when the store cannot be read.
    static std::optional<RatingHistory> load(ManagedObjectContext *context, const Product *product,
        const std::optional<QString> &countryCode = std::nullopt);
    // The same from plain values, on any thread.
    static std::optional<RatingHistory> load(const QString &storePath,
        const std::shared_ptr<const ManagedObjectModel> &model, qint64 productRow,
        const std::optional<QString> &countryCode);
    // The codes of the countries the product has snapshots in, sorted.
    static std::optional<QStringList> countries(
        ManagedObjectContext *context, const Product *product);
};
