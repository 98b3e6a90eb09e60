// How far a load reads a product-country feed, and the gaps it finds: a
// routine load reads on while the feed holds only reviews newer than the
// stored ones, up to the feed's last page; reaching that page without
// meeting a stored review means some reviews were never offered to us.
#include "update/ReviewImporter.h"

#include "model/Product.h"
#include "model/Review.h"
#include "model/ReviewGap.h"
#include "net/Downloader.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"

bool ReviewImporter::pageAnswered(FeedProbe &probe, const Product &product,
    const QString &countryCode, bool routine, quint64 page, const QList<QVariantMap> &records)
{
    probe.pages = page;
    probe.lastPageFull = records.size() >= Downloader::reviewsPerFeedPage;
    if (!probe.reachedStored)
        probe.reachedStored = reachesStoredReview(probe, product, countryCode, records);
    if (page == quint64(Downloader::maximumFeedPages)) {
        // The far end of a possible gap; reviews without a date were
        // stored with the time they arrived.
        probe.oldestOnLastPage = Clock::shared().now();
        for (const QVariantMap &record : records) {
            const QDateTime date = reviewedDate(record);
            if (date.isValid() && date < probe.oldestOnLastPage)
                probe.oldestOnLastPage = date;
        }
    }
    return !routine || (probe.lastPageFull && !probe.reachedStored);
}

bool ReviewImporter::reachesStoredReview(FeedProbe &probe, const Product &product,
    const QString &countryCode, const QList<QVariantMap> &records)
{
    ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return false;
    // A country without stored reviews is read like a first load: nothing
    // to reach, and no gap to find.
    if (!probe.hasStored) {
        FetchRequest any(QStringLiteral("Review"));
        any.predicate = Predicate::format(QStringLiteral("product == %@ AND countryCode ==[c] %@"),
            product.objectID(), countryCode);
        any.fetchLimit = 1;
        probe.hasStored = context->countForFetchRequest(any) > 0;
    }
    if (!*probe.hasStored)
        return false;
    QVariantList identifiers;
    identifiers.reserve(records.size());
    for (const QVariantMap &record : records)
        identifiers << record.value(QStringLiteral("identifier")).toString();
    FetchRequest request(QStringLiteral("Review"));
    request.predicate = Predicate::format(
        QStringLiteral("product == %@ AND countryCode ==[c] %@ AND identifier IN %@"),
        product.objectID(), countryCode, identifiers);
    request.fetchLimit = 1;
    return context->countForFetchRequest(request) > 0;
}

bool ReviewImporter::FeedProbe::readPastStoredReviews() const
{
    return pages == quint64(Downloader::maximumFeedPages) && lastPageFull && !reachedStored
        && hasStored.value_or(false);
}

void ReviewImporter::recordGap(
    const std::shared_ptr<Product> &product, const QString &countryCode, const FeedProbe &probe)
{
    ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return;
    FetchRequest newest(QStringLiteral("Review"));
    newest.predicate = Predicate::format(
        QStringLiteral("product == %@ AND countryCode ==[c] %@"), product->objectID(), countryCode);
    newest.sortDescriptors = {{QStringLiteral("dateReviewed"), false}};
    newest.fetchLimit = 1;
    const auto stored = context->fetch<Review>(newest);
    if (stored.isEmpty())
        return;
    const QDateTime from = stored.first()->dateReviewed();
    const QDateTime to = probe.oldestOnLastPage;
    if (auto gap = context->insertNewObject<ReviewGap>(QStringLiteral("ReviewGap"))) {
        gap->setCountryCode(countryCode);
        gap->setStretch(from, to);
        gap->setDateNoticed(Clock::shared().now());
        gap->setProduct(product);
    }
    logLine(formatString(
        QStringLiteral("Reviews of %@ (%@) may be missing between %@ and %@: the feed's last "
                       "page did not reach the stored ones."),
        product->title(), countryCode, from.toUTC().toString(Qt::ISODate),
        to.toUTC().toString(Qt::ISODate)));
}
