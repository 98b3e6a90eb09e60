// The merge of one country's lookup answer into the private ratings context.
#include "update/RatingsImporter.h"

#include "model/Product.h"
#include "model/Rating.h"
#include "model/RatingSnapshot.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"
#include "update/StoreLookup.h"

#include <QJsonValue>

namespace {

// "trackId" arrives as a number, sometimes as text. Read as an integer: a
// double loses digits of large identifiers. A fraction is no identifier.
QString trackIdentifier(const QJsonValue &value)
{
    if (value.isDouble()) {
        const qint64 identifier = value.toInteger(-1);
        return identifier >= 0 ? QString::number(identifier) : QString();
    }
    if (value.isString() && !value.toString().isEmpty())
        return value.toString();
    return {};
}

std::optional<double> optionalNumber(const QJsonObject &record, const QString &key)
{
    const QJsonValue value = record.value(key);
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

qint64 integer(const QJsonObject &record, const QString &key)
{
    const QJsonValue value = record.value(key);
    if (value.isString())
        return value.toString().toLongLong();
    return qint64(value.toDouble());
}

// By how much a stored count moves when it becomes `value`.
qint64 countChange(std::optional<qint64> stored, qint64 value)
{
    return stored == value ? 0 : value - stored.value_or(0);
}

// Writes the day's snapshot of one product in one country. Values equal to
// those stored change nothing, so an unchanged answer writes nothing.
void storeSnapshot(RatingSnapshot &snapshot, const QJsonObject &record, qint64 count,
    qint64 countForVersion, const QString &version)
{
    snapshot.setRatingCount(count);
    snapshot.setAverageRating(optionalNumber(record, QStringLiteral("averageUserRating")));
    snapshot.setRatingCountForCurrentVersion(countForVersion);
    snapshot.setAverageRatingForCurrentVersion(
        optionalNumber(record, QStringLiteral("averageUserRatingForCurrentVersion")));
    snapshot.setCurrentVersion(version);
}

} // namespace

void RatingsImporter::importRatingsFromDictionaries(const QList<QJsonObject> &records,
    const ProductsByIdentifier &products, const QString &countryCode, ImportCompletion completion)
{
    ManagedObjectContext *context = privateManagedObjectContext();
    if (!context) {
        if (completion)
            dispatchMain([completion = std::move(completion)] { completion(0, {}); });
        return;
    }
    const QDateTime now = Clock::shared().now();
    context->perform([this, context, records, products, countryCode, now,
                         completion = std::move(completion)]() mutable {
        // The records this answer concerns, then all their stored ratings in
        // this country with one fetch.
        struct Entry {
            const QJsonObject *record;
            std::shared_ptr<Product> product;
        };
        std::vector<Entry> entries;
        entries.reserve(size_t(records.size()));
        QVariantList productIds;
        for (const QJsonObject &record : records) {
            const QString identifier = trackIdentifier(record.value(QStringLiteral("trackId")));
            if (identifier.isEmpty()) {
                logLine(QStringLiteral("Invalid trackId"));
                continue;
            }
            const auto id = products.constFind(identifier);
            if (id == products.cend())
                continue;
            auto product = std::dynamic_pointer_cast<Product>(context->existingObject(*id));
            if (!product || product->uuid().isEmpty())
                continue;
            entries.push_back({&record, product});
            productIds << QVariant::fromValue(*id);
        }
        QHash<qint64, std::shared_ptr<Rating>> ratingByProduct;
        bool ratingsFetched = true;
        if (!productIds.isEmpty()) {
            FetchRequest request(QStringLiteral("Rating"));
            request.predicate = Predicate::format(
                QStringLiteral("product IN %@ AND countryCode ==[c] %@"), productIds, countryCode);
            Error error;
            const auto found = context->fetch<Rating>(request, &error);
            if (error.isError()) {
                logLine(formatString(QStringLiteral("%@"), error.debugDescription()));
                ratingsFetched = false;
            }
            for (const std::shared_ptr<Rating> &rating : found) {
                if (!ratingByProduct.contains(rating->productRowId()))
                    ratingByProduct.insert(rating->productRowId(), rating);
            }
        }
        // The day's snapshots of the same products, with one fetch too.
        const QString snapshotCountry = countryCode.toUpper();
        const QDateTime day = RatingSnapshot::dayOf(now);
        QHash<qint64, std::shared_ptr<RatingSnapshot>> snapshotByProduct;
        if (!productIds.isEmpty() && ratingsFetched) {
            FetchRequest request(QStringLiteral("RatingSnapshot"));
            request.predicate = Predicate::format(
                QStringLiteral("product IN %@ AND countryCode == %@ AND day == %@"), productIds,
                snapshotCountry, day);
            Error error;
            const auto found = context->fetch<RatingSnapshot>(request, &error);
            if (error.isError()) {
                logLine(formatString(QStringLiteral("%@"), error.debugDescription()));
                ratingsFetched = false;
            }
            for (const std::shared_ptr<RatingSnapshot> &snapshot : found)
                snapshotByProduct.insert(snapshot->productRowId(), snapshot);
        }

        qint64 newRatings = 0;
        for (const Entry &entry : entries) {
            const QJsonObject &record = *entry.record;
            Product &product = *entry.product;
            applyStoreLookup(product, record, LookupScope::Release, now);

            const qint64 count = integer(record, QStringLiteral("userRatingCount"));
            const qint64 countForVersion =
                integer(record, QStringLiteral("userRatingCountForCurrentVersion"));
            if (!ratingsFetched || (count < 1 && countForVersion < 1))
                continue;
            // Indexed as it is made, so that a product repeated within the
            // answer updates the same rating.
            std::shared_ptr<Rating> &rating = ratingByProduct[product.objectID().rowId];
            if (!rating) {
                rating = context->insertNewObject<Rating>(QStringLiteral("Rating"));
                rating->setProduct(entry.product);
                rating->setCountryCode(countryCode);
            }
            newRatings += countChange(rating->ratingCountForCurrentVersion(), countForVersion);
            rating->setRatingCountForCurrentVersion(countForVersion);
            rating->setAverageRatingForCurrentVersion(
                optionalNumber(record, QStringLiteral("averageUserRatingForCurrentVersion")));
            newRatings += countChange(rating->ratingCount(), count);
            rating->setRatingCount(count);
            rating->setAverageRating(optionalNumber(record, QStringLiteral("averageUserRating")));
            rating->setDateUpdated(now);

            std::shared_ptr<RatingSnapshot> &snapshot = snapshotByProduct[product.objectID().rowId];
            if (!snapshot) {
                snapshot =
                    context->insertNewObject<RatingSnapshot>(QStringLiteral("RatingSnapshot"));
                snapshot->setProduct(entry.product);
                snapshot->setCountryCode(snapshotCountry);
                snapshot->setDay(day);
            }
            QString version = record.value(QStringLiteral("version")).toString();
            if (version.isEmpty())
                version = product.currentVersion();
            storeSnapshot(*snapshot, record, count, countForVersion, version);
        }
        Error error;
        saveMerge(*context, &error);
        saveMainContextLater();
        if (completion)
            dispatchMain([completion = std::move(completion), newRatings, error] {
                completion(newRatings, error);
            });
    });
}
