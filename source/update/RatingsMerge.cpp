// The merge of one country's lookup answer into the private ratings context.
#include "update/RatingsImporter.h"

#include "model/Product.h"
#include "model/Rating.h"
#include "model/RatingSnapshot.h"
#include "net/Downloader.h"
#include "net/ISO8601DateFormatter.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"

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

QVariant optionalNumber(const QJsonObject &record, const QString &key)
{
    const QJsonValue value = record.value(key);
    return value.isDouble() ? QVariant(value.toDouble()) : QVariant();
}

qint64 integer(const QJsonObject &record, const QString &key)
{
    const QJsonValue value = record.value(key);
    if (value.isString())
        return value.toString().toLongLong();
    return qint64(value.toDouble());
}

void moveReleaseForward(Product &product, const QJsonObject &record, const QDateTime &now)
{
    const QString text = record.value(QStringLiteral("currentVersionReleaseDate")).toString();
    if (text.isEmpty())
        return;
    const QDateTime released = Downloader::isoDateFormatter().dateFromString(text);
    const QDateTime stored = product.currentVersionReleaseDate();
    if (!released.isValid() || !stored.isValid() || released <= stored)
        return;
    product.setValue(QStringLiteral("currentVersionReleaseDate"), released);
    product.setValue(
        QStringLiteral("currentVersion"), record.value(QStringLiteral("version")).toString());
    product.setValue(QStringLiteral("dateUpdated"), now);
}

// Stores a count and returns by how much it moved.
qint64 storeCount(ManagedObject &rating, const QString &key, qint64 value)
{
    const std::optional<qint64> stored = rating.integerValue(key);
    if (stored == value)
        return 0;
    rating.setValue(key, value);
    return value - stored.value_or(0);
}

// Writes the day's snapshot of one product in one country. Values equal to
// those stored change nothing, so an unchanged answer writes nothing.
void storeSnapshot(ManagedObject &snapshot, const QJsonObject &record, qint64 count,
    qint64 countForVersion, const QString &version)
{
    snapshot.setValue(QStringLiteral("ratingCount"), count);
    snapshot.setValue(QStringLiteral("averageRating"),
        optionalNumber(record, QStringLiteral("averageUserRating")));
    snapshot.setValue(QStringLiteral("ratingCountForCurrentVersion"), countForVersion);
    snapshot.setValue(QStringLiteral("averageRatingForCurrentVersion"),
        optionalNumber(record, QStringLiteral("averageUserRatingForCurrentVersion")));
    snapshot.setValue(
        QStringLiteral("currentVersion"), version.isEmpty() ? QVariant() : QVariant(version));
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
        QHash<qint64, ManagedObjectPtr> ratingByProduct;
        bool ratingsFetched = true;
        if (!productIds.isEmpty()) {
            FetchRequest request(QStringLiteral("Rating"));
            request.predicate = Predicate::format(
                QStringLiteral("product IN %@ AND countryCode ==[c] %@"), productIds, countryCode);
            Error error;
            const auto found = context->executeFetchRequest(request, &error);
            if (error.isError()) {
                logLine(formatString(QStringLiteral("%@"), error.debugDescription()));
                ratingsFetched = false;
            }
            for (const ManagedObjectPtr &rating : found) {
                const qint64 product = rating->value(QStringLiteral("product")).toLongLong();
                if (!ratingByProduct.contains(product))
                    ratingByProduct.insert(product, rating);
            }
        }
        // The day's snapshots of the same products, with one fetch too.
        const QString snapshotCountry = countryCode.toUpper();
        const QDateTime day = RatingSnapshot::dayOf(now);
        QHash<qint64, ManagedObjectPtr> snapshotByProduct;
        if (!productIds.isEmpty() && ratingsFetched) {
            FetchRequest request(QStringLiteral("RatingSnapshot"));
            request.predicate = Predicate::format(
                QStringLiteral("product IN %@ AND countryCode == %@ AND day == %@"), productIds,
                snapshotCountry, day);
            Error error;
            const auto found = context->executeFetchRequest(request, &error);
            if (error.isError()) {
                logLine(formatString(QStringLiteral("%@"), error.debugDescription()));
                ratingsFetched = false;
            }
            for (const ManagedObjectPtr &snapshot : found)
                snapshotByProduct.insert(
                    snapshot->value(QStringLiteral("product")).toLongLong(), snapshot);
        }

        qint64 newRatings = 0;
        for (const Entry &entry : entries) {
            const QJsonObject &record = *entry.record;
            Product &product = *entry.product;
            moveReleaseForward(product, record, now);

            const qint64 count = integer(record, QStringLiteral("userRatingCount"));
            const qint64 countForVersion =
                integer(record, QStringLiteral("userRatingCountForCurrentVersion"));
            if (!ratingsFetched || (count < 1 && countForVersion < 1))
                continue;
            // Indexed as it is made, so that a product repeated within the
            // answer updates the same rating.
            ManagedObjectPtr &rating = ratingByProduct[product.objectID().rowId];
            if (!rating) {
                rating = context->insertNewObject(QStringLiteral("Rating"));
                rating->setObject(QStringLiteral("product"), entry.product);
                rating->setValue(QStringLiteral("countryCode"), countryCode);
            }
            newRatings += storeCount(
                *rating, QStringLiteral("ratingCountForCurrentVersion"), countForVersion);
            rating->setValue(QStringLiteral("averageRatingForCurrentVersion"),
                optionalNumber(record, QStringLiteral("averageUserRatingForCurrentVersion")));
            newRatings += storeCount(*rating, QStringLiteral("ratingCount"), count);
            rating->setValue(QStringLiteral("averageRating"),
                optionalNumber(record, QStringLiteral("averageUserRating")));
            rating->setValue(QStringLiteral("dateUpdated"), now);

            ManagedObjectPtr &snapshot = snapshotByProduct[product.objectID().rowId];
            if (!snapshot) {
                snapshot = context->insertNewObject(QStringLiteral("RatingSnapshot"));
                snapshot->setObject(QStringLiteral("product"), entry.product);
                snapshot->setValue(QStringLiteral("countryCode"), snapshotCountry);
                snapshot->setValue(QStringLiteral("day"), day);
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
